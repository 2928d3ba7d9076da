// Reading .xlsx workbooks: sheets, values, formulas (shared ones shifted per
// cell), number formats, defined names and pivot table definitions.
//
// Parts are found through the relationship files, element and attribute names
// are compared without their namespace prefixes, and numbers are read without
// regard to the locale. The workbook is built completely before anything of it
// becomes visible.
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <map>
#include <pugixml.hpp>

#include "common/limits.h"
#include "host/address.h"
#include "host/state.h"
#include "host/zipfile.h"

namespace host {

namespace {

const char* localName(const char* name) {
    const char* colon = std::strchr(name, ':');
    return colon ? colon + 1 : name;
}

pugi::xml_node child(pugi::xml_node n, const char* name) {
    for (pugi::xml_node c : n.children())
        if (std::strcmp(localName(c.name()), name) == 0) return c;
    return {};
}

std::vector<pugi::xml_node> children(pugi::xml_node n, const char* name) {
    std::vector<pugi::xml_node> out;
    for (pugi::xml_node c : n.children())
        if (std::strcmp(localName(c.name()), name) == 0) out.push_back(c);
    return out;
}

const char* attr(pugi::xml_node n, const char* name) {
    for (pugi::xml_attribute a : n.attributes())
        if (std::strcmp(localName(a.name()), name) == 0) return a.value();
    return nullptr;
}

// Decodes _xHHHH_ escapes of texts in packages.
std::string decodeEscapes(const std::string& s) {
    std::string out;
    for (size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '_' && i + 6 < s.size() && s[i + 1] == 'x' && s[i + 6] == '_') {
            unsigned code = 0;
            bool hex = true;
            for (size_t k = i + 2; k < i + 6; ++k) {
                char c = s[k];
                code <<= 4;
                if (c >= '0' && c <= '9')
                    code |= static_cast<unsigned>(c - '0');
                else if (c >= 'a' && c <= 'f')
                    code |= static_cast<unsigned>(c - 'a' + 10);
                else if (c >= 'A' && c <= 'F')
                    code |= static_cast<unsigned>(c - 'A' + 10);
                else
                    hex = false;
            }
            if (hex) {
                if (code < 0x80) {
                    out += static_cast<char>(code);
                } else if (code < 0x800) {
                    out += static_cast<char>(0xC0 | (code >> 6));
                    out += static_cast<char>(0x80 | (code & 0x3F));
                } else {
                    out += static_cast<char>(0xE0 | (code >> 12));
                    out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
                    out += static_cast<char>(0x80 | (code & 0x3F));
                }
                i += 6;
                continue;
            }
        }
        out += s[i];
    }
    return out;
}

// The text of a string item: its own <t>, or the <t> of every run; phonetic
// runs are left out.
std::string itemText(pugi::xml_node si) {
    std::string text;
    for (pugi::xml_node c : si.children()) {
        const char* n = localName(c.name());
        if (std::strcmp(n, "t") == 0)
            text += c.child_value();
        else if (std::strcmp(n, "r") == 0)
            if (pugi::xml_node t = child(c, "t")) text += t.child_value();
    }
    return decodeEscapes(text);
}

// A name as shown in a message: at most 40 characters of it.
std::string shortened(const std::string& name) {
    return name.size() <= 40 ? name : name.substr(0, 40) + "...";
}

const char* builtinFormat(int id) {
    switch (id) {
        case 1:
            return "0";
        case 2:
            return "0.00";
        case 3:
            return "#,##0";
        case 4:
            return "#,##0.00";
        case 9:
            return "0%";
        case 10:
            return "0.00%";
        case 11:
            return "0.00E+00";
        case 12:
            return "# ?/?";
        case 13:
            return "# ?\?/?\?";
        case 14:
            return "mm-dd-yy";
        case 15:
            return "d-mmm-yy";
        case 16:
            return "d-mmm";
        case 17:
            return "mmm-yy";
        case 18:
            return "h:mm AM/PM";
        case 19:
            return "h:mm:ss AM/PM";
        case 20:
            return "h:mm";
        case 21:
            return "h:mm:ss";
        case 22:
            return "m/d/yy h:mm";
        case 37:
            return "#,##0 ;(#,##0)";
        case 38:
            return "#,##0 ;[Red](#,##0)";
        case 39:
            return "#,##0.00;(#,##0.00)";
        case 40:
            return "#,##0.00;[Red](#,##0.00)";
        case 45:
            return "mm:ss";
        case 46:
            return "[h]:mm:ss";
        case 47:
            return "mmss.0";
        case 48:
            return "##0.0E+0";
        case 49:
            return "@";
        default:
            return "";
    }
}

struct Relationship {
    std::string type, target;
};

class Reader {
  public:
    Reader(Model& m, const std::string& path) : m_(m), path_(path) {}

