// Clipboard bitmaps on X11. Programs offer images on the CLIPBOARD selection
// as BMP files ("image/bmp"); the program wants Windows' packed bitmap, which
// is that file without its file header. The selection is asked for from a
// display connection and window of our own, so that the answer never mixes
// with the events SDL reads from its connection. Large images arrive in
// pieces (the INCR protocol), which is followed to the end. Other window
// systems offer no image here.
#include <SDL.h>
#include <SDL_syswm.h>
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <poll.h>

#include <algorithm>
#include <cstring>

#include "platform/log.h"
#include "platform/platform.h"
#include "platform/sdl/bmp_file.h"
#include "platform/sdl/main_window.h"

namespace platform {

namespace {

constexpr Uint32 kAnswerTimeoutMs = 1000;  // for the owner's answer and each later piece
constexpr size_t kMaxImageBytes = size_t(1) << 30;
constexpr long kReadLongs = 1 << 20;  // one property read, in 32-bit units
constexpr int kPollMs = 10;

// A connection and an unmapped window to receive the selection on.
class SelectionRequestor {
public:
    SelectionRequestor() {
        SDL_Window* window = sdl::MainWindow();
        SDL_SysWMinfo info;
        SDL_VERSION(&info.version);
        if (!window || !SDL_GetWindowWMInfo(window, &info) || info.subsystem != SDL_SYSWM_X11) return;
        display_ = XOpenDisplay(DisplayString(info.info.x11.display));
        if (!display_) {
            LogLine("#### clipboard: cannot open the X display");
            return;
        }
        window_ = XCreateSimpleWindow(display_, DefaultRootWindow(display_), 0, 0, 1, 1, 0, 0, 0);
        // Pieces of a large answer are announced as property changes.
        XSelectInput(display_, window_, PropertyChangeMask);
        clipboard_ = XInternAtom(display_, "CLIPBOARD", False);
        property_ = XInternAtom(display_, "ORVELLA_CLIPBOARD", False);
        incr_ = XInternAtom(display_, "INCR", False);
    }
    ~SelectionRequestor() {
        if (!display_) return;
        XDestroyWindow(display_, window_);
        XCloseDisplay(display_);
    }
    SelectionRequestor(const SelectionRequestor&) = delete;
    SelectionRequestor& operator=(const SelectionRequestor&) = delete;

    bool Ready() const { return display_ != nullptr; }
    Atom Intern(const char* name) { return XInternAtom(display_, name, False); }

    // Asks the owner to convert the clipboard to target; false when nobody
    // owns it, the owner refuses or does not answer in time.
    bool Convert(Atom target) {
        if (XGetSelectionOwner(display_, clipboard_) == None) return false;
        XDeleteProperty(display_, window_, property_);
        XConvertSelection(display_, clipboard_, target, property_, window_, CurrentTime);
        XEvent event;
        const bool answered = WaitFor(event, [&](const XEvent& e) {
            return e.type == SelectionNotify && e.xselection.requestor == window_ &&
                   e.xselection.selection == clipboard_;
        });
        if (!answered) LogLine("#### clipboard: the owner did not answer");
        return answered && event.xselection.property != None;
    }

    // The answer's bytes, followed through every piece of an incremental one.
    bool ReadBytes(std::vector<uint8_t>& bytes) {
        Atom type = None;
        int format = 0;
        if (!ReadProperty(bytes, type, format)) return false;
        if (type != incr_) return format == 8;
        // The owner sends the next piece once we have deleted the last one;
        // an empty piece ends the transfer.
        bytes.clear();
        for (;;) {
            XEvent event;
            if (!WaitFor(event, [&](const XEvent& e) {
                    return e.type == PropertyNotify && e.xproperty.window == window_ && e.xproperty.atom == property_ &&
                           e.xproperty.state == PropertyNewValue;
                })) {
                LogLine("#### clipboard: a piece of the image did not come");
                return false;
            }
            std::vector<uint8_t> piece;
            if (!ReadProperty(piece, type, format) || format != 8) return false;
            if (piece.empty()) return true;
            if (bytes.size() + piece.size() > kMaxImageBytes) {
                LogLine("#### clipboard: image too large");
                return false;
            }
            bytes.insert(bytes.end(), piece.begin(), piece.end());
        }
    }

