// A worksheet part written again with the cells the model holds now.
//
// The part is read token by token and passed on as it stood, except:
// - a cell whose content changed is written anew, keeping its attributes
//   (style index and the like) and the attributes of its formula element;
// - a formula that is the same as the file's keeps its element (shared and
//   array formulas stay so) and gets the result computed now; a result the
//   host cannot compute is left out, for the spreadsheet program to compute;
// - cells the part does not have are put into their rows (new rows where
//   needed), in order;
// - sheet names in formulas follow renamed sheets, and column widths set
//   since reading are merged into the column list.
#include <algorithm>
#include <cstring>
#include <set>

#include "host/address.h"
#include "host/xlsx_package.h"

namespace host {

namespace {

bool named(const std::string& qualified, const char* local) {
    return std::strcmp(XmlPull::local(qualified), local) == 0;
}

using Attrs = std::vector<std::pair<std::string, std::string>>;

std::string startTag(const std::string& name, const Attrs& attrs, bool selfClosing) {
    std::string s = "<" + name;
    for (const auto& [n, v] : attrs) s += " " + n + "=\"" + XmlPull::escape(v) + "\"";
    return s + (selfClosing ? "/>" : ">");
}

void setAttr(Attrs& attrs, const std::string& local, const std::string& value) {
    for (auto& [n, v] : attrs)
        if (std::strcmp(XmlPull::local(n), local.c_str()) == 0) {
            v = value;
            return;
        }
    attrs.emplace_back(local, value);
}

void dropAttr(Attrs& attrs, const char* local) {
    std::erase_if(attrs,
                  [&](const auto& a) { return std::strcmp(XmlPull::local(a.first), local) == 0; });
}

const std::string* findAttr(const Attrs& attrs, const char* local) {
    for (const auto& [n, v] : attrs)
        if (std::strcmp(XmlPull::local(n), local) == 0) return &v;
    return nullptr;
}

// A <c> element as the part holds it.
struct CellXml {
    std::string raw;   // all of it
    std::string name;  // its qualified name ("c" or "x:c")
    Attrs attrs;
    std::string fName;  // the formula element's qualified name
    Attrs fAttrs;
    std::string formula, value;
    bool hasFormula = false, hasValue = false, hasInline = false;
    std::string attr(const char* n) const {
        const std::string* a = findAttr(attrs, n);
        return a ? *a : "";
    }
    std::string fAttr(const char* n) const {
        const std::string* a = findAttr(fAttrs, n);
        return a ? *a : "";
    }
    bool content() const { return hasFormula || hasValue || hasInline; }
};

// The result the file stored with a formula cell, or nil.
Value storedResult(const CellXml& c) {
    if (!c.hasValue) return Value();
    const std::string t = c.attr("t");
    if (t == "str") return Value::text(c.value);
    if (t == "b") return Value::boolean_(c.value == "1" || c.value == "true");
    if (t == "e") return errorCode(c.value) >= 0 ? Value::error(errorCode(c.value)) : Value();
    if (t.empty() || t == "n") {
        double d = 0;
        if (textToNumber(c.value, d)) return Value::number(d);
    }
    return Value();
}

// The type attribute and the inner XML for a value; `result` for a formula's
// result (texts as "str"), else a constant (texts inline). Empty inner for a
// value that is not written (nil, unknown).
void valueXml(const Value& v, bool result, const std::string& prefix, std::string& type,
              std::string& inner) {
    type.clear();
    inner.clear();
    auto element = [&](const char* n, const std::string& text) {
        return "<" + prefix + n + ">" + text + "</" + prefix + n + ">";
    };
    switch (v.type) {
        case Value::Type::Num:
            inner = element("v", numberToExactText(v.num));
            break;
        case Value::Type::Str:
            if (result) {
                type = "str";
                inner = element("v", XmlPull::escape(v.str));
            } else {
                type = "inlineStr";
                inner = "<" + prefix + "is><" + prefix + "t xml:space=\"preserve\">" +
                        XmlPull::escape(v.str) + "</" + prefix + "t></" + prefix + "is>";
            }
            break;
        case Value::Type::Bool:
            type = "b";
            inner = element("v", v.boolean ? "1" : "0");
            break;
        case Value::Type::Err:
            if (isUnknown(v) || !*errorText(v.err)) break;
            type = "e";
            inner = element("v", errorText(v.err));
            break;
        default:
            break;
    }
}

class Patcher {
  public:
    Patcher(const SheetPatch& p, std::FILE* out) : p_(p), out_(out) {
        next_ = p.sheet->cells.begin();
        end_ = p.sheet->cells.end();
    }

