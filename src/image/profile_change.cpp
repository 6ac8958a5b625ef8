#include "image/profile_change.h"

#include <cstddef>

#include "image/color_profile.h"
#include "image/document.h"
#include "image/pixel_image.h"

namespace {

// Every image of a tile: all frames of an animated tile (its pixels are one
// of them), otherwise its pixels.
template <typename Fn>
void ForTileImages(LayerTile& tile, Fn fn) {
    if (tile.animated) {
        for (PixelImage* frame : tile.frames)
            if (frame) fn(*frame);
    } else if (tile.pixels) {
        fn(*tile.pixels);
    }
}

// Every image the document holds samples in, each once.
template <typename Fn>
void ForDocumentImages(Document& doc, Fn fn) {
    for (LayerTile* stack : doc.stacks)
        for (LayerTile* tile = stack; tile; tile = tile->next) {
            ForTileImages(*tile, fn);
            tile->dirty = true;
        }
    for (LayerTile* tile : doc.clipboardTiles)
        if (tile) ForTileImages(*tile, fn);
    for (UndoStep& step : doc.undo)
        for (int k = 0; k < step.count; ++k) fn(*step.images[size_t(k)]);
}

}  // namespace

bool ChangeColorProfile(Document& doc, int index) {
    const ColorProfile* profile = BuiltinProfile(index);
    if (!profile) return false;
    ForDocumentImages(doc, [](PixelImage& image) { ConvertImageProfile(image, false); });
    SelectProfile(*profile);
    ForDocumentImages(doc, [](PixelImage& image) { ConvertImageProfile(image, true); });
    return true;
}
