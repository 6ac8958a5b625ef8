#pragma once
#include <cstdint>
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "platform/platform.h"

// A scripted stand-in for the operating system, for tests of the portable
// program: events come from a callback, questions are answered from a queue
// and everything asked of it is recorded.
namespace platform::fake {

struct Question {
    std::string title, text;
};

// One scripted file dialog answer: the chosen path, or a cancel.
struct DialogAnswer {
    bool chosen = false;
    std::string path;
};

// What one file dialog was asked to show.
struct DialogCall {
    int type = 0;
    bool save = false;  // "Save As" rather than "Open"
    std::string offeredName;
};

struct Recorder {
    WindowState* window = nullptr;
    std::function<void(WindowState&)> onPump;  // plays the events of one pump
    std::deque<bool> answers;                  // AskOkCancel answers; OK once empty
    bool windowCreationFails = false;
    std::deque<DialogAnswer> dialogAnswers;    // file dialogs; cancelled once empty
    std::vector<uint8_t> clipboardDib;         // empty: no bitmap on the clipboard
    std::vector<uint8_t> clipboardPng;         // empty: no PNG on the clipboard
    bool clipboardRefusesWrites = false;       // WriteClipboardImage fails
    std::string userSettingsFolder;            // empty: the system names none
    int displayDpi = 96;
    uint64_t physicalMemory = 8ull << 30;
    // What the process can still allocate (memory_available.h); as large as
    // an int64_t holds, the system's "cannot tell", unless a test says less.
    uint64_t availableMemory = uint64_t(INT64_MAX);

    std::vector<Question> questions;
    std::vector<Question> errors;
    std::vector<DialogCall> dialogs;
    std::vector<int> sleeps;
    std::vector<int> waits;                    // WaitForEvent timeouts
    bool eventArrives = false;                 // WaitForEvent: an event ends the wait at once
    int wakes = 0;                             // WakeMainLoop calls not yet taken by a wait
    int clipboardWrites = 0;  // WriteClipboardImage calls that replaced the clipboard's picture
    int pumps = 0;
    int swaps = 0;
    int cursorsApplied = 0;
    std::string title;
    uint32_t clock = 0;
    bool windowOpen = false;
    WindowLostHandler windowLostHandler = nullptr;  // what the program installed
};

// The recorder behind every platform call; Reset starts a test afresh (and
// makes the recorder the measure of the memory available).
Recorder& State();
void Reset();

}  // namespace platform::fake
