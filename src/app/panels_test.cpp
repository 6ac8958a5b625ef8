#include "app/panels.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "app/app_state.h"
#include "app/app_test_support.h"
#include "app/filter_dialogs.h"
#include "app/program_test_support.h"
#include "fileio/allocation_probe.h"
#include "image/animation.h"
#include "image/color_profile.h"
#include "image/document.h"
#include "image/document_test_support.h"
#include "image/pixel_image.h"
#include "image/thread_scratch.h"
#include "image/undo.h"
#include "paint/layer_pixels.h"
#include "platform/fake/fake_platform.h"
#include "ui/widgets.h"

namespace {

constexpr int kW = 950, kH = 650;

class PanelsTest : public ::testing::Test {
protected:
    void SetUp() override {
        platform::fake::Reset();
        ResetAppState();
        ResetInterfaceState();
        app.showTooltips = true;
        app.altHeld = app.shiftHeld = app.ctrlHeld = false;
        app.mergeRequested = app.colorSwapRequested = app.toolToggleRequested = false;
        app.drawingBlocked = app.noCursorRequested = false;
        app.tool = PaintTool();
        SelectProfile(*BuiltinProfile(kDefaultProfileIndex));
        InitThreadScratch(1, kTileSide);
        ASSERT_TRUE(NewDocument(app.document, 200, 150));
        ExitAnimation(app.document);  // a new document keeps the animation state
    }
    void TearDown() override {
        if (ui.editing) CommitEdit();
        ReleaseDocument(app.document);
        FreeThreadScratch();
    }

    // One interface frame with the pointer at (x, y), drawing one part.
    static void Frame(void (*draw)(), int x, int y, bool down) {
        BeginInterfaceFrame(x, y, down, kW, kH);
        ProcessEditKeys();
        draw();
    }
    static void Click(void (*draw)(), int x, int y) {
        Frame(draw, x, y, true);
        Frame(draw, x, y, false);
    }

