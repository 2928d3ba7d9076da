// A tiny add-in for the host's tests. On open it registers one command and
// puts a menu on the worksheet menu bar: "&Test", or "&Test (2)" when a "Test"
// menu is already there (a second copy of this library). Each copy counts
// its own runs, so two loaded copies show whether they are independent.
#include <cstdio>
#include <cstring>
#include <initializer_list>

#include "host/hostcall.h"

namespace {

int gRuns = 0;
int gCopy = 0;
char gPath[512];

struct Text {
    char buf[256];
    XLOPER x;
    explicit Text(const char* s) {
        size_t n = std::strlen(s);
        if (n > 255) n = 255;
        buf[0] = static_cast<char>(n);
        std::memcpy(buf + 1, s, n);
        x.xltype = xltypeStr;
        x.val.str = buf;
    }
};

XLOPER number(double d) {
    XLOPER x;
    x.xltype = xltypeNum;
    x.val.num = d;
    return x;
}

XLOPER nil() {
    XLOPER x;
    x.xltype = xltypeNil;
    return x;
}

int call(int fn, XLOPER* result, std::initializer_list<XLOPER*> args) {
    return Excel4v(fn, result, static_cast<int>(args.size()), const_cast<XLOPER**>(args.begin()));
}

void release(XLOPER& x) {
    XLOPER* p = &x;
    Excel4v(xlFree, nullptr, 1, &p);
}

// The path the host reports for the calling add-in.
void ownPath(char* out, size_t size) {
    XLOPER path;
    out[0] = '\0';
    if (Excel4v(xlGetName, &path, 0, nullptr) != xlretSuccess) return;
    if ((path.xltype & 0x0FFF) == xltypeStr) {
        size_t n = static_cast<unsigned char>(path.val.str[0]);
        if (n >= size) n = size - 1;
        std::memcpy(out, path.val.str + 1, n);
        out[n] = '\0';
    }
    release(path);
}

const char* functionText() {
    return gCopy == 1 ? "TestCommand" : "TestCommand_2";
}
const char* menuTitle() {
    return gCopy == 1 ? "&Test" : "&Test (2)";
}

void status(const char* text) {
    XLOPER on;
    on.xltype = xltypeBool;
    on.val.xbool = 1;
    Text t(text);
    call(xlcMessage, nullptr, {&on, &t.x});
}

}  // namespace

QTB_EXPORT int xlAutoOpen() {
    ownPath(gPath, sizeof gPath);
    XLOPER bar, ten = number(10), zero = number(0);
    Text test("Test");
    call(xlfGetBar, &bar, {&ten, &test.x, &zero});
    gCopy = (bar.xltype & 0x0FFF) == xltypeErr ? 1 : 2;
    release(bar);

    Text path(gPath), procedure("TestCommand"), type("A"), function(functionText()), args(""),
        macro("2"), category("Host tests"), shortcut("");
    XLOPER id;
    call(
        xlfRegister, &id,
        {&path.x, &procedure.x, &type.x, &function.x, &args.x, &macro.x, &category.x, &shortcut.x});
    release(id);

    Text title(menuTitle()), titleStatus("Menu of the test add-in"), run("&Run"),
        command(functionText()), runStatus("Runs the test command");
    XLOPER items[10] = {title.x, nil(),     nil(), titleStatus.x, nil(),
                        run.x,   command.x, nil(), runStatus.x,   nil()};
    XLOPER table;
    table.xltype = xltypeMulti;
    table.val.array.lparray = items;
    table.val.array.rows = 2;
    table.val.array.columns = 5;
    Text help("Help");
    XLOPER position;
    call(xlfAddMenu, &position, {&ten, &table, &help.x});
    release(position);
    return 1;
}

QTB_EXPORT int TestCommand() {
    ++gRuns;
    char path[512];
    ownPath(path, sizeof path);
    char text[600];
    std::snprintf(text, sizeof text, "Test command run %d of copy %d%s", gRuns, gCopy,
                  std::strcmp(path, gPath) == 0 ? "" : " (wrong path)");
    status(text);
    return gRuns;
}

QTB_EXPORT int xlAutoClose() {
    Text name(functionText());
    call(xlfSetName, nullptr, {&name.x});
    XLOPER ten = number(10);
    Text title(menuTitle());
    call(xlfDeleteMenu, nullptr, {&ten, &title.x});
    return 1;
}

QTB_EXPORT int xlAutoAdd() {
    Text text("Test add-in added");
    XLOPER type = number(2);
    call(xlcAlert, nullptr, {&text.x, &type});
    return 1;
}

QTB_EXPORT XLOPER* xlAddInManagerInfo(XLOPER* action) {
    static Text name("Host test add-in");
    static XLOPER error;
    XLOPER wanted = number(xltypeInt), asInt;
    if (call(xlCoerce, &asInt, {action, &wanted}) == xlretSuccess && asInt.val.w == 1)
        return &name.x;
    error.xltype = xltypeErr;
    error.val.err = xlerrValue;
    return &error;
}
