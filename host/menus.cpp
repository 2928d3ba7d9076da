// The worksheet menu bar: adding, finding and deleting menus and submenus,
// listing the bar and running a picked item.
#include "host/dispatch.h"

namespace host {

namespace {

constexpr int kWorksheetBar = 10;

// A 1-based position, or the position of the entry whose text matches; -1
// when neither.
int findPosition(const std::vector<MenuItem>& list, const Value& which) {
    if (which.isStr()) {
        for (size_t i = 0; i < list.size(); ++i)
            if (sameMenuText(list[i].text, which.str)) return static_cast<int>(i) + 1;
        return -1;
    }
    auto n = intArg(which);
    if (!n || *n < 1 || *n > static_cast<int>(list.size())) return -1;
    return *n;
}

std::string cellText(const Value& v) {
    return v.isStr() ? v.str : valueToText(v);
}

// Reads a menu table (rows x up to 5 texts): row 0 the menu or submenu, the
// other rows its items.
bool readMenuTable(const Value& table, MenuItem& out) {
    if (!table.isArray() || table.rows < 1 || table.cols < 1) return false;
    auto cell = [&](int r, int c) { return c < table.cols ? cellText(table.at(r, c)) : ""; };
    out.text = cell(0, 0);
    out.statusText = cell(0, 3);
    out.helpRef = cell(0, 4);
    for (int r = 1; r < table.rows; ++r) {
        MenuItem item;
        item.text = cell(r, 0);
        item.command = cell(r, 1);
        item.shortcut = cell(r, 2);
        item.statusText = cell(r, 3);
        item.helpRef = cell(r, 4);
        out.items.push_back(item);
    }
    return true;
}

Outcome getBarHandler(Call& c) {
    if (c.args.empty()) return Outcome::ok(Value::number(kWorksheetBar));
    auto bar = intArg(c.arg(0));
    if (!bar) return Outcome::badValue();
    if (*bar != kWorksheetBar) return Outcome::ok(Value::error(xlerrValue));
    auto& menus = state().bar;
    int m = findPosition(menus, c.arg(1));
    if (m < 0) return Outcome::ok(Value::error(xlerrNA));
    const MenuItem& menu = menus[m - 1];
    auto item = intArg(c.arg(2));
    if (c.arg(2).isStr() || (item && *item != 0)) {
        int i = findPosition(menu.items, c.arg(2));
        if (i < 0) return Outcome::ok(Value::error(xlerrNA));
        return Outcome::ok(Value::text(menu.items[i - 1].text));
    }
    return Outcome::ok(Value::text(menu.text));
}

Outcome addMenuHandler(Call& c) {
    auto bar = intArg(c.arg(0));
    if (!bar) return Outcome::badValue();
    if (*bar != kWorksheetBar) return Outcome::ok(Value::error(xlerrValue));
    MenuItem added;
    if (!readMenuTable(c.arg(1), added)) return Outcome::badValue();
    auto& menus = state().bar;
    if (c.given(3)) {
        // A submenu inside an existing menu, before an item.
        int m = findPosition(menus, c.arg(2));
        if (m < 0) return Outcome::ok(Value::error(xlerrValue));
        auto& items = menus[m - 1].items;
        int before = findPosition(items, c.arg(3));
        if (before < 0) {
            auto n = intArg(c.arg(3));
            if (!n || *n < 1 || c.arg(3).isStr()) return Outcome::ok(Value::error(xlerrValue));
            before = static_cast<int>(items.size()) + 1;  // past the end: appended
        }
        added.submenu = true;
        items.insert(items.begin() + (before - 1), added);
        return Outcome::ok(Value::number(before));
    }
    int before = static_cast<int>(menus.size()) + 1;
    if (c.given(2)) {
        int found = findPosition(menus, c.arg(2));
        if (found > 0) {
            before = found;
        } else if (!c.arg(2).isStr()) {
            auto n = intArg(c.arg(2));
            if (!n || *n < 1) return Outcome::ok(Value::error(xlerrValue));
        }
    }
    menus.insert(menus.begin() + (before - 1), added);
    return Outcome::ok(Value::number(before));
}

Outcome deleteMenuHandler(Call& c) {
    auto bar = intArg(c.arg(0));
    if (!bar) return Outcome::badValue();
    if (*bar != kWorksheetBar) return Outcome::ok(Value::error(xlerrValue));
    auto& menus = state().bar;
    int m = findPosition(menus, c.arg(1));
    if (m < 0) return Outcome::ok(Value::error(xlerrValue));
    menus.erase(menus.begin() + (m - 1));
    return Outcome::ok(Value::boolean_(true));
}

MenuItemInfo info(const MenuItem& m) {
    MenuItemInfo i;
    i.text = m.text;
    i.command = m.command;
    i.shortcut = m.shortcut;
    i.statusText = m.statusText;
    i.helpRef = m.helpRef;
    i.submenu = m.submenu;
    for (const MenuItem& sub : m.items) i.items.push_back(info(sub));
    return i;
}

void describe(const MenuItem& m, int depth, std::string& out) {
    out += std::string(static_cast<size_t>(depth) * 2, ' ') + m.text;
    if (m.submenu) out += " >";
    if (!m.command.empty()) out += "  [" + m.command + "]";
    if (!m.statusText.empty()) out += "  \"" + m.statusText + "\"";
    out += "\n";
    for (const MenuItem& sub : m.items) describe(sub, depth + 1, out);
}

}  // namespace

void addMenuEntries(std::vector<Entry>& t) {
    t.push_back({xlfGetBar, 0, 3, getBarHandler});
    t.push_back({xlfAddMenu, 2, 4, addMenuHandler});
    t.push_back({xlfDeleteMenu, 2, 2, deleteMenuHandler});
}

std::vector<MenuItemInfo> menuBar() {
    std::vector<MenuItemInfo> out;
    for (const MenuItem& m : state().bar) out.push_back(info(m));
    return out;
}

std::string menuBarText() {
    std::string out;
    for (const MenuItem& m : state().bar) describe(m, 0, out);
    return out;
}

bool runMenuItem(const std::vector<std::string>& path, int& result, std::string& error) {
    if (path.size() < 2) {
        error = "a menu item is named by its menu and its text";
        return false;
    }
    const std::vector<MenuItem>* list = &state().bar;
    const MenuItem* item = nullptr;
    std::string where;
    for (const std::string& text : path) {
        item = nullptr;
        for (const MenuItem& m : *list)
            if (sameMenuText(m.text, text)) {
                item = &m;
                break;
            }
        where += (where.empty() ? "" : " > ") + text;
        if (!item) {
            error = "there is no menu item " + where;
            return false;
        }
        list = &item->items;
    }
    if (item->command.empty()) {
        error = "the menu item " + where + " has no command";
        return false;
    }
    std::string command = item->command;  // the command may change the menus
    return runCommand(command, result, error);
}

}  // namespace host
