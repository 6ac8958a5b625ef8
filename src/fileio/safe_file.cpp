#include "fileio/safe_file.h"

#include <atomic>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <system_error>

#include "fileio/file_problem.h"
#include "platform/file_open.h"
#include "platform/file_sync.h"
#include "platform/log.h"

namespace {

namespace fs = std::filesystem;

constexpr int kNameAttempts = 16;
constexpr int kMaxLinkHops = 40;

std::atomic<bool> failWrites{false};
std::atomic<uint32_t> nameCounter{0};

void AppendHex(std::string& out, uint64_t value, int digits) {
    static const char kHex[] = "0123456789abcdef";
    for (int i = 0; i < digits; ++i, value >>= 4) out += kHex[value & 15];
}

// FNV-1a: the same file name always gives the same tag.
uint32_t NameTag(const std::string& name) {
    uint32_t hash = 2166136261u;
    for (unsigned char c : name) hash = (hash ^ c) * 16777619u;
    return hash;
}

// Temporary files are "~" + 8 hex digits naming the target + 4 of their own
// + ".tmp", next to the target (rename only replaces atomically within one
// folder). The name is short, so a target whose name is near the system's
// limit can still be saved, and the tag finds what an interrupted save of
// the same target left behind. The C runtime of Windows has no exclusive
// create mode for fopen, so uniqueness is checked before creating instead.
// Names go to and from the system as UTF-8 through PathFromUtf8 and
// Utf8FromPath, never as narrow paths (the ANSI code page on Windows).
std::string TempPrefix(const fs::path& target) {
    std::string prefix = "~";
    AppendHex(prefix, NameTag(Utf8FromPath(target.filename())), 8);
    return prefix;
}

fs::path TempName(const fs::path& target) {
    const uint64_t ticks = uint64_t(std::chrono::steady_clock::now().time_since_epoch().count());
    const uint64_t token = ticks * 0x9E3779B97F4A7C15ull + nameCounter.fetch_add(1, std::memory_order_relaxed);
    std::string name = TempPrefix(target);
    AppendHex(name, token >> 32, 4);
    return target.parent_path() / (name + ".tmp");
}

bool IsHexDigits(const std::string& text, size_t from, size_t count) {
    if (text.size() < from + count) return false;
    for (size_t i = from; i < from + count; ++i)
        if (!std::isxdigit(static_cast<unsigned char>(text[i]))) return false;
    return true;
}

// What an interrupted save of target left: today's short names with its tag,
// and the older "NAME.~" + 12 hex digits + ".tmp".
bool IsLeftoverOf(const std::string& entry, const std::string& prefix, const std::string& targetName) {
    const std::string tmp = ".tmp";
    if (entry.size() == prefix.size() + 4 + tmp.size() && entry.compare(0, prefix.size(), prefix) == 0)
        return IsHexDigits(entry, prefix.size(), 4) && entry.compare(prefix.size() + 4, tmp.size(), tmp) == 0;
    const std::string old = targetName + ".~";
    return entry.size() == old.size() + 12 + tmp.size() && entry.compare(0, old.size(), old) == 0 &&
           IsHexDigits(entry, old.size(), 12) && entry.compare(old.size() + 12, tmp.size(), tmp) == 0;
}

void RemoveQuietly(const fs::path& path) {
    std::error_code ec;
    fs::remove(path, ec);
}

void RemoveLeftovers(const fs::path& target) {
    const fs::path folder = target.has_parent_path() ? target.parent_path() : fs::path(".");
    const std::string prefix = TempPrefix(target), name = Utf8FromPath(target.filename());
    std::error_code ec;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        const fs::path entry = it->path();
        std::error_code typeError;
        if (IsLeftoverOf(Utf8FromPath(entry.filename()), prefix, name) && it->is_regular_file(typeError))
            RemoveQuietly(entry);
    }
}

// A symbolic link stays a link: the file it points to is what gets replaced.
fs::path FileBehindLinks(const fs::path& target) {
    fs::path path = target;
    for (int hop = 0; hop < kMaxLinkHops; ++hop) {
        std::error_code ec;
        if (!fs::is_symlink(fs::symlink_status(path, ec)) || ec) return path;
        const fs::path next = fs::read_symlink(path, ec);
        if (ec) return path;
        path = next.is_absolute() ? next : path.parent_path() / next;
    }
    return path;
}

// The new file gets the old one's permissions (a private 0600 file stays
// private); a new target keeps what the system gave the temporary file.
void CopyPermissions(const fs::path& from, const fs::path& to) {
    std::error_code ec;
    const fs::file_status status = fs::status(from, ec);
    if (ec || !fs::is_regular_file(status)) return;
    fs::permissions(to, status.permissions(), fs::perm_options::replace, ec);
}

}  // namespace

void FailSafeFileWritesForTesting(bool on) { failWrites.store(on, std::memory_order_release); }

SafeFile::~SafeFile() { Abandon(); }

bool SafeFile::Open(const std::string& target) {
    Abandon();
    if (target.empty()) return false;
    const fs::path real = FileBehindLinks(PathFromUtf8(target));
    if (real.empty()) return false;
    RemoveLeftovers(real);
    for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
        const fs::path temp = TempName(real);
        std::error_code ec;
        if (fs::exists(temp, ec) || ec) continue;
        std::FILE* file = OpenFile(Utf8FromPath(temp), "wb");
        if (!file) {
            // The folder does not take new files.
            NoteFileProblem(ProblemOfErrno(errno));
            return false;
        }
        if (failWrites.load(std::memory_order_acquire)) {
            // The full device, or else a stream open for reading only: every
            // write fails for real.
            std::fclose(file);
            file = OpenFile("/dev/full", "wb");
            if (!file) file = OpenFile(Utf8FromPath(temp), "rb");
            if (!file) {
                RemoveQuietly(temp);
                return false;
            }
        }
        target_ = Utf8FromPath(real);
        temp_ = Utf8FromPath(temp);
        file_ = file;
        return true;
    }
    return false;
}

bool SafeFile::Commit() {
    if (!file_) return false;
    // On disk before the rename: a power cut must leave the old file or the
    // whole new one, never a renamed empty one.
    bool ok = std::fflush(file_) == 0 && !std::ferror(file_) && SyncFileToDisk(file_);
    if (!ok) NoteFileProblem(ProblemOfErrno(errno));
    ok = std::fclose(file_) == 0 && ok;
    file_ = nullptr;
    if (ok) {
        CopyPermissions(PathFromUtf8(target_), PathFromUtf8(temp_));
        std::error_code ec;
        fs::rename(PathFromUtf8(temp_), PathFromUtf8(target_), ec);
        if (ec) NoteFileProblem(ProblemOfError(ec));
        ok = !ec;
    }
    if (!ok) {
        LogLine("SafeFile: could not write \"%s\"", target_.c_str());
        RemoveQuietly(PathFromUtf8(temp_));
    }
    temp_.clear();
    target_.clear();
    return ok;
}

void SafeFile::AbandonFailedWrite() {
    // The stream keeps the error; errno still says what it was.
    if (file_ && std::ferror(file_)) NoteFileProblem(ProblemOfErrno(errno));
    Abandon();
}

void SafeFile::Abandon() {
    if (file_) std::fclose(file_);
    file_ = nullptr;
    if (!temp_.empty()) RemoveQuietly(PathFromUtf8(temp_));
    temp_.clear();
    target_.clear();
}
