// Clipboard pictures on X11. Programs offer images on the CLIPBOARD selection
// as PNG files ("image/png", what browsers, image editors and screenshot
// tools offer) or BMP files ("image/bmp"); a BMP file is Windows' packed
// bitmap behind a file header. The selection is asked for from a display
// connection and window of our own, so that the answer never mixes with the
// events SDL reads from its connection. Large images arrive in pieces (the
// INCR protocol), which is followed to the end.
//
// Copying makes a second connection of our own the selection's owner; a
// thread of its own answers other programs' requests on it as they come, so
// they are served whatever the main loop is doing, and sends large pictures
// in pieces too. Other window systems offer no image here.
#include <SDL.h>
#include <SDL_syswm.h>
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <string>
#include <thread>

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

// The X display the main window is on; empty without an X11 window.
std::string MainDisplayName() {
    SDL_Window* window = sdl::MainWindow();
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (!window || !SDL_GetWindowWMInfo(window, &info) || info.subsystem != SDL_SYSWM_X11) return {};
    return DisplayString(info.info.x11.display);
}

// Errors on the serving connection (a requestor that went away before its
// answer, say) end nothing; those on other connections go where they went.
std::atomic<Display*> servingDisplay{nullptr};
XErrorHandler earlierErrorHandler = nullptr;

int TolerateServingErrors(Display* display, XErrorEvent* error) {
    if (display == servingDisplay.load(std::memory_order_acquire)) return 0;
    return earlierErrorHandler ? earlierErrorHandler(display, error) : 0;
}

// The owner of the CLIPBOARD selection while it holds a picture we copied.
class SelectionOwner {
public:
    ~SelectionOwner() { Stop(); }

    // Takes the selection with these files to serve; false when the display
    // cannot be reached or will not give us the selection.
    bool Offer(std::vector<uint8_t> png, std::vector<uint8_t> bmp) {
        if (!Start()) return false;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            png_ = std::move(png);
            bmp_ = std::move(bmp);
            transfers_.clear();
            offered_ = true;
        }
        // Xlib is used by the serving thread alone once it runs: the claim
        // is handed over to it through the wake-up pipe.
        const char claim = 'c';
        if (write(wakeWrite_, &claim, 1) != 1) return false;
        std::unique_lock<std::mutex> lock(mutex_);
        claimed_.wait_for(lock, std::chrono::seconds(2), [&] { return claimAnswered_; });
        const bool owned = claimAnswered_ && owned_;
        claimAnswered_ = false;
        return owned;
    }

