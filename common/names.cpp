#include "common/names.h"

#include <locale.h>
#include <wctype.h>

namespace common {

namespace {

// Reads the character at `i`: its code point and byte length; an invalid
// sequence is one byte, returned as a value no character has.
char32_t next(std::string_view t, size_t i, size_t& length) {
    const unsigned char b = static_cast<unsigned char>(t[i]);
    size_t n = b < 0x80 ? 1 : (b >> 5) == 0x6 ? 2 : (b >> 4) == 0xE ? 3 : (b >> 3) == 0x1E ? 4 : 0;
    if (n == 0 || i + n > t.size()) {
        length = 1;
        return 0x110000 + b;
    }
    char32_t c = n == 1 ? b : n == 2 ? (b & 0x1F) : n == 3 ? (b & 0x0F) : (b & 0x07);
    for (size_t k = 1; k < n; ++k) {
        const unsigned char cb = static_cast<unsigned char>(t[i + k]);
        if ((cb & 0xC0) != 0x80) {
            length = 1;
            return 0x110000 + b;
        }
        c = (c << 6) | (cb & 0x3F);
    }
    length = n;
    return c;
}

// Letter case folded with the C library's Unicode tables (the built-in
// C.UTF-8 locale); only A to Z where that locale is missing.
char32_t folded(char32_t c) {
    if (c < 0x80) return c >= 'A' && c <= 'Z' ? c + ('a' - 'A') : c;
    if (c >= 0x110000) return c;
    static const locale_t utf8 = newlocale(LC_CTYPE_MASK, "C.UTF-8", locale_t(0));
    if (utf8 == locale_t(0)) return c;
    return char32_t(towlower_l(wint_t(c), utf8));
}

// UTF-16 units of a character: two beyond the basic plane.
size_t unitsOf(char32_t c) {
    return c >= 0x10000 && c < 0x110000 ? 2 : 1;
}

}  // namespace

size_t utf16Length(std::string_view text) {
    size_t units = 0;
    for (size_t i = 0, n = 0; i < text.size(); i += n) units += unitsOf(next(text, i, n));
    return units;
}

std::string cutToUtf16Length(std::string_view text, size_t units) {
    size_t used = 0, i = 0;
    while (i < text.size()) {
        size_t n = 0;
        const size_t u = unitsOf(next(text, i, n));
        if (used + u > units) break;
        used += u;
        i += n;
    }
    return std::string(text.substr(0, i));
}

std::string caseKey(std::string_view text) {
    std::string key;
    for (size_t i = 0, n = 0; i < text.size(); i += n) {
        const char32_t c = folded(next(text, i, n));
        if (c >= 0x110000) {
            key += text[i];  // a byte of no valid character stays itself
        } else if (c < 0x80) {
            key += char(c);
        } else if (c < 0x800) {
            key += char(0xC0 | (c >> 6));
            key += char(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            key += char(0xE0 | (c >> 12));
            key += char(0x80 | ((c >> 6) & 0x3F));
            key += char(0x80 | (c & 0x3F));
        } else {
            key += char(0xF0 | (c >> 18));
            key += char(0x80 | ((c >> 12) & 0x3F));
            key += char(0x80 | ((c >> 6) & 0x3F));
            key += char(0x80 | (c & 0x3F));
        }
    }
    return key;
}

bool sameIgnoringCase(std::string_view a, std::string_view b) {
    size_t i = 0, j = 0;
    while (i < a.size() && j < b.size()) {
        const unsigned char x = static_cast<unsigned char>(a[i]);
        const unsigned char y = static_cast<unsigned char>(b[j]);
        if (x < 0x80 && y < 0x80) {  // the common case, without the tables
            if (folded(x) != folded(y)) return false;
            ++i;
            ++j;
            continue;
        }
        size_t n = 0, m = 0;
        if (folded(next(a, i, n)) != folded(next(b, j, m))) return false;
        i += n;
        j += m;
    }
    return i == a.size() && j == b.size();
}

}  // namespace common
