#include "app/serve_format.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace app {

namespace {

enum class Tok { Literal, Zero, Hash, Question, Point, Comma, Percent, Exponent, At, Date, General };

struct Token {
    Tok kind;
    std::string text;  // literal text, exponent sign, or the date code ("yyyy", "AM/PM")
};

struct Section {
    std::vector<Token> tokens;
    std::string color;
    bool general = false;
    bool date = false;
    bool elapsedHours = false;
};

std::string lower(std::string s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

std::vector<std::string> splitSections(const std::string& f) {
    std::vector<std::string> out(1);
    bool quoted = false, bracket = false;
    for (std::size_t i = 0; i < f.size(); ++i) {
        const char c = f[i];
        if (quoted) {
            quoted = c != '"';
        } else if (bracket) {
            bracket = c != ']';
        } else if (c == '"') {
            quoted = true;
        } else if (c == '[') {
            bracket = true;
        } else if (c == '\\' && i + 1 < f.size()) {
            out.back() += c;
            out.back() += f[++i];
            continue;
        } else if (c == ';') {
            out.emplace_back();
            continue;
        }
        out.back() += c;
    }
    return out;
}

// A bracketed part: a colour, a currency with its locale, an elapsed-time
// code or a condition (conditions are not applied).
void bracketPart(const std::string& inner, Section& s) {
    static const char* const colors[] = {"black", "blue", "cyan",  "green",
                                         "magenta", "red", "white", "yellow"};
    const std::string l = lower(inner);
    for (const char* c : colors) {
        if (l == c) {
            s.color = c;
            return;
        }
    }
    if (!inner.empty() && inner[0] == '$') {
        const std::size_t dash = inner.find('-');
        const std::string symbol = inner.substr(1, dash == std::string::npos ? std::string::npos
                                                                             : dash - 1);
        if (!symbol.empty()) s.tokens.push_back({Tok::Literal, symbol});
        return;
    }
    if (!l.empty() && (l[0] == 'h' || l[0] == 'm' || l[0] == 's')) {
        s.tokens.push_back({Tok::Date, l});
        s.date = true;
        s.elapsedHours = l[0] == 'h';
    }
}

Section parseSection(const std::string& f) {
    Section s;
    for (std::size_t i = 0; i < f.size(); ++i) {
        const char c = f[i];
        const char lc = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        if (c == '"') {
            const std::size_t end = f.find('"', i + 1);
            s.tokens.push_back({Tok::Literal, f.substr(i + 1, end == std::string::npos
                                                                  ? std::string::npos
                                                                  : end - i - 1)});
            if (end == std::string::npos) break;
            i = end;
        } else if (c == '\\' && i + 1 < f.size()) {
            s.tokens.push_back({Tok::Literal, std::string(1, f[++i])});
        } else if (c == '_' && i + 1 < f.size()) {
            s.tokens.push_back({Tok::Literal, " "});
            ++i;
        } else if (c == '*' && i + 1 < f.size()) {
            ++i;  // fill character: not shown in a grid of fixed cells
        } else if (c == '[') {
            const std::size_t end = f.find(']', i);
            if (end == std::string::npos) break;
            bracketPart(f.substr(i + 1, end - i - 1), s);
            i = end;
        } else if (c == '0') {
            s.tokens.push_back({Tok::Zero, ""});
        } else if (c == '#') {
            s.tokens.push_back({Tok::Hash, ""});
        } else if (c == '?') {
            s.tokens.push_back({Tok::Question, ""});
        } else if (c == '.') {
            s.tokens.push_back({Tok::Point, ""});
        } else if (c == ',') {
            s.tokens.push_back({Tok::Comma, ""});
        } else if (c == '%') {
            s.tokens.push_back({Tok::Percent, ""});
        } else if (c == '@') {
            s.tokens.push_back({Tok::At, ""});
        } else if (lc == 'e' && i + 1 < f.size() && (f[i + 1] == '+' || f[i + 1] == '-')) {
            s.tokens.push_back({Tok::Exponent, std::string(1, f[++i])});
        } else if (lower(f.substr(i, 5)) == "am/pm") {
            s.tokens.push_back({Tok::Date, "am/pm"});
            s.date = true;
            i += 4;
        } else if (lower(f.substr(i, 7)) == "general") {
            s.tokens.push_back({Tok::General, ""});
            s.general = true;
            i += 6;
        } else if (lc == 'y' || lc == 'm' || lc == 'd' || lc == 'h' || lc == 's') {
            std::size_t j = i;
            while (j < f.size() && std::tolower(static_cast<unsigned char>(f[j])) == lc) ++j;
            s.tokens.push_back({Tok::Date, std::string(j - i, lc)});
            s.date = true;
            i = j - 1;
        } else {
            s.tokens.push_back({Tok::Literal, std::string(1, c)});
        }
    }
    return s;
}

// `a` (not negative) with `decimals` decimals, as a spreadsheet rounds it:
// to 15 significant digits first, then half away from zero ("%.*f" would
// round 1234.5 to the even 1234).
std::string fixedDigits(double a, int decimals) {
    if (!std::isfinite(a)) a = 0;  // callers show such values otherwise
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.14e", a);
    std::string digits;
    digits += buf[0];
    digits += std::string(buf + 2, 14);
    const int point = std::atoi(std::strchr(buf, 'e') + 1) + 1;  // digits before the point
    int keep = point + decimals;
    int intCount = point;
    if (keep < 0) {
        digits.clear();
        keep = 0;
        intCount = 0;
    } else if (keep < static_cast<int>(digits.size())) {
        const bool up = digits[static_cast<std::size_t>(keep)] >= '5';
        digits.resize(static_cast<std::size_t>(keep));
        if (up) {
            int i = keep - 1;
            for (; i >= 0 && digits[static_cast<std::size_t>(i)] == '9'; --i)
                digits[static_cast<std::size_t>(i)] = '0';
            if (i >= 0) {
                ++digits[static_cast<std::size_t>(i)];
            } else {
                digits.insert(digits.begin(), '1');  // 9.96 -> 10.0
                ++intCount;
            }
        }
    } else {
        digits.append(static_cast<std::size_t>(keep) - digits.size(), '0');
    }
    std::string intText, fracText;
    if (intCount <= 0) {
        intText = "0";
        fracText = std::string(static_cast<std::size_t>(-intCount), '0') + digits;
    } else {
        intText = digits.substr(0, static_cast<std::size_t>(intCount));
        fracText = digits.substr(static_cast<std::size_t>(intCount));
    }
    fracText.resize(static_cast<std::size_t>(decimals), '0');
    const std::size_t lead = intText.find_first_not_of('0');
    intText = lead == std::string::npos ? "0" : intText.substr(lead);
    return decimals > 0 ? intText + "." + fracText : intText;
}

bool isDigitToken(Tok k) {
    return k == Tok::Zero || k == Tok::Hash || k == Tok::Question;
}

// Excel's General in a standard column: up to 11 characters, scientific
// notation for numbers that do not fit.
std::string general(double v) {
    if (v == 0) return "0";
    const double a = std::fabs(v);
    char buf[64];
    if (a >= 1e11 || a < 1e-9) {
        std::snprintf(buf, sizeof buf, "%.5E", v);
        std::string s = buf;
        const std::size_t e = s.find('E');
        std::string mant = s.substr(0, e), exp = s.substr(e + 1);
        while (!mant.empty() && mant.back() == '0') mant.pop_back();
        if (!mant.empty() && mant.back() == '.') mant.pop_back();
        const char sign = exp[0];
        exp = exp.substr(1);
        while (exp.size() > 2 && exp[0] == '0') exp.erase(0, 1);
        return mant + "E" + sign + exp;
    }
    const int intDigits = a < 1 ? 1 : static_cast<int>(std::floor(std::log10(a))) + 1;
    const int decimals = std::max(0, 11 - intDigits - 1 - (v < 0 ? 1 : 0));
    std::string s = fixedDigits(a, decimals);
    if (v < 0) s.insert(0, "-");
    if (s.find('.') != std::string::npos) {
        while (s.back() == '0') s.pop_back();
        if (s.back() == '.') s.pop_back();
    }
    return s == "-0" ? "0" : s;
}

std::string groupThousands(const std::string& digits) {
    std::string out;
    const int n = static_cast<int>(digits.size());
    for (int i = 0; i < n; ++i) {
        if (i > 0 && (n - i) % 3 == 0) out += ',';
        out += digits[static_cast<std::size_t>(i)];
    }
    return out;
}

// Fills the placeholders of one part (integer or exponent) from the right;
// the leftmost placeholder takes every digit left over.
std::string fillRight(const std::vector<Token>& tokens, const std::string& digits, bool group) {
    // Literals between two placeholders (as in 000-0000) take part in the
    // positional fill; those before or after all digits only frame them.
    int placeholders = 0;
    bool literalsInside = false, literalPending = false;
    for (const Token& t : tokens) {
        if (isDigitToken(t.kind)) {
            literalsInside = literalsInside || literalPending;
            ++placeholders;
        } else if (t.kind == Tok::Literal && placeholders > 0) {
            literalPending = true;
        }
    }
    if (group && !literalsInside) {
        // Leading zeros asked for by the format, then the digits, grouped.
        std::string body = digits;
        int zeros = 0, seen = 0;
        for (const Token& t : tokens) {
            if (!isDigitToken(t.kind)) continue;
            if (placeholders - seen > static_cast<int>(digits.size()) && t.kind == Tok::Zero)
                ++zeros;
            ++seen;
        }
        body = std::string(static_cast<std::size_t>(zeros), '0') + body;
        std::string before, after;
        bool inDigits = false;
        for (const Token& t : tokens) {
            if (isDigitToken(t.kind)) {
                inDigits = true;
            } else if (t.kind == Tok::Literal) {
                (inDigits ? after : before) += t.text;
            }
        }
        return before + groupThousands(body) + after;
    }
    std::string out;
    int next = static_cast<int>(digits.size()) - 1;
    int seen = 0;
    for (auto it = tokens.rbegin(); it != tokens.rend(); ++it) {
        if (it->kind == Tok::Literal) {
            out.insert(0, it->text);
            continue;
        }
        if (!isDigitToken(it->kind)) continue;
        ++seen;
        if (seen == placeholders) {
            // The leftmost placeholder: every digit still left.
            if (next >= 0) {
                out.insert(0, digits.substr(0, static_cast<std::size_t>(next + 1)));
                next = -1;
            } else if (it->kind == Tok::Zero) {
                out.insert(0, "0");
            } else if (it->kind == Tok::Question) {
                out.insert(0, " ");
            }
        } else if (next >= 0) {
            out.insert(0, 1, digits[static_cast<std::size_t>(next--)]);
        } else if (it->kind == Tok::Zero) {
            out.insert(0, "0");
        } else if (it->kind == Tok::Question) {
            out.insert(0, " ");
        }
    }
    return out;
}

std::string formatNumber(double v, const Section& s, bool minus) {
    // Split the tokens: integer part, fraction part, exponent part.
    std::vector<Token> intPart, fracPart, expPart;
    std::string expSign;
    int stage = 0;  // 0 integer, 1 fraction, 2 exponent
    bool point = false, group = false;
    int percents = 0, scale = 0, fracPlaces = 0;
    for (std::size_t i = 0; i < s.tokens.size(); ++i) {
        const Token& t = s.tokens[i];
        switch (t.kind) {
            case Tok::Point:
                if (stage == 0) {
                    stage = 1;
                    point = true;
                } else {
                    (stage == 1 ? fracPart : expPart).push_back({Tok::Literal, "."});
                }
                break;
            case Tok::Exponent:
                stage = 2;
                expSign = t.text;
                break;
            case Tok::Comma: {
                // Between digit placeholders: thousands; after the last
                // integer placeholder: divides by 1000.
                bool digitBefore = false, digitAfter = false;
                for (std::size_t j = 0; j < i; ++j) digitBefore |= isDigitToken(s.tokens[j].kind);
                if (i + 1 < s.tokens.size()) digitAfter = isDigitToken(s.tokens[i + 1].kind);
                if (stage == 0 && digitBefore && digitAfter) group = true;
                else if (stage == 0 && digitBefore) ++scale;
                else (stage == 0 ? intPart : stage == 1 ? fracPart : expPart).push_back({Tok::Literal, ","});
                break;
            }
            case Tok::Percent:
                ++percents;
                (stage == 0 ? intPart : stage == 1 ? fracPart : expPart).push_back({Tok::Literal, "%"});
                break;
            case Tok::At:
            case Tok::Date:
                break;
            default:
                // As many decimals as a spreadsheet shows: 30.
                if (stage == 1 && isDigitToken(t.kind) && ++fracPlaces > 30) break;
                (stage == 0 ? intPart : stage == 1 ? fracPart : expPart).push_back(t);
        }
    }
    double a = std::fabs(v);
    for (int i = 0; i < percents; ++i) a *= 100;
    for (int i = 0; i < scale; ++i) a /= 1000;
    if (!std::isfinite(a)) return std::string(11, '#');  // too large to show, like a full cell
    int fracDigits = 0, intDigits = 0;
    for (const Token& t : fracPart) fracDigits += isDigitToken(t.kind) ? 1 : 0;
    for (const Token& t : intPart) intDigits += isDigitToken(t.kind) ? 1 : 0;

    int exponent = 0;
    if (!expSign.empty() && a != 0) {
        const int k = std::max(1, intDigits);
        exponent = static_cast<int>(std::floor(std::log10(a)));
        exponent = k > 1 ? static_cast<int>(std::floor(static_cast<double>(exponent) / k)) * k
                         : exponent - (intDigits > 1 ? intDigits - 1 : 0);
        a /= std::pow(10.0, exponent);
        // Rounding may carry the mantissa to the next power of ten.
        if (std::strtod(fixedDigits(a, fracDigits).c_str(), nullptr) >= std::pow(10.0, k)) {
            exponent += k;
            a /= std::pow(10.0, k);
        }
    }
    const std::string num = fixedDigits(a, fracDigits);
    const std::size_t dot = num.find('.');
    std::string intDigitsText = dot == std::string::npos ? num : num.substr(0, dot);
    std::string fracDigitsText = dot == std::string::npos ? "" : num.substr(dot + 1);
    if (intDigitsText == "0") intDigitsText.clear();
    const bool allZero =
        intDigitsText.empty() && fracDigitsText.find_first_not_of('0') == std::string::npos;

    std::string out = fillRight(intPart, intDigitsText, group);
    if (point) out += '.';
    // Fraction placeholders from the left; trailing zeros of '#' vanish and
    // those of '?' become blanks.
    std::string frac;
    std::size_t next = 0;
    for (const Token& t : fracPart) {
        if (t.kind == Tok::Literal) {
            frac += t.text;
        } else if (isDigitToken(t.kind)) {
            frac += next < fracDigitsText.size() ? fracDigitsText[next] : '0';
            ++next;
        }
    }
    // Walk back over the placeholders to drop optional trailing zeros.
    {
        std::size_t pos = frac.size();
        for (auto it = fracPart.rbegin(); it != fracPart.rend(); ++it) {
            if (it->kind == Tok::Literal) {
                pos -= it->text.size();
                continue;
            }
            if (!isDigitToken(it->kind)) continue;
            --pos;
            if (frac[pos] != '0' || it->kind == Tok::Zero) break;
            if (it->kind == Tok::Hash) frac.erase(pos, 1);
            else frac[pos] = ' ';
        }
    }
    out += frac;
    if (!expSign.empty()) {
        std::string e = std::to_string(std::abs(exponent));
        out += "E";
        out += exponent < 0 ? "-" : (expSign == "+" ? "+" : "");
        out += fillRight(expPart, e == "0" ? "" : e, false);
    }
    if (minus && !allZero) out.insert(0, "-");
    return out;
}

// Days since 1899-12-30 (with the 1900 leap day that never was) to a date.
void civilDate(long serial, int& y, int& m, int& d) {
    if (serial == 60) {
        y = 1900, m = 2, d = 29;
        return;
    }
    long days = serial < 60 ? serial + 1 : serial;  // from 1899-12-30
    // Howard Hinnant's days-from-civil inverse, from 1970-01-01.
    long z = days - 25569 + 719468;
    const long era = (z >= 0 ? z : z - 146096) / 146097;
    const long doe = z - era * 146097;
    const long yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const long doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const long mp = (5 * doy + 2) / 153;
    d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    y = static_cast<int>(yoe + era * 400 + (m <= 2 ? 1 : 0));
}

std::string two(int v) {
    char b[16];
    std::snprintf(b, sizeof b, "%02d", v);
    return b;
}

std::string formatDate(double v, const Section& s) {
    static const char* const months[] = {"January", "February", "March",     "April",
                                         "May",     "June",     "July",      "August",
                                         "September", "October", "November", "December"};
    static const char* const days[] = {"Sunday",   "Monday", "Tuesday", "Wednesday",
                                       "Thursday", "Friday", "Saturday"};
    long whole = static_cast<long>(std::floor(v));
    // Seconds are cut, not rounded (23:59:59.9 stays on its day), after a
    // hair's breadth for the error of a third of a day in binary.
    long seconds = static_cast<long>(std::floor((v - static_cast<double>(whole)) * 86400.0 + 5e-4));
    if (seconds >= 86400) {
        ++whole;
        seconds -= 86400;
    }
    int y = 0, mo = 0, d = 0;
    civilDate(whole, y, mo, d);
    const int hour = static_cast<int>(seconds / 3600), minute = static_cast<int>(seconds / 60 % 60),
              second = static_cast<int>(seconds % 60);
    bool ampm = false;
    for (const Token& t : s.tokens) ampm |= t.kind == Tok::Date && t.text == "am/pm";
    std::string out;
    for (std::size_t i = 0; i < s.tokens.size(); ++i) {
        const Token& t = s.tokens[i];
        if (t.kind == Tok::Literal) {
            out += t.text;
            continue;
        }
        if (t.kind == Tok::Comma) {
            out += ',';
            continue;
        }
        if (t.kind == Tok::Point) {
            const bool fraction = i + 1 < s.tokens.size() && s.tokens[i + 1].kind == Tok::Zero;
            if (!fraction) out += '.';
            continue;  // fractions of seconds are not shown
        }
        if (t.kind == Tok::Zero) continue;
        if (t.kind != Tok::Date) continue;
        const std::string& c = t.text;
        // "m" after an hour or before a second means minutes.
        bool minutes = false;
        if (c[0] == 'm') {
            for (std::size_t j = i; j-- > 0;) {
                if (s.tokens[j].kind != Tok::Date) continue;
                minutes = s.tokens[j].text[0] == 'h';
                break;
            }
            for (std::size_t j = i + 1; j < s.tokens.size() && !minutes; ++j) {
                if (s.tokens[j].kind != Tok::Date) continue;
                minutes = s.tokens[j].text[0] == 's';
                break;
            }
        }
        if (c == "am/pm") {
            out += hour < 12 ? "AM" : "PM";
        } else if (c[0] == 'y') {
            out += c.size() <= 2 ? two(y % 100) : std::to_string(y);
        } else if (c[0] == 'm' && !minutes) {
            if (c.size() == 1) out += std::to_string(mo);
            else if (c.size() == 2) out += two(mo);
            else if (c.size() == 3) out += std::string(months[mo - 1]).substr(0, 3);
            else if (c.size() == 5) out += std::string(months[mo - 1]).substr(0, 1);
            else out += months[mo - 1];
        } else if (c[0] == 'm') {
            out += c.size() >= 2 ? two(minute) : std::to_string(minute);
        } else if (c[0] == 'd') {
            const int weekday = static_cast<int>(((whole % 7) + 6) % 7);  // serial 1 is a Sunday
            if (c.size() == 1) out += std::to_string(d);
            else if (c.size() == 2) out += two(d);
            else if (c.size() == 3) out += std::string(days[weekday]).substr(0, 3);
            else out += days[weekday];
        } else if (c[0] == 'h') {
            int h = s.elapsedHours ? static_cast<int>(whole * 24 + hour) : hour;
            if (ampm && !s.elapsedHours) h = h % 12 == 0 ? 12 : h % 12;
            out += c.size() >= 2 ? two(h) : std::to_string(h);
        } else if (c[0] == 's') {
            out += c.size() >= 2 ? two(second) : std::to_string(second);
        }
    }
    return out;
}

}  // namespace

ShownValue formatValue(const host::Value& value, const std::string& format) {
    ShownValue shown;
    if (value.isNil()) return shown;
    if (value.isBool()) {
        shown.text = value.boolean ? "TRUE" : "FALSE";
        return shown;
    }
    if (value.isErr()) {
        shown.text = host::errorText(value.err);
        return shown;
    }
    const std::vector<std::string> parts =
        splitSections(format.empty() ? std::string("General") : format);
    if (value.isStr()) {
        std::string pattern;
        if (parts.size() >= 4) pattern = parts[3];
        else if (parts.size() == 1 && parts[0].find('@') != std::string::npos) pattern = parts[0];
        if (pattern.empty()) {
            shown.text = value.str;
            return shown;
        }
        Section s = parseSection(pattern);
        shown.color = s.color;
        for (const Token& t : s.tokens) {
            if (t.kind == Tok::At) shown.text += value.str;
            else if (t.kind == Tok::Literal) shown.text += t.text;
        }
        return shown;
    }
    if (!value.isNum()) {
        shown.text = host::valueToText(value);
        return shown;
    }
    const double v = value.num;
    if (!std::isfinite(v)) {
        shown.text = "#NUM!";
        return shown;
    }
    std::size_t index = 0;
    bool minus = false;
    const std::size_t numeric = std::min<std::size_t>(parts.size(), 3);
    if (v < 0) {
        if (numeric >= 2) index = 1;
        else minus = true;
    } else if (v == 0 && numeric >= 3) {
        index = 2;
    }
    Section s = parseSection(parts[index]);
    shown.color = s.color;
    if (parts[index].empty()) return shown;  // an empty section shows nothing
    if (s.general) {
        for (const Token& t : s.tokens) {
            if (t.kind == Tok::Literal) shown.text += t.text;
            else if (t.kind == Tok::General) shown.text += general(index == 1 ? std::fabs(v) : v);
        }
        return shown;
    }
    if (s.date) {
        if (v < 0 || v > 2958465) {
            shown.text = std::string(11, '#');
            return shown;
        }
        shown.text = formatDate(v, s);
        return shown;
    }
    shown.text = formatNumber(v, s, minus);
    return shown;
}

}  // namespace app
