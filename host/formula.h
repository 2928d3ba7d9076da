// Formulas: parsed once into a tree and stored that way, so that the same
// formula can be shown in A1 notation or in R1C1 notation as seen from its cell.
//
// A reference keeps relative parts as offsets from the formula's cell and
// absolute parts as positions; copying a formula to another cell therefore
// moves its relative references along, as in any spreadsheet.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "host/value.h"

namespace host {

struct RefCorner {
    int row = 0, col = 0;  // offset when relative, 0-based position when absolute
    bool rowAbs = false, colAbs = false;
};

struct FormulaRef {
    uint32_t sheetId = 0;  // 0: the formula's own sheet
    RefCorner a, b;        // b is used when `range` is set
    bool range = false;
    // Whole columns ("B:C", "C2:C3") or whole rows ("2:5", "R2:R5"): a range
    // whose other parts run over the whole sheet.
    enum class Lines { None, Columns, Rows } lines = Lines::None;
};

struct Node {
    enum class Kind {
        Number,
        Text,
        Bool,
        Error,
        Ref,
        Name,
        External,  // a reference into another workbook's file, kept as written
        Missing,
        Unary,
        Binary,
        Percent,
        Paren,
        Call
    };
    Kind kind = Kind::Missing;
    double number = 0;
    // Text literal, Name, External (its prefix as written, "[1]Sheet!", with
    // the reference in `ref` on no sheet of this workbook), Call (upper-case
    // function name).
    std::string text;
    bool boolean = false;
    int error = 0;
    // Unary: '+' or '-'.
    char op = 0;
    // Binary: a chain of operators of one precedence, applied from the left:
    // ops[i] joins args[i] and args[i + 1]. Operators: + - * / ^ & = < > and
    // 'l' (<=), 'g' (>=), 'n' (<>).
    std::string ops;
    int count = 0;  // Percent: how many percent signs follow the operand
    FormulaRef ref;
    std::vector<Node> args;  // operands, or call arguments
};

struct Formula {
    Node root;
    // Set when the text could not be read: the formula is kept as written
    // (without the leading '=') and evaluates to an error value.
    bool raw = false;
    std::string rawText;
};
using FormulaPtr = std::shared_ptr<const Formula>;

enum class Notation { A1, R1C1 };

// The result of a formula the host cannot compute (a function it does not
// know, a defined name, a reference into another file, an array formula, a
// cycle): an error code of its own, shown to add-ins as #N/A.
constexpr int kErrUnknown = 0x4000;
inline bool isUnknown(const Value& v) { return v.isErr() && v.err == kErrUnknown; }
// True when the formula uses defined names or could not be read, so that the
// cells it depends on are not known.
bool dependsOnUnknownCells(const Formula& f);

constexpr size_t kMaxFormulaLength = 8192;
// Parentheses, function arguments and signs nest at most this deep (the
// formula itself counting as one level). A chain of operators is one node, so
// a tree is at most about seven times as deep; everything that walks a
// formula recurses along its depth.
constexpr int kMaxFormulaNesting = 200;

// Resolves a sheet written in a formula ("[Book]Sheet" parts; book may be
// empty) to its sheet id; false when there is no such sheet.
using SheetResolver =
    std::function<bool(const std::string& book, const std::string& sheet, uint32_t& id)>;
// Names a sheet for display: the text in front of '!' without quotes, e.g.
// "Sheet2" or "[Book1]Sheet2"; empty when the sheet no longer exists.
using SheetNamer = std::function<std::string(uint32_t id, std::string& book)>;

// Parses a formula text with or without its leading '='. References are read
// as seen from the cell (row, col). Returns null and an explanation on a
// syntax error or a reference to an unknown sheet.
FormulaPtr parseFormula(const std::string& text, Notation notation, int row, int col,
                        const SheetResolver& sheets, std::string& error);
// A formula kept as text because it could not be read.
FormulaPtr rawFormula(const std::string& text);

// Renders "=..." as seen from cell (row, col). Own-sheet references have no
// prefix; references whose sheet is gone, or that leave the grid, show #REF!.
std::string renderFormula(const Formula& f, Notation notation, int row, int col,
                          const SheetNamer& namer);

// A copy of the formula with explicit sheet ids replaced through `map`
// (ids not in the map stay).
FormulaPtr remapSheets(const FormulaPtr& f, const std::function<uint32_t(uint32_t)>& map);

// What evaluation needs from the workbooks.
class EvalContext {
  public:
    virtual ~EvalContext() = default;
    virtual bool sheetExists(uint32_t sheet) = 0;
    // The value of one cell (formulas computed); nil when empty.
    virtual Value cell(uint32_t sheet, int row, int col) = 0;
    // Calls fn for every non-empty cell of the rectangle, row by row.
    virtual void forEachCell(uint32_t sheet, const Rect& r,
                             const std::function<void(const Value&)>& fn) = 0;
};

// Evaluates the formula of cell (row, col) on sheet `own`.
Value evaluateFormula(const Formula& f, uint32_t own, int row, int col, EvalContext& ctx);

// Calls fn for every reference of the formula, resolved as from (row, col)
// on sheet `own`; references that leave the grid are skipped.
void forEachReference(const Formula& f, uint32_t own, int row, int col,
                      const std::function<void(uint32_t sheet, const Rect& r)>& fn);

}  // namespace host
