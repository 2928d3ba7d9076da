// Separated text files (semicolon, comma or tab), and the opening and saving
// of workbook files by their extension.
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "host/address.h"
#include "host/file_kind.h"
#include "host/state.h"
#include "host/zipfile.h"

namespace host {

namespace {

std::string lower(std::string s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

// Guesses the separator from the first line: ';' before tab before ','.
char guessDelimiter(const std::string& text) {
    size_t end = text.find('\n');
    std::string line = text.substr(0, end);
    bool quoted = false;
    int semicolons = 0, tabs = 0, commas = 0;
    for (char c : line) {
        if (c == '"') quoted = !quoted;
        if (quoted) continue;
        semicolons += c == ';';
        tabs += c == '\t';
        commas += c == ',';
    }
    if (semicolons) return ';';
    if (tabs) return '\t';
    if (commas) return ',';
    return ';';
}

// The name a text file's sheet gets: the file name without folder and
// extension, made a valid sheet name.
std::string sheetNameFor(const std::string& stem) {
    std::string name;
    for (char c : stem) {
        const bool control = static_cast<unsigned char>(c) < 0x20 || c == 0x7F;
        name += std::string("[]:*?/\\").find(c) == std::string::npos && !control ? c : '_';
    }
    if (name.size() > 31) name.resize(31);
    while (!name.empty() && name.front() == '\'') name.erase(0, 1);
    while (!name.empty() && name.back() == '\'') name.pop_back();
    return name.empty() ? "Sheet1" : name;
}

// The name a workbook gets from its file name: brackets would end the
// "[Book]" part of a reference early, so they become parentheses.
std::string bookNameFor(const std::string& stem) {
    std::string name = stem;
    for (char& c : name) {
        if (c == '[') c = '(';
        if (c == ']') c = ')';
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = '_';
    }
    return name;
}

}  // namespace

std::unique_ptr<Workbook> readText(Model& m, const std::string& path, char delimiter,
                                   std::string& error) {
    auto fail = [&](const std::string& why) {
        error = "The file " + path + " cannot be opened: " + why + ".";
        return nullptr;
    };
    struct stat st {};
    if (stat(path.c_str(), &st) != 0) return fail("there is no such file");
    if (!S_ISREG(st.st_mode)) return fail("it is not a file");
    if (static_cast<unsigned long long>(st.st_size) > kMaxUnpackedBytes)
        return fail("it is larger than 512 MiB");
    std::ifstream in(path, std::ios::binary);
    if (!in) return fail("it cannot be read");
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad()) return fail("it cannot be read");
    if (text.compare(0, 3, "\xEF\xBB\xBF") == 0) text.erase(0, 3);
    if (!delimiter) delimiter = guessDelimiter(text);
    const bool decimalComma = delimiter != ',';

    auto book = std::make_unique<Workbook>();
    auto sheet = std::make_unique<Sheet>();
    sheet->id = m.allocateSheetId();
    sheet->name = sheetNameFor(std::filesystem::path(path).stem().string());
    sheet->book = book.get();
    Sheet& s = *sheet;
    book->sheets.push_back(std::move(sheet));