    std::unique_ptr<Workbook> read(std::string& error) {
        if (!zip_.open(path_, error)) return nullptr;
        std::map<std::string, Relationship> root;
        if (!relationships("", root, error)) return nullptr;
        std::string workbookPart;
        for (auto& [id, r] : root)
            if (endsWith(r.type, "/officeDocument")) workbookPart = resolvePartName("", r.target);
        if (workbookPart.empty()) {
            error = "it holds no workbook";
            return nullptr;
        }
        pugi::xml_document wb;
        if (!load(workbookPart, wb, error)) return nullptr;
        pugi::xml_node workbook = child(wb, "workbook");
        std::map<std::string, Relationship> rels;
        if (!relationships(workbookPart, rels, error)) return nullptr;
        for (auto& [id, r] : rels) {
            std::string part = resolvePartName(workbookPart, r.target);
            if (endsWith(r.type, "/sharedStrings") && !sharedStrings(part, error)) return nullptr;
            if (endsWith(r.type, "/styles") && !styles(part, error)) return nullptr;
        }
        book_ = std::make_unique<Workbook>();
        std::vector<std::string> sheetParts;
        for (pugi::xml_node s : children(child(workbook, "sheets"), "sheet")) {
            if (book_->sheets.size() >= size_t(common::kMaxSheets)) {
                error = "it has more than " + std::to_string(common::kMaxSheets) +
                        " sheets, the most a workbook may have";
                return nullptr;
            }
            const char* name = attr(s, "name");
            const char* rid = attr(s, "id");
            if (!name || !*name) {
                error = "a sheet has no name";
                return nullptr;
            }
            auto sheet = std::make_unique<Sheet>();
            sheet->id = m_.allocateSheetId();
            sheet->name = decodeEscapes(name);
            // Names the host could not give a sheet itself would break the
            // "[Book]Sheet" texts of references and could not be saved.
            std::string problem = sheetNameProblem(sheet->name);
            if (!problem.empty()) {
                error = "its sheet \"" + shortened(sheet->name) + "\" has a name the host " +
                        "cannot hold (" + problem + ")";
                return nullptr;
            }
            for (const auto& other : book_->sheets)
                if (sameText(other->name, sheet->name)) {
                    error = "two of its sheets are named \"" + sheet->name + "\"";
                    return nullptr;
                }
            sheet->book = book_.get();
            book_->sheets.push_back(std::move(sheet));
            auto r = rid ? rels.find(rid) : rels.end();
            bool worksheet = r != rels.end() && endsWith(r->second.type, "/worksheet");
            sheetParts.push_back(worksheet ? resolvePartName(workbookPart, r->second.target) : "");
        }
        if (book_->sheets.empty()) {
            error = "it holds no sheet";
            return nullptr;
        }
        for (size_t i = 0; i < sheetParts.size(); ++i)
            if (!sheetParts[i].empty() && !worksheet(*book_->sheets[i], sheetParts[i], error))
                return nullptr;
        for (pugi::xml_node d : children(child(workbook, "definedNames"), "definedName")) {
            BookName n;
            n.name = attr(d, "name") ? attr(d, "name") : "";
            n.formula = d.child_value();
            if (const char* local = attr(d, "localSheetId")) n.localSheet = std::atoi(local);
            if (!n.name.empty()) book_->names.push_back(n);
        }
        if (pugi::xml_node views = child(workbook, "bookViews"))
            if (const char* tab = attr(child(views, "workbookView"), "activeTab")) {
                int t = std::atoi(tab);
                if (t >= 0 && t < static_cast<int>(book_->sheets.size())) book_->active = t;
            }
        book_->nextSheetNumber = static_cast<int>(book_->sheets.size()) + 1;
        return std::move(book_);
    }

  private:
    Model& m_;
    std::string path_;
    ZipFile zip_;
    std::vector<std::string> strings_;
    std::vector<std::string> xfFormats_;
    std::unique_ptr<Workbook> book_;