private:
    // A large answer sent in pieces, each after the requestor deleted the last.
    struct Transfer {
        Window requestor = 0;
        Atom property = None, type = None;
        std::vector<uint8_t> bytes;
        size_t sent = 0;
        bool done = false;
    };

    bool Start() {
        if (display_) return true;
        const std::string name = MainDisplayName();
        if (name.empty()) return false;
        display_ = XOpenDisplay(name.c_str());
        if (!display_) {
            LogLine("#### clipboard: cannot open the X display");
            return false;
        }
        int pipeEnds[2];
        if (pipe(pipeEnds) != 0) {
            XCloseDisplay(display_);
            display_ = nullptr;
            return false;
        }
        wakeRead_ = pipeEnds[0];
        wakeWrite_ = pipeEnds[1];
        servingDisplay.store(display_, std::memory_order_release);
        earlierErrorHandler = XSetErrorHandler(TolerateServingErrors);
        window_ = XCreateSimpleWindow(display_, DefaultRootWindow(display_), 0, 0, 1, 1, 0, 0, 0);
        clipboard_ = XInternAtom(display_, "CLIPBOARD", False);
        targets_ = XInternAtom(display_, "TARGETS", False);
        png_atom_ = XInternAtom(display_, "image/png", False);
        bmp_atom_ = XInternAtom(display_, "image/bmp", False);
        incr_ = XInternAtom(display_, "INCR", False);
        long longs = XExtendedMaxRequestSize(display_);
        if (longs == 0) longs = XMaxRequestSize(display_);
        // Room for the request's own header; pieces stay well below the limit.
        piece_ = std::min<size_t>(size_t(longs) * 4 - 1024, size_t(1) << 18);
        XFlush(display_);
        thread_ = std::thread([this] { Serve(); });
        return true;
    }

    void Stop() {
        if (!display_) return;
        const char quit = 'q';
        if (write(wakeWrite_, &quit, 1) == 1 && thread_.joinable()) thread_.join();
        if (thread_.joinable()) thread_.detach();
        XDestroyWindow(display_, window_);
        XCloseDisplay(display_);
        servingDisplay.store(nullptr, std::memory_order_release);
        close(wakeRead_);
        close(wakeWrite_);
        display_ = nullptr;
    }

    void Serve() {
        for (;;) {
            while (XPending(display_) > 0) {
                XEvent event;
                XNextEvent(display_, &event);
                Handle(event);
            }
            pollfd fds[2] = {{ConnectionNumber(display_), POLLIN, 0}, {wakeRead_, POLLIN, 0}};
            if (poll(fds, 2, -1) < 0) continue;
            if (fds[1].revents & POLLIN) {
                char command = 0;
                if (read(wakeRead_, &command, 1) != 1 || command == 'q') return;
                Claim();
            }
        }
    }

    void Claim() {
        XSetSelectionOwner(display_, clipboard_, window_, CurrentTime);
        const bool owned = XGetSelectionOwner(display_, clipboard_) == window_;
        XFlush(display_);
        if (!owned) LogLine("#### clipboard: the display did not give us the clipboard");
        std::lock_guard<std::mutex> lock(mutex_);
        owned_ = owned;
        claimAnswered_ = true;
        claimed_.notify_all();
    }

    void Handle(XEvent& event) {
        if (event.type == SelectionClear && event.xselectionclear.selection == clipboard_) {
            // Another program copied something: our picture is no longer offered.
            std::lock_guard<std::mutex> lock(mutex_);
            offered_ = false;
            png_.clear();
            bmp_.clear();
        } else if (event.type == SelectionRequest) {
            Answer(event.xselectionrequest);
        } else if (event.type == PropertyNotify && event.xproperty.state == PropertyDelete) {
            SendNextPiece(event.xproperty.window, event.xproperty.atom);
        }
    }

    void Answer(const XSelectionRequestEvent& request) {
        XSelectionEvent reply = {};
        reply.type = SelectionNotify;
        reply.display = request.display;
        reply.requestor = request.requestor;
        reply.selection = request.selection;
        reply.target = request.target;
        reply.time = request.time;
        // Old clients name no property: the target's name stands for it.
        const Atom property = request.property == None ? request.target : request.property;
        reply.property = Provide(request.requestor, property, request.target) ? property : None;
        XSendEvent(display_, request.requestor, False, NoEventMask, reinterpret_cast<XEvent*>(&reply));
        XFlush(display_);
    }

    bool Provide(Window requestor, Atom property, Atom target) {
        std::lock_guard<std::mutex> lock(mutex_);
        if (!offered_) return false;
        if (target == targets_) {
            const Atom offered[] = {targets_, png_atom_, bmp_atom_};
            XChangeProperty(display_, requestor, property, XA_ATOM, 32, PropModeReplace,
                            reinterpret_cast<const unsigned char*>(offered), 3);
            return true;
        }
        const std::vector<uint8_t>* bytes = target == png_atom_ ? &png_ : target == bmp_atom_ ? &bmp_ : nullptr;
        if (!bytes || bytes->empty()) return false;
        if (bytes->size() <= piece_) {
            XChangeProperty(display_, requestor, property, target, 8, PropModeReplace, bytes->data(),
                            int(bytes->size()));
            return true;
        }
        // Too large for one request: announce the size, then send pieces as
        // the requestor deletes each one.
        Transfer transfer;
        transfer.requestor = requestor;
        transfer.property = property;
        transfer.type = target;
        transfer.bytes = *bytes;
        transfers_.push_back(std::move(transfer));
        XSelectInput(display_, requestor, PropertyChangeMask);
        const long size = long(bytes->size());
        XChangeProperty(display_, requestor, property, incr_, 32, PropModeReplace,
                        reinterpret_cast<const unsigned char*>(&size), 1);
        return true;
    }

    void SendNextPiece(Window requestor, Atom property) {
        std::lock_guard<std::mutex> lock(mutex_);
        for (Transfer& t : transfers_) {
            if (t.done || t.requestor != requestor || t.property != property) continue;
            const size_t count = std::min(piece_, t.bytes.size() - t.sent);
            // The last, empty piece ends the transfer.
            XChangeProperty(display_, requestor, property, t.type, 8, PropModeReplace, t.bytes.data() + t.sent,
                            int(count));
            t.sent += count;
            t.done = count == 0;
            XFlush(display_);
            break;
        }
        transfers_.erase(std::remove_if(transfers_.begin(), transfers_.end(), [](const Transfer& t) { return t.done; }),
                         transfers_.end());
    }

    Display* display_ = nullptr;
    Window window_ = 0;
    Atom clipboard_ = None, targets_ = None, png_atom_ = None, bmp_atom_ = None, incr_ = None;
    size_t piece_ = 0;
    int wakeRead_ = -1, wakeWrite_ = -1;
    std::thread thread_;

    std::mutex mutex_;  // guards what follows, shared with the copying thread
    std::condition_variable claimed_;
    bool claimAnswered_ = false, owned_ = false, offered_ = false;
    std::vector<uint8_t> png_, bmp_;
    std::vector<Transfer> transfers_;
};

