// Reading and writing instance files, and writing solution files.
#include "files/instance_file.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <new>
#include <sstream>
#include <unordered_map>

#include "common/limits.h"
#include "common/strict_number.h"
#include "common/text_input.h"
#include "common/whole_file.h"
#include "instance/instance.h"
#include "shell/host_api.h"

namespace {

constexpr size_t kMaxNameLength = 127;
// The fewest bytes a record can take: one per field ("0:" for a sum, "0(1)"
// for a term; some fields need no blank between them).
constexpr size_t kLeastQtbCellBytes = 13;
constexpr size_t kLeastWqCellBytes = 10;
constexpr size_t kLeastSumBytes = 2;
constexpr size_t kLeastWqSumBytes = 3;
constexpr size_t kLeastTermBytes = 4;
constexpr size_t kHostTextLimit = 255;

// Instance files are text of at most this size: 4 000 000 cells at about 110
// bytes each, with their sums.
constexpr size_t kMaxInstanceFileBytes = size_t(1) << 30;

bool isBlank(char c) { return std::isspace(static_cast<unsigned char>(c)) != 0; }

// A reader over the file's text that knows the line it is on.
class Scanner {
public:
    explicit Scanner(const std::string& text) : text_(text) {}
    int line() const { return line_; }
    // The line of the last field read (where a file that ends early stops).
    int lastFieldLine() const { return lastFieldLine_; }

    bool atEnd() {
        skipSpace();
        return pos_ >= text_.size();
    }
    // Bytes not read yet.
    size_t remaining() const { return text_.size() - pos_; }
    // A whole decimal number of at most nine digits, followed by a blank, the
    // end, or one of `stops` (so "3:" and "-1)" read well, "12abc" and
    // "0x1f" do not).
    bool readInt(long& value, const char* stops = "") {
        skipSpace();
        size_t start = pos_;
        if (pos_ < text_.size() && (text_[pos_] == '-' || text_[pos_] == '+')) ++pos_;
        size_t digits = pos_;
        while (pos_ < text_.size() && std::isdigit(static_cast<unsigned char>(text_[pos_]))) ++pos_;
        const bool ended = pos_ >= text_.size() || isBlank(text_[pos_]) ||
                           std::strchr(stops, text_[pos_]) != nullptr;
        if (pos_ == digits || pos_ - digits > 9 || !ended) {
            pos_ = start;
            return false;
        }
        value = std::strtol(text_.c_str() + start, nullptr, 10);
        return true;
    }
    // A decimal number that is a whole blank-separated token: no hexadecimal,
    // no text after it; false (the scanner stays put) otherwise.
    bool readDouble(double& value) {
        skipSpace();
        size_t end = pos_;
        while (end < text_.size() && !isBlank(text_[end])) ++end;
        if (!common::strictDecimal(std::string_view(text_).substr(pos_, end - pos_), value))
            return false;
        pos_ = end;
        return true;
    }
    // A finite number (readDouble refuses "inf", "nan" and overflows).
    bool readFinite(double& value) { return readDouble(value); }
    // A count: a whole number that is not negative (the scanner stays put at
    // any other).
    bool readCount(long& value, const char* stops = "") {
        skipSpace();
        const size_t start = pos_;
        if (!readInt(value, stops)) return false;
        if (value >= 0) return true;
        pos_ = start;
        return false;
    }
    // A blank-free word of at most `limit` characters; `tooLong` tells why not.
    bool readWord(std::string& word, size_t limit, bool& tooLong) {
        skipSpace();
        size_t start = pos_;
        while (pos_ < text_.size() && !std::isspace(static_cast<unsigned char>(text_[pos_]))) ++pos_;
        word.assign(text_, start, pos_ - start);
        tooLong = word.size() > limit;
        return !word.empty() && !tooLong;
    }
    bool readChar(char& c) {
        skipSpace();
        if (pos_ >= text_.size()) return false;
        c = text_[pos_++];
        return true;
    }
    bool expect(char c) {
        skipSpace();
        if (pos_ >= text_.size() || text_[pos_] != c) return false;
        ++pos_;
        return true;
    }

private:
    void skipSpace() {
        while (pos_ < text_.size() && std::isspace(static_cast<unsigned char>(text_[pos_]))) {
            if (text_[pos_] == '\n') ++line_;
            ++pos_;
        }
        if (pos_ < text_.size()) lastFieldLine_ = line_;
    }
    const std::string& text_;
    size_t pos_ = 0;
    int line_ = 1;
    int lastFieldLine_ = 1;
};

struct Loader {
    const std::string& path;
    Scanner in;
    InstanceFormat format;
    // Terms name cells by number; a walk of the cell list per term would make
    // loading a big instance take quadratic time.
    std::unordered_map<int32_t, Cell*> cellsByNumber{};