    static void AddLayers(int count) {
        for (int k = 0; k < count; ++k) ASSERT_TRUE(AddLayer(app.document, app.document.layerCount - 1));
        app.document.currentLayer = 0;
        app.document.modified = false;
    }
    static LayerPanelLayout Layout() { return LayoutLayerPanel(app.document.layerCount, kH); }
    static int RowTop(int layer) { return LayerRowTop(Layout(), layer, app.layerPanel.scroll); }
};

// ---- Layer panel geometry ----

TEST(LayerPanelLayoutTest, HeightsAndRowsForSomeWindows) {
    struct Case {
        int layers, height;
        int content, visible, top;
        bool scrollBar;
        int thumbHeight;
    };
    const Case cases[] = {
        {1, 650, 119, 119, 451, false, 0},
        {6, 650, 569, 550, 20, true, 531},     // 550 * 550 / 569
        {10, 650, 929, 550, 20, true, 325},
        {2, 101, 209, 1, 20, true, 0},          // a one-pixel strip still moves
        {128, 100, 11549, 0, 20, false, 0},     // no room at all: no bar
        {128, 60, 11549, 0, -20, false, 0},
        {128, 0, 11549, 0, -80, false, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.layers << " layers, height " << c.height);
        const LayerPanelLayout l = LayoutLayerPanel(c.layers, c.height);
        EXPECT_EQ(l.bottom, c.height - 80);
        EXPECT_EQ(l.content, c.content);
        EXPECT_EQ(l.visible, c.visible);
        EXPECT_EQ(l.top, c.top);
        EXPECT_EQ(l.scrollBar, c.scrollBar);
        EXPECT_EQ(l.thumbHeight, c.thumbHeight);
        // Whatever the thumb, the mapping stays finite and in range.
        for (int thumb : {-5, 0, 1, 200, 100000}) {
            const int scroll = ScrollForThumb(l, thumb);
            EXPECT_GE(scroll, 0);
            EXPECT_LE(scroll, std::max(0, l.content - l.visible));
        }
    }
    EXPECT_EQ(LayerRowTop(LayoutLayerPanel(1, 650), 0, 0), 480);
    EXPECT_EQ(LayerRowTop(LayoutLayerPanel(3, 650), 2, 7), 307);
}

// At the bottom of the scroll range the canvas row sits inside the panel;
// at the top of it the top row's add button does (in windows with room for
// one whole row).
TEST(LayerPanelLayoutTest, ScrollRangeShowsBothEndsOfTheList) {
    for (int n = 1; n <= kMaxLayers; n += 9) {
        for (int h : {220, 400, 650, 1200}) {
            SCOPED_TRACE(testing::Message() << n << " layers, height " << h);
            const LayerPanelLayout l = LayoutLayerPanel(n, h);
            const int bottomRow = LayerRowTop(l, 0, ScrollForThumb(l, 0));
            EXPECT_GE(bottomRow - 17, l.top);
            EXPECT_LE(bottomRow + 71, l.bottom);
            const int topRow = LayerRowTop(l, n - 1, ScrollForThumb(l, 1 << 20));
            EXPECT_EQ(topRow - 17, l.top + 12);
        }
    }
}

TEST(LayerPanelLayoutTest, ThumbMapsOntoTheScrollRange) {
    const LayerPanelLayout l = LayoutLayerPanel(10, 650);  // thumb 325, travel 225
    ASSERT_TRUE(l.scrollBar);
    EXPECT_EQ(l.thumbTravel, 225);
    EXPECT_EQ(ScrollForThumb(l, 0), 0);
    EXPECT_EQ(ScrollForThumb(l, 225), 379);
    EXPECT_EQ(ScrollForThumb(l, 100), 379 * 100 / 225);
    EXPECT_EQ(ScrollForThumb(l, 500), 379);
    EXPECT_EQ(ThumbTop(l, 0), 570 - 325);
    EXPECT_EQ(ThumbTop(l, 225), 20);
    // Dragging keeps the grab offset: the thumb under a still pointer stays.
    EXPECT_EQ(ThumbForDrag(l, ThumbTop(l, 80) + 17, 17), 80);
    EXPECT_EQ(ThumbForDrag(l, -1000, 17), 225);
    EXPECT_EQ(ThumbForDrag(l, 5000, 17), 0);

    const LayerPanelLayout none = LayoutLayerPanel(3, 650);
    EXPECT_FALSE(none.scrollBar);
    EXPECT_EQ(ClampThumb(none, 40), 0);
    EXPECT_EQ(ScrollForThumb(none, 40), 0);
}

TEST(LayerPanelLayoutTest, OpacitySliderEnds) {
    const int y = 300;
    EXPECT_EQ(OpacityAtPointer(y, y + 15), 255);  // top of the slider
    EXPECT_EQ(OpacityAtPointer(y, y + 55), 0);    // its bottom row
    EXPECT_EQ(OpacityAtPointer(y, y - 100), 255);
    EXPECT_EQ(OpacityAtPointer(y, y + 300), 0);
    EXPECT_EQ(OpacityAtPointer(y, y + 35), 127);  // 20 * 255 / 40
    EXPECT_EQ(OpacityFillHeight(255), 41);
    EXPECT_EQ(OpacityFillHeight(0), 0);
    EXPECT_EQ(OpacityFillHeight(128), 20);
}

TEST(LayerPanelLayoutTest, DragStartsAfterFivePixelsAndSkipsItsOwnGaps) {
    EXPECT_FALSE(LayerDragStarted(100, 104));
    EXPECT_FALSE(LayerDragStarted(100, 96));
    EXPECT_TRUE(LayerDragStarted(100, 105));
    EXPECT_TRUE(LayerDragStarted(100, 95));

    const LayerPanelLayout l = LayoutLayerPanel(6, 650);
    const int scroll = 0;
    auto gapAbove = [&](int row) { return LayerRowTop(l, row, scroll) - 10; };
    const int from = 3;
    EXPECT_EQ(DropGapAt(l, scroll, 6, from, 60, gapAbove(3)), -1);  // directly above itself
    EXPECT_EQ(DropGapAt(l, scroll, 6, from, 60, gapAbove(2)), -1);  // directly below itself
    EXPECT_EQ(DropGapAt(l, scroll, 6, from, 60, gapAbove(4)), 4);
    EXPECT_EQ(DropGapAt(l, scroll, 6, from, 60, gapAbove(1)), 1);
    EXPECT_EQ(DropGapAt(l, scroll, 6, from, 60, gapAbove(0)), 0);
    // The canvas row's lower half still means "just above the canvas".
    EXPECT_EQ(DropGapAt(l, scroll, 6, from, 60, LayerRowTop(l, 0, scroll) + 60), 0);
    // Outside the panel nothing is offered.
    EXPECT_EQ(DropGapAt(l, scroll, 6, from, 300, gapAbove(1)), -1);
    EXPECT_EQ(DropGapAt(l, scroll, 6, from, 60, l.bottom + 3), -1);

    EXPECT_EQ(MovedLayerIndex(3, 1), 2);
    EXPECT_EQ(MovedLayerIndex(3, 5), 5);
}

TEST(LayerPanelLayoutTest, ActionPauseHoldsButtonsForFifteenFrames) {
    int pause = 0;
    ASSERT_TRUE(TakeLayerAction(pause));
    EXPECT_EQ(pause, kLayerActionPause);
    for (int frame = 0; frame < kLayerActionPause; ++frame) {
        EXPECT_FALSE(TakeLayerAction(pause)) << frame;
        CountDownLayerAction(pause);
    }
    EXPECT_TRUE(TakeLayerAction(pause));
}

std::set<std::pair<int, int>> ControlsUnderAnyPixel(int layers, bool animationMode) {
    std::set<std::pair<int, int>> found;
    const LayerPanelLayout l = LayoutLayerPanel(layers, kH);
    for (int y = -20; y < kH + 20; ++y)
        for (int x = -5; x < 250; ++x) {
            const LayerHit hit = HitLayerPanel(l, 0, layers, animationMode, x, y);
            if (hit.control != kLayerNoControl) found.insert({hit.layer, hit.control});
        }
    return found;
}

TEST(LayerPanelLayoutTest, OneLayerOffersOnlyTheCanvasRowAndItsAddButton) {
    const std::set<std::pair<int, int>> expected = {{0, kLayerAddButton}, {0, kLayerRowBox}};
    EXPECT_EQ(ControlsUnderAnyPixel(1, false), expected);
    EXPECT_EQ(ControlsUnderAnyPixel(1, true), expected);
}

TEST(LayerPanelLayoutTest, UpperLayersOfferEveryControl) {
    const std::set<std::pair<int, int>> found = ControlsUnderAnyPixel(2, true);
    for (int control = kLayerAddButton; control <= kLayerMergeButton; ++control)
        EXPECT_EQ(found.count({1, control}), 1u) << control;
    EXPECT_EQ(found.count({0, kLayerRemoveButton}) + found.count({0, kLayerMergeButton}), 0u);
    EXPECT_EQ(ControlsUnderAnyPixel(2, false).count({1, kLayerAnimateToggle}), 0u);
}

TEST(LayerPanelLayoutTest, TogglesAreHitOnlyOnTheirTenByTenFaces) {
    const LayerPanelLayout l = LayoutLayerPanel(2, kH);
    const int y = LayerRowTop(l, 1, 0);
    struct Case {
        int x, y, control;
    };
    // Each toggle's outline is a pixel outside its face and belongs to the row.
    const Case cases[] = {
        {81, y + 29, kLayerRowBox},  {82, y + 30, kLayerHideToggle},    {91, y + 39, kLayerHideToggle},
        {92, y + 40, kLayerRowBox},  {91, y + 40, kLayerRowBox},        {82, y + 45, kLayerLockToggle},
        {92, y + 50, kLayerRowBox},  {81, y + 50, kLayerRowBox},        {96, y + 30, kLayerAnimateToggle},
        {105, y + 39, kLayerAnimateToggle}, {95, y + 35, kLayerRowBox}, {106, y + 35, kLayerRowBox},
    };
    for (const Case& c : cases) EXPECT_EQ(HitLayerPanel(l, 0, 2, true, c.x, c.y).control, c.control) << c.x << "," << c.y - y;
}

TEST(LayerPanelLayoutTest, OutlinesSitWhereTheRowLayoutPutsThem) {
    const int y = 300;
    struct Case {
        int control;
        UiRect outline;
    };
    const Case cases[] = {
        {kLayerAddButton, {123, y - 17, 14, 14}},     {kLayerBlendButton, {76, y, 54, 14}},
        {kLayerHideToggle, {81, y + 29, 12, 12}},     {kLayerLockToggle, {81, y + 44, 12, 12}},
        {kLayerAnimateToggle, {95, y + 29, 12, 12}},  {kLayerOpacitySlider, {109, y + 14, 17, 42}},
        {kLayerRemoveButton, {130, y + 19, 22, 22}},  {kLayerMergeButton, {64, y + 74, 22, 14}},
        {kLayerRowBox, {19, y - 1, 112, 72}},
    };
    for (const Case& c : cases) {
        const LayerControlRect r = LayerControlOutline(c.control, y);
        EXPECT_EQ(r.x, c.outline.x) << c.control;
        EXPECT_EQ(r.y, c.outline.y) << c.control;
        EXPECT_EQ(r.w, c.outline.w) << c.control;
        EXPECT_EQ(r.h, c.outline.h) << c.control;
    }
}

TEST(LayerPanelLayoutTest, RowsOutsideThePanelAreNotHit) {
    const LayerPanelLayout l = LayoutLayerPanel(10, kH);
    // Scrolled to the bottom, the upper rows lie above the panel's top.
    const int y = LayerRowTop(l, 9, 0) + 30;
    ASSERT_LT(y, l.top);
    EXPECT_EQ(HitLayerPanel(l, 0, 10, false, 50, y).control, kLayerNoControl);
    EXPECT_EQ(HitLayerPanel(l, 0, 10, false, 50, LayerRowTop(l, 0, 0) + 30).control, kLayerRowBox);
}

// ---- Layer panel, driven frame by frame ----

TEST_F(PanelsTest, AddButtonAddsAboveAndStopsAtTheLayerLimit) {
    struct Case {
        int layersBefore;
        int layersAfter, current, pause;
        bool modified;
    };
    for (const Case& c : {Case{127, 128, 1, kLayerActionPause, true}, Case{128, 128, 0, 0, false}}) {
        SCOPED_TRACE(c.layersBefore);
        TearDown();
        SetUp();
        AddLayers(c.layersBefore - 1);
        ASSERT_EQ(app.document.layerCount, c.layersBefore);
        Click(DrawLayerPanel, 130, RowTop(0) - 10);
        EXPECT_EQ(app.document.layerCount, c.layersAfter);
        EXPECT_EQ(app.document.currentLayer, c.current);
        EXPECT_EQ(app.layerPanel.actionPause, std::max(0, c.pause - 1));  // the release frame counted down
        EXPECT_EQ(app.document.modified, c.modified);
    }
}

TEST_F(PanelsTest, OneClickAddsOneLayerWithinThePause) {
    Click(DrawLayerPanel, 130, RowTop(0) - 10);
    Click(DrawLayerPanel, 130, RowTop(0) - 10);
    EXPECT_EQ(app.document.layerCount, 2);
    for (int frame = 0; frame < kLayerActionPause; ++frame) Frame(DrawLayerPanel, 500, 300, false);
    Click(DrawLayerPanel, 130, RowTop(0) - 10);
    EXPECT_EQ(app.document.layerCount, 3);
}

TEST_F(PanelsTest, RemoveAndMergeButtonsAndCtrlE) {
    AddLayers(3);
    Click(DrawLayerPanel, 140, RowTop(3) + 30);  // remove the top layer
    EXPECT_EQ(app.document.layerCount, 3);
    EXPECT_TRUE(app.document.modified);
    for (int frame = 0; frame < kLayerActionPause; ++frame) Frame(DrawLayerPanel, 500, 300, false);
    Click(DrawLayerPanel, 75, RowTop(2) + 80);  // merge layer 2 down
    EXPECT_EQ(app.document.layerCount, 2);

    for (int frame = 0; frame < kLayerActionPause; ++frame) Frame(DrawLayerPanel, 500, 300, false);
    app.document.currentLayer = 1;
    app.mergeRequested = true;
    Frame(DrawLayerPanel, 500, 300, false);
    EXPECT_EQ(app.document.layerCount, 1);
    EXPECT_FALSE(app.mergeRequested);
    // The canvas has no merge button, so the request does nothing there.
    app.mergeRequested = true;
    for (int frame = 0; frame < kLayerActionPause; ++frame) Frame(DrawLayerPanel, 500, 300, false);
    EXPECT_EQ(app.document.layerCount, 1);
}

// Merging copies the whole layer below into the history: with too little
// memory for that copy, the merge says so and changes nothing.
TEST_F(PanelsTest, MergeWithoutMemoryForItsStepSaysSoAndChangesNothing) {
    AddLayers(2);
    for (int frame = 0; frame < kLayerActionPause; ++frame) Frame(DrawLayerPanel, 500, 300, false);
    platform::fake::State().availableMemory = 0;
    Click(DrawLayerPanel, 75, RowTop(2) + 80);  // merge layer 2 down
    platform::fake::State().availableMemory = uint64_t(INT64_MAX);
    EXPECT_EQ(app.document.layerCount, 3);
    ASSERT_EQ(platform::fake::State().errors.size(), 1u);
    EXPECT_EQ(platform::fake::State().errors[0].text, "Not enough memory");

    for (int frame = 0; frame < kLayerActionPause; ++frame) Frame(DrawLayerPanel, 500, 300, false);
    Click(DrawLayerPanel, 75, RowTop(2) + 80);
    EXPECT_EQ(app.document.layerCount, 2);
}

// Merging onto an empty layer gives it pixels wherever the upper layer shows.
// With the heap refusing them the merge says so and both layers stay whole.
TEST_F(PanelsTest, MergeOntoAnEmptyLayerShortOfMemorySaysSoAndChangesNothing) {
    AddLayers(2);
    doctest::PaintLayer(app.document, 2, 9);
    const std::unique_ptr<PixelImage> upper(CloneImage(*LayerTileAt(app.document.stacks[0], 2)->pixels));
    for (int frame = 0; frame < kLayerActionPause; ++frame) Frame(DrawLayerPanel, 500, 300, false);
    RefuseAllocationsFrom(kTileSide * kTileSide * sizeof(uint16_t));
    Click(DrawLayerPanel, 75, RowTop(2) + 80);  // merge layer 2 down
    RefuseAllocationsFrom(0);
    EXPECT_EQ(app.document.layerCount, 3);
    ASSERT_EQ(platform::fake::State().errors.size(), 1u);
    EXPECT_EQ(platform::fake::State().errors[0].text, "Not enough memory");
    EXPECT_TRUE(doctest::SameSamples(*LayerTileAt(app.document.stacks[0], 2)->pixels, *upper));
    for (LayerTile* stack : app.document.stacks) EXPECT_TRUE(LayerTileAt(stack, 1)->empty);
    EXPECT_EQ(UndoDepth(app.document), 0);

    for (int frame = 0; frame < kLayerActionPause; ++frame) Frame(DrawLayerPanel, 500, 300, false);
    Click(DrawLayerPanel, 75, RowTop(2) + 80);
    EXPECT_EQ(app.document.layerCount, 2);
    EXPECT_FALSE(LayerTileAt(app.document.stacks[0], 1)->empty);
}

TEST_F(PanelsTest, DraggingRowsReordersOnlyPastFivePixelsAndAwayFromItself) {
    AddLayers(3);
    for (int i = 1; i <= 3; ++i) std::snprintf(app.document.layers[i].name, kLayerNameBytes, "L%i", i);
    auto names = [] {
        std::string s;
        for (int i = 1; i < app.document.layerCount; ++i) s += std::string(app.document.layers[i].name) + " ";
        return s;
    };
    const int y2 = RowTop(2);

    // A small wobble is a click: the layer becomes current, nothing moves.
    Frame(DrawLayerPanel, 50, y2 + 30, true);
    Frame(DrawLayerPanel, 50, y2 + 34, true);
    Frame(DrawLayerPanel, 50, y2 + 34, false);
    EXPECT_EQ(names(), "L1 L2 L3 ");
    EXPECT_EQ(app.document.currentLayer, 2);
    EXPECT_FALSE(app.document.modified);

    // Into the gap below itself: nothing.
    Frame(DrawLayerPanel, 50, y2 + 30, true);
    Frame(DrawLayerPanel, 50, RowTop(1) - 10, true);
    EXPECT_EQ(app.layerPanel.dragState, 2);
    Frame(DrawLayerPanel, 50, RowTop(1) - 10, false);
    EXPECT_EQ(names(), "L1 L2 L3 ");
    EXPECT_EQ(app.layerPanel.dragState, 0);

    // Above the top layer: it moves there and stays current.
    Frame(DrawLayerPanel, 50, y2 + 30, true);
    Frame(DrawLayerPanel, 50, RowTop(3) - 10, true);
    Frame(DrawLayerPanel, 50, RowTop(3) - 10, false);
    EXPECT_EQ(names(), "L1 L3 L2 ");
    EXPECT_EQ(app.document.currentLayer, 3);
    EXPECT_TRUE(app.document.modified);

    // Down to just above the canvas.
    Frame(DrawLayerPanel, 50, RowTop(3) + 30, true);
    Frame(DrawLayerPanel, 50, RowTop(0) - 10, true);
    Frame(DrawLayerPanel, 50, RowTop(0) - 10, false);
    EXPECT_EQ(names(), "L2 L1 L3 ");
    EXPECT_EQ(app.document.currentLayer, 1);
}

TEST_F(PanelsTest, OpacitySliderDragsFromBottomToTop) {
    AddLayers(1);
    const int y = RowTop(1);
    Frame(DrawLayerPanel, 117, y + 55, true);
    EXPECT_EQ(app.document.layers[1].opacity, 0);
    EXPECT_EQ(LayerTileAt(app.document.stacks[0], 1)->opacity, 0);
    EXPECT_EQ(app.document.currentLayer, 1);
    EXPECT_TRUE(app.document.modified);
    Frame(DrawLayerPanel, 300, y - 200, true);  // the drag goes on outside the slider
    EXPECT_EQ(app.document.layers[1].opacity, 255);
    Frame(DrawLayerPanel, 300, y + 35, false);  // released: no more changes
    EXPECT_FALSE(app.layerPanel.opacityDragging);
    Frame(DrawLayerPanel, 117, y + 35, false);
    EXPECT_EQ(app.document.layers[1].opacity, 255);
}

TEST_F(PanelsTest, TogglesChangeTheLayerAndMakeItCurrent) {
    AddLayers(1);
    const int y = RowTop(1);
    Click(DrawLayerPanel, 86, y + 34);
    EXPECT_TRUE(app.document.layers[1].hidden);
    EXPECT_TRUE(LayerTileAt(app.document.stacks[0], 1)->hidden);
    EXPECT_EQ(app.document.currentLayer, 1);
    EXPECT_TRUE(app.document.modified);
    Click(DrawLayerPanel, 86, y + 49);
    EXPECT_TRUE(app.document.layers[1].lockTransparency);
    EXPECT_TRUE(LayerTileAt(app.document.stacks[0], 1)->lock);

    // The animate toggle exists only in animation mode.
    Click(DrawLayerPanel, 100, y + 34);
    EXPECT_FALSE(app.document.layers[1].animated);
    EnterAnimation(app.document);
    Click(DrawLayerPanel, 100, y + 34);
    EXPECT_TRUE(app.document.layers[1].animated);
}

TEST_F(PanelsTest, BlendListChoosesOnAClickOrOnReleaseAfterMoving) {
    AddLayers(1);
    const int y = RowTop(1);
    // A click in place leaves the list open; the next click chooses a row.
    Click(DrawLayerPanel, 100, y + 5);
    EXPECT_EQ(app.layerPanel.blendList, 1);
    Click(DrawLayerPanel, 100, y + 1 + 11 * 3 + 5);
    EXPECT_EQ(app.layerPanel.blendList, -1);
    EXPECT_EQ(app.document.layers[1].blendMode, kBlendDarken);
    // Or, outside the list, closes it without a choice.
    Click(DrawLayerPanel, 100, y + 5);
    ASSERT_EQ(app.layerPanel.blendList, 1);
    Click(DrawLayerPanel, 400, 300);
    EXPECT_EQ(app.layerPanel.blendList, -1);
    EXPECT_EQ(app.document.layers[1].blendMode, kBlendDarken);
    app.document.layers[1].blendMode = kBlendNormal;

    Frame(DrawLayerPanel, 100, y + 5, true);
    EXPECT_EQ(app.layerPanel.blendList, 1);
    Frame(DrawLayerPanel, 100, y + 1 + 11 * 2 + 5, true);
    Frame(DrawLayerPanel, 100, y + 1 + 11 * 2 + 5, false);
    EXPECT_EQ(app.document.layers[1].blendMode, kBlendScreen);
    EXPECT_EQ(LayerTileAt(app.document.stacks[0], 1)->blendMode, kBlendScreen);
    EXPECT_EQ(app.layerPanel.blendList, -1);

    // Released outside the list: closed, unchanged.
    Frame(DrawLayerPanel, 100, y + 5, true);
    Frame(DrawLayerPanel, 400, 300, false);
    EXPECT_EQ(app.document.layers[1].blendMode, kBlendScreen);
}

TEST_F(PanelsTest, ScrollThumbDragsToTheTopLayerAndBack) {
    AddLayers(19);
    const LayerPanelLayout l = Layout();
    ASSERT_TRUE(l.scrollBar);
    const int thumbTop = ThumbTop(l, 0);
    Frame(DrawLayerPanel, 8, thumbTop + 20, true);
    EXPECT_TRUE(app.layerPanel.thumbDragging);
    Frame(DrawLayerPanel, 8, -500, true);
    EXPECT_EQ(app.layerPanel.scroll, l.content - l.visible);
    EXPECT_EQ(RowTop(19), l.top + 29);
    Frame(DrawLayerPanel, 8, 5000, true);
    EXPECT_EQ(app.layerPanel.scroll, 0);
    Frame(DrawLayerPanel, 8, 5000, false);
    EXPECT_FALSE(app.layerPanel.thumbDragging);
}

TEST_F(PanelsTest, RowsIgnoreThePointerWhileADialogIsOpen) {
    app.popups.sizeDialog = 2;
    Click(DrawLayerPanel, 130, RowTop(0) - 10);
    EXPECT_EQ(app.document.layerCount, 1);
}

// ---- Menu bar, driven frame by frame ----

void ChooseMenuRow(int titleX, int row) {
    BeginInterfaceFrame(titleX, 5, true, kW, kH);
    DrawMenuBar();
    BeginInterfaceFrame(titleX + 5, 17 * row + 25, true, kW, kH);
    DrawMenuBar();
    BeginInterfaceFrame(titleX + 5, 17 * row + 25, false, kW, kH);
    DrawMenuBar();
}

TEST_F(PanelsTest, ReleasingOverExitPostsOneExit) {
    Frame(DrawMenuBar, 10, 5, true);
    Frame(DrawMenuBar, 15, 17 * 4 + 25, true);
    Frame(DrawMenuBar, 15, 17 * 4 + 25, true);
    EXPECT_EQ(app.pendingCommand, "");  // held over the row: not yet
    Frame(DrawMenuBar, 15, 17 * 4 + 25, false);
    EXPECT_EQ(app.pendingCommand, "exit");
    EXPECT_EQ(app.menuBar.openMenu, -1);
    app.pendingCommand.clear();
    Frame(DrawMenuBar, 15, 17 * 4 + 25, false);
    Frame(DrawMenuBar, 15, 17 * 4 + 25, false);
    EXPECT_EQ(app.pendingCommand, "");
}

TEST_F(PanelsTest, ReleasingOutsideTheRowsDoesNothing) {
    for (auto release : {std::pair<int, int>{300, 300}, {600, 5}}) {
        SCOPED_TRACE(testing::Message() << release.first << "," << release.second);
        Frame(DrawMenuBar, 10, 5, true);
        EXPECT_EQ(app.menuBar.openMenu, 0);
        Frame(DrawMenuBar, release.first, release.second, true);
        Frame(DrawMenuBar, release.first, release.second, false);
        EXPECT_EQ(app.pendingCommand, "");
        EXPECT_EQ(app.menuBar.openMenu, -1);
        EXPECT_FALSE(app.menuBar.armed);
    }
    // A press that began on the canvas does not open menus on its way over.
    Frame(DrawMenuBar, 300, 300, true);
    Frame(DrawMenuBar, 10, 5, true);
    EXPECT_EQ(app.menuBar.openMenu, -1);
}

TEST_F(PanelsTest, DraggingAlongTheBarSwitchesMenus) {
    Frame(DrawMenuBar, 10, 5, true);
    Frame(DrawMenuBar, 440, 5, true);
    EXPECT_EQ(app.menuBar.openMenu, 4);
    Frame(DrawMenuBar, 445, 17 * 0 + 25, true);
    Frame(DrawMenuBar, 445, 17 * 0 + 25, false);
    EXPECT_EQ(app.pendingCommand, "filter 0");
}

TEST_F(PanelsTest, MenuRowsPostTheirCommands) {
    struct Case {
        int titleX, row;
        const char* command;
    };
    const Case cases[] = {
        {10, 0, "new-dimensions"}, {10, 1, "open"}, {10, 2, "save"}, {10, 3, "saveas"}, {10, 4, "exit"},
        {180, 0, "color 0"},       {180, 3, "color 3"}, {180, 6, "color 6"},
        {430, 0, "filter 0"},      {430, 4, "filter 1"},
        {430, 5, ""},  // lens flare
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.titleX << " row " << c.row);
        app.pendingCommand.clear();
        ChooseMenuRow(c.titleX, c.row);
        EXPECT_EQ(app.pendingCommand, c.command);
    }
}

