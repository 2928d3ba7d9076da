// The add-in's entry points: open, close, add, remove, register on demand, the
// add-in list name, and the exit and unload commands.
#include "shell/addin.h"

#include <cctype>
#include <cstdio>
#include <cstring>
#include <memory>

#include "instance/instance.h"
#include "shell/addin_tables.h"
#include "shell/host_api.h"

namespace {

constexpr int kWorksheetMenuBar = 10;

// The add-in's own path, as the host names it (released after each use).
XLOPER ownPath;
// Position of the main menu as the host returned it when it was added.
XLOPER mainMenuPosition;

bool isError(const XLOPER& v) { return (v.xltype & 0xFFF) == xltypeErr; }

void getOwnPath() { CallHost(xlGetName, &ownPath, 0); }
void releaseOwnPath() {
    CallHost(xlFree, nullptr, 1, &ownPath);
    ownPath = XLOPER{};
}

XLOPER stringValue(char* countedCell) {
    XLOPER v{};
    v.xltype = xltypeStr;
    v.val.str = countedCell;
    return v;
}

void registerRow(int row) {
    XLOPER cells[kRegCols];
    XLOPER* values[kRegCols + 1];
    values[0] = &ownPath;
    for (int c = 0; c < kRegCols; ++c) {
        cells[c] = stringValue(regTable[row][c]);
        values[c + 1] = &cells[c];
    }
    CallHostv(xlfRegister, nullptr, kRegCols + 1, values);
}

// A menu table as the host takes it: an array of rows x 5 strings pointing
// into the table, in a block allocated for the call and freed after it.
struct MenuArray {
    std::unique_ptr<XLOPER[]> elements;
    XLOPER value{};
    MenuArray(char (*table)[kMenuCols][kMenuWidth], int rows)
        : elements(new XLOPER[size_t(rows) * kMenuCols]) {
        for (int r = 0; r < rows; ++r)
            for (int c = 0; c < kMenuCols; ++c)
                elements[size_t(r) * kMenuCols + size_t(c)] = stringValue(table[r][c]);
        value.xltype = xltypeMulti;
        value.val.array.lparray = elements.get();
        value.val.array.rows = uint16_t(rows);
        value.val.array.columns = kMenuCols;
    }
};

// Asks the host for a menu of the worksheet menu bar; true when it exists.
// The host's answer is released.
bool menuExists(const char* reservedName) {
    char name[64];
    std::snprintf(name, sizeof name, "%s", reservedName);
    XLOPER answer{};
    int code = CallHost(xlfGetBar, &answer, 3, ScratchNumber(kWorksheetMenuBar),
                        ScratchString(name), ScratchNumber(0));
    bool exists = code == xlretSuccess && !isError(answer);
    if (code == xlretSuccess) CallHost(xlFree, nullptr, 1, &answer);
    return exists;
}

void addMenus(int submenuBefore) {
    MenuArray main(mainMenuTable, kMainMenuRows);
    char before[] = " Help";
    CallHost(xlfAddMenu, &mainMenuPosition, 3, ScratchNumber(kWorksheetMenuBar), &main.value,
             ScratchString(before));
    MenuArray sub(subMenuTable, kSubMenuRows);
    CallHost(xlfAddMenu, nullptr, 4, ScratchNumber(kWorksheetMenuBar), &sub.value,
             &mainMenuPosition, ScratchNumber(submenuBefore));
    CallHost(xlFree, nullptr, 1, &mainMenuPosition);
    mainMenuPosition = XLOPER{};
}

void deleteMenuIfPresent(const char* reservedName) {
    if (!menuExists(reservedName)) return;
    char name[64];
    std::snprintf(name, sizeof name, "%s", reservedName);
    CallHost(xlfDeleteMenu, nullptr, 2, ScratchNumber(kWorksheetMenuBar), ScratchString(name));
}

bool sameNameIgnoringCase(const unsigned char* counted, const char* cell) {
    const unsigned char* c = reinterpret_cast<const unsigned char*>(cell);
    if (counted[0] != c[0]) return false;
    for (int i = 1; i <= counted[0]; ++i)
        if (std::tolower(counted[i]) != std::tolower(c[i])) return false;
    return true;
}

}  // namespace

