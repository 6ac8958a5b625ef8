#include "ui/canvas_view.h"

#include <algorithm>
#include <cmath>

#include "image/document.h"
#include "ui/gl_texture.h"
#include "ui/tile_texture.h"
#include "ui/ui_scale.h"

namespace {

constexpr float kRadiansPerDegree = 0.017453292f;
constexpr float kTwoPi = 6.2831853f;
constexpr int kCircleSegments = 64;

bool Inside(float x, float y, float x0, float y0, float x1, float y1) { return x >= x0 && x < x1 && y >= y0 && y < y1; }

ViewPoint Lerp(ViewPoint a, ViewPoint b, float f) { return {a.x + (b.x - a.x) * f, a.y + (b.y - a.y) * f}; }

bool WhiteUnder(const Document& doc, const CanvasTransform& t, ViewPoint window) {
    const ViewPoint d = WindowToCanvas(t, window);
    return ContrastWhite(doc, d.x, d.y);
}

// A closed polyline of document points in the view's unmirrored frame, each
// point coloured by the pixel shown under it.
void AppendCircle(std::vector<OverlayVertex>& lines, const Document& doc, const CanvasTransform& t, ViewPoint centre,
                  float radius, std::vector<ViewPoint>* points) {
    const CanvasTransform view = Unmirrored(t);
    OverlayVertex previous;
    for (int k = 0; k <= kCircleSegments; ++k) {
        const float a = k * kTwoPi / kCircleSegments;
        const ViewPoint d{centre.x + radius * std::cos(a), centre.y + radius * std::sin(a)};
        if (points) points->push_back(d);
        const ViewPoint w = CanvasToWindow(view, d);
        const OverlayVertex v{w.x, w.y, WhiteUnder(doc, t, w)};
        if (k > 0) {
            lines.push_back(previous);
            lines.push_back(v);
        }
        previous = v;
    }
}

void AppendEraserTicks(std::vector<OverlayVertex>& lines, const Document& doc, const CanvasTransform& t,
                       ViewPoint centre, const std::vector<ViewPoint>& outer, float zoom, float brushSize) {
    const float scaled = zoom * brushSize;
    const float factor = scaled > 14 ? 21 / scaled : 1.0f;
    const CanvasTransform view = Unmirrored(t);
    for (int k : {8, 24, 40, 56}) {
        const ViewPoint p = outer[k];
        const float vx = p.x - centre.x, vy = p.y - centre.y;
        const float reach = 0.25f * factor;
        const ViewPoint in = CanvasToWindow(view, {centre.x + vx * (1 - reach), centre.y + vy * (1 - reach)});
        const ViewPoint out = CanvasToWindow(view, {centre.x + vx * (1 + reach), centre.y + vy * (1 + reach)});
        lines.push_back({out.x, out.y, WhiteUnder(doc, t, out)});
        lines.push_back({in.x, in.y, WhiteUnder(doc, t, in)});
    }
}

void AppendBrushOutline(std::vector<OverlayVertex>& lines, const Document& doc, const CanvasTransform& t,
                        const CanvasOverlayInput& in) {
    ViewPoint centre = in.canvasCursor;
    if (in.hardness == 1.0f) {
        // A hard pixel brush covers whole pixels: ring the pixel, not the pointer.
        centre.x = std::floor(centre.x) + 0.5f;
        centre.y = std::floor(centre.y) + 0.5f;
    }
    centre.x -= 0.5f;
    centre.y -= 0.5f;
    std::vector<ViewPoint> outer;
    AppendCircle(lines, doc, t, centre, in.brushRadius - 0.5f, &outer);
    AppendCircle(lines, doc, t, centre, in.brushRadius * (in.hardness + 1) / 2, nullptr);
    if (in.paintMode != 0) AppendEraserTicks(lines, doc, t, centre, outer, t.zoom, in.brushSize);
}

void AppendNavigationCircle(std::vector<OverlayVertex>& lines, const Document& doc, const CanvasTransform& t,
                            int windowWidth, int windowHeight) {
    const float radius = 0.4f * std::min(windowWidth, windowHeight);
    const ViewPoint c{t.centreX, t.centreY};
    auto at = [&](int k, float r) {
        const float a = k * kTwoPi / kCircleSegments + t.rotation * kRadiansPerDegree;
        return ViewPoint{c.x + r * std::cos(a), c.y + r * std::sin(a)};
    };
    for (int k = 0; k < kCircleSegments; ++k) AppendContrastLine(lines, doc, t, at(k, radius), at(k + 1, radius));
    for (int k = 0; k <= kCircleSegments; k += 16) AppendContrastLine(lines, doc, t, at(k, radius * 0.25f), at(k, radius));
}

void DrawQuad(const TileQuad& q) {
    glTexCoord2f(q.s0, q.t0);
    glVertex2f(q.x0, q.y0);
    glTexCoord2f(q.s0, q.t1);
    glVertex2f(q.x0, q.y1);
    glTexCoord2f(q.s1, q.t1);
    glVertex2f(q.x1, q.y1);
    glTexCoord2f(q.s1, q.t0);
    glVertex2f(q.x1, q.y0);
}

void DrawTile(LayerTile& stack, const TileQuad& quad, bool smooth) {
    RenderTile(stack, smooth);
    glBegin(GL_QUADS);
    DrawQuad(quad);
    glEnd();
}

void FillBox(float x0, float y0, float x1, float y1) {
    glBegin(GL_QUADS);
    glVertex2f(x0, y0);
    glVertex2f(x0, y1);
    glVertex2f(x1, y1);
    glVertex2f(x1, y0);
    glEnd();
}

// A one-pixel outline just inside the box's pixels.
void OutlineBox(float x0, float y0, float x1, float y1) {
    glBegin(GL_LINE_LOOP);
    glVertex2f(x0 + 0.5f, y0 + 0.5f);
    glVertex2f(x1 - 0.5f, y0 + 0.5f);
    glVertex2f(x1 - 0.5f, y1 - 0.5f);
    glVertex2f(x0 + 0.5f, y1 - 0.5f);
    glEnd();
}

void DrawOverlayLines(const std::vector<OverlayVertex>& lines) {
    if (lines.empty()) return;
    glBegin(GL_LINES);
    for (const OverlayVertex& v : lines) {
        const float c = v.white ? 1.0f : 0.0f;
        glColor3f(c, c, c);
        glVertex2f(v.x, v.y);
    }
    glEnd();
    glColor4f(1, 1, 1, 1);
}

void DrawOverview(const OverviewState& o, const OverviewFrame& f) {
    const OverviewLayout& l = f.layout;
    glLoadIdentity();
    if (f.drawPicture && o.textureCreated) {
        const bool blend = f.alpha < 1;
        if (blend) {
            glEnable(GL_BLEND);
            glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
        }
        glEnable(GL_TEXTURE_2D);
        glBindTexture(GL_TEXTURE_2D, o.texture);
        glColor4f(1, 1, 1, f.alpha);
        glBegin(GL_QUADS);
        glTexCoord2f(0, 1);
        glVertex2f(l.x0, l.y0);
        glTexCoord2f(0, l.t1);
        glVertex2f(l.x0, l.y1);
        glTexCoord2f(l.s1, l.t1);
        glVertex2f(l.x1, l.y1);
        glTexCoord2f(l.s1, 1);
        glVertex2f(l.x1, l.y0);
        glEnd();
        glDisable(GL_TEXTURE_2D);
        glColor4f(0, 0, 0, f.alpha);
        OutlineBox(l.x0, l.y0, l.x1, l.y1);
        if (blend) glDisable(GL_BLEND);
    }

    // Show/hide button: the arrow points the way the picture will move.
    const float grey = f.buttonHot ? 0.8f : 0.9f;
    glColor3f(grey, grey, grey);
    FillBox(l.buttonX0, l.buttonY0, l.buttonX1, l.buttonY1);
    glColor3f(0, 0, 0);
    OutlineBox(l.buttonX0, l.buttonY0, l.buttonX1, l.buttonY1);
    const float mx = (l.buttonX0 + l.buttonX1) / 2;
    glBegin(GL_TRIANGLES);
    if (o.show) {
        glVertex2f(mx - 4, l.buttonY1 - 3);
        glVertex2f(mx, l.buttonY0 + 3);
        glVertex2f(mx + 4, l.buttonY1 - 3);
    } else {
        glVertex2f(mx - 4, l.buttonY0 + 3);
        glVertex2f(mx + 4, l.buttonY0 + 3);
        glVertex2f(mx, l.buttonY1 - 3);
    }
    glEnd();

    if (f.showGrip) {
        const float g = f.gripHot ? 0.8f : 0.9f;
        glColor3f(g, g, g);
        FillBox(l.gripX0, l.gripY0, l.gripX1, l.gripY1);
        glColor3f(0, 0, 0);
        OutlineBox(l.gripX0, l.gripY0, l.gripX1, l.gripY1);
        glBegin(GL_LINES);
        for (float x = l.gripX0 + 5; x < l.gripX1 - 3; x += 4) {
            glVertex2f(x, l.gripY0 + 3.5f);
            glVertex2f(x + 4, l.gripY0 + 3.5f);
            glVertex2f(x, l.gripY0 + 6.5f);
            glVertex2f(x + 4, l.gripY0 + 6.5f);
        }
        glEnd();
    }
    glColor4f(1, 1, 1, 1);
}

void WindowProjection(int width, int height) {
    glViewport(0, 0, width, height);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(0, width, height, 0, 1, -1);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
}

// Redraws the overview picture in the lower left corner of the back buffer
// and copies it (or one band of it) into the overview texture. Runs before
// the frame is cleared.
void UpdateOverviewTexture(CanvasView& view, Document& doc, int windowWidth, int windowHeight, bool full) {
    OverviewState& o = view.overview;
    const int side = kOverviewTextureSide;
    glViewport(0, 0, side, side);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(0, side, side, 0, 1, -1);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glDisable(GL_BLEND);
    glColor4f(1, 1, 1, 1);
    glEnable(GL_TEXTURE_2D);

    // What is not redrawn below keeps its old picture.
    if (o.textureCreated) {
        glBindTexture(GL_TEXTURE_2D, o.texture);
        glBegin(GL_QUADS);
        glTexCoord2f(0, 1);
        glVertex2f(0, 0);
        glTexCoord2f(0, 0);
        glVertex2f(0, side);
        glTexCoord2f(1, 0);
        glVertex2f(side, side);
        glTexCoord2f(1, 1);
        glVertex2f(side, 0);
        glEnd();
    }

    if (doc.width > 0 && doc.height > 0) {
        const float scale = std::min(static_cast<float>(side) / doc.height, static_cast<float>(side) / doc.width) * 1.01f;
        glScalef(scale, scale, 1);
        const int count = static_cast<int>(doc.stacks.size());
        const TileSpan span = OverviewRefreshSpan(count, full, o.nextTile);
        for (int i = 0; i < span.count; ++i) {
            LayerTile* stack = doc.stacks[(span.first + i) % count];
            TileQuad quad;
            if (!stack || !ClipTileQuad(stack->x0, stack->y0, stack->x1, stack->y1, doc.width, doc.height, quad)) continue;
            DrawTile(*stack, quad, view.smooth);
        }
    }

    if (!o.textureCreated) {
        o.texture = NewEdgeClampedTexture();
        o.textureCreated = true;
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
        glCopyTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, 0, 0, side, side, 0);
    } else {
        glBindTexture(GL_TEXTURE_2D, o.texture);
        if (full) {
            glCopyTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, 0, 0, side, side);
        } else {
            const int band = side / 4;
            glCopyTexSubImage2D(GL_TEXTURE_2D, 0, 0, o.band * band, 0, o.band * band, side, band);
            o.band = (o.band + 1) % 4;
        }
    }
    glDisable(GL_TEXTURE_2D);
    WindowProjection(windowWidth, windowHeight);
}

}  // namespace