    static bool endsWith(const std::string& s, const std::string& tail) {
        return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
    }

    bool load(const std::string& part, pugi::xml_document& doc, std::string& error) {
        std::string data;
        if (!zip_.read(part, data, error)) return false;
        pugi::xml_parse_result r = doc.load_buffer(data.data(), data.size(), pugi::parse_default);
        if (!r) {
            error = "its part " + part + " is not well-formed XML (" + r.description() + ")";
            return false;
        }
        return true;
    }

    bool relationships(const std::string& part, std::map<std::string, Relationship>& out,
                       std::string& error) {
        std::string relsPart = part.empty() ? "_rels/.rels" : relationshipsPart(part);
        if (!zip_.has(relsPart)) {
            if (part.empty()) {
                error = "its part _rels/.rels is missing";
                return false;
            }
            return true;
        }
        pugi::xml_document doc;
        if (!load(relsPart, doc, error)) return false;
        for (pugi::xml_node r : children(child(doc, "Relationships"), "Relationship")) {
            const char* id = attr(r, "Id");
            const char* type = attr(r, "Type");
            const char* target = attr(r, "Target");
            const char* mode = attr(r, "TargetMode");
            if (!id || !type || !target || (mode && std::strcmp(mode, "External") == 0)) continue;
            out[id] = {type, target};
        }
        return true;
    }

    bool sharedStrings(const std::string& part, std::string& error) {
        pugi::xml_document doc;
        if (!load(part, doc, error)) return false;
        for (pugi::xml_node si : children(child(doc, "sst"), "si"))
            strings_.push_back(itemText(si));
        return true;
    }

    bool styles(const std::string& part, std::string& error) {
        pugi::xml_document doc;
        if (!load(part, doc, error)) return false;
        pugi::xml_node sheet = child(doc, "styleSheet");
        std::map<int, std::string> custom;
        for (pugi::xml_node f : children(child(sheet, "numFmts"), "numFmt")) {
            const char* id = attr(f, "numFmtId");
            const char* code = attr(f, "formatCode");
            if (id && code) custom[std::atoi(id)] = code;
        }
        for (pugi::xml_node xf : children(child(sheet, "cellXfs"), "xf")) {
            const char* id = attr(xf, "numFmtId");
            int n = id ? std::atoi(id) : 0;
            auto it = custom.find(n);
            std::string fmt = it != custom.end() ? it->second : builtinFormat(n);
            if (fmt == "General") fmt.clear();
            xfFormats_.push_back(fmt);
        }
        return true;
    }

    bool worksheet(Sheet& sheet, const std::string& part, std::string& error) {
        pugi::xml_document doc;
        if (!load(part, doc, error)) return false;
        pugi::xml_node ws = child(doc, "worksheet");
        struct Shared {
            FormulaPtr formula;
        };
        std::map<std::string, Shared> shared;
        int rowNumber = 0;
        for (pugi::xml_node row : children(child(ws, "sheetData"), "row")) {
            const char* r = attr(row, "r");
            // Kept within one row past the grid, so that no count can overflow.
            const long number = r ? std::strtol(r, nullptr, 10) : long{rowNumber} + 1;
            rowNumber = static_cast<int>(std::clamp(number, 0L, long{kMaxRows} + 1));
            int colNumber = 0;
            for (pugi::xml_node c : children(row, "c")) {
                int cellRow = rowNumber - 1, cellCol = colNumber;
                if (const char* ref = attr(c, "r")) {
                    auto area = parseA1Area(ref);
                    if (!area) {
                        if (hasContent(c)) {
                            error = "sheet " + sheet.name + " has a cell beyond column IV or row " +
                                    "65536 (" + ref + "); the host holds 256 columns x 65536 rows";
                            return false;
                        }
                        continue;
                    }
                    cellRow = area->row1;
                    cellCol = area->col1;
                }
                colNumber = cellCol + 1;
                if (cellRow < 0 || cellRow >= kMaxRows || cellCol >= kMaxCols) {
                    if (!hasContent(c)) continue;
                    error = "sheet " + sheet.name + " has cells beyond column IV or row 65536;" +
                            " the host holds 256 columns x 65536 rows";
                    return false;
                }
                if (!cell(sheet, c, cellRow, cellCol, shared, error)) return false;
            }
        }
        pivotTables(sheet, part);
        selection(sheet, ws);
        return true;
    }