    bool run(XmlPull& in, std::string& error) {
        std::vector<std::string> path;
        bool colsSeen = false, sheetDataSeen = false;
        for (;;) {
            XmlPull::Kind k = in.next();
            if (k == XmlPull::Kind::Eof) break;
            if (k == XmlPull::Kind::Error) {
                error = "the sheet " + p_.sheet->name + " cannot be read again (" + in.error + ")";
                return false;
            }
            if (k == XmlPull::Kind::Start) {
                const std::string n = XmlPull::local(in.name);
                const size_t level = path.size();
                if (level == 1 && n == "cols") {
                    colsSeen = true;
                    if (!p_.sheet->widthsChanged.empty()) {
                        columns(&in);
                        continue;
                    }
                }
                if (level == 1 && n == "sheetData") {
                    if (!colsSeen && !p_.sheet->widthsChanged.empty()) {
                        prefix_ = prefixOf(in.name);
                        columns(nullptr);
                    }
                    if (!sheetData(in, error)) return false;
                    sheetDataSeen = true;
                    continue;
                }
                if (!in.selfClosing) path.push_back(n);
                put(in.raw);
                continue;
            }
            if (k == XmlPull::Kind::End) {
                if (!path.empty()) path.pop_back();
                if (path.empty() && !sheetDataSeen) {
                    // A sheet part without cell data: the cells go in anyway.
                    prefix_ = prefixOf(in.name);
                    put("<" + prefix_ + "sheetData>");
                    flushRowsBefore(kMaxRows + 1);
                    put("</" + prefix_ + "sheetData>");
                }
                put(in.raw);
                continue;
            }
            if (k == XmlPull::Kind::Text && !path.empty() && isFormulaElement(path.back())) {
                const std::string renamed = renameSheetsInFormula(in.text, *p_.renames);
                put(renamed == in.text ? in.raw : XmlPull::escape(renamed));
                continue;
            }
            put(in.raw);
        }
        if (!ok_) error = "the sheet " + p_.sheet->name + " cannot be written";
        return ok_;
    }

    // A part with the cells only.
    bool fresh(std::string& error) {
        put("<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n");
        put("<worksheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\" "
            "xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\">");
        if (!p_.sheet->widthsChanged.empty()) columns(nullptr);
        put("<sheetData>");
        flushRowsBefore(kMaxRows + 1);
        put("</sheetData></worksheet>");
        if (!ok_) error = "the sheet " + p_.sheet->name + " cannot be written";
        return ok_;
    }

  private:
    const SheetPatch& p_;
    std::FILE* out_;
    bool ok_ = true;
    std::string prefix_;  // namespace prefix of the sheet's elements, "" or "x:"
    std::map<uint32_t, Cell>::iterator next_, end_;
    std::map<std::string, FormulaPtr> shared_;   // masters of kept shared formulas
    std::set<std::string> brokenShared_;         // shared formulas whose master changed
    std::vector<std::pair<Rect, bool>> arrays_;  // array areas, and whether kept

    static bool isFormulaElement(const std::string& n) {
        return n == "f" || n == "formula" || n == "formula1" || n == "formula2";
    }

    static std::string prefixOf(const std::string& qualified) {
        size_t colon = qualified.find(':');
        return colon == std::string::npos ? "" : qualified.substr(0, colon + 1);
    }

    void put(const std::string& s) {
        if (ok_ && !s.empty() && std::fwrite(s.data(), 1, s.size(), out_) != s.size()) ok_ = false;
    }

    // ---- columns ----------------------------------------------------------------