CanvasTransform MakeCanvasTransform(int windowWidth, int windowHeight, float zoom, float offsetX, float offsetY,
                                    float rotationDegrees, bool mirrored, int documentWidth) {
    CanvasTransform t;
    t.centreX = static_cast<float>(windowWidth / 2) + 0.5f;
    t.centreY = static_cast<float>(windowHeight / 2) + 0.5f;
    t.zoom = zoom;
    t.offsetX = offsetX;
    t.offsetY = offsetY;
    t.rotation = rotationDegrees;
    t.cosine = std::cos(rotationDegrees * kRadiansPerDegree);
    t.sine = std::sin(rotationDegrees * kRadiansPerDegree);
    t.mirrored = mirrored;
    t.mirrorEdge = static_cast<float>(documentWidth - 1);
    return t;
}

ViewPoint CanvasToWindow(const CanvasTransform& t, ViewPoint d) {
    if (t.mirrored) d.x = t.mirrorEdge - d.x;
    const float rx = d.x * t.cosine - d.y * t.sine;
    const float ry = d.x * t.sine + d.y * t.cosine;
    return {t.centreX + t.zoom * (t.offsetX + rx), t.centreY + t.zoom * (t.offsetY + ry)};
}

ViewPoint WindowToCanvas(const CanvasTransform& t, ViewPoint w) {
    const float vx = (w.x - t.centreX) / t.zoom - t.offsetX;
    const float vy = (w.y - t.centreY) / t.zoom - t.offsetY;
    ViewPoint d{vx * t.cosine + vy * t.sine, -vx * t.sine + vy * t.cosine};
    if (t.mirrored) d.x = t.mirrorEdge - d.x;
    return d;
}