TEST_F(PanelsTest, SettingsRowsToggleTooltipsAndAnimation) {
    ChooseMenuRow(90, 0);
    EXPECT_FALSE(app.showTooltips);
    EXPECT_FALSE(ui.showTooltips);
    ChooseMenuRow(90, 0);
    EXPECT_TRUE(app.showTooltips);

    ChooseMenuRow(90, 1);
    EXPECT_TRUE(app.document.animationMode);
    EXPECT_EQ(app.pendingCommand, "");
    ChooseMenuRow(90, 1);
    EXPECT_EQ(app.pendingCommand, "animexit");
    EXPECT_TRUE(app.document.animationMode);  // the command asks first
}

TEST_F(PanelsTest, FilterRowsOpenTheirDialogsExceptWhereRefused) {
    // Transparency noise is refused on the bottom layer, and says so.
    Frame(DrawMenuBar, 430, 5, true);
    Frame(DrawMenuBar, 435, 17 * 2 + 25, true);
    EXPECT_STREQ(ui.tooltip, "Not allowed for the bottom layer");
    Frame(DrawMenuBar, 435, 17 * 2 + 25, false);
    EXPECT_FALSE(FilterDialogOpen());

    Frame(DrawMenuBar, 430, 5, true);
    Frame(DrawMenuBar, 435, 17 * 5 + 25, true);
    EXPECT_STREQ(ui.tooltip, "This is not the filter you're looking for");
    Frame(DrawMenuBar, 435, 17 * 5 + 25, false);
    EXPECT_FALSE(FilterDialogOpen());

    ChooseMenuRow(430, 3);
    EXPECT_EQ(app.filterDialog.open, kBlurDialog);
    ChooseMenuRow(430, 1);
    EXPECT_EQ(app.filterDialog.open, kLevelsDialog);
    AddLayers(1);
    app.document.currentLayer = 1;
    ChooseMenuRow(430, 2);
    EXPECT_EQ(app.filterDialog.open, kNoiseDialog);
}

