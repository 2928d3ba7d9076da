// The add-sums dialog's operations on the instance.
#pragma once

#include <string>

#include "host/hostcall.h"
#include "instance/instance.h"

// "(1)*R3C2+(1)*R4C2+(-1)*R5C2=0": the terms of a sum with 0-based rows and
// columns as stored (cut to the host's 255 characters).
std::string equationText(const Sum* sum);

// Adds SUM(left) = SUM(right) as a hand-entered sum at the head of the SumList.
// 0 done or nothing to do (an empty side), -1 no memory, -2 not a valid
// equation (alert shown; the instance is unchanged).
int addHandEquation(const std::string& left, const std::string& right);

// Removes the sum at a zero-based position of the SumList (none past the end).
void removeSum(int position);

// Adds the terms of one side ("R1C1", "R1C1:R3C1", optionally "Sheet!..."), each
// with `coef` (-1 left side, +1 right side). 0, or -2 when the sheet is unknown
// or a single named cell is not in the CellList. Does not touch useCount.
int parseSumSide(const std::string& text, Sum* sum, int coef);

// Reads the advanced options (rows 37 to 42 of the returned table) into the
// rounding options; -1 when a value is rejected (alert shown), else 0.
int readAdvancedOptions(const XLOPER& returned);
