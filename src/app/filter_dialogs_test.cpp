#include "app/filter_dialogs.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "app/app_state.h"
#include "app/app_test_support.h"
#include "app/commands.h"
#include "filters/filter_sliders.h"
#include "filters/filter_test_support.h"
#include "filters/levels.h"
#include "filters/noise.h"
#include "image/color_profile.h"
#include "image/thread_scratch.h"
#include "image/undo.h"
#include "platform/fake/fake_platform.h"
#include "ui/widgets.h"

namespace {

using filtertest::LayerSnapshot;
using filtertest::SameAsSnapshot;
using filtertest::Snapshot;

constexpr int kWidth = 800, kHeight = 600;
constexpr int kLayer = 1;

int Handle(int param, int channel) { return param * kLevelsChannels + channel; }

// The dialogs driven frame by frame as the interface half of the real frame
// drives them, over a 300 x 200 document whose layer 1 holds random pixels.
class FilterDialogTest : public ::testing::Test {
protected:
    void SetUp() override {
        platform::fake::Reset();
        ResetAppState();
        ui = UiState();
        app.filterDialog = FilterDialogState();
        app.escapeHeld = false;
        app.pendingCommand.clear();
        SelectProfile(*BuiltinProfile(kDefaultProfileIndex));
        InitThreadScratch(1, kTileSide);
        ASSERT_TRUE(NewDocument(app.document, 300, 200));
        ASSERT_TRUE(AddLayer(app.document, 0));
        app.document.currentLayer = kLayer;
        doctest::PaintLayer(app.document, kLayer, 77);
        original = Snapshot(app.document, kLayer);
        startPosition = UndoDepth(app.document);
    }
    void TearDown() override {
        ReleaseDocument(app.document);
        FreeThreadScratch();
    }

    // One frame at a window point.
    void Frame(int x, int y, bool down, bool enter = false, bool escape = false) {
        BeginInterfaceFrame(x, y, down, kWidth, kHeight);
        ui.enterPressed = enter;
        ui.escapePressed = escape;
        DrawFilterDialog();
    }
    // One frame at a point relative to the open dialog.
    void At(int dx, int dy, bool down) {
        const DialogRect r = FilterDialogRect(app.filterDialog.open, kWidth, kHeight);
        Frame(r.x + dx, r.y + dy, down);
    }
    void ClickAt(int dx, int dy) {
        At(dx, dy, false);
        At(dx, dy, true);
        At(dx, dy, false);
    }
    void ClickOk() { ClickAt(400 - 170 + 35, Rect().h - 20); }
    void ClickCancel() { ClickAt(400 - 80 + 35, Rect().h - 20); }
    DialogRect Rect() const { return FilterDialogRect(app.filterDialog.open, kWidth, kHeight); }

    // Steps taken since the test began; an open dialog's step counts.
    int StepsTaken() const {
        return UndoDepth(app.document) - startPosition + (StepOpen(app.document) ? 1 : 0);
    }
    bool LayerIsOriginal() { return SameAsSnapshot(app.document, kLayer, original); }

