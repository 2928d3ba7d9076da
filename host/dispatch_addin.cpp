// Host functions for add-ins: registration, defined names, the status bar
// and alerts.
#include "host/address.h"
#include "host/dispatch.h"

namespace host {

namespace {

// The add-in a path names: the calling add-in when it has that path, else the
// one with that path loaded last.
AddIn* addInForPath(const std::string& path) {
    AddIn* caller = callingAddIn();
    if (caller && caller->path == path) return caller;
    State& s = state();
    for (auto it = s.addIns.rbegin(); it != s.addIns.rend(); ++it)
        if ((*it)->path == path) return it->get();
    return nullptr;
}

std::string textOr(const Value& v) {
    return v.isStr() ? v.str : valueToText(v);
}

Outcome registerHandler(Call& c) {
    auto path = textArg(c.arg(0));
    auto procedure = textArg(c.arg(1));
    if (!path || !procedure) return Outcome::badValue();
    AddIn* a = addInForPath(*path);
    if (!a || procedure->empty()) return Outcome::ok(Value::error(xlerrValue));
    void* address = a->symbol(*procedure);
    if (!address) return Outcome::ok(Value::error(xlerrValue));
    State& s = state();
    RegistrationInfo info;
    info.path = *path;
    info.procedure = *procedure;
    info.typeText = textOr(c.arg(2));
    info.functionText = textOr(c.arg(3));
    info.argumentText = textOr(c.arg(4));
    info.macroType = textOr(c.arg(5));
    info.category = textOr(c.arg(6));
    info.shortcut = textOr(c.arg(7));
    Registration* r = nullptr;
    for (Registration& existing : s.registrations)
        if (existing.addIn == a && sameText(existing.info.procedure, *procedure)) r = &existing;
    if (!r) {
        s.registrations.push_back({});
        r = &s.registrations.back();
        r->id = s.nextRegisterId++;
    }
    info.id = r->id;
    r->addIn = a;
    r->procedureAddress = address;
    r->info = info;
    if (!info.functionText.empty())
        s.names[info.functionText] = DefinedName{Value::number(r->id), r->id};
    return Outcome::ok(Value::number(r->id));
}

Outcome registerIdHandler(Call& c) {
    auto path = textArg(c.arg(0));
    auto procedure = textArg(c.arg(1));
    if (!path || !procedure) return Outcome::badValue();
    AddIn* preferred = addInForPath(*path);
    const Registration* found = nullptr;
    for (const Registration& r : state().registrations) {
        if (r.info.path != *path || !sameText(r.info.procedure, *procedure)) continue;
        if (!found || r.addIn == preferred) found = &r;
    }
    if (!found) return Outcome::ok(Value::error(xlerrValue));
    return Outcome::ok(Value::number(found->id));
}

Outcome unregisterHandler(Call& c) {
    State& s = state();
    int id = 0;
    if (auto n = intArg(c.arg(0)); n && !c.arg(0).isStr()) {
        id = *n;
    } else if (auto name = textArg(c.arg(0))) {
        auto it = s.names.find(*name);
        if (it != s.names.end()) id = it->second.registerId;
    } else {
        return Outcome::badValue();
    }
    size_t before = s.registrations.size();
    std::erase_if(s.registrations, [id](const Registration& r) { return r.id == id; });
    return Outcome::ok(Value::boolean_(s.registrations.size() != before));
}

Outcome setNameHandler(Call& c) {
    auto name = textArg(c.arg(0));
    if (!name || name->empty()) return Outcome::badValue();
    State& s = state();
    if (!c.given(1)) {
        s.names.erase(*name);
        return Outcome::ok(Value::boolean_(true));
    }
    s.names[*name] = DefinedName{c.arg(1), 0};
    return Outcome::ok(Value::boolean_(true));
}

Outcome getNameHandler(Call& c) {
    auto name = textArg(c.arg(0));
    if (!name) return Outcome::badValue();
    Value v;
    if (!definedName(*name, v)) return Outcome::ok(Value::error(xlerrName));
    return Outcome::ok(v);
}

Outcome getNameOfCallerHandler(Call& c) {
    (void)c;
    AddIn* a = callingAddIn();
    if (!a) return Outcome::failed();
    return Outcome::ok(Value::text(a->path));
}

Outcome messageHandler(Call& c) {
    auto on = boolArg(c.arg(0), false);
    if (!on) return Outcome::badValue();
    if (!*on) {
        state().statusBar.clear();
        return Outcome::ok(Value::boolean_(true));
    }
    auto text = textArg(c.arg(1));
    if (!text) {
        if (!c.given(1)) return Outcome::badValue();
        text = valueToText(c.arg(1));
    }
    showStatus(*text);
    return Outcome::ok(Value::boolean_(true));
}

Outcome alertHandler(Call& c) {
    std::string text = c.arg(0).isStr() ? c.arg(0).str : valueToText(c.arg(0));
    int type = 0;
    if (c.given(1)) {
        auto t = intArg(c.arg(1));
        if (!t) return Outcome::badValue();
        type = *t;
    }
    return Outcome::ok(Value::boolean_(showAlert(text, type)));
}

}  // namespace

void addAddInEntries(std::vector<Entry>& t) {
    t.push_back({xlfRegister, 2, 30, registerHandler});
    t.push_back({xlfRegisterId, 2, 3, registerIdHandler});
    t.push_back({xlfUnregister, 1, 1, unregisterHandler});
    t.push_back({xlfSetName, 1, 2, setNameHandler});
    t.push_back({xlfGetName, 1, 1, getNameHandler});
    t.push_back({xlGetName, 0, 0, getNameOfCallerHandler});
    t.push_back({xlcMessage, 1, 2, messageHandler});
    t.push_back({xlcAlert, 1, 3, alertHandler});
}

}  // namespace host
