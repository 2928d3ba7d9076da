// The pivot step of the rounding command when it cannot rebuild the table:
// no pivot table on the sheet of the rounded copy, several of them, or a host
// that cannot answer the question. Each is reported, nothing is rebuilt, and
// the rounded values are still published.
#include <algorithm>
#include <cmath>

#include "capture/capture.h"
#include "gui/dialog.h"
#include "rounding/rounder.h"
#include "shell/host_api.h"
#include "shell/host_values.h"
#include "tests/random_db/table_test_support.h"
#include "tests/support/host_fault.h"
#include "tests/support/instance_table.h"

namespace {

using tabletest::a1;
using tabletest::valueAt;

class PivotRefreshTest : public tabletest::TableTest {
  protected:
    // Region, Type, Value in A1:C5 of a new workbook.
    std::string list() {
        const char* rows[][3] = {{"Region", "Type", "Value"},
                                 {"North", "Industry", "127"},
                                 {"North", "Services", "264"},
                                 {"South", "Industry", "91"},
                                 {"South", "Services", "45"}};
        std::string book = host::newWorkbook(), error;
        for (int r = 0; r < 5; ++r)
            for (int c = 0; c < 3; ++c)
                EXPECT_TRUE(host::enterCell(a1(r, c), rows[r][c], error)) << error;
        return book;
    }
    // A pivot table over the list, Region by Type, from (row, col) on.
    void pivot(const std::string& name, int row, int col) {
        HostResult id;
        ASSERT_EQ(CallHost(xlSheetId, id.get(), 0), xlretSuccess);
        RefValue source(sheetIdOf(*id), 0, 4, 0, 2), dest(sheetIdOf(*id), row, col);
        CountedText n(name), rows("Region"), cols("Type"), data("Value");
        ASSERT_EQ(CallHost(xlcPivotTableWizard, nullptr, 4, ScratchNumber(1), source.get(),
                           dest.get(), n.value()),
                  xlretSuccess);
        ASSERT_EQ(CallHost(xlcPivotAddFields, nullptr, 3, n.value(), rows.value(), cols.value()),
                  xlretSuccess);
        ASSERT_EQ(CallHost(xlfPivotAddData, nullptr, 2, n.value(), data.value()), xlretSuccess);
    }
    // The options sheet asks for the pivot table to be refreshed.
    void refreshAsked() {
        driver.play = [](gui::ModalWindow& w) {
            if (w.caption() == " Quorant") {
                EXPECT_EQ(w.userSwitchPage(1), "");
                EXPECT_EQ(w.currentForm()->userClick(12020), "");
            }
            w.userOk();
        };
    }
    bool statusShown(const std::string& text) {
        const auto& j = host::journal();
        return std::any_of(j.begin(), j.end(), [&](const host::JournalEntry& e) {
            return e.kind == host::JournalKind::Status && e.text == text;
        });
    }
    // The rounded list of the active (rounded) copy is a rounding of the
    // instance: every value a multiple of 10, every total its parts' sum.
    void expectRoundedPublished() {
        std::vector<double> rounded;
        roundcheck::Table table = roundcheck::TableOfInstance(gInstance, &rounded);
        EXPECT_EQ(roundcheck::CheckRounding(table, rounded, {10, 0}, -1), "");
        const std::string out = "[" + host::windows()[0] + "]Sheet1";
        for (int r = 1; r <= 4; ++r) EXPECT_EQ(std::fmod(valueAt(r, 2, out).num, 10), 0) << r;
    }
};

// An imported list without a pivot table, refresh asked: the copy has none to
// rebuild, which the status says; the rounding is published all the same.
TEST_F(PivotRefreshTest, NoPivotTableToRefreshIsReported) {
    list();
    std::string error;
    ASSERT_TRUE(host::selectRange("A1:C5", error)) << error;
    ASSERT_EQ(QTBTXfPRead(), 0);
    refreshAsked();
    ASSERT_EQ(fAddsums(), 0);
    ASSERT_EQ(fRounder(), 0);
    EXPECT_TRUE(statusShown(" No Pivot Table found ..."));
    EXPECT_FALSE(statusShown(" Pivot Tables created!"));
    EXPECT_TRUE(front.alerts.empty());
    expectRoundedPublished();
}

// Two pivot tables on the list's sheet: neither is rebuilt (which one is
// meant cannot be told), the status asks for them to be filled by hand, and
// both still show the original values.
TEST_F(PivotRefreshTest, SeveralPivotTablesAreLeftForTheUser) {
    list();
    pivot("PT1", 0, 5);
    pivot("PT2", 10, 5);
    std::string error;
    ASSERT_TRUE(host::selectRange("A1:C5", error)) << error;
    refreshAsked();
    ASSERT_EQ(fLookup(), 0);  // a workbook with a pivot table is imported
    ASSERT_EQ(fAddsums(), 0);
    ASSERT_EQ(fRounder(), 0);
    EXPECT_TRUE(statusShown(" Various Pivot Tables found! Please fill in by hand."));
    EXPECT_FALSE(statusShown(" Pivot Tables created!"));
    expectRoundedPublished();
    // PT1's grand total (F1 onwards: title, column labels, two regions, the
    // total row) is still that of the original list.
    const std::string out = "[" + host::windows()[0] + "]Sheet1";
    bool originalTotal = false;
    for (int r = 0; r < 8; ++r)
        for (int c = 5; c < 10; ++c)
            if (valueAt(r, c, out).isNum() && valueAt(r, c, out).num == 527) originalTotal = true;
    EXPECT_TRUE(originalTotal) << "the pivot tables must be left as they were";
}

// The host cannot say which pivot tables the sheet holds: an alert, the step
// is skipped, and the rounding is still published (a result of 0).
TEST_F(PivotRefreshTest, FailedSearchIsAlertedAndTheRoundingStillPublished) {
    list();
    pivot("PT", 0, 5);
    std::string error;
    ASSERT_TRUE(host::selectRange("A1:C5", error)) << error;
    refreshAsked();
    ASSERT_EQ(fLookup(), 0);
    ASSERT_EQ(fAddsums(), 0);
    testhost::HostFault fault(xlfGetDocument, 0, INT_MAX, 70);
    ASSERT_EQ(fRounder(), 0);
    EXPECT_EQ(fault.failed(), 1);
    EXPECT_EQ(front.alerts,
              (std::vector<std::string>{
                  " Search for Pivot Tables failed! Automatical filling impossilbe!"}));
    EXPECT_FALSE(statusShown(" Pivot Tables created!"));
    expectRoundedPublished();
}

}  // namespace