// The Edit menu's rows name the step they would take and act on it; with
// nothing to undo or redo a row has no tooltip and does nothing.
TEST_F(PanelsTest, EditRowsUndoAndRedoTheStepTheyName) {
    AddLayers(2);
    Document& doc = app.document;
    doctest::PaintLayer(doc, 2, 5);
    const std::unique_ptr<PixelImage> before(CloneImage(*LayerTileAt(doc.stacks[0], 2)->pixels));
    auto hoverRow = [](int row) {
        Frame(DrawMenuBar, 50, 5, true);
        Frame(DrawMenuBar, 55, 17 * row + 25, true);
        return std::string(ui.tooltip);
    };
    auto release = [](int row) { Frame(DrawMenuBar, 55, 17 * row + 25, false); };

    EXPECT_EQ(hoverRow(0), "");
    release(0);
    ASSERT_TRUE(OpenStep(doc, kStepStroke, 2));
    ASSERT_TRUE(SaveTiles(doc, 2, true));
    doctest::PaintLayer(doc, 2, 6);
    CloseStep(doc);
    const std::unique_ptr<PixelImage> after(CloneImage(*LayerTileAt(doc.stacks[0], 2)->pixels));

    EXPECT_EQ(hoverRow(1), "");
    release(1);
    EXPECT_EQ(UndoDepth(doc), 1);
    EXPECT_EQ(hoverRow(0), "Undo: Brush stroke on Layer 2");
    release(0);
    EXPECT_TRUE(doctest::SameSamples(*LayerTileAt(doc.stacks[0], 2)->pixels, *before));
    EXPECT_EQ(hoverRow(0), "");
    release(0);
    EXPECT_EQ(RedoDepth(doc), 1);
    EXPECT_EQ(hoverRow(1), "Redo: Brush stroke on Layer 2");
    release(1);
    EXPECT_TRUE(doctest::SameSamples(*LayerTileAt(doc.stacks[0], 2)->pixels, *after));
    EXPECT_EQ(UndoDepth(doc), 1);
}

