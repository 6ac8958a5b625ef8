#pragma once

// The pressure-sensitive pen beside the mouse. Each backend reads its own
// tablet driver (Wintab on Windows, XInput2 valuators on X11); without a
// tablet every query below reports the mouse-only state and no pen sample
// ever arrives, so the program runs on the mouse alone.
namespace platform {

// One pen position as the tablet reports it, one per tablet packet: the
// desktop position in pixels (y down, the same system as the mouse's desktop
// position) and the pressure 0..1 at that moment.
struct PenSample {
    float x = 0, y = 0;
    float pressure = 0;
};

// Receives every pen sample as it arrives, on the main thread, while the
// backend handles the window's events. Null (the default) drops them.
using PenSampleHandler = void (*)(const PenSample&);
void SetPenSampleHandler(PenSampleHandler handler);

// Opens the tablet for the main window, which must exist; true when a tablet
// is open. Failure is not an error: it is logged and the mouse goes on alone.
bool TabletInit();
// Closes what TabletInit opened; safe when nothing is open.
void TabletClose();

// The pen is close enough to the tablet to steer the pointer. While it is,
// the mouse sends no samples of its own.
bool PenInProximity();
// The pen's eraser end is the end in use.
bool PenEraserInUse();
// The pen's last pressure as a level 0..255 scaled to 0..1: above 0 while the
// pen presses, 0 once the button is released, and negative between a mouse
// button-down and the first pen report with a button held (the pressure is
// not known yet, so the stroke should use its full pressure).
float TabletPressure();

}  // namespace platform