    // Reports a content error at the current line and fails the load.
    int refuse(const std::string& what, int line = 0) {
        if (line == 0) line = in.line();
        std::string after = ", line " + std::to_string(line) + ": " + what;
        ShowAlert(messageWithPath(" Error in instance file ", path, after.c_str()).c_str(), 1);
        return 1;
    }
    // The reason for a missing field: the end of the file or a malformed token.
    int refuseField(const char* field) {
        if (in.atEnd())
            return refuse(std::string("the file ends before the ") + field, in.lastFieldLine());
        return refuse(std::string("malformed ") + field);
    }
    bool readFinite(double& v) { return in.readFinite(v); }
    // A count of records that the rest of the file cannot hold, at `least`
    // bytes each, is refused before anything is allocated for them.
    bool tooShortFor(long count, size_t least) const {
        return static_cast<unsigned long>(count) > in.remaining() / least;
    }
    // The file ends where record `done` of `count` should begin.
    int refuseEnded(long done, long count, const char* records, const char* announcer) {
        return refuse("the file ends after " + std::to_string(done) + " of the " +
                          std::to_string(count) + " " + records + " " + announcer + " announces",
                      in.lastFieldLine());
    }
    int refuseTooShort(long count, const char* records, const char* announcer) {
        return refuse("the file is too short for the " + std::to_string(count) + " " + records +
                      " " + announcer + " announces");
    }