void CanvasMatrix(const CanvasTransform& t, float m[16]) {
    // Columns: images of the document's x and y axes, z, and the origin.
    const float flip = t.mirrored ? -1.0f : 1.0f;
    const float shift = t.mirrored ? t.mirrorEdge : 0.0f;
    const float values[16] = {t.zoom * t.cosine * flip,
                              t.zoom * t.sine * flip,
                              0,
                              0,
                              -t.zoom * t.sine,
                              t.zoom * t.cosine,
                              0,
                              0,
                              0,
                              0,
                              1,
                              0,
                              t.centreX + t.zoom * (t.offsetX + shift * t.cosine),
                              t.centreY + t.zoom * (t.offsetY + shift * t.sine),
                              0,
                              1};
    std::copy(values, values + 16, m);
}

CanvasTransform Unmirrored(CanvasTransform t) {
    t.mirrored = false;
    return t;
}

bool ClipTileQuad(int tileX0, int tileY0, int tileX1, int tileY1, int documentWidth, int documentHeight,
                  TileQuad& q) {
    const int x0 = std::max(tileX0, 0), x1 = std::min(tileX1, documentWidth - 1);
    const int y0 = std::max(tileY0, 0), y1 = std::min(tileY1, documentHeight - 1);
    if (x0 >= x1 || y0 >= y1) return false;
    const float w = static_cast<float>(tileX1 - tileX0), h = static_cast<float>(tileY1 - tileY0);
    q.x0 = static_cast<float>(x0);
    q.y0 = static_cast<float>(y0);
    q.x1 = static_cast<float>(x1);
    q.y1 = static_cast<float>(y1);
    q.s0 = (x0 - tileX0) / w + 0.5f / w;
    q.s1 = (x1 - tileX0) / w + 0.5f / w;
    q.t0 = (y0 - tileY0) / h + 0.5f / h;
    q.t1 = (y1 - tileY0) / h + 0.5f / h;
    return true;
}

