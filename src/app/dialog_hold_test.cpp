// While a dialog previews on the document, every other way of changing,
// replacing or writing it waits: the whole program is driven pass by pass
// with the levels dialog open, through every entry point, and Cancel must
// then give back the layer exactly as it was.
#include <cstdio>
#include <fstream>
#include <functional>
#include <string>

#include "app/commands.h"
#include "app/filter_dialogs.h"
#include "app/program_test_support.h"
#include "filters/filter_test_support.h"
#include "image/color_profile.h"
#include "image/undo.h"
#include "platform/input.h"

namespace {

using filtertest::LayerSnapshot;
using filtertest::SameAsSnapshot;
using filtertest::Snapshot;
using platform::fake::State;

constexpr int kW = 950, kH = 650;

class DialogHoldTest : public ProgramTest {
protected:
    // A drag from a menu title to one of its rows, released there.
    void ChooseMenuRow(int titleX, int row) {
        Pass(titleX, 5, false);
        Pass(titleX, 5, true);
        Pass(titleX + 5, 17 * row + 25, true);
        Pass(titleX + 5, 17 * row + 25, false);
    }
    void CtrlClick(int x, int y) {
        platform::fake::Hold({platform::kKeyLeftCtrl});
        Click(x, y);
        platform::fake::Release({platform::kKeyLeftCtrl});
        Pass(x, y, false);
    }
    void CancelLevels() {
        const DialogRect r = FilterDialogRect(kLevelsDialog, kW, kH);
        Click(r.x + 400 - 80 + 35, r.y + r.h - 20);
    }
};

TEST_F(DialogHoldTest, NothingButTheOpenDialogChangesOrWritesTheDocument) {
    Document& doc = app.document;
    doctest::PaintLayer(doc, 0, 41);
    const LayerSnapshot original = Snapshot(doc, 0);
    const std::string saved = ::testing::TempDir() + "held-by-dialog.png";
    std::remove(saved.c_str());
    const struct {
        const char* what;
        std::function<void()> act;
    } entries[] = {
        {"open", [] { PostCommand("open"); }},
        {"new", [] { PostCommand("new"); }},
        {"new-dimensions", [] { PostCommand("new-dimensions"); }},
        {"save", [] { PostCommand("save"); }},
        {"saveas", [] { PostCommand("saveas"); }},
        {"color 3", [] { PostCommand("color 3"); }},
        {"filter 0", [] { PostCommand("filter 0"); }},
        {"filter-blur 4", [] { PostCommand("filter-blur 4"); }},
        {"File > New", [this] { ChooseMenuRow(10, 0); }},
        {"File > Open", [this] { ChooseMenuRow(10, 1); }},
        {"File > Save", [this] { ChooseMenuRow(10, 2); }},
        {"File > Save as", [this] { ChooseMenuRow(10, 3); }},
        {"Settings > Animation", [this] { ChooseMenuRow(90, 1); }},
        {"a colour profile", [this] { ChooseMenuRow(180, 3); }},
        {"Filters > Invert", [this] { ChooseMenuRow(430, 0); }},
        {"Filters > Greyscale mask", [this] { ChooseMenuRow(430, 4); }},
        {"Ctrl+click on the canvas", [this] { CtrlClick(300, 200); }},
    };
    for (const auto& entry : entries) {
        SCOPED_TRACE(entry.what);
        State().dialogs.clear();
        State().questions.clear();
        State().dialogAnswers = {{true, saved}};
        const int undoPosition = UndoDepth(doc);
        OpenFilterDialog(kLevelsDialog);
        Pass(5, 300, false);
        ASSERT_FALSE(SameAsSnapshot(doc, 0, original)) << "the dialog previews";

        entry.act();
        Pass(5, 300, false);
        Pass(5, 300, false);
        EXPECT_TRUE(FilterDialogOpen());
        EXPECT_EQ(CurrentProfileIndex(), kDefaultProfileIndex);
        EXPECT_FALSE(doc.animationMode);
        EXPECT_TRUE(State().dialogs.empty()) << "no file dialog";
        EXPECT_TRUE(State().questions.empty());

        CancelLevels();
        EXPECT_FALSE(FilterDialogOpen());
        EXPECT_EQ(UndoDepth(doc), undoPosition);
        EXPECT_TRUE(SameAsSnapshot(doc, 0, original)) << "Cancel gives the layer back";
        EXPECT_FALSE(std::ifstream(saved).good()) << "nothing was written";
    }
}

// A Ctrl+click pressed on the interface belongs to the interface, and a
// hidden layer is not filled: neither leaves a step, a mark or a pixel.
TEST_F(DialogHoldTest, CtrlClickFillsOnlyTheVisibleCanvas) {
    Document& doc = app.document;
    ASSERT_TRUE(AddLayer(doc, 0));
    doc.currentLayer = 1;
    doc.modified = false;
    LayerSnapshot before = Snapshot(doc, 1);
    CtrlClick(500, 300);
    ASSERT_TRUE(doc.modified) << "a Ctrl+click on the visible canvas fills";
    ASSERT_FALSE(SameAsSnapshot(doc, 1, before));

    ASSERT_TRUE(AddLayer(doc, 1));
    doc.currentLayer = 2;
    doc.modified = false;
    before = Snapshot(doc, 2);
    const auto setHidden = [&doc](bool hidden) {
        doc.layers[2].hidden = hidden;
        ApplyLayerInfo(doc, 2);
    };
    const struct {
        const char* what;
        int x, y;
        bool hidden;
    } cases[] = {
        {"the layer panel", 60, 200, false},
        {"the menu bar", 200, 5, false},
        {"a hidden layer", 500, 300, true},
        {"the swatches", 20, 40, false},  // last: it opens the colour editor
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        setHidden(c.hidden);
        const int undoPosition = UndoDepth(doc);
        CtrlClick(c.x, c.y);
        setHidden(false);
        EXPECT_EQ(UndoDepth(doc), undoPosition);
        EXPECT_FALSE(doc.modified);
        EXPECT_TRUE(SameAsSnapshot(doc, 2, before));
    }
}

}  // namespace
