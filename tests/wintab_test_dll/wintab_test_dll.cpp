// A stand-in Wintab32.dll for tests. It reports one tablet and, once a
// context is opened, plays the script wintab-script.txt from beside itself on
// a thread of its own, posting packet, proximity and cursor messages to the
// context's window as a driver would. Every call the program makes that
// shapes the tablet is written to wintab-calls.txt beside the DLL.
//
// Script, one command a line ('#' starts a comment):
//   services 0                 report no tablet services (WTInfoA(0, 0) = 0)
//   open-fails                 WTOpenA returns no context
//   axis MIN MAX               set the device's normal-pressure axis (0 1023
//                              until then)
//   cursor N BUTTON RELEASE PRESS [MAP...]
//                              cursor N's pressure button, its marks and its
//                              button map (physical to logical)
//   pace MS                    pause after each later command (default 50)
//   wait MS                    pause once
//   proximity in|out           a proximity message
//   cursor-change              announce the next packet with a cursor message
//   info-change                an information-change message
//   hold / release             queue packets without messages / post them
//   packet CURSOR BUTTONS X Y PRESSURE
//   wait-file NAME             pause until a file NAME lies beside the DLL
//                              (at most 30 s), so a test can interleave
//                              its own input
//   play-file NAME             wait as wait-file (up to 120 s), then play the file's lines
//                              as commands: packets at window positions the
//                              test learns only once the program runs
//   end                        write "script done" to the calls file
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <deque>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "input/wintab_api.h"
#include "input/wintab_pressure.h"

using namespace wintab;

