// Status texts and alerts that more than one command of the add-in shows,
// each defined here once. Like every host text they begin with the reserved
// length character, so a text the user sees with a leading blank has two.
#pragma once

inline constexpr char kAlertNoActiveWorkbook[] = "  No active Workbook found!";
inline constexpr char kAlertNoSheetId[] = "  No SheetID!";
inline constexpr char kStatusFindingPivotTables[] = "  Finding pivot tables";
inline constexpr char kStatusWritingResults[] = "  Writing results ...";
