// What the page is told about each open window: enough to draw it from its
// template (positions in dialog units, kinds, styles) and to show every value.
#include <fnmatch.h>

#include <cstdlib>

#include "app/drivers/dialog_box.h"
#include "app/drivers/web_driver.h"
#include "app/serve_folder.h"
#include "gui/template.h"

namespace app::drivers {

namespace {

using Json = nlohmann::json;

const char* kindName(gui::ControlKind kind) {
    switch (kind) {
        case gui::ControlKind::StaticText: return "static";
        case gui::ControlKind::GroupBox: return "group";
        case gui::ControlKind::Edit: return "edit";
        case gui::ControlKind::CheckBox: return "check";
        case gui::ControlKind::RadioButton: return "radio";
        case gui::ControlKind::PushButton: return "button";
        case gui::ControlKind::ListBox: return "list";
        case gui::ControlKind::ProgressBar: return "progress";
    }
    return "static";
}

Json controlView(const gui::Control& c) {
    Json v{{"id", c.id},
           {"kind", kindName(c.kind)},
           {"text", c.text},
           {"label", c.label},
           {"x", c.pos.x},
           {"y", c.pos.y},
           {"w", c.pos.width},
           {"h", c.pos.height},
           {"enabled", c.enabled},
           {"visible", c.visible}};
    Json style = Json::array();
    const std::pair<gui::ControlStyle, const char*> flags[] = {
        {gui::kDigitsOnly, "digits"},   {gui::kCentred, "centred"},
        {gui::kDefaultButton, "default"}, {gui::kMultiLine, "multiline"},
        {gui::kWantReturn, "wantreturn"}, {gui::kBorder, "border"},
        {gui::kVScroll, "vscroll"},     {gui::kGroupStart, "groupstart"}};
    for (const auto& [flag, name] : flags) {
        if (c.has(flag)) style.push_back(name);
    }
    v["style"] = style;
    switch (c.kind) {
        case gui::ControlKind::Edit:
            v["readOnly"] = c.readOnly;
            if (c.limit != 0) v["limit"] = c.limit;
            break;
        case gui::ControlKind::CheckBox:
        case gui::ControlKind::RadioButton:
            v["checked"] = c.checked == gui::kChecked;
            break;
        case gui::ControlKind::ListBox:
            v["items"] = c.items;
            v["selection"] = c.selection;
            break;
        case gui::ControlKind::ProgressBar:
            v["low"] = c.rangeLow;
            v["high"] = c.rangeHigh;
            v["position"] = c.position;
            break;
        default:
            break;
    }
    return v;
}

Json modalView(const WebDriver::Entry& e) {
    gui::ModalWindow& w = *e.modal;
    Json v{{"kind", "dialog"},
           {"caption", w.caption()},
           {"className", w.className()},
           {"minimized", w.isMinimized()}};
    if (w.pageCount() > 0) {
        Json pages = Json::array();
        for (int i = 0; i < w.pageCount(); ++i) pages.push_back(w.pageTitle(i));
        v["pages"] = pages;
        v["activePage"] = w.activePageIndex();
    }
    gui::Dialog* form = w.currentForm();
    Json controls = Json::array();
    if (form != nullptr) {
        if (const gui::DialogTemplate* t = gui::findDialogTemplate(form->templateId())) {
            v["width"] = t->width;
            v["height"] = t->height;
        }
        v["focus"] = form->focusedId() == gui::kNoFocus ? Json(nullptr) : Json(form->focusedId());
        for (const auto& c : form->controls()) controls.push_back(controlView(*c));
    }
    v["controls"] = controls;
    return v;
}

Json buttonsOf(const WebDriver::Entry& e) {
    if (e.kind == WebDriver::Entry::Kind::Alert)
        return e.type == 1 ? Json{"ok", "cancel"} : Json{"ok"};
    if (e.type == gui::MB_YESNO) return Json{"yes", "no"};
    if (e.type == gui::MB_OKCANCEL) return Json{"ok", "cancel"};
    return Json{"ok"};
}

bool matches(const std::string& name, const std::string& patterns) {
    std::size_t start = 0;
    while (start <= patterns.size()) {
        std::size_t end = patterns.find(';', start);
        if (end == std::string::npos) end = patterns.size();
        const std::string p = patterns.substr(start, end - start);
        if (p == "*.*" || p == "*") return true;
        if (!p.empty() && ::fnmatch(p.c_str(), name.c_str(), FNM_CASEFOLD) == 0) return true;
        start = end + 1;
    }
    return false;
}

Json fileView(const WebDriver::Entry& e, const WorkFolder& folder) {
    gui::FileDialog& d = *e.file;
    const auto entries = folder.list();
    Json filters = Json::array();
    for (const gui::FileFilter& f : d.filters()) {
        Json names = Json::array();
        for (const auto& entry : entries) {
            if (matches(entry.name, f.pattern)) names.push_back(entry.name);
        }
        filters.push_back({{"description", f.description}, {"pattern", f.pattern}, {"files", names}});
    }
    Json all = Json::array();
    for (const auto& entry : entries) all.push_back(entry.name);
    std::string caption = d.caption();
    if (caption.empty()) caption = d.isOpenDialog() ? "Open" : "Save As";
    const std::string ext = gui::applyDefaultExtension("x", d.defaultExtension());
    return Json{{"kind", "file"},
                {"caption", caption},
                {"open", d.isOpenDialog()},
                {"initial", d.initialName()},
                {"defaultExtension", ext.size() > 1 ? ext.substr(1) : std::string()},
                {"mustExist", (d.flags() & gui::FileDialog::kFileMustExist) != 0},
                {"filters", filters},
                {"files", all},
                {"confirm", e.confirm}};
}

// A number of a table cell; `missing` when the cell is empty or not a number.
int cellNumber(const std::string& text, int missing) {
    if (text.empty()) return missing;
    char* end = nullptr;
    const long v = std::strtol(text.c_str(), &end, 10);
    return end == text.c_str() ? missing : static_cast<int>(v);
}

}  // namespace

// Items without a position follow the one before them as the host's dialog
// boxes place them: inside a group box just below its title, otherwise on the
// next line; an option group takes no room of its own, so its first option
// sits where the group was placed.
Json boxView(const host::DialogTable& t) {
    constexpr int kMissing = -1;
    Json rows = Json::array();
    int prevX = 10, prevY = 10, prevBase = 0;
    for (int r = 1; r < t.rows(); ++r) {
        const auto& cells = t.cells[static_cast<std::size_t>(r)];
        const int base = boxBaseType(t, r);
        int x = cellNumber(cells[1], kMissing), y = cellNumber(cells[2], kMissing);
        if (x == kMissing) x = prevBase == kBoxGroup ? prevX + 15 : prevX;
        if (y == kMissing) {
            y = prevBase == kBoxGroup         ? prevY + 14
                : prevBase == kBoxOptionGroup ? prevY
                                              : prevY + 16;
        }
        prevX = x;
        prevY = y;
        prevBase = base;
        Json row{{"row", r},         {"type", base},
                 {"dimmed", boxDimmed(t, r)}, {"x", x},
                 {"y", y},           {"w", cellNumber(cells[3], 0)},
                 {"h", cellNumber(cells[4], 0)}, {"text", cells[5]},
                 {"value", cells[6]}};
        if (base == kBoxList && static_cast<std::size_t>(r) < t.lists.size())
            row["items"] = t.lists[static_cast<std::size_t>(r)];
        rows.push_back(row);
    }
    const auto& head = t.cells.empty() ? std::array<std::string, 7>{} : t.cells[0];
    return Json{{"kind", "box"},
                {"caption", head[5]},
                {"width", cellNumber(head[3], 400)},
                {"height", cellNumber(head[4], 300)},
                {"rows", rows}};
}

Json viewOf(const WebDriver::Entry& e, const WorkFolder& folder) {
    Json v;
    switch (e.kind) {
        case WebDriver::Entry::Kind::Modal:
            v = modalView(e);
            break;
        case WebDriver::Entry::Kind::File:
            v = fileView(e, folder);
            break;
        case WebDriver::Entry::Kind::Box:
            v = boxView(*e.table);
            v["focusRow"] = e.focusRow;
            break;
        case WebDriver::Entry::Kind::Message:
            v = Json{{"kind", "message"}, {"caption", e.caption}, {"text", e.text}};
            v["buttons"] = buttonsOf(e);
            break;
        case WebDriver::Entry::Kind::Alert:
            v = Json{{"kind", "alert"}, {"caption", "Quorant"}, {"text", e.text}};
            v["buttons"] = buttonsOf(e);
            break;
    }
    v["serial"] = e.serial;
    v["problem"] = e.problem;
    return v;
}

Json WebDriver::windowsView() const {
    Json out = Json::array();
    for (const auto& e : stack_) out.push_back(viewOf(*e, folder_));
    return out;
}

}  // namespace app::drivers
