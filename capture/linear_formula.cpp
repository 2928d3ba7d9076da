// Recursive reading of formulas that add and subtract cells.
#include "capture/linear_formula.h"

#include <cctype>
#include <cstring>

namespace {

// A formula nests this deep at most before it is taken for something else.
constexpr int kMaxDepth = 64;

class Reader {
  public:
    Reader(const std::string& text, std::vector<LinearItem>& items) : t_(text), items_(items) {}

    bool formula() {
        if (t_.empty() || t_[0] != '=') return false;
        p_ = 1;
        if (!expression(1, 0)) return false;
        blanks();
        return p_ == t_.size() && !items_.empty();
    }

  private:
    const std::string& t_;
    std::vector<LinearItem>& items_;
    size_t p_ = 0;

    void blanks() {
        while (p_ < t_.size() && t_[p_] == ' ') ++p_;
    }
    bool at(char c) {
        blanks();
        return p_ < t_.size() && t_[p_] == c;
    }

    // Signs in front of a term: each '-' turns the sign around.
    int signs(int sign) {
        while (at('+') || at('-')) {
            if (t_[p_] == '-') sign = -sign;
            ++p_;
        }
        return sign;
    }

    bool expression(int sign, int depth) {
        if (depth > kMaxDepth) return false;
        if (!term(signs(sign), depth)) return false;
        while (at('+') || at('-')) {
            const int s = t_[p_] == '-' ? -sign : sign;
            ++p_;
            if (!term(signs(s), depth)) return false;
        }
        return true;
    }

    bool sumCall() {
        blanks();
        if (t_.size() - p_ < 4) return false;
        for (int i = 0; i < 3; ++i)
            if (std::toupper(static_cast<unsigned char>(t_[p_ + size_t(i)])) != "SUM"[i])
                return false;
        if (t_[p_ + 3] != '(') return false;
        p_ += 4;
        return true;
    }

    bool term(int sign, int depth) {
        if (depth > kMaxDepth) return false;
        if (at('(')) {
            ++p_;
            if (!expression(sign, depth + 1) || !at(')')) return false;
            ++p_;
            return true;
        }
        const size_t start = p_;
        if (sumCall()) return sumArguments(sign, depth + 1);
        p_ = start;
        LinearItem item;
        item.sign = sign;
        if (!reference(item.first)) return false;
        item.last = item.first;
        items_.push_back(item);
        return true;
    }

    // The arguments of SUM up to its closing parenthesis: cells, ranges and
    // further SUMs.
    bool sumArguments(int sign, int depth) {
        if (depth > kMaxDepth) return false;
        do {
            if (at(',')) ++p_;
            const size_t start = p_;
            if (sumCall()) {
                if (!sumArguments(sign, depth + 1)) return false;
                continue;
            }
            p_ = start;
            LinearItem item;
            item.sign = sign;
            if (!reference(item.first)) return false;
            item.last = item.first;
            if (at(':')) {
                ++p_;
                if (!reference(item.last)) return false;
                item.range = true;
            }
            items_.push_back(item);
        } while (at(','));
        if (!at(')')) return false;
        ++p_;
        return true;
    }

    // One axis of a reference ("R", "R[-3]", "R5"): its extent in the text.
    bool axis(char letter) {
        if (p_ >= t_.size() || std::toupper(static_cast<unsigned char>(t_[p_])) != letter)
            return false;
        ++p_;
        if (p_ < t_.size() && t_[p_] == '[') {
            const size_t close = t_.find(']', p_);
            if (close == std::string::npos) return false;
            p_ = close + 1;
        } else {
            while (p_ < t_.size() && std::isdigit(static_cast<unsigned char>(t_[p_]))) ++p_;
        }
        return true;
    }

    // "[Sheet!]R..C..", a sheet name quoted when the host quotes it.
    bool reference(CellReference& ref) {
        blanks();
        const size_t start = p_;
        if (p_ < t_.size() && t_[p_] == '\'') {
            ++p_;
            while (p_ < t_.size()) {
                if (t_[p_] == '\'') {
                    if (p_ + 1 < t_.size() && t_[p_ + 1] == '\'') {
                        p_ += 2;
                        continue;
                    }
                    break;
                }
                ++p_;
            }
            if (p_ + 1 >= t_.size() || t_[p_ + 1] != '!') return false;
            p_ += 2;
        } else {
            size_t j = p_;
            while (j < t_.size() && t_[j] != '\0' && !std::strchr("+-(),:!'\" ", t_[j])) ++j;
            if (j < t_.size() && t_[j] == '!') p_ = j + 1;
        }
        if (!axis('R') || !axis('C')) return false;
        return parseR1C1Reference(t_.substr(start, p_ - start), ref);
    }
};

}  // namespace

bool parseLinearFormula(const std::string& text, std::vector<LinearItem>& items) {
    items.clear();
    Reader reader(text, items);
    if (reader.formula()) return true;
    items.clear();
    return false;
}
