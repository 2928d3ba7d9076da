// Writing .xlsx workbooks with libxlsxwriter: every sheet, values, formulas
// (A1 text) with their current results, number formats, defined names.
//
// libxlsxwriter keeps 16 significant digits of a number. The file is written
// under a temporary name and renamed when complete, so a failed save leaves
// an older file as it was.
#include <unistd.h>
#include <xlsxwriter.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <map>

#include "host/address.h"
#include "host/state.h"
#include "host/xlsx_package.h"

namespace host {

namespace {

// The creation time in a new workbook's document properties: the one
// SOURCE_DATE_EPOCH gives, else 1980-01-01 (the time of its zip entries), so
// that the same data always gives the same bytes: no clock time in a file.
time_t documentTime() {
    const char* text = std::getenv("SOURCE_DATE_EPOCH");
    if (text && *text && std::strspn(text, "0123456789") == std::strlen(text) &&
        std::strlen(text) <= 12) {
        const long long seconds = std::atoll(text);
        if (seconds > 0) return static_cast<time_t>(seconds);
    }
    return 315532800;
}

class Writer {
  public:
    Writer(Model& m, Workbook& book) : m_(m), book_(book) {}

    bool write(const std::string& path, std::string& error) {
        lxw_workbook_options options{};
        options.constant_memory = LXW_FALSE;
        wb_ = workbook_new_opt(path.c_str(), &options);
        if (!wb_) {
            error = "the file cannot be created";
            return false;
        }
        lxw_doc_properties properties{};
        properties.created = documentTime();
        workbook_set_properties(wb_, &properties);
        bool ok = sheets(error);
        if (ok) names();
        lxw_error e = workbook_close(wb_);  // frees the workbook in every case
        wb_ = nullptr;
        if (ok && e != LXW_NO_ERROR) {
            error = lxw_strerror(e);
            ok = false;
        }
        return ok;
    }

  private:
    Model& m_;
    Workbook& book_;
    lxw_workbook* wb_ = nullptr;
    std::map<std::string, lxw_format*> formats_;

    lxw_format* format(const std::string& code) {
        if (code.empty() || code == "General") return nullptr;
        auto it = formats_.find(code);
        if (it != formats_.end()) return it->second;
        lxw_format* f = workbook_add_format(wb_);
        format_set_num_format(f, code.c_str());
        formats_[code] = f;
        return f;
    }

    bool sheets(std::string& error) {
        for (auto& s : book_.sheets) {
            lxw_error e = workbook_validate_sheet_name(wb_, s->name.c_str());
            if (e != LXW_NO_ERROR) {
                error = "the sheet name \"" + s->name + "\" cannot be saved: " + lxw_strerror(e);
                return false;
            }
            lxw_worksheet* ws = workbook_add_worksheet(wb_, s->name.c_str());
            if (!ws) {
                error = "the sheet " + s->name + " cannot be added";
                return false;
            }
            if (!cells(*s, ws, error)) return false;
            for (const auto& [col, width] : s->widths)
                worksheet_set_column(ws, static_cast<lxw_col_t>(col), static_cast<lxw_col_t>(col),
                                     width, nullptr);
            if (book_.activeSheet() == s.get()) worksheet_activate(ws);
            if (!s->selection.empty()) {
                const Rect& r = s->selection[0];
                worksheet_set_selection(
                    ws, static_cast<lxw_row_t>(r.row1), static_cast<lxw_col_t>(r.col1),
                    static_cast<lxw_row_t>(r.row2), static_cast<lxw_col_t>(r.col2));
            }
        }
        return true;
    }

    // The formula text to save, or "" when the formula refers to another
    // workbook (then only its value is saved).
    std::string formulaText(Sheet& s, const Cell& c, int row, int col) {
        if (c.formula->raw) return "=" + c.formula->rawText;
        bool external = false;
        SheetNamer namer = [&](uint32_t id, std::string& bookName) -> std::string {
            Sheet* t = m_.sheetById(id);
            if (!t) return "";
            if (t->book != s.book) external = true;
            bookName.clear();
            return t->name;
        };
        std::string text = renderFormula(*c.formula, Notation::A1, row, col, namer);
        return external ? "" : text;
    }

    bool cells(Sheet& s, lxw_worksheet* ws, std::string& error) {
        std::vector<uint32_t> keys;
        for (auto& [k, c] : s.cells) keys.push_back(k);
        for (uint32_t k : keys) {
            int row = static_cast<int>(k / kMaxCols), col = static_cast<int>(k % kMaxCols);
            const Cell& c = s.cells[k];
            auto r = static_cast<lxw_row_t>(row);
            auto cl = static_cast<lxw_col_t>(col);
            lxw_format* f = format(c.format);
            Value v = m_.value(s, row, col);
            lxw_error e = LXW_NO_ERROR;
            std::string text = c.formula ? formulaText(s, c, row, col) : "";
            if (!text.empty()) {
                if (v.isNum())
                    e = worksheet_write_formula_num(ws, r, cl, text.c_str(), f, v.num);
                else if (v.isBool())
                    e = worksheet_write_formula_num(ws, r, cl, text.c_str(), f, v.boolean ? 1 : 0);
                else if (v.isStr())
                    e = worksheet_write_formula_str(ws, r, cl, text.c_str(), f, v.str.c_str());
                else
                    e = worksheet_write_formula(ws, r, cl, text.c_str(), f);
            } else if (v.isNum()) {
                e = worksheet_write_number(ws, r, cl, v.num, f);
            } else if (v.isStr()) {
                e = v.str.empty() ? worksheet_write_blank(ws, r, cl, f)
                                  : worksheet_write_string(ws, r, cl, v.str.c_str(), f);
            } else if (v.isBool()) {
                e = worksheet_write_boolean(ws, r, cl, v.boolean ? 1 : 0, f);
            } else if (v.isErr()) {
                e = worksheet_write_formula(ws, r, cl, errorText(v.err), f);
            } else if (f) {
                e = worksheet_write_blank(ws, r, cl, f);
            }
            if (e != LXW_NO_ERROR) {
                error = "cell " + sheetPrefix(s.name) + a1Cell(row, col) +
                        " cannot be saved: " + lxw_strerror(e);
                return false;
            }
        }
        return true;
    }

    void names() {
        for (const BookName& n : book_.names) {
            if (n.name.rfind("_xlnm.", 0) == 0) continue;
            std::string name = n.name;
            if (n.localSheet >= 0 && n.localSheet < static_cast<int>(book_.sheets.size()))
                name = sheetPrefix(book_.sheets[n.localSheet]->name) + n.name;
            workbook_define_name(wb_, name.c_str(), ("=" + n.formula).c_str());
        }
    }
};

}  // namespace

bool writeXlsx(Model& m, Workbook& book, const std::string& path, std::string& error) {
    std::string partial = path + ".saving-" + std::to_string(getpid());
    std::string why;
    bool ok = book.package ? writePackageXlsx(m, book, partial, why)
                           : Writer(m, book).write(partial, why);
    if (ok && std::rename(partial.c_str(), path.c_str()) != 0) {
        why = "the finished file cannot be moved into place";
        ok = false;
    }
    if (!ok) {
        std::remove(partial.c_str());
        error = "The workbook " + book.name + " cannot be saved as " + path + ": " + why + ".";
    }
    return ok;
}

}  // namespace host
