#include "platform/fake/fake_platform.h"

#include "platform/fake/fake_tablet.h"
#include "platform/memory_available.h"

namespace platform {
namespace fake {

Recorder& State() {
    static Recorder recorder;
    return recorder;
}

void Reset() {
    State() = Recorder();
    ReplaceMemoryMeasure([] { return State().availableMemory; });
}

}  // namespace fake

using fake::State;

bool CreateMainWindow(const char* title, WindowState& state, int) {
    if (State().windowCreationFails) {
        State().errors.push_back({"ERROR", "Could not create window"});
        return false;
    }
    State().window = &state;
    State().title = title;
    State().windowOpen = true;
    return true;
}

void DestroyMainWindow() {
    State().windowOpen = false;
    State().window = nullptr;
}

void PumpEvents() {
    ++State().pumps;
    if (!State().window) return;
    if (State().onPump) State().onPump(*State().window);
    fake::FollowMouseButtons(State().window->leftButton, State().window->rightButton);
}

bool WaitForEvent(int timeoutMs) {
    State().waits.push_back(timeoutMs);
    if (State().wakes > 0) {
        --State().wakes;
        return true;
    }
    if (State().eventArrives) return true;
    State().clock += uint32_t(timeoutMs);
    return false;
}

void WakeMainLoop() { ++State().wakes; }

void SetWindowLostHandler(WindowLostHandler handler) { State().windowLostHandler = handler; }

// The scripted window state already holds what a test gave it.
void StoreFinalPlacement() {}
void SwapBuffers() { ++State().swaps; }
void SetWindowTitle(const char* title) { State().title = title; }

void ClientToDesktopOffset(int& dx, int& dy) {
    dx = 4;   // a sizing frame
    dy = 27;  // the frame and a caption
}

bool ApplyCursor() {
    ++State().cursorsApplied;
    return State().window && State().window->mouseInWindow;
}

bool AskOkCancel(const char* title, const char* text) {
    State().questions.push_back({title, text});
    if (State().answers.empty()) return true;
    const bool ok = State().answers.front();
    State().answers.pop_front();
    return ok;
}

void ShowError(const char* title, const char* text) { State().errors.push_back({title, text}); }

namespace {

bool AnswerFileDialog(int type, bool save, std::string& name) {
    State().dialogs.push_back({type, save, name});
    if (State().dialogAnswers.empty()) return false;
    const fake::DialogAnswer answer = State().dialogAnswers.front();
    State().dialogAnswers.pop_front();
    if (answer.chosen) name = answer.path;
    return answer.chosen;
}

}  // namespace

bool OpenFileDialog(int type, std::string& name) { return AnswerFileDialog(type, false, name); }
bool SaveFileDialog(int type, std::string& name) { return AnswerFileDialog(type, true, name); }

bool ClipboardHasImage() { return !State().clipboardDib.empty() || !State().clipboardPng.empty(); }

bool ReadClipboardImage(std::vector<uint8_t>& bytes, int& kind) {
    const bool png = !State().clipboardPng.empty();
    if (!png && State().clipboardDib.empty()) return false;
    bytes = png ? State().clipboardPng : State().clipboardDib;
    kind = png ? kClipboardPng : kClipboardDib;
    return true;
}

bool WriteClipboardImage(const std::vector<uint8_t>& png, const std::vector<uint8_t>& dib) {
    if (State().clipboardRefusesWrites) return false;
    State().clipboardPng = png;
    State().clipboardDib = dib;
    ++State().clipboardWrites;
    return true;
}

std::string ProgramFile() { return "/fake/bin/orvella"; }
std::string UserSettingsFolder() { return State().userSettingsFolder; }
int ProcessorCount() { return 2; }
int DisplayDpi() { return State().displayDpi; }
uint64_t PhysicalMemoryBytes() { return State().physicalMemory; }
uint32_t Milliseconds() { return State().clock; }

void SleepMilliseconds(int ms) {
    State().sleeps.push_back(ms);
    State().clock += uint32_t(ms);
}

}  // namespace platform
