#include "app/autosave.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <memory>
#include <mutex>
#include <new>
#include <system_error>
#include <thread>
#include <vector>

#include "app/app_state.h"
#include "app/autosave_backup.h"
#include "app/commands.h"
#include "app/file_commands.h"
#include "image/color_profile.h"
#include "platform/file_lock.h"
#include "platform/file_open.h"
#include "platform/log.h"
#include "platform/platform.h"

namespace {

namespace fs = std::filesystem;

const char kPrefix[] = "recovery-";
const char kExtension[] = ".tvl";
const char kLockExtension[] = ".lock";
// A week: beyond it the timer's milliseconds would not fit.
constexpr int kMaxIntervalSeconds = 7 * 24 * 3600;
// Per pass while the timer runs: tiles looked at and copied ahead of the
// snapshot (8 tiles are 1 MB, well under a millisecond).
constexpr int kWarmUpScan = 2048;
constexpr int kWarmUpCopies = 8;

// A recovery file and the lock that says its owner is alive.
struct OwnedFile {
    std::string path;
    std::unique_ptr<FileLock> lock;
};

struct Autosave {
    std::string folder;
    uint32_t intervalMs = 0;  // 0: nothing is written
    OwnedFile own;
    std::vector<OwnedFile> adopted;  // left by a program that did not exit cleanly

    DocumentBackup backup;
    bool backupFilled = false;
    std::thread writer;
    std::atomic<bool> busy{false};  // a write is running; the backup is the writer's
    std::mutex mutex;
    bool writing = false;            // as busy, under mutex
    bool removeWhenWritten = false;  // under mutex

