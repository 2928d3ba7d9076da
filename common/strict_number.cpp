#include "common/strict_number.h"

#include <charconv>
#include <cmath>
#include <string>

namespace common {

namespace {

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

// The length of a decimal number's text at the start of `t` (0 when none):
// [sign] digits [. digits] [e [sign] digits], at least one mantissa digit.
size_t decimalLength(std::string_view t) {
    size_t i = 0;
    if (i < t.size() && (t[i] == '+' || t[i] == '-')) ++i;
    size_t digits = 0;
    while (i < t.size() && isDigit(t[i])) ++i, ++digits;
    if (i < t.size() && t[i] == '.') {
        ++i;
        while (i < t.size() && isDigit(t[i])) ++i, ++digits;
    }
    if (digits == 0) return 0;
    if (i < t.size() && (t[i] == 'e' || t[i] == 'E')) {
        size_t j = i + 1;
        if (j < t.size() && (t[j] == '+' || t[j] == '-')) ++j;
        size_t expDigits = 0;
        while (j < t.size() && isDigit(t[j])) ++j, ++expDigits;
        if (expDigits > 0) i = j;
    }
    return i;
}

}  // namespace

bool strictInteger(std::string_view text, long long& value) {
    std::string_view t = text;
    if (!t.empty() && t[0] == '+') t.remove_prefix(1);
    if (t.empty() || !(isDigit(t[0]) || (t[0] == '-' && t.size() > 1 && isDigit(t[1]))))
        return false;
    long long v = 0;
    auto [end, ec] = std::from_chars(t.data(), t.data() + t.size(), v);
    if (ec != std::errc() || end != t.data() + t.size()) return false;
    value = v;
    return true;
}

bool strictDecimal(std::string_view text, double& value) {
    if (text.empty() || decimalLength(text) != text.size()) return false;
    std::string_view t = text;
    if (t[0] == '+') t.remove_prefix(1);
    double v = 0;
    auto [end, ec] = std::from_chars(t.data(), t.data() + t.size(), v);
    if (ec != std::errc() || end != t.data() + t.size() || !std::isfinite(v)) return false;
    value = v;
    return true;
}

size_t strictDecimalPrefix(std::string_view text, std::string_view stops) {
    const size_t n = decimalLength(text);
    if (n == 0) return 0;
    if (n < text.size() && stops.find(text[n]) == std::string_view::npos) return 0;
    double ignored = 0;
    return strictDecimal(text.substr(0, n), ignored) ? n : 0;
}

}  // namespace common
