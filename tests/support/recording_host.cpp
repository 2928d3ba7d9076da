#include "tests/support/recording_host.h"

#include "host/hostcall.h"

namespace testhost {

std::vector<Shown>& journal() {
    static std::vector<Shown> shown;
    return shown;
}

std::deque<bool>& alertAnswers() {
    static std::deque<bool> answers;
    return answers;
}

std::vector<std::string> statusTexts() {
    std::vector<std::string> out;
    for (const Shown& s : journal())
        if (s.kind == Shown::Status) out.push_back(s.text);
    return out;
}

std::vector<std::string> alertTexts() {
    std::vector<std::string> out;
    for (const Shown& s : journal())
        if (s.kind == Shown::Alert) out.push_back(s.text);
    return out;
}

void clear() {
    journal().clear();
    alertAnswers().clear();
}

namespace {
std::string textOf(const XLOPER* v) {
    if (!v || (v->xltype & 0xFFF) != xltypeStr || !v->val.str) return {};
    const unsigned char* s = reinterpret_cast<const unsigned char*>(v->val.str);
    return std::string(reinterpret_cast<const char*>(s + 1), s[0]);
}
}  // namespace

}  // namespace testhost

QTB_EXPORT int Excel4v(int xlfn, XLOPER* result, int count, XLOPER** opers) {
    using namespace testhost;
    if (xlfn == xlcMessage && count == 2) {
        journal().push_back({Shown::Status, textOf(opers[1]), 0});
        if (result) result->xltype = xltypeBool, result->val.xbool = 1;
        return xlretSuccess;
    }
    if (xlfn == xlcAlert && (count == 1 || count == 2)) {
        int type = count == 2 && (opers[1]->xltype & 0xFFF) == xltypeNum ? int(opers[1]->val.num) : 0;
        journal().push_back({Shown::Alert, textOf(opers[0]), type});
        bool ok = true;
        if (!alertAnswers().empty()) {
            ok = alertAnswers().front();
            alertAnswers().pop_front();
        }
        if (result) result->xltype = xltypeBool, result->val.xbool = ok ? 1 : 0;
        return xlretSuccess;
    }
    if (xlfn == xlFree) return xlretSuccess;
    return xlretInvXlfn;
}
