// The add-sums dialog's two definition tables (simple and advanced).
#pragma once

constexpr int kSumCols = 7;
constexpr int kSumWidth = 50;
constexpr int kSimpleRows = 24;
constexpr int kAdvancedRows = 52;
// The "Find Totals" button of each table (rows after those of the original
// layout, so that every other row keeps its number).
constexpr int kSimpleFindRow = 23;
constexpr int kAdvancedFindRow = 51;

// Columns of a definition table.
enum SumColumn { SumType = 0, SumX, SumY, SumWidthCol, SumHeight, SumText, SumInit };

extern char simpleSumTable[kSimpleRows][kSumCols][kSumWidth];
extern char advancedSumTable[kAdvancedRows][kSumCols][kSumWidth];

// True once both tables are registered for conversion when the add-in opens.
bool sumDialogTablesRegistered();
