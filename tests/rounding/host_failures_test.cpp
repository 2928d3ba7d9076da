// The rounding command and the loader when the host lets them down: the
// user's workbook closed before the results are written, no new workbook to
// be had, a sheet without an id, a loaded instance that cannot be shown. Each
// is reported; the user's workbook is never written to instead, and the
// instance is kept where a command stops.
#include <algorithm>
#include <fstream>

#include "capture/capture.h"
#include "files/file_commands.h"
#include "rounding/rounder.h"
#include "tests/rounding/rounding_fixture.h"
#include "tests/support/host_fault.h"
#include "tests/support/instance_table.h"

namespace {

using namespace rounding_test;
using testhost::HostFault;

bool journalHas(host::JournalKind kind, const std::string& text) {
    const auto& j = host::journal();
    return std::any_of(j.begin(), j.end(), [&](const host::JournalEntry& e) {
        return e.kind == kind && e.text == text;
    });
}
bool statusShown(const std::string& text) {
    return journalHas(host::JournalKind::Status, text);
}
bool alerted(const std::string& text) {
    return journalHas(host::JournalKind::Alert, text);
}

using HostFailureTest = RoundingCommandTest;

// The table captured, then its workbook closed (a session can do this): the
// results go into new workbooks, the first sheet of the rounded one holding
// the rounded table with its formulas.
TEST_F(HostFailureTest, ClosedOriginalGivesNewWorkbooksWithTheResults) {
    const std::string original = twoByTwo();
    option("General Options", "12018", "on");
    ASSERT_EQ(fLookup(), 0);
    ASSERT_EQ(fAddsums(), 0) << notices.str();
    std::string error;
    ASSERT_TRUE(host::closeWorkbook(original, error)) << error;
    ASSERT_EQ(fRounder(), 0) << notices.str();
    EXPECT_TRUE(statusShown(" No active Workbook found!"));
    EXPECT_TRUE(statusShown(" Unable to acess original workbook. Open new one..."));

    std::vector<double> rounded;
    roundcheck::Table table = roundcheck::TableOfInstance(gInstance, &rounded);
    EXPECT_EQ(roundcheck::CheckRounding(table, rounded, {10, 0}, 24), "");
    const auto windows = host::windows();
    ASSERT_EQ(windows.size(), 2u) << "a rounded and an interval workbook";
    const std::string first = "[" + windows[0] + "]" + host::sheetNames(windows[0])[0];
    EXPECT_EQ(cellText(first + "!A1"), "10");
    EXPECT_EQ(cellText(first + "!B2"), "10");
    EXPECT_EQ(cellFormula(first + "!C3"), "=SUM(C1:C2)");
    EXPECT_EQ(cellText(first + "!C3"), "60");
    const auto intervalSheets = host::sheetNames(windows[1]);
    EXPECT_NE(intervalSheets[0].find(" - p.i."), std::string::npos) << intervalSheets[0];
}

// Neither a copy of the workbook nor a new one can be made: the command stops
// with its alert instead of writing the results into the user's workbook, and
// keeps the instance.
TEST_F(HostFailureTest, NoOutputWorkbookStopsBeforeTouchingTheOriginal) {
    const std::string original = twoByTwo();
    ASSERT_EQ(fLookup(), 0);
    ASSERT_EQ(fAddsums(), 0) << notices.str();
    {
        HostFault fault({xlcWorkbookCopy, xlcNew});
        ASSERT_EQ(fRounder(), -1);
    }
    EXPECT_TRUE(alerted(" Unable to open a new workbook for writing output!"));
    EXPECT_NE(gInstance.cellList, nullptr) << "the instance is kept";
    EXPECT_EQ(host::windows(), (std::vector<std::string>{original}));
    EXPECT_EQ(cellText("[" + original + "]Sheet1!A1"), "13");
    EXPECT_EQ(cellText("[" + original + "]Sheet1!B2"), "16");
}

// After the first sheet is written the host cannot give the next sheet's id:
// an alert, -1, and the instance is kept.
TEST_F(HostFailureTest, SheetWithoutIdStopsTheWriting) {
    twoByTwo();
    option("General Options", "12019", "off");  // one copy: two id questions a sheet
    ASSERT_EQ(fLookup(), 0);
    ASSERT_EQ(fAddsums(), 0) << notices.str();
    HostFault fault(xlSheetId, 1, 1);
    EXPECT_EQ(fRounder(), -1);
    EXPECT_EQ(fault.failed(), 1);
    EXPECT_TRUE(alerted(" Error! No Sheet ID ... "));
    EXPECT_NE(gInstance.cellList, nullptr);
}

void writeThreeSheetQtb() {
    std::ofstream f("three.qtb");
    f << "-2\n3\n0 t 40 2 3 1 1 s 0 100 0 0 0\n1 b 27 2 1 1 1 s 0 100 0 0 0\n"
         "2 a 13 0 0 0 1 s 0 100 0 0 0\n1\n3 : 0 (-1) 1 (1) 2 (1)\n10\n";
}

// A loaded instance file rounded when no new workbook can be opened.
TEST_F(HostFailureTest, LoadedInstanceWithoutNewWorkbookStopsWithAnAlert) {
    writeThreeSheetQtb();
    driver.addFile("three.qtb");
    ASSERT_EQ(fLoadinstance(), 0) << notices.str();
    HostFault fault(xlcNew);
    EXPECT_EQ(fRounder(), -1);
    EXPECT_TRUE(alerted(" Unable to open a new workbook for writing output!"));
    EXPECT_NE(gInstance.cellList, nullptr);
}

// The loaded instance cannot be shown (no new workbook, or no sheet to add):
// the user is told, and the instance is loaded all the same, ready to round.
TEST_F(HostFailureTest, InstanceThatCannotBeShownIsStillLoaded) {
    writeThreeSheetQtb();
    {
        HostFault fault(xlcNew);
        driver.addFile("three.qtb");
        ASSERT_EQ(fLoadinstance(), 0) << notices.str();
    }
    EXPECT_TRUE(alerted("Error while opening the new Sheet!"));
    EXPECT_TRUE(statusShown("Could not visualize instance ..."));
    EXPECT_TRUE(host::windows().empty());
    EXPECT_EQ(gInstance.ncells, 3);
    EXPECT_EQ(gOptions.keepLoaded, 1);

    host::clearJournal();
    {
        HostFault fault(xlcWorkbookInsert, 1, 1);  // the second sheet cannot be added
        driver.addFile("three.qtb");
        ASSERT_EQ(fLoadinstance(), 0) << notices.str();
        EXPECT_EQ(fault.failed(), 1);
    }
    EXPECT_TRUE(alerted("Unable to insert a new worksheet to new workbook!"));
    EXPECT_TRUE(statusShown("Could not visualize instance ..."));
    EXPECT_EQ(gInstance.ncells, 3);
}

}  // namespace
