// Reading formula texts (A1 or R1C1) into formula trees.
#include <cctype>
#include <charconv>

#include "host/address.h"
#include "host/formula.h"

namespace host {

namespace {

const char* const kNestedTooDeeply = "the formula is nested too deeply";

bool isWordChar(char c) {
    auto u = static_cast<unsigned char>(c);
    return std::isalnum(u) || c == '_' || c == '.' || c == '$' || u >= 0x80;
}

class Parser {
  public:
    Parser(const std::string& text, Notation notation, int row, int col,
           const SheetResolver& sheets)
        : s_(text), notation_(notation), row_(row), col_(col), sheets_(sheets) {}

    bool parse(Node& out, std::string& error) {
        if (!expression(out)) {
            error = error_.empty() ? "the formula cannot be read" : error_;
            return false;
        }
        skipBlanks();
        if (i_ != s_.size()) {
            error = "unexpected text at \"" + s_.substr(i_) + "\"";
            return false;
        }
        return true;
    }

    // True when the whole text is one cell reference, or whole columns or
    // rows, in the notation.
    static bool wholeReference(const std::string& text, Notation notation) {
        static const SheetResolver none;
        Parser p(text, notation, 0, 0, none);
        RefCorner corner;
        if (p.corner(corner) && p.i_ == text.size()) return true;
        p.i_ = 0;
        FormulaRef lines;
        return p.lines(lines) && p.i_ == text.size();
    }

  private:
    const std::string& s_;
    size_t i_ = 0;
    Notation notation_;
    int row_, col_;
    const SheetResolver& sheets_;
    std::string error_;
    int depth_ = 0;

    bool fail(const std::string& why) {
        if (error_.empty()) error_ = why;
        return false;
    }
    void skipBlanks() {
        while (i_ < s_.size() && (s_[i_] == ' ' || s_[i_] == '\n' || s_[i_] == '\r')) ++i_;
    }
    bool peek(char c) {
        skipBlanks();
        return i_ < s_.size() && s_[i_] == c;
    }
    bool take(const char* token) {
        skipBlanks();
        size_t n = std::char_traits<char>::length(token);
        if (s_.compare(i_, n, token) != 0) return false;
        i_ += n;
        return true;
    }

    // Adds `right` with `op` to the chain of operators of one precedence that
    // `out` holds (`chain` says whether it holds one yet): "1+2-3" is one node
    // of three operands, however long the chain, so that nothing that walks
    // a formula recurses along it.
    static void extend(Node& out, bool& chain, char op, Node right) {
        if (!chain) {
            Node n;
            n.kind = Node::Kind::Binary;
            n.args.push_back(std::move(out));
            out = std::move(n);
            chain = true;
        }
        out.ops += op;
        out.args.push_back(std::move(right));
    }

    bool expression(Node& out) {
        if (++depth_ > kMaxFormulaNesting) return fail(kNestedTooDeeply);
        bool ok = comparison(out);
        --depth_;
        return ok;
    }

    bool comparison(Node& out) {
        if (!concat(out)) return false;
        bool chain = false;
        for (;;) {
            char op = 0;
            if (take("<>"))
                op = 'n';
            else if (take("<="))
                op = 'l';
            else if (take(">="))
                op = 'g';
            else if (take("="))
                op = '=';
            else if (take("<"))
                op = '<';
            else if (take(">"))
                op = '>';
            else
                return true;
            Node right;
            if (!concat(right)) return false;
            extend(out, chain, op, std::move(right));
        }
    }

    bool concat(Node& out) {
        if (!additive(out)) return false;
        bool chain = false;
        while (take("&")) {
            Node right;
            if (!additive(right)) return false;
            extend(out, chain, '&', std::move(right));
        }
        return true;
    }

    bool additive(Node& out) {
        if (!term(out)) return false;
        bool chain = false;
        for (;;) {
            char op = peek('+') ? '+' : peek('-') ? '-' : 0;
            if (!op) return true;
            ++i_;
            Node right;
            if (!term(right)) return false;
            extend(out, chain, op, std::move(right));
        }
    }

    bool term(Node& out) {
        if (!power(out)) return false;
        bool chain = false;
        for (;;) {
            char op = peek('*') ? '*' : peek('/') ? '/' : 0;
            if (!op) return true;
            ++i_;
            Node right;
            if (!power(right)) return false;
            extend(out, chain, op, std::move(right));
        }
    }

