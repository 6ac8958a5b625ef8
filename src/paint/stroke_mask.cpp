#include "paint/stroke_mask.h"

#include <algorithm>
#include <cstring>

#include "image/channel_buffer.h"
#include "image/color_record.h"
#include "image/compositor.h"
#include "image/document.h"
#include "image/pixel_image.h"
#include "image/plane_ops.h"

namespace {

// What the compositor's preview paints with. Written only on the main thread
// and read by the compositing workers, which run only inside the document
// render: it starts them with release stores and waits for them to finish,
// so each run sees the values set before it and no write overlaps a read.
ColorRecord previewColour = DisplayColor(0, 0, 0, 255);
int previewMode = 0;

bool Overlaps(const LayerTile& tile, const PixelImage& dab, int left, int top) {
    // 64 bits: a dab placed near the end of the int range must not wrap round.
    const int64_t l = left, t = top;
    return l < tile.x1 && l + dab.width > tile.x0 && t < tile.y1 && t + dab.height > tile.y0;
}

// Raises each mask sample toward the ceiling by the dab's coverage:
// mask + (((dab + 1) * (ceiling - mask)) >> 16) while below the ceiling. The
// product is split into 16-bit halves (dab * room, then + room with its
// carry) and the test against the ceiling is a zero room, so the loop has no
// branch and runs on 16-bit lanes. Both products are unsigned 32-bit: as int,
// 16-bit values promote to a product that can overflow.
// Returns whether any sample rose.
bool RaiseRow(uint16_t* mask, const uint16_t* dab, int n, uint16_t ceiling) {
    uint16_t rose = 0;
    for (int i = 0; i < n; ++i) {
        const uint16_t v = mask[i];
        const uint16_t room = v < ceiling ? uint16_t(ceiling - v) : uint16_t(0);
        const uint16_t high = uint16_t((uint32_t(dab[i]) * room) >> 16);
        const uint16_t low = uint16_t(uint32_t(dab[i]) * room);
        const uint16_t carry = uint16_t(low + room) < low;
        const uint16_t step = uint16_t(high + carry);
        rose |= step;
        mask[i] = uint16_t(v + step);
    }
    return rose != 0;
}

// The dab at (x, y) of the mask, clipped to it. Returns whether the mask
// changed: the corners of a round dab's square, or a dab where the mask has
// reached the ceiling, leave it as it was.
bool RaiseMask(ChannelBuffer16& mask, const ChannelBuffer16& dab, int x, int y, uint16_t ceiling) {
    const int x0 = std::max(x, 0), x1 = std::min(x + dab.width, mask.width);
    const int y0 = std::max(y, 0), y1 = std::min(y + dab.height, mask.height);
    bool rose = false;
    for (int r = y0; r < y1; ++r)
        rose |= RaiseRow(mask.samples + size_t(r) * mask.width + x0, dab.samples + size_t(r - y) * dab.width + (x0 - x),
                         x1 - x0, ceiling);
    return rose;
}

bool Is16(const PixelImage& image) { return image.depth == 16 && image.channelCount > 0; }

// Paint laid on fully transparent pixels is the paint colour itself. The
// alpha-weighted mix gets there only at full coverage: it truncates the paint
// term to a multiple of 65536 before dividing by the new alpha, which is also
// scaled by the paint's 8-bit alpha (65280 at most), so over transparency a
// faint edge comes out far too dark (black for the faintest coverage) and
// the rest about 0.4 % too bright. Where there was nothing before, the old
// colour has no weight, so the paint colour is set outright.
//
// A mask rather than a choice: the compiler makes the choice a store that may
// leave the sample alone, which it does not vectorise.
void PaintOverTransparency(uint16_t* xs, const uint16_t* as, const uint16_t* ms, uint16_t paint, size_t n) {
    for (size_t i = 0; i < n; ++i) {
        const uint16_t bare = uint16_t(0 - unsigned((as[i] == 0) & (ms[i] != 0)));
        xs[i] = uint16_t((paint & bare) | (xs[i] & ~bare));
    }
}

// A colour has four values, so an image of more planes has none to paint.
bool CanApply(const PixelImage& dst, const PixelImage& src, const PixelImage& mask) {
    if (dst.channelCount != src.channelCount || src.channelCount > 4 || !Is16(dst) || !Is16(src) ||
        !Is16(mask))
        return false;
    if (dst.width != src.width || dst.height != src.height || mask.width != src.width || mask.height != src.height)
        return false;
    return !src.IsEmpty();
}

uint16_t* Samples16(ChannelBuffer& plane) { return static_cast<ChannelBuffer16&>(plane).samples; }

// Samples painted at a time: the new alpha of a block stays in cache (and on
// the stack) while each colour plane is painted through it, so every plane is
// read and written once.
constexpr size_t kPaintBlock = 256;

// ApplyStroke with the outcome, so the preview can tell a refused image from
// a painted one.
bool PaintStroke(PixelImage& dst, const PixelImage& src, const ColorRecord& colour, const PixelImage& mask,
                 bool lock, bool paintsColour) {
    if (!CanApply(dst, src, mask)) return false;

    ColorRecord paint = colour;
    for (int i = 0; i < 4; ++i) paint.value[i] = std::clamp(paint.value[i], 0, 255);
    paint.RefreshMirrors();
    FromDisplay(paint);

    const int alpha = src.channelCount - 1;
    const size_t n = size_t(src.width) * size_t(src.height);
    const uint16_t* m = Samples16(mask.Channel(0));
    const uint16_t* a0 = Samples16(src.Channel(alpha));
    uint16_t* alphaOut = Samples16(dst.Channel(alpha));
    uint16_t p[3];
    for (int c = 0; c < alpha; ++c) p[c] = uint16_t(paint.value[c]);
    uint16_t a1[kPaintBlock];
    for (size_t start = 0; start < n; start += kPaintBlock) {
        const size_t k = std::min(kPaintBlock, n - start);
        if (!lock) LerpRow(a1, a0 + start, uint16_t(paint.value[3]), m + start, k);
        const uint16_t* x[3];
        uint16_t* out[3];
        for (int c = 0; c < alpha; ++c) {
            x[c] = Samples16(src.Channel(c)) + start;
            out[c] = Samples16(dst.Channel(c)) + start;
        }
        if (!paintsColour) {
            for (int c = 0; c < alpha; ++c)
                if (out[c] != x[c]) std::memcpy(out[c], x[c], k * sizeof(uint16_t));
        } else if (lock) {
            for (int c = 0; c < alpha; ++c) LerpRow(out[c], x[c], p[c], m + start, k);
        } else {
            PaintRows(out, x, p, alpha, a0 + start, m + start, a1, k);
            for (int c = 0; c < alpha; ++c) PaintOverTransparency(out[c], a0 + start, m + start, p[c], k);
        }
        // Written last: the colours above read the old alpha, which in place
        // is this same plane.
        if (!lock)
            std::memcpy(alphaOut + start, a1, k * sizeof(uint16_t));
        else if (alphaOut != a0)
            std::memcpy(alphaOut + start, a0 + start, k * sizeof(uint16_t));
    }
    return true;
}

// The bottom layer never changes its alpha, whatever its tile's flag says.
bool PaintsLocked(const LayerTile& tile) { return tile.lock || tile.bottom; }

PixelImage* PreviewStroke(const LayerTile& tile, const PixelImage& source, PixelImage& scratch) {
    if (!tile.strokeMask) return nullptr;
    return PaintStroke(scratch, source, previewColour, *tile.strokeMask, PaintsLocked(tile), previewMode < 2)
               ? &scratch
               : nullptr;
}

bool SamePaint(const ColorRecord& a, const ColorRecord& b) {
    for (int i = 0; i < 4; ++i)
        if (a.value[i] != b.value[i]) return false;
    return true;
}

// Whether the tile's stack on screen already shows what committing the
// stroke with colour and mode leaves: it was composited after the last dab
// (the tile is clean) through the preview, which painted the tile's own
// pixels with the same paint. Over an onion skin the preview paints the
// blend of the frames instead, so there it differs.
bool PreviewShowsCommit(const LayerTile& tile, const ColorRecord& colour, int paintMode) {
    if (tile.dirty || InstalledStrokePreview() != &PreviewStroke) return false;
    if (tile.animated && tile.onionSkin && tile.frameCount > 1) return false;
    return SamePaint(colour, previewColour) && (paintMode < 2) == (previewMode < 2);
}

}  // namespace

