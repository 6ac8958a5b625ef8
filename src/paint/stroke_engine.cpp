#include "paint/stroke_engine.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "image/document.h"
#include "image/pixel_image.h"
#include "image/undo.h"
#include "image/workers.h"
#include "paint/brush_dab.h"
#include "paint/layer_pixels.h"
#include "paint/stroke_mask.h"

namespace {

constexpr float kDegreesToRadians = 0.017453292f;
constexpr float kPi = 3.1415925f;
constexpr int kBezierSteps = 1024;

StrokePoint Add(StrokePoint a, StrokePoint b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
StrokePoint Sub(StrokePoint a, StrokePoint b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
StrokePoint Scale(StrokePoint a, float k) { return {a.x * k, a.y * k, a.z * k}; }
float Length(StrokePoint a) { return std::sqrt(a.x * a.x + a.y * a.y + a.z * a.z); }
bool Same(StrokePoint a, StrokePoint b) { return a.x == b.x && a.y == b.y && a.z == b.z; }

const ColorRecord kTransparentWhite = DisplayColor(255, 255, 255, 0);

// A segment of the path: the cubic corner curve or a straight line.
struct Path {
    bool curved = false;
    StrokePoint b[4];

    StrokePoint At(float t) const {
        if (!curved) return Add(b[0], Scale(Sub(b[3], b[0]), t));
        const BernsteinWeights& w = BezierWeights(t);
        StrokePoint q = Scale(b[0], w.w[0]);
        q = Add(q, Scale(b[1], w.w[1]));
        q = Add(q, Scale(b[2], w.w[2]));
        return Add(q, Scale(b[3], w.w[3]));
    }
};

// The sample's position on the document: window point -> view point (the
// view's unit is a document pixel) -> document, turned and mirrored.
StrokePoint ViewPoint(const StrokeInput& in) {
    return {(in.x - float(in.windowWidth / 2)) / in.zoom, (in.y - float(in.windowHeight / 2)) / in.zoom, 0};
}

StrokePoint ToDocument(const StrokeInput& in, float vx, float vy, int documentWidth) {
    const float a = -in.rotation * kDegreesToRadians;
    const float dx = vx - in.panX, dy = vy - in.panY;
    const float c = std::cos(a), s = std::sin(a);
    StrokePoint p{dx * c - dy * s + 0.5f, dx * s + dy * c + 0.5f, -in.depth};
    if (in.mirrored) p.x = float(documentWidth) - p.x;
    return p;
}

bool ValidLayer(const Document& doc, int layer) { return layer >= 0 && layer < doc.layerCount; }

bool LayerHasActiveStroke(const Document& doc, int layer) {
    for (LayerTile* stack : doc.stacks) {
        const LayerTile* tile = LayerTileAt(stack, layer);
        if (tile && tile->strokeActive) return true;
    }
    return false;
}

// The layer holding the stroke's masks. Layers can be added, moved or picked
// while the pen is down; the masks stay with the layer they were stamped on.
int CommitLayer(const StrokeState& state, const Document& doc) {
    if (ValidLayer(doc, state.layer) && LayerHasActiveStroke(doc, state.layer)) return state.layer;
    for (int i = 0; i < doc.layerCount; ++i)
        if (LayerHasActiveStroke(doc, i)) return i;
    return -1;
}

// The largest free radius around q, in steps of 5 and then of one half,
// before line art (8-bit alpha of 161 or more) on a layer above is met.
float FreeRadius(const Document& doc, int layer, StrokePoint q, float radius, const ColorRecord& paint) {
    float r = 1.0f, step = 5.0f;
    while (r < radius) {
        r += step;
        const int n = int(std::lround(4.0f * r));
        const float rho = std::max(1.0f, r - 1.5f);
        bool hit = false;
        for (int k = 0; k <= n && !hit; ++k) {
            const float a = 2.0f * kPi * float(k) / float(std::max(n, 1));
            const int x = int(std::lround(q.x + 0.25f + rho * std::cos(a)));
            const int y = int(std::lround(q.y + 0.25f - rho * std::sin(a)));
            for (int upper = layer + 1; upper < doc.layerCount && !hit; ++upper) {
                ColorRecord c;
                hit = ReadLayerPixel(doc, upper, x, y, paint, c) && c.value[3] >= 161;
            }
        }
        if (!hit) continue;
        if (step != 5.0f) return r;
        r -= 5.0f;
        step = 0.5f;
    }
    return radius;
}

// Every tile of the stroke layer that the dab at (left, top) overlaps; false
// when a tile it reached had no memory for its pixels.
bool StampEverywhere(Document& doc, int layer, const PixelImage& dab, int left, int top, uint32_t ceiling) {
    // Tile column c covers [126c - 1, 126c + 127).
    const int c0 = std::max(0, (left - kTileSide + 1) / kTileStep);
    const int r0 = std::max(0, (top - kTileSide + 1) / kTileStep);
    const int c1 = std::min(doc.columns - 1, (left + dab.width + 1) / kTileStep);
    const int r1 = std::min(doc.rows - 1, (top + dab.height + 1) / kTileStep);
    bool stamped = true;
    for (int r = r0; r <= r1; ++r)
        for (int c = c0; c <= c1; ++c) {
            LayerTile* tile = LayerTileAt(doc.stacks[size_t(r) * size_t(doc.columns) + size_t(c)], layer);
            if (tile && !StampDab(*tile, dab, left, top, ceiling)) stamped = false;
        }
    return stamped;
}

struct Commit {
    std::vector<LayerTile*> tiles;  // kept between strokes, so pen-up allocates nothing once warm
    ColorRecord colour;
    int paintMode = 0;
};

void CommitTile(int i, void* context) {
    const Commit& commit = *static_cast<const Commit*>(context);
    CommitStroke(*commit.tiles[size_t(i)], commit.colour, commit.paintMode);
}

void PenUp(StrokeState& state, const StrokeTarget& target) {
    static Commit commit;
    Document& doc = target.doc;
    const int layer = CommitLayer(state, doc);
    state.count = 0;
    if (layer < 0) return;
    // The history step keeps the pixels from before the stroke. Without
    // memory for them (or inside another step) the stroke still lands.
    bool step = OpenStep(doc, target.tool.PaintMode == 0 ? kStepStroke : kStepErase, layer);
    if (step && !SaveTiles(doc, layer, false)) {
        AbandonStep(doc);
        step = false;
        state.shortOfMemory = true;
    }
    commit.tiles.clear();
    for (LayerTile* stack : doc.stacks) {
        LayerTile* tile = LayerTileAt(stack, layer);
        if (tile && tile->strokeActive) commit.tiles.push_back(tile);
    }
    commit.colour = target.tool.paint;
    commit.paintMode = target.tool.PaintMode;
    RunOnCompositingThreads(int(commit.tiles.size()), CommitTile, &commit);
    doc.layers[layer].thumbnailDirty = true;
    if (step) CloseStep(doc);
    doc.modified = true;
    doc.flatCopy = false;
}

void ChooseEraser(StrokeState& state, const StrokeTarget& target, const StrokeInput& in) {
    bool eraser = state.eraser;
    if (in.tabletInProximity) {
        eraser = in.tabletEraser;
    } else if (in.rightButton) {
        eraser = true;
        state.temporaryEraser = true;
    }
    if (eraser != state.eraser) SelectEraser(target.tool, eraser, target.doc.currentLayer == 0);
    state.eraser = eraser;
}

void ApplyAxisLock(StrokeState& state, StrokePoint& p) {
    if (state.axisLock == kAxisNone) {
        const float dx = p.x - state.start.x, dy = p.y - state.start.y;
        if (std::fabs(dx) > 0.5f || std::fabs(dy) > 0.5f)
            state.axisLock = std::fabs(dy) <= std::fabs(dx) ? kAxisHorizontal : kAxisVertical;
    }
    if (state.axisLock == kAxisHorizontal) p.y = state.start.y;
    if (state.axisLock == kAxisVertical) p.x = state.start.x;
}

// Lays the dabs of one sample along path, spaced about T tenths of a pixel
// apart, pressure going from the previous sample's to p.
void LayDabs(StrokeState& state, const StrokeTarget& target, const Path& path, StrokePoint lastDab, int m, float p,
             bool hardDabReady) {
    const BrushSettings& brush = target.brush;
    const float radius = brush.radius;
    const float spacing = float(std::max(5L, std::lround(radius * 0.5f)));
    const bool scaled = brush.pressureControlledSize || brush.lineAvoidance;
    const int reach = int(std::lround(radius));
    // No movement to spread over: a single dab at the start.
    float delta = m > 0 ? spacing / float(m) : 1.0f;
    float t = 0;
    int shortCount = 0, longCount = 0;
    while (t < 1.0f) {
        const StrokePoint q = path.At(t);
        const float pt = state.previousPressure + (p - state.previousPressure) * t;
        const float d = Length(Sub(q, lastDab)) * 10.0f;
        if (t > 0 && !(shortCount > 5 && longCount > 5)) {
            if (d < 0.86956525f * spacing) {
                ++shortCount;
                const float wider = delta * 1.1f;
                t = t - delta + wider;
                delta = wider;
                continue;
            }
            if (d > 1.15f * spacing) {
                ++longCount;
                const float narrower = delta * 0.9090909f;
                t = t - delta + narrower;
                delta = narrower;
                continue;
            }
        }
        if (shortCount > 0) --shortCount;
        if (longCount > 0) --longCount;
        t += delta;
        lastDab = q;

        // A hard brush's dab was prepared once for the whole sample.
        float fraction = pt;
        if (!hardDabReady && scaled) {
            ScaleDab(target.dab, target.shape, q.x, q.y, pt);
            fraction = std::min(1.0f, pt * radius);
        } else if (!hardDabReady) {
            ShiftDab(target.dab, target.shape, q.x, q.y);
        }
        const uint32_t ceiling = uint32_t(std::lround(std::clamp(fraction, 0.0f, 1.0f) * 65535.0f));
        const int left = int(std::floor(q.x)) - reach;
        const int top = int(std::floor(q.y)) - reach;
        if (!StampEverywhere(target.doc, state.layer, target.dab, left, top, ceiling)) state.shortOfMemory = true;
    }
}

void Draw(StrokeState& state, const StrokeTarget& target, const StrokeInput& in, StrokePoint p) {
    Document& doc = target.doc;
    const BrushSettings& brush = target.brush;
    const float s = brush.pressureScale;
    if (state.count > 0 && Same(p, state.p1)) return;

    const bool continueLine = in.shift && doc.strokeDrawn;
    if (state.count == 0) {
        if (in.blocked) return;
        if (continueLine) {
            state.previousPressure = s;
        } else {
            state.p0 = state.p1 = p;
            state.previousPressure = 0;
        }
        state.start = p;
        state.axisLock = kAxisNone;
        state.layer = doc.currentLayer;
        state.shortOfMemory = false;
    }
    if (!ValidLayer(doc, state.layer)) {
        CancelStroke(state);
        return;
    }
    if (in.shift && state.count > 0) ApplyAxisLock(state, p);

    int m = int(std::lround(Length(Sub(p, state.p1)) * 10.0f));
    if (m == 0 && state.count < 5) m = 1;

    float pressure = std::min(s, std::pow(1.2f * s * in.pressure, 2.5f));
    if (state.count == 0 && continueLine) pressure = s;
    if (in.tabletPressure < 0) pressure = s;
    if (!brush.pressureSensitivity) {
        m = std::max(m, 1);
        pressure = pressure > 0.3f ? s : 0.0f;
        state.previousPressure = pressure;
    }

    const bool hard = brush.hardness == 1.0f;
    if (hard) ShiftDab(target.dab, target.shape, 0, 0);

    if (brush.lineAvoidance) {
        const float free = std::min(FreeRadius(doc, state.layer, state.p1, brush.radius, target.tool.paint),
                                    FreeRadius(doc, state.layer, p, brush.radius, target.tool.paint));
        pressure = state.previousPressure = free / brush.radius;
    }
    const bool scaled = brush.pressureControlledSize || brush.lineAvoidance;
    state.effectiveRadius = scaled ? brush.radius * pressure : brush.radius;

    Path path;
    StrokePoint lastDab;
    if (state.count >= 2 && !in.shift) {
        path.curved = true;
        path.b[0] = Scale(Add(state.p0, state.p1), 0.5f);
        path.b[1] = Add(state.p0, Scale(Sub(state.p1, state.p0), 0.85f));
        path.b[2] = Add(p, Scale(Sub(state.p1, p), 0.85f));
        path.b[3] = Scale(Add(state.p1, p), 0.5f);
        if (m >= 2) {
            m = int(std::lround(Length(Sub(path.b[3], path.b[0])) * 10.0f));
            if (m == 0 && state.count < 5) m = 1;
        }
        lastDab = path.b[0];
    } else {
        path.b[0] = state.p1;
        path.b[3] = p;
        lastDab = state.p1;
    }
    LayDabs(state, target, path, lastDab, m, pressure, hard);

    state.previousPressure = pressure;
    state.p0 = state.p1;
    state.p1 = p;
    ++state.count;
    doc.strokeDrawn = true;
}

}  // namespace

const BernsteinWeights& BezierWeights(float t) {
    static const auto table = [] {
        auto* weights = new BernsteinWeights[kBezierSteps];
        for (int i = 0; i < kBezierSteps; ++i) {
            const float u = float(i) / float(kBezierSteps - 1), v = 1.0f - u;
            weights[i] = {{v * v * v, 3 * u * v * v, 3 * u * u * v, u * u * u}};
        }
        return weights;
    }();
    const float clamped = std::clamp(t, 0.0f, 1.0f);
    return table[std::lround(clamped * float(kBezierSteps - 1))];
}

void SelectEraser(PaintTool& tool, bool eraser, bool bottomLayer) {
    if (!eraser) {
        tool.PaintMode = 0;
        tool.paint = tool.primary;
    } else if (bottomLayer) {
        tool.PaintMode = 1;
        tool.paint = tool.secondary;
    } else {
        tool.PaintMode = 2;
        tool.paint = kTransparentWhite;
    }
}

void StrokeSample(StrokeState& state, const StrokeTarget& target, const StrokeInput& in) {
    if (in.pickMode || in.control || in.clickTaken) return;
    Document& doc = target.doc;
    ChooseEraser(state, target, in);
    const bool endTemporaryEraser = state.temporaryEraser && !in.rightButton;

    const StrokePoint v = ViewPoint(in);
    bool drawing = in.leftButton || in.rightButton;
    if (doc.currentLayer == 0 && target.tool.paint.value[3] == 0) drawing = false;
    if (drawing) {
        const float distance = std::hypot(v.x - state.smoothX, v.y - state.smoothY);
        const float k = std::min(0.95f, target.brush.inertia / (distance * in.zoom * 0.035f + 0.3f));
        state.smoothX += (v.x - state.smoothX) * (1.0f - k);
        state.smoothY += (v.y - state.smoothY) * (1.0f - k);
    } else {
        state.smoothX = v.x;
        state.smoothY = v.y;
    }
    const StrokePoint p = ToDocument(in, state.smoothX, state.smoothY, doc.width);
    state.cursor = ToDocument(in, v.x, v.y, doc.width);

    if (drawing && !in.space)
        Draw(state, target, in, p);
    else if (state.count > 0)
        PenUp(state, target);

    if (endTemporaryEraser) {
        state.eraser = false;
        state.temporaryEraser = false;
        SelectEraser(target.tool, false, doc.currentLayer == 0);
    }
}

void EndStroke(StrokeState& state, const StrokeTarget& target) {
    if (state.count > 0) PenUp(state, target);
}

void CancelStroke(StrokeState& state) {
    state.count = 0;
    state.layer = -1;
}