    int row = 0, col = 0;
    std::string field;
    bool quoted = false, wasQuoted = false, any = false;
    auto endField = [&]() -> bool {
        if (col >= kMaxCols) {
            error = "The file " + path + " cannot be opened: line " + std::to_string(row + 1) +
                    " has more than 256 fields.";
            return false;
        }
        if (row >= kMaxRows) {
            error = "The file " + path + " cannot be opened: it has more than 65536 lines.";
            return false;
        }
        if (!field.empty()) {
            Cell& c = s.at(row, col);
            double d = 0;
            int e = -1;
            if (wasQuoted) {
                c.value = Value::text(field);
            } else if (textToNumber(field, d, decimalComma)) {
                c.value = Value::number(d);
            } else if (sameText(field, "TRUE") || sameText(field, "FALSE")) {
                c.value = Value::boolean_(sameText(field, "TRUE"));
            } else if ((e = errorCode(field)) >= 0) {
                c.value = Value::error(e);
            } else if (field[0] == '=' && field.size() > 1) {
                std::string ignored;
                FormulaPtr f = m.parse(s, field, Notation::A1, row, col, ignored);
                if (f)
                    c.formula = f;
                else
                    c.value = Value::text(field);
            } else {
                c.value = Value::text(field);
            }
        }
        field.clear();
        wasQuoted = false;
        ++col;
        return true;
    };
    for (size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (quoted) {
            if (c == '"') {
                if (i + 1 < text.size() && text[i + 1] == '"') {
                    field += '"';
                    ++i;
                } else {
                    quoted = false;
                }
            } else {
                field += c;
            }
            continue;
        }
        any = true;
        if (c == '"' && field.empty()) {
            quoted = wasQuoted = true;
        } else if (c == delimiter) {
            if (!endField()) return nullptr;
        } else if (c == '\n' || c == '\r') {
            if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
            if (!endField()) return nullptr;
            ++row;
            col = 0;
            any = false;
        } else {
            field += c;
        }
    }
    if (quoted) return fail("a quoted field is not closed");
    if (any && !endField()) return nullptr;
    book->nextSheetNumber = 2;
    return book;
}

bool writeText(Model& m, Sheet& sheet, const std::string& path, const TextFormat& format,
               std::string& error) {
    const char delimiter = format.delimiter ? format.delimiter : ';';
    std::ostringstream out;
    auto last = sheet.lastUsed();
    if (last) {
        for (int row = 0; row <= last->first; ++row) {
            for (int col = 0; col <= last->second; ++col) {
                if (col) out << delimiter;
                Value v = m.value(sheet, row, col);
                std::string text = valueToText(v);
                if (v.isNum() && format.decimalComma)
                    std::replace(text.begin(), text.end(), '.', ',');
                double ignored = 0;
                bool quote =
                    v.isStr() &&
                    (text.find_first_of(std::string("\"\r\n") + delimiter) != std::string::npos ||
                     textToNumber(text, ignored, format.decimalComma) || sameText(text, "TRUE") ||
                     sameText(text, "FALSE") || errorCode(text) >= 0 ||
                     (!text.empty() && text[0] == '=') ||
                     // A byte order mark at the start of the file would be taken
                     // for the file's own and dropped.
                     text.compare(0, 3, "\xEF\xBB\xBF") == 0);
                if (quote) {
                    out << '"';
                    for (char c : text) out << (c == '"' ? "\"\"" : std::string(1, c));
                    out << '"';
                } else {
                    out << text;
                }
            }
            out << '\n';
        }
    }
    std::string partial = path + ".saving-" + std::to_string(getpid());
    {
        std::ofstream f(partial, std::ios::binary | std::ios::trunc);
        f << out.str();
        f.flush();
        if (!f) {
            std::remove(partial.c_str());
            error = "The sheet " + sheet.name + " cannot be saved as " + path + ".";
            return false;
        }
    }
    if (std::rename(partial.c_str(), path.c_str()) != 0) {
        std::remove(partial.c_str());
        error = "The sheet " + sheet.name + " cannot be saved as " + path + ".";
        return false;
    }
    return true;
}

bool openFile(const std::string& path, char delimiter, std::string& error) {
    Model& m = state().model;
    std::filesystem::path p(path);
    std::string ext = lower(p.extension().string());
    std::unique_ptr<Workbook> book;
    struct stat st {};
    if (stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode)) {
        if (static_cast<unsigned long long>(st.st_size) > kMaxUnpackedBytes) {
            error = "The file " + path + " cannot be opened: it is larger than 512 MiB.";
            return false;
        }
        const FileKind kind = fileKind(path);
        if (kind.kind == FileKind::Other) {
            error = "The file " + path + " cannot be opened: it is " + kind.what +
                    ", not a workbook (.xlsx, .xlsm, .xls, .ods, .fods) or a text file of values.";
            return false;
        }
        if (kind.kind == FileKind::Convert)
            book = readConverted(m, path, kind, error);
        else if (kind.kind == FileKind::Xlsx || ext == ".xlsx" || ext == ".xlsm")
            book = readXlsx(m, path, error);
        else
            book = readText(m, path, delimiter, error);
    } else if (ext == ".xlsx" || ext == ".xlsm") {
        book = readXlsx(m, path, error);
    } else {
        book = readText(m, path, delimiter, error);
    }
    if (!book) return false;
    book->name = m.uniqueBookName(bookNameFor(p.stem().string()));
    book->path = path;
    book->createdInRun = false;
    book->dirty = false;
    m.addWorkbook(std::move(book));
    return true;
}

bool saveFile(Workbook& book, const std::string& path, std::string& error) {
    Model& m = state().model;
    std::string ext = lower(std::filesystem::path(path).extension().string());
    bool ok = false;
    if (ext == ".xls" || ext == ".ods" || ext == ".fods" || ext == ".xlsb") {
        error = "The workbook " + book.name + " cannot be saved as " + path +
                ": workbooks are saved as .xlsx (or .xlsm with macros).";
        return false;
    }
    if (ext == ".xlsx" && book.package && book.package->macros) {
        error = "The workbook " + book.name + " holds macros and cannot be saved as " + path +
                ": save it as .xlsm.";
        return false;
    }
    if (ext == ".xlsx" || ext == ".xlsm") {
        ok = writeXlsx(m, book, path, error);
    } else {
        Sheet* s = book.activeSheet();
        if (!s) {
            error = "The workbook " + book.name + " has no sheet to save.";
            return false;
        }
        TextFormat f;
        f.delimiter = ext == ".csv" ? ',' : ';';
        f.decimalComma = ext != ".csv";
        ok = writeText(m, *s, path, f, error);
    }
    if (ok) {
        book.path = path;
        book.dirty = false;
    }
    return ok;
}

}  // namespace host
