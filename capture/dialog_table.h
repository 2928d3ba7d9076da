// Reading the table that the host's dialog box returns: per row, the result
// column holds the entry (text, number or check state).
#pragma once

#include <string>

#include "host/hostcall.h"

std::string formatG15(double value);  // 15 significant digits, general notation
const XLOPER* dialogElement(const XLOPER& table, int row, int col);
std::string resultText(const XLOPER& table, int row);
double resultNumber(const XLOPER& table, int row);
bool resultChecked(const XLOPER& table, int row);