    // The column list with the widths set since reading; `in` is at the
    // list's start tag, or null when the part has none.
    void columns(XmlPull* in) {
        std::string name = in ? in->name : prefix_ + "cols";
        std::vector<Attrs> cols;
        if (in && !in->selfClosing) {
            const int depth = in->depth();
            for (;;) {
                XmlPull::Kind k = in->next();
                if (k == XmlPull::Kind::Error || k == XmlPull::Kind::Eof) return;
                if (k == XmlPull::Kind::End && in->depth() == depth) break;
                if (k == XmlPull::Kind::Start && named(in->name, "col")) cols.push_back(in->attrs);
            }
        }
        const Sheet& s = *p_.sheet;
        std::vector<std::pair<long, Attrs>> out;  // by first column
        std::set<int> covered;
        auto widthText = [&](int col) { return numberToExactText(s.width(col)); };
        for (const Attrs& a : cols) {
            const std::string* mn = findAttr(a, "min");
            const std::string* mx = findAttr(a, "max");
            long first = mn ? std::strtol(mn->c_str(), nullptr, 10) : 0;
            long last = mx ? std::strtol(mx->c_str(), nullptr, 10) : 0;
            if (first < 1 || last < first) {
                out.push_back({first, a});
                continue;
            }
            long runStart = first;
            auto emitRun = [&](long from, long to) {
                if (from > to) return;
                Attrs piece = a;
                setAttr(piece, "min", std::to_string(from));
                setAttr(piece, "max", std::to_string(to));
                out.push_back({from, piece});
            };
            for (long c = first; c <= std::min(last, long{kMaxCols}); ++c) {
                covered.insert(static_cast<int>(c - 1));
                if (!s.widthsChanged.count(static_cast<int>(c - 1))) continue;
                emitRun(runStart, c - 1);
                Attrs piece = a;
                setAttr(piece, "min", std::to_string(c));
                setAttr(piece, "max", std::to_string(c));
                setAttr(piece, "width", widthText(static_cast<int>(c - 1)));
                setAttr(piece, "customWidth", "1");
                out.push_back({c, piece});
                runStart = c + 1;
            }
            emitRun(runStart, last);
        }
        for (int c : s.widthsChanged) {
            if (covered.count(c)) continue;
            Attrs a{{"min", std::to_string(c + 1)},
                    {"max", std::to_string(c + 1)},
                    {"width", widthText(c)},
                    {"customWidth", "1"}};
            out.push_back({c + 1, a});
        }
        std::stable_sort(out.begin(), out.end(),
                         [](const auto& x, const auto& y) { return x.first < y.first; });
        const std::string colName = prefixOf(name) + "col";
        put("<" + name + ">");
        for (const auto& [first, a] : out) put(startTag(colName, a, true));
        put("</" + name + ">");
    }

    // ---- cells ------------------------------------------------------------------

    bool sheetData(XmlPull& in, std::string& error) {
        prefix_ = prefixOf(in.name);
        const std::string name = in.name;
        put(in.selfClosing ? "<" + name + ">" : in.raw);
        if (!in.selfClosing) {
            const int depth = in.depth();
            int rowNumber = 0;
            for (;;) {
                XmlPull::Kind k = in.next();
                if (k == XmlPull::Kind::Error || k == XmlPull::Kind::Eof) {
                    error = "the sheet " + p_.sheet->name + " cannot be read again (" +
                            (in.error.empty() ? "it ends early" : in.error) + ")";
                    return false;
                }
                if (k == XmlPull::Kind::End && in.depth() == depth) break;
                if (k == XmlPull::Kind::Start && in.depth() == depth + 1 && named(in.name, "row")) {
                    if (!row(in, rowNumber, error)) return false;
                    continue;
                }
                put(in.raw);
            }
        }
        flushRowsBefore(kMaxRows + 1);
        put("</" + name + ">");
        return true;
    }

    uint32_t nextKey() const { return next_ == end_ ? UINT32_MAX : next_->first; }
    int nextRow() const {
        return next_ == end_ ? kMaxRows + 1 : static_cast<int>(next_->first / kMaxCols);
    }

    // Whether a model cell the part does not have is written.
    static bool worthWriting(const Cell& c) { return !c.empty(); }

    void flushRowsBefore(int row) {
        while (next_ != end_ && nextRow() < row) {
            const int r = nextRow();
            std::string cells;
            while (next_ != end_ && nextRow() == r) {
                if (worthWriting(next_->second)) cells += newCell(r, next_->first % kMaxCols);
                ++next_;
            }
            if (!cells.empty())
                put("<" + prefix_ + "row r=\"" + std::to_string(r + 1) + "\">" + cells + "</" +
                    prefix_ + "row>");
        }
    }

    void flushCellsBefore(int row, int col) {
        while (next_ != end_ && nextKey() < Sheet::key(row, col)) {
            if (worthWriting(next_->second))
                put(newCell(row, static_cast<int>(next_->first % kMaxCols)));
            ++next_;
        }
    }

