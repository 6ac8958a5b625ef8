#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/app_state.h"
#include "app/app_test_support.h"
#include "app/commands.h"
#include "app/main_loop.h"
#include "fileio/clipboard_image.h"
#include "fileio/allocation_probe.h"
#include "fileio/byte_stream.h"
#include "fileio/flat_image.h"
#include "fileio/test_images.h"
#include "fileio/tvl_file.h"
#include "image/animation.h"
#include "image/color_profile.h"
#include "image/document_test_support.h"
#include "image/pixel_image.h"
#include "image/undo.h"
#include "platform/fake/fake_input.h"
#include "platform/fake/fake_platform.h"

namespace {

using namespace platform;
using fake::Hold;
using fake::Release;

// Puts back every field the pass reads or keeps between passes.
void ResetFrameState() {
    app.view = ViewState();
    app.altHeld = app.shiftHeld = app.ctrlHeld = app.spaceHeld = false;
    app.escapeHeld = app.tabHeld = app.enterHeld = app.enterPressed = false;
    app.keyboardShortcutsEnabled = true;
    app.clickTaken = false;
    app.showHelp = true;
    app.helpKeyHeld = app.enterWasHeld = app.frameKeysHeld = app.mergeKeyHeld = false;
    app.clipboardKeysHeld = app.undoKeyHeld = app.filterKeyHeld = app.fileKeysHeld = app.toolKeysHeld = false;
    app.playing = false;
    app.playbackTicksLeft = 0;
    app.playbackLastTick = 0;
    app.mergeRequested = app.toolToggleRequested = app.colorSwapRequested = false;
    app.tool.PaintMode = 0;
    app.tool.primary = DisplayColor(0, 0, 0, 255);
    app.tool.secondary = DisplayColor(255, 255, 255, 255);
    app.tool.paint = DisplayColor(0, 0, 0, 255);
    app.brush.radius = app.stroke.effectiveRadius = 1.6f;
    app.brush.hardness = 0.7f;
    app.brush.pressureControlledSize = app.brush.lineAvoidance = false;
    app.pointerOverInterface = app.noCursorRequested = app.textCursorRequested = false;
    app.joystick = JoystickPressure();
    app.pendingCommand.clear();
    app.stroke = StrokeState();
    app.brush = BrushSettings();
    app.pick = PickState();
    app.pickSessionOpen = app.leftWasDown = false;
    app.forceMouseCoordinates = false;
    app.popups = PopupState();
    app.filterDialog = FilterDialogState();
}

class UpdateFrameTest : public ::testing::Test {
protected:
    void SetUp() override {
        fake::Reset();
        fake::ResetInput();
        ResetAppState();
        ResetFrameState();
        SelectProfile(*BuiltinProfile(kDefaultProfileIndex));
        InitThreadScratch(1, kTileSide);
        ASSERT_TRUE(CreateMainWindow("Orvella", app.window, 32));
        app.input = CreateStickInput();
        ASSERT_TRUE(NewDocument(app.document, 200, 150));
        ExitAnimation(app.document);  // a new document keeps the animation state
        ResetView(app.view, 200, 150);
    }
    void TearDown() override {
        RefuseAllocationsFrom(0);
        DestroyStickInput(app.input);
        app.input = nullptr;
        ReleaseDocument(app.document);
        FreeThreadScratch();
        DestroyMainWindow();
    }

    // Runs the command slot the way the next pass will: takes what was posted.
    std::string TakeCommand() {
        std::string command = app.pendingCommand;
        app.pendingCommand.clear();
        return command;
    }

    // A pass with the keys held as given, every other key released.
    bool PassHolding(std::initializer_list<int> keys) {
        fake::Input().held.reset();
        Hold(keys);
        return UpdateFrame();
    }

    void MakeUpperLayerCurrent() {
        ASSERT_TRUE(AddLayer(app.document, 0));
        app.document.currentLayer = 1;
    }