    bool power(Node& out) {
        if (!unary(out)) return false;
        bool chain = false;
        while (take("^")) {
            Node right;
            if (!unary(right)) return false;
            extend(out, chain, '^', std::move(right));
        }
        return true;
    }

    bool unary(Node& out) {
        char op = peek('-') ? '-' : peek('+') ? '+' : 0;
        if (op) {
            ++i_;
            if (++depth_ > kMaxFormulaNesting) return fail(kNestedTooDeeply);
            Node operand;
            bool ok = unary(operand);
            --depth_;
            if (!ok) return false;
            out = Node();
            out.kind = Node::Kind::Unary;
            out.op = op;
            out.args.push_back(std::move(operand));
            return true;
        }
        if (!primary(out)) return false;
        // "1%%" is one node that divides by 100 twice.
        while (take("%")) {
            if (out.kind != Node::Kind::Percent) {
                Node n;
                n.kind = Node::Kind::Percent;
                n.args.push_back(std::move(out));
                out = std::move(n);
            }
            ++out.count;
        }
        return true;
    }

    bool primary(Node& out) {
        skipBlanks();
        if (i_ >= s_.size()) return fail("the formula ends too early");
        char c = s_[i_];
        out = Node();
        if (c == '(') {
            ++i_;
            Node inner;
            if (!expression(inner)) return false;
            if (!take(")")) return fail("a closing parenthesis is missing");
            out.kind = Node::Kind::Paren;
            out.args.push_back(std::move(inner));
            return true;
        }
        if (c == '"') return stringLiteral(out);
        if (c == '#') return errorLiteral(out);
        if (std::isdigit(static_cast<unsigned char>(c)) || c == '$') {
            FormulaRef whole;
            size_t save = i_;
            if (lines(whole)) {  // "2:5", whole rows
                i_ = save;
                return referenceBody(0, out);
            }
        }
        if (std::isdigit(static_cast<unsigned char>(c)) || c == '.') {
            if (numberLiteral(out)) return true;
        }
        if (c == '\'' || c == '[') return prefixedReference(out);
        return wordOrReference(out);
    }

    bool stringLiteral(Node& out) {
        std::string t;
        for (++i_;; ++i_) {
            if (i_ >= s_.size()) return fail("a closing quote is missing");
            if (s_[i_] == '"') {
                if (i_ + 1 < s_.size() && s_[i_ + 1] == '"') {
                    t += '"';
                    ++i_;
                    continue;
                }
                ++i_;
                break;
            }
            t += s_[i_];
        }
        out.kind = Node::Kind::Text;
        out.text = std::move(t);
        return true;
    }

    bool errorLiteral(Node& out) {
        for (const char* e : {"#NULL!", "#DIV/0!", "#VALUE!", "#REF!", "#NAME?", "#NUM!", "#N/A"}) {
            size_t n = std::char_traits<char>::length(e);
            if (s_.compare(i_, n, e) == 0) {
                i_ += n;
                out.kind = Node::Kind::Error;
                out.error = errorCode(e);
                return true;
            }
        }
        return fail("unknown error value");
    }

    bool numberLiteral(Node& out) {
        size_t start = i_;
        size_t j = i_;
        while (j < s_.size() && std::isdigit(static_cast<unsigned char>(s_[j]))) ++j;
        if (j < s_.size() && s_[j] == '.') {
            ++j;
            while (j < s_.size() && std::isdigit(static_cast<unsigned char>(s_[j]))) ++j;
        }
        if (j < s_.size() && (s_[j] == 'e' || s_[j] == 'E')) {
            size_t k = j + 1;
            if (k < s_.size() && (s_[k] == '+' || s_[k] == '-')) ++k;
            if (k < s_.size() && std::isdigit(static_cast<unsigned char>(s_[k]))) {
                j = k;
                while (j < s_.size() && std::isdigit(static_cast<unsigned char>(s_[j]))) ++j;
            }
        }
        // "1:3" style rows or a name that starts with digits are not numbers.
        if (j < s_.size() && (std::isalpha(static_cast<unsigned char>(s_[j])) || s_[j] == '_'))
            return false;
        double v = 0;
        auto [p, ec] = std::from_chars(s_.data() + start, s_.data() + j, v);
        if (ec != std::errc() || p != s_.data() + j) return false;
        i_ = j;
        out.kind = Node::Kind::Number;
        out.number = v;
        return true;
    }

