// Names as spreadsheet programs count and compare them: lengths in UTF-16
// units (what the xlsx format's 31-character sheet-name limit counts), and
// names that differ only in letter case are the same name, for any script's
// letters ("ÄÖÜ" and "äöü", "Σ" and "σ"), not only for A to Z.
#pragma once

#include <string>
#include <string_view>

namespace common {

// The length of a UTF-8 text in UTF-16 units: one per character, two for a
// character beyond U+FFFF. A byte that is no part of a valid UTF-8 sequence
// counts as one.
size_t utf16Length(std::string_view text);

// The longest start of `text` that is at most `units` UTF-16 units long and
// ends at a character boundary.
std::string cutToUtf16Length(std::string_view text, size_t units);

// The text with its letters in one case: texts equal apart from letter case
// give the same key.
std::string caseKey(std::string_view text);

// True when the texts are equal apart from letter case.
bool sameIgnoringCase(std::string_view a, std::string_view b);

}  // namespace common
