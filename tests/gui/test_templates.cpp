// The template registry and checks, and the add-in's real templates: each
// is well-formed and carries the captions, sizes, fonts and texts the add-in's
// dialogs are built from.
#include <gtest/gtest.h>

#include "gui/gui.h"
#include "resources/dialog_ids.h"

using namespace gui;

namespace {

const ControlTemplate* find(const DialogTemplate& t, int id) {
    for (const ControlTemplate& c : t.controls) {
        if (c.id == id) return &c;
    }
    return nullptr;
}

TEST(TemplateCheck, FindsDuplicateIdsAndControlsOutsideTheDialog) {
    DialogTemplate t{77001, "T", 100, 50, "MS Sans Serif", 8, {}};
    t.controls.push_back(makeControl(5, ControlKind::Edit, "", {10, 10, 20, 10}));
    t.controls.push_back(makeControl(IDC_STATIC, ControlKind::StaticText, "a", {0, 0, 10, 8}));
    t.controls.push_back(makeControl(IDC_STATIC, ControlKind::StaticText, "b", {0, 10, 10, 8}));
    std::string problem;
    EXPECT_TRUE(checkDialogTemplate(t, problem)) << problem;
    t.controls.push_back(makeControl(5, ControlKind::CheckBox, "again", {40, 10, 20, 10}));
    EXPECT_FALSE(checkDialogTemplate(t, problem));
    EXPECT_EQ(problem, "dialog 77001: id 5 is used twice");
    t.controls.back().id = 6;
    t.controls.back().pos = {90, 45, 20, 10};
    EXPECT_FALSE(checkDialogTemplate(t, problem));
    EXPECT_NE(problem.find("lies outside"), std::string::npos);
}

TEST(TemplateRegistry, FirstRegistrationWins) {
    DialogTemplate a{77002, "A", 10, 10, "", 8, {}};
    DialogTemplate b{77002, "B", 10, 10, "", 8, {}};
    EXPECT_TRUE(registerDialogTemplate(a));
    EXPECT_FALSE(registerDialogTemplate(b));
    ASSERT_NE(findDialogTemplate(77002), nullptr);
    EXPECT_EQ(findDialogTemplate(77002)->caption, "A");
    EXPECT_EQ(findDialogTemplate(77003), nullptr);
}

TEST(AddinTemplates, AllAreRegisteredAndWellFormed) {
    EXPECT_TRUE(res::registerAddinTemplates());
    EXPECT_TRUE(res::registerAddinTemplates()) << "registering again is harmless";
    const std::vector<std::pair<int, const char*>> expected = {{106, "Instance Info"},
                                                               {12008, "General Options"},
                                                               {12009, "Bounds"},
                                                               {12010, "Protection Levels"},
                                                               {12012, "Edit Equations"},
                                                               {12007, "Resolution Info"},
                                                               {12001, "Generate Random Instance"},
                                                               {12006, "Computational Tests"}};
    EXPECT_EQ(res::addinTemplates().size(), expected.size());
    for (const auto& [id, caption] : expected) {
        const DialogTemplate* t = findDialogTemplate(id);
        ASSERT_NE(t, nullptr) << id;
        EXPECT_EQ(t->caption, caption);
        std::string problem;
        EXPECT_TRUE(checkDialogTemplate(*t, problem)) << problem;
        // Each one can be created as a window.
        Dialog d(id);
        EXPECT_TRUE(d.createWindow());
        EXPECT_EQ(d.controls().size(), t->controls.size());
        d.destroyWindow();
    }
}

TEST(AddinTemplates, SizesAndFontsOfTheOptionPages) {
    struct Want {
        int id, w, h;
        const char* font;
    };
    for (Want want :
         {Want{106, 249, 166, "MS Shell Dlg"}, Want{12008, 248, 163, "MS Sans Serif"},
          Want{12009, 249, 166, "MS Sans Serif"}, Want{12010, 248, 163, "MS Sans Serif"},
          Want{12012, 249, 164, "MS Sans Serif"}, Want{12007, 348, 161, "MS Sans Serif"},
          Want{12001, 301, 190, "MS Sans Serif"}, Want{12006, 395, 206, "MS Sans Serif"}}) {
        const DialogTemplate* t = findDialogTemplate(want.id);
        ASSERT_NE(t, nullptr);
        EXPECT_EQ(t->width, want.w) << want.id;
        EXPECT_EQ(t->height, want.h) << want.id;
        EXPECT_EQ(t->fontName, want.font) << want.id;
        EXPECT_EQ(t->fontSize, 8);
    }
}

TEST(AddinTemplates, ControlsOfTheOptionPages) {
    res::registerAddinTemplates();
    const DialogTemplate& info = *findDialogTemplate(106);
    for (int id : {12004, 12003, 12005}) {
        const ControlTemplate* c = find(info, id);
        ASSERT_NE(c, nullptr);
        EXPECT_EQ(c->style & (kReadOnly | kCentred), kReadOnly | kCentred);
    }
    EXPECT_EQ(find(info, 12020)->text, "Workbook (DB-Style)");

    const DialogTemplate& general = *findDialogTemplate(12008);
    EXPECT_TRUE(find(general, 12005)->style & kDigitsOnly);
    EXPECT_TRUE(find(general, 12015)->style & kDigitsOnly);
    EXPECT_FALSE(find(general, 12003)->style & kDigitsOnly) << "the base number takes decimals";
    Dialog g(12008);
    ASSERT_TRUE(g.createWindow());
    EXPECT_EQ(g.labelOf(12005), "Time Limit for Calculations (in minutes without decimals)");
    EXPECT_EQ(g.labelOf(12018), "Keep Instance Loaded");
    g.destroyWindow();

    const DialogTemplate& pl = *findDialogTemplate(12010);
    EXPECT_EQ(find(pl, 12049)->kind, ControlKind::RadioButton);
    EXPECT_TRUE(find(pl, 12049)->style & kGroupStart);
    EXPECT_EQ(find(pl, 12050)->text, "User Defined Protection Levels");

    const DialogTemplate& ee = *findDialogTemplate(12012);
    EXPECT_EQ(find(ee, 12025)->kind, ControlKind::ListBox);
    EXPECT_EQ(find(ee, 12011)->text, "Edit Equations Dialog");
}

TEST(AddinTemplates, RandomInstanceDialogPositions) {
    const DialogTemplate& t = *findDialogTemplate(12001);
    const ControlTemplate* rich = find(t, 12004);
    EXPECT_EQ(rich->pos.x, 16);
    EXPECT_EQ(rich->pos.width, 216);
    EXPECT_TRUE(rich->style & kMultiLine);
    EXPECT_TRUE(rich->style & kWantReturn);
    const ControlTemplate* zeros = find(t, 12022);
    EXPECT_EQ(zeros->pos.y, 144);
    EXPECT_EQ(zeros->pos.height, 13);
    EXPECT_TRUE(zeros->style & kDigitsOnly);
    EXPECT_TRUE(find(t, 12017)->style & kDisabled) << "Pivot Table can never be checked";
    EXPECT_TRUE(find(t, 12011)->style & kDefaultButton);
    EXPECT_EQ(find(t, IDOK)->text, "Finish");
    EXPECT_EQ(find(t, 12021)->text, "Computational Tests...");
    EXPECT_TRUE(find(t, 12026)->style & kReadOnly);
}

TEST(AddinTemplates, TestDialogAndResolutionInfo) {
    const DialogTemplate& t = *findDialogTemplate(12006);
    EXPECT_EQ(find(t, IDOK)->text, "Aceptar");
    EXPECT_EQ(find(t, IDCANCEL)->text, "Cancelar");
    EXPECT_EQ(find(t, 12028)->kind, ControlKind::ProgressBar);
    EXPECT_EQ(find(t, 12027)->pos.y, 191);
    EXPECT_FALSE(find(t, 12025)->style & kSorted);

    const DialogTemplate& r = *findDialogTemplate(12007);
    Dialog d(12007);
    ASSERT_TRUE(d.createWindow());
    EXPECT_EQ(d.labelOf(12003), "Maximum Jump in Table");
    EXPECT_EQ(d.labelOf(12015), "Overall without Dialogs") << "the title of its small frame";
    EXPECT_EQ(d.labelOf(12023), "Base");
    d.destroyWindow();
    EXPECT_TRUE(find(r, IDOK)->style & kDefaultButton);
}

}  // namespace