// ---- Swatches and hints ----

TEST_F(PanelsTest, SwatchButtonsRequestTheirActions) {
    app.tool.primary = DisplayColor(255, 128, 0, 255);
    Click(DrawSwatches, 30, 40);
    EXPECT_TRUE(app.popups.editorOpen);
    EXPECT_EQ(app.popups.hue, 21);
    EXPECT_EQ(app.popups.saturation, 255);
    EXPECT_EQ(app.popups.value, 255);

    Click(DrawSwatches, 15, 65);
    EXPECT_TRUE(app.colorSwapRequested);
    EXPECT_FALSE(app.toolToggleRequested);
    for (int mode : {0, 2}) {
        app.tool.PaintMode = mode;
        app.toolToggleRequested = false;
        Click(DrawSwatches, 100, 45);
        EXPECT_TRUE(app.toolToggleRequested) << mode;
    }
}

TEST_F(PanelsTest, CanvasHints) {
    struct Case {
        bool alt, shift, ctrl, hidden, overInterface;
        const char* tooltip;
        bool blocked;
    };
    const char* invisible = "The current layer is invisible, show it to enable drawing";
    const Case cases[] = {
        {false, false, false, false, false, "", false},
        {true, false, false, false, false,
         "Click on canvas to pick a color (pressure-sensitive) or press Shift/Control for options", false},
        {true, true, false, false, false, "Click on canvas to pick a color from the current layer", false},
        {true, false, true, false, false, "Click on canvas to select a layer", false},
        {false, false, false, true, false, invisible, true},
        {true, false, false, true, false, invisible, true},
        {true, false, false, true, true, "", false},  // over a panel the panel speaks
    };
    AddLayers(1);
    app.document.currentLayer = 1;
    for (const Case& c : cases) {
        app.altHeld = c.alt;
        app.shiftHeld = c.shift;
        app.ctrlHeld = c.ctrl;
        app.document.layers[1].hidden = c.hidden;
        BeginInterfaceFrame(500, 300, false, kW, kH);
        ui.pointerOverInterface = c.overInterface;
        DrawCanvasHints();
        EXPECT_STREQ(ui.tooltip, c.tooltip);
        EXPECT_EQ(app.drawingBlocked, c.blocked);
        EXPECT_EQ(ui.pointerOverInterface, c.blocked || c.overInterface);
    }
    // Zero opacity is as invisible as hidden.
    app.altHeld = false;
    app.document.layers[1].hidden = false;
    app.document.layers[1].opacity = 0;
    BeginInterfaceFrame(500, 300, false, kW, kH);
    DrawCanvasHints();
    EXPECT_TRUE(app.drawingBlocked);
}

