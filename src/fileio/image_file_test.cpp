#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "fileio/fileio_test_support.h"
#include "fileio/image_file.h"
#include "fileio/test_images.h"
#include "image/animation.h"
#include "image/document_test_support.h"

namespace {

using namespace fileiotest;

TEST(ImageFileExtension, IsTheUpperCasedTextAfterTheLastDot) {
    const struct {
        std::string path, extension;
    } cases[] = {
        {"a.Png", "PNG"},
        {"a", "A"},
        {"photo.Jpeg", "JPEG"},
        {"archive.tvl.bak", "BAK"},
        {"C:\\art\\sketch.tVl", "TVL"},
        {"dir.v2/file", "V2/FILE"},
        {"name.", ""},
        {"", ""},
        {"odd.a_z{~", "A?Z[^"},  // every character above 'Z' moves down by 32
        {"caf\xC3\xA9.p\xC3\xA9", "P\xC3\xA9"},  // multi-byte characters stay intact
        {"long." + std::string(5000, 'x'), std::string(5000, 'X')},
    };
    for (const auto& c : cases) EXPECT_EQ(FileExtension(c.path), c.extension) << c.path;
}

class ImageFileTest : public FileTest {
protected:
    void SetUp() override {
        FileTest::SetUp();
        ASSERT_TRUE(NewDocument(doc, 140, 30));
        doctest::PaintLayer(doc, 0, 3);
        ASSERT_TRUE(AddLayer(doc, 0));
        doctest::PaintLayer(doc, 1, 4);
    }
};

TEST_F(ImageFileTest, SavingPicksTheFormatByExtension) {
    const struct {
        const char* name;
        std::vector<uint8_t> magic;
    } cases[] = {
        {"a.Png", {0x89, 'P', 'N', 'G'}},
        {"b.JPG", {0xFF, 0xD8, 0xFF}},
        {"photo.Jpeg", {0xFF, 0xD8, 0xFF}},
        {"c.tvl", {5, 0, 0, 0, 128, 0, 0, 0}},
    };
    for (const auto& c : cases) {
        ASSERT_TRUE(SaveImage(doc, Path(c.name))) << c.name;
        const std::vector<uint8_t> bytes = samples::ReadFileBytes(Path(c.name));
        ASSERT_GE(bytes.size(), c.magic.size());
        EXPECT_TRUE(std::equal(c.magic.begin(), c.magic.end(), bytes.begin())) << c.name;
    }
}

TEST_F(ImageFileTest, UnknownExtensionsAreRefusedAndLogged) {
    StartLog();
    EXPECT_FALSE(SaveImage(doc, "a"));  // refused before anything is written
    EXPECT_FALSE(SaveImage(doc, Path("archive.tvl.bak")));
    EXPECT_TRUE(Entries().empty());
    const std::vector<std::string> lines = LogLines();
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[0], "SaveImage(\"a\")");
    EXPECT_EQ(lines[1], "SaveImage: unknown format (A)!");
    EXPECT_EQ(lines[3], "SaveImage: unknown format (BAK)!");
}

TEST_F(ImageFileTest, OnlyALayeredSaveSetsTheLayeredFlag) {
    ASSERT_TRUE(SaveImage(doc, Path("a.tvl")));
    EXPECT_TRUE(doc.layeredFile);
    ASSERT_TRUE(SaveImage(doc, Path("a.png")));
    EXPECT_FALSE(doc.layeredFile);
}

// After a failed save the next Ctrl+S must still know the document is a
// layered file (and Ctrl+R must not ask to drop its layers).
TEST_F(ImageFileTest, FailedSavesKeepTheFileFlags) {
    fs::create_directory(Path("folder.png"));
    for (bool layered : {true, false}) {
        for (const char* name : {"a.gif", "no-such-folder/a.tvl", "folder.png"}) {
            SCOPED_TRACE(std::string(name) + (layered ? ", layered" : ", flat"));
            doc.layeredFile = layered;
            doc.modified = true;
            doc.flatCopy = !layered;
            EXPECT_FALSE(SaveImage(doc, Path(name)));
            EXPECT_EQ(doc.layeredFile, layered);
            EXPECT_TRUE(doc.modified);
            EXPECT_EQ(doc.flatCopy, !layered);
        }
    }
}

// The onion skin helps the painter see the neighbouring frames; it is not
// part of the picture, so flat saves and frame exports leave it out.
TEST_F(ImageFileTest, FlatSavesLeaveOutTheOnionSkin) {
    samples::MakeAnimatedDocument(doc, 260, 130, 5);  // frame 1 shown, 0 and 2 around it
    for (const char* extension : {".png", ".jpg"}) {
        SCOPED_TRACE(extension);
        ASSERT_FALSE(doc.onionSkin);
        ASSERT_TRUE(SaveImage(doc, Path(std::string("plain") + extension)));
        ToggleOnionSkin(doc);
        ASSERT_TRUE(SaveImage(doc, Path(std::string("onion") + extension)));
        EXPECT_EQ(samples::ReadFileBytes(Path(std::string("onion") + extension)),
                  samples::ReadFileBytes(Path(std::string("plain") + extension)));
        EXPECT_TRUE(doc.onionSkin);
        for (LayerTile* stack : doc.stacks) EXPECT_TRUE(LayerTileAt(stack, 1)->onionSkin) << "the view keeps it";
        ToggleOnionSkin(doc);
    }
}