    bool row(XmlPull& in, int& rowNumber, std::string& error) {
        const std::string* r = in.attr("r");
        const long number = r ? std::strtol(r->c_str(), nullptr, 10) : long{rowNumber} + 1;
        rowNumber = static_cast<int>(std::clamp(number, 0L, long{kMaxRows} + 1));
        const int row0 = rowNumber - 1;
        const bool inGrid = row0 >= 0 && row0 < kMaxRows;
        if (inGrid) flushRowsBefore(row0);
        // A row written without its number is given one: rows put in front of
        // it would otherwise move it.
        Attrs attrs = in.attrs;
        if (!r) setAttr(attrs, "r", std::to_string(rowNumber));
        const bool hasNew = inGrid && nextRow() == row0;
        if (in.selfClosing) {
            if (!hasNew) {
                put(r ? in.raw : startTag(in.name, attrs, true));
                return true;
            }
            put(startTag(in.name, attrs, false));
            flushCellsBefore(row0, kMaxCols);
            put("</" + in.name + ">");
            return true;
        }
        const std::string name = in.name;
        put(r ? in.raw : startTag(name, attrs, false));
        const int depth = in.depth();
        int colNumber = 0;
        for (;;) {
            XmlPull::Kind k = in.next();
            if (k == XmlPull::Kind::Error || k == XmlPull::Kind::Eof) {
                error = "the sheet " + p_.sheet->name + " cannot be read again (" +
                        (in.error.empty() ? "it ends early" : in.error) + ")";
                return false;
            }
            if (k == XmlPull::Kind::End && in.depth() == depth) break;
            if (k == XmlPull::Kind::Start && in.depth() == depth + 1 && named(in.name, "c")) {
                CellXml c;
                if (!readCell(in, c)) {
                    error =
                        "the sheet " + p_.sheet->name + " cannot be read again (" + in.error + ")";
                    return false;
                }
                cell(c, row0, colNumber);
                continue;
            }
            put(in.raw);
        }
        if (inGrid) flushCellsBefore(row0, kMaxCols);
        put(in.raw);
        return true;
    }

    static bool readCell(XmlPull& in, CellXml& c) {
        c.raw = in.raw;
        c.name = in.name;
        c.attrs = in.attrs;
        if (in.selfClosing) return true;
        const int depth = in.depth();
        std::string* into = nullptr;
        int intoDepth = -1;
        for (;;) {
            XmlPull::Kind k = in.next();
            if (k == XmlPull::Kind::Error || k == XmlPull::Kind::Eof) return false;
            c.raw += in.raw;
            if (k == XmlPull::Kind::End) {
                if (in.depth() == depth) return true;
                if (in.depth() == intoDepth) into = nullptr;
                continue;
            }
            if (k == XmlPull::Kind::Text && into) *into += in.text;
            if (k != XmlPull::Kind::Start || in.depth() != depth + 1) continue;
            if (named(in.name, "f")) {
                c.hasFormula = true;
                c.fName = in.name;
                c.fAttrs = in.attrs;
                into = in.selfClosing ? nullptr : &c.formula;
            } else if (named(in.name, "v")) {
                c.hasValue = true;
                into = in.selfClosing ? nullptr : &c.value;
            } else if (named(in.name, "is")) {
                c.hasInline = true;
                into = nullptr;
            }
            intoDepth = into ? depth + 1 : -1;
        }
    }

    std::string render(const Formula& f, int row, int col) {
        SheetNamer namer = p_.model->namerFor(*p_.sheet);
        return renderFormula(f, Notation::A1, row, col, namer);
    }

    // The formula the file held for the cell, read as seen from it.
    FormulaPtr originalFormula(const CellXml& c, int row, int col) {
        const std::string si = c.fAttr("si");
        const bool shared = c.fAttr("t") == "shared" && !si.empty();
        if (c.formula.empty()) {
            if (!shared) return nullptr;
            auto it = shared_.find(si);
            return it == shared_.end() ? nullptr : it->second;
        }
        std::string why;
        FormulaPtr f = parseFormula(c.formula, Notation::A1, row, col, p_.original, why);
        if (!f) f = rawFormula(c.formula);
        if (shared) shared_[si] = f;
        return f;
    }

    void cell(const CellXml& c, int row, int& colNumber) {
        int col = colNumber;
        const std::string ref = c.attr("r");
        if (!ref.empty()) {
            auto area = parseA1Area(ref);
            if (!area) {
                put(c.raw);  // beyond the grid, without content (the reader refused others)
                return;
            }
            row = area->row1;
            col = area->col1;
        }
        colNumber = col + 1;
        if (row < 0 || row >= kMaxRows || col >= kMaxCols) {
            put(c.raw);
            return;
        }
        flushCellsBefore(row, col);
        Cell* mc = nullptr;
        if (next_ != end_ && nextKey() == Sheet::key(row, col)) {
            mc = &next_->second;
            ++next_;
        }
        put(cellXml(c, mc, row, col));
    }

