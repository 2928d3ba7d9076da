// Small text helpers shared by the dialogs and readers of the add-in.
#pragma once

#include <string>

// Removes blanks from the end of `text` until its last character is not a
// blank or the text is empty.
void trimTrailingBlanks(char* text);
void trimTrailingBlanks(std::string& text);

// 1 when the text has no character outside '0'..'9', or exactly one such
// character and that character is '.' or ','; otherwise 0. The empty text gives 1.
int isDecimalText(const char* text);
