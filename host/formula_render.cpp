// Writing formula trees back as text, in A1 or R1C1 notation.
#include "host/address.h"
#include "host/formula.h"

namespace host {

namespace {

class Renderer {
  public:
    Renderer(Notation n, int row, int col, const SheetNamer& namer)
        : notation_(n), row_(row), col_(col), namer_(namer) {}

    void node(const Node& n, std::string& out) {
        switch (n.kind) {
            case Node::Kind::Number:
                out += numberToExactText(n.number);
                break;
            case Node::Kind::Text:
                out += '"';
                for (char c : n.text) {
                    out += c;
                    if (c == '"') out += '"';
                }
                out += '"';
                break;
            case Node::Kind::Bool:
                out += n.boolean ? "TRUE" : "FALSE";
                break;
            case Node::Kind::Error:
                out += errorText(n.error);
                break;
            case Node::Kind::External:
                out += n.text;
                ref(n.ref, out);
                break;
            case Node::Kind::Name:
                out += n.text;
                break;
            case Node::Kind::Missing:
                break;
            case Node::Kind::Ref:
                ref(n.ref, out);
                break;
            case Node::Kind::Unary:
                out += n.op;
                node(n.args[0], out);
                break;
            case Node::Kind::Percent:
                node(n.args[0], out);
                out.append(static_cast<size_t>(n.count), '%');
                break;
            case Node::Kind::Paren:
                out += '(';
                node(n.args[0], out);
                out += ')';
                break;
            case Node::Kind::Binary:
                node(n.args[0], out);
                for (size_t i = 1; i < n.args.size(); ++i) {
                    switch (n.ops[i - 1]) {
                        case 'l':
                            out += "<=";
                            break;
                        case 'g':
                            out += ">=";
                            break;
                        case 'n':
                            out += "<>";
                            break;
                        default:
                            out += n.ops[i - 1];
                    }
                    node(n.args[i], out);
                }
                break;
            case Node::Kind::Call:
                out += n.text;
                out += '(';
                for (size_t i = 0; i < n.args.size(); ++i) {
                    if (i) out += ',';
                    node(n.args[i], out);
                }
                out += ')';
                break;
        }
    }

  private:
    Notation notation_;
    int row_, col_;
    const SheetNamer& namer_;

    bool corner(const RefCorner& c, std::string& out) {
        if (notation_ == Notation::R1C1) {
            auto part = [&](char letter, int v, bool abs) {
                out += letter;
                if (abs)
                    out += std::to_string(v + 1);
                else if (v != 0)
                    out += "[" + std::to_string(v) + "]";
            };
            part('R', c.row, c.rowAbs);
            part('C', c.col, c.colAbs);
            return true;
        }
        int r = c.rowAbs ? c.row : row_ + c.row;
        int k = c.colAbs ? c.col : col_ + c.col;
        if (r < 0 || r >= kMaxRows || k < 0 || k >= kMaxCols) return false;
        out += a1Cell(r, k, c.rowAbs, c.colAbs);
        return true;
    }

    // One end of whole columns or rows; false when it leaves the grid.
    bool lineEnd(const RefCorner& c, FormulaRef::Lines kind, std::string& out) {
        bool rows = kind == FormulaRef::Lines::Rows;
        int v = rows ? c.row : c.col;
        bool abs = rows ? c.rowAbs : c.colAbs;
        if (notation_ == Notation::R1C1) {
            out += rows ? 'R' : 'C';
            if (abs)
                out += std::to_string(v + 1);
            else if (v != 0)
                out += "[" + std::to_string(v) + "]";
            return true;
        }
        int p = abs ? v : (rows ? row_ : col_) + v;
        if (p < 0 || p >= (rows ? kMaxRows : kMaxCols)) return false;
        if (abs) out += '$';
        out += rows ? std::to_string(p + 1) : columnLetters(p);
        return true;
    }

    bool lines(const FormulaRef& r, std::string& out) {
        std::string first, second;
        if (!lineEnd(r.a, r.lines, first) || !lineEnd(r.b, r.lines, second)) return false;
        out += first;
        // R1C1 writes one line alone ("C2"); A1 always writes both ends ("B:B").
        if (notation_ == Notation::A1 || second != first) out += ":" + second;
        return true;
    }

    void ref(const FormulaRef& r, std::string& out) {
        std::string text;
        if (r.sheetId != 0) {
            std::string book;
            std::string sheet = namer_ ? namer_(r.sheetId, book) : std::string();
            if (sheet.empty()) {
                out += "#REF!";
                return;
            }
            text += sheetPrefix(sheet, book);
        }
        if (r.lines != FormulaRef::Lines::None) {
            if (!lines(r, text)) {
                out += "#REF!";
                return;
            }
            out += text;
            return;
        }
        if (!corner(r.a, text) || (r.range && !(text += ':', corner(r.b, text)))) {
            out += "#REF!";
            return;
        }
        out += text;
    }
};

void remapNode(Node& n, const std::function<uint32_t(uint32_t)>& map) {
    if (n.kind == Node::Kind::Ref && n.ref.sheetId != 0) n.ref.sheetId = map(n.ref.sheetId);
    for (Node& a : n.args) remapNode(a, map);
}

}  // namespace

std::string renderFormula(const Formula& f, Notation notation, int row, int col,
                          const SheetNamer& namer) {
    if (f.raw) return "=" + f.rawText;
    std::string out = "=";
    Renderer(notation, row, col, namer).node(f.root, out);
    return out;
}

FormulaPtr remapSheets(const FormulaPtr& f, const std::function<uint32_t(uint32_t)>& map) {
    if (!f || f->raw) return f;
    auto copy = std::make_shared<Formula>(*f);
    remapNode(copy->root, map);
    return copy;
}

}  // namespace host
