// The call interface between the spreadsheet host and add-ins.
//
// One header, shared by the host (which implements Excel4v) and the add-in
// (which calls it). The value record, value types, return codes and function
// numbers are this project's own; numbers are stable because scripts and tests
// address some of them.
#pragma once

#include <cstdint>

#if defined(__GNUC__)
#define QTB_EXPORT extern "C" __attribute__((visibility("default")))
#else
#define QTB_EXPORT extern "C"
#endif

// ---- value types -----------------------------------------------------------
enum : uint16_t {
    xltypeNum = 0x0001,      // double
    xltypeStr = 0x0002,      // counted string: byte 0 is the length (<= 255)
    xltypeBool = 0x0004,     // boolean
    xltypeRef = 0x0008,      // reference: sheet id plus rectangles
    xltypeErr = 0x0010,      // error value
    xltypeMulti = 0x0040,    // array of values, row-major
    xltypeMissing = 0x0080,  // argument left out
    xltypeNil = 0x0100,      // empty
    xltypeInt = 0x0800,      // 16-bit integer
    // Ownership bits, or-ed into xltype of results:
    xlbitXLFree = 0x1000,   // memory belongs to the host: release with xlFree
    xlbitDLLFree = 0x4000,  // memory belongs to the add-in
};

// ---- error values ----------------------------------------------------------
enum : uint16_t {
    xlerrNull = 0,
    xlerrDiv0 = 7,
    xlerrValue = 15,
    xlerrRef = 23,
    xlerrName = 29,
    xlerrNum = 36,
    xlerrNA = 42,
};

// ---- return codes of Excel4v -----------------------------------------------
enum : int {
    xlretSuccess = 0,
    xlretAbort = 1,
    xlretInvXlfn = 2,
    xlretInvCount = 4,
    xlretInvXloper = 8,
    xlretStackOvfl = 16,
    xlretFailed = 32,
    xlretUncalced = 64,
};

// ---- references ------------------------------------------------------------
// One rectangle, zero-based and inclusive: rows 0..65535, columns 0..255.
struct XLREF {
    uint16_t rwFirst;
    uint16_t rwLast;
    uint8_t colFirst;
    uint8_t colLast;
};

// Several rectangles on one sheet. The record is allocated with room for
// `count` entries (reftbl is declared with one).
struct XLMREF {
    uint16_t count;
    XLREF reftbl[1];
};

// ---- the value record --------------------------------------------------------
struct XLOPER {
    union {
        double num;          // xltypeNum
        char* str;           // xltypeStr: counted string
        uint16_t xbool;      // xltypeBool
        uint16_t err;        // xltypeErr
        int16_t w;           // xltypeInt
        struct {
            XLMREF* lpmref;  // xltypeRef
            uint32_t idSheet;
        } mref;
        struct {
            XLOPER* lparray;  // xltypeMulti: rows * columns values, row-major
            uint16_t rows;
            uint16_t columns;
        } array;
    } val;
    uint16_t xltype;
};

// ---- flags or-ed into a function number ---------------------------------------
constexpr int xlCommand = 0x8000;  // a command-equivalent function
constexpr int xlSpecial = 0x4000;  // a host special function
constexpr int xlIntl = 0x2000;     // international: English names, R1C1 references
constexpr int xlPrompt = 0x1000;   // show the command's own dialog
constexpr int xlFunctionMask = 0x0FFF;

// ---- function numbers --------------------------------------------------------
// Special functions
constexpr int xlFree = 1 | xlSpecial;      // release host-owned memory of the given values
constexpr int xlStack = 2 | xlSpecial;
constexpr int xlCoerce = 3 | xlSpecial;    // (value [, wanted type(s) as number])
constexpr int xlSet = 4 | xlSpecial;       // (reference [, value or array])
constexpr int xlSheetId = 5 | xlSpecial;   // ([sheet name]) -> reference with only the id
constexpr int xlSheetNm = 6 | xlSpecial;   // (reference) -> "[Book]Sheet"
constexpr int xlAbort = 7 | xlSpecial;
constexpr int xlGetInst = 8 | xlSpecial;
constexpr int xlGetHwnd = 9 | xlSpecial;
constexpr int xlGetName = 10 | xlSpecial;   // () -> path of the calling add-in

// Functions (information, registration, menus)
constexpr int xlfRegister = 1;
constexpr int xlfRegisterId = 2;
constexpr int xlfUnregister = 3;
constexpr int xlfSetName = 4;
constexpr int xlfGetBar = 5;
constexpr int xlfAddMenu = 6;
constexpr int xlfDeleteMenu = 7;
constexpr int xlfGetWorkbook = 8;
constexpr int xlfGetDocument = 9;
constexpr int xlfActiveCell = 10;
constexpr int xlfSelection = 11;
constexpr int xlfGetFormula = 12;
constexpr int xlfGetCell = 13;
constexpr int xlfTextref = 14;
constexpr int xlfGetPivotTable = 15;
constexpr int xlfGetPivotField = 16;
constexpr int xlfPivotAddData = 17;
constexpr int xlfDialogBox = 18;
constexpr int xlfGetName = 19;  // (defined name) -> its value; used by front ends and tests

// Commands
constexpr int xlcMessage = 1 | xlCommand;
constexpr int xlcAlert = 2 | xlCommand;
constexpr int xlcWorkbookSelect = 3 | xlCommand;
constexpr int xlcWorkbookNext = 4 | xlCommand;
constexpr int xlcActivateNext = 5 | xlCommand;
constexpr int xlcActivatePrev = 6 | xlCommand;
constexpr int xlcWorkbookCopy = 7 | xlCommand;
constexpr int xlcWorkbookInsert = 8 | xlCommand;
constexpr int xlcWorkbookName = 9 | xlCommand;
constexpr int xlcNew = 10 | xlCommand;
constexpr int xlcOpen = 11 | xlCommand;
constexpr int xlcFileClose = 12 | xlCommand;
constexpr int xlcSelect = 13 | xlCommand;
constexpr int xlcSelectLastCell = 14 | xlCommand;
constexpr int xlcFormula = 15 | xlCommand;
constexpr int xlcCopy = 16 | xlCommand;
constexpr int xlcClear = 17 | xlCommand;
constexpr int xlcSort = 18 | xlCommand;
constexpr int xlcPivotTableWizard = 19 | xlCommand;
constexpr int xlcPivotAddFields = 20 | xlCommand;
constexpr int xlcColumnWidth = 21 | xlCommand;  // (width in characters, reference)

// The host's dispatcher: runs function `xlfn` with `count` argument values and
// writes its answer into `result` (which may be null). Returns an xlret code.
QTB_EXPORT int Excel4v(int xlfn, XLOPER* result, int count, XLOPER** opers);
