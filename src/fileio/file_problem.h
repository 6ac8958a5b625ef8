#pragma once
#include <system_error>

// Why a file could not be saved or opened, where the program can tell, for
// the second line of the message the user sees. The readers and writers note
// it on the calling thread as they fail; the file commands take it.
enum class FileProblem {
    kNone,
    kPermissionDenied,
    kDiskFull,
    kReadOnlyDisk,
    kTruncated,
    kUnsupportedJpeg,
    kUnknownExtension,
};

// Keeps the first problem noted since the last take; kNone notes nothing.
void NoteFileProblem(FileProblem problem);
// The problem noted on this thread, which is forgotten.
FileProblem TakeFileProblem();

// The problem a system error stands for (kNone for the others).
FileProblem ProblemOfError(const std::error_code& error);
FileProblem ProblemOfErrno(int error);

// One sentence for the user; empty for kNone.
const char* FileProblemText(FileProblem problem);
