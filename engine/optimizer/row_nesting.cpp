#include "engine/optimizer/row_nesting.h"

#include <algorithm>
#include <cmath>
#include <set>

namespace qtb::opt {

namespace {

// Families of one row at most (a total of a table of this many dimensions).
constexpr size_t kMaxFamilies = 16;

int Size(const ModelData& m, int i) {
    return m.start[i + 1] - m.start[i];
}

class Nester {
  public:
    explicit Nester(const ModelData& m)
        : m_(m),
          by_col_(m, [](char type) { return type == 'E'; }),
          coef_(m.Cols(), 0.0),
          covered_(m.Cols(), 0),
          sum_(m.Cols(), 0.0),
          touched_(m.Cols(), 0) {}

    // The families of row r whose rewritten row is kept, first found first.
    std::vector<std::vector<int>> Families(int r);

    // Row `from` minus the rows `minus`: false when a coefficient is not +1 or
    // -1.
    bool Combine(int from, const std::vector<int>& minus, std::vector<int>* idx,
                 std::vector<double>* val, double* rhs);

  private:
    // Columns shared with row r (marked in coef_) when row q is usable for it,
    // else -1.
    int Shared(int r, int q) const;
    // The usable rows at column c that share the most columns; their count.
    std::vector<int> BestAt(int r, int c, int* shared) const;
    void Cover(int q);
    // The rest of a family after `first`, chosen greedily.
    std::vector<int> Complete(int r, int first);