    int readCells(long count);
    int readSums(long count);
    int run();
};

int Loader::readCells(long count) {
    InstanceState& s = gInstance;
    const bool qtb = format == InstanceFormat::Qtb;
    ShowStatus(" Start reading cells!");
    for (long i = 0; i < count; ++i) {
        if (in.atEnd()) return refuseEnded(i, count, "cells", "its count");
        Cell* cell = newCell();
        if (!cell) {
            std::string text = " Cannot allocate memory for cell number " + std::to_string(i) + "!";
            ShowAlert(text.c_str(), 1);
            return 1;
        }
        // Linked at once, so a failure releases it with the instance.
        cell->next = s.cellList;
        s.cellList = cell;
        long number = 0, sheet = 0, row = 0, col = 0, weight = 0;
        std::string name;
        bool tooLong = false;
        if (!in.readInt(number)) return refuseField("cell number");
        if (!in.readWord(name, kMaxNameLength, tooLong))
            return tooLong ? refuse("a cell name is longer than 127 characters")
                           : refuseField("cell name");
        if (!readFinite(cell->nominal)) return refuseField("cell value (a finite number)");
        if (qtb) {
            if (!in.readInt(sheet) || !in.readInt(row) || !in.readInt(col))
                return refuseField("sheet, row and column");
            if (row < 0 || row > 65535 || col < 0 || col > 255)
                return refuse("a cell position lies outside the worksheet grid");
            if (sheet < 0 || sheet >= common::kMaxSheets)
                return refuse("a cell's sheet position lies outside 0 ... " +
                              std::to_string(common::kMaxSheets - 1) + " (a workbook has at most " +
                              std::to_string(common::kMaxSheets) + " sheets)");
        }
        if (!in.readInt(weight)) return refuseField("weight");
        char status = 0;
        if (!in.readChar(status)) return refuseField("status");
        if (status != 's' && status != 'u' && status != 'z')
            return refuse("a status must be s, u or z");
        if (!readFinite(cell->lbd) || !readFinite(cell->ubd) || !readFinite(cell->lpl) ||
            !readFinite(cell->upl) || !readFinite(cell->spl))
            return refuseField("bounds and protection levels (finite numbers)");

        cell->number = int32_t(number);
        cellsByNumber[cell->number] = cell;  // with duplicates, the cell read last
        cell->sheet = int32_t(sheet);
        cell->row = int32_t(row);
        cell->col = int32_t(col);
        cell->weight = int32_t(weight);
        cell->status = status;
        cell->rounded = cell->nominal;
        if (qtb) {
            if (cell->col > s.maxCol) s.maxCol = cell->col;
            if (cell->row > s.maxRow) s.maxRow = cell->row;
            if (cell->sheet > s.sheetCount) s.sheetCount = cell->sheet;
        }
        if (!setCellName(cell, name.c_str())) {
            std::string text = " Cannot allocate memory for cell name " + name + "!";
            ShowAlert(text.c_str(), 1);
            return 1;
        }
        ++s.ncells;
        if (i % 10000 == 0) ShowStatus((" " + std::to_string(i) + " cells read").c_str());
    }
    ShowStatus(" Cell reading complete!");
    return 0;
}

int Loader::readSums(long count) {
    InstanceState& s = gInstance;
    for (long e = 0; e < count; ++e) {
        if (in.atEnd()) return refuseEnded(e, count, "sums", "its count");
        Sum* sum = newSum(0, 0, 0, nullptr, nullptr, nullptr, 0);
        if (!sum) {
            ShowAlert(" Cannot allocate enough memory!", 1);
            return 1;
        }
        // Linked at once, so a failure releases it with the instance.
        sum->next = s.sumList;
        s.sumList = sum;
        if (format == InstanceFormat::Wq) {
            double rhs;
            if (!readFinite(rhs)) return refuseField("right-hand side of a sum");
        }
        long terms = 0;
        if (!in.readCount(terms, ":")) return refuseField("term count of a sum");
        if (!in.expect(':')) return refuseField("colon after the term count");
        if (tooShortFor(terms, kLeastTermBytes)) return refuseTooShort(terms, "terms", "the sum");
        sum->termCount = int32_t(terms);
        double total = 0;
        for (long t = 0; t < terms; ++t) {
            if (in.atEnd()) return refuseEnded(t, terms, "terms", "the sum");
            long number = 0, coef = 0;
            if (!in.readInt(number, "(")) return refuseField("cell number of a term");
            if (!in.expect('(') || !in.readInt(coef, ")") || !in.expect(')'))
                return refuseField("coefficient in parentheses");
            if (coef != 1 && coef != -1) return refuse("a coefficient must be 1 or -1");
            auto found = cellsByNumber.find(int32_t(number));
            Cell* cell = found == cellsByNumber.end() ? nullptr : found->second;
            if (!cell) {
                std::string text = " Cannot find cell with index " + std::to_string(number) + "!";
                ShowAlert(text.c_str(), 1);
                return 1;
            }
            SumTerm* term = newSumTerm(cell, int16_t(coef), sum->terms);
            if (!term) {
                ShowAlert(" Cannot allocate enough memory!", 1);
                return 1;
            }
            sum->terms = term;
            ++cell->useCount;
            total += double(coef) * cell->nominal;
        }
        ++s.nsums;
        if (total < -0.01 || total > 0.01) {
            std::string text = " Error in equation number " + std::to_string(e) + "!";
            ShowAlert(text.c_str(), 1);
            return 1;
        }
        if (e % 10000 == 0) ShowStatus((" " + std::to_string(e) + " sums read").c_str());
    }
    ShowStatus(" Sums read");
    return 0;
}

int Loader::run() {
    InstanceState& s = gInstance;
    long mark = 0;
    if (!in.readInt(mark)) return refuseField("format mark");
    long cells = 0;
    if (!in.readCount(cells)) return refuseField("number of cells");
    if (tooShortFor(cells, format == InstanceFormat::Qtb ? kLeastQtbCellBytes : kLeastWqCellBytes))
        return refuseTooShort(cells, "cells", "its count");
    if (readCells(cells)) return 1;
    s.origin = format == InstanceFormat::Qtb ? InstanceOrigin::InstanceFile : InstanceOrigin::WqFile;
    if (format == InstanceFormat::Qtb && buildCellIndex(0) != 0) return 1;
    long sums = 0;
    if (!in.readCount(sums)) return refuseField("number of sums");
    if (tooShortFor(sums, format == InstanceFormat::Wq ? kLeastWqSumBytes : kLeastSumBytes))
        return refuseTooShort(sums, "sums", "its count");
    if (readSums(sums)) return 1;
    if (format == InstanceFormat::Qtb) {
        double base = 0;
        if (!readFinite(base)) return refuseField("base number (a finite number)");
        if (base <= 0) return refuse("the base number must be positive");
        gOptions.basenumber = base;
    } else if (!in.atEnd()) {
        double unused = 0;  // the base a .wq file carries is not used
        if (!readFinite(unused)) return refuse("malformed base number (a finite number)");
    }
    // Anything after the last field is a file that is not what it seems.
    if (!in.atEnd()) return refuse("the file goes on after its base number");
    s.sheetCount += 1;
    gOptions.keepLoaded = 1;
    return 0;
}

void writeSums(FILE* f, bool wq) {
    for (const Sum* sum = gInstance.sumList; sum; sum = sum->next) {
        if (wq) std::fputs("0 ", f);
        std::fprintf(f, "%d : ", sum->termCount);
        for (const SumTerm* t = sum->terms; t; t = t->next)
            std::fprintf(f, " %d (%d)", t->cell ? t->cell->number : -1, int(t->coef));
        std::fputs("\n", f);
    }
}

const char* nameOf(const Cell* c) { return c->name && *c->name ? c->name : "-"; }

}  // namespace

