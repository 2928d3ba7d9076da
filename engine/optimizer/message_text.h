// How solver messages become the library's messages: their type, and their
// text cut into lines.
#pragma once

#include <functional>
#include <string_view>

namespace qtb::opt {

// Message type of the library (1 info, 2 log, 3 warning, 4 error) for a COIN
// message of the given severity letter and detail level.
int MessageTypeOf(char severity, int detail);

// Splits `text` at line feeds and calls `fn` for every line; a final line feed
// does not make an empty last line, and carriage returns before line feeds are
// dropped.
void ForEachLine(std::string_view text, const std::function<void(std::string_view)>& fn);

}  // namespace qtb::opt
