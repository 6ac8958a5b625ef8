#pragma once
// Set-up shared by the file format tests: a folder per test, a colour profile,
// tile scratch for flattening, the log captured into a file, and snapshots
// that show whether a document changed.

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "fileio/byte_stream.h"
#include "fileio/flat_image.h"
#include "fileio/safe_file.h"
#include "fileio/tvl_file.h"
#include "image/color_profile.h"
#include "image/document.h"
#include "image/thread_scratch.h"
#include "platform/file_open.h"
#include "platform/log.h"

namespace fileiotest {

namespace fs = std::filesystem;

inline void PutI32(std::vector<uint8_t>& bytes, size_t offset, int32_t v) {
    for (int k = 0; k < 4; ++k) bytes[offset + size_t(k)] = uint8_t(uint32_t(v) >> (8 * k));
}

inline void PutF32(std::vector<uint8_t>& bytes, size_t offset, float v) {
    int32_t bits;
    std::memcpy(&bits, &v, sizeof bits);
    PutI32(bytes, offset, bits);
}

inline int32_t GetI32(const std::vector<uint8_t>& bytes, size_t offset) {
    uint32_t v = 0;
    for (int k = 0; k < 4; ++k) v |= uint32_t(bytes[offset + size_t(k)]) << (8 * k);
    return int32_t(v);
}

// Everything a layered file holds, including the current profile.
inline std::vector<uint8_t> TvlBytes(Document& doc) {
    std::vector<uint8_t> bytes;
    ByteSink sink(bytes);
    EXPECT_TRUE(WriteTvl(doc, sink));
    EXPECT_TRUE(sink.Finish());
    return bytes;
}

inline bool ReadTvlBytes(Document& doc, const std::vector<uint8_t>& bytes) {
    ByteSource source(bytes.data(), bytes.size());
    return ReadTvl(doc, source);
}

inline bool SameProfile(const ColorProfile& a, const ColorProfile& b) { return std::memcmp(&a, &b, sizeof a) == 0; }

// What a failed load must leave exactly as it was.
struct DocumentSnapshot {
    explicit DocumentSnapshot(Document& doc)
        : contents(TvlBytes(doc)),
          profile(CurrentProfile()),
          modified(doc.modified),
          flatCopy(doc.flatCopy),
          layeredFile(doc.layeredFile),
          textures(doc.texturesToRelease) {}

    void ExpectSame(Document& doc) const {
        EXPECT_TRUE(SameProfile(CurrentProfile(), profile));
        EXPECT_EQ(TvlBytes(doc), contents);
        EXPECT_EQ(doc.modified, modified);
        EXPECT_EQ(doc.flatCopy, flatCopy);
        EXPECT_EQ(doc.layeredFile, layeredFile);
        EXPECT_EQ(doc.texturesToRelease, textures);
    }

    std::vector<uint8_t> contents;
    ColorProfile profile;
    bool modified, flatCopy, layeredFile;
    std::vector<uint32_t> textures;
};

class FileTest : public ::testing::Test {
protected:
    void SetUp() override {
        SelectProfile(*BuiltinProfile(kDefaultProfileIndex));
        InitThreadScratch(1, kTileSide);
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        // One folder per test: ctest runs the cases as parallel processes.
        std::string name = std::string("orvella_fileio_") + info->test_suite_name() + "_" + info->name();
        std::replace_if(name.begin(), name.end(), [](char c) { return !std::isalnum(static_cast<unsigned char>(c)); }, '_');
        dir_ = fs::path(::testing::TempDir()) / name;
        logPath_ = dir_.string() + ".log";
        std::error_code ec;
        fs::remove_all(dir_, ec);
        fs::create_directories(dir_);
        std::remove(logPath_.c_str());
    }

    void TearDown() override {
        FailSafeFileWritesForTesting(false);
        LogEnable(nullptr);
        ReleaseDocument(doc);
        FreeThreadScratch();
        std::error_code ec;
        fs::remove_all(dir_, ec);
        std::remove(logPath_.c_str());
    }

    // UTF-8 names, as the program uses them.
    std::string Path(const std::string& name) const { return Utf8FromPath(dir_ / PathFromUtf8(name)); }

    // The names in the test's folder, sorted: shows leftover temporary files.
    std::vector<std::string> Entries() const {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(dir_)) names.push_back(Utf8FromPath(entry.path().filename()));
        std::sort(names.begin(), names.end());
        return names;
    }

    void StartLog() { LogEnable(logPath_.c_str()); }

    std::vector<std::string> LogLines() const {
        std::ifstream in(logPath_);
        std::vector<std::string> lines;
        for (std::string line; std::getline(in, line);) lines.push_back(line);
        return lines;
    }

    // The document as displayed, as 32-bit display pixels.
    std::vector<uint32_t> Shown(Document& d) {
        std::vector<uint32_t> flat;
        EXPECT_TRUE(FlattenDocument(d, flat));
        return flat;
    }

    Document doc;
    fs::path dir_;
    std::string logPath_;
};

}  // namespace fileiotest
