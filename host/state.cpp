// Process-wide state, the journal and what the front end is told.
#include "host/state.h"

#include <cctype>

#include "host/address.h"

namespace host {

namespace {
std::unique_ptr<State>& holder() {
    static std::unique_ptr<State> s;
    return s;
}
}  // namespace

State& state() {
    auto& s = holder();
    if (!s) {
        s = std::make_unique<State>();
        s->bar = defaultMenuBar();
    }
    return *s;
}

bool CaseLess::operator()(const std::string& a, const std::string& b) const {
    size_t n = std::min(a.size(), b.size());
    for (size_t i = 0; i < n; ++i) {
        int x = std::tolower(static_cast<unsigned char>(a[i]));
        int y = std::tolower(static_cast<unsigned char>(b[i]));
        if (x != y) return x < y;
    }
    return a.size() < b.size();
}

std::vector<MenuItem> defaultMenuBar() {
    std::vector<MenuItem> bar;
    for (const char* name :
         {"&File", "&Edit", "&View", "&Insert", "F&ormat", "&Tools", "&Data", "&Window", "&Help"}) {
        MenuItem m;
        m.text = name;
        bar.push_back(m);
    }
    return bar;
}

bool sameMenuText(const std::string& a, const std::string& b) {
    auto norm = [](const std::string& s) {
        std::string out;
        for (char c : s)
            if (c != '&') out += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        while (!out.empty() && out.back() == ' ') out.pop_back();
        return out;
    };
    return norm(a) == norm(b);
}

AddIn* callingAddIn() {
    State& s = state();
    if (!s.callers.empty()) return s.callers.back();
    return s.addIns.empty() ? nullptr : s.addIns.back().get();
}

AddIn* addInByHandle(int handle) {
    for (auto& a : state().addIns)
        if (a->handle == handle) return a.get();
    return nullptr;
}

void showStatus(const std::string& text) {
    State& s = state();
    s.statusBar = text;
    s.journal.push_back({JournalKind::Status, text, 0, true});
    if (s.frontEnd) s.frontEnd->status(text);
}

bool showAlert(const std::string& text, int type) {
    State& s = state();
    bool ok = true;
    if (s.frontEnd) ok = s.frontEnd->alert(text, type);
    if (type != 1) ok = true;  // only type 1 asks
    s.journal.push_back({JournalKind::Alert, text, type, ok});
    return ok;
}

void hostMessage(const std::string& text) {
    State& s = state();
    s.journal.push_back({JournalKind::HostMessage, text, 0, true});
    if (s.frontEnd) s.frontEnd->hostMessage(text);
}

// ---- public: front end, journal, reset ---------------------------------------------

void setFrontEnd(FrontEnd* fe) {
    state().frontEnd = fe;
}
FrontEnd* frontEnd() {
    return state().frontEnd;
}
const std::vector<JournalEntry>& journal() {
    return state().journal;
}
void clearJournal() {
    state().journal.clear();
}
std::string statusBar() {
    return state().statusBar;
}

void setCallFault(CallFault fault) {
    state().fault = std::move(fault);
}

void reset() {
    State& s = state();
    FrontEnd* fe = s.frontEnd;
    // Latest first; an add-in whose code is running stays loaded.
    std::vector<int> handles;
    for (auto& a : s.addIns) handles.push_back(a->handle);
    for (auto it = handles.rbegin(); it != handles.rend(); ++it) {
        std::string error;
        closeAddIn(*it, error);
    }
    s.model.clear();
    holder() = std::make_unique<State>();
    holder()->bar = defaultMenuBar();
    holder()->frontEnd = fe;
}

int DialogTable::type(int row) const {
    if (row < 0 || row >= rows()) return 0;
    double d = 0;
    if (!textToNumber(cells[row][0], d)) return 0;
    return static_cast<int>(d);
}

}  // namespace host
