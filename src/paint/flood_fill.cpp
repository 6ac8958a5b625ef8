#include "paint/flood_fill.h"

#include <cstddef>
#include <utility>
#include <vector>

#include "image/color_record.h"
#include "image/document.h"
#include "image/undo.h"
#include "paint/layer_pixels.h"
#include "platform/log.h"

namespace {

// level: the highest alpha of the visible layers above at that pixel.
struct FrontierEntry {
    int x, y, level;
};

constexpr int kNeighbours[4][2] = {{0, -1}, {0, 1}, {-1, 0}, {1, 0}};  // up, down, left, right

// Line art at or above this alpha on a visible upper layer stops the fill.
constexpr int kOpaqueLineAlpha = 254;

bool SameRgb(const ColorRecord& a, const ColorRecord& b) {
    return a.value[0] == b.value[0] && a.value[1] == b.value[1] && a.value[2] == b.value[2];
}

class FillRun {
public:
    FillRun(Document& doc, int layer, const ColorRecord& colour, const ColorRecord& seed)
        : doc_(doc), layer_(layer), colour_(colour), seed_(seed),
          seedTransparent_(seed.value[3] == 0),
          writeAlpha_(seedTransparent_ || colour.value[3] == 0),
          maxnum_(4 * (doc.width + doc.height)),
          accepted_(size_t(doc.width) * size_t(doc.height), false) {
        current_.reserve(size_t(maxnum_));
        next_.reserve(size_t(maxnum_));
    }

    void Run(int x, int y) {
        accepted_[Index(x, y)] = true;
        current_.push_back({x, y, 0});
        while (!current_.empty()) {
            Pass();
            std::swap(current_, next_);
            if (int(current_.size()) >= maxnum_) {
                LogLine("--- floodfill overflow (maxnum=%i)", maxnum_);
                return;
            }
        }
    }

private:
    size_t Index(int x, int y) const { return size_t(y) * size_t(doc_.width) + size_t(x); }

    // Spreads from every entry of the current frontier into the next one,
    // filling each pixel as it is taken.
    void Pass() {
        next_.clear();
        for (const FrontierEntry& entry : current_)
            for (const auto& step : kNeighbours) {
                const int nx = entry.x + step[0], ny = entry.y + step[1];
                int upper = 0;
                if (!Accepts(nx, ny, entry.level, upper)) continue;
                if (int(next_.size()) >= maxnum_) {
                    LogLine("floodfill overflow");
                    return;
                }
                next_.push_back({nx, ny, upper});
                accepted_[Index(nx, ny)] = true;
                WriteLayerPixel(doc_, layer_, nx, ny, colour_, writeAlpha_);
            }
    }

    bool Accepts(int x, int y, int level, int& upper) const {
        if (x < 0 || y < 0 || x >= doc_.width || y >= doc_.height) return false;
        // A pixel is taken once: a fill whose colour still matches what it
        // spreads over would otherwise take its own pixels again and again.
        if (accepted_[Index(x, y)]) return false;
        ColorRecord pixel;
        if (!ReadLayerPixel(doc_, layer_, x, y, colour_, pixel)) return false;
        upper = UpperLayersAlpha(doc_, layer_, x, y);
        if (upper >= kOpaqueLineAlpha) return false;
        // The fill only climbs the line art's alpha, so it never runs down
        // the far side of a line and out of the enclosed area.
        if (upper < level) return false;
        const int alpha = pixel.value[3];
        if (!seedTransparent_ && alpha == 0) return false;
        // A transparent area takes in partly transparent pixels that are at
        // least about as opaque as the line art above them.
        if (seedTransparent_ && alpha >= upper - 1 && alpha < kOpaqueLineAlpha) return true;
        return SameRgb(pixel, seed_);
    }

    Document& doc_;
    const int layer_;
    const ColorRecord colour_;
    const ColorRecord seed_;
    const bool seedTransparent_;
    const bool writeAlpha_;
    const int maxnum_;
    std::vector<bool> accepted_;  // one bit per document pixel
    std::vector<FrontierEntry> current_, next_;
};

}  // namespace

bool FloodFill(Document& doc, int x, int y, const ColorRecord& colour, int layer) {
    ColorRecord seed;
    if (!ReadLayerPixel(doc, layer, x, y, colour, seed)) return false;
    if (seed == colour) return false;

    // A fill the history cannot hold is not made.
    if (!OpenStep(doc, kStepFill, layer)) return false;
    if (!SaveTiles(doc, layer, true)) {
        AbandonStep(doc);
        return false;
    }
    WriteLayerPixel(doc, layer, x, y, colour, true);
    FillRun(doc, layer, colour, seed).Run(x, y);

    doc.layers[layer].thumbnailDirty = true;
    CloseStep(doc);
    return true;
}
