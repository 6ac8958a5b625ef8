#include "platform/file_types.h"

#include "platform/platform.h"

namespace platform {

namespace {

const FileTypeEntry kLayered = {"Velloran GL (*.tvl)", "*.tvl"};
const FileTypeEntry kPng = {"Portable Network Graphics (*.png)", "*.png"};
const FileTypeEntry kJpeg = {"JPEG (*.jpg, *.jpeg)", "*.jpg;*.jpeg"};

const std::vector<FileTypeEntry> kOpenTypes = {
    {"Supported files (*.tvl, *.png, *.jpg, *.jpeg)", "*.tvl;*.png;*.jpg;*.jpeg"},
    kLayered,
    kPng,
    kJpeg,
    {"All Files (*.*)", "*.*"},
};
const std::vector<FileTypeEntry> kSaveTypes = {kLayered, kPng, kJpeg};
const std::vector<FileTypeEntry> kExportTypes = {kPng, kJpeg};
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

}  // namespace platform