bool TileQuadVisible(const CanvasTransform& t, const TileQuad& q, int windowWidth, int windowHeight) {
    const ViewPoint corners[4] = {CanvasToWindow(t, {q.x0, q.y0}), CanvasToWindow(t, {q.x1, q.y0}),
                                  CanvasToWindow(t, {q.x0, q.y1}), CanvasToWindow(t, {q.x1, q.y1})};
    float minX = corners[0].x, maxX = corners[0].x, minY = corners[0].y, maxY = corners[0].y;
    for (const ViewPoint& c : corners) {
        minX = std::min(minX, c.x);
        maxX = std::max(maxX, c.x);
        minY = std::min(minY, c.y);
        maxY = std::max(maxY, c.y);
    }
    // The bounding box of a turned quad is larger than the quad: at worst a
    // tile near a corner is drawn needlessly.
    return maxX >= 0 && minX <= windowWidth && maxY >= 0 && minY <= windowHeight;
}

bool ContrastWhite(const Document& doc, float x, float y) {
    const float rx = std::floor(x + 0.5f), ry = std::floor(y + 0.5f);
    if (!(rx >= -1 && ry >= -1) || rx > 1e6f || ry > 1e6f) return false;  // off every tile: white paper
    const int px = static_cast<int>(rx), py = static_cast<int>(ry);
    // The first column whose square [step j - 1, step j + side - 1) holds px.
    const int column = px < kTileSide - 1 ? 0 : (px - (kTileSide - 1)) / kTileStep + 1;
    const int row = py < kTileSide - 1 ? 0 : (py - (kTileSide - 1)) / kTileStep + 1;
    if (column >= doc.columns || row >= doc.rows) return false;
    const size_t index = static_cast<size_t>(row) * doc.columns + column;
    if (index >= doc.stacks.size() || !doc.stacks[index]) return false;
    const LayerTile& tile = *doc.stacks[index];
    if (!tile.texturePixels || px < tile.x0 || py < tile.y0 || px >= tile.x0 + tile.side || py >= tile.y0 + tile.side)
        return false;
    const uint8_t* p = tile.texturePixels + (static_cast<size_t>(py - tile.y0) * tile.side + (px - tile.x0)) * 4;
    return 2 * p[0] + 3 * p[1] + p[2] < 763;
}