    // The selection saved with the sheet, as the user left it: the areas of
    // the sheet view's active pane and its active cell. Areas outside the
    // grid or unreadable are left out; without one, the sheet keeps A1.
    static void selection(Sheet& sheet, pugi::xml_node ws) {
        constexpr size_t kMaxAreas = 256;
        pugi::xml_node view = child(child(ws, "sheetViews"), "sheetView");
        if (!view) return;
        const char* pane = attr(child(view, "pane"), "activePane");
        const std::string active = pane ? pane : "topLeft";
        pugi::xml_node chosen;
        for (pugi::xml_node sel : children(view, "selection")) {
            const char* p = attr(sel, "pane");
            if ((p ? p : "topLeft") == active) chosen = sel;
        }
        if (!chosen) return;
        std::vector<Rect> areas;
        const char* sqref = attr(chosen, "sqref");
        std::string text = sqref ? sqref : "";
        for (size_t at = 0; at < text.size() && areas.size() < kMaxAreas;) {
            size_t end = text.find(' ', at);
            if (end == std::string::npos) end = text.size();
            if (auto r = parseA1Area(text.substr(at, end - at))) areas.push_back(*r);
            at = end + 1;
        }
        std::optional<Rect> cell;
        if (const char* a = attr(chosen, "activeCell")) cell = parseA1Area(a);
        if (areas.empty() && cell)
            areas.push_back(Rect{cell->row1, cell->col1, cell->row1, cell->col1});
        if (areas.empty()) return;
        const bool inside = cell && std::any_of(areas.begin(), areas.end(), [&](const Rect& r) {
                                return r.contains(cell->row1, cell->col1);
                            });
        sheet.selection = areas;
        sheet.activeRow = inside ? cell->row1 : areas[0].row1;
        sheet.activeCol = inside ? cell->col1 : areas[0].col1;
    }

    static bool hasContent(pugi::xml_node c) {
        return child(c, "v") || child(c, "f") || child(c, "is");
    }

    template <typename SharedMap>
    bool cell(Sheet& sheet, pugi::xml_node c, int row, int col, SharedMap& shared,
              std::string& error) {
        std::string type = attr(c, "t") ? attr(c, "t") : "n";
        pugi::xml_node v = child(c, "v");
        pugi::xml_node f = child(c, "f");
        std::string format;
        if (const char* s = attr(c, "s")) {
            size_t xf = static_cast<size_t>(std::atoi(s));
            if (xf < xfFormats_.size()) format = xfFormats_[xf];
        }
        FormulaPtr formula;
        if (f) {
            const char* ft = attr(f, "t");
            const char* si = attr(f, "si");
            std::string text = f.child_value();
            bool isShared = ft && std::strcmp(ft, "shared") == 0 && si;
            if (!text.empty()) {
                std::string why;
                formula = m_.parse(sheet, text, Notation::A1, row, col, why);
                if (!formula) formula = rawFormula(text);
                if (isShared) shared[si].formula = formula;
            } else if (isShared) {
                // A follower of a shared formula: the master's formula, whose
                // relative references are offsets and so move to this cell.
                auto it = shared.find(si);
                if (it != shared.end()) formula = it->second.formula;
            }
        }
        Value value;
        std::string vt = v ? v.child_value() : "";
        if (type == "s") {
            size_t i = static_cast<size_t>(std::atol(vt.c_str()));
            if (!v || i >= strings_.size()) {
                if (v) {
                    error = "sheet " + sheet.name + " refers to a missing shared string";
                    return false;
                }
            } else {
                value = Value::text(strings_[i]);
            }
        } else if (type == "inlineStr") {
            if (pugi::xml_node is = child(c, "is")) value = Value::text(itemText(is));
        } else if (type == "str" || type == "d") {
            if (v) value = Value::text(decodeEscapes(vt));
        } else if (type == "b") {
            if (v) value = Value::boolean_(vt == "1" || vt == "true");
        } else if (type == "e") {
            if (v) value = Value::error(errorCode(vt) >= 0 ? errorCode(vt) : xlerrValue);
        } else if (v) {
            double d = 0;
            if (!textToNumber(vt, d)) {
                error = "sheet " + sheet.name + " holds a number that cannot be read: " + vt;
                return false;
            }
            value = Value::number(d);
        }
        // An error constant is saved as a formula of its text (the format
        // has no other way to hold one): read it back as the constant.
        if (formula && !formula->raw && formula->root.kind == Node::Kind::Error) {
            value = Value::error(formula->root.error);
            formula.reset();
        }
        if (!formula && value.isNil() && format.empty()) return true;
        Cell& cell = sheet.at(row, col);
        cell.formula = formula;
        cell.value = formula ? Value() : value;
        cell.format = format;
        return true;
    }

