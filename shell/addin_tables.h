// The static tables that drive registration and menus, and the registry of
// every table of counted strings that the add-in converts when it opens.
//
// A table cell is a fixed-width text field whose first byte is reserved: when
// the add-in opens, that byte receives the length of the text after it, which
// turns the cell into the host's counted string.
#pragma once

#include <cstddef>

constexpr int kRegRows = 12;
constexpr int kRegCols = 7;
constexpr int kRegWidth = 30;
constexpr int kMenuCols = 5;
constexpr int kMenuWidth = 75;
constexpr int kMainMenuRows = 12;
constexpr int kSubMenuRows = 6;

extern char regTable[kRegRows][kRegCols][kRegWidth];
extern char mainMenuTable[kMainMenuRows][kMenuCols][kMenuWidth];
extern char subMenuTable[kSubMenuRows][kMenuCols][kMenuWidth];

// Columns of the registration table.
enum RegColumn { RegProcedure = 0, RegType, RegFunctionText, RegArguments, RegMacroType,
                 RegCategory, RegShortcut };

// A table of rows x cols cells of `width` bytes each, laid out row by row.
struct CountedTable {
    char* cells;
    int rows;
    int cols;
    int width;
};

// Tables that other parts of the add-in own (the add-sums dialog's definition
// tables) register themselves here; open converts them all.
bool registerCountedTable(CountedTable table);
// Sets byte 0 of every cell to the length of the text after it (at most width - 2).
void convertCountedTable(const CountedTable& table);
void convertAllCountedTables();