int ContrastPieces(float screenLength) {
    const float rounded = std::round(screenLength);
    if (!(rounded >= 0)) return 0;
    // Far beyond any window: the line is useless, and the count must not run away.
    const int length = static_cast<int>(std::min(rounded, 1e6f));
    return length > 4 ? length / 4 : length;
}

void AppendContrastLine(std::vector<OverlayVertex>& lines, const Document& doc, const CanvasTransform& t, ViewPoint a,
                        ViewPoint b) {
    const int pieces = ContrastPieces(std::hypot(b.x - a.x, b.y - a.y));
    if (pieces <= 0) return;
    OverlayVertex previous;
    for (int k = 0; k <= pieces; ++k) {
        const ViewPoint p = Lerp(a, b, static_cast<float>(k) / pieces);
        const OverlayVertex v{p.x, p.y, WhiteUnder(doc, t, p)};
        if (k > 0) {
            lines.push_back(previous);
            lines.push_back(v);
        }
        previous = v;
    }
}

std::vector<OverlayVertex> CanvasOverlayLines(const Document& doc, const CanvasTransform& t,
                                              const CanvasOverlayInput& in, int windowWidth, int windowHeight) {
    std::vector<OverlayVertex> lines;
    const bool modifier = in.altHeld || in.controlHeld;

    if (in.shiftHeld && !modifier && !in.leftButton && !in.navigating && in.strokeDrawn) {
        // The stroke's end lies on the document itself; the cursor in the view's frame.
        const ViewPoint from = CanvasToWindow(t, {in.lastPainted.x - 0.5f, in.lastPainted.y - 0.5f});
        const ViewPoint to = CanvasToWindow(Unmirrored(t), {in.canvasCursor.x - 0.5f, in.canvasCursor.y - 0.5f});
        AppendContrastLine(lines, doc, t, from, to);
    }

    if (in.cursorHidden && !in.brushCircleMarksPointer && in.pointerX >= 0) {
        const float x = in.pointerX + 0.5f, y = in.pointerY + 0.5f;
        AppendContrastLine(lines, doc, t, {x, y - 6}, {x, y + 7});
        AppendContrastLine(lines, doc, t, {x - 6, y}, {x + 7, y});
    }

    if (in.pointerInBrushShapeSquare ||
        (in.pointerInWindow && !modifier && !in.navigating && !in.pointerOverInterface))
        AppendBrushOutline(lines, doc, t, in);

    if (in.navigating) AppendNavigationCircle(lines, doc, t, windowWidth, windowHeight);
    return lines;
}