    LayerSnapshot original;
    int startPosition = 0;
};

// Slider positions: the handle's centre sits at x = 15 + p.
constexpr int kSliderY = 45;
int SliderX(int p) { return 15 + p; }

TEST_F(FilterDialogTest, DialogsSitTenPixelsInsideTheBottomRightCorner) {
    struct Case {
        int dialog, w, h;
    } cases[] = {{kBlurDialog, 400, 100}, {kNoiseDialog, 400, 100}, {kLevelsDialog, 400, 280}};
    for (const Case& k : cases)
        for (int W : {640, 1024}) {
            const DialogRect r = FilterDialogRect(k.dialog, W, 700);
            EXPECT_EQ(r.w, k.w);
            EXPECT_EQ(r.h, k.h);
            EXPECT_EQ(r.x + r.w, W - 10) << k.dialog;
            EXPECT_EQ(r.y + r.h, 690) << k.dialog;
        }
}

// Whichever way the previewing dialogs close, one run leaves at most one
// undo step: OK keeps the filtered layer over it, Cancel leaves no step and
// the layer exactly as it was.
TEST_F(FilterDialogTest, ClosingKeepsOneStepOrNone) {
    struct Close {
        const char* name;
        std::function<void()> act;
        bool keeps;
    } closes[] = {
        {"OK", [this] { ClickOk(); }, true},
        {"Enter", [this] { Frame(5, 5, false, true, false); }, true},
        {"Cancel", [this] { ClickCancel(); }, false},
        {"Escape", [this] { Frame(5, 5, false, false, true); }, false},
        {"EscapeHeld",
         [] {
             app.escapeHeld = true;
             BeginInterfaceFrame(5, 5, false, kWidth, kHeight);
             DrawFilterDialog();
             app.escapeHeld = false;
         },
         false},
    };
    for (int dialog : {kLevelsDialog, kNoiseDialog})
        for (const Close& close : closes) {
            SCOPED_TRACE(std::string(close.name) + (dialog == kLevelsDialog ? " levels" : " noise"));
            ASSERT_TRUE(LayerIsOriginal());
            startPosition = UndoDepth(app.document);
            const int redoable = RedoDepth(app.document);
            OpenFilterDialog(dialog);
            EXPECT_TRUE(FilterDialogOpen());
            EXPECT_EQ(StepsTaken(), 1);
            Frame(5, 5, false);
            EXPECT_FALSE(LayerIsOriginal()) << "the first frame previews";
            close.act();
            EXPECT_FALSE(FilterDialogOpen());
            EXPECT_EQ(app.filterDialog.open, kNoFilterDialog);
            if (close.keeps) {
                EXPECT_EQ(StepsTaken(), 1);
                EXPECT_FALSE(LayerIsOriginal());
                Undo(app.document);  // Ctrl+Z takes the filter back
            } else {
                EXPECT_EQ(StepsTaken(), 0);
                EXPECT_EQ(RedoDepth(app.document), redoable) << "Cancel leaves nothing new to redo";
            }
            EXPECT_TRUE(LayerIsOriginal());
            EXPECT_EQ(StepsTaken(), 0);
        }
}

TEST_F(FilterDialogTest, LevelsOkWithDefaultsStillQuantises) {
    LayerTile& tile = *LayerTileAt(app.document.stacks[0], kLayer);
    doctest::Samples(*tile.pixels, 0)[0] = 32768;
    doctest::Samples(*tile.pixels, 3)[0] = 1234;
    OpenFilterDialog(kLevelsDialog);
    Frame(5, 5, false);
    ClickOk();
    EXPECT_EQ(doctest::Samples(*tile.pixels, 0)[0], 32608);
    EXPECT_EQ(doctest::Samples(*tile.pixels, 3)[0], 1234) << "alpha is not touched";
}

// Many previews while the slider moves, and the kept layer is the original
// filtered once with the last strength: previews start from the unfiltered
// pixels and never add steps.
TEST_F(FilterDialogTest, NoisePreviewsDoNotStack) {
    OpenFilterDialog(kNoiseDialog);
    Frame(5, 5, false);
    for (int p : {300, 20, 380, 150}) {
        At(SliderX(app.filterDialog.noiseSlider), kSliderY, false);
        At(SliderX(app.filterDialog.noiseSlider), kSliderY, true);
        At(SliderX(p), kSliderY, true);
        At(SliderX(p), kSliderY, false);
        EXPECT_EQ(app.filterDialog.noiseSlider, p);
    }
    EXPECT_EQ(app.filterDialog.previews, 5);
    EXPECT_EQ(StepsTaken(), 1);
    ClickOk();
    const LayerSnapshot kept = Snapshot(app.document, kLayer);

    Undo(app.document);
    ASSERT_TRUE(LayerIsOriginal());
    ASSERT_TRUE(AddTransparencyNoise(app.document, kLayer, NoiseStrengthForSlider(150)));
    EXPECT_TRUE(SameAsSnapshot(app.document, kLayer, kept));
}

TEST_F(FilterDialogTest, LevelsPreviewsDoNotStack) {
    OpenFilterDialog(kLevelsDialog);
    Frame(5, 5, false);
    // The maximum's handle starts at the top of the graph (y = 50); each
    // drag lowers it.
    int y = 50;
    for (int step = 0; step < 3; ++step) {
        At(31, y, false);
        At(31, y, true);
        y += 30;
        At(31, y, true);
        At(31, y, false);
    }
    EXPECT_EQ(app.filterDialog.previews, 4);
    EXPECT_EQ(StepsTaken(), 1);
    EXPECT_FLOAT_EQ(app.filterDialog.levels.value[kLevelsMaximum][2], 0.4f);
    ClickOk();
    const LayerSnapshot kept = Snapshot(app.document, kLayer);

    Undo(app.document);
    ASSERT_TRUE(LayerIsOriginal());
    ASSERT_TRUE(ApplyLevels(app.document, kLayer, app.filterDialog.levels));
    EXPECT_TRUE(SameAsSnapshot(app.document, kLayer, kept));
}

// Enter in the middle of a drag, before any preview of the new strength, keeps
// the strength the slider shows.
TEST_F(FilterDialogTest, EnterDuringADragKeepsTheShownStrength) {
    OpenFilterDialog(kNoiseDialog);
    Frame(5, 5, false);
    const int x = SliderX(app.filterDialog.noiseSlider);
    At(x, kSliderY, false);
    At(x, kSliderY, true);
    At(SliderX(300), kSliderY, true);
    const DialogRect r = Rect();
    BeginInterfaceFrame(r.x + SliderX(300), r.y + kSliderY, true, kWidth, kHeight);
    ui.enterPressed = true;
    DrawFilterDialog();
    ASSERT_FALSE(FilterDialogOpen());
    const LayerSnapshot kept = Snapshot(app.document, kLayer);

    Undo(app.document);
    ASSERT_TRUE(AddTransparencyNoise(app.document, kLayer, NoiseStrengthForSlider(300)));
    EXPECT_TRUE(SameAsSnapshot(app.document, kLayer, kept));
}

// A drag re-filters when the button is released, or once the pointer has
// rested for more than 20 frames, and not again until something changes.
TEST_F(FilterDialogTest, NoiseDragPreviewsAfterTwentyFramesOfRestAndOnRelease) {
    OpenFilterDialog(kNoiseDialog);
    Frame(5, 5, false);
    ASSERT_EQ(app.filterDialog.previews, 1);
    const int x = SliderX(app.filterDialog.noiseSlider);
    At(x, kSliderY, false);
    At(x, kSliderY, true);
    At(x + 100, kSliderY, true);
    const LayerSnapshot before = Snapshot(app.document, kLayer);
    for (int frame = 1; frame <= 20; ++frame) At(x + 100, kSliderY, true);
    EXPECT_EQ(app.filterDialog.previews, 1);
    EXPECT_TRUE(SameAsSnapshot(app.document, kLayer, before));
    At(x + 100, kSliderY, true);  // the 21st frame of rest
    EXPECT_EQ(app.filterDialog.previews, 2);
    EXPECT_FALSE(SameAsSnapshot(app.document, kLayer, before));
    for (int frame = 0; frame < 30; ++frame) At(x + 100, kSliderY, true);
    At(x + 100, kSliderY, false);
    EXPECT_EQ(app.filterDialog.previews, 2) << "nothing changed since the last preview";

    // Moving on every frame never rests; the release previews.
    At(x + 100, kSliderY, true);
    for (int frame = 1; frame <= 40; ++frame) At(x + 100 + (frame % 2 ? 3 : -3), kSliderY, true);
    EXPECT_EQ(app.filterDialog.previews, 2);
    At(x + 97, kSliderY, false);
    EXPECT_EQ(app.filterDialog.previews, 3);
    EXPECT_EQ(StepsTaken(), 1);
}

// The output handles move vertically: a pointer moving only in y is not at
// rest, so a slow vertical drag previews on release and not every frame.
TEST_F(FilterDialogTest, LevelsVerticalDragCountsAsMoving) {
    OpenFilterDialog(kLevelsDialog);
    Frame(5, 5, false);
    At(31, 50, false);
    At(31, 50, true);
    for (int y = 51; y <= 90; ++y) At(31, y, true);
    EXPECT_EQ(app.filterDialog.previews, 1);
    At(31, 90, false);
    EXPECT_EQ(app.filterDialog.previews, 2);
}

TEST_F(FilterDialogTest, LevelsStartFromTheDefaultsAtEveryOpening) {
    OpenFilterDialog(kLevelsDialog);
    Frame(5, 5, false);
    ClickAt(31, 50);  // grab the maximum...
    At(31, 50, true);
    At(31, 125, true);
    At(31, 125, false);
    ASSERT_FLOAT_EQ(app.filterDialog.levels.value[kLevelsMaximum][0], 0.5f);
    ClickCancel();
    ASSERT_TRUE(LayerIsOriginal());

    OpenFilterDialog(kLevelsDialog);
    Frame(5, 5, false);
    EXPECT_EQ(app.filterDialog.levels.value[kLevelsMaximum][0], 1.0f);
    ClickOk();
    const LayerSnapshot kept = Snapshot(app.document, kLayer);
    Undo(app.document);
    ASSERT_TRUE(ApplyLevels(app.document, kLayer, LevelsParams()));
    EXPECT_TRUE(SameAsSnapshot(app.document, kLayer, kept));
}

// Independent levels edit one channel; turning neutral back on gives green
// and blue red's values and re-filters the layer with them.
TEST_F(FilterDialogTest, NeutralModeAndReset) {
    OpenFilterDialog(kLevelsDialog);
    Frame(5, 5, false);
    const int buttonsY = 280 - 20;
    ClickAt(60, buttonsY);  // "RGB/Neutral"
    ASSERT_FALSE(app.filterDialog.levels.neutral);
    // Green's white point: the second row below the graph, at the right end.
    At(360, 220, false);
    At(360, 220, true);
    At(200, 220, true);
    At(200, 220, false);
    const LevelsParams& p = app.filterDialog.levels;
    EXPECT_FLOAT_EQ(p.value[kLevelsWhitePoint][1], 0.5f);
    EXPECT_EQ(p.value[kLevelsWhitePoint][0], 1.0f);
    EXPECT_EQ(p.value[kLevelsWhitePoint][2], 1.0f);

    const int previews = app.filterDialog.previews;
    ClickAt(60, buttonsY);
    EXPECT_TRUE(p.neutral);
    EXPECT_EQ(p.value[kLevelsWhitePoint][1], 1.0f);
    EXPECT_EQ(app.filterDialog.previews, previews + 1);
    const LayerSnapshot neutral = Snapshot(app.document, kLayer);
    RevertOpenStep(app.document);
    ASSERT_TRUE(ApplyLevels(app.document, kLayer, LevelsParams()));
    EXPECT_TRUE(SameAsSnapshot(app.document, kLayer, neutral));

    // Reset after a change puts the defaults back and re-filters.
    At(31, 50, false);
    At(31, 50, true);
    At(31, 200, true);
    At(31, 200, false);
    ASSERT_EQ(p.value[kLevelsMaximum][0], 0.0f);
    ClickAt(150, buttonsY);  // "Reset"
    EXPECT_EQ(p.value[kLevelsMaximum][0], 1.0f);
    EXPECT_TRUE(SameAsSnapshot(app.document, kLayer, neutral));
    EXPECT_EQ(StepsTaken(), 1);
}

TEST_F(FilterDialogTest, LevelsHandleUnderThePoint) {
    LevelsParams neutral;
    LevelsParams independent;
    independent.neutral = false;
    LevelsParams closedAtZero;  // black point = white point = 0
    closedAtZero.value[kLevelsWhitePoint][0] = 0.0f;
    LevelsParams closedAtOne;
    closedAtOne.value[kLevelsBlackPoint][0] = 1.0f;
    struct Case {
        const char* name;
        const LevelsParams* params;
        int x, y, handle;
    } cases[] = {
        {"maximum", &neutral, 31, 50, Handle(kLevelsMaximum, 0)},
        {"minimum", &neutral, 30, 200, Handle(kLevelsMinimum, 0)},
        {"black point", &neutral, 40, 208, Handle(kLevelsBlackPoint, 0)},
        {"shape", &neutral, 201, 209, Handle(kLevelsShape, 0)},
        {"white point", &neutral, 358, 206, Handle(kLevelsWhitePoint, 0)},
        {"on the graph", &neutral, 200, 120, -1},
        {"neutral shows one row", &neutral, 200, 220, -1},
        {"green shape", &independent, 200, 220, Handle(kLevelsShape, 1)},
        {"blue white point", &independent, 360, 232, Handle(kLevelsWhitePoint, 2)},
        {"red maximum", &independent, 6, 50, Handle(kLevelsMaximum, 0)},
        {"blue minimum", &independent, 30, 200, Handle(kLevelsMinimum, 2)},
        // Equal points: the handle that can still move towards the pointer.
        {"closed at 0", &closedAtZero, 40, 208, Handle(kLevelsWhitePoint, 0)},
        {"closed at 0, left", &closedAtZero, 38, 208, Handle(kLevelsBlackPoint, 0)},
        {"closed at 1", &closedAtOne, 360, 208, Handle(kLevelsBlackPoint, 0)},
        {"closed at 1, right", &closedAtOne, 362, 208, Handle(kLevelsWhitePoint, 0)},
    };
    for (const Case& k : cases) EXPECT_EQ(LevelsHandleAt(*k.params, k.x, k.y), k.handle) << k.name;
}

TEST_F(FilterDialogTest, DraggingLevelsHandles) {
    LevelsParams p;
    p.neutral = false;
    // The minimum cannot pass the maximum, the black point the white point.
    p.value[kLevelsMaximum][0] = 0.6f;
    DragLevelsHandle(p, Handle(kLevelsMinimum, 0), 31, 50);
    EXPECT_FLOAT_EQ(p.value[kLevelsMinimum][0], 0.6f);
    DragLevelsHandle(p, Handle(kLevelsWhitePoint, 1), 120, 208);
    EXPECT_FLOAT_EQ(p.value[kLevelsWhitePoint][1], 0.25f);
    DragLevelsHandle(p, Handle(kLevelsBlackPoint, 1), 300, 208);
    EXPECT_FLOAT_EQ(p.value[kLevelsBlackPoint][1], 0.25f);
    DragLevelsHandle(p, Handle(kLevelsWhitePoint, 2), 9999, 208);
    EXPECT_EQ(p.value[kLevelsWhitePoint][2], 1.0f);

    // The shape follows the pointer between the points.
    p.value[kLevelsBlackPoint][2] = 0.2f;
    p.value[kLevelsWhitePoint][2] = 0.6f;
    DragLevelsHandle(p, Handle(kLevelsShape, 2), 40 + 96, 208);
    EXPECT_NEAR(p.value[kLevelsShape][2], 0.25f, 1e-6);
    // With equal points it has no position to follow.
    DragLevelsHandle(p, Handle(kLevelsShape, 1), 300, 208);
    EXPECT_EQ(p.value[kLevelsShape][1], 0.5f);

    // Neutral: any handle edits red, and green and blue follow.
    LevelsParams n;
    DragLevelsHandle(n, Handle(kLevelsMaximum, 0), 31, 125);
    for (int c = 0; c < kLevelsChannels; ++c) EXPECT_FLOAT_EQ(n.value[kLevelsMaximum][c], 0.5f);
}

// The blur takes no step and changes nothing until its command runs; OK posts
// exactly one command with the radius the dialog shows.
TEST_F(FilterDialogTest, BlurPostsItsCommandOnOk) {
    OpenFilterDialog(kBlurDialog);
    EXPECT_EQ(StepsTaken(), 0);
    Frame(5, 5, false);
    const int x = SliderX(app.filterDialog.blurSlider);
    At(x, kSliderY, false);
    At(x, kSliderY, true);
    At(SliderX(190), kSliderY, true);
    At(SliderX(190), kSliderY, false);
    EXPECT_TRUE(LayerIsOriginal());
    EXPECT_TRUE(app.pendingCommand.empty());
    ClickOk();
    EXPECT_FALSE(FilterDialogOpen());
    EXPECT_EQ(app.pendingCommand, "filter-blur " + std::to_string(BlurRadiusForSlider(190)));
    EXPECT_EQ(StepsTaken(), 0);
    EXPECT_TRUE(LayerIsOriginal());

    ASSERT_TRUE(DispatchCommands());
    EXPECT_TRUE(app.pendingCommand.empty());
    EXPECT_EQ(StepsTaken(), 1);
    EXPECT_FALSE(LayerIsOriginal());
    Undo(app.document);
    EXPECT_TRUE(LayerIsOriginal());

    // The slider keeps its place for the next opening; Cancel posts nothing.
    OpenFilterDialog(kBlurDialog);
    Frame(5, 5, false);
    EXPECT_EQ(app.filterDialog.blurSlider, 190);
    ClickCancel();
    EXPECT_FALSE(FilterDialogOpen());
    EXPECT_TRUE(app.pendingCommand.empty());
    EXPECT_EQ(StepsTaken(), 0);
}

TEST_F(FilterDialogTest, NoiseIsRefusedOnTheBottomLayer) {
    OpenFilterDialog(kLevelsDialog);  // an open dialog stays open
    Frame(5, 5, false);
    const int previews = app.filterDialog.previews;
    const int position = UndoDepth(app.document);
    app.document.currentLayer = 0;
    const LayerSnapshot canvas = Snapshot(app.document, 0);
    OpenFilterDialog(kNoiseDialog);
    EXPECT_EQ(app.filterDialog.open, kLevelsDialog);
    EXPECT_EQ(app.filterDialog.layer, kLayer);
    EXPECT_EQ(UndoDepth(app.document), position);
    EXPECT_TRUE(StepOpen(app.document));
    Frame(5, 5, false);
    EXPECT_EQ(app.filterDialog.previews, previews);
    EXPECT_TRUE(SameAsSnapshot(app.document, 0, canvas));
}

// Choosing another filter while a dialog is open cancels the first, so its
// preview and its step go.
TEST_F(FilterDialogTest, OpeningAnotherDialogCancelsTheOpenOne) {
    OpenFilterDialog(kNoiseDialog);
    Frame(5, 5, false);
    ASSERT_FALSE(LayerIsOriginal());
    OpenFilterDialog(kLevelsDialog);
    EXPECT_EQ(StepsTaken(), 1);
    EXPECT_TRUE(LayerIsOriginal());
    Frame(5, 5, false);
    ClickCancel();
    EXPECT_EQ(StepsTaken(), 0);
    EXPECT_TRUE(LayerIsOriginal());
}

// While a dialog is open the pointer is over the interface everywhere, so no
// stroke starts on the canvas.
TEST_F(FilterDialogTest, AnOpenDialogHoldsThePointer) {
    Frame(100, 100, false);
    EXPECT_FALSE(ui.pointerOverInterface);
    OpenFilterDialog(kBlurDialog);
    Frame(100, 100, false);
    EXPECT_TRUE(ui.pointerOverInterface);
    Frame(100, 100, true);
    EXPECT_TRUE(ui.pointerOverInterface);
    EXPECT_TRUE(FilterDialogOpen());
}

}  // namespace
