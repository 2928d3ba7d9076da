// Host commands for windows, workbooks and sheets.
#include <algorithm>

#include "host/address.h"
#include "host/dispatch.h"

namespace host {

namespace {

Model& model() {
    return state().model;
}

// A sheet of the active workbook named "Sheet" or "[Book]Sheet".
Sheet* activeBookSheet(const std::string& name) {
    Workbook* b = model().activeBook();
    if (!b) return nullptr;
    std::string book, sheet;
    splitBookSheet(name, book, sheet);
    if (!book.empty() && !sameText(book, b->name)) return nullptr;
    if (Sheet* s = b->sheetNamed(sheet)) return s;
    // The name alone of a one-sheet workbook named like its sheet.
    if (book.empty() && b->sheets.size() == 1 && sameText(b->name, sheet))
        return b->sheets[0].get();
    return nullptr;
}

Outcome workbookSelectHandler(Call& c) {
    auto names = textList(c.arg(0));
    if (!names || names->empty()) return Outcome::badValue();
    std::vector<Sheet*> sheets;
    for (const std::string& n : *names) {
        Sheet* s = activeBookSheet(n);
        if (!s) return Outcome::failed();
        sheets.push_back(s);
    }
    Sheet* active = sheets.front();
    if (c.given(1)) {
        auto name = textArg(c.arg(1));
        if (!name) return Outcome::badValue();
        active = activeBookSheet(*name);
        if (!active) return Outcome::failed();
    }
    Workbook* b = active->book;
    b->active = b->indexOf(active);
    return Outcome::ok(Value::boolean_(true));
}

Outcome workbookNextHandler(Call& c) {
    (void)c;
    Workbook* b = model().activeBook();
    if (!b || b->sheets.empty()) return Outcome::failed();
    b->active = (b->active + 1) % static_cast<int>(b->sheets.size());
    return Outcome::ok(Value::boolean_(true));
}

Outcome activateNextHandler(Call& c) {
    (void)c;
    auto& w = model().windows;
    if (w.empty()) return Outcome::failed();
    // The active window goes to the back; the next one becomes active.
    std::rotate(w.begin(), w.begin() + 1, w.end());
    return Outcome::ok(Value::boolean_(true));
}

Outcome activatePrevHandler(Call& c) {
    (void)c;
    auto& w = model().windows;
    if (w.empty()) return Outcome::failed();
    // The last window comes to the front.
    std::rotate(w.begin(), w.end() - 1, w.end());
    return Outcome::ok(Value::boolean_(true));
}

Outcome workbookCopyHandler(Call& c) {
    std::vector<Sheet*> from;
    if (c.given(0)) {
        auto names = textList(c.arg(0));
        if (!names || names->empty()) return Outcome::badValue();
        for (const std::string& n : *names) {
            Sheet* s = model().findSheet(n);
            if (!s || (!from.empty() && s->book != from.front()->book)) return Outcome::failed();
            if (std::find(from.begin(), from.end(), s) == from.end()) from.push_back(s);
        }
    } else {
        Sheet* s = model().activeSheet();
        if (!s) return Outcome::failed();
        from.push_back(s);
    }
    // Copies keep the order of the sheets in their workbook.
    Workbook* src = from.front()->book;
    std::sort(from.begin(), from.end(),
              [src](Sheet* a, Sheet* b) { return src->indexOf(a) < src->indexOf(b); });
    Workbook* dest = nullptr;
    int position = -1;
    bool made = false;
    if (c.given(1)) {
        auto name = textArg(c.arg(1));
        if (!name) return Outcome::badValue();
        dest = model().bookNamed(*name);
        if (!dest) return Outcome::failed();
        if (c.given(2)) {
            auto p = intArg(c.arg(2));
            if (!p || *p < 1) return Outcome::badValue();
            position = *p - 1;
        }
    } else {
        auto b = std::make_unique<Workbook>();
        b->name = model().nextBookName();
        b->createdInRun = true;
        b->copiedFrom = src->name;
        dest = model().addWorkbook(std::move(b));
        made = true;
    }
    size_t before = dest->sheets.size();
    model().copySheets(from, *dest, position);
    if (made) dest->nextSheetNumber = static_cast<int>(dest->sheets.size()) + 1;
    int first = position < 0 ? static_cast<int>(before) : position;
    dest->active = first;
    model().activate(dest);
    return Outcome::ok(Value::boolean_(true));
}

Outcome workbookInsertHandler(Call& c) {
    if (c.given(0)) {
        auto type = intArg(c.arg(0));
        if (!type) return Outcome::badValue();
        if (*type != 1) return Outcome::failed();  // only worksheets
    }
    Workbook* b = model().activeBook();
    if (!b) return Outcome::failed();
    std::string name;
    do {
        name = "Sheet" + std::to_string(b->nextSheetNumber++);
    } while (b->sheetNamed(name));
    int position = b->sheets.empty() ? 0 : b->active;
    model().addSheet(*b, name, position);
    b->active = position;
    return Outcome::ok(Value::boolean_(true));
}

Outcome workbookNameHandler(Call& c) {
    auto oldNames = textList(c.arg(0));
    auto newName = textArg(c.arg(1));
    if (!oldNames || oldNames->empty() || !newName) return Outcome::badValue();
    Sheet* s = activeBookSheet(oldNames->front());
    if (!s || !sheetNameProblem(*newName).empty()) return Outcome::failed();
    Sheet* other = s->book->sheetNamed(*newName);
    if (other && other != s) return Outcome::failed();
    s->name = *newName;
    model().touch(*s);
    return Outcome::ok(Value::boolean_(true));
}

Outcome newHandler(Call& c) {
    if (c.given(0)) {
        auto type = intArg(c.arg(0));
        if (!type) return Outcome::badValue();
        if (*type != 1 && *type != 5) return Outcome::failed();  // worksheet workbooks only
    }
    model().newWorkbook(3);
    return Outcome::ok(Value::boolean_(true));
}

Outcome openHandler(Call& c) {
    auto path = textArg(c.arg(0));
    if (!path) return Outcome::badValue();
    char delimiter = 0;
    if (c.given(3)) {
        auto format = intArg(c.arg(3));
        if (!format) return Outcome::badValue();
        switch (*format) {
            case 1:
                delimiter = '\t';
                break;
            case 2:
                delimiter = ',';
                break;
            case 3:
                delimiter = ' ';
                break;
            case 4:
                delimiter = ';';
                break;
            case 6: {
                auto custom = textArg(c.arg(8));
                if (!custom || custom->empty()) return Outcome::badValue();
                delimiter = (*custom)[0];
                break;
            }
            default:
                break;
        }
    }
    std::string error;
    if (!openFile(*path, delimiter, error)) {
        hostMessage(error);
        return Outcome::failed();
    }
    return Outcome::ok(Value::boolean_(true));
}

Outcome fileCloseHandler(Call& c) {
    Workbook* b = model().activeBook();
    auto save = boolArg(c.arg(0), false);
    if (!save) return Outcome::badValue();
    if (!b) return Outcome::failed();
    if (*save) {
        std::string error;
        if (b->path.empty()) {
            hostMessage("The workbook " + b->name + " has no file to be saved to.");
            return Outcome::failed();
        }
        if (!saveFile(*b, b->path, error)) {
            hostMessage(error);
            return Outcome::failed();
        }
    }
    model().closeBook(b);
    return Outcome::ok(Value::boolean_(true));
}

}  // namespace

void addSheetEntries(std::vector<Entry>& t) {
    t.push_back({xlcWorkbookSelect, 1, 3, workbookSelectHandler});
    t.push_back({xlcWorkbookNext, 0, 0, workbookNextHandler});
    t.push_back({xlcActivateNext, 0, 1, activateNextHandler});
    t.push_back({xlcActivatePrev, 0, 1, activatePrevHandler});
    t.push_back({xlcWorkbookCopy, 0, 3, workbookCopyHandler});
    t.push_back({xlcWorkbookInsert, 0, 1, workbookInsertHandler});
    t.push_back({xlcWorkbookName, 2, 2, workbookNameHandler});
    t.push_back({xlcNew, 0, 2, newHandler});
    t.push_back({xlcOpen, 1, 13, openHandler});
    t.push_back({xlcFileClose, 0, 2, fileCloseHandler});
}

}  // namespace host