float SlideStep(float slide, bool show) {
    slide = show ? 1 - (1 - slide) * 0.85f : slide * 0.85f;
    return slide >= 0.995f ? 1.0f : slide;
}

OverviewLayout LayoutOverview(int windowWidth, int overviewSize, int documentWidth, int documentHeight, float slide) {
    OverviewLayout l;
    const float w = static_cast<float>(std::max(documentWidth, 1));
    const float h = static_cast<float>(std::max(documentHeight, 1));
    const float right = static_cast<float>(windowWidth);
    l.height = static_cast<float>(overviewSize);
    l.width = w * (l.height / h);
    l.x0 = right - l.width;
    l.x1 = right;
    l.y0 = -(1 - slide) * l.height;
    l.y1 = slide * l.height;
    const float longest = std::max(w, h);
    l.s1 = w / longest;
    l.t1 = 1 - h / longest;
    l.buttonX0 = l.x0 - 20;
    l.buttonX1 = l.x0;
    l.gripX0 = right - 21;
    l.gripX1 = right - 1;
    l.gripY0 = l.height;
    l.gripY1 = l.height + 10;
    return l;
}

OverviewFrame StepOverview(OverviewState& o, const OverviewPointer& p, int windowWidth, int documentWidth,
                           int documentHeight) {
    OverviewFrame f;
    o.slide = SlideStep(o.slide, o.show);
    f.layout = LayoutOverview(windowWidth, o.size, documentWidth, documentHeight, o.slide);
    const OverviewLayout& l = f.layout;
    const float px = static_cast<float>(p.x), py = static_cast<float>(p.y);
    const bool dragging = o.dragStartY >= 0;

    if (!o.show && o.slide <= 0.01f) {
        o.fade = 1;
        o.hoverLatch = false;
    } else {
        if (!dragging && Inside(px, py, l.x0, 0, l.x1, l.height)) {
            o.hoverLatch = true;
            o.fade -= 0.1f;
        } else if (o.hoverLatch) {
            o.fade -= 0.1f;
        } else {
            o.fade += 0.025f;
        }
        if (o.fade < -2) {
            o.fade = -2;
            o.hoverLatch = false;
        }
        if (o.fade > 1) o.fade = 1;
        f.drawPicture = o.fade > 0;
        f.alpha = o.fade * o.slide;
    }

    if (!p.overMenuBar && Inside(px, py, l.buttonX0, l.buttonY0, l.buttonX1, l.buttonY1)) {
        f.buttonHot = true;
        f.tooltip = "Show/hide canvas overview";
        f.pointerOverInterface = true;
        if (p.clicked) o.show = !o.show;
    }

    if (dragging) {
        if (p.down) {
            o.size = std::clamp(o.dragStartSize - o.dragStartY + p.y, kMinOverviewSize, kMaxOverviewSize);
        } else {
            o.dragStartY = -1;
        }
    }
    if (o.slide == 1) {
        f.showGrip = true;
        const bool overGrip = Inside(px, py, l.gripX0, l.gripY0, l.gripX1, l.gripY1);
        if (overGrip && p.clicked && o.dragStartY < 0) {
            o.dragStartSize = o.size;
            o.dragStartY = p.y;
        }
        if (overGrip || o.dragStartY >= 0) {
            f.gripHot = true;
            f.tooltip = "Resize overview image";
            f.pointerOverInterface = true;
        }
    }
    return f;
}

