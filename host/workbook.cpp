#include "host/workbook.h"

#include <algorithm>

#include "host/address.h"

namespace host {

// ---- sheets and workbooks -------------------------------------------------------

Cell* Sheet::find(int row, int col) {
    auto it = cells.find(key(row, col));
    return it == cells.end() ? nullptr : &it->second;
}

const Cell* Sheet::find(int row, int col) const {
    auto it = cells.find(key(row, col));
    return it == cells.end() ? nullptr : &it->second;
}

Cell& Sheet::at(int row, int col) {
    return cells[key(row, col)];
}

void Sheet::erase(int row, int col) {
    cells.erase(key(row, col));
}

std::optional<std::pair<int, int>> Sheet::lastUsed() const {
    int lastRow = -1, lastCol = -1;
    for (const auto& [k, c] : cells) {
        if (c.empty()) continue;
        lastRow = std::max(lastRow, static_cast<int>(k / kMaxCols));
        lastCol = std::max(lastCol, static_cast<int>(k % kMaxCols));
    }
    if (lastRow < 0) return std::nullopt;
    return std::make_pair(lastRow, lastCol);
}

int Workbook::indexOf(const Sheet* s) const {
    for (size_t i = 0; i < sheets.size(); ++i)
        if (sheets[i].get() == s) return static_cast<int>(i);
    return -1;
}

Sheet* Workbook::sheetNamed(const std::string& n) {
    for (auto& s : sheets)
        if (sameText(s->name, n)) return s.get();
    return nullptr;
}

// ---- the model --------------------------------------------------------------------

Sheet* Model::activeSheet() {
    Workbook* b = activeBook();
    return b ? b->activeSheet() : nullptr;
}

Sheet* Model::sheetById(uint32_t id) {
    auto it = byId_.find(id);
    return it == byId_.end() ? nullptr : it->second;
}

Workbook* Model::bookNamed(const std::string& n) {
    for (auto& b : windows)
        if (sameText(b->name, n)) return b.get();
    return nullptr;
}

Sheet* Model::findSheet(const std::string& text) {
    std::string book, sheet;
    splitBookSheet(text, book, sheet);
    if (!book.empty()) {
        Workbook* b = bookNamed(book);
        return b ? b->sheetNamed(sheet) : nullptr;
    }
    if (Workbook* b = activeBook())
        if (Sheet* s = b->sheetNamed(sheet)) return s;
    Workbook* b = bookNamed(sheet);
    if (b && b->sheets.size() == 1 && sameText(b->sheets[0]->name, sheet))
        return b->sheets[0].get();
    return nullptr;
}

Workbook* Model::addWorkbook(std::unique_ptr<Workbook> book) {
    for (auto& s : book->sheets) {
        s->book = book.get();
        registerSheet(s.get());
    }
    windows.insert(windows.begin(), std::move(book));
    ++generation;  // references by book name may now resolve
    return windows.front().get();
}

std::string Model::nextBookName() {
    for (;;) {
        std::string n = "Book" + std::to_string(nextBookNumber_++);
        if (!bookNamed(n)) return n;
    }
}

std::string Model::uniqueBookName(const std::string& wanted) {
    if (!bookNamed(wanted)) return wanted;
    for (int i = 2;; ++i) {
        std::string n = wanted + " (" + std::to_string(i) + ")";
        if (!bookNamed(n)) return n;
    }
}

Sheet* Model::addSheet(Workbook& book, const std::string& name, int position) {
    auto s = std::make_unique<Sheet>();
    s->id = allocateSheetId();
    s->name = name;
    s->book = &book;
    Sheet* raw = s.get();
    if (position < 0 || position > static_cast<int>(book.sheets.size()))
        position = static_cast<int>(book.sheets.size());
    book.sheets.insert(book.sheets.begin() + position, std::move(s));
    registerSheet(raw);
    book.dirty = true;
    ++generation;
    return raw;
}

Workbook* Model::newWorkbook(int sheetCount) {
    auto b = std::make_unique<Workbook>();
    b->name = nextBookName();
    b->createdInRun = true;
    Workbook* raw = b.get();
    addWorkbook(std::move(b));
    for (int i = 1; i <= sheetCount; ++i) addSheet(*raw, "Sheet" + std::to_string(i), -1);
    raw->nextSheetNumber = sheetCount + 1;
    raw->active = 0;
    raw->dirty = false;
    return raw;
}

void Model::copySheets(const std::vector<Sheet*>& from, Workbook& dest, int position) {
    if (position < 0 || position > static_cast<int>(dest.sheets.size()))
        position = static_cast<int>(dest.sheets.size());
    std::map<uint32_t, uint32_t> ids;
    std::vector<std::pair<Sheet*, Sheet*>> pairs;
    for (Sheet* src : from) {
        std::string name = src->name;
        for (int n = 2; dest.sheetNamed(name); ++n) {
            std::string suffix = " (" + std::to_string(n) + ")";
            name = src->name.substr(0, 31 - suffix.size()) + suffix;
        }
        Sheet* copy = addSheet(dest, name, position++);
        ids[src->id] = copy->id;
        pairs.emplace_back(src, copy);
    }
    auto map = [&](uint32_t id) {
        auto it = ids.find(id);
        return it == ids.end() ? id : it->second;
    };
    for (auto& [src, copy] : pairs) {
        for (const auto& [k, c] : src->cells) {
            Cell& d = copy->cells[k];
            d.value = c.value;
            d.format = c.format;
            d.formula = remapSheets(c.formula, map);
            d.stored = c.stored;
            d.asRead = c.asRead;
            d.arrayPart = c.arrayPart;
        }
        copy->widths = src->widths;
        copy->widthsChanged = src->widthsChanged;
        copy->defaultWidth = src->defaultWidth;
        // The copy shares the source's package when it goes into a workbook
        // made for it; in a workbook of another package it is a new sheet.
        if (src->source >= 0 && src->book->package) {
            if (!dest.package && dest.sheets.size() == pairs.size() && dest.createdInRun)
                dest.package = src->book->package;
            if (dest.package == src->book->package) copy->source = src->source;
        }
        copy->selection = src->selection;
        copy->activeRow = src->activeRow;
        copy->activeCol = src->activeCol;
        copy->pivots = src->pivots;
        for (PivotTable& p : copy->pivots) p.sourceSheet = map(p.sourceSheet);
    }
    dest.dirty = true;
    ++generation;
}

void Model::closeBook(Workbook* book) {
    for (auto it = windows.begin(); it != windows.end(); ++it) {
        if (it->get() != book) continue;
        for (auto& s : book->sheets) unregisterSheet(s->id);
        windows.erase(it);
        ++generation;
        return;
    }
}

void Model::activate(Workbook* book) {
    for (auto it = windows.begin(); it != windows.end(); ++it) {
        if (it->get() != book) continue;
        std::rotate(windows.begin(), it, it + 1);
        return;
    }
}

void Model::clear() {
    windows.clear();
    byId_.clear();
    ++generation;
}

std::string Model::fullName(const Sheet& s) {
    return "[" + s.book->name + "]" + s.name;
}

std::string Model::documentName(const Sheet& s) {
    if (s.book->sheets.size() == 1 && sameText(s.name, s.book->name)) return s.name;
    return fullName(s);
}

// ---- cell contents --------------------------------------------------------------

void Model::touch(Sheet& s) {
    ++generation;
    if (s.book) s.book->dirty = true;
}

void Model::setValue(Sheet& s, int row, int col, Value v) {
    touch(s);
    if (v.isNil() || v.isMissing()) {
        Cell* c = s.find(row, col);
        if (!c) return;
        const bool wasRead = c->asRead && !c->empty();
        c->formula.reset();
        c->value = Value::nil();
        c->stored.reset();
        c->arrayPart = false;
        c->asRead = false;
        // A cell the file held stays, empty, so that what depends on it
        // sees the change.
        if (c->format.empty() && !wasRead) s.erase(row, col);
        return;
    }
    Cell& c = s.at(row, col);
    c.formula.reset();
    c.stored.reset();
    c.arrayPart = false;
    c.asRead = false;
    c.value = std::move(v);
}

void Model::setFormula(Sheet& s, int row, int col, FormulaPtr f) {
    touch(s);
    Cell& c = s.at(row, col);
    c.formula = std::move(f);
    c.value = Value::nil();
    c.stored.reset();
    c.arrayPart = false;
    c.asRead = false;
    c.cacheGen = 0;
}

SheetResolver Model::resolverFor(Sheet& s) {
    return [this, &s](const std::string& book, const std::string& sheet, uint32_t& id) {
        Workbook* b = book.empty() ? s.book : bookNamed(book);
        Sheet* t = b ? b->sheetNamed(sheet) : nullptr;
        if (!t) return false;
        id = t->id;
        return true;
    };
}

SheetNamer Model::namerFor(Sheet& s) {
    return [this, &s](uint32_t id, std::string& book) -> std::string {
        Sheet* t = sheetById(id);
        if (!t) return "";
        book = t->book == s.book ? "" : t->book->name;
        return t->name;
    };
}

FormulaPtr Model::parse(Sheet& s, const std::string& text, Notation n, int row, int col,
                        std::string& error) {
    return parseFormula(text, n, row, col, resolverFor(s), error);
}

std::string Model::formulaText(Sheet& s, int row, int col, Notation n) {
    Cell* c = s.find(row, col);
    if (!c) return "";
    if (c->formula) return renderFormula(*c->formula, n, row, col, namerFor(s));
    return valueToText(c->value);
}

}  // namespace host
