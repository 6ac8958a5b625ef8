#include "fileio/file_problem.h"

namespace {

thread_local FileProblem noted = FileProblem::kNone;

}  // namespace

void NoteFileProblem(FileProblem problem) {
    if (noted == FileProblem::kNone) noted = problem;
}

FileProblem TakeFileProblem() {
    const FileProblem problem = noted;
    noted = FileProblem::kNone;
    return problem;
}

// Comparing with the portable conditions covers errno values and, through
// the system category, Windows' own error codes alike.
FileProblem ProblemOfError(const std::error_code& error) {
    if (error == std::errc::permission_denied || error == std::errc::operation_not_permitted)
        return FileProblem::kPermissionDenied;
    if (error == std::errc::no_space_on_device) return FileProblem::kDiskFull;
    if (error == std::errc::read_only_file_system) return FileProblem::kReadOnlyDisk;
    return FileProblem::kNone;
}

FileProblem ProblemOfErrno(int error) { return ProblemOfError(std::error_code(error, std::generic_category())); }

const char* FileProblemText(FileProblem problem) {
    switch (problem) {
        case FileProblem::kNone: break;
        case FileProblem::kPermissionDenied: return "Permission denied.";
        case FileProblem::kDiskFull: return "The disk is full.";
        case FileProblem::kReadOnlyDisk: return "The disk is read-only.";
        case FileProblem::kTruncated: return "The file is truncated.";
        case FileProblem::kUnsupportedJpeg: return "This kind of JPEG (12-bit, lossless or hierarchical) is not supported.";
        case FileProblem::kUnknownExtension: return "Only .tvl, .ora, .png, .jpg and .jpeg files are known.";
    }
    return "";
}