// Names outside any one code page, saved twice (the second save replaces the
// file) and opened again; a look-alike name stays a file of its own.
TEST_F(ImageFileTest, NamesInAnyScriptSaveAndOpen) {
    const struct {
        const char* name;
        int layers;
    } cases[] = {
        {"\xD1\x8D\xD1\x81\xD0\xBA\xD0\xB8\xD0\xB7.tvl", 2},  // эскиз.tvl
        {"\xE8\x8D\x89\xE7\xA8\xBF.png", 1},                    // 草稿.png
        {"skizze-\xC3\xA4.jpg", 1},                             // skizze-ä.jpg
        {"skizze-a.jpg", 1},
    };
    std::vector<std::string> names;
    for (const auto& c : cases) {
        ASSERT_TRUE(SaveImage(doc, Path(c.name))) << c.name;
        ASSERT_TRUE(SaveImage(doc, Path(c.name))) << c.name;
        names.push_back(c.name);
    }
    std::sort(names.begin(), names.end());
    EXPECT_EQ(Entries(), names);
    for (const auto& c : cases) {
        Document loaded;
        ASSERT_TRUE(LoadImage(loaded, Path(c.name))) << c.name;
        EXPECT_EQ(loaded.width, doc.width) << c.name;
        EXPECT_EQ(loaded.layerCount, c.layers) << c.name;
        ReleaseDocument(loaded);
    }
}

TEST_F(ImageFileTest, LoadingSetsTheFileFlagsAndLogs) {
    ASSERT_TRUE(SaveImage(doc, Path("layers.tvl")));
    ASSERT_TRUE(SaveImage(doc, Path("flat.png")));
    const std::vector<uint8_t> contents = TvlBytes(doc);

    doc.modified = doc.flatCopy = true;
    StartLog();
    ASSERT_TRUE(LoadImage(doc, Path("layers.tvl")));
    EXPECT_EQ(TvlBytes(doc), contents);
    EXPECT_TRUE(doc.layeredFile);
    EXPECT_FALSE(doc.modified);
    EXPECT_FALSE(doc.flatCopy);
    EXPECT_EQ(LogLines(), (std::vector<std::string>{"LoadImage(\"" + Path("layers.tvl") + "\")", "LoadImage_TVL()"}));

    doc.modified = doc.flatCopy = true;
    ASSERT_TRUE(LoadImage(doc, Path("flat.png")));
    EXPECT_EQ(doc.layerCount, 1);
    EXPECT_FALSE(doc.layeredFile);
    EXPECT_FALSE(doc.modified);
    EXPECT_FALSE(doc.flatCopy);
}

TEST_F(ImageFileTest, FailedLoadsLeaveTheDocumentAndItsFlags) {
    ASSERT_TRUE(samples::WriteFileBytes(Path("broken.tvl"), {5, 0, 0, 0, 128}));
    ASSERT_TRUE(samples::WriteFileBytes(Path("text.png"), {'n', 'o', 't'}));
    ASSERT_TRUE(samples::WriteFileBytes(Path("pic.gif"), {'G', 'I', 'F'}));
    doc.modified = true;
    doc.layeredFile = true;
    const struct {
        const char* name;
        const char* format;
    } cases[] = {{"broken.tvl", "TVL"}, {"text.png", "PNG"}, {"missing.jpg", "JPG"}, {"pic.gif", "GIF"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const DocumentSnapshot before(doc);
        std::remove(logPath_.c_str());
        StartLog();
        EXPECT_FALSE(LoadImage(doc, Path(c.name)));
        before.ExpectSame(doc);
        const std::vector<std::string> lines = LogLines();
        ASSERT_FALSE(lines.empty());
        EXPECT_EQ(lines.front(), "LoadImage(\"" + Path(c.name) + "\")");
        EXPECT_EQ(lines.back(), std::string("LoadImage: failed (format=") + c.format + ")");
    }
}

TEST_F(ImageFileTest, PathsAreLoggedAsData) {
    StartLog();
    SaveImage(doc, Path("100%s%n.gif"));
    const std::vector<std::string> lines = LogLines();
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines[0], "SaveImage(\"" + Path("100%s%n.gif") + "\")");
}

// A save that fails keeps the file it would have replaced, and leaves no
// temporary file behind.
TEST_F(ImageFileTest, FailedSavesKeepTheOldFile) {
    const std::vector<uint8_t> precious = {'k', 'e', 'e', 'p'};
    for (const char* name : {"old.tvl", "old.png", "old.jpg"}) {
        SCOPED_TRACE(name);
        ASSERT_TRUE(samples::WriteFileBytes(Path(name), precious));
        FailSafeFileWritesForTesting(true);
        EXPECT_FALSE(SaveImage(doc, Path(name)));
        FailSafeFileWritesForTesting(false);
        EXPECT_EQ(samples::ReadFileBytes(Path(name)), precious);
        EXPECT_EQ(Entries(), std::vector<std::string>{name});
        fs::remove(Path(name));
    }
    for (const char* name : {"folder.tvl", "folder.png", "folder.jpeg"}) {
        SCOPED_TRACE(name);
        fs::create_directory(Path(name));
        EXPECT_FALSE(SaveImage(doc, Path(name)));
        EXPECT_TRUE(fs::is_directory(Path(name)));
        EXPECT_EQ(Entries(), std::vector<std::string>{name});
        fs::remove(Path(name));
    }
    EXPECT_FALSE(SaveImage(doc, Path("no-such-folder/a.png")));
    EXPECT_TRUE(Entries().empty());
}

}  // namespace
