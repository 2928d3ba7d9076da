#include "app/serve_app.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <ostream>
#include <set>

#include "app/progress_line.h"
#include "app/serve_books.h"
#include "host/address.h"
#include "host/host.h"

namespace app {

namespace {

using Json = nlohmann::json;

Json failure(const std::string& why) {
    return Json{{"error", why}};
}

std::string textField(const Json& a, const char* key) {
    auto it = a.find(key);
    return it != a.end() && it->is_string() ? it->get<std::string>() : std::string();
}

int intField(const Json& a, const char* key, int fallback) {
    auto it = a.find(key);
    return it != a.end() && it->is_number_integer() ? it->get<int>() : fallback;
}

bool endsWith(const std::string& text, const std::string& tail) {
    return text.size() >= tail.size() &&
           text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

Json itemsView(const std::vector<host::MenuItemInfo>& items) {
    Json out = Json::array();
    for (const auto& i : items) {
        Json v{{"text", i.text}, {"status", i.statusText}};
        if (i.text == "-") v = Json{{"separator", true}};
        if (!i.items.empty() || i.submenu) v["items"] = itemsView(i.items);
        out.push_back(v);
    }
    return out;
}

std::string rc(int row, int col) {
    return "R" + std::to_string(row + 1) + "C" + std::to_string(col + 1);
}

int sheetIndex(const std::string& book, const std::string& sheet) {
    const auto names = host::sheetNames(book);
    auto it = std::find(names.begin(), names.end(), sheet);
    return it == names.end() ? -1 : static_cast<int>(it - names.begin());
}

}  // namespace

ServeApp::ServeApp(drivers::WebSession& session, drivers::WebDriver& driver,
                   const WorkFolder& folder, int addin)
    : session_(session), driver_(driver), folder_(folder), addin_(addin) {}

std::string ServeApp::addinText(const char* function) const {
    using Report = const char* (*)();
    auto report = reinterpret_cast<Report>(host::addInSymbol(addin_, function));
    const char* text = report != nullptr ? report() : nullptr;
    return text != nullptr ? text : "";
}

std::string ServeApp::instanceReport() const {
    return addinText("QTBTXfInstanceReport");
}

// The command a menu path runs ("" when there is no such item).
std::string ServeApp::commandOf(const std::vector<std::string>& path) const {
    auto key = [](const std::string& text) {
        std::string out;
        for (char ch : text)
            if (ch != '&') out += static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
        while (!out.empty() && out.back() == ' ') out.pop_back();
        return out;
    };
    std::vector<host::MenuItemInfo> level = host::menuBar();
    std::string command;
    for (const std::string& text : path) {
        auto it = std::find_if(level.begin(), level.end(), [&](const host::MenuItemInfo& i) {
            return key(i.text) == key(text);
        });
        if (it == level.end()) return "";
        command = it->command;
        std::vector<host::MenuItemInfo> next = it->items;  // `it` points into `level`
        level = std::move(next);
    }
    return command;
}

void ServeApp::syncBooks() {
    const std::vector<std::string> open = host::windows();
    std::erase_if(order_, [&](const std::string& b) {
        const bool gone = std::find(open.begin(), open.end(), b) == open.end();
        if (gone) {
            info_.erase(b);
            ours_.erase(b);
        }
        return gone;
    });
    for (auto it = open.rbegin(); it != open.rend(); ++it) {
        if (std::find(order_.begin(), order_.end(), *it) == order_.end()) order_.push_back(*it);
    }
}

Json ServeApp::menusView() const {
    Json out = Json::array();
    for (const auto& m : host::menuBar())
        out.push_back({{"text", m.text}, {"status", m.statusText}, {"items", itemsView(m.items)}});
    return out;
}

Json ServeApp::booksView() {
    syncBooks();
    const std::vector<std::string> unsaved = host::unsavedWorkbooks();
    const std::string active = host::activeWorkbook();
    Json out = Json::array();
    for (const std::string& name : order_) {
        const BookInfo& info = info_[name];
        Json b{{"name", name},
               {"sheets", host::sheetNames(name)},
               {"active", name == active},
               {"role", info.role},
               {"source", info.source},
               {"partner", info.partner},
               {"file", info.file},
               {"unsaved", std::find(unsaved.begin(), unsaved.end(), name) != unsaved.end()}};
        if (info.base > 0) b["base"] = info.base;
        if (name == active) b["activeSheet"] = sheetIndex(name, host::activeSheet());
        out.push_back(b);
    }
    return out;
}

// The add-sums dialog lists sums as "(1)*R3C2+...=0"; beside each the page
// shows the same sum with its cells named on the workbook.
void ServeApp::nameEquations(Json& windows) const {
    bool box = false;
    for (const Json& w : windows) box = box || w.value("kind", "") == "box";
    if (!box) return;
    const CapturedTable table = capturedTable(instanceReport());
    if (table.sums.empty()) return;
    const std::vector<std::string> sheets = host::sheetNames(captured_);
    for (Json& w : windows) {
        if (w.value("kind", "") != "box") continue;
        for (Json& row : w["rows"]) {
            if (row.value("type", 0) != 15 || !row.contains("items") ||
                row["items"].size() != table.sums.size()) {
                continue;
            }
            Json names = Json::array();
            for (const auto& sum : table.sums) names.push_back(equationNames(sum, sheets));
            row["names"] = names;
        }
    }
}

void ServeApp::publish() {
    Json c;
    c["folder"] = folder_.root().empty() ? std::string("/") : folder_.root();
    c["status"] = driver_.statusText();
    c["menus"] = menusView();
    c["books"] = booksView();
    c["activeBook"] = host::activeWorkbook();
    c["selection"] = host::activeWorkbook().empty() ? "" : host::selectionText();
    c["windows"] = driver_.windowsView();
    nameEquations(c["windows"]);
    c["notices"] = driver_.notices();
    c["help"] = driver_.help();
    c["result"] = result_;
    c["lastCommand"] = lastCommand_;
    c["changes"] = host::changeCount();
    c["captured"] = captured_;
    session_.publish(std::move(c));
}

Json ServeApp::act(const Json& a) {
    if (!a.is_object()) return failure("a request is an object");
    if (a.contains("window")) return driver_.act(a);
    const std::string verb = textField(a, "do");
    if (verb == "dismiss-help") {
        driver_.dismissHelp();
        return Json::object();
    }
    if (verb == "reference") {
        const std::string book = textField(a, "book");
        if (book != host::activeWorkbook())
            return failure("a reference must name a sheet of the active workbook " +
                           host::activeWorkbook());
        const std::string sheet = textField(a, "sheet");
        const int r1 = intField(a, "r1", 0), c1 = intField(a, "c1", 0);
        const int r2 = intField(a, "r2", r1), c2 = intField(a, "c2", c1);
        if (sheetIndex(book, sheet) < 0) return failure("there is no sheet " + sheet);
        std::string text = host::sheetPrefix(sheet) + rc(std::min(r1, r2), std::min(c1, c2));
        if (r1 != r2 || c1 != c2) text += ":" + rc(std::max(r1, r2), std::max(c1, c2));
        return driver_.insertReference(text);
    }
    if (driver_.windowOpen()) return failure("answer the open window first");
    std::string error;
    if (verb == "pick") return pick(a.value("path", Json::array()));
    if (verb == "open") return openFile(textField(a, "name"));
    if (verb == "save") return saveBook(textField(a, "book"));
    if (verb == "new") {
        return Json{{"book", host::newWorkbook()}};
    }
    if (verb == "close") {
        const std::string book = textField(a, "book");
        if (!host::closeWorkbook(book, error)) return failure(error);
        syncBooks();
        return Json::object();
    }
    if (verb == "activate" || verb == "select") {
        const std::string book = textField(a, "book");
        if (!book.empty() && !host::activateWorkbook(book, error)) return failure(error);
        const std::string sheet = textField(a, "sheet");
        if (!sheet.empty() && !host::selectSheet("[" + host::activeWorkbook() + "]" + sheet, error))
            return failure(error);
        if (verb == "select" && !host::selectRange(textField(a, "range"), error))
            return failure(error);
        return Json{{"selection", host::selectionText()}};
    }
    return failure("unknown request \"" + verb + "\"");
}

Json ServeApp::pick(const Json& path) {
    std::vector<std::string> texts;
    if (!path.is_array()) return failure("a menu pick names its menu and item");
    for (const auto& p : path) {
        if (!p.is_string()) return failure("a menu pick names its menu and item");
        texts.push_back(p.get<std::string>());
    }
    if (texts.size() < 2) return failure("a menu pick names its menu and item");
    const std::vector<std::string> before = host::windows();
    const std::string source = host::activeWorkbook();
    // The commands that capture the active workbook: its grid then shows
    // what became of each number.
    const std::string command = commandOf(texts);
    if (command == "QTBTXfOne" || command == "QTBTXfPRead") captured_ = source;
    driver_.takeResult();
    lastCommand_ = Json{{"item", texts.back()}, {"running", true}};
    publish();

    int result = 0;
    std::string error;
    const bool ran = host::runMenuItem(texts, result, error);
    const Json shown = driver_.takeResult();
    if (!shown.is_null()) result_ = shown;

    // The workbooks the command made: the rounding's two copies are told
    // apart by the " - p.i." of the interval sheets.
    std::vector<std::string> made;
    for (const std::string& w : host::windows()) {
        if (std::find(before.begin(), before.end(), w) == before.end()) made.push_back(w);
    }
    syncBooks();
    std::string rounded, intervals;
    for (const std::string& book : made) {
        BookInfo& info = info_[book];
        const auto sheets = host::sheetNames(book);
        const bool isIntervals =
            std::any_of(sheets.begin(), sheets.end(),
                        [](const std::string& s) { return endsWith(s, " - p.i."); });
        info.role = isIntervals ? "intervals" : !shown.is_null() ? "rounded" : "made";
        if (info.role != "made") info.source = source;
        if (isIntervals) intervals = book;
        if (info.role == "rounded") {
            rounded = book;
            std::string base = shown.value("base", std::string());
            std::replace(base.begin(), base.end(), ',', '.');
            info.base = std::strtod(base.c_str(), nullptr);
        }
    }
    if (!rounded.empty() && !intervals.empty()) {
        info_[rounded].partner = intervals;
        info_[intervals].partner = rounded;
    }
    Json saved = Json::array();
    for (const std::string& book : made) {
        const BookInfo& info = info_[book];
        const std::string stem = info.role == "rounded"     ? info.source + "-rounded"
                                 : info.role == "intervals" ? info.source + "-intervals"
                                                            : book;
        std::string file, why;
        if (saveAs(book, stem, file, why)) {
            saved.push_back({{"book", book}, {"file", file}, {"role", info.role}});
        } else {
            saved.push_back({{"book", book}, {"error", why}, {"role", info.role}});
        }
    }
    lastCommand_ = Json{{"item", texts.back()}, {"running", false}, {"saved", saved}};
    if (!ran) {
        lastCommand_["error"] = error;
        return failure(error);
    }
    lastCommand_["result"] = result;
    return Json{{"result", result}, {"saved", saved}};
}

bool ServeApp::saveAs(const std::string& book, const std::string& stem, std::string& file,
                      std::string& error) {
    const std::string name = folder_.freeName(stem, ".xlsx");
    std::string path;
    if (!folder_.writableFile(name, path, error)) return false;
    if (!host::saveWorkbook(book, path, error)) return false;
    info_[book].file = name;
    ours_.insert(book);
    file = name;
    return true;
}

Json ServeApp::saveBook(const std::string& book) {
    syncBooks();
    if (std::find(order_.begin(), order_.end(), book) == order_.end())
        return failure("there is no open workbook " + book);
    BookInfo& info = info_[book];
    std::string error, path;
    if (!info.file.empty() && !host::workbookChanged(book) &&
        folder_.existingFile(info.file, path, error)) {
        return Json{{"file", info.file}};  // the file holds what the workbook shows
    }
    if (ours_.count(book) != 0 && !info.file.empty() &&
        folder_.writableFile(info.file, path, error)) {
        if (!host::saveWorkbook(book, path, error)) return failure(error);
        return Json{{"file", info.file}};
    }
    std::string file;
    if (!saveAs(book, book, file, error)) return failure(error);
    return Json{{"file", file}};
}

Json ServeApp::openFile(const std::string& name) {
    if (driver_.windowOpen()) return failure("answer the open window first");
    std::string path, error;
    if (!folder_.existingFile(name, path, error)) return failure(error);
    if (!host::openWorkbook(path, error)) return failure(error);
    syncBooks();
    const std::string book = host::activeWorkbook();
    info_[book] = BookInfo{};
    info_[book].file = name;
    ours_.erase(book);
    return Json{{"book", book}};
}

Json ServeApp::sheet(const std::string& book, int index) {
    syncBooks();
    if (std::find(order_.begin(), order_.end(), book) == order_.end())
        return failure("there is no open workbook " + book);
    SheetViewOptions options;
    CapturedTable table;
    if (book == captured_) {
        table = capturedTable(instanceReport());
        readCaptureReport(addinText("QTBTXfCaptureReport"), table);
        const bool recorded = table.haveRecord && (!table.unrounded.empty() || !table.kept.empty());
        if (table.present || recorded) options.table = &table;
    }
    const BookInfo& info = info_[book];
    if (info.role == "rounded" && !info.source.empty()) {
        const auto sheets = host::sheetNames(info.source);
        if (index >= 0 && index < static_cast<int>(sheets.size()))
            options.original = "[" + info.source + "]" + sheets[static_cast<std::size_t>(index)];
    }
    Json view;
    std::string error;
    if (!sheetView(book, index, options, view, error)) return failure(error);
    view["role"] = info.role;
    if (info.base > 0) view["base"] = info.base;
    return view;
}

void ServeApp::finish(std::ostream& out) {
    for (const std::string& book : host::unsavedWorkbooks()) {
        const Json saved = saveBook(book);
        if (saved.contains("file")) {
            out << "quorant serve: saved the workbook " << book << " as "
                << saved["file"].get<std::string>() << "\n";
        } else {
            out << "quorant serve: the workbook " << book
                << " could not be saved: " << saved.value("error", std::string()) << "\n";
        }
    }
}

nlohmann::json progressView(const RunProgress& p) {
    const std::string text = progressLineText(p, 0.5, 200);
    if (text.empty()) return nullptr;
    const bool auditing = p.phase == kRunAuditing;
    return {{"text", text},
            {"done", auditing ? double(p.cellsAuditedSoFar) : p.elapsedSeconds},
            {"of", auditing ? double(p.cellCount) : p.limitSeconds}};
}

}  // namespace app