    // Names and places of pivot tables on the sheet, and their fields. A
    // definition that cannot be read is left out.
    void pivotTables(Sheet& sheet, const std::string& sheetPart) {
        std::map<std::string, Relationship> rels;
        std::string ignored;
        if (!relationships(sheetPart, rels, ignored)) return;
        for (auto& [id, r] : rels) {
            if (!endsWith(r.type, "/pivotTable")) continue;
            std::string part = resolvePartName(sheetPart, r.target);
            pugi::xml_document doc;
            if (!load(part, doc, ignored)) continue;
            pugi::xml_node def = child(doc, "pivotTableDefinition");
            const char* name = attr(def, "name");
            const char* loc = attr(child(def, "location"), "ref");
            auto area = loc ? parseA1Area(loc) : std::nullopt;
            if (!name || !area) continue;
            PivotTable p;
            p.name = name;
            p.area = *area;
            p.destRow = area->row1;
            p.destCol = area->col1;
            std::vector<std::string> fields;
            cacheSource(part, p, fields);
            auto fieldName = [&](const char* x) -> std::string {
                int i = x ? std::atoi(x) : -1;
                return i >= 0 && i < static_cast<int>(fields.size()) ? fields[i] : "";
            };
            for (pugi::xml_node f : children(child(def, "rowFields"), "field"))
                if (auto n = fieldName(attr(f, "x")); !n.empty()) p.rowFields.push_back(n);
            for (pugi::xml_node f : children(child(def, "colFields"), "field"))
                if (auto n = fieldName(attr(f, "x")); !n.empty()) p.colFields.push_back(n);
            for (pugi::xml_node f : children(child(def, "pageFields"), "pageField"))
                if (auto n = fieldName(attr(f, "fld")); !n.empty()) p.pageFields.push_back(n);
            for (pugi::xml_node f : children(child(def, "dataFields"), "dataField")) {
                PivotDataField d;
                d.source = fieldName(attr(f, "fld"));
                d.name = attr(f, "name") ? attr(f, "name") : "Sum of " + d.source;
                if (!d.source.empty()) p.dataFields.push_back(d);
            }
            if (const char* g = attr(def, "rowGrandTotals")) p.rowGrand = std::strcmp(g, "0") != 0;
            if (const char* g = attr(def, "colGrandTotals")) p.colGrand = std::strcmp(g, "0") != 0;
            sheet.pivots.push_back(p);
        }
    }

    void cacheSource(const std::string& pivotPart, PivotTable& p,
                     std::vector<std::string>& fields) {
        std::map<std::string, Relationship> rels;
        std::string ignored;
        if (!relationships(pivotPart, rels, ignored)) return;
        for (auto& [id, r] : rels) {
            if (!endsWith(r.type, "/pivotCacheDefinition")) continue;
            pugi::xml_document doc;
            if (!load(resolvePartName(pivotPart, r.target), doc, ignored)) return;
            pugi::xml_node def = child(doc, "pivotCacheDefinition");
            pugi::xml_node src = child(child(def, "cacheSource"), "worksheetSource");
            const char* ref = attr(src, "ref");
            const char* sheetName = attr(src, "sheet");
            if (ref && sheetName) {
                p.sourceText = sheetPrefix(sheetName) + ref;
                Sheet* s = book_->sheetNamed(sheetName);
                auto area = parseA1Area(ref);
                if (s && area) {
                    p.sourceSheet = s->id;
                    p.source = *area;
                }
            } else if (const char* name = attr(src, "name")) {
                p.sourceText = name;
            }
            for (pugi::xml_node f : children(child(def, "cacheFields"), "cacheField"))
                fields.push_back(attr(f, "name") ? decodeEscapes(attr(f, "name")) : "");
            return;
        }
    }
};

}  // namespace

std::unique_ptr<Workbook> readXlsx(Model& m, const std::string& path, std::string& error) {
    std::string why;
    auto book = Reader(m, path).read(why);
    if (!book) error = "The workbook " + path + " cannot be opened: " + why + ".";
    return book;
}

}  // namespace host
