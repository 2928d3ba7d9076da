#include "host/address.h"

#include <cctype>

#include "common/names.h"

namespace host {

std::string columnLetters(int col) {
    std::string s;
    int c = col + 1;
    while (c > 0) {
        int rem = (c - 1) % 26;
        s.insert(s.begin(), static_cast<char>('A' + rem));
        c = (c - 1) / 26;
    }
    return s;
}

std::string a1Cell(int row, int col, bool rowAbs, bool colAbs) {
    std::string s;
    if (colAbs) s += '$';
    s += columnLetters(col);
    if (rowAbs) s += '$';
    s += std::to_string(row + 1);
    return s;
}

std::string a1Rect(const Rect& r, bool absolute) {
    std::string s = a1Cell(r.row1, r.col1, absolute, absolute);
    if (r.row1 != r.row2 || r.col1 != r.col2) s += ":" + a1Cell(r.row2, r.col2, absolute, absolute);
    return s;
}

bool sameText(const std::string& a, const std::string& b) {
    return common::sameIgnoringCase(a, b);
}

namespace {
bool isAlpha(char c) {
    return std::isalpha(static_cast<unsigned char>(c)) != 0;
}
bool isDigit(char c) {
    return std::isdigit(static_cast<unsigned char>(c)) != 0;
}

// Reads column letters at `i`; -1 when there are none or they pass IV.
int readColumn(const std::string& s, size_t& i) {
    int col = 0;
    size_t start = i;
    while (i < s.size() && isAlpha(s[i]) && i - start < 3) {
        col = col * 26 + (std::toupper(static_cast<unsigned char>(s[i])) - 'A' + 1);
        ++i;
    }
    if (i == start || col > kMaxCols) return -1;
    return col - 1;
}

// Reads a positive decimal number at `i` (at most `limit`); -1 when absent.
int readNumber(const std::string& s, size_t& i, int limit) {
    size_t start = i;
    long v = 0;
    while (i < s.size() && isDigit(s[i])) {
        v = v * 10 + (s[i] - '0');
        if (v > limit) return -1;
        ++i;
    }
    if (i == start) return -1;
    return static_cast<int>(v);
}

bool readA1Corner(const std::string& s, size_t& i, int& row, int& col) {
    if (i < s.size() && s[i] == '$') ++i;
    col = readColumn(s, i);
    if (col < 0) return false;
    if (i < s.size() && s[i] == '$') ++i;
    int r = readNumber(s, i, kMaxRows);
    if (r < 1) return false;
    row = r - 1;
    return true;
}

bool readR1C1Corner(const std::string& s, size_t& i, int& row, int& col) {
    if (i >= s.size() || (s[i] != 'R' && s[i] != 'r')) return false;
    ++i;
    int r = readNumber(s, i, kMaxRows);
    if (r < 1 || i >= s.size() || (s[i] != 'C' && s[i] != 'c')) return false;
    ++i;
    int c = readNumber(s, i, kMaxCols);
    if (c < 1) return false;
    row = r - 1;
    col = c - 1;
    return true;
}

template <typename ReadCorner>
std::optional<Rect> parseArea(const std::string& text, ReadCorner read) {
    size_t i = 0;
    Rect r;
    if (!read(text, i, r.row1, r.col1)) return std::nullopt;
    r.row2 = r.row1;
    r.col2 = r.col1;
    if (i < text.size() && text[i] == ':') {
        ++i;
        if (!read(text, i, r.row2, r.col2)) return std::nullopt;
    }
    if (i != text.size()) return std::nullopt;
    if (r.row1 > r.row2) std::swap(r.row1, r.row2);
    if (r.col1 > r.col2) std::swap(r.col1, r.col2);
    return r;
}

// True when the text would read as an A1 or R1C1 cell reference.
bool looksLikeCell(const std::string& s) {
    size_t i = 0;
    int r, c;
    if (readA1Corner(s, i, r, c) && i == s.size()) return true;
    i = 0;
    return readR1C1Corner(s, i, r, c) && i == s.size();
}
}  // namespace

bool sheetNameNeedsQuotes(const std::string& name) {
    if (name.empty()) return true;
    if (!(isAlpha(name[0]) || name[0] == '_')) return true;
    for (char ch : name) {
        auto c = static_cast<unsigned char>(ch);
        if (!(std::isalnum(c) || c == '_')) return true;
    }
    std::string upper;
    for (char ch : name) upper += static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
    return looksLikeCell(name) || upper == "R" || upper == "C" || upper == "TRUE" ||
           upper == "FALSE";
}

std::string sheetPrefix(const std::string& sheet, const std::string& book) {
    std::string full = book.empty() ? sheet : "[" + book + "]" + sheet;
    bool quote = sheetNameNeedsQuotes(sheet) ||
                 (!book.empty() && book.find_first_of(" '!-()+,;") != std::string::npos);
    if (!quote) return full + "!";
    std::string q = "'";
    for (char c : full) {
        q += c;
        if (c == '\'') q += '\'';
    }
    return q + "'!";
}

std::string sheetNameProblem(const std::string& name) {
    if (name.empty()) return "a sheet name cannot be empty";
    // Counted as the file format counts them (UTF-16 units), not in bytes.
    if (common::utf16Length(name) > 31) return "a sheet name cannot be longer than 31 characters";
    if (name.find_first_of("[]:*?/\\") != std::string::npos)
        return "a sheet name cannot contain any of [ ] : * ? / \\";
    for (char c : name)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F)
            return "a sheet name cannot contain control characters";
    if (name.front() == '\'' || name.back() == '\'')
        return "a sheet name cannot begin or end with an apostrophe";
    return "";
}

std::optional<Rect> parseA1Area(const std::string& text) {
    return parseArea(text, readA1Corner);
}

std::optional<Rect> parseR1C1Area(const std::string& text) {
    return parseArea(text, readR1C1Corner);
}

void splitBookSheet(const std::string& text, std::string& book, std::string& sheet) {
    book.clear();
    sheet = text;
    if (!text.empty() && text[0] == '[') {
        size_t close = text.find(']');
        if (close != std::string::npos) {
            book = text.substr(1, close - 1);
            sheet = text.substr(close + 1);
        }
    }
}

bool splitSheetReference(const std::string& text, std::string& book, std::string& sheet,
                         std::string& ref) {
    book.clear();
    sheet.clear();
    ref = text;
    if (!text.empty() && text[0] == '\'') {
        std::string name;
        size_t i = 1;
        for (;; ++i) {
            if (i >= text.size()) return false;
            if (text[i] == '\'') {
                if (i + 1 < text.size() && text[i + 1] == '\'') {
                    name += '\'';
                    ++i;
                    continue;
                }
                break;
            }
            name += text[i];
        }
        if (i + 1 >= text.size() || text[i + 1] != '!') return false;
        splitBookSheet(name, book, sheet);
        ref = text.substr(i + 2);
        return true;
    }
    size_t bang = text.rfind('!');
    if (bang == std::string::npos) return true;
    splitBookSheet(text.substr(0, bang), book, sheet);
    ref = text.substr(bang + 1);
    return true;
}

}  // namespace host
