#include "platform/file_types.h"

#include "platform/platform.h"

namespace platform {

namespace {

const FileTypeEntry kLayered = {"Velloran GL (*.tvl)", "*.tvl"};
const FileTypeEntry kOpenRaster = {"OpenRaster (*.ora)", "*.ora"};
const FileTypeEntry kPng = {"Portable Network Graphics (*.png)", "*.png"};
const FileTypeEntry kJpeg = {"JPEG (*.jpg, *.jpeg)", "*.jpg;*.jpeg"};

const std::vector<FileTypeEntry> kOpenTypes = {
    {"Supported files (*.tvl, *.ora, *.png, *.jpg, *.jpeg)", "*.tvl;*.ora;*.png;*.jpg;*.jpeg"},
    kLayered,
    kOpenRaster,
    kPng,
    kJpeg,
    {"All Files (*.*)", "*.*"},
};
const std::vector<FileTypeEntry> kSaveTypes = {kLayered, kOpenRaster, kPng, kJpeg};
const std::vector<FileTypeEntry> kExportTypes = {kPng, kJpeg, kOpenRaster};
const std::vector<FileTypeEntry> kNoTypes;

}  // namespace

const std::vector<FileTypeEntry>& FileTypes(int type) {
    switch (type) {
        case kFilesOpen:
            return kOpenTypes;
        case kFilesSave:
            return kSaveTypes;
        case kFilesExport:
            return kExportTypes;
        default:
            return kNoTypes;
    }
}

std::string NulSeparatedFilter(int type) {
    const std::vector<FileTypeEntry>& types = FileTypes(type);
    if (types.empty()) return std::string();
    std::string filter;
    for (const FileTypeEntry& entry : types) {
        filter += entry.description;
        filter += '\0';
        filter += entry.patterns;
        filter += '\0';
    }
    filter += '\0';
    return filter;
}

std::string WithDefaultExtension(int type, const std::string& path) {
    if (type != kFilesSave && type != kFilesExport) return path;
    const size_t nameStart = path.find_last_of("/\\") + 1;  // npos + 1 is 0
    if (nameStart >= path.size() || path.find('.', nameStart) != std::string::npos) return path;
    const std::string patterns = FileTypes(type).front().patterns;
    return path + patterns.substr(1, patterns.find(';') - 1);  // "*.tvl" gives ".tvl"
}

}  // namespace platform
