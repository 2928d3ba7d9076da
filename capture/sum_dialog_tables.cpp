// The definition tables of the add-sums dialog, shown with the host's
// table-driven dialog box. Columns: item type, x, y, width, height, text,
// initial value / result. Every cell is a 50-byte field whose first byte
// receives the length of its text when the add-in opens; the texts below start
// with that reserved byte (a blank).
#include "capture/sum_dialog_tables.h"

#include "shell/addin_tables.h"

#define ROWS_1_TO_20(row18type)                                                             \
    {" 2", " 119", " 280", " 90", " ", " Cancel", " "},                                      \
        {" 001", " 19", " 280", " 90", " ", " OK", " "},                                      \
        {" 5", " 25", " 130", " ", " ", " Add &new equation to instance:", " "},              \
        {" 5", " 30", " 150", " 55", " ", " SUM (", " "},                                     \
        {" 10", " 76", " 150", " 153", " ", " ", " "},                                        \
        {" 5", " 240", " 150", " 106", " ", " )      =     SUM (", " "},                      \
        {" 10", " 346", " 150", " 153", " ", " ", " "},                                       \
        {" 5", " 510", " 150", " 10", " ", " )", " "},                                        \
        {" 14", " 19", " 20", " 237", " 45", " Number of cells found in sheet:", " "},        \
        {" 5", " 25", " 35", " 200", " ", " ___________", " "},                               \
        {" 14", " 19", " 70", " 237", " 35", " Number of sums found in sheet:", " "},         \
        {" 5", " 25", " 85", " 200", " ", " ...........", " "},                               \
        {" 14", " 19", " 110", " 512", " 170", " &Equations", " "},                           \
        {" 3", " 410", " 190", " 90", " ", " &Add", " "},                                     \
        {" 003", " 410", " 230", " 90", " ", " &Remove", " "},                                \
        {" 15", " 30", " 175", " 360", " 95", " EQUATION_List1", " 0"},                       \
        {" 14", " 294", " 20", " 237", " 45", " &Base number for rounding:", " "},            \
        {" " row18type, " 305", " 35", " 200", " ", " ", " 2.0            "},                 \
        {" 14", " 294", " 70", " 237", " 35", " Number of sums not in sheet:", " "},          \
        {" 5", " 300", " 85", " 200", " ", " ***********", " "}

char simpleSumTable[kSimpleRows][kSumCols][kSumWidth] = {
    {" ", " ", " ", " 550", " 310", " Controlled rounding - Add sums", " "},
    ROWS_1_TO_20("206"),
    {" 203", " 440", " 280", " 90", " ", " &Options >>", " "},
    {" 213", " 240", " 282", " ", " ", " keep instance loaded", " 0"},
    {" 203", " 410", " 255", " 90", " ", " Find &Totals", " "},
};

char advancedSumTable[kAdvancedRows][kSumCols][kSumWidth] = {
    {" ", " ", " ", " 1150", " 310", " Controlled rounding - Add sums advanced options", " "},
    ROWS_1_TO_20("6"),
    {" 3", " 1040", " 280", " 90", " ", " << &Options", " "},
    {" 14", " 569", " 20", " 562", " 260", " Advanced options", " "},
    {" 203", " 585", " 40", " 250", " ", " View/Edit &lower bounds", " "},
    {" 203", " 860", " 40", " 250", " ", " View/Edit &upper bounds", " "},
    {" 203", " 585", " 160", " 250", " ", " View/Edit lower &protection limits", " "},
    {" 203", " 860", " 160", " 250", " ", " View/Edit upper protection &limits", " "},
    {" 14", " 585", " 70", " 530", " 80", " Default bounds for all cells:", " "},
    {" 5", " 600", " 95", " ", " ", " lowerbound = max{ ", " "},
    {" 5", " 823", " 95", " ", " ", " , &cellvalue -", " "},
    {" 5", " 600", " 120", " ", " ", " upperboud = min{", " "},
    {" 5", " 823", " 120", " ", " ", " , cellvalue +", " "},
    {" 14", " 585", " 190", " 530", " 80", " Default protection levels for all cells:", " "},
    {" 11", " ", " ", " ", " ", " ", " 3"},
    {" 12", " ", " ", " ", " ", " lpl = upl = &1 if cellvalue <", " "},
    {" 12", " ", " ", " ", " ", " lpl = 1, upl = &2 if cellvalue <", " "},
    {" 12", " ", " ", " ", " ", " l&pl = &0, upl = 0", " "},
    {" 6", " 783", " 204", " 30", " ", " ", " inf            "},
    {" 6", " 803", " 220", " 30", " ", " ", " inf            "},
    {" 6", " 733", " 95", " 60", " ", " ", " 0              "},
    {" 6", " 903", " 95", " 60", " ", " ", " 4.0            "},
    {" 6", " 733", " 120", " 60", " ", " ", " inf            "},
    {" 6", " 903", " 120", " 60", " ", " ", " 4.0            "},
    {" 5", " 980", " 95", " ", " ", " }", " "},
    {" 5", " 980", " 120", " ", " ", " }", " "},
    {" 213", " 240", " 282", " ", " ", " keep instance loaded", " 0"},
    {" 13", " 430", " 282", " ", " ", " do auditing", " 1"},
    {" 5", " 585", " 284", " ", " ", " max time limit (min):", " "},
    {" 6", " 725", " 282", " 60", " ", " ", " 10             "},
    {" 5", " 805", " 284", " ", " ", " max jump (base units):", " "},
    {" 6", " 965", " 282", " 60", " ", " ", " 0              "},
    {" 203", " 410", " 255", " 90", " ", " Find &Totals", " "},
};
#undef ROWS_1_TO_20

namespace {
const bool registered =
    registerCountedTable({&simpleSumTable[0][0][0], kSimpleRows, kSumCols, kSumWidth}) &&
    registerCountedTable({&advancedSumTable[0][0][0], kAdvancedRows, kSumCols, kSumWidth});
}  // namespace

bool sumDialogTablesRegistered() { return registered; }