// ---- Animation panel ----

class AnimationPanelTest : public PanelsTest {
protected:
    void SetUp() override {
        PanelsTest::SetUp();
        EnterAnimation(app.document);
    }
    static constexpr int kTop = kH - 75;
};

TEST_F(AnimationPanelTest, AddStopsAtTheFrameLimit) {
    Click(DrawAnimationPanel, 360, kTop + 10);
    EXPECT_EQ(app.document.frameCount, 2);
    EXPECT_EQ(app.document.currentFrame, 1);

    app.document.frameCount = kMaxFrames;
    app.document.currentFrame = 7;
    Click(DrawAnimationPanel, 360, kTop + 10);
    EXPECT_EQ(app.document.frameCount, kMaxFrames);
    EXPECT_EQ(app.document.currentFrame, 7);
}

TEST_F(AnimationPanelTest, RemoveAndOnionSkin) {
    Click(DrawAnimationPanel, 360, kTop + 10);
    Click(DrawAnimationPanel, 430, kTop + 10);
    EXPECT_EQ(app.document.frameCount, 1);
    Click(DrawAnimationPanel, 600, kTop + 35);
    EXPECT_TRUE(app.document.onionSkin);
}

TEST_F(AnimationPanelTest, FieldsParseDecimalAndClamp) {
    Frame(DrawAnimationPanel, 500, 300, false);
    EXPECT_STREQ(app.animationPanel.fpsText, "10");
    Click(DrawAnimationPanel, 310, kTop + 10);
    ASSERT_TRUE(ui.editing);
    ASSERT_EQ(ui.editBuffer, app.animationPanel.fpsText);

    struct Case {
        const char* typed;
        int fps;
    };
    for (const Case& c : {Case{"077_", 77}, Case{"0800_", 100}, Case{"250_", 100}, Case{"0_", 1}, Case{"_", 1},
                          Case{"12_", 12}}) {
        std::strcpy(app.animationPanel.fpsText, c.typed);
        Frame(DrawAnimationPanel, 310, kTop + 10, false);
        EXPECT_EQ(app.document.framesPerSecond, c.fps) << c.typed;
    }
    CommitEdit();
    Frame(DrawAnimationPanel, 500, 300, false);
    EXPECT_STREQ(app.animationPanel.fpsText, "12");

    Click(DrawAnimationPanel, 500, kTop + 36);
    ASSERT_EQ(ui.editBuffer, app.animationPanel.durationText);
    for (const Case& c : {Case{"99999_", kMaxFrameDuration}, Case{"_", 0}, Case{"010_", 10}}) {
        std::strcpy(app.animationPanel.durationText, c.typed);
        Frame(DrawAnimationPanel, 500, kTop + 36, false);
        EXPECT_EQ(app.document.durations[0], c.fps) << c.typed;
    }
}