    // One corner at i_ in the parser's notation; on success i_ moves past it.
    bool corner(RefCorner& rc) {
        size_t j = i_;
        if (notation_ == Notation::A1) {
            if (!a1Corner(j, rc)) return false;
        } else {
            if (!r1c1Corner(j, rc)) return false;
        }
        if (j < s_.size() && (isWordChar(s_[j]) || s_[j] == '(' || s_[j] == '!' || s_[j] == '['))
            return false;
        i_ = j;
        return true;
    }

    bool digits(size_t& j, long& v, long limit) {
        size_t start = j;
        v = 0;
        while (j < s_.size() && std::isdigit(static_cast<unsigned char>(s_[j]))) {
            v = v * 10 + (s_[j] - '0');
            if (v > limit) return false;
            ++j;
        }
        return j > start;
    }

    bool a1Corner(size_t& j, RefCorner& rc) {
        rc.colAbs = j < s_.size() && s_[j] == '$';
        if (rc.colAbs) ++j;
        int col = 0;
        size_t start = j;
        while (j < s_.size() && std::isalpha(static_cast<unsigned char>(s_[j])) && j - start < 4) {
            col = col * 26 + (std::toupper(static_cast<unsigned char>(s_[j])) - 'A' + 1);
            ++j;
        }
        if (j == start || j - start > 3 || col > kMaxCols) return false;
        rc.rowAbs = j < s_.size() && s_[j] == '$';
        if (rc.rowAbs) ++j;
        long row = 0;
        if (!digits(j, row, kMaxRows) || row < 1) return false;
        rc.col = rc.colAbs ? col - 1 : col - 1 - col_;
        rc.row = rc.rowAbs ? static_cast<int>(row) - 1 : static_cast<int>(row) - 1 - row_;
        return true;
    }

    // R, R5, R[-2] (and the same for C) as one part of an R1C1 corner.
    bool r1c1Part(size_t& j, char letter, int limit, int& value, bool& absolute) {
        if (j >= s_.size() || std::toupper(static_cast<unsigned char>(s_[j])) != letter)
            return false;
        ++j;
        absolute = false;
        value = 0;
        if (j < s_.size() && s_[j] == '[') {
            ++j;
            bool negative = false;
            if (j < s_.size() && (s_[j] == '-' || s_[j] == '+')) negative = s_[j++] == '-';
            long v = 0;
            if (!digits(j, v, limit) || j >= s_.size() || s_[j] != ']') return false;
            ++j;
            value = static_cast<int>(negative ? -v : v);
            return true;
        }
        long v = 0;
        size_t k = j;
        if (digits(k, v, limit)) {
            if (v < 1) return false;
            j = k;
            absolute = true;
            value = static_cast<int>(v) - 1;
        }
        return true;
    }

    bool r1c1Corner(size_t& j, RefCorner& rc) {
        return r1c1Part(j, 'R', kMaxRows, rc.row, rc.rowAbs) &&
               r1c1Part(j, 'C', kMaxCols, rc.col, rc.colAbs);
    }

    bool resolveSheet(const std::string& book, const std::string& sheet, uint32_t& id) {
        if (!sheets_ || !sheets_(book, sheet, id))
            return fail("there is no sheet named \"" + (book.empty() ? "" : "[" + book + "]") +
                        sheet + "\"");
        return true;
    }

    // Reads "Sheet!", "'My sheet'!" or "[Book]Sheet!" at i_. Leaves i_ alone
    // and returns false when there is no such prefix.
    bool readPrefix(std::string& book, std::string& sheet) {
        size_t j = i_;
        std::string name;
        if (j < s_.size() && s_[j] == '\'') {
            for (++j;; ++j) {
                if (j >= s_.size()) return false;
                if (s_[j] == '\'') {
                    if (j + 1 < s_.size() && s_[j + 1] == '\'') {
                        name += '\'';
                        ++j;
                        continue;
                    }
                    ++j;
                    break;
                }
                name += s_[j];
            }
        } else {
            size_t start = j;
            if (j < s_.size() && s_[j] == '[') {
                j = s_.find(']', j);
                if (j == std::string::npos) return false;
                ++j;
            }
            while (j < s_.size() && isWordChar(s_[j])) ++j;
            name = s_.substr(start, j - start);
        }
        if (name.empty() || j >= s_.size() || s_[j] != '!') return false;
        splitBookSheet(name, book, sheet);
        if (sheet.empty()) return false;
        i_ = j + 1;
        return true;
    }