QTB_EXPORT int xlAutoOpen(void) {
    getOwnPath();
    convertAllCountedTables();
    for (int row = 0; row < kRegRows; ++row) registerRow(row);

    char* title = mainMenuTable[0][0];
    if (!menuExists(" Rounding")) {
        // "&Rounding" without its four trailing blanks.
        title[0] = char(title[0] - 4);
        addMenus(9);
    } else if (!menuExists(" Rounding (X)")) {
        size_t n = size_t(uint8_t(title[0]));
        std::memcpy(title + 1 + n - 3, "(X)", 3);
        addMenus(8);
    }
    releaseOwnPath();
    return 1;
}

QTB_EXPORT int xlAutoClose(void) {
    for (int row = 0; row < kRegRows; ++row) {
        XLOPER name = stringValue(regTable[row][RegFunctionText]);
        CallHost(xlfSetName, nullptr, 1, &name);
    }
    deleteMenuIfPresent(" Rounding (X)");
    deleteMenuIfPresent(" Rounding");
    return 1;
}

QTB_EXPORT XLOPER* xlAutoRegister(XLOPER* name) {
    static XLOPER result;
    result.xltype = xltypeErr;
    result.val.err = xlerrValue;
    if (!name || (name->xltype & 0xFFF) != xltypeStr || !name->val.str) return &result;
    const unsigned char* wanted = reinterpret_cast<const unsigned char*>(name->val.str);
    convertAllCountedTables();
    for (int row = 0; row < kRegRows; ++row) {
        if (sameNameIgnoringCase(wanted, regTable[row][RegProcedure])) {
            getOwnPath();
            registerRow(row);
            releaseOwnPath();
            break;
        }
    }
    return &result;
}

QTB_EXPORT int xlAutoAdd(void) {
    char text[200];
    std::snprintf(text, sizeof text,
                  " Thank you for adding the Quorant add-in, QTB_XPRESS.xll!\n built on %s at %s",
                  __DATE__, __TIME__);
    ShowAlert(text, 2);
    return 1;
}

QTB_EXPORT int xlAutoRemove(void) {
    ShowAlert(" Thank you for removing QTB_XPRESS.xll!", 2);
    return 1;
}

QTB_EXPORT XLOPER* xlAddInManagerInfo(XLOPER* action) {
    static char addinName[] = " Quorant (XPRESS)";
    static XLOPER result;
    XLOPER wanted{};
    int code = action ? CallHost(xlCoerce, &wanted, 2, action, ScratchInt(xltypeInt))
                      : xlretInvXloper;
    if (code == xlretSuccess && (wanted.xltype & 0xFFF) == xltypeInt && wanted.val.w == 1) {
        addinName[0] = char(std::strlen(addinName + 1));
        result.xltype = xltypeStr;
        result.val.str = addinName;
    } else {
        result.xltype = xltypeErr;
        result.val.err = xlerrValue;
    }
    if (code == xlretSuccess) CallHost(xlFree, nullptr, 1, &wanted);
    return &result;
}

QTB_EXPORT int QTBTXfExit(void) {
    getOwnPath();
    for (int row = 0; row < kRegRows; ++row) {
        XLOPER proc = stringValue(regTable[row][RegProcedure]);
        XLOPER id{};
        if (CallHost(xlfRegisterId, &id, 2, &ownPath, &proc) == xlretSuccess) {
            CallHost(xlfUnregister, nullptr, 1, &id);
            CallHost(xlFree, nullptr, 1, &id);
        }
    }
    releaseOwnPath();
    return xlAutoClose();
}

QTB_EXPORT int QTBTXfUnload(void) {
    unloadInstance();
    if (instanceRecordsOutstanding() != 0)
        ShowStatus(" Memory leaks found!!!!!!!!!");
    else
        ShowStatus(" Done");
    return 0;
}