std::string messageWithPath(const char* before, const std::string& path, const char* after) {
    // The first character of `before` is the reserved length byte.
    size_t fixed = std::strlen(before) - 1 + std::strlen(after);
    std::string shown = path;
    if (fixed + shown.size() > kHostTextLimit) {
        size_t room = fixed + 3 < kHostTextLimit ? kHostTextLimit - fixed - 3 : 0;
        shown = "..." + shown.substr(shown.size() - room);
    }
    return std::string(before) + shown + after;
}

InstanceFormat instanceFileFormat(const std::string& path, bool& opened) {
    opened = bool(std::ifstream(path));
    const std::string mark = opened ? common::firstWordOfTextFile(path) : "";
    if (mark == "-2") return InstanceFormat::Qtb;
    if (mark == "0") return InstanceFormat::Wq;
    return InstanceFormat::Unknown;
}

int readInstanceFile(const std::string& path, InstanceFormat format) {
    std::string text, why;
    if (format == InstanceFormat::Unknown || !std::ifstream(path)) {
        ShowAlert(messageWithPath(" Cannot open file ", path, " for reading!").c_str(), 1);
        return 1;
    }
    if (!common::readTextFile(path, kMaxInstanceFileBytes, text, why)) {
        const std::string after = ": " + why;
        ShowAlert(messageWithPath(" Error in instance file ", path, after.c_str()).c_str(), 1);
        return 1;
    }
    int result = 1;
    try {
        Loader loader{path, Scanner(text), format};
        result = loader.run();
    } catch (const std::bad_alloc&) {
        ShowAlert(" Cannot allocate enough memory!", 1);
        result = 1;
    }
    if (result != 0) resetInstance();
    return result;
}

namespace {

// Opens the partial file of `path`; false after the open alert.
bool openWhole(common::WholeFile& file, const std::string& path) {
    std::string why;
    if (file.open(path, why)) return true;
    ShowAlert(messageWithPath(" Cannot open file ", path, " for writing!").c_str(), 1);
    return false;
}

// Puts the finished file in place; false after an alert with the reason
// (the earlier file is then as it was).
bool finishWhole(common::WholeFile& file, const std::string& path) {
    std::string why;
    if (file.commit(why)) return true;
    const std::string after = ": " + why + "!";
    ShowAlert(messageWithPath(" Cannot write file ", path, after.c_str()).c_str(), 1);
    return false;
}

}  // namespace

int writeInstanceFile(const std::string& path, InstanceFormat format) {
    common::WholeFile file;
    if (!openWhole(file, path)) return 1;
    FILE* f = file.stream();
    const bool wq = format == InstanceFormat::Wq;
    std::fputs(wq ? "0\n" : "-2\n", f);
    std::fprintf(f, "%d\n", gInstance.ncells);
    for (const Cell* c = gInstance.cellList; c; c = c->next) {
        if (wq)
            std::fprintf(f, "%d %s %lf %d %c %lf %lf %lf %lf %lf\n", c->number, nameOf(c),
                         c->nominal, 1, c->status, c->lbd, c->ubd, c->lpl, c->upl, c->spl);
        else
            std::fprintf(f, "%d %s %lf %d %d %d %d %c %lf %lf %lf %lf %lf\n", c->number, nameOf(c),
                         c->nominal, c->sheet, c->row, c->col, 1, c->status, c->lbd, c->ubd,
                         c->lpl, c->upl, c->spl);
    }
    std::fprintf(f, "%d\n", gInstance.nsums);
    writeSums(f, wq);
    std::fprintf(f, "%lf\n", gOptions.basenumber);
    return finishWhole(file, path) ? 0 : 1;
}

int writeSolutionFile(const std::string& path) {
    common::WholeFile file;
    if (!openWhole(file, path)) return 1;
    FILE* f = file.stream();
    std::fputs("-3\n", f);
    std::fprintf(f, "%d\n", gInstance.ncells);
    for (const Cell* c = gInstance.cellList; c; c = c->next)
        std::fprintf(f, "%d %s %lf %lf %lf %lf %d %c %lf %lf %lf %lf %lf\n", c->number, nameOf(c),
                     c->nominal, c->rounded, c->auditMin, c->auditMax, 1, c->status, c->lbd,
                     c->ubd, c->lpl, c->upl, c->spl);
    std::fprintf(f, "%d\n", gInstance.nsums);
    writeSums(f, false);
    std::fprintf(f, "%lf\n", gOptions.basenumber);
    return finishWhole(file, path) ? 0 : 1;
}