namespace {

struct CursorInfo {
    BYTE pressureButton = 0;
    UINT marks[2] = {0, 0};
    std::vector<BYTE> buttonMap;
};

struct Queued {
    UINT serial;
    Packet packet;
};

HMODULE module = nullptr;
std::vector<std::string> script;
bool services = true;
bool openFails = false;
AXIS pressureAxis{0, 1023, 0, 0};
std::map<int, CursorInfo> cursors;

CRITICAL_SECTION lock;
std::deque<Queued> queue;
size_t queueSize = 8;  // the usual driver default until WTQueueSizeSet
UINT nextSerial = 1;
LOGCONTEXTA opened{};
HWND window = nullptr;
HANDLE player = nullptr;
volatile LONG stopPlaying = 0;
const HCTX kContext = reinterpret_cast<HCTX>(uintptr_t(0x7AB1));

std::string BesideDll(const char* name) {
    char path[MAX_PATH];
    const DWORD length = GetModuleFileNameA(module, path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return name;
    std::string dir(path, length);
    const size_t slash = dir.find_last_of("\\/");
    return (slash == std::string::npos ? std::string() : dir.substr(0, slash + 1)) + name;
}

void Record(const char* format, ...) {
    static std::string file = BesideDll("wintab-calls.txt");
    char line[512];
    va_list args;
    va_start(args, format);
    std::vsnprintf(line, sizeof line, format, args);
    va_end(args);
    if (FILE* out = std::fopen(file.c_str(), "a")) {
        std::fprintf(out, "%s\n", line);
        std::fclose(out);
    }
}

std::vector<std::string> ReadLines(const std::string& path) {
    std::vector<std::string> lines;
    FILE* in = std::fopen(path.c_str(), "r");
    if (!in) return lines;
    char text[512];
    while (std::fgets(text, sizeof text, in)) {
        std::string line(text);
        const size_t hash = line.find('#');
        if (hash != std::string::npos) line.resize(hash);
        lines.push_back(line);
    }
    std::fclose(in);
    return lines;
}

// The settings that shape the tablet are read on the first call; the events
// are played later, once a window has a context.
void ReadScript() {
    static bool read = false;
    if (read) return;
    read = true;
    for (const std::string& line : ReadLines(BesideDll("wintab-script.txt"))) {
        std::istringstream words(line);
        std::string command;
        if (!(words >> command)) continue;
        if (command == "services") {
            int on = 1;
            words >> on;
            services = on != 0;
        } else if (command == "open-fails") {
            openFails = true;
        } else if (command == "cursor" && line.find("cursor-change") == std::string::npos) {
            int number = 0, button = 0;
            CursorInfo info;
            words >> number >> button >> info.marks[0] >> info.marks[1];
            info.pressureButton = BYTE(button);
            int entry;
            while (words >> entry) info.buttonMap.push_back(BYTE(entry));
            cursors[number] = info;
        } else {
            script.push_back(line);
        }
    }
}

void Post(UINT message, WPARAM wParam, LPARAM lParam) { PostMessageA(window, message, wParam, lParam); }

// The player's state, which a played file shares with the script.
struct Player {
    DWORD pace = 50;
    bool holding = false, announceCursor = false;
};

bool WaitForFile(const std::string& path, int seconds) {
    for (int i = 0; i < seconds * 10 && !stopPlaying; ++i) {
        if (GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES) return true;
        Sleep(100);
    }
    return false;
}

void PlayLines(Player& playing, const std::vector<std::string>& lines) {
    for (const std::string& line : lines) {
        if (stopPlaying) break;
        std::istringstream words(line);
        std::string command;
        if (!(words >> command)) continue;
        if (command == "pace") {
            words >> playing.pace;
            continue;
        }
        if (command == "wait") {
            DWORD ms = 0;
            words >> ms;
            Sleep(ms);
            continue;
        }
        if (command == "wait-file" || command == "play-file") {
            std::string name;
            words >> name;
            const std::string path = BesideDll(name.c_str());
            // A played file may wait for the program's start-up under load; it
            // is read a moment after it appears, once the test has written it.
            const bool play = command == "play-file";
            if (WaitForFile(path, play ? 120 : 30) && play) {
                Sleep(200);
                PlayLines(playing, ReadLines(path));
            }
            continue;
        }
        if (command == "axis") {
            AXIS axis{};
            words >> axis.axMin >> axis.axMax;
            EnterCriticalSection(&lock);
            pressureAxis = axis;
            LeaveCriticalSection(&lock);
        } else if (command == "proximity") {
            std::string state;
            words >> state;
            Post(kProximityMessage, WPARAM(kContext), MAKELPARAM(state == "in" ? 1 : 0, 1));
        } else if (command == "cursor-change") {
            playing.announceCursor = true;
        } else if (command == "info-change") {
            Post(kInfoChangeMessage, 0, MAKELPARAM(kInfoDevices, kDeviceNormalPressure));
        } else if (command == "hold") {
            playing.holding = true;
        } else if (command == "release") {
            playing.holding = false;
            EnterCriticalSection(&lock);
            std::vector<UINT> serials;
            for (const Queued& q : queue) serials.push_back(q.serial);
            LeaveCriticalSection(&lock);
            for (UINT serial : serials) Post(kPacketMessage, serial, LPARAM(kContext));
        } else if (command == "packet") {
            Packet p{};
            words >> p.cursor >> p.buttons >> p.x >> p.y >> p.normalPressure;
            EnterCriticalSection(&lock);
            const UINT serial = nextSerial++;
            // A full queue drops the newest packets, as drivers do.
            if (queue.size() < queueSize) queue.push_back({serial, p});
            LeaveCriticalSection(&lock);
            if (playing.announceCursor) Post(kCursorChangeMessage, serial, LPARAM(kContext));
            playing.announceCursor = false;
            if (!playing.holding) Post(kPacketMessage, serial, LPARAM(kContext));
        } else if (command == "end") {
            Record("script done");
        }
        Sleep(playing.pace);
    }
}

DWORD WINAPI Play(void*) {
    Player playing;
    PlayLines(playing, script);
    return 0;
}

template <typename T>
UINT Give(LPVOID output, const T& value) {
    if (output) std::memcpy(output, &value, sizeof value);
    return sizeof value;
}

}  // namespace

extern "C" {

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) {
        module = instance;
        InitializeCriticalSection(&lock);
    } else if (reason == DLL_PROCESS_DETACH) {
        DeleteCriticalSection(&lock);
    }
    return TRUE;
}

