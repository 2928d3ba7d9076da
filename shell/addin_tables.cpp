#include "shell/addin_tables.h"

#include <cstring>
#include <vector>

// Every text below starts with the reserved length byte (written as a blank).
#define REG_ROW(proc, key) \
    { " " proc, " A", " " proc, " ", " 2", " Controlled rounding add-in", " " key }

char regTable[kRegRows][kRegCols][kRegWidth] = {
    REG_ROW("QTBTXfExit", "o"),
    REG_ROW("QTBTXfOne", "n"),
    REG_ROW("QTBTXfLoadinstance", "n"),
    REG_ROW("QTBTXfSaveinstance", "n"),
    REG_ROW("QTBTXfPRead", "n"),
    REG_ROW("QTBTXfGenerate", "n"),
    REG_ROW("QTBTXfCompute", "n"),
    REG_ROW("QTBTXfAnalize", "n"),
    REG_ROW("QTBTXfAnalizeBias", "n"),
    REG_ROW("QTBTXfBiasTest", "n"),
    REG_ROW("QTBTXfAbout", "n"),
    REG_ROW("QTBTXfUnload", "n"),
};
#undef REG_ROW

// Columns: item text, command, shortcut key (empty), status-bar text, help
// reference (empty). Row 0 is the menu itself.
char mainMenuTable[kMainMenuRows][kMenuCols][kMenuWidth] = {
    {" &Rounding    ", " ", " ", " Rounding using XPRESS", " "},
    {" &Rounder... (XPRESS)", " QTBTXfOne", " ", " Calls all the following functions in one step.",
     " "},
    {" -", " ", " ", " ", " "},
    {" &Load Instance...", " QTBTXfLoadinstance", " ",
     " Opens a previously saved instance (this means list of cells and sums).", " "},
    {" &Save Instance...", " QTBTXfSaveinstance", " ", " Saves an instance (list of cells and sums).",
     " "},
    {" &Unload Instance", " QTBTXfUnload", " ", " Deletes a loaded instance from the memory.", " "},
    {" -", " ", " ", " ", " "},
    {" Read DB Style Instance...", " QTBTXfPRead", " ", " ", " "},
    {" Generate Random Instance...", " QTBTXfGenerate", " ", " ", " "},
    {" -", " ", " ", " ", " "},
    {" QT Help...", " QTBTXfAbout", " ", " ", " "},
    {" &Exit", " QTBTXfExit", " ", " Cerrar el add-in", " "},
};

char subMenuTable[kSubMenuRows][kMenuCols][kMenuWidth] = {
    {" &Computational Tests", " ", " ", " Realizing computational tests", " "},
    {" Compute Tests...", " QTBTXfCompute", " ", " ", " "},
    {" Analize Tests...", " QTBTXfAnalize", " ", " ", " "},
    {" -", " ", " ", " ", " "},
    {" Bias Tests...", " QTBTXfBiasTest", " ", " ", " "},
    {" Analize Bias Tests...", " QTBTXfAnalizeBias", " ", " ", " "},
};

namespace {
std::vector<CountedTable>& extraTables() {
    static std::vector<CountedTable> tables;
    return tables;
}
}  // namespace

bool registerCountedTable(CountedTable table) {
    extraTables().push_back(table);
    return true;
}

void convertCountedTable(const CountedTable& table) {
    for (int r = 0; r < table.rows; ++r) {
        for (int c = 0; c < table.cols; ++c) {
            char* cell = table.cells + (size_t(r) * size_t(table.cols) + size_t(c)) * size_t(table.width);
            size_t n = strnlen(cell + 1, size_t(table.width - 1));
            if (n > size_t(table.width - 2)) n = size_t(table.width - 2);
            cell[n + 1] = '\0';
            cell[0] = char(n);
        }
    }
}

void convertAllCountedTables() {
    convertCountedTable({&regTable[0][0][0], kRegRows, kRegCols, kRegWidth});
    convertCountedTable({&mainMenuTable[0][0][0], kMainMenuRows, kMenuCols, kMenuWidth});
    convertCountedTable({&subMenuTable[0][0][0], kSubMenuRows, kMenuCols, kMenuWidth});
    for (const CountedTable& t : extraTables()) convertCountedTable(t);
}
