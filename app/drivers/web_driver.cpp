#include "app/drivers/web_driver.h"

#include "app/drivers/answers.h"
#include "app/drivers/dialog_box.h"
#include "app/serve_folder.h"
#include "gui/property_sheet.h"

namespace app::drivers {

namespace {

using Json = nlohmann::json;

constexpr std::size_t kNoticesKept = 50;

// Fields of an action, read without trusting their types.
int intField(const Json& a, const char* key, int fallback = 0) {
    auto it = a.find(key);
    if (it == a.end()) return fallback;
    if (it->is_number_integer()) return it->get<int>();
    if (it->is_number()) return static_cast<int>(it->get<double>());
    return fallback;
}

std::string textField(const Json& a, const char* key) {
    auto it = a.find(key);
    return it != a.end() && it->is_string() ? it->get<std::string>() : std::string();
}

bool boolField(const Json& a, const char* key) {
    auto it = a.find(key);
    return it != a.end() && it->is_boolean() && it->get<bool>();
}

Json failure(const std::string& why) {
    return Json{{"error", why}};
}

// The button Enter presses: the default push button that can be used, else OK.
int defaultButton(gui::Dialog& form) {
    for (const auto& c : form.controls()) {
        if (c->kind == gui::ControlKind::PushButton && c->has(gui::kDefaultButton) &&
            c->enabled && c->visible) {
            return c->id;
        }
    }
    return gui::IDOK;
}

}  // namespace

WebDriver::WebDriver(WebSession& session, const WorkFolder& folder)
    : session_(session), folder_(folder) {}

WebDriver::Entry& WebDriver::push(Entry::Kind kind) {
    auto e = std::make_unique<Entry>();
    e->kind = kind;
    e->serial = nextSerial_++;
    stack_.push_back(std::move(e));
    return *stack_.back();
}

void WebDriver::pop() {
    if (!stack_.empty()) stack_.pop_back();
    changed();
}

void WebDriver::changed() {
    if (onChange_) onChange_();
}

void WebDriver::notice(const std::string& kind, const std::string& text) {
    notices_.push_back(Json{{"kind", kind}, {"text", text}});
    if (notices_.size() > kNoticesKept)
        notices_.erase(notices_.begin(), notices_.end() - kNoticesKept);
}

// ---- windows ------------------------------------------------------------------------

void WebDriver::runModal(gui::ModalWindow& window) {
    if (!session_.stopping()) {
        Entry& e = push(Entry::Kind::Modal);
        e.modal = &window;
        if (std::string(window.className()) == "ResultDialog") {
            // What the Resolution Info shows is kept for the page's result panel.
            gui::Dialog* d = window.currentForm();
            Json figures = Json::array();
            for (const auto& c : d->controls()) {
                if (c->kind == gui::ControlKind::Edit) figures.push_back({c->label, c->text});
            }
            result_ = Json{{"figures", figures},
                           {"zeroRestricted", d->isChecked(12017) == gui::kChecked},
                           {"provenOptimal", d->isChecked(12025) == gui::kChecked},
                           {"base", d->itemText(12023)}};
        }
        changed();
        session_.waitUntil([&] { return window.isEnded(); });
        pop();
    }
    if (!window.isEnded()) {
        window.userCancel();
        if (!window.isEnded()) window.EndDialog(gui::IDCANCEL);
    }
}

int WebDriver::messageBox(const std::string& text, const std::string& caption, int type) {
    if (session_.stopping()) return type == gui::MB_YESNO ? gui::IDNO : gui::IDCANCEL;
    Entry& e = push(Entry::Kind::Message);
    e.text = text;
    e.caption = caption;
    e.type = type;
    e.answer = type == gui::MB_YESNO ? gui::IDNO : gui::IDCANCEL;
    changed();
    session_.waitUntil([&] { return e.closed; });
    const int answer = e.closed ? e.answer : (type == gui::MB_YESNO ? gui::IDNO : gui::IDCANCEL);
    notice("message", text);
    pop();
    return answer;
}

void WebDriver::runFileDialog(gui::FileDialog& dialog) {
    if (!session_.stopping()) {
        Entry& e = push(Entry::Kind::File);
        e.file = &dialog;
        changed();
        if (session_.waitUntil([&] { return e.closed; })) {
            pop();
            return;
        }
        pop();
    }
    dialog.userCancel();
}

void WebDriver::showHelp(const std::string& path, int context, const std::string* contents) {
    help_ = Json{{"path", path}, {"context", context}};
    help_["text"] = contents != nullptr ? Json(*contents) : Json(nullptr);
    changed();
}

void WebDriver::dismissHelp() {
    help_ = Json();
    changed();
}

void WebDriver::status(const std::string& text) {
    status_ = text;
    changed();
}

bool WebDriver::alert(const std::string& text, int type) {
    if (session_.stopping()) return type != 1;
    Entry& e = push(Entry::Kind::Alert);
    e.text = text;
    e.type = type;
    e.answer = gui::IDCANCEL;
    changed();
    session_.waitUntil([&] { return e.closed; });
    const bool ok = e.closed && e.answer == gui::IDOK;
    notice("alert", text);
    pop();
    return type == 1 ? ok : true;
}

bool WebDriver::dialogBox(host::DialogTable& table) {
    if (session_.stopping()) return false;
    Entry& e = push(Entry::Kind::Box);
    e.table = &table;
    changed();
    session_.waitUntil([&] { return e.closed; });
    const bool pressed = e.closed && e.answer == 1;
    pop();
    return pressed;
}

void WebDriver::hostMessage(const std::string& text) {
    notice("host", text);
    changed();
}

Json WebDriver::takeResult() {
    Json out = std::move(result_);
    result_ = Json();
    return out;
}

// ---- the user's actions ----------------------------------------------------------------

Json WebDriver::refuse(Entry& e, const std::string& why) {
    e.problem = why;
    changed();
    return failure(why);
}

Json WebDriver::act(const Json& action) {
    if (!action.is_object()) return failure("an action is an object");
    if (stack_.empty()) return failure("no window is open");
    Entry& e = *stack_.back();
    if (intField(action, "window") != e.serial)
        return failure("that window is no longer the one waiting for an answer");
    const std::string verb = textField(action, "do");
    e.problem.clear();
    Json out;
    switch (e.kind) {
        case Entry::Kind::Modal:
            out = actModal(e, verb, action);
            break;
        case Entry::Kind::File:
            out = actFile(e, verb, action);
            break;
        case Entry::Kind::Box:
            out = actBox(e, verb, action);
            break;
        case Entry::Kind::Message:
        case Entry::Kind::Alert: {
            const std::string answer = textField(action, "answer");
            const bool yesNo = e.kind == Entry::Kind::Message && e.type == gui::MB_YESNO;
            const bool twoButtons = e.kind == Entry::Kind::Message ? e.type != gui::MB_OK
                                                                   : e.type == 1;
            if (verb == "escape") {
                e.answer = yesNo ? gui::IDNO : (twoButtons ? gui::IDCANCEL : gui::IDOK);
            } else if (verb != "answer") {
                return refuse(e, "answer the message with one of its buttons");
            } else if (yesNo && (answer == "yes" || answer == "no")) {
                e.answer = answer == "yes" ? gui::IDYES : gui::IDNO;
            } else if (!yesNo && (answer == "ok" || (twoButtons && answer == "cancel"))) {
                e.answer = answer == "ok" ? gui::IDOK : gui::IDCANCEL;
            } else {
                return refuse(e, "this message has no button \"" + answer + "\"");
            }
            e.closed = true;
            break;
        }
    }
    changed();
    return out;
}

Json WebDriver::actModal(Entry& e, const std::string& verb, const Json& a) {
    gui::ModalWindow& w = *e.modal;
    gui::Dialog* form = w.currentForm();
    if (form == nullptr) return refuse(e, "\"" + w.caption() + "\" shows no page");
    const int id = intField(a, "id", gui::IDC_STATIC);
    std::string problem;
    if (verb == "focus") {
        problem = form->userFocus(id);
    } else if (verb == "type") {
        int refused = 0;
        problem = form->userType(id, textField(a, "text"), &refused);
        if (problem.empty() && refused > 0) {
            e.problem = refused == 1 ? "1 character was refused by the box"
                                     : std::to_string(refused) + " characters were refused by the box";
            changed();
            return Json{{"refused", refused}};
        }
    } else if (verb == "leave") {
        problem = form->userLeave(id);
    } else if (verb == "click") {
        problem = form->userClick(id);
    } else if (verb == "select") {
        problem = form->userSelect(id, intField(a, "index", -1));
    } else if (verb == "page") {
        problem = w.userSwitchPage(intField(a, "index", -1));
    } else if (verb == "ok") {
        problem = w.userOk();
    } else if (verb == "cancel" || verb == "escape") {
        problem = w.userCancel();
    } else if (verb == "enter") {
        const int button = w.pageCount() > 0 ? gui::IDOK : defaultButton(*form);
        problem = form->control(button) != nullptr ? form->userClick(button) : w.userOk();
    } else {
        problem = "unknown action \"" + verb + "\"";
    }
    if (!problem.empty()) return refuse(e, problem);
    return Json::object();
}

Json WebDriver::actFile(Entry& e, const std::string& verb, const Json& a) {
    gui::FileDialog& d = *e.file;
    if (verb == "cancel" || verb == "escape") {
        d.userCancel();
        e.closed = true;
        return Json::object();
    }
    if (verb != "choose") return refuse(e, "choose a file or cancel");
    const std::string typed = textField(a, "name");
    if (typed.empty()) return refuse(e, "no file name was given");
    if (typed.find_first_of("*?") != std::string::npos)
        return refuse(e, "\"" + typed + "\" is not a file name");
    std::string path, why;
    if (!folder_.writableFile(d.resolve(typed), path, why)) return refuse(e, why);
    std::string problem;
    const bool confirmed = boolField(a, "replace") && e.confirm == typed;
    switch (d.userChoose(path, confirmed, &problem)) {
        case gui::FileDialog::Choice::Accepted:
            e.closed = true;
            e.confirm.clear();
            return Json::object();
        case gui::FileDialog::Choice::NeedsReplaceConfirmation:
            e.confirm = typed;
            e.problem = problem;
            changed();
            return Json{{"confirm", problem}};
        default:
            e.confirm.clear();
            return refuse(e, problem);
    }
}

Json WebDriver::actBox(Entry& e, const std::string& verb, const Json& a) {
    host::DialogTable& t = *e.table;
    BoxStep step;
    step.row = intField(a, "row");
    if (verb == "focus") {
        if (step.row < 1 || step.row >= t.rows()) return refuse(e, "there is no such row");
        e.focusRow = step.row;
        return Json::object();
    } else if (verb == "set") {
        step.kind = BoxStep::Set;
        step.text = textField(a, "text");
    } else if (verb == "check") {
        step.kind = BoxStep::Check;
        step.on = boolField(a, "on");
    } else if (verb == "choose") {
        step.kind = BoxStep::Choose;
        step.text = std::to_string(intField(a, "index"));
    } else if (verb == "press") {
        step.kind = BoxStep::Press;
    } else if (verb == "enter" || verb == "ok") {
        // Enter presses the default button (type 1) when it can be used.
        step.kind = BoxStep::Press;
        step.row = 0;
        for (int r = 1; r < t.rows(); ++r) {
            if (boxItemType(t, r) == kBoxDefaultOk) step.row = r;
        }
        if (step.row == 0) return refuse(e, "the default button cannot be used now");
    } else if (verb == "cancel" || verb == "escape") {
        step.kind = BoxStep::Cancel;
    } else {
        return refuse(e, "unknown action \"" + verb + "\"");
    }
    BoxOutcome outcome = BoxOutcome::Open;
    std::string error;
    if (!playBoxStep(t, step, outcome, error)) return refuse(e, error);
    if (outcome != BoxOutcome::Open) {
        e.answer = outcome == BoxOutcome::Pressed ? 1 : 0;
        e.closed = true;
    }
    if (step.kind == BoxStep::Set) e.focusRow = step.row;
    return Json::object();
}

Json WebDriver::insertReference(const std::string& reference) {
    if (stack_.empty()) return failure("no window is open");
    Entry& e = *stack_.back();
    if (e.kind != Entry::Kind::Box || e.focusRow <= 0 ||
        boxItemType(*e.table, e.focusRow) != kBoxReferenceEdit) {
        return failure("click into a reference box of the dialog first");
    }
    e.table->cells[static_cast<std::size_t>(e.focusRow)][6] = reference;
    e.problem.clear();
    changed();
    return Json{{"row", e.focusRow}, {"text", reference}};
}

}  // namespace app::drivers
