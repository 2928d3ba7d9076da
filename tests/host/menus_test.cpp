// The menu bar, status texts and alerts in the journal, and the table-driven
// dialog box handed to the front end.
#include "host_test_util.h"

namespace {

using namespace hosttest;

// A menu table of rows x 5 texts.
Value menuTable(const std::vector<std::vector<std::string>>& rows) {
    std::vector<Value> items;
    for (const auto& row : rows)
        for (size_t c = 0; c < 5; ++c)
            items.push_back(c < row.size() && !row[c].empty() ? str(row[c]) : Value::nil());
    return Value::array(static_cast<int>(rows.size()), 5, items);
}

class MenusTest : public HostTest {};

TEST_F(MenusTest, MenusAreAddedFoundAndDeletedByNameOrPosition) {
    EXPECT_EQ(call(xlfGetBar).value, num(10));
    EXPECT_EQ(call(xlfGetBar, {num(10), str("Rounding"), num(0)}).value, Value::error(xlerrNA));
    Value main = menuTable({{"&Rounding", "", "", "Rounding using XPRESS"},
                            {"&Rounder... (XPRESS)", "QTBTXfOne", "", "Calls all"},
                            {"-"},
                            {"&Exit", "QTBTXfExit", "", "Cerrar el add-in"}});
    Answer added = call(xlfAddMenu, {num(10), main, str("Help")});
    EXPECT_EQ(added.value, num(9));  // before Help, which was ninth
    // Names match without '&', letter case and trailing blanks.
    EXPECT_EQ(call(xlfGetBar, {num(10), str("rounding    "), num(0)}).value, str("&Rounding"));
    EXPECT_EQ(call(xlfGetBar, {num(10), str("&ROUNDING"), num(0)}).value, str("&Rounding"));
    EXPECT_EQ(call(xlfGetBar, {num(10), num(9), num(1)}).value, str("&Rounder... (XPRESS)"));
    EXPECT_EQ(call(xlfGetBar, {num(10), num(10), num(0)}).value, str("&Help"));

    Value sub = menuTable({{"&Computational Tests", "", "", "Realizing computational tests"},
                           {"Compute Tests...", "QTBTXfCompute"}});
    EXPECT_EQ(call(xlfAddMenu, {num(10), sub, num(9), num(3)}).value, num(3));
    auto bar = host::menuBar();
    ASSERT_EQ(bar.size(), 10u);
    const auto& rounding = bar[8];
    ASSERT_EQ(rounding.items.size(), 4u);
    EXPECT_EQ(rounding.statusText, "Rounding using XPRESS");
    EXPECT_EQ(rounding.items[0].command, "QTBTXfOne");
    EXPECT_EQ(rounding.items[0].statusText, "Calls all");
    EXPECT_TRUE(rounding.items[2].submenu);
    EXPECT_EQ(rounding.items[2].text, "&Computational Tests");
    EXPECT_EQ(rounding.items[2].items[0].command, "QTBTXfCompute");
    EXPECT_EQ(rounding.items[3].text, "&Exit");

    // A submenu past the last item goes to the end; a menu before position 1 first.
    EXPECT_EQ(call(xlfAddMenu, {num(10), sub, str("Rounding"), num(99)}).value, num(5));
    EXPECT_EQ(call(xlfAddMenu, {num(10), menuTable({{"First"}}), num(1)}).value, num(1));
    EXPECT_EQ(call(xlfAddMenu, {num(10), menuTable({{"Last"}}), str("No such menu")}).value,
              num(12));

    EXPECT_EQ(call(xlfDeleteMenu, {num(10), str("Rounding")}).value, boolean(true));
    EXPECT_TRUE(call(xlfDeleteMenu, {num(10), str("Rounding")}).value.isErr());
    EXPECT_TRUE(call(xlfGetBar, {num(10), str("Rounding"), num(0)}).value.isErr());
    EXPECT_TRUE(call(xlfGetBar, {num(7), str("File"), num(0)}).value.isErr());  // only bar 10
    EXPECT_EQ(host::menuBar().size(), 11u);
    EXPECT_NE(host::menuBarText().find("First\n"), std::string::npos);
}

TEST_F(MenusTest, PickingItemsWithoutACommand) {
    call(xlfAddMenu, {num(10), menuTable({{"&Extra"}, {"Nothing"}, {"Gone", "NotRegistered"}})});
    int result = 0;
    std::string error;
    EXPECT_FALSE(host::runMenuItem({"Extra", "Nothing"}, result, error));
    EXPECT_NE(error.find("has no command"), std::string::npos);
    EXPECT_FALSE(host::runMenuItem({"Extra", "Gone"}, result, error));
    EXPECT_NE(error.find("NotRegistered"), std::string::npos);
    EXPECT_FALSE(host::runMenuItem({"Extra", "Missing"}, result, error));
    EXPECT_NE(error.find("no menu item Extra > Missing"), std::string::npos);
}

TEST_F(MenusTest, StatusTextsAndAlertsGoToTheJournalAndTheFrontEnd) {
    // Without a front end, alerts are answered OK.
    EXPECT_EQ(call(xlcAlert, {str("Overwrite?"), num(1)}).value, boolean(true));
    ScriptedFrontEnd fe;
    fe.alertAnswers = {false, false};
    host::setFrontEnd(&fe);
    EXPECT_EQ(call(xlcMessage, {boolean(true), str("Scanning cells...")}).code, xlretSuccess);
    EXPECT_EQ(host::statusBar(), "Scanning cells...");
    EXPECT_EQ(call(xlcAlert, {str("Overwrite?"), num(1)}).value, boolean(false));
    EXPECT_EQ(call(xlcAlert, {str("Just so you know"), num(2)}).value, boolean(true));
    EXPECT_EQ(call(xlcAlert, {str("No type")}).value, boolean(true));
    EXPECT_EQ(call(xlcMessage, {boolean(false)}).code, xlretSuccess);
    EXPECT_EQ(host::statusBar(), "");
    EXPECT_EQ(fe.statuses, (std::vector<std::string>{"Scanning cells..."}));
    const auto& j = host::journal();
    ASSERT_EQ(j.size(), 5u);
    EXPECT_EQ(j[0].kind, host::JournalKind::Alert);
    EXPECT_TRUE(j[0].ok);
    EXPECT_EQ(j[1].kind, host::JournalKind::Status);
    EXPECT_EQ(j[2].text, "Overwrite?");
    EXPECT_EQ(j[2].type, 1);
    EXPECT_FALSE(j[2].ok);
    EXPECT_TRUE(j[3].ok);  // only type 1 asks; the queued Cancel is ignored
    EXPECT_EQ(j[4].type, 0);
    host::clearJournal();
    EXPECT_TRUE(host::journal().empty());
}

// Rows of the dialog table: type, x, y, w, h, text, init.
Value dialogTable() {
    std::vector<std::vector<std::string>> rows = {
        {"", "", "", "550", "310", "Controlled rounding - Add sums", ""},
        {"2", "119", "280", "90", "", "Cancel", ""},
        {"1", "19", "280", "90", "", "OK", ""},
        {"10", "76", "150", "153", "", "", ""},
        {"15", "30", "175", "360", "95", "EQUATION_List1", "0"},
        {"3", "410", "190", "90", "", "&Add", ""},
        {"203", "410", "230", "90", "", "&Remove", ""},
        {"13", "240", "282", "", "", "keep instance loaded", "0"},
        {"206", "305", "35", "200", "", "", "2.0"},
    };
    std::vector<Value> items;
    for (const auto& row : rows)
        for (const std::string& cell : row)
            items.push_back(cell.empty() ? Value::nil() : str(cell));
    return Value::array(static_cast<int>(rows.size()), 7, items);
}

TEST_F(MenusTest, TheDialogBoxReturnsEntriesSelectionAndClosingButton) {
    ASSERT_EQ(call(xlfSetName, {str("EQUATION_List1"),
                                texts({"(1)*R0C0+(-1)*R1C0=0", "(1)*R2C0+(-1)*R3C0=0"}, true)})
                  .code,
              xlretSuccess);
    ScriptedFrontEnd fe;
    fe.onDialog = [](host::DialogTable& t) {
        t.cells[3][6] = "R1C1:R2C1";
        t.cells[4][6] = "2";
        t.cells[7][6] = "1";
        t.cells[8][6] = "99";  // dimmed: ignored
        t.pressed = 5;
        return true;
    };
    host::setFrontEnd(&fe);
    Answer a = call(xlfDialogBox, {dialogTable()});
    ASSERT_EQ(a.code, xlretSuccess);
    ASSERT_EQ(fe.dialogs.size(), 1u);
    const host::DialogTable& shown = fe.dialogs[0];
    EXPECT_EQ(shown.cells[0][5], "Controlled rounding - Add sums");
    EXPECT_EQ(shown.cells[3][5], "");
    EXPECT_EQ(shown.lists[4],
              (std::vector<std::string>{"(1)*R0C0+(-1)*R1C0=0", "(1)*R2C0+(-1)*R3C0=0"}));
    EXPECT_TRUE(shown.dimmed(6));
    ASSERT_TRUE(a.value.isArray());
    EXPECT_EQ(a.value.at(0, 6), num(5));
    EXPECT_EQ(a.value.at(3, 6), str("R1C1:R2C1"));
    EXPECT_EQ(a.value.at(4, 6), num(2));
    EXPECT_EQ(a.value.at(7, 6), num(1));
    EXPECT_EQ(a.value.at(8, 6), str("2.0"));
    EXPECT_EQ(a.value.at(1, 5), str("Cancel"));

    // The default button when the front end names none.
    fe.onDialog = [](host::DialogTable&) { return true; };
    EXPECT_EQ(call(xlfDialogBox, {dialogTable()}).value.at(0, 6), num(2));
    // Cancel, and a dimmed button, give FALSE.
    fe.onDialog = [](host::DialogTable&) { return false; };
    EXPECT_EQ(call(xlfDialogBox, {dialogTable()}).value, boolean(false));
    fe.onDialog = [](host::DialogTable& t) {
        t.pressed = 6;
        return true;
    };
    Answer dimmed = call(xlfDialogBox, {dialogTable()});
    EXPECT_EQ(dimmed.code, xlretFailed);
    EXPECT_EQ(dimmed.value, boolean(false));
    EXPECT_EQ(fe.messages.size(), 1u);
    // A deleted list name shows an empty list.
    ASSERT_EQ(call(xlfSetName, {str("EQUATION_List1")}).code, xlretSuccess);
    EXPECT_TRUE(call(xlfGetName, {str("EQUATION_List1")}).value.isErr());
    call(xlfDialogBox, {dialogTable()});
    EXPECT_TRUE(fe.dialogs.back().lists[4].empty());
    // Without a front end the dialog is cancelled.
    host::setFrontEnd(nullptr);
    EXPECT_EQ(call(xlfDialogBox, {dialogTable()}).value, boolean(false));
}

}  // namespace
