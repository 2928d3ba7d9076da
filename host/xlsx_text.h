// Texts of workbook packages.
#pragma once

#include <string>

namespace host {

// Decodes the _xHHHH_ escapes of texts in packages.
std::string decodeEscapes(const std::string& s);
// The format code of a built-in number format ("0.00" for 2), "" when the
// number names none.
const char* builtinFormat(int id);

}  // namespace host
