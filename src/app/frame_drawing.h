#pragma once

// Resets the drawing state every frame starts from, draws the whole window and
// shows it.
void DrawAndShowFrame();
