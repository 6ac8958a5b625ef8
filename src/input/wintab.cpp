// The tablet through Wintab32.dll. The library is loaded at run time so the
// program starts without a tablet driver; every packet becomes a pen sample
// as its message arrives, so fast strokes are not thinned by the frame rate.
#include "input/wintab.h"

#include <cmath>
#include <cstdio>
#include <cstring>

#include "input/wintab_api.h"
#include "input/wintab_pressure.h"
#include "platform/log.h"
#include "platform/tablet.h"
#include "platform/win32/gl_window.h"

namespace {

using namespace wintab;

constexpr int kQueuePackets = 64;
constexpr int kButtonMapSize = 32;

HMODULE library = nullptr;
WTInfoAFunc infoA = nullptr;
WTGetAFunc getA = nullptr;
WTOpenAFunc openA = nullptr;
WTCloseFunc closeContext = nullptr;
WTQueueSizeSetFunc queueSizeSet = nullptr;
WTPacketsGetFunc packetsGet = nullptr;
WTDataPeekFunc dataPeek = nullptr;

HCTX context = nullptr;
Packet packets[kQueuePackets];
PenState pen;
platform::PenSampleHandler sampleHandler = nullptr;

// The diagnostic log (when switched on) shows every sample the tablet sends.
void LogSample(const platform::PenSample& sample) {
    LogLine("pen sample x=%li y=%li pressure=%li", std::lround(sample.x), std::lround(sample.y),
            std::lround(sample.pressure * 255.0f));
}

template <typename Function>
bool LookUp(Function& function, const char* name) {
    function = reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(library, name)));
    return function != nullptr;
}

void UnloadWintab() {
    if (library) FreeLibrary(library);
    library = nullptr;
    infoA = nullptr;
    getA = nullptr;
    openA = nullptr;
    closeContext = nullptr;
    queueSizeSet = nullptr;
    packetsGet = nullptr;
    dataPeek = nullptr;
}

bool LoadWintab() {
    library = LoadLibraryA("Wintab32.dll");
    if (!library) return false;
    if (LookUp(infoA, "WTInfoA") && LookUp(getA, "WTGetA") && LookUp(openA, "WTOpenA") &&
        LookUp(closeContext, "WTClose") && LookUp(queueSizeSet, "WTQueueSizeSet") &&
        LookUp(packetsGet, "WTPacketsGet") && LookUp(dataPeek, "WTDataPeek"))
        return true;
    UnloadWintab();
    return false;
}

HCTX OpenTabletContext(HWND window, HINSTANCE instance) {
    LOGCONTEXTA settings{};
    infoA(kInfoDefaultSystemContext, 0, &settings);
    std::snprintf(settings.lcName, sizeof settings.lcName, "SysPress Digitizing %x",
                  unsigned(reinterpret_cast<uintptr_t>(instance)));
    settings.lcPktData = kProgramPacketData;
    settings.lcMoveMask = kProgramPacketData;
    settings.lcPktMode = 0;
    settings.lcBtnUpMask = settings.lcBtnDnMask;
    // Desktop pixels with y growing downwards, like the mouse's.
    settings.lcOutOrgX = GetSystemMetrics(SM_XVIRTUALSCREEN);
    settings.lcOutOrgY = GetSystemMetrics(SM_YVIRTUALSCREEN);
    settings.lcOutExtX = GetSystemMetrics(SM_CXVIRTUALSCREEN);
    settings.lcOutExtY = -GetSystemMetrics(SM_CYVIRTUALSCREEN);
    settings.lcOptions |= kOptionMessages | kOptionCursorMessages;
    HCTX opened = openA(window, &settings, TRUE);
    if (opened) queueSizeSet(opened, kQueuePackets);
    return opened;
}

