#pragma once

struct Document;

// Re-encodes every image the document holds (every frame, the layer clipboard
// and the undo copies) from the current profile to built-in profile index,
// and selects it. False for an unknown index.
bool ChangeColorProfile(Document& doc, int index);
