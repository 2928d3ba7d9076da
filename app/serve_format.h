// A cell's value as a spreadsheet shows it through its number format: digit
// placeholders (0 # ?), decimals, thousands separators and scaling, percent,
// scientific notation, literal texts, colours, currency symbols, dates and
// times, and sections for positive, negative, zero and text values. "General"
// shows at most 11 characters, as a standard column does.
#pragma once

#include <string>

#include "host/value.h"

namespace app {

struct ShownValue {
    std::string text;
    std::string color;  // "" or a colour name of the format ("red", "blue", ...)
};

ShownValue formatValue(const host::Value& value, const std::string& format);

}  // namespace app
