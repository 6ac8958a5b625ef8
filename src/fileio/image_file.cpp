#include "fileio/image_file.h"

#include "fileio/file_problem.h"
#include "fileio/jpeg_file.h"
#include "fileio/ora_file.h"
#include "fileio/png_file.h"
#include "fileio/tvl_file.h"
#include "image/document.h"
#include "platform/log.h"

namespace {

enum class Format { kUnknown, kTvl, kPng, kJpeg, kOra };

Format FormatOf(const std::string& extension) {
    if (extension == "TVL") return Format::kTvl;
    if (extension == "PNG") return Format::kPng;
    if (extension == "JPG" || extension == "JPEG") return Format::kJpeg;
    if (extension == "ORA") return Format::kOra;
    return Format::kUnknown;
}

}  // namespace

std::string FileExtension(const std::string& path) {
    const size_t dot = path.rfind('.');
    std::string extension = dot == std::string::npos ? path : path.substr(dot + 1);
    // Only ASCII moves, so the bytes of a multi-byte character stay intact.
    for (char& c : extension) {
        const auto u = static_cast<unsigned char>(c);
        if (u > 'Z' && u < 0x80) c = char(u - 32);
    }
    return extension;
}

bool KnownImageExtension(const std::string& path) { return FormatOf(FileExtension(path)) != Format::kUnknown; }

namespace {

bool SaveAs(Format format, Document& doc, const std::string& path) {
    switch (format) {
        case Format::kTvl: return SaveImage_TVL(doc, path.c_str());
        case Format::kPng: return SaveImage_PNG(doc, path.c_str());
        case Format::kJpeg: return SaveImage_JPEG(doc, path.c_str());
        case Format::kOra: return SaveImage_ORA(doc, path.c_str());
        case Format::kUnknown: break;
    }
    return false;
}

}  // namespace

bool SaveImage(Document& doc, const std::string& path) {
    LogLine("SaveImage(\"%s\")", path.c_str());
    const std::string extension = FileExtension(path);
    const Format format = FormatOf(extension);
    if (format == Format::kUnknown) {
        LogLine("SaveImage: unknown format (%s)!", extension.c_str());
        NoteFileProblem(FileProblem::kUnknownExtension);
        return false;
    }
    // A failed save changes nothing on disk, so the document's file state
    // stays as it was: the next save or revert must not treat a layered
    // document as flat.
    const bool layered = doc.layeredFile;
    doc.layeredFile = false;
    if (SaveAs(format, doc, path)) return true;
    doc.layeredFile = layered;
    return false;
}

bool LoadImage(Document& doc, const std::string& path) {
    std::string refusal;
    return LoadImage(doc, path, refusal);
}

bool LoadImage(Document& doc, const std::string& path, std::string& refusal) {
    refusal.clear();
    LogLine("LoadImage(\"%s\")", path.c_str());
    const std::string extension = FileExtension(path);
    bool loaded = false;
    switch (FormatOf(extension)) {
        case Format::kTvl: loaded = LoadImage_TVL(doc, path.c_str()); break;
        case Format::kPng: loaded = LoadImage_PNG(doc, path.c_str()); break;
        case Format::kJpeg: loaded = LoadImage_JPEG(doc, path.c_str()); break;
        case Format::kOra: loaded = LoadImage_ORA(doc, path.c_str(), refusal); break;
        case Format::kUnknown: NoteFileProblem(FileProblem::kUnknownExtension); break;
    }
    if (!loaded) {
        LogLine("LoadImage: failed (format=%s)", extension.c_str());
        return false;
    }
    // The loaders hand over a fresh document; only the layered one is a
    // layered file.
    doc.modified = false;
    doc.flatCopy = false;
    return true;
}
