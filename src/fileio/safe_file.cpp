#include "fileio/safe_file.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <system_error>

#include "platform/log.h"

namespace {

namespace fs = std::filesystem;

constexpr int kNameAttempts = 16;

std::atomic<bool> failWrites{false};
std::atomic<uint32_t> nameCounter{0};

// A name next to the target that no other file has: rename only replaces
// atomically within one folder. The C runtime of Windows has no exclusive
// create mode for fopen, so uniqueness is checked before creating instead.
std::string TempName(const std::string& target) {
    static const char kHex[] = "0123456789abcdef";
    const uint64_t ticks = uint64_t(std::chrono::steady_clock::now().time_since_epoch().count());
    uint64_t token = ticks * 0x9E3779B97F4A7C15ull + nameCounter.fetch_add(1, std::memory_order_relaxed);
    std::string name = target + ".~";
    for (int i = 0; i < 12; ++i, token >>= 4) name += kHex[token & 15];
    return name + ".tmp";
}

void RemoveQuietly(const std::string& path) {
    std::error_code ec;
    fs::remove(fs::path(path), ec);
}

}  // namespace

void FailSafeFileWritesForTesting(bool on) { failWrites.store(on, std::memory_order_release); }

SafeFile::~SafeFile() { Abandon(); }

bool SafeFile::Open(const std::string& target) {
    Abandon();
    if (target.empty()) return false;
    for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
        const std::string temp = TempName(target);
        std::error_code ec;
        if (fs::exists(fs::path(temp), ec) || ec) continue;
        std::FILE* file = std::fopen(temp.c_str(), "wb");
        if (!file) return false;  // the folder does not take new files
        if (failWrites.load(std::memory_order_acquire)) {
            // A stream open for reading only: every write fails for real.
            std::fclose(file);
            file = std::fopen(temp.c_str(), "rb");
            if (!file) {
                RemoveQuietly(temp);
                return false;
            }
        }
        target_ = target;
        temp_ = temp;
        file_ = file;
        return true;
    }
    return false;
}

bool SafeFile::Commit() {
    if (!file_) return false;
    bool ok = std::fflush(file_) == 0 && !std::ferror(file_);
    ok = std::fclose(file_) == 0 && ok;
    file_ = nullptr;
    if (ok) {
        std::error_code ec;
        fs::rename(fs::path(temp_), fs::path(target_), ec);
        ok = !ec;
    }
    if (!ok) {
        LogLine("SafeFile: could not write \"%s\"", target_.c_str());
        RemoveQuietly(temp_);
    }
    temp_.clear();
    target_.clear();
    return ok;
}

void SafeFile::Abandon() {
    if (file_) std::fclose(file_);
    file_ = nullptr;
    if (!temp_.empty()) RemoveQuietly(temp_);
    temp_.clear();
    target_.clear();
}