TEST(ParseFieldNumberTest, Cases) {
    struct Case {
        const char* text;
        int lo, hi, expected;
    };
    const Case cases[] = {
        {"0800", 1, 100000, 800}, {"", 1, 100, 1},       {"abc", 0, 9, 0},   {"42abc", 0, 99, 42},
        {"-5", 0, 99, 0},         {"5000", 0, 1000, 1000}, {"99999999999999999999999", 0, 7, 7},
    };
    for (const Case& c : cases) EXPECT_EQ(ParseFieldNumber(c.text, c.lo, c.hi), c.expected) << c.text;
}

// ---- Thumbnails ----

struct Rgb {
    int r, g, b;
};

Rgb ThumbnailAt(const uint8_t* rgba, int i, int j) {
    const uint8_t* p = rgba + ((kThumbnailSide - 1 - j) * kThumbnailSide + i) * 4;
    return {p[0], p[1], p[2]};
}

int Checker(int i, int j) { return ((i / 10 + j / 10) & 1) ? 229 : 204; }

TEST_F(PanelsTest, ThumbnailSamplesTheLayerOverACheckerboard) {
    ASSERT_TRUE(NewDocument(app.document, 150, 100));  // a step of 1.5 document pixels
    AddLayers(1);
    WriteLayerPixel(app.document, 1, 77, 50, DisplayColor(255, 0, 0, 255), true);  // column 51 (1.5 rounds up)
    WriteLayerPixel(app.document, 1, 90, 50, DisplayColor(0, 0, 255, 128), true);  // column 60
    static uint8_t rgba[kThumbnailSide * kThumbnailSide * 4];

    BuildLayerThumbnail(app.document, 0, app.tool.paint, rgba);
    struct Sample {
        int i, j, grey;
    };
    // Rows 17..82 of the canvas layer lie on the white document, the rest is
    // off it; columns 100 and up and rows 101 and up are never sampled.
    for (const Sample& s : {Sample{0, 50, 255}, Sample{99, 82, 255}, Sample{40, 16, Checker(40, 16)},
                            Sample{40, 84, Checker(40, 84)}, Sample{105, 50, Checker(105, 50)},
                            Sample{120, 50, Checker(120, 50)}, Sample{40, 110, Checker(40, 110)}}) {
        const Rgb c = ThumbnailAt(rgba, s.i, s.j);
        EXPECT_EQ(c.r, s.grey) << s.i << "," << s.j;
        EXPECT_EQ(c.b, s.grey) << s.i << "," << s.j;
    }

    BuildLayerThumbnail(app.document, 1, app.tool.paint, rgba);
    const Rgb red = ThumbnailAt(rgba, 51, 50);
    EXPECT_NEAR(red.r, 255, 1);
    EXPECT_NEAR(red.g, 0, 1);
    EXPECT_EQ(ThumbnailAt(rgba, 52, 50).r, Checker(52, 50));  // the transparent layer shows the board
    const Rgb half = ThumbnailAt(rgba, 60, 50);                // half blue over grey 229
    ASSERT_EQ(Checker(60, 50), 229);
    EXPECT_NEAR(half.r, (229 * 127 + 127) / 255, 2);
    EXPECT_NEAR(half.b, (229 * 127 + 255 * 128 + 127) / 255, 2);

    for (int i = 0; i < app.document.layerCount; ++i) app.document.layers[i].thumbnailDirty = true;
    RenderDirtyThumbnails();
    for (int i = 0; i < app.document.layerCount; ++i) EXPECT_FALSE(app.document.layers[i].thumbnailDirty);
}

// ---- Layer rows in the running program ----

