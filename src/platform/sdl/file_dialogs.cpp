// The file dialogs on Linux: the desktop's dialog program (zenity, or kdialog
// where only KDE's is installed) runs as a child process and prints the
// chosen path. The program is started directly, without a shell, so no
// character of a file name is ever interpreted.
#include <SDL.h>
#include <SDL_syswm.h>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "platform/file_types.h"
#include "platform/log.h"
#include "platform/platform.h"
#include "platform/sdl/dialog_command.h"
#include "platform/sdl/main_window.h"

extern char** environ;

namespace platform {

namespace {

constexpr size_t kMaxOutput = 1 << 16;
constexpr int kPollMs = 20;

std::string FindInPath(const char* name) {
    const char* path = std::getenv("PATH");
    if (!path) return std::string();
    const std::string dirs = path;
    size_t start = 0;
    while (start <= dirs.size()) {
        size_t end = dirs.find(':', start);
        if (end == std::string::npos) end = dirs.size();
        const std::string dir = end > start ? dirs.substr(start, end - start) : ".";
        const std::string file = dir + "/" + name;
        struct stat info;
        if (stat(file.c_str(), &info) == 0 && S_ISREG(info.st_mode) && access(file.c_str(), X_OK) == 0) return file;
        start = end + 1;
    }
    return std::string();
}

unsigned long ParentWindow() {
    SDL_Window* window = sdl::MainWindow();
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (!window || !SDL_GetWindowWMInfo(window, &info) || info.subsystem != SDL_SYSWM_X11) return 0;
    return static_cast<unsigned long>(info.info.x11.window);
}

// Clicks and keys meant for the dialog, or made while it was up, must not
// act on the canvas afterwards. Releases stay so that nothing is left held.
int DropInput(void*, SDL_Event* event) {
    switch (event->type) {
        case SDL_KEYDOWN:
        case SDL_TEXTINPUT:
        case SDL_TEXTEDITING:
        case SDL_MOUSEMOTION:
        case SDL_MOUSEBUTTONDOWN:
        case SDL_MOUSEWHEEL:
        case SDL_FINGERDOWN:
        case SDL_FINGERMOTION:
            return 0;
        default:
            return 1;
    }
}

// The window keeps talking to the display while the dialog is up; its
// window and quit events wait in the queue for the main loop.
void KeepWindowAlive() {
    if (!SDL_WasInit(SDL_INIT_VIDEO)) return;
    SDL_PumpEvents();
    SDL_FilterEvents(DropInput, nullptr);
}

// Runs args until the child ends, collecting what it prints; false when it
// cannot be started.
bool RunChild(const std::vector<std::string>& args, std::string& output, int& exitStatus) {
    int pipeEnds[2];
    if (pipe2(pipeEnds, O_CLOEXEC) != 0) return false;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, pipeEnds[1], STDOUT_FILENO);
    std::vector<char*> argv;
    for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    pid_t child = 0;
    const int spawnError = posix_spawn(&child, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(pipeEnds[1]);
    if (spawnError != 0) {
        close(pipeEnds[0]);
        LogLine("#### file dialog: cannot start %s: %s", args[0].c_str(), std::strerror(spawnError));
        return false;
    }

    fcntl(pipeEnds[0], F_SETFL, fcntl(pipeEnds[0], F_GETFL) | O_NONBLOCK);
    auto drain = [&] {
        char buffer[4096];
        ssize_t n;
        while ((n = read(pipeEnds[0], buffer, sizeof buffer)) > 0)
            if (output.size() < kMaxOutput) output.append(buffer, size_t(n));
    };
    int status = 0;
    pid_t ended = 0;
    for (;;) {
        pollfd readable = {pipeEnds[0], POLLIN, 0};
        poll(&readable, 1, kPollMs);
        drain();
        ended = waitpid(child, &status, WNOHANG);
        if (ended == child || (ended < 0 && errno != EINTR)) break;
        KeepWindowAlive();
    }
    // What the child wrote before it ended is in the pipe; a process it left
    // behind holding the pipe open is not waited for.
    drain();
    close(pipeEnds[0]);
    exitStatus = ended == child && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return true;
}

bool RunFileDialog(int type, bool save, std::string& name) {
    if (FileTypes(type).empty()) {
        LogLine("#### file dialog: unknown type %i", type);
        return false;
    }
    sdl::DialogProgram program = sdl::DialogProgram::kZenity;
    std::string programFile = FindInPath("zenity");
    if (programFile.empty()) {
        program = sdl::DialogProgram::kKdialog;
        programFile = FindInPath("kdialog");
    }
    if (programFile.empty()) {
        LogLine("#### file dialog: neither zenity nor kdialog found");
        ShowError("Error", "No file dialog available (install zenity)");
        return false;
    }
    const std::vector<std::string> args =
        sdl::DialogArguments(program, programFile, {type, save, name, ParentWindow()});
    std::string output;
    int exitStatus = -1;
    if (!RunChild(args, output, exitStatus)) return false;
    if (exitStatus != 0 && exitStatus != 1)
        LogLine("#### file dialog: %s ended with %i", programFile.c_str(), exitStatus);
    if (!sdl::ChosenPath(exitStatus, output, name)) return false;
    if (save) name = WithDefaultExtension(type, name);
    return true;
}

}  // namespace

bool OpenFileDialog(int type, std::string& name) { return RunFileDialog(type, false, name); }
bool SaveFileDialog(int type, std::string& name) { return RunFileDialog(type, true, name); }

}  // namespace platform