    // One whole column or row: "B", "$B", "3", "$3" in A1; "C", "C2", "C[-1]",
    // "R", "R4", "R[1]" in R1C1.
    bool line(size_t& j, RefCorner& c, FormulaRef::Lines& kind) {
        if (notation_ == Notation::R1C1) {
            char letter = j < s_.size()
                              ? static_cast<char>(std::toupper(static_cast<unsigned char>(s_[j])))
                              : 0;
            if (letter != 'R' && letter != 'C') return false;
            bool rows = letter == 'R';
            int value = 0;
            bool absolute = false;
            if (!r1c1Part(j, letter, rows ? kMaxRows : kMaxCols, value, absolute)) return false;
            kind = rows ? FormulaRef::Lines::Rows : FormulaRef::Lines::Columns;
            (rows ? c.row : c.col) = value;
            (rows ? c.rowAbs : c.colAbs) = absolute;
            return true;
        }
        bool absolute = j < s_.size() && s_[j] == '$';
        if (absolute) ++j;
        size_t start = j;
        long v = 0;
        if (digits(j, v, kMaxRows)) {
            if (v < 1) return false;
            kind = FormulaRef::Lines::Rows;
            c.rowAbs = absolute;
            c.row = absolute ? static_cast<int>(v) - 1 : static_cast<int>(v) - 1 - row_;
            return true;
        }
        int col = 0;
        while (j < s_.size() && std::isalpha(static_cast<unsigned char>(s_[j])) && j - start < 4) {
            col = col * 26 + (std::toupper(static_cast<unsigned char>(s_[j])) - 'A' + 1);
            ++j;
        }
        if (j == start || j - start > 3 || col > kMaxCols) return false;
        kind = FormulaRef::Lines::Columns;
        c.colAbs = absolute;
        c.col = absolute ? col - 1 : col - 1 - col_;
        return true;
    }

    // Whole columns or rows at i_: "A:C" and "1:3" in A1 (both ends needed),
    // "C2", "C[-1]:C", "R2:R4" in R1C1.
    bool lines(FormulaRef& ref) {
        size_t j = i_;
        FormulaRef::Lines first, second;
        RefCorner a, b;
        if (!line(j, a, first)) return false;
        b = a;
        if (j < s_.size() && s_[j] == ':') {
            ++j;
            if (!line(j, b, second) || second != first) return false;
        } else if (notation_ == Notation::A1) {
            return false;
        }
        if (j < s_.size() && (isWordChar(s_[j]) || s_[j] == '(' || s_[j] == '!' || s_[j] == '['))
            return false;
        if (first == FormulaRef::Lines::Columns) {
            a.row = 0;
            b.row = kMaxRows - 1;
            a.rowAbs = b.rowAbs = true;
        } else {
            a.col = 0;
            b.col = kMaxCols - 1;
            a.colAbs = b.colAbs = true;
        }
        ref.a = a;
        ref.b = b;
        ref.range = true;
        ref.lines = first;
        i_ = j;
        return true;
    }

    // The reference after a sheet prefix, or after nothing (own sheet).
    bool referenceBody(uint32_t sheetId, Node& out) {
        skipBlanks();
        out.kind = Node::Kind::Ref;
        out.ref.sheetId = sheetId;
        if (lines(out.ref)) return true;
        if (!corner(out.ref.a))
            return fail("a reference cannot be read at \"" + s_.substr(i_) + "\"");
        if (!peek(':')) return true;
        ++i_;
        skipBlanks();
        out.ref.range = true;
        if (corner(out.ref.b)) return true;
        // "Sheet2!A1:Sheet2!B4": a repeated prefix must name the same sheet.
        std::string book, sheet;
        uint32_t id = 0;
        if (sheetId != 0 && readPrefix(book, sheet) && resolveSheet(book, sheet, id) &&
            id == sheetId && corner(out.ref.b))
            return true;
        return fail("a range cannot be read");
    }