    // What to write for a cell the part has.
    std::string cellXml(const CellXml& c, Cell* mc, int row, int col) {
        const std::string ref = a1Cell(row, col);
        const std::string si = c.fAttr("si");
        const std::string ft = c.fAttr("t");
        if (!mc || mc->empty()) {
            if (!c.content()) return withRef(c, ref);
            return element(c, ref, nullptr, "", Value());  // cleared
        }
        if (!mc->formula) {
            if (mc->asRead) return withRef(c, ref);
            return element(c, ref, nullptr, "", mc->value);
        }
        const Value result = p_.model->result(*p_.sheet, row, col);
        if (!c.hasFormula) {
            // A cell of an array formula's area, or a formula the file did
            // not have there.
            for (const auto& [area, kept] : arrays_)
                if (area.contains(row, col) && mc->arrayPart) {
                    if (!kept) return element(c, ref, nullptr, "", Value());
                    if (result == storedResult(c)) return withRef(c, ref);
                    return element(c, ref, nullptr, "", result, true);
                }
            return element(c, ref, nullptr, newFormulaText(*mc, row, col), result);
        }
        FormulaPtr original = originalFormula(c, row, col);
        const bool follower = ft == "shared" && c.formula.empty();
        const bool same = original && !(follower && brokenShared_.count(si)) &&
                          render(*original, row, col) == render(*mc->formula, row, col);
        if (ft == "array")
            if (auto area = parseA1Area(c.fAttr("ref"))) arrays_.push_back({*area, same});
        if (!same) {
            if (ft == "shared" && !c.formula.empty()) brokenShared_.insert(si);
            return element(c, ref, nullptr, newFormulaText(*mc, row, col), result);
        }
        const std::string text = renameSheetsInFormula(c.formula, *p_.renames);
        if (text == c.formula && result == storedResult(c) && !isUnknown(result))
            return withRef(c, ref);
        return element(c, ref, &c.fAttrs, text, result);
    }

    std::string newFormulaText(const Cell& mc, int row, int col) {
        std::string text = render(*mc.formula, row, col);
        return text.size() > 1 && text[0] == '=' ? text.substr(1) : text;
    }

    // The cell as it stood, with its place written out when it had none.
    std::string withRef(const CellXml& c, const std::string& ref) {
        if (findAttr(c.attrs, "r")) return c.raw;
        Attrs a = c.attrs;
        a.insert(a.begin(), {"r", ref});
        const size_t close = c.raw.find('>');
        const bool self = close != std::string::npos && close > 0 && c.raw[close - 1] == '/';
        return startTag(c.name, a, self) + (self ? "" : c.raw.substr(close + 1));
    }

    // A cell element: its attributes as they were (its type following the
    // value), a formula (with the formula element's attributes when given)
    // and the value.
    std::string element(const CellXml& c, const std::string& ref, const Attrs* fAttrs,
                        const std::string& formula, const Value& v, bool result = false) {
        Attrs a = c.attrs;
        setAttr(a, "r", ref);
        std::string type, inner;
        valueXml(v, result || !formula.empty() || fAttrs, prefix_, type, inner);
        dropAttr(a, "t");
        if (!type.empty()) a.emplace_back("t", type);
        std::string f;
        const std::string fName = c.fName.empty() ? prefix_ + "f" : c.fName;
        if (fAttrs) {
            f = formula.empty() ? startTag(fName, *fAttrs, true)
                                : startTag(fName, *fAttrs, false) + XmlPull::escape(formula) +
                                      "</" + fName + ">";
        } else if (!formula.empty()) {
            f = "<" + fName + ">" + XmlPull::escape(formula) + "</" + fName + ">";
        }
        if (f.empty() && inner.empty()) return startTag(c.name, a, true);
        return startTag(c.name, a, false) + f + inner + "</" + c.name + ">";
    }

    // A cell the part does not have.
    std::string newCell(int row, uint32_t col) {
        CellXml c;
        c.name = prefix_ + "c";
        const Cell& mc = next_->second;
        const int column = static_cast<int>(col);
        if (!mc.formula) return element(c, a1Cell(row, column), nullptr, "", mc.value);
        return element(c, a1Cell(row, column), nullptr, newFormulaText(mc, row, column),
                       p_.model->result(*p_.sheet, row, column));
    }
};

}  // namespace

bool patchWorksheet(const SheetPatch& p, XmlPull& in, std::FILE* out, std::string& error) {
    return Patcher(p, out).run(in, error);
}

bool newWorksheet(const SheetPatch& p, std::FILE* out, std::string& error) {
    return Patcher(p, out).fresh(error);
}

}  // namespace host
