// Evaluating formula trees: arithmetic, text joining, comparisons and the
// functions workbooks of additive tables use (SUM, AVERAGE and a few more).
// Functions the host does not know give #NAME?.
#include <cctype>
#include <cmath>

#include "host/address.h"
#include "host/formula.h"

namespace host {

namespace {

bool resolve(const FormulaRef& ref, uint32_t own, int row, int col, uint32_t& sheet, Rect& r) {
    sheet = ref.sheetId ? ref.sheetId : own;
    auto place = [&](const RefCorner& c, int& rr, int& cc) {
        rr = c.rowAbs ? c.row : row + c.row;
        cc = c.colAbs ? c.col : col + c.col;
        return rr >= 0 && rr < kMaxRows && cc >= 0 && cc < kMaxCols;
    };
    if (!place(ref.a, r.row1, r.col1)) return false;
    if (ref.range) {
        if (!place(ref.b, r.row2, r.col2)) return false;
        if (r.row1 > r.row2) std::swap(r.row1, r.row2);
        if (r.col1 > r.col2) std::swap(r.col1, r.col2);
    } else {
        r.row2 = r.row1;
        r.col2 = r.col1;
    }
    return true;
}

Value finite(double v) {
    return std::isfinite(v) ? Value::number(v) : Value::error(xlerrNum);
}

// A scalar as a number for arithmetic: nil is 0, TRUE is 1, numeric text is
// read; other text gives #VALUE!; errors pass through.
Value asNumber(const Value& v) {
    switch (v.type) {
        case Value::Type::Num:
            return v;
        case Value::Type::Nil:
        case Value::Type::Missing:
            return Value::number(0);
        case Value::Type::Bool:
            return Value::number(v.boolean ? 1 : 0);
        case Value::Type::Str: {
            double d = 0;
            if (textToNumber(v.str, d)) return Value::number(d);
            return Value::error(xlerrValue);
        }
        case Value::Type::Err:
            return v;
        default:
            return Value::error(xlerrValue);
    }
}

int typeRank(const Value& v) {
    switch (v.type) {
        case Value::Type::Num:
            return 0;
        case Value::Type::Str:
            return 1;
        default:
            return 2;  // Bool
    }
}

// -1, 0, 1 as spreadsheet comparison: numbers < texts < logical values;
// texts compare without regard to letter case.
int compareScalars(Value a, Value b) {
    if (a.isNil())
        a = b.isStr() ? Value::text("") : b.isBool() ? Value::boolean_(false) : Value::number(0);
    if (b.isNil())
        b = a.isStr() ? Value::text("") : a.isBool() ? Value::boolean_(false) : Value::number(0);
    int ra = typeRank(a), rb = typeRank(b);
    if (ra != rb) return ra < rb ? -1 : 1;
    if (a.isNum()) return a.num < b.num ? -1 : a.num > b.num ? 1 : 0;
    if (a.isBool()) return a.boolean == b.boolean ? 0 : a.boolean ? 1 : -1;
    for (size_t i = 0; i < a.str.size() && i < b.str.size(); ++i) {
        int x = std::tolower(static_cast<unsigned char>(a.str[i]));
        int y = std::tolower(static_cast<unsigned char>(b.str[i]));
        if (x != y) return x < y ? -1 : 1;
    }
    return a.str.size() == b.str.size() ? 0 : a.str.size() < b.str.size() ? -1 : 1;
}

class Evaluator {
  public:
    Evaluator(uint32_t own, int row, int col, EvalContext& ctx)
        : own_(own), row_(row), col_(col), ctx_(ctx) {}