    bool prefixedReference(Node& out) {
        const size_t start = i_;
        std::string book, sheet;
        if (!readPrefix(book, sheet)) return fail("a sheet name must be followed by '!'");
        uint32_t id = 0;
        if (!book.empty() && (!sheets_ || !sheets_(book, sheet, id))) {
            // A reference into another workbook's file ("[1]Sheet!A1" as
            // files hold them); its value is not known here. The prefix is kept
            // as written, the reference as a reference, so that it shows in
            // either notation.
            const std::string prefix = s_.substr(start, i_ - start);
            Node body;
            if (!referenceBody(0, body)) return false;
            out = Node{};
            out.kind = Node::Kind::External;
            out.text = prefix;
            out.ref = body.ref;
            return true;
        }
        if (!resolveSheet(book, sheet, id)) return false;
        return referenceBody(id, out);
    }

    bool wordOrReference(Node& out) {
        size_t save = i_;
        RefCorner probe;
        FormulaRef whole;
        if (corner(probe) || lines(whole)) {
            i_ = save;
            return referenceBody(0, out);
        }
        size_t j = i_;
        while (j < s_.size() && isWordChar(s_[j])) ++j;
        if (j == i_) return fail("unexpected character '" + std::string(1, s_[i_]) + "'");
        std::string word = s_.substr(i_, j - i_);
        i_ = j;
        if (i_ < s_.size() && s_[i_] == '!') {
            ++i_;
            uint32_t id = 0;
            if (!resolveSheet("", word, id)) return false;
            return referenceBody(id, out);
        }
        std::string upper;
        for (char ch : word)
            upper += static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
        if (peek('(')) return call(upper, out);
        if (upper == "TRUE" || upper == "FALSE") {
            out.kind = Node::Kind::Bool;
            out.boolean = upper == "TRUE";
            return true;
        }
        if (word.find('$') != std::string::npos) return fail("\"" + word + "\" is not a reference");
        // A name begins with a letter and must not read as a reference in the
        // other notation ("DD2" typed in R1C1, "RC" typed in A1), or the
        // formula would change its meaning when shown that way.
        if (std::isdigit(static_cast<unsigned char>(word[0])) || word[0] == '.' ||
            Parser::wholeReference(word, notation_ == Notation::A1 ? Notation::R1C1 : Notation::A1))
            return fail("\"" + word + "\" is not a valid name");
        out.kind = Node::Kind::Name;
        out.text = word;
        return true;
    }

    bool call(const std::string& name, Node& out) {
        ++i_;  // '('
        out.kind = Node::Kind::Call;
        out.text = name;
        if (take(")")) return true;
        for (;;) {
            Node arg;
            skipBlanks();
            if (peek(',') || peek(')')) {
                arg.kind = Node::Kind::Missing;
            } else if (!expression(arg)) {
                return false;
            }
            out.args.push_back(std::move(arg));
            if (take(",")) continue;
            if (take(")")) return true;
            return fail("',' or ')' expected in the arguments of " + name);
        }
    }
};

}  // namespace

FormulaPtr parseFormula(const std::string& text, Notation notation, int row, int col,
                        const SheetResolver& sheets, std::string& error) {
    std::string body = text;
    if (!body.empty() && body[0] == '=') body.erase(0, 1);
    auto f = std::make_shared<Formula>();
    Parser p(body, notation, row, col, sheets);
    if (body.find_first_not_of(' ') == std::string::npos) {
        error = "the formula is empty";
        return nullptr;
    }
    // Longer formulas than spreadsheets accept would only make deep trees.
    if (body.size() > kMaxFormulaLength) {
        error = "the formula is longer than 8192 characters";
        return nullptr;
    }
    if (!p.parse(f->root, error)) return nullptr;
    return f;
}

FormulaPtr rawFormula(const std::string& text) {
    auto f = std::make_shared<Formula>();
    f->raw = true;
    f->rawText = !text.empty() && text[0] == '=' ? text.substr(1) : text;
    f->root.kind = Node::Kind::Error;
    f->root.error = xlerrName;
    return f;
}

}  // namespace host
