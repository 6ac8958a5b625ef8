// Autosave and crash recovery, driven through whole main-loop passes on the
// fake platform: a stroke makes the document modified, the fake clock runs
// the timer, and a "crash" ends the program without its clean exit (its
// files stay, its locks go as the system drops a killed process's).
#include "app/autosave.h"

#include <chrono>
#include <ctime>
#include <deque>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "app/app_settings.h"
#include "app/commands.h"
#include "app/file_commands.h"
#include "app/program_test_support.h"
#include "fileio/allocation_probe.h"
#include "fileio/byte_stream.h"
#include "fileio/safe_file.h"
#include "fileio/tvl_file.h"
#include "image/animation.h"
#include "platform/file_lock.h"
#include "platform/log.h"

namespace {

namespace fs = std::filesystem;
using platform::fake::State;

constexpr int kInterval = 60;

std::vector<uint8_t> TvlBytes(Document& doc) {
    std::vector<uint8_t> bytes;
    ByteSink sink(bytes);
    EXPECT_TRUE(WriteTvl(doc, sink));
    EXPECT_TRUE(sink.Finish());
    return bytes;
}

std::vector<uint8_t> FileBytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// A file's modification time set to a local date and time.
void SetLocalTime(const fs::path& path, int year, int month, int day, int hour, int minute) {
    std::tm local = {};
    local.tm_year = year - 1900;
    local.tm_mon = month - 1;
    local.tm_mday = day;
    local.tm_hour = hour;
    local.tm_min = minute;
    local.tm_sec = 30;
    local.tm_isdst = -1;
    const auto when = std::chrono::system_clock::from_time_t(std::mktime(&local));
    const auto fileNow = fs::file_time_type::clock::now();
    const auto systemNow = std::chrono::system_clock::now();
    fs::last_write_time(path, fileNow + std::chrono::duration_cast<fs::file_time_type::duration>(when - systemNow));
}

class AutosaveTest : public ProgramTest {
protected:
    void SetUp() override {
        root = fs::path(::testing::TempDir()) /
               ("orvella-autosave-" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        fs::remove_all(root);
        fs::create_directories(root);
        user = root / "user";
        WriteInterval(kInterval);
        beforeStart = [this] {
            State().userSettingsFolder = user.string();
            State().answers = answers;
        };
        ProgramTest::SetUp();
    }
    void TearDown() override {
        FailSafeFileWritesForTesting(false);
        RefuseAllocationsFrom(0);
        LogEnable(nullptr);
        ProgramTest::TearDown();
        fs::remove_all(root);
    }
    // config.txt as the user would edit it (the fake program's folder takes
    // no files, so it lives in the user's folder).
    void WriteInterval(int seconds) {
        fs::create_directories(user);
        Settings s;
        s.autosaveSeconds = seconds;
        ASSERT_TRUE(WriteSettings((user / "config.txt").string(), s));
    }

    void Stroke(int y) {
        Pass(300, y, false);
        Pass(300, y, true);
        Pass(360, y + 5, true);
        Pass(360, y + 5, false);
        Pass(360, y + 5, false);
    }
    // Time passes, then the main loop runs until the autosave due (if any)
    // has taken its snapshot (a large change is copied over a few passes);
    // the write it started is waited for.
    void After(int seconds) {
        State().clock += uint32_t(seconds) * 1000u;
        Pass(5, 300, false);
        for (int i = 0; i < 100 && AutosaveDueInMs() == 0; ++i) Pass(5, 300, false);
        WaitForAutosaveForTesting();
    }
    std::vector<fs::path> RecoveryFiles() {
        std::vector<fs::path> files;
        std::error_code ec;
        for (fs::directory_iterator it(user, ec), end; !ec && it != end; it.increment(ec))
            if (it->path().extension() == ".tvl") files.push_back(it->path());
        return files;
    }
    // The process ends without its clean exit.
    void Crash() {
        AbandonAutosaveForTesting();
        ShutdownApplication();
        platform::DestroyMainWindow();
    }
    void CleanExit() {
        ShutdownApplication();
        platform::DestroyMainWindow();
    }
    void Start(std::deque<bool> startAnswers = {}) {
        answers = std::move(startAnswers);
        StartProgram(950, 650);
    }

    fs::path root, user;
    std::deque<bool> answers;
};

TEST_F(AutosaveTest, AModifiedDocumentIsWrittenWholeEachTimeTheIntervalHasPassed) {
    ASSERT_FALSE(AutosavePath().empty());
    After(kInterval);
    EXPECT_TRUE(RecoveryFiles().empty()) << "an unmodified document needs no rescue";
    EXPECT_EQ(AutosaveDueInMs(), -1);

    Stroke(300);
    ASSERT_TRUE(app.document.modified);
    After(kInterval - 1);
    EXPECT_TRUE(RecoveryFiles().empty()) << "written before its time";
    EXPECT_EQ(AutosaveDueInMs(), 1000);  // what a loop waiting for events may sleep
    After(1);
    ASSERT_EQ(RecoveryFiles().size(), 1u);
    EXPECT_EQ(RecoveryFiles()[0].string(), AutosavePath());
    EXPECT_TRUE(FileBytes(AutosavePath()) == TvlBytes(app.document));

    // A whole-layer filter and another stroke: the next write holds them too.
    PostCommand("filter 0");
    Pass(5, 300, false);
    Stroke(400);
    // The painter rests: the passes copy the changes ahead of the snapshot.
    for (int i = 0; i < 50; ++i) Pass(5, 300, false);
    const std::vector<uint8_t> before = FileBytes(AutosavePath());
    After(kInterval);
    EXPECT_TRUE(FileBytes(AutosavePath()) != before);
    EXPECT_TRUE(FileBytes(AutosavePath()) == TvlBytes(app.document));
    EXPECT_TRUE(State().errors.empty());
    EXPECT_TRUE(State().questions.empty());
}

// A loop that waits for events while the painter rests still wakes when the
// autosave is due, not a whole idle wait later.
TEST_F(AutosaveTest, AnIdleLoopWakesWhenTheAutosaveIsDue) {
    Stroke(300);
    State().clock += uint32_t(kInterval) * 1000u - 300u;
    State().waits.clear();
    State().onPump = nullptr;  // the pointer rests
    for (int i = 0; i < 40; ++i) ASSERT_TRUE(MainLoopPass());
    ASSERT_FALSE(State().waits.empty()) << "the resting loop never waited";
    EXPECT_LE(State().waits.front(), 300);
}

TEST_F(AutosaveTest, AnIntervalOfZeroWritesNothing) {
    CleanExit();
    WriteInterval(0);
    Start();
    EXPECT_TRUE(AutosavePath().empty());
    Stroke(300);
    After(3600);
    EXPECT_TRUE(RecoveryFiles().empty());
}

TEST_F(AutosaveTest, AFailedWriteIsLoggedNeverShownAndTheNextOneTriesAgain) {
    Stroke(300);
    FailSafeFileWritesForTesting(true);
    After(kInterval);
    EXPECT_TRUE(RecoveryFiles().empty());
    EXPECT_TRUE(State().errors.empty());
    EXPECT_TRUE(State().questions.empty());
    FailSafeFileWritesForTesting(false);
    After(kInterval);
    ASSERT_EQ(RecoveryFiles().size(), 1u);
    EXPECT_TRUE(FileBytes(AutosavePath()) == TvlBytes(app.document));
}

// A large document near the memory limit: the autosave's copies must never
// end the program or take the memory the painter's own edits need. Short of
// memory (the system says so, or the heap refuses a copy all the same), the
// autosave drops its copies, leaves the document alone, says so once in the
// log and tries again an interval later; it writes again once memory returns.
TEST_F(AutosaveTest, ShortOfMemoryTheAutosavePausesHarmlesslyAndResumesWhenMemoryReturns) {
    const struct {
        const char* what;
        void (*shortage)();
        void (*plenty)();
    } cases[] = {
        {"the system has too little left",
         [] { State().availableMemory = uint64_t(100) << 20; },
         [] { State().availableMemory = uint64_t(INT64_MAX); }},
        // One plane of a tile's copy is the smallest large request it makes.
        {"the heap refuses the copies", [] { RefuseAllocationsFrom(kTileSide * kTileSide * sizeof(uint16_t)); },
         [] { RefuseAllocationsFrom(0); }},
        // The copies are taken; the write's file buffer (64 KB) is refused.
        {"the heap refuses the write", [] { RefuseAllocationsFrom(64 << 10); }, [] { RefuseAllocationsFrom(0); }},
    };
    const fs::path logFile = root / "orvella.log";
    const auto logged = [&](const std::string& line) {
        std::ifstream in(logFile);
        int count = 0;
        for (std::string text; std::getline(in, text);) count += text == line;
        return count;
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        fs::remove(logFile);
        LogEnable(logFile.string().c_str());
        // The first change of a document: every tile is still to be copied.
        c.shortage();
        Stroke(300);
        c.plenty();  // for the comparisons, which need memory of their own
        const std::vector<uint8_t> painted = TvlBytes(app.document);
        c.shortage();
        // Passes while the timer runs, and two due autosaves.
        for (int i = 0; i < 20; ++i) Pass(5, 300, false);
        After(kInterval);
        After(kInterval);
        c.plenty();
        EXPECT_TRUE(TvlBytes(app.document) == painted) << "the document changed";
        EXPECT_TRUE(RecoveryFiles().empty());
        EXPECT_EQ(logged("Autosave paused: not enough memory"), 1);
        EXPECT_EQ(logged("Autosave resumed"), 0);
        EXPECT_TRUE(State().errors.empty());

        // Painting goes on while the autosave waits.
        c.shortage();
        Stroke(400);
        c.plenty();
        EXPECT_TRUE(TvlBytes(app.document) != painted) << "the stroke was lost";
        // A try between two intervals is no try: memory is looked at again
        // only when the next autosave is due.
        After(kInterval / 2);
        EXPECT_TRUE(RecoveryFiles().empty());
        After(kInterval / 2);
        ASSERT_EQ(RecoveryFiles().size(), 1u);
        EXPECT_TRUE(FileBytes(AutosavePath()) == TvlBytes(app.document));
        EXPECT_EQ(logged("Autosave resumed"), 1);
        After(kInterval);
        EXPECT_EQ(logged("Autosave paused: not enough memory"), 1);
        EXPECT_EQ(logged("Autosave resumed"), 1);
        EXPECT_TRUE(State().errors.empty());

        CleanExit();
        Start();
    }
}

TEST_F(AutosaveTest, TheFileGoesWhenTheDocumentIsSavedReplacedOrClosedCleanly) {
    const std::string saved = (root / "saved.tvl").string();
    const struct {
        const char* what;
        platform::fake::DialogAnswer answer;
        const char* command;
        bool removed;
    } cases[] = {
        {"save cancelled", {false, ""}, "save", false},
        {"save", {true, saved}, "save", true},
        {"new", {false, ""}, "new", true},
        {"open", {true, saved}, "open", true},
        {"open cancelled", {false, ""}, "open", false},
        {"clean exit", {false, ""}, nullptr, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Stroke(300);
        After(kInterval);
        const std::string path = AutosavePath();
        ASSERT_TRUE(fs::exists(path));
        if (c.command) {
            State().dialogAnswers = {c.answer};
            PostCommand(c.command);
            Pass(5, 300, false);
            Pass(5, 300, false);
        } else {
            CleanExit();
        }
        WaitForAutosaveForTesting();
        EXPECT_EQ(fs::exists(path), !c.removed);
        if (c.command) {
            EXPECT_EQ(app.document.modified, !c.removed);
        }
        if (!c.command) {
            EXPECT_TRUE(RecoveryFiles().empty());
            EXPECT_FALSE(fs::exists(path + ".lock"));
            Start();
        }
    }
}

TEST_F(AutosaveTest, AfterACrashOkBringsThePaintingBackModifiedAndUnnamed) {
    Stroke(300);
    PostCommand("filter 0");
    Pass(5, 300, false);
    Stroke(350);
    After(kInterval);
    const std::vector<uint8_t> painted = TvlBytes(app.document);
    ASSERT_EQ(RecoveryFiles().size(), 1u);
    const fs::path left = RecoveryFiles()[0];
    Crash();
    SetLocalTime(left, 2026, 3, 4, 5, 6);

    Start({true});
    ASSERT_EQ(State().questions.size(), 1u);
    EXPECT_EQ(State().questions[0].text, "Recover the unsaved image from 2026-03-04 05:06?");
    EXPECT_TRUE(TvlBytes(app.document) == painted);
    EXPECT_TRUE(app.document.modified);
    EXPECT_TRUE(app.documentPath.empty());
    EXPECT_EQ(State().title, "Orvella 0.25 - New image *");
    // Until this program has written its own copy, the old one is all there is.
    EXPECT_TRUE(fs::exists(left));

    CleanExit();
    EXPECT_TRUE(RecoveryFiles().empty());
    Start();
    EXPECT_TRUE(State().questions.empty());
}

// Every frame of an animated layer and the animation settings come back,
// also those of the frame not shown when the snapshot was taken.
TEST_F(AutosaveTest, AnimationFramesComeBackWhole) {
    Document& doc = app.document;
    ASSERT_TRUE(AddLayer(doc, 0));  // the bottom layer is never animated
    doc.currentLayer = 1;
    EnterAnimation(doc);
    ASSERT_TRUE(ToggleLayerAnimated(doc, 1));
    Stroke(300);
    ASSERT_TRUE(AddFrame(doc));
    Stroke(400);
    SetFrame(doc, 0);
    Pass(5, 300, false);
    ASSERT_EQ(doc.frameCount, 2);
    After(kInterval);
    const std::vector<uint8_t> painted = TvlBytes(doc);
    Crash();

    Start({true});
    EXPECT_TRUE(TvlBytes(app.document) == painted);
    EXPECT_TRUE(app.document.animationMode);
    EXPECT_EQ(app.document.frameCount, 2);
}

TEST_F(AutosaveTest, CancelKeepsTheFileUntilTheNextCleanExit) {
    Stroke(300);
    After(kInterval);
    const std::vector<uint8_t> painted = FileBytes(AutosavePath());
    Crash();

    Start({false});
    EXPECT_EQ(State().questions.size(), 1u);
    EXPECT_FALSE(app.document.modified);
    // This program crashes too: the file is offered again.
    Crash();
    Start({false});
    ASSERT_EQ(State().questions.size(), 1u);
    ASSERT_EQ(RecoveryFiles().size(), 1u);
    EXPECT_EQ(FileBytes(RecoveryFiles()[0]), painted);

    CleanExit();
    EXPECT_TRUE(RecoveryFiles().empty());
    Start();
    EXPECT_TRUE(State().questions.empty());
}

TEST_F(AutosaveTest, TwoRunningProgramsNeverTakeOrOverwriteEachOthersFiles) {
    CleanExit();
    // Another running program, one of them with this process's number (the
    // system gives numbers again once their process has ended).
    fs::create_directories(user);
    const std::vector<uint8_t> theirs = {'n', 'o', 't', ' ', 'm', 'i', 'n', 'e'};
    const fs::path others[] = {user / ("recovery-" + std::to_string(CurrentProcessId()) + ".tvl"),
                               user / "recovery-99999.tvl"};
    FileLock locks[2];
    for (int i = 0; i < 2; ++i) {
        std::ofstream(others[i], std::ios::binary).write(reinterpret_cast<const char*>(theirs.data()), theirs.size());
        ASSERT_TRUE(locks[i].Acquire(others[i].string() + ".lock"));
    }

    Start();
    EXPECT_TRUE(State().questions.empty()) << "a running program's file is no crash";
    Stroke(300);
    After(kInterval);
    ASSERT_EQ(RecoveryFiles().size(), 3u);
    for (const fs::path& other : others) {
        EXPECT_NE(AutosavePath(), other.string());
        EXPECT_EQ(FileBytes(other), theirs);
    }
    CleanExit();
    for (const fs::path& other : others) EXPECT_EQ(FileBytes(other), theirs);

    // Once the other program is gone, its file is one to offer.
    locks[1].Release();
    Start({false});
    ASSERT_EQ(State().questions.size(), 1u);
    locks[0].Release();
}

}  // namespace