bool StampDab(LayerTile& tile, const PixelImage& dab, int left, int top, uint32_t ceiling) {
    if (!tile.strokeMask || !Is16(*tile.strokeMask) || !Is16(dab) || dab.IsEmpty()) return true;
    if (!Overlaps(tile, dab, left, top)) return true;
    auto& mask = static_cast<ChannelBuffer16&>(tile.strokeMask->Channel(0));
    const int x = int(int64_t(left) - tile.x0), y = int(int64_t(top) - tile.y0);
    const uint16_t top16 = uint16_t(std::min<uint32_t>(ceiling, 65535));
    if (!tile.strokeActive) {
        // Painting into an empty tile must not wait for fresh memory. With
        // no memory at all the stroke leaves this tile alone.
        if (!TryEnsurePixels(tile, PlaneSource::kReserve)) return false;
        mask.Fill(0);
        tile.strokeActive = true;
        RaiseMask(mask, static_cast<const ChannelBuffer16&>(dab.Channel(0)), x, y, top16);
        tile.dirty = true;
        return true;
    }
    // A later dab that leaves the mask as it was shows nothing new:
    // compositing the tile again would only cost the pass.
    if (!RaiseMask(mask, static_cast<const ChannelBuffer16&>(dab.Channel(0)), x, y, top16)) return true;
    tile.dirty = true;
    return true;
}

void ApplyStroke(PixelImage& dst, const PixelImage& src, const ColorRecord& colour, const PixelImage& mask,
                 bool lock, bool paintsColour) {
    PaintStroke(dst, src, colour, mask, lock, paintsColour);
}

void CommitStroke(LayerTile& tile, const ColorRecord& colour, int paintMode) {
    if (!tile.strokeActive) return;
    const bool alreadyShown = PreviewShowsCommit(tile, colour, paintMode);
    if (TryEnsurePixels(tile) && tile.strokeMask && tile.pixels)
        PaintStroke(*tile.pixels, *tile.pixels, colour, *tile.strokeMask, PaintsLocked(tile), paintMode < 2);
    tile.strokeActive = false;
    if (!alreadyShown) tile.dirty = true;
}

void SetStrokePaint(const ColorRecord& colour, int paintMode) {
    previewColour = colour;
    previewMode = paintMode;
}

void InstallStrokePreview() { SetStrokePreview(&PreviewStroke); }
