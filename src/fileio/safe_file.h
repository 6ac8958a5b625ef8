#pragma once
#include <cstdio>
#include <string>

// Writes a file so that the old one survives any failure: the bytes go to a
// temporary file in the same folder, which replaces the target only when
// every write, the flush to disk and the close succeeded. Anything short of
// a successful Commit removes the temporary file and leaves the target as it
// was. The new file keeps the old one's permissions; a target that is a
// symbolic link stays one, and the file it points to is replaced. Opening
// also removes what an interrupted save of the same target left behind.
//
//   SafeFile out;
//   if (!out.Open(path)) return false;
//   std::fputs(text, out.File());
//   return out.Commit();
class SafeFile {
public:
    SafeFile() = default;
    ~SafeFile();
    SafeFile(const SafeFile&) = delete;
    SafeFile& operator=(const SafeFile&) = delete;

    // Creates the temporary file for target; false if it cannot be created.
    bool Open(const std::string& target);
    // The stream to write to; null unless open.
    std::FILE* File() const { return file_; }
    // The temporary file being written; empty unless open.
    const std::string& TempPath() const { return temp_; }
    // Flushes and closes the stream and, when no write failed, moves the
    // temporary file over the target. False means the target is untouched.
    bool Commit();
    // Drops the temporary file; the target is untouched.
    void Abandon();
    // The same after a write into File() failed, noting why (a full disk,
    // say) for the message the user sees (see file_problem.h).
    void AbandonFailedWrite();

private:
    std::string target_;
    std::string temp_;
    std::FILE* file_ = nullptr;
};

// Tests turn this on to make every write into a SafeFile fail, as a full disk
// would (with the system's own full device where there is one, so that the
// failure is a full disk's); off by default.
void FailSafeFileWritesForTesting(bool on);