    bool fileMayExist = false;
    bool lastWriteOk = false;  // the writer's; read once it has finished
    bool timing = false;
    uint32_t dueFrom = 0;
    // Short of memory: no copies are taken until the next try, an interval on.
    bool paused = false;
};

// Never destroyed: a process that ends without the clean exit (the window
// taken away) may still have a write running, which must not meet a
// destroyed thread object or backup.
Autosave& State() {
    static Autosave* state = new Autosave();
    return *state;
}

std::string LockPath(const std::string& file) { return file + kLockExtension; }

void RemoveFile(const std::string& path) {
    std::error_code ec;
    fs::remove(PathFromUtf8(path), ec);
}

bool EndsWith(const std::string& text, const std::string& end) {
    return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

bool IsRecoveryName(const std::string& name, const char* extension) {
    return name.compare(0, sizeof kPrefix - 1, kPrefix) == 0 && EndsWith(name, extension);
}

std::time_t ToTimeT(fs::file_time_type time) {
    // The file clock's epoch is the library's own; both clocks' now anchor it.
    const auto fileNow = fs::file_time_type::clock::now();
    const auto systemNow = std::chrono::system_clock::now();
    return std::chrono::system_clock::to_time_t(
        systemNow + std::chrono::duration_cast<std::chrono::system_clock::duration>(time - fileNow));
}

struct Found {
    std::string path;
    fs::file_time_type time;
};

// Every recovery file (or lock file) in the folder, newest first.
std::vector<Found> ListFiles(const std::string& folder, const char* extension) {
    std::vector<Found> found;
    std::error_code ec;
    for (fs::directory_iterator it(PathFromUtf8(folder), ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = Utf8FromPath(it->path().filename());
        if (!IsRecoveryName(name, extension)) continue;
        std::error_code timeError;
        const fs::file_time_type time = fs::last_write_time(it->path(), timeError);
        if (!timeError) found.push_back({Utf8FromPath(it->path()), time});
    }
    std::sort(found.begin(), found.end(), [](const Found& a, const Found& b) { return a.time > b.time; });
    return found;
}

// Lock files whose recovery file is gone and whose owner is not alive (a
// program that ended before its first autosave).
void RemoveDeadLocks(const std::string& folder) {
    for (const Found& lockFile : ListFiles(folder, kLockExtension)) {
        const std::string file = lockFile.path.substr(0, lockFile.path.size() - (sizeof kLockExtension - 1));
        std::error_code ec;
        if (fs::exists(PathFromUtf8(file), ec)) continue;
        FileLock lock;
        if (!lock.Acquire(lockFile.path)) continue;
        lock.Release();
        RemoveFile(lockFile.path);
    }
}

// The newest recovery file whose owner is no longer running, locked for this
// process; false when there is none.
bool TakeOrphan(const std::string& folder, OwnedFile& orphan, std::time_t& written) {
    for (const Found& file : ListFiles(folder, kExtension)) {
        auto lock = std::make_unique<FileLock>();
        if (!lock->Acquire(LockPath(file.path))) continue;
        orphan.path = file.path;
        orphan.lock = std::move(lock);
        written = ToTimeT(file.time);
        return true;
    }
    return false;
}

// This process's own name, numbered on when a file of the same process
// number (an earlier process's) is still there.
bool ChooseOwnFile(Autosave& a) {
    const fs::path basePath = (PathFromUtf8(a.folder) / (kPrefix + std::to_string(CurrentProcessId())));
    const std::string base = Utf8FromPath(basePath);
    for (int n = 1; n <= 100; ++n) {
        const std::string path = base + (n == 1 ? std::string() : "-" + std::to_string(n)) + kExtension;
        std::error_code ec;
        if (fs::exists(PathFromUtf8(path), ec) || ec) continue;
        auto lock = std::make_unique<FileLock>();
        if (!lock->Acquire(LockPath(path))) continue;
        a.own.path = path;
        a.own.lock = std::move(lock);
        return true;
    }
    return false;
}

void ReleaseAndRemove(OwnedFile& file) {
    if (file.path.empty()) return;
    RemoveFile(file.path);
    if (file.lock) file.lock->Release();
    RemoveFile(LockPath(file.path));
    file.path.clear();
    file.lock.reset();
}

bool OpenRecovered(const std::string& path) {
    if (!LoadDocument(path)) {
        LogLine("autosave: could not open the recovery file %s", path.c_str());
        return false;
    }
    // Unnamed, so that Save asks where the rescued picture goes.
    app.documentPath.clear();
    app.document.modified = true;
    ResetView(app.view, app.document.width, app.document.height);
    UpdateWindowTitle();
    return true;
}

void WriteBackup(Autosave* a) {
    const bool ok = a->backup.Write(a->own.path);
    if (!ok) LogLine("autosave failed: %s", a->own.path.c_str());
    a->lastWriteOk = ok;
    std::lock_guard<std::mutex> lock(a->mutex);
    if (a->removeWhenWritten) RemoveFile(a->own.path);
    a->removeWhenWritten = false;
    a->writing = false;
    a->busy.store(false, std::memory_order_release);
}

// False when no thread could be made for the write (the system is short of
// memory); nothing is written then.
bool StartWrite(Autosave& a) {
    {
        std::lock_guard<std::mutex> lock(a.mutex);
        a.writing = true;
        a.removeWhenWritten = false;
    }
    a.busy.store(true, std::memory_order_release);
    bool started = false;
    try {
        a.writer = std::thread(WriteBackup, &a);
        started = true;
    } catch (const std::system_error&) {
    } catch (const std::bad_alloc&) {
    }
    if (!started) {
        std::lock_guard<std::mutex> lock(a.mutex);
        a.writing = false;
        a.busy.store(false, std::memory_order_release);
        return false;
    }
    a.fileMayExist = true;
    return true;
}

// The copies could not be taken or written: they are dropped, and the next
// try waits a whole interval.
void Pause(Autosave& a, uint32_t now) {
    a.backup.Clear();
    a.backupFilled = false;
    a.dueFrom = now;
    if (!a.paused) LogLine("Autosave paused: not enough memory");
    a.paused = true;
}

void Resume(Autosave& a) {
    if (a.paused) LogLine("Autosave resumed");
    a.paused = false;
}

void WaitForWriter(Autosave& a) {
    if (a.writer.joinable()) a.writer.join();
}

void RemoveOwnFile(Autosave& a) {
    std::lock_guard<std::mutex> lock(a.mutex);
    if (a.writing)
        a.removeWhenWritten = true;
    else
        RemoveFile(a.own.path);
    a.fileMayExist = false;
}

void ResetState(Autosave& a) {
    a.folder.clear();
    a.intervalMs = 0;
    a.own = OwnedFile();
    a.adopted.clear();
    a.backup.Clear();
    a.backupFilled = false;
    a.fileMayExist = false;
    a.lastWriteOk = false;
    a.timing = false;
    a.paused = false;
}

}  // namespace

std::string RecoveryQuestion(std::time_t written) {
    char when[64] = "";
    if (const std::tm* local = std::localtime(&written)) std::strftime(when, sizeof when, "%Y-%m-%d %H:%M", local);
    return std::string("Recover the unsaved image from ") + when + "?";
}

bool StartAutosaveAndOfferRecovery(int intervalSeconds) {
    Autosave& a = State();
    ResetState(a);
    a.intervalMs = intervalSeconds > 0 ? uint32_t(std::min(intervalSeconds, kMaxIntervalSeconds)) * 1000u : 0;
    a.folder = platform::UserSettingsFolder();
    std::error_code ec;
    if (a.folder.empty() || (!fs::create_directories(PathFromUtf8(a.folder), ec) && ec)) {
        LogLine("autosave: no settings folder, autosave is off");
        a.folder.clear();
        return false;
    }
    RemoveDeadLocks(a.folder);

    bool recovered = false;
    OwnedFile orphan;
    std::time_t written = 0;
    if (TakeOrphan(a.folder, orphan, written)) {
        LogLine("autosave: found %s", orphan.path.c_str());
        if (platform::AskOkCancel("Recover image", RecoveryQuestion(written).c_str()))
            recovered = OpenRecovered(orphan.path);
        a.adopted.push_back(std::move(orphan));
    }
    if (a.intervalMs > 0 && !ChooseOwnFile(a)) LogLine("autosave: no recovery file can be made in %s", a.folder.c_str());
    return recovered;
}

void AutosavePass() {
    Autosave& a = State();
    if (a.own.path.empty()) return;
    Document& doc = app.document;
    const bool busy = a.busy.load(std::memory_order_acquire);
    if (!busy) WaitForWriter(a);
    if (!doc.modified) {
        a.timing = false;
        if (a.fileMayExist) RemoveOwnFile(a);
        // The copies belong to a picture that is now in a file.
        if (!busy && a.backupFilled) {
            a.backup.Clear();
            a.backupFilled = false;
        }
        return;
    }
    const uint32_t now = platform::Milliseconds();
    if (!a.timing) {
        a.timing = true;
        a.dueFrom = now;
    }
    if (busy) return;
    // The last write ran out of memory.
    if (a.backup.OutOfMemory()) return Pause(a, now);
    a.backupFilled = true;
    if (uint32_t(now - a.dueFrom) < a.intervalMs) {
        if (!a.paused) a.backup.WarmUp(doc, kWarmUpScan, kWarmUpCopies);
        if (a.backup.OutOfMemory()) Pause(a, now);
        return;
    }
    // Half a stroke or a dialog's preview is no state to come back to.
    if (app.stroke.count > 0 || DialogHoldsDocument()) return;
    const bool caughtUp = a.backup.CatchUp(doc);
    if (a.backup.OutOfMemory()) return Pause(a, now);
    if (!caughtUp) return;
    a.dueFrom = now;
    const bool changed = a.backup.Capture(doc, CurrentProfile());
    if (a.backup.OutOfMemory()) return Pause(a, now);
    // An unchanged document already in the file is not written again.
    if (!changed && a.fileMayExist && a.lastWriteOk) return;
    if (!StartWrite(a)) return Pause(a, now);
    Resume(a);
}

int AutosaveDueInMs() {
    const Autosave& a = State();
    if (a.own.path.empty() || !app.document.modified) return -1;
    if (!a.timing) return int(a.intervalMs);
    const uint32_t elapsed = platform::Milliseconds() - a.dueFrom;
    return elapsed >= a.intervalMs ? 0 : int(a.intervalMs - elapsed);
}

void StopAutosaveAtCleanExit() {
    Autosave& a = State();
    WaitForWriter(a);
    ReleaseAndRemove(a.own);
    for (OwnedFile& file : a.adopted) ReleaseAndRemove(file);
    ResetState(a);
}

std::string AutosavePath() { return State().own.path; }

void AbandonAutosaveForTesting() {
    Autosave& a = State();
    WaitForWriter(a);
    ResetState(a);  // the locks go as the system drops a killed process's
}

void WaitForAutosaveForTesting() { WaitForWriter(State()); }
