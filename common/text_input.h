// Text files as other programs write them: a UTF-8 byte order mark, UTF-16
// with its byte order mark, and CR LF or CR-only line ends are all read as
// plain UTF-8 lines ending in '\n'. What cannot be read unambiguously (a NUL
// byte, broken UTF-16) is refused with the line where it stands.
#pragma once

#include <string>
#include <string_view>

namespace common {

// Decodes the bytes of a text file into `text` (UTF-8, lines ending in '\n';
// with keepLineEnds, CR and CR LF stay as they are, for readers that tell
// line ends inside quoted fields from those between records). False with
// `error` ("line 3 holds a NUL byte ...") when the bytes are not a text that
// can be read without guessing.
bool decodeText(std::string_view bytes, std::string& text, std::string& error,
                bool keepLineEnds = false);

// Reads a whole file (at most `limit` bytes) and decodes it. False with
// `error` saying why: it cannot be read, it is too large, or decodeText's
// reason.
bool readTextFile(const std::string& path, size_t limit, std::string& text, std::string& error);

// The first blank-separated word of a text file, read as decodeText reads
// it (so a byte order mark or UTF-16 does not hide it); "" when the file
// cannot be read or holds no word near its start.
std::string firstWordOfTextFile(const std::string& path);

}  // namespace common
