#include "gui/template.h"

#include <deque>
#include <map>
#include <mutex>
#include <set>

namespace gui {
namespace {

struct Registry {
    std::mutex lock;
    std::deque<DialogTemplate> store;  // deque: pointers stay valid as it grows
    std::map<int, const DialogTemplate*> byId;
};

Registry& registry() {
    static Registry r;
    return r;
}

}  // namespace

bool registerDialogTemplate(DialogTemplate tmpl) {
    Registry& r = registry();
    std::lock_guard<std::mutex> guard(r.lock);
    if (r.byId.count(tmpl.id) != 0) return false;
    r.store.push_back(std::move(tmpl));
    r.byId[r.store.back().id] = &r.store.back();
    return true;
}

const DialogTemplate* findDialogTemplate(int id) {
    Registry& r = registry();
    std::lock_guard<std::mutex> guard(r.lock);
    auto it = r.byId.find(id);
    return it == r.byId.end() ? nullptr : it->second;
}

std::vector<int> registeredTemplateIds() {
    Registry& r = registry();
    std::lock_guard<std::mutex> guard(r.lock);
    std::vector<int> ids;
    for (const auto& entry : r.byId) ids.push_back(entry.first);
    return ids;
}

bool checkDialogTemplate(const DialogTemplate& tmpl, std::string& problem) {
    if (tmpl.width <= 0 || tmpl.height <= 0) {
        problem = "dialog " + std::to_string(tmpl.id) + " has no size";
        return false;
    }
    std::set<int> ids;
    for (const ControlTemplate& c : tmpl.controls) {
        const std::string name = std::string(controlKindName(c.kind)) + " " + std::to_string(c.id) +
                                 " \"" + c.text + "\"";
        if (c.id != IDC_STATIC && !ids.insert(c.id).second) {
            problem = "dialog " + std::to_string(tmpl.id) + ": id " + std::to_string(c.id) +
                      " is used twice";
            return false;
        }
        if (c.pos.width <= 0 || c.pos.height <= 0) {
            problem = "dialog " + std::to_string(tmpl.id) + ": " + name + " has no size";
            return false;
        }
        if (c.pos.x < 0 || c.pos.y < 0 || c.pos.x + c.pos.width > tmpl.width ||
            c.pos.y + c.pos.height > tmpl.height) {
            problem =
                "dialog " + std::to_string(tmpl.id) + ": " + name + " lies outside the dialog";
            return false;
        }
    }
    return true;
}

const char* controlKindName(ControlKind kind) {
    switch (kind) {
        case ControlKind::StaticText:
            return "text";
        case ControlKind::GroupBox:
            return "group";
        case ControlKind::Edit:
            return "edit";
        case ControlKind::CheckBox:
            return "check box";
        case ControlKind::RadioButton:
            return "radio button";
        case ControlKind::PushButton:
            return "button";
        case ControlKind::ListBox:
            return "list box";
        case ControlKind::ProgressBar:
            return "progress bar";
    }
    return "control";
}

}  // namespace gui