    Value scalar(const Node& n) {
        switch (n.kind) {
            case Node::Kind::Number:
                return Value::number(n.number);
            case Node::Kind::Text:
                return Value::text(n.text);
            case Node::Kind::Bool:
                return Value::boolean_(n.boolean);
            case Node::Kind::Error:
                return Value::error(n.error);
            case Node::Kind::Name:
            case Node::Kind::External:
                return Value::error(kErrUnknown);
            case Node::Kind::Missing:
                return Value::nil();
            case Node::Kind::Paren:
                return scalar(n.args[0]);
            case Node::Kind::Ref: {
                uint32_t sheet;
                Rect r;
                if (!resolve(n.ref, own_, row_, col_, sheet, r) || !ctx_.sheetExists(sheet))
                    return Value::error(xlerrRef);
                if (r.rows() != 1 || r.cols() != 1) return Value::error(xlerrValue);
                return ctx_.cell(sheet, r.row1, r.col1);
            }
            case Node::Kind::Unary: {
                Value v = asNumber(scalar(n.args[0]));
                if (v.isErr()) return v;
                return Value::number(n.op == '-' ? -v.num : v.num);
            }
            case Node::Kind::Percent: {
                Value v = asNumber(scalar(n.args[0]));
                if (v.isErr()) return v;
                double x = v.num;
                for (int i = 0; i < n.count; ++i) x /= 100;
                return Value::number(x);
            }
            case Node::Kind::Binary:
                return binary(n);
            case Node::Kind::Call:
                return call(n);
        }
        return Value::error(xlerrValue);
    }

  private:
    uint32_t own_;
    int row_, col_;
    EvalContext& ctx_;

    // A chain of operators, from the left.
    Value binary(const Node& n) {
        Value a = scalar(n.args[0]);
        for (size_t i = 1; i < n.args.size(); ++i) a = apply(n.ops[i - 1], a, scalar(n.args[i]));
        return a;
    }

    Value apply(char op, Value a, Value b) {
        if (a.isErr()) return a;
        if (b.isErr()) return b;
        if (op == '&') return Value::text(valueToText(a) + valueToText(b));
        if (std::string("=<>lgn").find(op) != std::string::npos) {
            int c = compareScalars(a, b);
            switch (op) {
                case '=':
                    return Value::boolean_(c == 0);
                case '<':
                    return Value::boolean_(c < 0);
                case '>':
                    return Value::boolean_(c > 0);
                case 'l':
                    return Value::boolean_(c <= 0);
                case 'g':
                    return Value::boolean_(c >= 0);
                default:
                    return Value::boolean_(c != 0);
            }
        }
        a = asNumber(a);
        b = asNumber(b);
        if (a.isErr()) return a;
        if (b.isErr()) return b;
        switch (op) {
            case '+':
                return finite(a.num + b.num);
            case '-':
                return finite(a.num - b.num);
            case '*':
                return finite(a.num * b.num);
            case '/':
                if (b.num == 0) return Value::error(xlerrDiv0);
                return finite(a.num / b.num);
            case '^':
                if (a.num == 0 && b.num == 0) return Value::error(xlerrNum);
                return finite(std::pow(a.num, b.num));
        }
        return Value::error(xlerrValue);
    }

    // The numbers of one argument of SUM-like functions. Cells of a range give
    // their numbers (texts, logical values and empty cells are skipped); a
    // value written in the formula counts when it reads as a number. Returns
    // an error value, or nil when all went well. `count` counts values for
    // COUNTA when set.
    Value numbersOf(const Node& arg, const std::function<void(double)>& fn, bool all = false) {
        if (arg.kind == Node::Kind::Ref) {
            uint32_t sheet;
            Rect r;
            if (!resolve(arg.ref, own_, row_, col_, sheet, r) || !ctx_.sheetExists(sheet))
                return Value::error(xlerrRef);
            Value failure;
            ctx_.forEachCell(sheet, r, [&](const Value& v) {
                if (!failure.isNil()) return;
                if (v.isErr() && !all)
                    failure = v;
                else if (v.isNum())
                    fn(v.num);
                else if (all && !v.isNil())
                    fn(0);
            });
            return failure;
        }
        if (arg.kind == Node::Kind::Missing) return Value::nil();
        Value v = scalar(arg);
        if (all) {
            if (!v.isNil()) fn(0);
            return Value::nil();
        }
        Value d = asNumber(v);
        if (d.isErr()) return d;
        fn(d.num);
        return Value::nil();
    }