PressureRange ReadTabletPressureRange(int cursor) {
    PressureRange range;
    const UINT category = kInfoCursors + UINT(cursor);
    BYTE physical = kNoPressureButton;
    if (infoA(category, kCursorNormalPressureButton, &physical) > 0) range.pressureButton = physical;
    BYTE buttonMap[kButtonMapSize] = {};
    const UINT mapped = infoA(category, kCursorButtonMap, buttonMap);
    if (range.pressureButton < int(mapped) && range.pressureButton < kButtonMapSize)
        range.pressureButton = buttonMap[range.pressureButton];

    LOGCONTEXTA settings{};
    getA(context, &settings);
    AXIS axis{};
    infoA(kInfoDevices + settings.lcDevice, kDeviceNormalPressure, &axis);
    range.minimum = axis.axMin;
    range.span = axis.axMax - axis.axMin;

    UINT marks[2] = {0, 0};  // release mark, press mark
    infoA(category, kCursorNormalPressureMarks, marks);
    range.pressMark = LONG(marks[1]);
    range.spanAboveMark = axis.axMax - LONG(marks[1]);
    LogLine("tablet cursor %i: pressure button %i, pressure %li+%li, press mark %li+%li", cursor,
            range.pressureButton, long(range.minimum), long(range.span), long(range.pressMark),
            long(range.spanAboveMark));
    return range;
}

void TakePackets() {
    const int count = packetsGet(context, kQueuePackets, packets);
    if (count <= 0) return;
    if (count == kQueuePackets) LogLine("Packet queue overflow (%i packets)", count);
    for (int i = 0; i < count; ++i) {
        const platform::PenSample sample = ApplyPacket(pen, packets[i], ReadTabletPressureRange);
        LogSample(sample);
        if (sampleHandler) sampleHandler(sample);
    }
}

void SetProximity(bool inProximity) {
    pen.inProximity = inProximity;
    LogLine(inProximity ? "pen in proximity" : "pen out of proximity");
}

void PeekCursor(UINT serial) {
    Packet peeked{};
    int count = 0;
    if (!dataPeek(context, serial, serial, 1, &peeked, &count) || count < 1) return;
    const bool eraser = peeked.cursor == 2;
    if (eraser != pen.eraser) LogLine(eraser ? "pen eraser end in use" : "pen tip in use");
    pen.eraser = eraser;
}

}  // namespace

namespace platform {

void SetPenSampleHandler(PenSampleHandler handler) { sampleHandler = handler; }

bool TabletInit() {
    context = nullptr;
    if (!LoadWintab()) {
        LogLine("Couldn't load Wintab32.dll");
        return false;
    }
    if (infoA(0, 0, nullptr) == 0) {
        LogLine("WinTab not available");
        return false;
    }
    context = OpenTabletContext(MainWindow(), GetModuleHandleA(nullptr));
    if (!context) {
        LogLine("WinTab failed to init");
        return false;
    }
    LogLine("WinTab initialized");
    return true;
}

void TabletClose() {
    if (context) closeContext(context);
    context = nullptr;
    UnloadWintab();
    pen = wintab::PenState();
}

bool PenInProximity() { return pen.inProximity; }
bool PenEraserInUse() { return pen.eraser; }
float TabletPressure() { return float(pen.pressure) / 255.0f; }

}  // namespace platform

LRESULT TabletMessage(HWND, UINT message, WPARAM wParam, LPARAM lParam) {
    // Wintab messages only come from an open context; the checks keep a
    // stray message of the same number away from an unloaded library.
    const bool open = context != nullptr;
    switch (message) {
        case kPacketMessage:
            if (open) TakePackets();
            break;
        case kProximityMessage:
            if (open) SetProximity(LOWORD(lParam) != 0);
            break;
        case kInfoChangeMessage:
            if (open && pen.cursor >= 0) pen.range = ReadTabletPressureRange(pen.cursor);
            break;
        case kCursorChangeMessage:
            if (open) PeekCursor(UINT(wParam));
            break;
        case WM_LBUTTONDOWN:
        case WM_RBUTTONDOWN:
            MouseButtonDown(pen);
            break;
        case WM_LBUTTONUP:
        case WM_RBUTTONUP:
        case WM_ACTIVATE:
            PressureReleased(pen);
            break;
        default:
            break;
    }
    return 0;
}