class LayerRowPasses : public ProgramTest {
protected:
    void SetUp() override {
        ProgramTest::SetUp();
        ASSERT_TRUE(AddLayer(app.document, 0));
        ASSERT_TRUE(AddLayer(app.document, 1));
        std::strcpy(app.document.layers[1].name, "L1");
        std::strcpy(app.document.layers[2].name, "L2");
        app.document.currentLayer = 0;
        EnterAnimation(app.document);
    }
    static std::string Names() { return std::string(app.document.layers[1].name) + " " + app.document.layers[2].name; }
    static int RowTop(int layer) {
        return LayerRowTop(LayoutLayerPanel(app.document.layerCount, app.window.height), layer, app.layerPanel.scroll);
    }
    // Presses at (x, top of layer 1's row + dy), drags into the gap above the
    // top layer and releases there.
    void DragLayerOneFrom(int x, int dy) {
        const int y = RowTop(1) + dy;
        Pass(x, y, false);
        Pass(x, y, true);
        const int gap = RowTop(2) - 10;
        Pass(50, gap, true);
        Pass(50, gap, false);
    }
};

TEST_F(LayerRowPasses, APressAnywhereInTheRowButTheOpacitySliderDragsTheLayer) {
    struct Case {
        const char* where;
        int x, dy;
        bool moves;
    };
    const Case cases[] = {
        {"thumbnail", 50, 30, true},       {"hide toggle", 86, 34, true},    {"lock toggle", 86, 49, true},
        {"animate toggle", 100, 34, true}, {"blend button", 100, 5, true},   {"row face", 100, 57, true},
        {"opacity slider", 117, 35, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.where);
        TearDown();
        SetUp();
        const int blendMode = app.document.layers[1].blendMode;
        DragLayerOneFrom(c.x, c.dy);
        EXPECT_EQ(Names(), c.moves ? "L2 L1" : "L1 L2");
        EXPECT_EQ(app.document.currentLayer, c.moves ? 2 : 1);
        EXPECT_EQ(app.layerPanel.dragState, 0);
        EXPECT_EQ(app.layerPanel.blendList, -1);
        // The drag chose no blend mode on its way out of the list.
        EXPECT_EQ(app.document.layers[c.moves ? 2 : 1].blendMode, blendMode);
    }
}

TEST_F(LayerRowPasses, ATogglePressActsAtOnceAndAShortWobbleStaysAClick) {
    const int y = RowTop(1);
    Pass(86, y + 34, false);
    Pass(86, y + 34, true);
    EXPECT_TRUE(app.document.layers[1].hidden);
    Pass(86, y + 37, true);
    Pass(86, y + 37, false);
    EXPECT_EQ(Names(), "L1 L2");
    EXPECT_TRUE(app.document.layers[1].hidden);

    // Moving within the open blend list chooses a mode; the layer stays.
    Pass(100, y + 5, false);
    Pass(100, y + 5, true);
    Pass(100, y + 1 + 11 * 3 + 5, true);
    Pass(100, y + 1 + 11 * 3 + 5, false);
    EXPECT_EQ(Names(), "L1 L2");
    EXPECT_EQ(app.document.layers[1].blendMode, kBlendDarken);
}

// ---- The animation panel in the running program ----

class AnimationPanelPasses : public ProgramTest {
protected:
    static constexpr int kTop = 650 - 75;
    // Row r of the File menu, pressed on the title and released on the row.
    void FileMenu(int row) {
        Pass(10, 5, false);
        Pass(10, 5, true);
        Pass(15, 17 * row + 25, true);
        Pass(15, 17 * row + 25, false);
    }
    // Settings > Animation, "Add" twice and onion skin on: frame 3 of 3.
    void AnimateWithThreeFrames() {
        Pass(100, 5, false);
        Pass(100, 5, true);
        Pass(105, 17 + 25, true);
        Pass(105, 17 + 25, false);
        Click(360, kTop + 10);
        Click(360, kTop + 10);
        Click(600, kTop + 35);
        ASSERT_TRUE(app.document.animationMode);
        ASSERT_EQ(app.document.frameCount, 3);
        ASSERT_EQ(app.document.currentFrame, 2);
        ASSERT_TRUE(app.document.onionSkin);
    }
};

TEST_F(AnimationPanelPasses, ADocumentInPlaceOfTheAnimatedOneShowsItsOwnSingleFrame) {
    const std::string png = ::testing::TempDir() + "orvella-animation-panel.png";
    std::remove(png.c_str());
    FileMenu(3);  // Save as... the start-up document as a PNG to open later
    platform::fake::State().dialogAnswers.push_back({true, png});
    Pass(500, 300, false);
    ASSERT_TRUE(platform::fake::State().dialogAnswers.empty());

    struct Case {
        const char* how;
        std::function<void()> replace;
        int width;
    };
    const Case cases[] = {
        {"File > New", [this] {
             FileMenu(0);
             Pass(15, 25, false);
             ASSERT_EQ(app.popups.sizeDialog, 2);
             Click(950 / 2 - 125 + 100, 650 / 2 - 50 + 75);  // OK
             Pass(500, 300, false);
         }, 1024},
        {"File > Open", [this, &png] {
             FileMenu(1);
             platform::fake::State().dialogAnswers.push_back({true, png});
             Pass(500, 300, false);
         }, 1024},
        // A 1 x 1 bitmap on the system clipboard; Ctrl+V with the layer
        // clipboard empty makes it the document.
        {"Ctrl+V", [this] {
             std::vector<uint8_t> dib(40 + 4, 0);
             dib[0] = 40;
             dib[4] = dib[8] = dib[12] = 1;
             dib[14] = 32;
             platform::fake::State().clipboardDib = dib;
             platform::fake::Hold({platform::kKeyLeftCtrl, platform::kKeyV});
             Pass(500, 300, false);
             platform::fake::Release({platform::kKeyLeftCtrl, platform::kKeyV});
             Pass(500, 300, false);
         }, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.how);
        AnimateWithThreeFrames();
        c.replace();
        ASSERT_EQ(app.document.width, c.width);
        ASSERT_TRUE(app.pendingCommand.empty());
        EXPECT_TRUE(app.document.animationMode);
        EXPECT_EQ(app.document.frameCount, 1);
        EXPECT_EQ(app.document.currentFrame, 0);
        EXPECT_EQ(app.document.durations[0], 1);
        EXPECT_FALSE(app.document.onionSkin);
        EXPECT_STREQ(app.animationPanel.durationText, "1");
        // Out of animation mode for the next case.
        Pass(100, 5, false);
        Pass(100, 5, true);
        Pass(105, 17 + 25, true);
        Pass(105, 17 + 25, false);
        Pass(500, 300, false);
        ASSERT_FALSE(app.document.animationMode);
    }
    std::remove(png.c_str());
}

}  // namespace
