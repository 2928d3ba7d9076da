// Finding the items of a matrix that are totals of the items next to them.
//
// The items are read in order with a stack of the items not yet taken into a
// total. An item is the total of the last k items on the stack (k >= 2) when
// its values equal their sums line by line; those k items then leave the
// stack and the total takes their place, so that it can be a part of a total
// further on. Reading the items backwards finds totals placed before their
// parts.
#include "capture/total_matrix.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstring>
#include <set>

namespace totals {

namespace {

// Words that name a total, lower case (texts are compared with their ASCII
// letters lowered; words with other first letters are listed as written).
const std::set<std::string>& totalWords() {
    static const std::set<std::string> words = {
        // English
        "total", "totals", "subtotal", "grandtotal", "all", "sum", "overall",
        // German
        "insgesamt", "gesamt", "summe", "zusammen", "zus", "gesamtsumme",
        // French
        "ensemble", "somme", "tous", "toutes", "totale", "totaux",
        // Italian, Spanish, Portuguese
        "totali", "somma", "complesso", "tutti", "suma", "todos", "todas", "conjunto", "soma",
        // Dutch, Scandinavian, Finnish
        "totaal", "som", "alle", "samen", "totalt", "summa", "samtliga", "yhteensä", "kaikki",
        // Polish, Czech, Hungarian, Russian
        "razem", "ogółem", "celkem", "úhrnem", "összesen", "Összesen", "всего", "Всего", "итого",
        "Итого",
        // Abbreviations
        "tot"};
    return words;
}

struct Check {
    int holds = 0, fails = 0, nontrivial = 0;
};

class StackScan {
  public:
    explicit StackScan(const Matrix& m) : m_(m), pre_(size_t(m.lines)), nonzero_(size_t(m.lines)) {
        nonNegative_ = true;
        for (const Slot& s : m.slots)
            if (s.present && s.value < 0) nonNegative_ = false;
    }

    // The relations found reading the items forward or backward, and whether
    // the whole matrix came out as one tree.
    std::vector<std::pair<Relation, bool>> run(bool forward, bool& complete) {
        stack_.clear();
        for (int l = 0; l < m_.lines; ++l) {
            pre_[size_t(l)].assign(1, 0.0);
            nonzero_[size_t(l)].assign(1, 0);
        }
        std::vector<std::pair<Relation, bool>> found;
        for (int n = 0; n < m_.items; ++n) {
            const int item = forward ? n : m_.items - 1 - n;
            int bestK = 0;
            Check best;
            bool bestEvident = false;
            for (int k = 2; k <= int(stack_.size()); ++k) {
                bool beyond = false;
                const Check c = check(item, k, beyond);
                if (beyond) break;
                if (c.holds == 0 || c.nontrivial == 0) continue;
                const bool hint = labelHint(item, k);
                const bool strong = c.nontrivial >= 2 && c.holds >= c.fails;
                if (!(c.fails == 0 || strong || (hint && c.holds >= c.fails))) continue;
                if (bestK == 0 || c.holds >= best.holds) {
                    bestK = k;
                    best = c;
                    bestEvident = strong || hint;
                }
            }
            if (bestK > 0) {
                Relation r;
                r.total = item;
                r.parts.assign(stack_.end() - bestK, stack_.end());
                std::sort(r.parts.begin(), r.parts.end());
                found.emplace_back(r, bestEvident);
                pop(bestK);
            }
            push(item);
        }
        // Three items can add up by chance (2, 3, 5); four that form one tree hardly.
        complete = stack_.size() == 1 && m_.items >= 4;
        return found;
    }

  private:
    const Matrix& m_;
    std::vector<int> stack_;
    std::vector<std::vector<double>> pre_;   // per line: sums of the stack's first j items
    std::vector<std::vector<int>> nonzero_;  // per line: count of non-zero values among them
    bool nonNegative_ = true;

    void push(int item) {
        stack_.push_back(item);
        for (int l = 0; l < m_.lines; ++l) {
            const Slot& s = m_.at(item, l);
            const double v = s.present ? s.value : 0.0;
            pre_[size_t(l)].push_back(pre_[size_t(l)].back() + v);
            nonzero_[size_t(l)].push_back(nonzero_[size_t(l)].back() + (v != 0 ? 1 : 0));
        }
    }
    void pop(int k) {
        stack_.resize(stack_.size() - size_t(k));
        for (int l = 0; l < m_.lines; ++l) {
            pre_[size_t(l)].resize(stack_.size() + 1);
            nonzero_[size_t(l)].resize(stack_.size() + 1);
        }
    }

