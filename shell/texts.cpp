#include "shell/texts.h"

#include <cstring>

void trimTrailingBlanks(char* text) {
    if (!text) return;
    size_t n = std::strlen(text);
    while (n > 0 && text[n - 1] == ' ') text[--n] = '\0';
}

void trimTrailingBlanks(std::string& text) {
    while (!text.empty() && text.back() == ' ') text.pop_back();
}

int isDecimalText(const char* text) {
    int others = 0;
    bool separator = false;
    for (const char* p = text ? text : ""; *p; ++p) {
        if (*p >= '0' && *p <= '9') continue;
        ++others;
        separator = *p == '.' || *p == ',';
    }
    return others == 0 || (others == 1 && separator) ? 1 : 0;
}
