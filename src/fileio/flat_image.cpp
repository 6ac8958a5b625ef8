#include "fileio/flat_image.h"

#include "fileio/safe_file.h"
#include "image/animation.h"
#include "image/compositor.h"
#include "image/document_swap.h"
#include "image/flat_transfer.h"
#include "image/pixel_image.h"
#include "image/thread_scratch.h"
#include "platform/log.h"

namespace {

// Animation settings are not part of what a new document resets; its frames
// start afresh (RestartFrames).
void CopyAnimationSettings(const Document& from, Document& to) {
    to.animationMode = from.animationMode;
    to.onionSkin = from.onionSkin;
    to.framesPerSecond = from.framesPerSecond;
    to.currentFrame = from.currentFrame;
    to.frameCount = from.frameCount;
    to.durations = from.durations;
}

// Turns the onion skin off in every tile while it lives and back on after:
// the neighbouring frames' ghosts are a view aid, not part of the picture.
// Tiles are not marked dirty, so the screen keeps showing them.
class WithoutOnionSkin {
public:
    explicit WithoutOnionSkin(Document& doc) {
        for (LayerTile* stack : doc.stacks)
            for (LayerTile* tile = stack; tile; tile = tile->next)
                if (tile->onionSkin) {
                    tile->onionSkin = false;
                    tiles_.push_back(tile);
                }
    }
    ~WithoutOnionSkin() {
        for (LayerTile* tile : tiles_) tile->onionSkin = true;
    }
    WithoutOnionSkin(const WithoutOnionSkin&) = delete;
    WithoutOnionSkin& operator=(const WithoutOnionSkin&) = delete;

private:
    std::vector<LayerTile*> tiles_;
};

}  // namespace

bool FlattenDocument(Document& doc, std::vector<uint32_t>& flat) {
    const PixelImage* scratch = ScratchImage();
    if (!scratch || scratch->width != kTileSide || scratch->height != kTileSide) {
        LogLine("FlattenDocument: no tile scratch on this thread");
        return false;
    }
    flat.assign(size_t(doc.width) * size_t(doc.height), 0);
    const WithoutOnionSkin picture(doc);
    for (LayerTile* stack : doc.stacks) {
        const PixelImage* shown = CompositeTile(*stack);
        ExportFlat(*shown, flat.data(), stack->x0, stack->y0, doc.width, doc.height, -1);
    }
    return true;
}

bool LoadFlatImage(Document& doc, int w, int h, const std::vector<uint32_t>& flat) {
    if (w < 1 || h < 1 || w > kMaxDocumentSide || h > kMaxDocumentSide) return false;
    if (flat.size() != size_t(w) * size_t(h)) return false;
    Document fresh;
    CopyAnimationSettings(doc, fresh);
    if (!NewDocument(fresh, w, h)) return false;
    RestartFrames(fresh);
    for (LayerTile* stack : fresh.stacks) {
        EnsurePixels(*stack);
        ImportFlat(*stack->pixels, flat.data(), stack->x0, stack->y0, w, h, -1);
        stack->dirty = true;
    }
    fresh.layers[0].thumbnailDirty = true;
    ReplaceDocument(doc, fresh);
    return true;
}

bool SaveFlatFile(Document& doc, const char* path, FlatWriter write) {
    std::vector<uint32_t> flat;
    if (!path || !FlattenDocument(doc, flat)) return false;
    SafeFile out;
    if (!out.Open(path)) return false;
    if (!write(out.File(), doc.width, doc.height, flat)) {
        out.AbandonFailedWrite();
        return false;
    }
    return out.Commit();
}

bool LoadFlatFile(Document& doc, const char* path, const FlatReader& read) {
    std::FILE* file = path ? std::fopen(path, "rb") : nullptr;
    if (!file) return false;
    int w = 0, h = 0;
    std::vector<uint32_t> flat;
    const bool ok = read(file, w, h, flat, kMaxFlatPixels);
    std::fclose(file);
    return ok && LoadFlatImage(doc, w, h, flat);
}

void RgbRowToFlat(const uint8_t* rgb, uint32_t* flat, int w) {
    for (int x = 0; x < w; ++x, rgb += 3) flat[x] = 0xFF000000u | uint32_t(rgb[0]) << 16 | uint32_t(rgb[1]) << 8 | rgb[2];
}

void RgbaRowToFlat(const uint8_t* rgba, uint32_t* flat, int w) {
    for (int x = 0; x < w; ++x, rgba += 4)
        flat[x] = rgba[3] == 0 ? 0x00FFFFFFu
                               : uint32_t(rgba[3]) << 24 | uint32_t(rgba[0]) << 16 | uint32_t(rgba[1]) << 8 | rgba[2];
}

void FlatToRgbRow(const uint32_t* flat, uint8_t* rgb, int w) {
    for (int x = 0; x < w; ++x, rgb += 3) {
        rgb[0] = uint8_t(flat[x] >> 16);
        rgb[1] = uint8_t(flat[x] >> 8);
        rgb[2] = uint8_t(flat[x]);
    }
}
