// The table-driven dialog box: the host resolves list contents, hands the
// table to the front end and returns it with the user's entries.
#include "host/address.h"
#include "host/dispatch.h"

namespace host {

namespace {

enum ItemType {
    kDefaultOk = 1,
    kCancel = 2,
    kOk = 3,
    kTextEdit = 6,
    kIntegerEdit = 7,
    kNumberEdit = 8,
    kReferenceEdit = 10,
    kOptionGroup = 11,
    kCheckBox = 13,
    kListBox = 15,
    kDropDown = 16,
};

std::string cellText(const Value& v) {
    return v.isStr() ? v.str : valueToText(v);
}

// The items of the list a list box names.
std::vector<std::string> listItems(const std::string& name) {
    std::vector<std::string> items;
    Value v;
    if (name.empty() || !definedName(name, v)) return items;
    if (v.isArray()) {
        for (int r = 0; r < v.rows; ++r) items.push_back(cellText(v.at(r, 0)));
    } else if (!v.isNil() && !v.isErr()) {
        items.push_back(cellText(v));
    }
    return items;
}

// A result number typed by the front end ("" is 0; TRUE/FALSE are 1/0).
Value numberResult(const std::string& text) {
    double d = 0;
    if (text.empty()) return Value::number(0);
    if (textToNumber(text, d)) return Value::number(d);
    if (sameText(text, "TRUE")) return Value::number(1);
    if (sameText(text, "FALSE")) return Value::number(0);
    return Value::text(text);
}

Outcome dialogBoxHandler(Call& c) {
    const Value& table = c.arg(0);
    if (!table.isArray() || table.rows < 1 || table.cols < 1) return Outcome::badValue();
    const int cols = std::max(table.cols, 7);
    DialogTable dt;
    for (int r = 0; r < table.rows; ++r) {
        std::array<std::string, 7> row;
        for (int k = 0; k < 7 && k < table.cols; ++k) row[k] = cellText(table.at(r, k));
        dt.cells.push_back(row);
    }
    dt.lists.resize(dt.cells.size());
    for (int r = 1; r < dt.rows(); ++r)
        if (dt.baseType(r) == kListBox || dt.baseType(r) == kDropDown)
            dt.lists[r] = listItems(dt.cells[r][5]);

    const DialogTable shown = dt;
    FrontEnd* fe = state().frontEnd;
    if (!fe || !fe->dialogBox(dt)) return Outcome::ok(Value::boolean_(false));

    // The closing item must be an OK-type button that can be used.
    int pressed = dt.pressed;
    if (pressed == 0)
        for (int r = 1; r < shown.rows() && pressed == 0; ++r)
            if (shown.type(r) == kDefaultOk) pressed = r;
    if (pressed <= 0 || pressed >= shown.rows() || shown.dimmed(pressed) ||
        (shown.baseType(pressed) != kDefaultOk && shown.baseType(pressed) != kOk)) {
        hostMessage("The dialog box \"" + shown.cells[0][5] + "\" was closed by item " +
                    std::to_string(dt.pressed) + ", which is not a usable OK button.");
        return {xlretFailed, Value::boolean_(false)};
    }

    std::vector<Value> items(table.items.begin(), table.items.end());
    if (cols != table.cols) {
        items.clear();
        for (int r = 0; r < table.rows; ++r)
            for (int k = 0; k < cols; ++k)
                items.push_back(k < table.cols ? table.at(r, k) : Value());
    }
    auto result = [&](int r) -> Value& { return items[static_cast<size_t>(r) * cols + 6]; };
    result(0) = Value::number(pressed);
    for (int r = 1; r < shown.rows(); ++r) {
        if (shown.dimmed(r) || r >= dt.rows()) continue;  // dimmed items keep their value
        const std::string& entry = dt.cells[r][6];
        switch (shown.baseType(r)) {
            case kTextEdit:
            case kReferenceEdit:
                result(r) = Value::text(entry);
                break;
            case kIntegerEdit:
            case kNumberEdit:
            case kOptionGroup:
            case kCheckBox:
            case kListBox:
            case kDropDown:
                result(r) = numberResult(entry);
                break;
            default:
                break;
        }
    }
    return Outcome::ok(Value::array(table.rows, cols, std::move(items)));
}

}  // namespace

void addDialogEntries(std::vector<Entry>& t) {
    t.push_back({xlfDialogBox, 1, 1, dialogBoxHandler});
}

}  // namespace host
