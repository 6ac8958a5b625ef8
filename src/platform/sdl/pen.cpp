// The pen on X11 through XInput2. The program's SDL window is watched from a
// display connection of our own: selecting XInput2 events on SDL's own
// connection would take the core pointer events SDL lives on away from it.
// The connection is read whenever SDL hands over an event, which the pen's
// own pointer motion always brings along. Without X11 nothing is opened and
// the mouse works alone; without a tablet the connection stays open to hear
// of one plugged in, or announced by libinput when its tool is first used.
#include <SDL.h>
#include <SDL_syswm.h>
#include <X11/Xlib.h>
#include <X11/extensions/XInput2.h>

#include <cmath>
#include <map>
#include <vector>

#include "platform/log.h"
#include "platform/sdl/main_window.h"
#include "platform/sdl/pen_valuators.h"
#include "platform/tablet.h"

namespace platform {

namespace {

Display* display = nullptr;
int xinputOpcode = 0;
std::map<int, sdl::PenDevice> pens;  // by slave device id
sdl::PenTracker tracker;
PenSampleHandler sampleHandler = nullptr;
SDL_threadID mainThread = 0;
bool watching = false;
Window penWindow = 0;  // the window whose pen events are selected

// The diagnostic log (when switched on) shows every sample the tablet sends.
void LogSample(const PenSample& sample) {
    LogLine("pen sample x=%li y=%li pressure=%li", std::lround(sample.x), std::lround(sample.y),
            std::lround(sample.pressure * 255.0f));
}

void Hand(const PenSample& sample) {
    LogSample(sample);
    if (sampleHandler) sampleHandler(sample);
}

std::string AtomName(Atom atom) {
    if (atom == None) return std::string();
    char* name = XGetAtomName(display, atom);
    if (!name) return std::string();
    std::string text(name);
    XFree(name);
    return text;
}

void FindPens() {
    pens.clear();
    int count = 0;
    XIDeviceInfo* devices = XIQueryDevice(display, XIAllDevices, &count);
    if (!devices) return;
    for (int i = 0; i < count; ++i) {
        const XIDeviceInfo& info = devices[i];
        if (info.use != XISlavePointer || !info.enabled) continue;
        std::vector<sdl::ValuatorInfo> valuators;
        for (int c = 0; c < info.num_classes; ++c) {
            if (info.classes[c]->type != XIValuatorClass) continue;
            const auto* v = reinterpret_cast<const XIValuatorClassInfo*>(info.classes[c]);
            valuators.push_back({v->number, AtomName(v->label), v->min, v->max});
        }
        const sdl::PenDevice pen = sdl::ClassifyDevice(info.name ? info.name : "", valuators);
        if (!pen.isPen) continue;
        pens[info.deviceid] = pen;
        LogLine("pen: %s (device %i)%s, pressure %g..%g", info.name, info.deviceid, pen.eraser ? ", eraser end" : "",
                pen.minimum, pen.maximum);
    }
    XIFreeDeviceInfo(devices);
}

bool SelectEvents(Window window) {
    unsigned char penBits[XIMaskLen(XI_LASTEVENT)] = {};
    XISetMask(penBits, XI_Motion);
    XISetMask(penBits, XI_ButtonPress);
    XISetMask(penBits, XI_ButtonRelease);
    unsigned char pointerBits[XIMaskLen(XI_LASTEVENT)] = {};
    XISetMask(pointerBits, XI_Motion);
    std::vector<XIEventMask> masks;
    for (const auto& pen : pens) masks.push_back({pen.first, int(sizeof penBits), penBits});
    // Pointer motion from any other device tells that the pen has gone.
    masks.push_back({XIAllMasterDevices, int(sizeof pointerBits), pointerBits});
    return XISelectEvents(display, window, masks.data(), int(masks.size())) == Success;
}

// The pointer devices changed: look for pens again and watch the new set.
void DevicesChanged(const XIHierarchyEvent& event) {
    const int relevant = XISlaveAdded | XISlaveRemoved | XIDeviceEnabled | XIDeviceDisabled;
    if (!(event.flags & relevant)) return;
    FindPens();
    if (!SelectEvents(penWindow)) LogLine("pen: cannot watch the tablet");
    LogLine("pen: devices changed, %i tablet devices", int(pens.size()));
}

// Devices coming and going are announced on the root window.
bool SelectHierarchyEvents() {
    unsigned char bits[XIMaskLen(XI_LASTEVENT)] = {};
    XISetMask(bits, XI_HierarchyChanged);
    XIEventMask mask{XIAllDevices, int(sizeof bits), bits};
    return XISelectEvents(display, DefaultRootWindow(display), &mask, 1) == Success;
}

void HandleDeviceEvent(int type, const XIDeviceEvent& event) {
    const auto pen = pens.find(event.deviceid);
    if (pen == pens.end()) {
        if (type == XI_Motion && !pens.count(event.sourceid) && tracker.inProximity) {
            tracker.OtherPointerMoved();
            LogLine("pen out of proximity");
        }
        return;
    }
    bool pressing = false;
    for (int bit = 1; bit < event.buttons.mask_len * 8; ++bit)
        if (XIMaskIsSet(event.buttons.mask, bit) && !(type == XI_ButtonRelease && bit == event.detail))
            pressing = true;
    if (type == XI_ButtonPress) pressing = true;
    double pressure = 0;
    const bool hasPressure = sdl::ValuatorValue(event.valuators.mask, event.valuators.mask_len,
                                                event.valuators.values, pen->second.pressureValuator, pressure);
    const bool wasNear = tracker.inProximity, wasEraser = tracker.eraser;
    const PenSample sample =
        tracker.PenEvent(pen->second, pressing, hasPressure ? &pressure : nullptr, event.root_x, event.root_y);
    if (!wasNear) LogLine("pen in proximity");
    if (tracker.eraser != wasEraser) LogLine(tracker.eraser ? "pen eraser end in use" : "pen tip in use");
    Hand(sample);
}

void DrainEvents() {
    while (display && XPending(display) > 0) {
        XEvent event;
        XNextEvent(display, &event);
        XGenericEventCookie& cookie = event.xcookie;
        if (cookie.type != GenericEvent || cookie.extension != xinputOpcode) continue;
        if (!XGetEventData(display, &cookie)) continue;
        if (cookie.evtype == XI_Motion || cookie.evtype == XI_ButtonPress || cookie.evtype == XI_ButtonRelease)
            HandleDeviceEvent(cookie.evtype, *static_cast<XIDeviceEvent*>(cookie.data));
        else if (cookie.evtype == XI_HierarchyChanged)
            DevicesChanged(*static_cast<XIHierarchyEvent*>(cookie.data));
        XFreeEventData(display, &cookie);
    }
}

int WatchEvent(void*, SDL_Event* event) {
    // SDL may push events from other threads; the pen lives on the main one.
    if (SDL_ThreadID() != mainThread) return 0;
    DrainEvents();
    switch (event->type) {
        case SDL_MOUSEBUTTONDOWN:
            if (event->button.button == SDL_BUTTON_LEFT || event->button.button == SDL_BUTTON_RIGHT)
                tracker.MouseButtonDown();
            break;
        case SDL_MOUSEBUTTONUP:
            if (event->button.button == SDL_BUTTON_LEFT || event->button.button == SDL_BUTTON_RIGHT)
                tracker.PressureReleased();
            break;
        case SDL_WINDOWEVENT:
            if (event->window.event == SDL_WINDOWEVENT_FOCUS_GAINED ||
                event->window.event == SDL_WINDOWEVENT_FOCUS_LOST)
                tracker.PressureReleased();
            break;
        default:
            break;
    }
    return 0;
}

void CloseDisplay() {
    if (display) XCloseDisplay(display);
    display = nullptr;
    pens.clear();
    penWindow = 0;
}

}  // namespace

void SetPenSampleHandler(PenSampleHandler handler) { sampleHandler = handler; }

bool TabletInit() {
    TabletClose();
    mainThread = SDL_ThreadID();
    // The mouse buttons and focus reset the pen's pressure with or without a tablet.
    SDL_AddEventWatch(WatchEvent, nullptr);
    watching = true;

    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    SDL_Window* window = sdl::MainWindow();
    if (!window || !SDL_GetWindowWMInfo(window, &info) || info.subsystem != SDL_SYSWM_X11) {
        LogLine("pen: no X11 window, mouse only");
        return false;
    }
    display = XOpenDisplay(DisplayString(info.info.x11.display));
    if (!display) {
        LogLine("pen: cannot open the X display, mouse only");
        return false;
    }
    int event = 0, error = 0, major = 2, minor = 0;
    if (!XQueryExtension(display, "XInputExtension", &xinputOpcode, &event, &error) ||
        XIQueryVersion(display, &major, &minor) != Success) {
        LogLine("pen: no XInput2, mouse only");
        CloseDisplay();
        return false;
    }
    FindPens();
    penWindow = info.info.x11.window;
    if (!SelectEvents(penWindow) || !SelectHierarchyEvents()) {
        LogLine("pen: cannot watch the tablet, mouse only");
        CloseDisplay();
        return false;
    }
    XFlush(display);
    if (pens.empty()) {
        LogLine("pen: no tablet, mouse only until one appears");
        return false;
    }
    LogLine("pen: XInput2 tablet ready");
    return true;
}

void TabletClose() {
    if (watching) SDL_DelEventWatch(WatchEvent, nullptr);
    watching = false;
    CloseDisplay();
    tracker = sdl::PenTracker();
}

bool PenInProximity() { return tracker.inProximity; }
bool PenEraserInUse() { return tracker.eraser; }
float TabletPressure() { return float(tracker.pressure) / 255.0f; }

}  // namespace platform
