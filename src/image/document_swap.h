#pragma once

struct Document;

// Exchanges everything two documents hold: tiles, layers, clipboard, file
// state, history, animation state and pending texture names. The history's
// steps belong to the tiles they were taken from, so they travel with their
// document.
void SwapDocuments(Document& a, Document& b);

// Gives live the contents of replacement and destroys live's old contents.
// Only the UI can delete GL textures, so the names of the old tiles and
// thumbnails are handed on through live.texturesToRelease, together with any
// names either document was still holding. replacement is left empty.
void ReplaceDocument(Document& live, Document& replacement);
