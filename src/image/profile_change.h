#pragma once

struct Document;

// Re-encodes every image the document holds (every frame and the layer
// clipboard) from the current profile to built-in profile index, and selects
// it. Within an open history step the step keeps copies of every tile image
// and the profile it replaces; without one the history is emptied. False for
// an unknown index, or when the copies cannot be allocated.
bool ChangeColorProfile(Document& doc, int index);