    // The atoms of a TARGETS answer.
    bool ReadAtoms(std::vector<Atom>& atoms) {
        Atom type = None;
        int format = 0;
        unsigned long count = 0, after = 0;
        unsigned char* data = nullptr;
        if (XGetWindowProperty(display_, window_, property_, 0, kReadLongs, True, AnyPropertyType, &type, &format,
                               &count, &after, &data) != Success)
            return false;
        // Xlib hands 32-bit items over as longs, the size of an Atom.
        if (format == 32 && data) {
            const Atom* items = reinterpret_cast<const Atom*>(data);
            atoms.assign(items, items + count);
        }
        if (data) XFree(data);
        return format == 32;
    }

private:
    template <class Accept>
    bool WaitFor(XEvent& event, Accept accept) {
        const Uint32 start = SDL_GetTicks();
        for (;;) {
            // Events of no interest (earlier deletions, for one) are dropped.
            while (XPending(display_) > 0) {
                XNextEvent(display_, &event);
                if (accept(event)) return true;
            }
            if (SDL_GetTicks() - start >= kAnswerTimeoutMs) return false;
            pollfd readable = {ConnectionNumber(display_), POLLIN, 0};
            poll(&readable, 1, kPollMs);
            // When our own window owns the clipboard, SDL answers from its events.
            if (SDL_WasInit(SDL_INIT_VIDEO)) SDL_PumpEvents();
        }
    }

    // The whole property, deleted once read.
    bool ReadProperty(std::vector<uint8_t>& bytes, Atom& type, int& format) {
        bytes.clear();
        long offset = 0;
        for (;;) {
            unsigned long count = 0, after = 0;
            unsigned char* data = nullptr;
            if (XGetWindowProperty(display_, window_, property_, offset, kReadLongs, False, AnyPropertyType, &type,
                                   &format, &count, &after, &data) != Success)
                return false;
            const bool ok = format == 8 || type == incr_;
            if (ok && format == 8 && data) {
                if (bytes.size() + count > kMaxImageBytes) {
                    XFree(data);
                    LogLine("#### clipboard: image too large");
                    return false;
                }
                bytes.insert(bytes.end(), data, data + count);
            }
            if (data) XFree(data);
            if (!ok || after == 0) break;
            offset += long(count / 4);
        }
        XDeleteProperty(display_, window_, property_);
        XFlush(display_);
        return true;
    }

    Display* display_ = nullptr;
    Window window_ = 0;
    Atom clipboard_ = None, property_ = None, incr_ = None;
};

}  // namespace

bool ClipboardHasImage() {
    SelectionRequestor requestor;
    if (!requestor.Ready() || !requestor.Convert(requestor.Intern("TARGETS"))) return false;
    std::vector<Atom> targets;
    if (!requestor.ReadAtoms(targets)) return false;
    const Atom bmp = requestor.Intern("image/bmp");
    return std::find(targets.begin(), targets.end(), bmp) != targets.end();
}

bool ReadClipboardImage(std::vector<uint8_t>& dib) {
    SelectionRequestor requestor;
    if (!requestor.Ready() || !requestor.Convert(requestor.Intern("image/bmp"))) return false;
    std::vector<uint8_t> file;
    if (!requestor.ReadBytes(file)) return false;
    if (!sdl::DibFromBmpFile(file, dib)) {
        LogLine("#### clipboard: the image is not a usable BMP file (%u bytes)", unsigned(file.size()));
        return false;
    }
    return true;
}

}  // namespace platform