SelectionOwner& Owner() {
    static SelectionOwner owner;
    return owner;
}

bool Offered(const std::vector<Atom>& targets, Atom atom) {
    return std::find(targets.begin(), targets.end(), atom) != targets.end();
}

}  // namespace

bool ClipboardHasImage() {
    SelectionRequestor requestor;
    if (!requestor.Ready() || !requestor.Convert(requestor.Intern("TARGETS"))) return false;
    std::vector<Atom> targets;
    if (!requestor.ReadAtoms(targets)) return false;
    return Offered(targets, requestor.Intern("image/png")) || Offered(targets, requestor.Intern("image/bmp"));
}

bool ReadClipboardImage(std::vector<uint8_t>& bytes, int& kind) {
    SelectionRequestor requestor;
    if (!requestor.Ready() || !requestor.Convert(requestor.Intern("TARGETS"))) return false;
    std::vector<Atom> targets;
    if (!requestor.ReadAtoms(targets)) return false;
    if (Offered(targets, requestor.Intern("image/png"))) {
        if (!requestor.Convert(requestor.Intern("image/png")) || !requestor.ReadBytes(bytes)) return false;
        kind = kClipboardPng;
        return true;
    }
    std::vector<uint8_t> file;
    if (!requestor.Convert(requestor.Intern("image/bmp")) || !requestor.ReadBytes(file)) return false;
    if (!sdl::DibFromBmpFile(file, bytes)) {
        LogLine("#### clipboard: the image is not a usable BMP file (%u bytes)", unsigned(file.size()));
        // Empty: the caller's decoder refuses it and says so.
        bytes.clear();
    }
    kind = kClipboardDib;
    return true;
}

bool WriteClipboardImage(const std::vector<uint8_t>& png, const std::vector<uint8_t>& dib) {
    std::vector<uint8_t> bmp;
    if (png.empty() || !sdl::BmpFileFromDib(dib, bmp)) return false;
    return Owner().Offer(png, std::move(bmp));
}

}  // namespace platform
