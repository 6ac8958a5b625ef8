#include "app/command_line_tool.h"

#include <cstdio>
#include <cstdlib>

#include "fileio/flat_image.h"
#include "fileio/flat_scale.h"
#include "fileio/image_file.h"
#include "fileio/png_file.h"
#include "fileio/safe_file.h"
#include "image/color_profile.h"
#include "image/document.h"
#include "image/thread_scratch.h"

namespace {

const char kUsage[] =
    "Usage: orvella [FILE]\n"
    "       orvella --export IN OUT\n"
    "       orvella --thumbnail IN OUT SIZE\n"
    "       orvella --help | --version\n"
    "\n"
    "Without options the program opens its window, with FILE if one is named.\n"
    "  --export IN OUT          convert IN to OUT, each in the format its extension\n"
    "                           names (.tvl, .ora, .png, .jpg, .jpeg); a flat format\n"
    "                           gets the picture as shown, an animation its current frame\n"
    "  --thumbnail IN OUT SIZE  write a PNG of IN to OUT, its longer side at most SIZE\n"
    "  --help                   show this text\n"
    "  --version                show the program's version\n";

bool StartsWithDashes(const std::string& argument) { return argument.compare(0, 2, "--") == 0; }

bool FileExists(const std::string& path) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file) std::fclose(file);
    return file != nullptr;
}

// The document code needs a colour profile and a tile-sized scratch ring on
// the calling thread. A run of the program from the command line has neither
// yet; a caller that has them keeps its own.
class ConversionScope {
public:
    ConversionScope() : ownScratch_(ScratchThreadCount() == 0) {
        if (!ownScratch_) return;
        SelectProfile(*BuiltinProfile(kDefaultProfileIndex));
        InitThreadScratch(1, kTileSide);
    }
    ~ConversionScope() {
        if (ownScratch_) FreeThreadScratch();
    }
    ConversionScope(const ConversionScope&) = delete;
    ConversionScope& operator=(const ConversionScope&) = delete;

private:
    bool ownScratch_;
};

bool Load(Document& doc, const std::string& in, std::string& reason) {
    if (!KnownImageExtension(in)) {
        reason = "cannot read '" + in + "': unknown file type";
        return false;
    }
    if (!FileExists(in)) {
        reason = "cannot read '" + in + "': no such file or no permission";
        return false;
    }
    std::string refusal;
    if (!LoadImage(doc, in, refusal)) {
        reason = "cannot read '" + in + "': " + (refusal.empty() ? "damaged or not a picture of its type" : refusal);
        return false;
    }
    return true;
}

bool ParseSize(const std::string& text, int& size) {
    if (text.empty() || text.size() > 5) return false;
    for (char c : text)
        if (c < '0' || c > '9') return false;
    size = std::atoi(text.c_str());
    return size >= 1 && size <= kMaxDocumentSide;
}

int Fail(std::string& err, const std::string& reason, int code) {
    err = "orvella: " + reason + "\n";
    return code;
}

}  // namespace

bool ConvertFile(const std::string& in, const std::string& out, std::string& reason) {
    if (!KnownImageExtension(out)) {
        reason = "cannot write '" + out + "': unknown file type";
        return false;
    }
    const ConversionScope scope;
    Document doc;
    if (!Load(doc, in, reason)) return false;
    if (!SaveImage(doc, out)) {
        reason = "cannot write '" + out + "'";
        return false;
    }
    return true;
}

bool WriteThumbnail(const std::string& in, const std::string& out, int maxSide, std::string& reason) {
    const ConversionScope scope;
    Document doc;
    if (!Load(doc, in, reason)) return false;
    std::vector<uint32_t> flat, small;
    int w = 0, h = 0;
    if (!FlattenDocument(doc, flat) || !ShrinkToFit(flat, doc.width, doc.height, maxSide, small, w, h)) {
        reason = "cannot draw the picture of '" + in + "'";
        return false;
    }
    SafeFile file;
    if (!file.Open(out) || !WritePng(file.File(), w, h, small) || !file.Commit()) {
        reason = "cannot write '" + out + "'";
        return false;
    }
    return true;
}

bool RunCommandLineTool(const std::vector<std::string>& arguments, int& exitCode, std::string& out, std::string& err) {
    bool flagged = false;
    for (const std::string& argument : arguments) flagged = flagged || StartsWithDashes(argument);
    if (!flagged) return false;

    // Only the first argument may be an option; a dashed one after it is an
    // error even after a plain name, which would otherwise open a window.
    const std::string& option = arguments.front();
    const size_t operands = arguments.size() - 1;
    for (size_t i = 1; i < arguments.size(); ++i)
        if (StartsWithDashes(arguments[i])) {
            exitCode = Fail(err, "unexpected option '" + arguments[i] + "' (see orvella --help)", kExitBadUsage);
            return true;
        }
    std::string reason;
    if (option == "--help" && operands == 0) {
        out = kUsage;
        exitCode = 0;
    } else if (option == "--version" && operands == 0) {
        out = "Orvella " ORVELLA_VERSION "\n";
        exitCode = 0;
    } else if (option == "--export" && operands == 2) {
        exitCode = ConvertFile(arguments[1], arguments[2], reason) ? 0 : Fail(err, reason, kExitFailed);
    } else if (option == "--thumbnail" && operands == 3) {
        int size = 0;
        if (!ParseSize(arguments[3], size))
            exitCode = Fail(err, "SIZE must be a whole number from 1 to 16384, not '" + arguments[3] + "'", kExitBadUsage);
        else
            exitCode = WriteThumbnail(arguments[1], arguments[2], size, reason) ? 0 : Fail(err, reason, kExitFailed);
    } else if (option == "--help" || option == "--version" || option == "--export" || option == "--thumbnail") {
        exitCode = Fail(err, "wrong number of arguments for " + option + " (see orvella --help)", kExitBadUsage);
    } else {
        exitCode = Fail(err, "unknown option '" + option + "' (see orvella --help)", kExitBadUsage);
    }
    return true;
}
