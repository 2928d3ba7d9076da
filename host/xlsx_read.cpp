// Reading .xlsx workbooks: sheets, values, formulas (shared ones shifted per
// cell, array formulas), the results the file stored for formulas, number
// formats, column widths, defined names and pivot table definitions. The
// package itself is kept with the workbook, so that saving can write it again.
//
// Parts are found through the relationship files, element and attribute names
// are compared without their namespace prefixes, and numbers are read without
// regard to the locale. Sheets and shared strings are read piece by piece, so
// memory follows their contents rather than their size. The workbook is built
// completely before anything of it becomes visible.
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <map>
#include <set>
#include <pugixml.hpp>

#include "common/limits.h"
#include "host/address.h"
#include "host/state.h"
#include "host/xlsx_text.h"
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

// A name as shown in a message: at most 40 characters of it.
std::string shortened(const std::string& name) {
    return name.size() <= 40 ? name : name.substr(0, 40) + "...";
}

// Array formulas of one sheet whose areas are still ahead while reading (each
// cell is looked up among them).
constexpr size_t kMaxArrays = 1024;

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
        package_ = std::make_shared<SourcePackage>();
        package_->bytes = zip_.bytes();
        package_->workbookPart = workbookPart;
        package_->macros = macroEnabled(workbookPart);
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
            auto r = rid ? rels.find(rid) : rels.end();
            bool worksheet = r != rels.end() && endsWith(r->second.type, "/worksheet");
            sheetParts.push_back(worksheet ? resolvePartName(workbookPart, r->second.target) : "");
            // One part read as two sheets could not be written back as both.
            if (worksheet)
                for (size_t k = 0; k < sheetParts.size() - 1; ++k)
                    if (sameText(sheetParts[k], sheetParts.back())) {
                        error = "two of its sheets are the same part " + sheetParts.back();
                        return nullptr;
                    }
            SourceSheet src;
            src.name = sheet->name;
            src.relId = rid ? rid : "";
            src.part = r != rels.end() ? resolvePartName(workbookPart, r->second.target) : "";
            src.worksheet = worksheet;
            sheet->source = static_cast<int>(package_->sheets.size());
            package_->sheets.push_back(src);
            book_->sheets.push_back(std::move(sheet));
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
        book_->package = package_;
        return std::move(book_);
    }

  private:
    Model& m_;
    std::string path_;
    ZipFile zip_;
    std::vector<std::string> strings_;
    std::vector<std::string> xfFormats_;
    std::unique_ptr<Workbook> book_;
    std::shared_ptr<SourcePackage> package_;
    long lastKey_ = -1;  // the place of the sheet's last cell read
    bool rowGiven_ = false;  // the row being read names its number

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
        std::set<std::string> ids;
        for (pugi::xml_node r : children(child(doc, "Relationships"), "Relationship")) {
            const char* id = attr(r, "Id");
            const char* type = attr(r, "Type");
            const char* target = attr(r, "Target");
            const char* mode = attr(r, "TargetMode");
            // One id for two relationships is read one way here and another
            // way elsewhere (a sheet would be one part here, another there).
            if (id && !ids.insert(id).second) {
                error = "its part " + relsPart + " gives the relationship id " + id + " twice";
                return false;
            }
            if (!id || !type || !target || (mode && std::strcmp(mode, "External") == 0)) continue;
            out[id] = {type, target};
        }
        return true;
    }

    bool sharedStrings(const std::string& part, std::string& error) {
        XmlPull::Source src = zip_.stream(part, error);
        if (!src) return false;
        XmlPull x(std::move(src));
        std::vector<std::string> path;
        std::string item;
        for (;;) {
            XmlPull::Kind k = x.next();
            if (k == XmlPull::Kind::Eof) return true;
            if (k == XmlPull::Kind::Error) return notWellFormed(part, x, error);
            if (k == XmlPull::Kind::Start) {
                if (path.size() == 1 && std::strcmp(XmlPull::local(x.name), "si") == 0)
                    item.clear();
                if (!x.selfClosing) path.push_back(XmlPull::local(x.name));
                if (x.selfClosing && path.size() == 1 &&
                    std::strcmp(XmlPull::local(x.name), "si") == 0)
                    strings_.emplace_back();
            } else if (k == XmlPull::Kind::End) {
                if (path.size() == 2 && path[1] == "si") strings_.push_back(decodeEscapes(item));
                path.pop_back();
            } else if (k == XmlPull::Kind::Text && !path.empty() && path.back() == "t") {
                // <si><t> or <si><r><t>; phonetic runs (<rPh>) are left out.
                if ((path.size() == 3 && path[1] == "si") ||
                    (path.size() == 4 && path[1] == "si" && path[2] == "r"))
                    item += x.text;
            }
        }
    }

    static bool notWellFormed(const std::string& part, const XmlPull& x, std::string& error) {
        error = "its part " + part + " is not well-formed XML (" + x.error + ")";
        return false;
    }

    // Whether the package declares a macro-enabled workbook.
    bool macroEnabled(const std::string& workbookPart) {
        pugi::xml_document doc;
        std::string ignored;
        if (!zip_.has("[Content_Types].xml") || !load("[Content_Types].xml", doc, ignored))
            return false;
        for (pugi::xml_node o : children(child(doc, "Types"), "Override")) {
            const char* name = attr(o, "PartName");
            const char* type = attr(o, "ContentType");
            if (name && type && resolvePartName("", name) == workbookPart)
                return std::strstr(type, "macroEnabled") != nullptr;
        }
        return false;
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

    // What a <c> element holds.
    struct CellXml {
        std::string ref, style, type, value, formula, formulaType, formulaRef, sharedIndex,
            inlineText;
        bool hasValue = false, hasFormula = false, hasInline = false;
        bool content() const { return hasValue || hasFormula || hasInline; }
    };

    // An array formula seen on the sheet: its area and its text.
    struct ArrayArea {
        Rect area;
        std::string text;
    };

    // The text inside the current element (whose start tag was just read),
    // up to its end tag; texts of nested elements are joined when `nested`.
    static bool elementText(XmlPull& x, std::string& out, bool nested = true) {
        out.clear();
        if (x.selfClosing) return true;
        const int depth = x.depth();
        for (;;) {
            XmlPull::Kind k = x.next();
            if (k == XmlPull::Kind::Error || k == XmlPull::Kind::Eof) return false;
            if (k == XmlPull::Kind::End && x.depth() == depth) return true;
            if (k == XmlPull::Kind::Text && (nested || x.depth() == depth + 1)) out += x.text;
        }
    }

    // Reads a <c> element whose start tag was just read.
    static bool readCellXml(XmlPull& x, CellXml& c) {
        if (const std::string* a = x.attr("r")) c.ref = *a;
        if (const std::string* a = x.attr("s")) c.style = *a;
        if (const std::string* a = x.attr("t")) c.type = *a;
        if (x.selfClosing) return true;
        const int depth = x.depth();
        for (;;) {
            XmlPull::Kind k = x.next();
            if (k == XmlPull::Kind::Error || k == XmlPull::Kind::Eof) return false;
            if (k == XmlPull::Kind::End && x.depth() == depth) return true;
            if (k != XmlPull::Kind::Start || x.depth() != depth + 1) continue;
            const char* n = XmlPull::local(x.name);
            if (std::strcmp(n, "v") == 0) {
                c.hasValue = true;
                if (!elementText(x, c.value)) return false;
            } else if (std::strcmp(n, "f") == 0) {
                c.hasFormula = true;
                if (const std::string* a = x.attr("t")) c.formulaType = *a;
                if (const std::string* a = x.attr("ref")) c.formulaRef = *a;
                if (const std::string* a = x.attr("si")) c.sharedIndex = *a;
                if (!elementText(x, c.formula)) return false;
            } else if (std::strcmp(n, "is") == 0) {
                c.hasInline = true;
                if (!inlineText(x, c.inlineText)) return false;
            }
        }
    }

    // The text of an inline string: its <t>, or the <t> of every run.
    static bool inlineText(XmlPull& x, std::string& out) {
        out.clear();
        if (x.selfClosing) return true;
        const int depth = x.depth();
        std::vector<std::string> path;
        for (;;) {
            XmlPull::Kind k = x.next();
            if (k == XmlPull::Kind::Error || k == XmlPull::Kind::Eof) return false;
            if (k == XmlPull::Kind::End && x.depth() == depth) break;
            if (k == XmlPull::Kind::Start && !x.selfClosing) path.push_back(XmlPull::local(x.name));
            if (k == XmlPull::Kind::End && !path.empty()) path.pop_back();
            if (k == XmlPull::Kind::Text && !path.empty() && path.back() == "t" &&
                (path.size() == 1 || (path.size() == 2 && path[0] == "r")))
                out += x.text;
        }
        out = decodeEscapes(out);
        return true;
    }

    bool worksheet(Sheet& sheet, const std::string& part, std::string& error) {
        XmlPull::Source src = zip_.stream(part, error);
        if (!src) return false;
        XmlPull x(std::move(src));
        lastKey_ = -1;
        rowGiven_ = false;
        std::map<std::string, FormulaPtr> shared;
        std::vector<ArrayArea> arrays;
        SavedView view;
        int rowNumber = 0, colNumber = 0;
        std::vector<std::string> path;
        for (;;) {
            XmlPull::Kind k = x.next();
            if (k == XmlPull::Kind::Eof) break;
            if (k == XmlPull::Kind::Error) return notWellFormed(part, x, error);
            if (k == XmlPull::Kind::End) {
                if (!path.empty()) path.pop_back();
                continue;
            }
            if (k != XmlPull::Kind::Start) continue;
            const std::string n = XmlPull::local(x.name);
            const size_t level = path.size();
            if (level == 2 && path[1] == "sheetData" && n == "row") {
                const std::string* r = x.attr("r");
                // Kept within one row past the grid, so that no count can overflow.
                const long number = r ? std::strtol(r->c_str(), nullptr, 10) : long{rowNumber} + 1;
                rowNumber = static_cast<int>(std::clamp(number, 0L, long{kMaxRows} + 1));
                rowGiven_ = r != nullptr;
                colNumber = 0;
                std::erase_if(arrays,
                              [&](const ArrayArea& a) { return a.area.row2 < rowNumber - 1; });
            } else if (level == 3 && path[2] == "row" && n == "c") {
                CellXml c;
                if (!readCellXml(x, c)) return notWellFormed(part, x, error);
                if (!placeCell(sheet, c, rowNumber, colNumber, shared, arrays, error)) return false;
                continue;  // its end tag was read
            } else if (level == 1 && n == "sheetFormatPr") {
                double d = 0;
                if (const std::string* w = x.attr("defaultColWidth"); w && textToNumber(*w, d))
                    sheet.defaultWidth = d;
                else if (const std::string* b = x.attr("baseColWidth"); b && textToNumber(*b, d))
                    sheet.defaultWidth = d + 0.71;
            } else if (level == 2 && path[1] == "cols" && n == "col") {
                columnWidth(sheet, x);
            } else if (level == 2 && path[1] == "sheetViews" && n == "sheetView") {
                ++view.views;
            } else if (level == 3 && path[2] == "sheetView" && view.views == 1) {
                if (n == "pane")
                    if (const std::string* p = x.attr("activePane")) view.activePane = *p;
                if (n == "selection") {
                    SavedSelection sel;
                    if (const std::string* p = x.attr("pane")) sel.pane = *p;
                    if (const std::string* a = x.attr("activeCell")) sel.activeCell = *a;
                    if (const std::string* q = x.attr("sqref")) sel.sqref = *q;
                    view.selections.push_back(sel);
                }
            }
            if (!x.selfClosing) path.push_back(n);
        }
        pivotTables(sheet, part);
        selection(sheet, view);
        return true;
    }

    void columnWidth(Sheet& sheet, XmlPull& x) {
        const std::string* mn = x.attr("min");
        const std::string* mx = x.attr("max");
        const std::string* w = x.attr("width");
        double width = 0;
        if (!mn || !mx || !w || !textToNumber(*w, width) || width < 0) return;
        const long first = std::strtol(mn->c_str(), nullptr, 10);
        const long last = std::min(std::strtol(mx->c_str(), nullptr, 10), long{kMaxCols});
        for (long c = std::max(first, 1L); c <= last; ++c)
            sheet.widths[static_cast<int>(c - 1)] = width;
    }

    struct SavedSelection {
        std::string pane = "topLeft", activeCell, sqref;
    };
    struct SavedView {
        int views = 0;
        std::string activePane = "topLeft";
        std::vector<SavedSelection> selections;
    };

    // The selection saved with the sheet, as the user left it: the areas of
    // the sheet view's active pane and its active cell. Areas outside the
    // grid or unreadable are left out; without one, the sheet keeps A1.
    static void selection(Sheet& sheet, const SavedView& view) {
        constexpr size_t kMaxAreas = 256;
        const SavedSelection* chosen = nullptr;
        for (const SavedSelection& sel : view.selections)
            if (sel.pane == view.activePane) chosen = &sel;
        if (!chosen) return;
        std::vector<Rect> areas;
        const std::string& text = chosen->sqref;
        for (size_t at = 0; at < text.size() && areas.size() < kMaxAreas;) {
            size_t end = text.find(' ', at);
            if (end == std::string::npos) end = text.size();
            if (auto r = parseA1Area(text.substr(at, end - at))) areas.push_back(*r);
            at = end + 1;
        }
        std::optional<Rect> cell;
        if (!chosen->activeCell.empty()) cell = parseA1Area(chosen->activeCell);
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

    // Puts a cell read from the sheet into the model.
    bool placeCell(Sheet& sheet, const CellXml& c, int rowNumber, int& colNumber,
                   std::map<std::string, FormulaPtr>& shared, std::vector<ArrayArea>& arrays,
                   std::string& error) {
        int row = rowNumber - 1, col = colNumber;
        if (!c.ref.empty()) {
            auto area = parseA1Area(c.ref);
            if (!area) {
                if (c.content()) {
                    error = "sheet " + sheet.name + " has a cell beyond column IV or row " +
                            "65536 (" + c.ref + "); the host holds 256 columns x 65536 rows";
                    return false;
                }
                return true;
            }
            // A cell named for another row than the one that holds it is
            // read one way here and another way elsewhere.
            if (rowGiven_ && area->row1 != rowNumber - 1) {
                error = "sheet " + sheet.name + " lists cell " + c.ref + " in row " +
                        std::to_string(rowNumber);
                return false;
            }
            row = area->row1;
            col = area->col1;
        }
        colNumber = col + 1;
        if (row < 0 || row >= kMaxRows || col >= kMaxCols) {
            if (!c.content()) return true;
            error = "sheet " + sheet.name + " has cells beyond column IV or row 65536;" +
                    " the host holds 256 columns x 65536 rows";
            return false;
        }
        // Cells come in order, each once: a cell given twice, or out of its
        // place, would be read one way here and another way elsewhere.
        const long key = static_cast<long>(Sheet::key(row, col));
        if (key <= lastKey_) {
            error = "sheet " + sheet.name + " lists cell " + a1Cell(row, col) +
                    (key == lastKey_ ? " twice" : " out of order");
            return false;
        }
        lastKey_ = key;
        return cell(sheet, c, row, col, shared, arrays, error);
    }

    bool cell(Sheet& sheet, const CellXml& c, int row, int col,
              std::map<std::string, FormulaPtr>& shared, std::vector<ArrayArea>& arrays,
              std::string& error) {
        const std::string type = c.type.empty() ? "n" : c.type;
        std::string format;
        if (!c.style.empty()) {
            size_t xf = static_cast<size_t>(std::atoi(c.style.c_str()));
            if (xf < xfFormats_.size()) format = xfFormats_[xf];
        }
        FormulaPtr formula;
        bool arrayPart = false;
        if (c.hasFormula) {
            const bool isShared = c.formulaType == "shared" && !c.sharedIndex.empty();
            if (!c.formula.empty()) {
                std::string why;
                formula = m_.parse(sheet, c.formula, Notation::A1, row, col, why);
                if (!formula) formula = rawFormula(c.formula);
                if (isShared) shared[c.sharedIndex] = formula;
                if (c.formulaType == "array") {
                    arrayPart = true;
                    auto area = parseA1Area(c.formulaRef);
                    if (area && arrays.size() >= kMaxArrays) {
                        error = "sheet " + sheet.name + " has more than 1024 array formulas " +
                                "side by side";
                        return false;
                    }
                    if (area) arrays.push_back({*area, c.formula});
                }
            } else if (isShared) {
                // A follower of a shared formula: the master's formula, whose
                // relative references are offsets and so move to this cell.
                auto it = shared.find(c.sharedIndex);
                if (it != shared.end()) formula = it->second;
            }
        } else if (c.hasValue) {
            // A cell inside an array formula's area shows a part of its result.
            for (const ArrayArea& a : arrays)
                if (a.area.contains(row, col)) {
                    std::string why;
                    formula = m_.parse(sheet, a.text, Notation::A1, row, col, why);
                    if (!formula) formula = rawFormula(a.text);
                    arrayPart = true;
                    break;
                }
        }
        Value value;
        const std::string& vt = c.value;
        const bool hasValue = c.hasValue && !(vt.empty() && type != "s" && type != "str");
        if (type == "s") {
            size_t i = static_cast<size_t>(std::atol(vt.c_str()));
            if (c.hasValue && (vt.empty() || i >= strings_.size())) {
                error = "cell " + sheetPrefix(sheet.name) + a1Cell(row, col) +
                        " refers to a missing shared string";
                return false;
            }
            if (c.hasValue) value = Value::text(strings_[i]);
        } else if (type == "inlineStr") {
            if (c.hasInline) value = Value::text(c.inlineText);
        } else if (type == "str" || type == "d") {
            if (c.hasValue) value = Value::text(decodeEscapes(vt));
        } else if (type == "b") {
            if (hasValue) value = Value::boolean_(vt == "1" || vt == "true");
        } else if (type == "e") {
            if (hasValue) value = Value::error(errorCode(vt) >= 0 ? errorCode(vt) : xlerrValue);
        } else if (hasValue) {
            double d = 0;
            if (!textToNumber(vt, d)) {
                error = "cell " + sheetPrefix(sheet.name) + a1Cell(row, col) +
                        " holds a number that cannot be read: \"" + shortened(vt) + "\"";
                return false;
            }
            value = Value::number(d);
        }
        // An error constant is saved as a formula of its text (the format
        // has no other way to hold one): read it back as the constant.
        if (formula && !formula->raw && formula->root.kind == Node::Kind::Error) {
            value = Value::error(formula->root.error);
            formula.reset();
            arrayPart = false;
        }
        if (!formula && value.isNil() && format.empty()) return true;
        // Cells come in order (placeCell checks), so each goes at the end.
        Cell& cell =
            sheet.cells.emplace_hint(sheet.cells.end(), Sheet::key(row, col), Cell{})->second;
        cell.formula = formula;
        cell.value = formula ? Value() : value;
        if (formula && !value.isNil()) cell.stored = std::make_shared<const Value>(value);
        cell.arrayPart = formula && arrayPart;
        cell.format = std::move(format);
        cell.asRead = true;
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