__declspec(dllexport) UINT WINAPI WTInfoA(UINT category, UINT index, LPVOID output) {
    ReadScript();
    if (!services) return 0;
    if (category == 0) return 1;
    if (category == kInfoDefaultSystemContext) {
        LOGCONTEXTA settings{};
        std::strcpy(settings.lcName, "Scripted tablet");
        settings.lcOptions = 0x0001;  // a system context
        settings.lcMsgBase = kMessageBase;
        settings.lcPktRate = 100;
        settings.lcPktData = kPacketX | kPacketY | kPacketButtons;
        settings.lcMoveMask = kPacketX | kPacketY;
        settings.lcBtnDnMask = 0x7;
        settings.lcBtnUpMask = 0x0;
        settings.lcInExtX = 15000;
        settings.lcInExtY = 10000;
        settings.lcOutExtX = 1000;
        settings.lcOutExtY = 1000;
        settings.lcSysMode = FALSE;
        return Give(output, settings);
    }
    if (category >= kInfoDevices && category < kInfoCursors) {
        if (category != kInfoDevices || index != kDeviceNormalPressure) return 0;
        EnterCriticalSection(&lock);
        const AXIS axis = pressureAxis;
        LeaveCriticalSection(&lock);
        return Give(output, axis);
    }
    if (category >= kInfoCursors) {
        const int number = int(category - kInfoCursors);
        Record("WTInfoA cursor %i index %u", number, index);
        auto found = cursors.find(number);
        if (found == cursors.end()) return 0;
        const CursorInfo& info = found->second;
        if (index == kCursorNormalPressureButton) return Give(output, info.pressureButton);
        if (index == kCursorNormalPressureMarks) return Give(output, info.marks);
        if (index == kCursorButtonMap) {
            if (output && !info.buttonMap.empty()) std::memcpy(output, info.buttonMap.data(), info.buttonMap.size());
            return UINT(info.buttonMap.size());
        }
    }
    return 0;
}

__declspec(dllexport) BOOL WINAPI WTGetA(HCTX context, LOGCONTEXTA* settings) {
    if (context != kContext || !settings) return FALSE;
    *settings = opened;
    return TRUE;
}

__declspec(dllexport) HCTX WINAPI WTOpenA(HWND owner, LOGCONTEXTA* settings, BOOL enable) {
    ReadScript();
    if (!settings) return nullptr;
    Record("WTOpenA name=\"%s\" options=0x%x pktdata=0x%x movemask=0x%x pktmode=0x%x btndn=0x%x btnup=0x%x "
           "out=%li,%li+%li,%li window=%s enable=%i",
           settings->lcName, settings->lcOptions, unsigned(settings->lcPktData), unsigned(settings->lcMoveMask),
           unsigned(settings->lcPktMode), unsigned(settings->lcBtnDnMask), unsigned(settings->lcBtnUpMask),
           long(settings->lcOutOrgX), long(settings->lcOutOrgY), long(settings->lcOutExtX),
           long(settings->lcOutExtY), IsWindow(owner) ? "yes" : "no", int(enable));
    if (openFails || !IsWindow(owner)) return nullptr;
    opened = *settings;
    window = owner;
    stopPlaying = 0;
    player = CreateThread(nullptr, 0, Play, nullptr, 0, nullptr);
    return kContext;
}

__declspec(dllexport) BOOL WINAPI WTClose(HCTX context) {
    if (context != kContext) return FALSE;
    Record("WTClose");
    if (player) {
        InterlockedExchange(&stopPlaying, 1);
        WaitForSingleObject(player, 5000);
        CloseHandle(player);
        player = nullptr;
    }
    window = nullptr;
    return TRUE;
}

__declspec(dllexport) BOOL WINAPI WTQueueSizeSet(HCTX context, int packets) {
    Record("WTQueueSizeSet %i", packets);
    if (context != kContext || packets <= 0) return FALSE;
    EnterCriticalSection(&lock);
    queueSize = size_t(packets);
    queue.clear();
    LeaveCriticalSection(&lock);
    return TRUE;
}

__declspec(dllexport) int WINAPI WTPacketsGet(HCTX context, int maxPackets, LPVOID packets) {
    if (context != kContext || maxPackets <= 0) return 0;
    EnterCriticalSection(&lock);
    int count = 0;
    Packet* out = static_cast<Packet*>(packets);
    while (count < maxPackets && !queue.empty()) {
        if (out) out[count] = queue.front().packet;
        queue.pop_front();
        ++count;
    }
    LeaveCriticalSection(&lock);
    return count;
}

__declspec(dllexport) BOOL WINAPI WTDataPeek(HCTX context, UINT begin, UINT end, int maxPackets, LPVOID packets,
                                            LPINT count) {
    if (context != kContext || !count) return FALSE;
    EnterCriticalSection(&lock);
    int found = 0;
    Packet* out = static_cast<Packet*>(packets);
    for (const Queued& q : queue) {
        if (found >= maxPackets) break;
        if (q.serial >= begin && q.serial <= end) {
            if (out) out[found] = q.packet;
            ++found;
        }
    }
    LeaveCriticalSection(&lock);
    *count = found;
    return found > 0;
}

}  // extern "C"