TileSpan OverviewRefreshSpan(int tileCount, bool full, int& nextTile) {
    if (tileCount <= 0) {
        nextTile = 0;
        return {};
    }
    // A smaller document may have replaced the one the position was left in.
    if (nextTile < 0 || nextTile >= tileCount) nextTile = 0;
    if (full || tileCount < kOverviewTilesPerFrame) return {0, tileCount};
    const TileSpan span{nextTile, kOverviewTilesPerFrame};
    nextTile = (nextTile + kOverviewTilesPerFrame) % tileCount;
    return span;
}

CanvasFrameResult DrawCanvasView(CanvasView& view, Document& doc, const CanvasFrameInput& in) {
    const CanvasOverlayInput& ov = in.overlay;
    OverviewPointer pointer;
    pointer.x = ov.pointerX;
    pointer.y = ov.pointerY;
    pointer.down = ov.leftButton;
    pointer.clicked = ov.leftButton && !view.wasDown;
    pointer.overMenuBar = in.pointerOverMenuBar;
    view.wasDown = ov.leftButton;

    if (view.overview.show) {
        UpdateOverviewTexture(view, doc, in.windowWidth, in.windowHeight, view.overview.fullRefresh);
        view.overview.fullRefresh = false;
    }

    // The interface drew the last frame in its own units: the canvas draws in
    // window pixels.
    WindowProjection(in.windowWidth, in.windowHeight);
    glClear(GL_COLOR_BUFFER_BIT);
    glEnable(GL_TEXTURE_2D);
    glColor4f(1, 1, 1, 1);
    glMatrixMode(GL_MODELVIEW);
    float matrix[16];
    CanvasMatrix(in.transform, matrix);
    glLoadMatrixf(matrix);
    for (LayerTile* stack : doc.stacks) {
        TileQuad quad;
        if (!stack || !ClipTileQuad(stack->x0, stack->y0, stack->x1, stack->y1, doc.width, doc.height, quad)) continue;
        // Off-screen tiles keep their pending upload until they come into view.
        if (!TileQuadVisible(in.transform, quad, in.windowWidth, in.windowHeight)) continue;
        DrawTile(*stack, quad, view.smooth);
    }
    glDisable(GL_TEXTURE_2D);

    glLoadIdentity();
    view.overlay = CanvasOverlayLines(doc, in.transform, ov, in.windowWidth, in.windowHeight);
    DrawOverlayLines(view.overlay);

    // The overview's picture, button and grip belong to the interface: they
    // are laid out, hit and drawn in its units.
    const int scale = UiScale();
    pointer.x = LogicalFromWindow(pointer.x, scale);
    pointer.y = LogicalFromWindow(pointer.y, scale);
    InterfaceProjection(in.windowWidth, in.windowHeight, scale);
    glLineWidth(scale / 100.0f);
    const OverviewFrame frame =
        StepOverview(view.overview, pointer, LogicalSize(in.windowWidth, scale), doc.width, doc.height);
    DrawOverview(view.overview, frame);
    glLineWidth(1);

    CanvasFrameResult result;
    result.tooltip = frame.tooltip;
    result.pointerOverInterface = frame.pointerOverInterface;
    return result;
}
