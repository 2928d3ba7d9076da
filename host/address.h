// Cell addresses as text: column letters, A1 and R1C1 cell and range texts, and
// sheet names as they appear in front of a reference ("Sheet2!", "'My sheet'!").
#pragma once

#include <optional>
#include <string>

#include "host/value.h"

namespace host {

// "A" for 0 ... "IV" for 255.
std::string columnLetters(int col);
// "B3" for row 2, column 1; with absolute parts "$B$3".
std::string a1Cell(int row, int col, bool rowAbs = false, bool colAbs = false);
// "B3" or "B3:C4" (one cell collapses).
std::string a1Rect(const Rect& r, bool absolute = false);

// Equality of two texts apart from letter case, for the letters of every
// script (sheet and workbook names, defined names, function names).
bool sameText(const std::string& a, const std::string& b);

// True when a sheet name must be put in apostrophes in front of a reference.
bool sheetNameNeedsQuotes(const std::string& name);
// "Sheet2!" or "'My sheet'!" (inner apostrophes doubled). With a workbook name,
// "[Book1]Sheet2!" or "'[My book]Sheet 2'!".
std::string sheetPrefix(const std::string& sheet, const std::string& book = "");

// A sheet's validity as a name: 1..31 characters, none of []:*?/\ and not
// beginning or ending with an apostrophe. Returns "" or the reason.
std::string sheetNameProblem(const std::string& name);

// A reference text without a sheet part, in A1 ("B3", "$B$3:C4") or absolute
// R1C1 ("R3C2", "R1C1:R2C4") notation, read into a rectangle.
std::optional<Rect> parseA1Area(const std::string& text);
std::optional<Rect> parseR1C1Area(const std::string& text);

// Splits "Sheet!A1", "'My sheet'!A1", "[Book]Sheet!A1" into its book, sheet and
// reference parts; the parts that are absent are left empty. False when the
// quoting is broken.
bool splitSheetReference(const std::string& text, std::string& book, std::string& sheet,
                         std::string& ref);

// Splits "[Book]Sheet" into book and sheet ("Sheet" alone leaves book empty).
void splitBookSheet(const std::string& text, std::string& book, std::string& sheet);

}  // namespace host
