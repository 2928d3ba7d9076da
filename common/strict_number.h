// Numbers in files, read strictly: the whole field is the number, written in
// decimal. No hexadecimal ("0x2519"), no "inf" or "nan", no text before or
// after it ("12abc", "2<NUL>junk"), no blanks inside.
#pragma once

#include <string_view>

namespace common {

// An optional sign and decimal digits, within the range of long long.
bool strictInteger(std::string_view text, long long& value);

// An optional sign, digits with an optional decimal point (at least one
// digit), and an optional exponent ("e-3", "E+12"); the value is finite.
bool strictDecimal(std::string_view text, double& value);

// The length of the longest prefix of `text` that strictDecimal could read
// as a number followed by one of `stops` (or the end); 0 when none.
size_t strictDecimalPrefix(std::string_view text, std::string_view stops);

}  // namespace common
