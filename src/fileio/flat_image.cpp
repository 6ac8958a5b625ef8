#include "fileio/flat_image.h"

#include <algorithm>

#include "fileio/safe_file.h"
#include "image/animation.h"
#include "image/compositor.h"
#include "image/document_swap.h"
#include "image/flat_transfer.h"
#include "image/memory_guard.h"
#include "image/pixel_image.h"
#include "image/thread_scratch.h"
#include "platform/file_open.h"
#include "platform/log.h"

namespace {

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
    const uint64_t pixels = uint64_t(doc.width) * uint64_t(doc.height);
    if (!MemoryFor(pixels * sizeof(uint32_t)) || !Allocating([&flat, pixels] { flat.assign(size_t(pixels), 0); }))
        return false;
    const WithoutOnionSkin picture(doc);
    for (LayerTile* stack : doc.stacks) {
        const PixelImage* shown = CompositeTileWithAlpha(*stack);
        ExportFlat(*shown, flat.data(), stack->x0, stack->y0, doc.width, doc.height, -1);
    }
    return true;
}

// Tile row r covers document rows 126r - 1 to 126r + 126; where two rows of
// tiles overlap, the lower one's pixels are the picture (as FlattenDocument
// writes them last), so row y comes from tile row (y + 1) / 126, the last
// one taking the rest.
DocumentRows::DocumentRows(Document& doc) : doc_(doc) {
    const PixelImage* scratch = ScratchImage();
    if (!scratch || scratch->width != kTileSide || scratch->height != kTileSide) {
        LogLine("DocumentRows: no tile scratch on this thread");
        return;
    }
    const uint64_t bandPixels = uint64_t(doc.width) * kTileSide;
    if (doc.width < 1 || !MemoryFor(bandPixels * sizeof(uint32_t)) ||
        !Allocating([this, bandPixels] { band_.assign(size_t(bandPixels), 0); }))
        return;
    for (LayerTile* stack : doc.stacks)
        for (LayerTile* tile = stack; tile; tile = tile->next)
            if (tile->onionSkin) {
                tile->onionSkin = false;
                onionSkinTiles_.push_back(tile);
            }
    ready_ = true;
}

DocumentRows::~DocumentRows() {
    for (LayerTile* tile : onionSkinTiles_) tile->onionSkin = true;
}

void DocumentRows::MakeBand(int tileRow) {
    const int top = kTileStep * tileRow - 1;
    for (int c = 0; c < doc_.columns; ++c) {
        LayerTile* stack = doc_.stacks[size_t(tileRow) * size_t(doc_.columns) + size_t(c)];
        const PixelImage* shown = CompositeTileWithAlpha(*stack);
        ExportFlat(*shown, band_.data(), stack->x0, stack->y0 - top, doc_.width, kTileSide, -1);
    }
    bandRow_ = tileRow;
}

const uint32_t* DocumentRows::Row(int y) {
    if (!ready_ || y < 0 || y >= doc_.height) return nullptr;
    const int tileRow = std::min((y + 1) / kTileStep, doc_.rows - 1);
    if (tileRow != bandRow_) MakeBand(tileRow);
    const int top = kTileStep * tileRow - 1;
    return band_.data() + size_t(y - top) * size_t(doc_.width);
}

bool DocumentRows::Opaque() {
    if (!ready_) return false;
    for (int y = 0; y < doc_.height; ++y) {
        const uint32_t* row = Row(y);
        for (int x = 0; x < doc_.width; ++x)
            if (row[x] >> 24 != 0xFF) return false;
    }
    return true;
}

FlatRows DocumentRows::Rows() {
    FlatRows rows;
    rows.width = doc_.width;
    rows.height = doc_.height;
    rows.row = [this](int y) { return Row(y); };
    return rows;
}

FlatRows RowsOfFlat(int w, int h, const std::vector<uint32_t>& flat) {
    FlatRows rows;
    if (w < 1 || h < 1 || flat.size() != size_t(w) * size_t(h)) return rows;
    rows.width = w;
    rows.height = h;
    rows.opaque = std::all_of(flat.begin(), flat.end(), [](uint32_t p) { return p >> 24 == 0xFF; });
    const uint32_t* pixels = flat.data();
    rows.row = [pixels, w, h](int y) { return y >= 0 && y < h ? pixels + size_t(y) * size_t(w) : nullptr; };
    return rows;
}

int64_t BytesLeftInFile(std::FILE* file) {
    if (!file) return -1;
    const long at = std::ftell(file);
    if (at < 0 || std::fseek(file, 0, SEEK_END) != 0) return -1;
    const long end = std::ftell(file);
    if (std::fseek(file, at, SEEK_SET) != 0 || end < at) return -1;
    return int64_t(end) - int64_t(at);
}

bool LoadFlatImage(Document& doc, int w, int h, const std::vector<uint32_t>& flat) {
    if (w < 1 || h < 1 || w > kMaxDocumentSide || h > kMaxDocumentSide) return false;
    if (flat.size() != size_t(w) * size_t(h)) return false;
    // NewDocument refuses (and notes) a document the memory cannot hold.
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

bool SaveFlatFile(Document& doc, const char* path, RowWriter write, bool askOpaque) {
    if (!path) return false;
    DocumentRows picture(doc);
    if (!picture.Ready()) return false;
    FlatRows rows = picture.Rows();
    rows.opaque = !askOpaque || picture.Opaque();
    SafeFile out;
    if (!out.Open(path)) return false;
    if (!write(out.File(), rows)) {
        out.AbandonFailedWrite();
        return false;
    }
    return out.Commit();
}

bool LoadFlatFile(Document& doc, const char* path, const FlatReader& read) {
    std::FILE* file = path ? OpenFile(path, "rb") : nullptr;
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

void FlatToRgbaRow(const uint32_t* flat, uint8_t* rgba, int w) {
    for (int x = 0; x < w; ++x, rgba += 4) {
        rgba[0] = uint8_t(flat[x] >> 16);
        rgba[1] = uint8_t(flat[x] >> 8);
        rgba[2] = uint8_t(flat[x]);
        rgba[3] = uint8_t(flat[x] >> 24);
    }
}