    const ModelData& m_;
    ColumnRows by_col_;  // the equations of each column
    std::vector<double> coef_;
    std::vector<char> covered_;
    std::vector<double> sum_;
    std::vector<char> touched_;
};

int Nester::Shared(int r, int q) const {
    if (q == r || Size(m_, q) >= Size(m_, r)) return -1;
    int shared = 0, outside = 0;
    for (int e = m_.start[q]; e < m_.start[q + 1]; ++e) {
        const int j = m_.index[e];
        if (coef_[j] == 0) {
            ++outside;
        } else if (coef_[j] != m_.value[e] || covered_[j]) {
            return -1;
        } else {
            ++shared;
        }
    }
    return shared >= 2 && outside < shared ? shared : -1;
}

std::vector<int> Nester::BestAt(int r, int c, int* shared) const {
    std::vector<int> best;
    *shared = 0;
    for (int t = by_col_.start[c]; t < by_col_.start[c + 1]; ++t) {
        const int q = by_col_.row[t];
        const int s = Shared(r, q);
        if (s <= 0 || s < *shared) continue;
        if (s > *shared) best.clear();
        *shared = s;
        best.push_back(q);
    }
    return best;
}

void Nester::Cover(int q) {
    for (int e = m_.start[q]; e < m_.start[q + 1]; ++e) {
        if (coef_[m_.index[e]] != 0) covered_[m_.index[e]] = 1;
    }
}

std::vector<int> Nester::Complete(int r, int first) {
    std::vector<int> family{first};
    Cover(first);
    for (int k = m_.start[r]; k < m_.start[r + 1]; ++k) {
        const int c = m_.index[k];
        if (covered_[c]) continue;
        int shared = 0;
        const std::vector<int> best = BestAt(r, c, &shared);
        if (best.empty()) continue;
        family.push_back(best.front());
        Cover(best.front());
    }
    return family;
}

std::vector<std::vector<int>> Nester::Families(int r) {
    std::vector<std::vector<int>> families;
    if (m_.row_type[r] != 'E' || Size(m_, r) < 4) return families;
    for (int k = m_.start[r]; k < m_.start[r + 1]; ++k) coef_[m_.index[k]] = m_.value[k];
    // The first column some smaller row can cover: each row sharing the
    // most with r there starts a family.
    std::vector<int> starts;
    for (int k = m_.start[r]; k < m_.start[r + 1] && starts.empty(); ++k) {
        int shared = 0;
        starts = BestAt(r, m_.index[k], &shared);
    }
    std::set<std::vector<int>> seen;
    for (int first : starts) {
        if (families.size() >= kMaxFamilies) break;
        std::vector<int> family = Complete(r, first);
        for (int k = m_.start[r]; k < m_.start[r + 1]; ++k) covered_[m_.index[k]] = 0;
        std::vector<int> key = family;
        std::sort(key.begin(), key.end());
        if (!seen.insert(key).second) continue;
        std::vector<int> idx;
        std::vector<double> val;
        double rhs = 0;
        if (!Combine(r, family, &idx, &val, &rhs) || static_cast<int>(idx.size()) >= Size(m_, r))
            continue;
        families.push_back(std::move(family));
    }
    for (int k = m_.start[r]; k < m_.start[r + 1]; ++k) coef_[m_.index[k]] = 0;
    return families;
}

bool Nester::Combine(int from, const std::vector<int>& minus, std::vector<int>* idx,
                     std::vector<double>* val, double* rhs) {
    std::vector<int> cols;
    auto add = [&](int j, double v) {
        if (!touched_[j]) {
            touched_[j] = 1;
            cols.push_back(j);
        }
        sum_[j] += v;
    };
    *rhs = m_.rhs[from];
    for (int k = m_.start[from]; k < m_.start[from + 1]; ++k) add(m_.index[k], m_.value[k]);
    for (int q : minus) {
        *rhs -= m_.rhs[q];
        for (int e = m_.start[q]; e < m_.start[q + 1]; ++e) add(m_.index[e], -m_.value[e]);
    }
    idx->clear();
    val->clear();
    bool unit = true;
    for (int j : cols) {
        if (sum_[j] != 0) {
            unit = unit && std::fabs(sum_[j]) == 1.0;
            idx->push_back(j);
            val->push_back(sum_[j]);
        }
        sum_[j] = 0;
        touched_[j] = 0;
    }
    return unit;
}

// The categories of each dimension, read from the families of the largest
// total that has several: per family d, the position in it of the row that
// covers a column (-1: none). Empty when they cannot be read.
std::vector<std::vector<int>> Dimensions(const ModelData& m,
                                         const std::vector<std::vector<std::vector<int>>>& fams) {
    int top = -1;
    for (int r = 0; r < m.Rows(); ++r) {
        if (fams[r].size() >= 2 && (top < 0 || Size(m, r) > Size(m, top))) top = r;
    }
    if (top < 0) return {};
    std::vector<char> in_top(m.Cols(), 0);
    for (int k = m.start[top]; k < m.start[top + 1]; ++k) in_top[m.index[k]] = 1;
    std::vector<std::vector<int>> block(fams[top].size(), std::vector<int>(m.Cols(), -1));
    for (size_t d = 0; d < fams[top].size(); ++d) {
        const std::vector<int>& family = fams[top][d];
        for (size_t b = 0; b < family.size(); ++b) {
            const int q = family[b];
            for (int e = m.start[q]; e < m.start[q + 1]; ++e) {
                if (in_top[m.index[e]]) block[d][m.index[e]] = static_cast<int>(b);
            }
        }
    }
    return block;
}

// The one dimension in which the categories of `cols` differ, or -1.
int DirectionOf(const std::vector<std::vector<int>>& block, const std::vector<int>& cols) {
    int direction = -1;
    for (size_t d = 0; d < block.size(); ++d) {
        int seen = -1;
        bool differs = false;
        for (int j : cols) {
            const int b = block[d][j];
            if (b < 0) return -1;
            if (seen >= 0 && b != seen) differs = true;
            seen = b;
        }
        if (!differs) continue;
        if (direction >= 0) return -1;
        direction = static_cast<int>(d);
    }
    return direction;
}

// The columns that tell a rewritten row's direction: one covered column of
// each row it subtracts, or its own covered columns when it subtracts none.
std::vector<int> Witnesses(const ModelData& m, const std::vector<std::vector<int>>& block,
                           const RowNesting::Row& row) {
    auto covered = [&](int j) { return block[0][j] >= 0; };
    std::vector<int> cols;
    if (row.minus.empty()) {
        for (int k = m.start[row.from]; k < m.start[row.from + 1]; ++k)
            if (covered(m.index[k])) cols.push_back(m.index[k]);
        return cols;
    }
    for (int q : row.minus) {
        for (int e = m.start[q]; e < m.start[q + 1]; ++e) {
            if (covered(m.index[e])) {
                cols.push_back(m.index[e]);
                break;
            }
        }
    }
    return cols;
}

}  // namespace

bool NestRows(const ModelData& m, ModelData* nested, RowNesting* nesting) {
    const int rows = m.Rows();
    bool any = false;
    for (int r = 0; r < rows && !any; ++r) any = m.row_type[r] == 'E' && Size(m, r) >= 4;
    if (!any) return false;
    Nester nester(m);
    std::vector<std::vector<std::vector<int>>> fams(rows);
    RowNesting result;
    for (int r = 0; r < rows; ++r) {
        fams[r] = nester.Families(r);
        if (!fams[r].empty()) ++result.rewritten;
    }
    if (result.rewritten == 0) return false;

    for (int r = 0; r < rows; ++r) {
        RowNesting::Row row;
        row.from = r;
        if (!fams[r].empty()) row.minus = fams[r][0];
        result.rows.push_back(std::move(row));
    }
    for (int r = 0; r < rows; ++r) {
        for (size_t f = 1; f < fams[r].size(); ++f) {
            result.rows.push_back(RowNesting::Row{r, fams[r][f]});
            ++result.added;
        }
    }
    const std::vector<std::vector<int>> block = Dimensions(m, fams);
    if (!block.empty()) {
        const int last = static_cast<int>(block.size());
        std::vector<int> direction(result.rows.size());
        for (size_t s = 0; s < result.rows.size(); ++s) {
            const int d = DirectionOf(block, Witnesses(m, block, result.rows[s]));
            direction[s] = d < 0 ? last : d;
        }
        std::vector<size_t> order(result.rows.size());
        for (size_t s = 0; s < order.size(); ++s) order[s] = s;
        std::stable_sort(order.begin(), order.end(),
                         [&](size_t a, size_t b) { return direction[a] < direction[b]; });
        std::vector<RowNesting::Row> sorted;
        sorted.reserve(order.size());
        for (size_t s : order) sorted.push_back(std::move(result.rows[s]));
        result.rows = std::move(sorted);
    }

    ModelData out;
    out.name = m.name;
    out.obj = m.obj;
    out.lb = m.lb;
    out.ub = m.ub;
    out.type = m.type;
    std::vector<int> idx;
    std::vector<double> val;
    for (const RowNesting::Row& row : result.rows) {
        const int r = row.from;
        if (row.minus.empty()) {
            const int b = m.start[r];
            out.AppendRow(m.row_type[r], m.rhs[r], m.range[r], m.index.data() + b,
                          m.value.data() + b, Size(m, r));
            continue;
        }
        double rhs = 0;
        nester.Combine(r, row.minus, &idx, &val, &rhs);
        out.AppendRow('E', rhs, 0.0, idx.data(), val.data(), static_cast<int>(idx.size()));
    }
    *nested = std::move(out);
    *nesting = std::move(result);
    return true;
}

std::vector<double> OriginalDuals(const RowNesting& nesting, const std::vector<double>& duals,
                                  int rows) {
    std::vector<double> out(rows, 0.0);
    for (size_t s = 0; s < nesting.rows.size() && s < duals.size(); ++s) {
        const RowNesting::Row& row = nesting.rows[s];
        out[row.from] += duals[s];
        for (int q : row.minus) out[q] -= duals[s];
    }
    return out;
}

}  // namespace qtb::opt
