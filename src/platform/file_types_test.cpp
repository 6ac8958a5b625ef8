#include "platform/file_types.h"

#include <gtest/gtest.h>

#include <utility>

#include "platform/platform.h"

namespace {

using namespace std::string_literals;
using Entries = std::vector<std::pair<std::string, std::string>>;

Entries Listed(int type) {
    Entries entries;
    for (const platform::FileTypeEntry& entry : platform::FileTypes(type))
        entries.emplace_back(entry.description, entry.patterns);
    return entries;
}

TEST(FileTypes, EachDialogOffersItsListInOrder) {
    const Entries open = {
        {"Supported files (*.tvl, *.ora, *.png, *.jpg, *.jpeg)", "*.tvl;*.ora;*.png;*.jpg;*.jpeg"},
        {"Velloran GL (*.tvl)", "*.tvl"},
        {"OpenRaster (*.ora)", "*.ora"},
        {"Portable Network Graphics (*.png)", "*.png"},
        {"JPEG (*.jpg, *.jpeg)", "*.jpg;*.jpeg"},
        {"All Files (*.*)", "*.*"},
    };
    const Entries save = {
        {"Velloran GL (*.tvl)", "*.tvl"},
        {"OpenRaster (*.ora)", "*.ora"},
        {"Portable Network Graphics (*.png)", "*.png"},
        {"JPEG (*.jpg, *.jpeg)", "*.jpg;*.jpeg"},
    };
    const Entries exportFrames = {
        {"Portable Network Graphics (*.png)", "*.png"},
        {"JPEG (*.jpg, *.jpeg)", "*.jpg;*.jpeg"},
        {"OpenRaster (*.ora)", "*.ora"},
    };
    EXPECT_EQ(Listed(platform::kFilesOpen), open);
    EXPECT_EQ(Listed(platform::kFilesSave), save);
    EXPECT_EQ(Listed(platform::kFilesExport), exportFrames);
}

TEST(FileTypes, UnknownTypesOfferNothing) {
    for (int type : {-1, 3, 100}) {
        EXPECT_TRUE(platform::FileTypes(type).empty()) << type;
        EXPECT_EQ(platform::NulSeparatedFilter(type), "") << type;
    }
}

// Windows reads the filter up to the first empty string: a missing NUL would
// run into whatever memory follows, an extra one would hide the later types.
TEST(FileTypes, WindowsFilterSeparatesEveryStringAndEndsWithAnEmptyOne) {
    const std::pair<int, std::string> cases[] = {
        {platform::kFilesOpen,
         "Supported files (*.tvl, *.ora, *.png, *.jpg, *.jpeg)\0*.tvl;*.ora;*.png;*.jpg;*.jpeg\0"
         "Velloran GL (*.tvl)\0*.tvl\0"
         "OpenRaster (*.ora)\0*.ora\0"
         "Portable Network Graphics (*.png)\0*.png\0"
         "JPEG (*.jpg, *.jpeg)\0*.jpg;*.jpeg\0"
         "All Files (*.*)\0*.*\0\0"s},
        {platform::kFilesSave,
         "Velloran GL (*.tvl)\0*.tvl\0"
         "OpenRaster (*.ora)\0*.ora\0"
         "Portable Network Graphics (*.png)\0*.png\0"
         "JPEG (*.jpg, *.jpeg)\0*.jpg;*.jpeg\0\0"s},
        {platform::kFilesExport,
         "Portable Network Graphics (*.png)\0*.png\0"
         "JPEG (*.jpg, *.jpeg)\0*.jpg;*.jpeg\0"
         "OpenRaster (*.ora)\0*.ora\0\0"s},
    };
    for (const auto& c : cases) EXPECT_EQ(platform::NulSeparatedFilter(c.first), c.second) << c.first;
}

TEST(FileTypes, SaveDialogsAddThePreselectedTypesExtension) {
    using namespace platform;
    const struct {
        int type;
        std::string typed, saved;
    } cases[] = {
        {kFilesSave, "/home/ann/sketch", "/home/ann/sketch.tvl"},
        {kFilesExport, "/home/ann/walk", "/home/ann/walk.png"},
        {kFilesSave, "/home/ann/sketch.PNG", "/home/ann/sketch.PNG"},
        {kFilesSave, "/home/ann/v1.2/sketch", "/home/ann/v1.2/sketch.tvl"},  // the folder's dot is not the name's
        {kFilesSave, "/home/ann/sketch.", "/home/ann/sketch."},
        {kFilesSave, "/home/ann/", "/home/ann/"},
        {kFilesSave, "", ""},
        {kFilesOpen, "/home/ann/sketch", "/home/ann/sketch"},  // opening finds files, it names none
        {99, "/home/ann/sketch", "/home/ann/sketch"},
    };
    for (const auto& c : cases) EXPECT_EQ(WithDefaultExtension(c.type, c.typed), c.saved) << c.typed;
}

}  // namespace
