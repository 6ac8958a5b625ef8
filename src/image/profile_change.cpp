#include "image/profile_change.h"

#include <cstddef>
#include <memory>
#include <new>
#include <utility>
#include <vector>

#include "image/color_profile.h"
#include "image/document.h"
#include "image/pixel_image.h"
#include "image/undo.h"
#include "image/undo_changes.h"

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
}

// Copies of every tile image into the open step, so undo gives back the
// samples themselves rather than a lossy conversion back.
bool SaveEveryImage(Document& doc) {
    std::vector<std::unique_ptr<Change>> copies;
    try {
        for (size_t s = 0; s < doc.stacks.size(); ++s) {
            int layer = 0;
            for (LayerTile* tile = doc.stacks[s]; tile; tile = tile->next, ++layer) {
                if (!tile->animated) {
                    copies.push_back(std::make_unique<TileChange>(int(s), layer, -1, CloneImage(*tile->pixels)));
                    continue;
                }
                for (size_t f = 0; f < tile->frames.size(); ++f)
                    copies.push_back(
                        std::make_unique<TileChange>(int(s), layer, int(f), CloneImage(*tile->frames[f])));
            }
        }
    } catch (const std::bad_alloc&) {
        return false;
    }
    for (auto& copy : copies) AddChange(doc, std::move(copy));
    return true;
}

}  // namespace

bool ChangeColorProfile(Document& doc, int index) {
    const ColorProfile* profile = BuiltinProfile(index);
    if (!profile) return false;
    if (StepOpen(doc)) {
        if (!SaveEveryImage(doc)) return false;
        AddChange(doc, std::make_unique<ProfileChange>(CurrentProfileIndex()));
    } else {
        ClearUndo(doc);
    }
    ForDocumentImages(doc, [](PixelImage& image) { ConvertImageProfile(image, false); });
    SelectProfile(*profile);
    ForDocumentImages(doc, [](PixelImage& image) { ConvertImageProfile(image, true); });
    return true;
}
