#include "image/document_swap.h"

#include <utility>

#include "image/document.h"

void SwapDocuments(Document& a, Document& b) {
    using std::swap;
    swap(a.width, b.width);
    swap(a.height, b.height);
    swap(a.columns, b.columns);
    swap(a.rows, b.rows);
    swap(a.tileCount, b.tileCount);
    swap(a.stacks, b.stacks);

    swap(a.layerCount, b.layerCount);
    swap(a.layers, b.layers);
    swap(a.currentLayer, b.currentLayer);

    swap(a.clipboardTiles, b.clipboardTiles);
    swap(a.clipboardInfo, b.clipboardInfo);
    swap(a.clipboardFilled, b.clipboardFilled);

    swap(a.modified, b.modified);
    swap(a.flatCopy, b.flatCopy);
    swap(a.layeredFile, b.layeredFile);
    swap(a.damagedFile, b.damagedFile);
    swap(a.strokeDrawn, b.strokeDrawn);

    swap(a.history, b.history);

    swap(a.animationMode, b.animationMode);
    swap(a.onionSkin, b.onionSkin);
    swap(a.framesPerSecond, b.framesPerSecond);
    swap(a.currentFrame, b.currentFrame);
    swap(a.frameCount, b.frameCount);
    swap(a.durations, b.durations);

    swap(a.texturesToRelease, b.texturesToRelease);
}

void ReplaceDocument(Document& live, Document& replacement) {
    if (&live == &replacement) return;
    SwapDocuments(live, replacement);
    ReleaseDocument(replacement);
    std::vector<uint32_t>& names = replacement.texturesToRelease;
    live.texturesToRelease.insert(live.texturesToRelease.end(), names.begin(), names.end());
    names.clear();
}