    Value call(const Node& n) {
        const std::string& f = n.text;
        if (f == "TRUE" || f == "FALSE") {
            if (!n.args.empty()) return Value::error(xlerrValue);
            return Value::boolean_(f == "TRUE");
        }
        if (f == "SUM" || f == "AVERAGE" || f == "MIN" || f == "MAX" || f == "COUNT" ||
            f == "COUNTA") {
            double sum = 0, lo = INFINITY, hi = -INFINITY;
            long count = 0;
            bool countAll = f == "COUNTA";
            for (const Node& a : n.args) {
                if (f == "COUNT" && a.kind != Node::Kind::Ref) {
                    Value v = scalar(a);
                    if (v.isNum() || v.isBool() || (v.isStr() && asNumber(v).isNum())) ++count;
                    continue;
                }
                Value failure = numbersOf(
                    a,
                    [&](double d) {
                        sum += d;
                        lo = std::min(lo, d);
                        hi = std::max(hi, d);
                        ++count;
                    },
                    countAll);
                if (!failure.isNil() && f != "COUNT") return failure;
            }
            if (f == "SUM") return finite(sum);
            if (f == "AVERAGE") return count ? finite(sum / count) : Value::error(xlerrDiv0);
            if (f == "MIN") return Value::number(count ? lo : 0);
            if (f == "MAX") return Value::number(count ? hi : 0);
            return Value::number(static_cast<double>(count));
        }
        if (f == "IF") {
            if (n.args.size() < 2 || n.args.size() > 3) return Value::error(xlerrValue);
            Value test = scalar(n.args[0]);
            if (test.isErr()) return test;
            bool yes;
            if (test.isBool()) {
                yes = test.boolean;
            } else {
                Value d = asNumber(test);
                if (d.isErr()) return d;
                yes = d.num != 0;
            }
            if (yes) return scalar(n.args[1]);
            if (n.args.size() == 3) return scalar(n.args[2]);
            return Value::boolean_(false);
        }
        if (f == "ABS") {
            if (n.args.size() != 1) return Value::error(xlerrValue);
            Value v = asNumber(scalar(n.args[0]));
            return v.isErr() ? v : Value::number(std::fabs(v.num));
        }
        if (f == "ROUND") {
            if (n.args.size() != 2) return Value::error(xlerrValue);
            Value v = asNumber(scalar(n.args[0]));
            Value d = asNumber(scalar(n.args[1]));
            if (v.isErr()) return v;
            if (d.isErr()) return d;
            // Compared as a double: a count of digits such as 1E+32 fits no int.
            const double whole = std::trunc(d.num);
            if (whole > 15) return v;
            if (whole < -15) return Value::number(0);
            double scale = std::pow(10.0, static_cast<int>(whole));
            return finite(std::round(v.num * scale) / scale);
        }
        return Value::error(kErrUnknown);
    }
};

bool usesNames(const Node& n) {
    if (n.kind == Node::Kind::Name) return true;
    for (const Node& a : n.args)
        if (usesNames(a)) return true;
    return false;
}

void references(const Node& n, uint32_t own, int row, int col,
                const std::function<void(uint32_t, const Rect&)>& fn) {
    if (n.kind == Node::Kind::Ref) {
        uint32_t sheet;
        Rect r;
        if (resolve(n.ref, own, row, col, sheet, r)) fn(sheet, r);
    }
    for (const Node& a : n.args) references(a, own, row, col, fn);
}

}  // namespace

Value evaluateFormula(const Formula& f, uint32_t own, int row, int col, EvalContext& ctx) {
    if (f.raw) return Value::error(kErrUnknown);
    Value v = Evaluator(own, row, col, ctx).scalar(f.root);
    if (v.isNil()) return Value::number(0);
    return v;
}

bool dependsOnUnknownCells(const Formula& f) {
    return f.raw || usesNames(f.root);
}

void forEachReference(const Formula& f, uint32_t own, int row, int col,
                      const std::function<void(uint32_t sheet, const Rect& r)>& fn) {
    if (!f.raw) references(f.root, own, row, col, fn);
}

}  // namespace host