    // The item against the top k items, line by line. `beyond` is set when,
    // all values being non-negative, the parts already add up to more than
    // the item in every line, so that more parts cannot do.
    Check check(int item, int k, bool& beyond) {
        Check c;
        const size_t top = stack_.size(), from = top - size_t(k);
        int present = 0, over = 0;
        for (int l = 0; l < m_.lines; ++l) {
            const Slot& s = m_.at(item, l);
            if (!s.present) continue;
            ++present;
            const double sum = pre_[size_t(l)][top] - pre_[size_t(l)][from];
            if (sameTotal(s.value, sum)) {
                ++c.holds;
                if (nonzero_[size_t(l)][top] - nonzero_[size_t(l)][from] >= 2) ++c.nontrivial;
            } else {
                ++c.fails;
                if (sum > s.value) ++over;
            }
        }
        beyond = nonNegative_ && present > 0 && over == present;
        return c;
    }

    // The item's label says it is a total, or it is less indented than every
    // labelled part.
    bool labelHint(int item, int k) const {
        if (isTotalLabel(m_.labels[size_t(item)])) return true;
        if (m_.labels[size_t(item)].empty()) return false;
        bool labelled = false;
        for (size_t j = stack_.size() - size_t(k); j < stack_.size(); ++j) {
            const int part = stack_[j];
            if (m_.labels[size_t(part)].empty()) continue;
            labelled = true;
            if (m_.indents[size_t(part)] <= m_.indents[size_t(item)]) return false;
        }
        return labelled;
    }
};

}  // namespace

bool sameTotal(double a, double b) {
    const double scale = std::max({1.0, std::fabs(a), std::fabs(b)});
    return std::fabs(a - b) <= 1e-9 * scale;
}

int labelIndent(const std::string& label) {
    int depth = 0;
    size_t i = 0;
    while (i < label.size()) {
        if (label[i] == ' ' || label[i] == '\t' || label[i] == '.') {
            ++i;
        } else if (label.compare(i, 2, "\xC2\xA0") == 0 || label.compare(i, 2, "\xC2\xB7") == 0) {
            i += 2;
        } else if (label.compare(i, 3, "\xE2\x80\xA6") == 0) {
            i += 3;
        } else {
            break;
        }
        ++depth;
    }
    return depth;
}

bool isTotalLabel(const std::string& label) {
    const auto& words = totalWords();
    std::string word;
    auto letter = [](unsigned char c) { return std::isalpha(c) || c >= 0x80; };
    for (size_t i = 0; i <= label.size(); ++i) {
        const unsigned char c = i < label.size() ? static_cast<unsigned char>(label[i]) : ' ';
        if (letter(c)) {
            word += char(c < 0x80 ? std::tolower(c) : c);
            continue;
        }
        if (!word.empty() && words.count(word)) return true;
        word.clear();
    }
    // "i alt" (Danish, Norwegian): two words.
    std::string lowered;
    for (char c : label) lowered += char(std::tolower(static_cast<unsigned char>(c)));
    const size_t at = lowered.find("i alt");
    return at != std::string::npos &&
           (at == 0 || !letter(static_cast<unsigned char>(lowered[at - 1]))) &&
           (at + 5 == lowered.size() || !letter(static_cast<unsigned char>(lowered[at + 5])));
}

std::vector<Relation> analyseMatrix(const Matrix& m) {
    if (m.items < 3 || m.lines < 1) return {};
    StackScan scan(m);
    std::vector<Relation> chosen;
    for (bool forward : {true, false}) {
        bool complete = false;
        const auto found = scan.run(forward, complete);
        std::vector<Relation> accepted;
        for (const auto& [relation, evident] : found)
            if (evident || complete) accepted.push_back(relation);
        if (accepted.size() > chosen.size()) chosen = accepted;
    }
    return chosen;
}

void emitProposals(const Matrix& m, const std::vector<Relation>& relations,
                   std::vector<Proposal>& out) {
    for (const Relation& r : relations) {
        for (int l = 0; l < m.lines; ++l) {
            const Slot& total = m.at(r.total, l);
            if (!total.present || !total.typed) continue;
            Proposal p;
            p.total = total.pos;
            double sum = 0;
            for (int part : r.parts) {
                const Slot& s = m.at(part, l);
                if (!s.present) continue;
                p.parts.push_back(s.pos);
                sum += s.value;
            }
            if (p.parts.size() >= 2 && sameTotal(total.value, sum)) out.push_back(p);
        }
    }
}

}  // namespace totals
