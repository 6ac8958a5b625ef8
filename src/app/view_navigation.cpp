#include "app/view_navigation.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr float kRadiansPerDegree = 0.017453292f;
constexpr float kDegreesPerRadian = 57.295784f;

constexpr float kZoomEasing = 0.3f;
constexpr float kViewResetEasing = 0.25f;
constexpr float kViewResetSnapDistance = 1.5f;
constexpr float kRotationResetSnapDegrees = 0.5f;
constexpr float kScrollEasing = 0.6f;
constexpr float kNavigationCircleShare = 0.4f;

Float3 Sub(Float3 a, Float3 b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
Float3 Add(Float3 a, Float3 b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
Float3 Neg(Float3 a) { return {-a.x, -a.y, -a.z}; }
Float3 Lift(Float2 a) { return {a.x, a.y, 0}; }

Float3 HomeOffset(int canvasWidth, int canvasHeight) {
    return {static_cast<float>(-(canvasWidth / 2)), static_cast<float>(-(canvasHeight / 2)), 0};
}

// Brings an angle to -180..180 so that easing it to 0 turns the short way.
// A whole-turn reduction first keeps any angle in range, not only 0..360.
float ShortWayAngle(float degrees) {
    float a = std::fmod(degrees, 360.0f);
    if (a > 180) a -= 360;
    if (a < -180) a += 360;
    return a;
}

float WrapTurn(float degrees) {
    float a = std::fmod(degrees, 360.0f);
    if (a < 0) a += 360;
    return a;
}

// The canvas point at the window centre, as a vector from the view origin.
Float3 CentrePivot(const ViewState& view) { return RotateVector(Neg(view.viewOffset), -view.viewRotation); }

// Sets the rotation while keeping pivot (a canvas point) where it is on screen.
void TurnAbout(ViewState& view, Float3 pivot, float rotation) {
    Float3 before = RotateVector(pivot, view.viewRotation);
    view.viewRotation = rotation;
    Float3 after = RotateVector(pivot, view.viewRotation);
    view.viewOffset = Sub(view.viewOffset, Sub(after, before));
}

float MouseAngle(Float2 s) {
    float r = std::sqrt(s.x * s.x + s.y * s.y);
    float cosine = r > 0 ? std::clamp(s.x / r, -1.0f, 1.0f) : 0.0f;
    float angle = std::acos(cosine) * kDegreesPerRadian;
    return s.y < 0 ? -angle : angle;
}

}  // namespace

Float3 RotateVector(Float3 v, float degrees) {
    float a = degrees * kRadiansPerDegree;
    float c = std::cos(a), s = std::sin(a);
    return {v.x * c - v.y * s, v.x * s + v.y * c, v.z};
}

void ResetView(ViewState& view, int canvasWidth, int canvasHeight) {
    view.viewOffset = HomeOffset(canvasWidth, canvasHeight);
    view.viewRotation = 0;
    view.zoomStep = kHomeZoomStep;
    view.zoomFactor = 1;
    view.zoomTarget = 1;
    view.mirrored = false;
}

float ZoomTarget(int step) {
    if (step == kHomeZoomStep) return 1;
    float e = 1 + (step - kHomeZoomStep) * 0.05f;
    return std::pow(2.0f, e * e) - 1;
}

void MouseToCanvas(ViewState& view, const ViewInput& in) {
    Float2 m{static_cast<float>(in.mouseX - in.windowWidth / 2), static_cast<float>(in.mouseY - in.windowHeight / 2)};
    view.mouseOffset = Lift(m);

    // A still mouse gets half of its last movement once, which hides a pass
    // of input lag; after that it stays put.
    if (m.x == view.previousMouse.x && m.y == view.previousMouse.y && !view.previousPredicted) {
        m.x = view.previousMouse.x + (view.previousMouse.x - view.mouseBeforePrevious.x) * 0.5f;
        m.y = view.previousMouse.y + (view.previousMouse.y - view.mouseBeforePrevious.y) * 0.5f;
        view.previousPredicted = true;
    } else {
        view.mouseBeforePrevious = view.previousMouse;
        view.previousMouse = m;
        view.previousPredicted = false;
    }

    Float2 s{m.x / view.zoomFactor, m.y / view.zoomFactor};
    view.mouseViewPosition = s;
    Float3 c = RotateVector(Sub(Lift(s), view.viewOffset), -view.viewRotation);
    c.x += 0.5f;
    c.y += 0.5f;
    view.canvasPoint = c;
    // Alt shows the brush settings at the pointer; the cursor stays where it was.
    if (!in.altHeld) view.canvasCursor = c;
}

Float3 ToolCanvasPoint(const ViewState& view, int canvasWidth) {
    Float3 c = view.canvasPoint;
    if (view.mirrored) c.x = canvasWidth - c.x;
    return c;
}

void ApplyZoomKeys(ViewState& view, const ViewInput& in) {
    bool any = in.numpadPlus || in.numpadMinus || in.numpadStar || in.fitKey;
    bool pressed = any && !view.zoomKeysHeld;
    view.zoomKeysHeld = any;
    if (pressed) {
        // The wheel moves by 2, so the step can lie off the grid of fours
        // around 100 %; a key step that would jump over 100 % lands on it.
        if (in.numpadPlus) {
            view.zoomStep += 4;
            if (view.zoomStep == 22) view.zoomStep = kHomeZoomStep;
        }
        if (in.numpadMinus) {
            view.zoomStep -= 4;
            if (view.zoomStep == 18) view.zoomStep = kHomeZoomStep;
        }
        if (in.numpadStar || in.fitKey) {
            view.zoomStep = in.fitKey ? FitZoomStep(in.canvasWidth, in.canvasHeight, in.windowWidth, in.windowHeight)
                                      : kHomeZoomStep;
            view.viewResetFrames = kViewResetFrames;
            view.rotationResetFrames = kRotationResetFrames;
        }
    }
    if (!in.altHeld) view.zoomStep += 2 * in.wheel;
}

int FitZoomStep(int canvasWidth, int canvasHeight, int windowWidth, int windowHeight) {
    for (int step = kMaxZoomStep; step > kMinZoomStep; step -= 2) {
        const float z = ZoomTarget(step);
        if (z * float(canvasWidth) <= float(windowWidth) && z * float(canvasHeight) <= float(windowHeight)) return step;
    }
    return kMinZoomStep;
}

void UpdateZoom(ViewState& view) {
    view.zoomStep = std::clamp(view.zoomStep, kMinZoomStep, kMaxZoomStep);
    view.zoomTarget = ZoomTarget(view.zoomStep);
    float z = view.zoomFactor * (1 - kZoomEasing) + view.zoomTarget * kZoomEasing;
    if (std::fabs(z / view.zoomTarget - 1) < 0.001f) z = view.zoomTarget;
    view.zoomFactor = z;
}

void StepViewReset(ViewState& view, int canvasWidth, int canvasHeight) {
    if (view.viewResetFrames <= 0) return;
    Float3 home = HomeOffset(canvasWidth, canvasHeight);
    view.viewOffset.x += (home.x - view.viewOffset.x) * kViewResetEasing;
    view.viewOffset.y += (home.y - view.viewOffset.y) * kViewResetEasing;
    view.viewOffset.z += (home.z - view.viewOffset.z) * kViewResetEasing;
    --view.viewResetFrames;
    float dx = home.x - view.viewOffset.x, dy = home.y - view.viewOffset.y;
    bool arrived = std::sqrt(dx * dx + dy * dy) < kViewResetSnapDistance || view.viewResetFrames <= 0;
    if (!arrived) return;
    // The rotation reset runs after this step in the same pass and moves the
    // offset as it turns; ending here while it still runs would leave the
    // canvas away from home. Keep easing until the rotation is done.
    if (view.rotationResetFrames > 0) {
        view.viewResetFrames = std::max(view.viewResetFrames, 1);
        return;
    }
    view.viewOffset = home;
    view.viewResetFrames = 0;
}

void TriggerRotationReset(ViewState& view, const ViewInput& in) {
    if (in.spaceHeld && in.shiftHeld) view.rotationResetFrames = kRotationResetFrames;
}

void StepRotationReset(ViewState& view) {
    if (view.rotationResetFrames <= 0) return;
    view.viewRotation = ShortWayAngle(view.viewRotation);
    if (view.rotationResetFrames == kRotationResetFrames) view.rotationPivot = CentrePivot(view);
    float r = view.viewRotation;
    r *= 0.6f + 0.4f * std::sqrt(std::fabs(r) * 0.005f);
    --view.rotationResetFrames;
    if (std::fabs(r) < kRotationResetSnapDegrees || view.rotationResetFrames <= 0) {
        r = 0;
        view.rotationResetFrames = 0;
    }
    TurnAbout(view, view.rotationPivot, r);
}

void MirrorView(ViewState& view, int canvasWidth) {
    view.mirrored = !view.mirrored;
    // Reflect the viewpoint across the canvas's vertical centre line.
    Float3 q = RotateVector(view.viewOffset, -view.viewRotation);
    q.x += static_cast<float>(canvasWidth / 2);
    q.y = 0;
    q = RotateVector(q, view.viewRotation);
    view.viewOffset.x -= 2 * q.x;
    view.viewOffset.y -= 2 * q.y;
    view.viewOffset.z -= 2 * q.z;
    // A mirrored picture turns the other way.
    view.viewRotation = ShortWayAngle(view.viewRotation);
    TurnAbout(view, CentrePivot(view), -view.viewRotation);
}

bool ApplyMirrorKey(ViewState& view, const ViewInput& in) {
    bool pressed = in.fHeld && !view.mirrorKeyHeld;
    view.mirrorKeyHeld = in.fHeld;
    if (!pressed || in.spaceHeld) return false;
    MirrorView(view, in.canvasWidth);
    return true;
}

float NavigationCircleRadius(const ViewState& view, int windowWidth, int windowHeight) {
    return static_cast<float>(std::min(windowWidth, windowHeight)) / view.zoomFactor * kNavigationCircleShare;
}

bool InsideNavigationCircle(const ViewState& view, int windowWidth, int windowHeight) {
    Float2 s = view.mouseViewPosition;
    return std::sqrt(s.x * s.x + s.y * s.y) < NavigationCircleRadius(view, windowWidth, windowHeight);
}

void UpdateSpaceNavigation(ViewState& view, const ViewInput& in) {
    const bool spaceDrag = in.spaceHeld && in.leftButton;
    if (!spaceDrag && !in.middleButton) {
        view.navigationMode = kNavigationNone;
        return;
    }
    Float2 s = view.mouseViewPosition;
    if (view.navigationMode == kNavigationNone) {
        view.dragMouse = s;
        view.grabVector = RotateVector(Sub(view.viewOffset, Lift(s)), -view.viewRotation);
        if (!spaceDrag || InsideNavigationCircle(view, in.windowWidth, in.windowHeight)) {
            view.navigationMode = kNavigationScrolling;
        } else if (view.rotationResetFrames == 0) {
            view.navigationMode = kNavigationRotating;
            view.dragPivot = CentrePivot(view);
            view.angleOffset = view.viewRotation - MouseAngle(s);
        }
    }
    if (view.navigationMode == kNavigationScrolling) {
        view.dragMouse.x = kScrollEasing * s.x + (1 - kScrollEasing) * view.dragMouse.x;
        view.dragMouse.y = kScrollEasing * s.y + (1 - kScrollEasing) * view.dragMouse.y;
        view.viewOffset = Add(RotateVector(view.grabVector, view.viewRotation), Lift(view.dragMouse));
    } else if (view.navigationMode == kNavigationRotating) {
        TurnAbout(view, view.dragPivot, WrapTurn(MouseAngle(s) + view.angleOffset));
    }
}

bool NavigationCircleShows(const ViewState& view, bool spaceHeld) {
    return spaceHeld || view.navigationMode != kNavigationNone;
}

void SnapViewOffset(ViewState& view) {
    if (view.zoomFactor == 1.0f && view.viewRotation == 0.0f && view.viewResetFrames == 0) {
        view.viewOffset.x = std::floor(view.viewOffset.x);
        view.viewOffset.y = std::floor(view.viewOffset.y);
    }
}

ViewTransform MakeViewTransform(const ViewState& view, int windowWidth, int windowHeight, int canvasWidth) {
    ViewTransform t;
    t.centreX = static_cast<float>(windowWidth / 2) + 0.5f;
    t.centreY = static_cast<float>(windowHeight / 2) + 0.5f;
    t.zoom = view.zoomFactor;
    t.offsetX = view.viewOffset.x;
    t.offsetY = view.viewOffset.y;
    float a = view.viewRotation * kRadiansPerDegree;
    t.cosine = std::cos(a);
    t.sine = std::sin(a);
    t.mirrored = view.mirrored;
    t.mirrorEdge = static_cast<float>(canvasWidth - 1);
    return t;
}

Float2 DocumentToWindow(const ViewTransform& t, Float2 d) {
    if (t.mirrored) d.x = t.mirrorEdge - d.x;
    float rx = d.x * t.cosine - d.y * t.sine;
    float ry = d.x * t.sine + d.y * t.cosine;
    return {t.centreX + t.zoom * (t.offsetX + rx), t.centreY + t.zoom * (t.offsetY + ry)};
}

Float2 WindowToDocument(const ViewTransform& t, Float2 w) {
    float vx = (w.x - t.centreX) / t.zoom - t.offsetX;
    float vy = (w.y - t.centreY) / t.zoom - t.offsetY;
    Float2 d{vx * t.cosine + vy * t.sine, -vx * t.sine + vy * t.cosine};
    if (t.mirrored) d.x = t.mirrorEdge - d.x;
    return d;
}

void ViewMatrix(const ViewTransform& t, float m[16]) {
    // Columns: images of the document's x and y axes, z, and the origin.
    float flip = t.mirrored ? -1.0f : 1.0f;
    float shift = t.mirrored ? t.mirrorEdge : 0.0f;
    float xx = t.zoom * t.cosine * flip, xy = t.zoom * t.sine * flip;
    float yx = -t.zoom * t.sine, yy = t.zoom * t.cosine;
    float ox = t.centreX + t.zoom * (t.offsetX + shift * t.cosine);
    float oy = t.centreY + t.zoom * (t.offsetY + shift * t.sine);
    const float values[16] = {xx, xy, 0, 0, yx, yy, 0, 0, 0, 0, 1, 0, ox, oy, 0, 1};
    std::copy(values, values + 16, m);
}