    fake::Recorder& os = fake::State();
    Document& doc = app.document;
};

// The two ways memory runs short: the system says too little is left, or the heap
// refuses a request (one plane of a tile is the smallest large request a copy makes).
struct MemoryShortage {
    const char* what;
    void (*shortage)();
    void (*plenty)();
};
const MemoryShortage kMemoryShortages[] = {
    {"the system has too little left", [] { fake::State().availableMemory = 0; },
     [] { fake::State().availableMemory = uint64_t(INT64_MAX); }},
    {"the heap refuses", [] { RefuseAllocationsFrom(kTileSide * kTileSide * sizeof(uint16_t)); },
     [] { RefuseAllocationsFrom(0); }},
};

// --- Commands from the keyboard --------------------------------------------

struct CommandCase {
    const char* name;
    std::vector<int> keys;
    const char* command;  // "" = nothing posted
};

class CommandKeys : public UpdateFrameTest, public ::testing::WithParamInterface<CommandCase> {};

TEST_P(CommandKeys, PostTheirCommand) {
    const CommandCase& c = GetParam();
    for (int key : c.keys) Hold({key});
    ASSERT_TRUE(UpdateFrame());
    EXPECT_EQ(TakeCommand(), c.command);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CommandKeys,
    ::testing::Values(CommandCase{"CtrlS", {kKeyLeftCtrl, kKeyS}, "save"},
                      CommandCase{"RightCtrlS", {kKeyRightCtrl, kKeyS}, "save"},
                      CommandCase{"CtrlShiftS", {kKeyLeftCtrl, kKeyLeftShift, kKeyS}, "saveas"},
                      CommandCase{"CtrlRightShiftS", {kKeyLeftCtrl, kKeyRightShift, kKeyS}, "saveas"},
                      CommandCase{"CtrlO", {kKeyLeftCtrl, kKeyO}, "open"},
                      CommandCase{"CtrlL", {kKeyLeftCtrl, kKeyL}, "open"},
                      CommandCase{"CtrlR", {kKeyLeftCtrl, kKeyR}, "open"},
                      CommandCase{"CtrlN", {kKeyLeftCtrl, kKeyN}, "new-dimensions"},
                      CommandCase{"CtrlI", {kKeyLeftCtrl, kKeyI}, "filter 0"},
                      CommandCase{"SWithoutCtrl", {kKeyS}, ""},
                      CommandCase{"IWithoutCtrl", {kKeyI}, ""},
                      CommandCase{"AltS", {kKeyLeftAlt, kKeyS}, ""}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(UpdateFrameTest, HoldingCtrlSPostsSaveOncePerPress) {
    Hold({kKeyLeftCtrl, kKeyS});
    ASSERT_TRUE(UpdateFrame());
    EXPECT_EQ(TakeCommand(), "save");
    for (int pass = 0; pass < 5; ++pass) {
        ASSERT_TRUE(UpdateFrame());
        EXPECT_EQ(TakeCommand(), "") << "pass " << pass;
    }
    Release({kKeyS});
    ASSERT_TRUE(UpdateFrame());
    Hold({kKeyS});
    ASSERT_TRUE(UpdateFrame());
    EXPECT_EQ(TakeCommand(), "save");
}

TEST_F(UpdateFrameTest, FileKeysShareOneMemory) {
    ASSERT_TRUE(PassHolding({kKeyLeftCtrl, kKeyS}));
    EXPECT_EQ(TakeCommand(), "save");
    // O joins while S is still held: the group was already held.
    ASSERT_TRUE(PassHolding({kKeyLeftCtrl, kKeyS, kKeyO}));
    EXPECT_EQ(TakeCommand(), "");
    // S goes, O stays: still no new press.
    ASSERT_TRUE(PassHolding({kKeyLeftCtrl, kKeyO}));
    EXPECT_EQ(TakeCommand(), "");
    ASSERT_TRUE(PassHolding({kKeyLeftCtrl}));
    ASSERT_TRUE(PassHolding({kKeyLeftCtrl, kKeyN}));
    EXPECT_EQ(TakeCommand(), "new-dimensions");
}

TEST_F(UpdateFrameTest, KeysOfOtherGroupsKeepTheirOwnMemory) {
    ASSERT_TRUE(PassHolding({kKeyLeftCtrl, kKeyS}));
    EXPECT_EQ(TakeCommand(), "save");
    ASSERT_TRUE(PassHolding({kKeyLeftCtrl, kKeyS, kKeyI}));
    EXPECT_EQ(TakeCommand(), "filter 0");
    ASSERT_TRUE(PassHolding({kKeyLeftCtrl, kKeyS, kKeyI}));
    EXPECT_EQ(TakeCommand(), "");
}

TEST_F(UpdateFrameTest, ALaterCommandReplacesOneNotYetRun) {
    PostCommand("filter 0");
    PostCommand("save");
    EXPECT_EQ(app.pendingCommand, "save");
}

// --- Ending the program ------------------------------------------------------

struct AltF4Case {
    const char* name;
    bool modified;
    bool textFieldEditing;
    std::deque<bool> answers;
    bool keepsRunning;
    bool asks;
};

class AltF4 : public UpdateFrameTest, public ::testing::WithParamInterface<AltF4Case> {};

TEST_P(AltF4, EndsAfterConfirmDiscard) {
    const AltF4Case& c = GetParam();
    doc.modified = c.modified;
    app.keyboardShortcutsEnabled = !c.textFieldEditing;
    os.answers = c.answers;
    Hold({kKeyRightAlt, kKeyF4});

    EXPECT_EQ(UpdateFrame(), c.keepsRunning);
    ASSERT_EQ(os.questions.size(), c.asks ? 1u : 0u);
    if (c.asks) {
        EXPECT_EQ(os.questions[0].title, "Confirm quit");
        EXPECT_EQ(os.questions[0].text, "Changes will be lost, ok?");
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, AltF4,
                         ::testing::Values(AltF4Case{"Unmodified", false, false, {}, false, false},
                                           AltF4Case{"ModifiedOk", true, false, {true}, false, true},
                                           AltF4Case{"ModifiedCancel", true, false, {false}, true, true},
                                           AltF4Case{"EditingUnmodified", false, true, {}, false, false},
                                           AltF4Case{"EditingModifiedOk", true, true, {true}, false, true},
                                           AltF4Case{"EditingModifiedCancel", true, true, {false}, true, true}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(UpdateFrameTest, F4AloneOrAltAloneKeepsRunning) {
    EXPECT_TRUE(PassHolding({kKeyF4}));
    EXPECT_TRUE(PassHolding({kKeyLeftAlt}));
    EXPECT_TRUE(os.questions.empty());
}

// --- A text field holding the keyboard ---------------------------------------

TEST_F(UpdateFrameTest, TextFieldLetsOnlyEscapeEnterAndTabThrough) {
    app.keyboardShortcutsEnabled = false;
    ASSERT_TRUE(PassHolding({kKeyEscape, kKeyEnter, kKeyTab, kKeyLeftCtrl, kKeyLeftShift, kKeyS, kKeyF1}));
    EXPECT_TRUE(app.escapeHeld);
    EXPECT_TRUE(app.enterHeld);
    EXPECT_TRUE(app.enterPressed);
    EXPECT_TRUE(app.tabHeld);
    EXPECT_FALSE(app.ctrlHeld);
    EXPECT_FALSE(app.shiftHeld);
    EXPECT_EQ(app.pendingCommand, "");
    EXPECT_TRUE(app.showHelp);
    // The keyboard is given back for the rest of the program's pass.
    EXPECT_TRUE(KeyDown(app.input, kKeyS));

    // Once the field lets go, keys still held from then act as fresh presses.
    app.keyboardShortcutsEnabled = true;
    ASSERT_TRUE(PassHolding({kKeyLeftCtrl, kKeyS}));
    EXPECT_EQ(TakeCommand(), "save");
}

TEST_F(UpdateFrameTest, EnterIsPressedOnlyOnItsFirstPass) {
    std::vector<bool> pressed;
    for (bool held : {true, true, false, true}) {
        ASSERT_TRUE(held ? PassHolding({kKeyEnter}) : PassHolding({}));
        pressed.push_back(app.enterPressed);
    }
    EXPECT_EQ(pressed, (std::vector<bool>{true, false, false, true}));
}

TEST_F(UpdateFrameTest, F1TogglesHelpOncePerPress) {
    ASSERT_TRUE(app.showHelp);
    for (int pass = 0; pass < 3; ++pass) ASSERT_TRUE(PassHolding({kKeyF1}));
    EXPECT_FALSE(app.showHelp);
    ASSERT_TRUE(PassHolding({}));
    ASSERT_TRUE(PassHolding({kKeyF1}));
    EXPECT_TRUE(app.showHelp);
}

// --- Animation keys ----------------------------------------------------------

class AnimationKeysTest : public UpdateFrameTest {
protected:
    void StartAnimation(int frames, int duration) {
        EnterAnimation(doc);
        for (int k = 1; k < frames; ++k) ASSERT_TRUE(AddFrame(doc));
        for (int k = 0; k < frames; ++k) doc.durations[size_t(k)] = duration;
        SetFrame(doc, 0);
    }
    // Clock times (ms) of the passes on which the frame changed, playing
    // with the keys held for the given time at one pass every 10 ms.
    std::vector<uint32_t> FrameChanges(std::initializer_list<int> keys, uint32_t untilMs) {
        std::vector<uint32_t> changes;
        for (; os.clock <= untilMs; os.clock += 10) {
            const int before = doc.currentFrame;
            EXPECT_TRUE(PassHolding(keys));
            if (doc.currentFrame != before) changes.push_back(os.clock);
        }
        return changes;
    }
};

struct PlaybackCase {
    const char* name;
    int framesPerSecond;
    std::vector<uint32_t> changes;  // within the first second
};

class Playback : public AnimationKeysTest, public ::testing::WithParamInterface<PlaybackCase> {};

TEST_P(Playback, AdvancesOnceTheFrameDurationHasPassed) {
    StartAnimation(4, 3);
    doc.framesPerSecond = GetParam().framesPerSecond;
    EXPECT_EQ(FrameChanges({kKeyDown}, 1000), GetParam().changes);
}

// The first tick comes one interval after the press, then each frame shows
// for its three ticks. Rates below 1 play at one frame per second.
INSTANTIATE_TEST_SUITE_P(Rates, Playback,
                         ::testing::Values(PlaybackCase{"TenPerSecond", 10, {100, 400, 700, 1000}},
                                           PlaybackCase{"ZeroPerSecond", 0, {1000}},
                                           PlaybackCase{"NegativePerSecond", -4, {1000}}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(AnimationKeysTest, DownPlaysForwardsAndWraps) {
    StartAnimation(3, 1);
    doc.framesPerSecond = 10;
    std::vector<int> frames;
    for (; os.clock <= 400; os.clock += 10) {
        const int before = doc.currentFrame;
        ASSERT_TRUE(PassHolding({kKeyDown}));
        if (doc.currentFrame != before) frames.push_back(doc.currentFrame);
    }
    EXPECT_EQ(frames, (std::vector<int>{1, 2, 0, 1}));
}

TEST_F(AnimationKeysTest, UpWinsOverDownAndPlaysBackwards) {
    StartAnimation(3, 1);
    doc.framesPerSecond = 10;
    EXPECT_EQ(FrameChanges({kKeyDown, kKeyUp}, 100).size(), 1u);
    EXPECT_EQ(doc.currentFrame, 2);
}

TEST_F(AnimationKeysTest, ReleasingStartsTheNextPlaybackAfresh) {
    StartAnimation(4, 3);
    doc.framesPerSecond = 10;
    FrameChanges({kKeyDown}, 200);  // frame 1 with two of its three ticks left
    ASSERT_EQ(doc.currentFrame, 1);
    ASSERT_TRUE(PassHolding({}));
    os.clock += 1000;
    const uint32_t start = os.clock;
    const std::vector<uint32_t> changes = FrameChanges({kKeyDown}, start + 100);
    EXPECT_EQ(changes, (std::vector<uint32_t>{start + 100}));
}

TEST_F(AnimationKeysTest, ArrowsStepOncePerPressAndWrap) {
    StartAnimation(3, 1);
    SetFrame(doc, 2);
    ASSERT_TRUE(PassHolding({kKeyRight}));
    EXPECT_EQ(doc.currentFrame, 0);
    ASSERT_TRUE(PassHolding({kKeyRight}));
    // Left joins while Right is held: the arrows share one memory.
    ASSERT_TRUE(PassHolding({kKeyRight, kKeyLeft}));
    EXPECT_EQ(doc.currentFrame, 0);
    ASSERT_TRUE(PassHolding({}));
    ASSERT_TRUE(PassHolding({kKeyLeft}));
    EXPECT_EQ(doc.currentFrame, 2);
}

TEST_F(AnimationKeysTest, ArrowsAndPlaybackNeedAnimationMode) {
    StartAnimation(3, 1);
    ExitAnimation(doc);
    const int frame = doc.currentFrame;
    ASSERT_TRUE(PassHolding({kKeyRight}));
    FrameChanges({kKeyDown}, 500);
    EXPECT_EQ(doc.currentFrame, frame);
}

// --- Layer keys ----------------------------------------------------------------

TEST_F(UpdateFrameTest, CtrlZUndoesOneStep) {
    MakeUpperLayerCurrent();
    doctest::PaintLayer(doc, 1, 7);
    std::vector<std::unique_ptr<PixelImage>> before;
    for (LayerTile* stack : doc.stacks) before.emplace_back(CloneImage(*LayerTileAt(stack, 1)->pixels));
    PushUndo(doc, 1, true);
    doctest::PaintLayer(doc, 1, 99);

    doc.modified = false;  // as if just saved

    ASSERT_TRUE(PassHolding({kKeyZ}));  // Z alone is not undo
    EXPECT_FALSE(doctest::SameSamples(*LayerTileAt(doc.stacks[0], 1)->pixels, *before[0]));
    EXPECT_FALSE(doc.modified);
    ASSERT_TRUE(PassHolding({}));
    ASSERT_TRUE(PassHolding({kKeyLeftCtrl, kKeyZ}));
    for (size_t t = 0; t < doc.stacks.size(); ++t)
        EXPECT_TRUE(doctest::SameSamples(*LayerTileAt(doc.stacks[t], 1)->pixels, *before[t])) << "tile " << t;
    EXPECT_TRUE(doc.modified) << "the canvas no longer matches the saved file";

    // With nothing left to undo, Ctrl+Z changes nothing.
    doc.modified = false;
    ASSERT_TRUE(PassHolding({}));
    ASSERT_TRUE(PassHolding({kKeyLeftCtrl, kKeyZ}));
    EXPECT_FALSE(doc.modified);
}

// Ctrl+Y and Ctrl+Shift+Z redo what Ctrl+Z undid; Y alone does nothing.
TEST_F(UpdateFrameTest, CtrlYAndCtrlShiftZRedo) {
    for (const bool withY : {true, false}) {
        SCOPED_TRACE(withY ? "Ctrl+Y" : "Ctrl+Shift+Z");
        MakeUpperLayerCurrent();
        doctest::PaintLayer(doc, 1, 7);
        PushUndo(doc, 1, true);
        doctest::PaintLayer(doc, 1, 99);
        const std::unique_ptr<PixelImage> after(CloneImage(*LayerTileAt(doc.stacks[0], 1)->pixels));
        ASSERT_TRUE(PassHolding({kKeyLeftCtrl, kKeyZ}));
        ASSERT_FALSE(doctest::SameSamples(*LayerTileAt(doc.stacks[0], 1)->pixels, *after));
        ASSERT_TRUE(PassHolding({}));
        ASSERT_TRUE(PassHolding({kKeyY}));
        EXPECT_EQ(RedoDepth(doc), 1);
        doc.modified = false;
        ASSERT_TRUE(PassHolding({}));
        ASSERT_TRUE(withY ? PassHolding({kKeyLeftCtrl, kKeyY}) : PassHolding({kKeyRightCtrl, kKeyLeftShift, kKeyZ}));
        EXPECT_TRUE(doctest::SameSamples(*LayerTileAt(doc.stacks[0], 1)->pixels, *after));
        EXPECT_EQ(RedoDepth(doc), 0);
        EXPECT_EQ(UndoDepth(doc), 1);
        EXPECT_TRUE(doc.modified);
        ASSERT_TRUE(PassHolding({}));
    }
}

TEST_F(UpdateFrameTest, AColourProfileChangeMarksTheDocumentModified) {
    doc.modified = false;
    PostCommand("color 3");
    ASSERT_TRUE(PassHolding({}));
    EXPECT_EQ(CurrentProfileIndex(), 3);
    EXPECT_TRUE(doc.modified);
}

// The change keeps a copy of every image in its history step: short of
// memory for it (the system says so, or the heap refuses the copies), it says
// "Not enough memory" and the document keeps its profile and samples.
TEST_F(UpdateFrameTest, AColourProfileChangeShortOfMemorySaysSoAndChangesNothing) {
    MakeUpperLayerCurrent();
    doctest::PaintLayer(doc, 1, 5);
    const auto documentBytes = [this] {
        std::vector<uint8_t> bytes;
        ByteSink sink(bytes);
        EXPECT_TRUE(WriteTvl(doc, sink) && sink.Finish());
        return bytes;
    };
    for (const auto& shortage : kMemoryShortages) {
        SCOPED_TRACE(shortage.what);
        const std::vector<uint8_t> before = documentBytes();
        os.errors.clear();
        PostCommand("color 3");
        shortage.shortage();
        const bool passed = PassHolding({});
        shortage.plenty();
        ASSERT_TRUE(passed);
        std::vector<std::string> said;
        for (const fake::Question& error : os.errors) said.push_back(error.text);
        EXPECT_EQ(said, std::vector<std::string>{"Not enough memory"});
        EXPECT_EQ(CurrentProfileIndex(), kDefaultProfileIndex);
        EXPECT_TRUE(documentBytes() == before) << "the samples changed";
        EXPECT_EQ(UndoDepth(doc), 0);
    }
}

// Under load a whole key press can fall between two passes: the snapshot
// never sees the key held, yet the press must count, once.
TEST_F(UpdateFrameTest, KeysPressedAndReleasedBetweenPassesCountOnce) {
    MakeUpperLayerCurrent();
    doctest::PaintLayer(doc, 1, 7);
    const std::unique_ptr<PixelImage> before(CloneImage(*LayerTileAt(doc.stacks[0], 1)->pixels));
    PushUndo(doc, 1, true);
    doctest::PaintLayer(doc, 1, 99);

    fake::Tap({kKeyLeftCtrl, kKeyZ});
    ASSERT_TRUE(UpdateFrame());
    EXPECT_TRUE(doctest::SameSamples(*LayerTileAt(doc.stacks[0], 1)->pixels, *before));

    // Ctrl held throughout, S tapped between passes, twice.
    Hold({kKeyLeftCtrl});
    for (int tap = 0; tap < 2; ++tap) {
        fake::Tap({kKeyS});
        ASSERT_TRUE(UpdateFrame());
        EXPECT_EQ(TakeCommand(), "save") << "tap " << tap;
        ASSERT_TRUE(UpdateFrame());
        EXPECT_EQ(TakeCommand(), "") << "tap " << tap;
    }
}

TEST_F(UpdateFrameTest, AnOpenDialogHoldsTheDocumentAgainstShortcuts) {
    MakeUpperLayerCurrent();
    EnterAnimation(doc);
    ASSERT_TRUE(AddFrame(doc));
    PushUndo(doc, 1, true);
    app.popups.sizeDialog = 2;
    const int frame = doc.currentFrame;
    ASSERT_TRUE(PassHolding({kKeyLeftCtrl, kKeyZ}));
    ASSERT_TRUE(PassHolding({kKeyLeftCtrl, kKeyC}));
    ASSERT_TRUE(PassHolding({kKeyLeftCtrl, kKeyS}));
    ASSERT_TRUE(PassHolding({kKeyRight}));
    EXPECT_EQ(UndoDepth(doc), 1);
    EXPECT_FALSE(doc.clipboardFilled);
    EXPECT_TRUE(app.pendingCommand.empty());
    EXPECT_EQ(doc.currentFrame, frame);
    PostCommand("color 0");
    ASSERT_TRUE(PassHolding({}));
    EXPECT_EQ(CurrentProfileIndex(), kDefaultProfileIndex);

    // Closed again, the same keys act.
    app.popups.sizeDialog = 0;
    ASSERT_TRUE(PassHolding({kKeyLeftCtrl, kKeyZ}));
    EXPECT_EQ(UndoDepth(doc), 0);
}

TEST_F(UpdateFrameTest, CtrlCThenCtrlVPastesTheLayerOncePerPress) {
    ASSERT_TRUE(PassHolding({kKeyLeftCtrl, kKeyC}));
    ASSERT_TRUE(doc.clipboardFilled);
    // V joins while C is held: C and V share one memory.
    ASSERT_TRUE(PassHolding({kKeyLeftCtrl, kKeyC, kKeyV}));
    EXPECT_EQ(doc.layerCount, 1);
    ASSERT_TRUE(PassHolding({kKeyLeftCtrl}));
    for (int pass = 0; pass < 3; ++pass) ASSERT_TRUE(PassHolding({kKeyLeftCtrl, kKeyV}));
    EXPECT_EQ(doc.layerCount, 2);
    EXPECT_EQ(doc.currentLayer, 1);
    EXPECT_TRUE(doc.modified);
}

TEST_F(UpdateFrameTest, CtrlVWithAnEmptyClipboardChangesNothing) {
    ASSERT_TRUE(PassHolding({kKeyLeftCtrl, kKeyV}));
    EXPECT_EQ(doc.layerCount, 1);
    EXPECT_FALSE(doc.modified);
    EXPECT_TRUE(os.questions.empty());
}

// Ctrl+Shift+C offers the picture as the screen shows it to other programs;
// Ctrl+C alone stays the layer copy.
TEST_F(UpdateFrameTest, CtrlShiftCPutsTheWholePictureOnTheSystemClipboard) {
    MakeUpperLayerCurrent();
    doctest::PaintLayer(doc, 1, 7);
    std::vector<uint32_t> shown;
    ASSERT_TRUE(FlattenDocument(doc, shown));
    ASSERT_TRUE(PassHolding({kKeyLeftCtrl, kKeyC}));
    EXPECT_EQ(os.clipboardWrites, 0);
    ASSERT_TRUE(PassHolding({}));
    doc.clipboardFilled = false;
    ASSERT_TRUE(PassHolding({kKeyLeftCtrl, kKeyLeftShift, kKeyC}));
    ASSERT_TRUE(PassHolding({kKeyLeftCtrl, kKeyLeftShift, kKeyC}));  // held: one copy
    EXPECT_EQ(os.clipboardWrites, 1);
    EXPECT_FALSE(doc.clipboardFilled);
    int w = 0, h = 0;
    std::vector<uint32_t> png, dib;
    ASSERT_TRUE(DecodeClipboardPng(os.clipboardPng.data(), os.clipboardPng.size(), w, h, png));
    EXPECT_EQ(w, 200);
    EXPECT_EQ(h, 150);
    EXPECT_EQ(png, shown);
    ASSERT_TRUE(DecodeDib(os.clipboardDib.data(), os.clipboardDib.size(), w, h, dib));
    EXPECT_EQ(dib, shown);  // the bottom layer is opaque
    EXPECT_TRUE(os.errors.empty());

    // A clipboard that takes nothing is said so.
    os.clipboardRefusesWrites = true;
    ASSERT_TRUE(PassHolding({}));
    ASSERT_TRUE(PassHolding({kKeyLeftCtrl, kKeyRightShift, kKeyC}));
    ASSERT_EQ(os.errors.size(), 1u);
    EXPECT_EQ(os.errors[0].text, "The picture could not be put on the clipboard.");
}

// Ctrl+V with the layer clipboard empty: another program's PNG becomes the
// document, transparency kept; one that cannot be read is refused aloud.
TEST_F(UpdateFrameTest, CtrlVTakesAnotherProgramsPngOrSaysItCannot) {
    samples::PngPicture halfSeen = samples::Png(2, 1, samples::kRgba, 8, {200, 40, 40, 255, 30, 160, 60, 0});
    os.clipboardPng = samples::EncodePng(halfSeen);
    ASSERT_TRUE(PassHolding({kKeyLeftCtrl, kKeyV}));
    ASSERT_EQ(doc.width, 2);
    ASSERT_EQ(doc.height, 1);
    std::vector<uint32_t> shown;
    ASSERT_TRUE(FlattenDocument(doc, shown));
    EXPECT_EQ(shown, (std::vector<uint32_t>{0xFFC82828, 0x00FFFFFF}));
    EXPECT_TRUE(os.errors.empty());

    os.clipboardPng = {'n', 'o', 't', ' ', 'a', ' ', 'p', 'n', 'g'};
    ASSERT_TRUE(PassHolding({}));
    ASSERT_TRUE(PassHolding({kKeyLeftCtrl, kKeyV}));
    ASSERT_EQ(os.errors.size(), 1u);
    EXPECT_EQ(os.errors[0].title, "Error");
    EXPECT_EQ(os.errors[0].text, "The picture on the clipboard cannot be read.");
    EXPECT_EQ(doc.width, 2);
}

// Short of memory (the system says too little is left, or the heap refuses
// the copies all the same), the clipboard keys say "Not enough memory" and
// change nothing: not the document, not the layer clipboard, not the
// system's clipboard. With memory back they work again.
TEST_F(UpdateFrameTest, ShortOfMemoryTheClipboardKeysSaySoAndChangeNothing) {
    MakeUpperLayerCurrent();
    doctest::PaintLayer(doc, 1, 7);
    ASSERT_TRUE(PassHolding({kKeyLeftCtrl, kKeyC}));  // a layer copy to keep
    ASSERT_TRUE(PassHolding({}));
    doctest::PaintLayer(doc, 1, 99);
    const auto documentBytes = [this] {
        std::vector<uint8_t> bytes;
        ByteSink sink(bytes);
        EXPECT_TRUE(WriteTvl(doc, sink) && sink.Finish());
        return bytes;
    };
    std::vector<std::unique_ptr<PixelImage>> clipboard;
    for (LayerTile* tile : doc.clipboardTiles) clipboard.emplace_back(CloneImage(*tile->pixels));
    const auto sameClipboard = [&] {
        if (doc.clipboardTiles.size() != clipboard.size()) return false;
        for (size_t t = 0; t < clipboard.size(); ++t)
            if (!doctest::SameSamples(*doc.clipboardTiles[t]->pixels, *clipboard[t])) return false;
        return true;
    };

    const struct {
        const char* what;
        std::vector<int> keys;
    } keys[] = {
        {"Ctrl+C", {kKeyLeftCtrl, kKeyC}},
        {"Ctrl+V", {kKeyLeftCtrl, kKeyV}},
        {"Ctrl+Shift+C", {kKeyLeftCtrl, kKeyLeftShift, kKeyC}},
    };
    for (const auto& shortage : kMemoryShortages)
        for (const auto& key : keys) {
            SCOPED_TRACE(std::string(shortage.what) + ", " + key.what);
            const std::vector<uint8_t> before = documentBytes();
            const int layers = doc.layerCount, current = doc.currentLayer, writes = os.clipboardWrites;
            os.errors.clear();
            fake::Input().held.reset();
            for (int k : key.keys) Hold({k});
            shortage.shortage();
            const bool passed = UpdateFrame();
            shortage.plenty();
            ASSERT_TRUE(passed);
            ASSERT_TRUE(PassHolding({}));
            std::vector<std::string> said;
            for (const fake::Question& error : os.errors) said.push_back(error.text);
            EXPECT_EQ(said, std::vector<std::string>{"Not enough memory"});
            EXPECT_EQ(doc.layerCount, layers);
            EXPECT_EQ(doc.currentLayer, current);
            EXPECT_TRUE(documentBytes() == before) << "the document changed";
            EXPECT_TRUE(sameClipboard()) << "the layer clipboard changed";
            EXPECT_EQ(os.clipboardWrites, writes);
        }

    os.errors.clear();
    ASSERT_TRUE(PassHolding({kKeyLeftCtrl, kKeyC}));
    EXPECT_FALSE(sameClipboard()) << "with memory back, Ctrl+C copies";
    ASSERT_TRUE(PassHolding({}));
    ASSERT_TRUE(PassHolding({kKeyLeftCtrl, kKeyV}));
    EXPECT_EQ(doc.layerCount, 3);
    EXPECT_TRUE(os.errors.empty());
}

TEST_F(UpdateFrameTest, CtrlERequestsTheMergeForOnePassOnly) {
    MakeUpperLayerCurrent();
    ASSERT_TRUE(PassHolding({kKeyLeftCtrl, kKeyE}));
    EXPECT_TRUE(app.mergeRequested);
    EXPECT_EQ(app.tool.PaintMode, 0);  // with Ctrl, E is not the tool toggle
    ASSERT_TRUE(PassHolding({kKeyLeftCtrl, kKeyE}));
    EXPECT_FALSE(app.mergeRequested);
}

// --- Tool toggle and colour swap -------------------------------------------------

TEST_F(UpdateFrameTest, ETogglesBrushAndEraserOnAnUpperLayer) {
    MakeUpperLayerCurrent();
    app.tool.primary = DisplayColor(10, 20, 30, 255);
    ASSERT_TRUE(PassHolding({kKeyE}));
    EXPECT_EQ(app.tool.PaintMode, 2);
    EXPECT_EQ(app.tool.paint, DisplayColor(255, 255, 255, 0));
    ASSERT_TRUE(PassHolding({kKeyE}));  // still the same press
    EXPECT_EQ(app.tool.PaintMode, 2);
    ASSERT_TRUE(PassHolding({}));
    ASSERT_TRUE(PassHolding({kKeyE}));
    EXPECT_EQ(app.tool.PaintMode, 0);
    EXPECT_EQ(app.tool.paint, DisplayColor(10, 20, 30, 255));
}

TEST_F(UpdateFrameTest, BOnlyReturnsToTheBrush) {
    MakeUpperLayerCurrent();
    ASSERT_TRUE(PassHolding({kKeyB}));
    EXPECT_EQ(app.tool.PaintMode, 0);
    ASSERT_TRUE(PassHolding({}));
    ASSERT_TRUE(PassHolding({kKeyE}));
    ASSERT_TRUE(PassHolding({}));
    ASSERT_TRUE(PassHolding({kKeyB}));
    EXPECT_EQ(app.tool.PaintMode, 0);
    EXPECT_EQ(app.tool.paint, app.tool.primary);
}

TEST_F(UpdateFrameTest, XSwapsPrimaryAndSecondaryWithTheBrush) {
    app.tool.primary = DisplayColor(10, 20, 30, 255);
    app.tool.secondary = DisplayColor(200, 210, 220, 255);
    ASSERT_TRUE(PassHolding({kKeyX}));
    EXPECT_EQ(app.tool.primary, DisplayColor(200, 210, 220, 255));
    EXPECT_EQ(app.tool.secondary, DisplayColor(10, 20, 30, 255));
    EXPECT_EQ(app.tool.paint, app.tool.primary);
    ASSERT_TRUE(PassHolding({kKeyX}));  // held: no second swap
    EXPECT_EQ(app.tool.primary, DisplayColor(200, 210, 220, 255));
}

TEST_F(UpdateFrameTest, XWhileTheLeftButtonIsHeldDoesNotSwap) {
    app.window.leftButton = true;
    ASSERT_TRUE(PassHolding({kKeyX}));
    EXPECT_EQ(app.tool.primary, DisplayColor(0, 0, 0, 255));
}

TEST_F(UpdateFrameTest, XWithTheEraserOnAnUpperLayerTurnsErasingIntoRestoring) {
    MakeUpperLayerCurrent();
    ASSERT_TRUE(PassHolding({kKeyE}));
    ASSERT_EQ(app.tool.paint.value[3], 0);
    ASSERT_TRUE(PassHolding({}));
    ASSERT_TRUE(PassHolding({kKeyX}));
    EXPECT_EQ(app.tool.paint, DisplayColor(255, 255, 255, 255));
    EXPECT_EQ(app.tool.paint.mirrorA, 255);  // the 16-bit mirror follows
    EXPECT_EQ(app.tool.primary, DisplayColor(0, 0, 0, 255));
    ASSERT_TRUE(PassHolding({}));
    ASSERT_TRUE(PassHolding({kKeyX}));
    EXPECT_EQ(app.tool.paint.value[3], 0);
}

TEST_F(UpdateFrameTest, PanelRequestsActOnceInTheNextPass) {
    MakeUpperLayerCurrent();
    app.toolToggleRequested = true;
    ASSERT_TRUE(PassHolding({}));
    ASSERT_TRUE(PassHolding({}));
    EXPECT_EQ(app.tool.PaintMode, 2);
}

TEST_F(UpdateFrameTest, TheEraserOnTheBottomLayerPaintsTheSecondaryColour) {
    app.tool.secondary = DisplayColor(200, 100, 50, 255);
    ASSERT_TRUE(PassHolding({kKeyE}));
    EXPECT_EQ(app.tool.PaintMode, 1);
    EXPECT_EQ(app.tool.paint, DisplayColor(200, 100, 50, 255));
    // X does not touch the colours of the bottom-layer eraser.
    ASSERT_TRUE(PassHolding({}));
    ASSERT_TRUE(PassHolding({kKeyX}));
    EXPECT_EQ(app.tool.paint, DisplayColor(200, 100, 50, 255));
    EXPECT_EQ(app.tool.primary, DisplayColor(0, 0, 0, 255));
}

TEST_F(UpdateFrameTest, TheLayerEraserBecomesTheCanvasEraserWhenTheBottomLayerIsChosen) {
    MakeUpperLayerCurrent();
    ASSERT_TRUE(PassHolding({kKeyE}));
    ASSERT_EQ(app.tool.PaintMode, 2);
    doc.currentLayer = 0;  // as the layer panel would
    ASSERT_TRUE(PassHolding({}));
    EXPECT_EQ(app.tool.PaintMode, 1);
    EXPECT_EQ(app.tool.paint, app.tool.secondary);
}

// --- View, joystick and cursor ---------------------------------------------------

TEST_F(UpdateFrameTest, TheMirrorKeyTakesTheClick) {
    ASSERT_TRUE(PassHolding({kKeyF}));
    EXPECT_TRUE(app.view.mirrored);
    EXPECT_TRUE(app.clickTaken);
}

TEST_F(UpdateFrameTest, MousePressureFollowsTheJoystickEveryPass) {
    fake::Input().axes = {0.0f};
    StartJoystickPressure(app.joystick, 1);
    app.joystick.on = true;
    ASSERT_TRUE(UpdateFrame());
    fake::Input().axes = {0.8f};
    ASSERT_TRUE(UpdateFrame());
    ASSERT_EQ(app.joystick.pressureAxis, 0);
    fake::Input().axes = {0.4f};
    ASSERT_TRUE(UpdateFrame());
    EXPECT_NEAR(app.joystick.mousePressure, 1.0f + (0.5f - 1.0f) * 0.3f, 1e-5f);
}

struct CursorCase {
    const char* name;
    std::function<void()> setUp;
    std::vector<int> keys;
    int kind;
    bool hidden;
};

class Cursor : public UpdateFrameTest, public ::testing::WithParamInterface<CursorCase> {};

TEST_P(Cursor, FollowsTheRulesInOrder) {
    const CursorCase& c = GetParam();
    app.window.mouseX = app.window.width / 2;
    app.window.mouseY = app.window.height / 2;
    c.setUp();
    fake::Input().held.reset();
    for (int key : c.keys) Hold({key});
    ASSERT_TRUE(UpdateFrame());
    EXPECT_EQ(app.window.cursorKind, c.kind);
    EXPECT_EQ(app.window.cursorHidden, c.hidden);
}

void BigBrush() { app.brush.radius = 10.0f; }

INSTANTIATE_TEST_SUITE_P(
    Cases, Cursor,
    ::testing::Values(
        CursorCase{"SmallBrushShowsTheCrosshair", [] {}, {}, kCursorNone, false},
        CursorCase{"MidSizedBrushHidesIt", BigBrush, {}, kCursorNone, true},
        CursorCase{"HugeBrushShowsIt", [] { app.brush.radius = 60.0f; }, {}, kCursorNone, false},
        CursorCase{"PixelBrushShowsIt", [] { BigBrush(); app.brush.hardness = 1.0f; }, {}, kCursorNone, false},
        CursorCase{"PressureSizeShowsIt", [] { BigBrush(); app.brush.pressureControlledSize = true; }, {}, kCursorNone, false},
        CursorCase{"AltShowsIt", BigBrush, {kKeyLeftAlt}, kCursorNone, false},
        CursorCase{"OverThePanels", [] { BigBrush(); app.pointerOverInterface = true; }, {}, kCursorArrow, false},
        CursorCase{"SpaceInsideTheCircle", BigBrush, {kKeySpace}, kCursorSizeAll, false},
        CursorCase{"SpaceOutsideTheCircle", [] { app.window.mouseX = 1; app.window.mouseY = 1; }, {kKeySpace}, kCursorArrow, false},
        CursorCase{"EraserOnLockedLayer",
                   [] {
                       ASSERT_TRUE(AddLayer(app.document, 0));
                       app.document.currentLayer = 1;
                       app.document.layers[1].lockTransparency = true;
                       app.tool.PaintMode = 2;
                   },
                   {}, kCursorNo, false},
        CursorCase{"CtrlShowsTheCrosshair", BigBrush, {kKeyLeftCtrl}, kCursorNone, false},
        CursorCase{"CtrlOverThePanels", [] { app.pointerOverInterface = true; }, {kKeyLeftCtrl}, kCursorArrow, false},
        CursorCase{"SlashedCircleRequest", [] { BigBrush(); app.noCursorRequested = true; }, {kKeyLeftCtrl}, kCursorNo, false},
        CursorCase{"TextFieldBeatsTheSlashedCircle", [] { app.noCursorRequested = app.textCursorRequested = true; }, {}, kCursorIBeam, false},
        // Posted this pass, the command runs at the start of the next; meanwhile it waits.
        CursorCase{"PendingCommandWaits", [] { BigBrush(); app.textCursorRequested = true; }, {kKeyLeftCtrl, kKeyS}, kCursorWait, false},
        CursorCase{"CtrlSShowsTheWaitCursorAtOnce", [] {}, {kKeyLeftCtrl, kKeyS}, kCursorWait, false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(UpdateFrameTest, APostedCommandIsTakenAtTheStartOfTheNextPass) {
    PostCommand("save");
    ASSERT_TRUE(UpdateFrame());
    EXPECT_EQ(app.pendingCommand, "");
    EXPECT_NE(app.window.cursorKind, kCursorWait);
}

TEST_F(UpdateFrameTest, CursorIsAppliedOnlyWhenItChanges) {
    ASSERT_TRUE(UpdateFrame());
    const int applied = os.cursorsApplied;
    ASSERT_TRUE(UpdateFrame());
    EXPECT_EQ(os.cursorsApplied, applied);
    app.brush.radius = 10.0f;
    ASSERT_TRUE(UpdateFrame());
    EXPECT_EQ(os.cursorsApplied, applied + 1);
    app.textCursorRequested = true;
    ASSERT_TRUE(UpdateFrame());
    EXPECT_EQ(os.cursorsApplied, applied + 2);
    EXPECT_FALSE(app.textCursorRequested);  // a request lasts one pass
}

}  // namespace
