#include "engine/optimizer/network_split.h"

#include <cmath>
#include <numeric>

namespace qtb::opt {

namespace {

// Union-find over rows whose links carry a sign: row signs must make the two
// elements of every column opposite.
class RowSigns {
  public:
    explicit RowSigns(int n) : parent_(n), sign_(n, 1) { std::iota(parent_.begin(), parent_.end(), 0); }
    int Find(int i, int* sign) {
        int s = 1;
        while (parent_[i] != i) {
            s *= sign_[i];
            i = parent_[i];
        }
        *sign = s;
        return i;
    }
    bool Consistent(int a, int b, int product) {
        int sa = 1, sb = 1;
        const int ra = Find(a, &sa), rb = Find(b, &sb);
        return ra != rb || sa * sb == product;
    }
    void Join(int a, int b, int product) {
        int sa = 1, sb = 1;
        const int ra = Find(a, &sa), rb = Find(b, &sb);
        if (ra == rb) return;
        parent_[ra] = rb;
        sign_[ra] = static_cast<int8_t>(sa * sb * product);
    }

  private:
    std::vector<int> parent_;
    std::vector<int8_t> sign_;
};

int Root(std::vector<int>& parent, int i) {
    while (parent[i] != i) i = parent[i] = parent[parent[i]];
    return i;
}

}  // namespace

bool SplittableModel(const ModelData& m) {
    for (int i = 0; i < m.Rows(); ++i) {
        if (m.row_type[i] != 'E') return false;
    }
    for (double v : m.value) {
        if (v != 1.0 && v != -1.0) return false;
    }
    for (int j = 0; j < m.Cols(); ++j) {
        if (m.type[j] == 'C' || m.lb[j] <= -kInfinity || m.ub[j] >= kInfinity) return false;
        if (m.lb[j] > m.ub[j]) return false;
    }
    return m.Rows() > 0;
}

bool SplitByNetwork(const ModelData& m, int first, NetworkSplit* s) {
    if (!SplittableModel(m)) return false;
    const int n = m.Cols(), rows = m.Rows();
    auto fixed = [&m](int j) { return m.lb[j] == m.ub[j]; };

    // Rows in turn into the network part while every free column keeps at
    // most two of its rows there, with consistent signs.
    std::vector<int> in_net(n, 0), first_row(n, -1);
    std::vector<double> first_coef(n, 0.0);
    std::vector<char> is_net(rows, 0);
    RowSigns signs(rows);
    for (int q = 0; q < rows; ++q) {
        const int i = (first + q) % rows;
        bool fits = true;
        for (int k = m.start[i]; k < m.start[i + 1] && fits; ++k) {
            const int j = m.index[k];
            if (fixed(j)) continue;
            if (in_net[j] >= 2) fits = false;
            if (in_net[j] == 1) {
                const int product = first_coef[j] * m.value[k] > 0 ? -1 : 1;
                fits = signs.Consistent(first_row[j], i, product);
            }
        }
        if (!fits) continue;
        is_net[i] = 1;
        for (int k = m.start[i]; k < m.start[i + 1]; ++k) {
            const int j = m.index[k];
            if (fixed(j)) continue;
            if (in_net[j] == 1) {
                signs.Join(first_row[j], i, first_coef[j] * m.value[k] > 0 ? -1 : 1);
            } else {
                first_row[j] = i;
                first_coef[j] = m.value[k];
            }
            ++in_net[j];
        }
    }

    s->cols = n;
    s->net_rows.clear();
    s->side_rows.clear();
    for (int i = 0; i < rows; ++i) (is_net[i] ? s->net_rows : s->side_rows).push_back(i);
    if (s->side_rows.empty()) return false;

    ModelData& nm = s->net_model;
    nm = ModelData{};
    nm.obj = m.obj;
    nm.lb = m.lb;
    nm.ub = m.ub;
    nm.type = m.type;
    for (int i : s->net_rows) {
        const int b = m.start[i], e = m.start[i + 1];
        nm.AppendRow('E', m.rhs[i], 0.0, m.index.data() + b, m.value.data() + b, e - b);
    }
    if (!RecogniseNetwork(nm, &s->form)) return false;
    s->flow = std::make_unique<NetworkSimplex>(1);
    if (!BuildFlowProblem(nm, s->form, 1, s->flow.get())) return false;

    // Side rows by column.
    std::vector<int> count(n + 1, 0);
    for (int i : s->side_rows)
        for (int k = m.start[i]; k < m.start[i + 1]; ++k) ++count[m.index[k] + 1];
    std::partial_sum(count.begin(), count.end(), count.begin());
    s->side_start = count;
    s->side_row.assign(count[n], 0);
    s->side_coef.assign(count[n], 0.0);
    std::vector<int> fill(count.begin(), count.end() - 1);
    for (size_t r = 0; r < s->side_rows.size(); ++r) {
        const int i = s->side_rows[r];
        for (int k = m.start[i]; k < m.start[i + 1]; ++k) {
            const int j = m.index[k];
            s->side_row[fill[j]] = static_cast<int>(r);
            s->side_coef[fill[j]] = m.value[k];
            ++fill[j];
        }
    }

    // Arc ends and components of the network part.
    s->tail.assign(n, -1);
    s->head.assign(n, -1);
    const int nodes = s->flow->Nodes();
    std::vector<int> parent(nodes);
    std::iota(parent.begin(), parent.end(), 0);
    for (int j = 0; j < n; ++j) {
        const int a = s->form.col_arc[j];
        if (a < 0) continue;
        s->tail[j] = s->flow->Tail(a);
        s->head[j] = s->flow->Head(a);
        parent[Root(parent, s->tail[j])] = Root(parent, s->head[j]);
    }
    std::vector<int> id(nodes, -1);
    s->components = 0;
    s->component.assign(n, -1);
    for (int j = 0; j < n; ++j) {
        if (s->tail[j] < 0) continue;
        const int r = Root(parent, s->tail[j]);
        if (id[r] < 0) id[r] = s->components++;
        s->component[j] = id[r];
    }
    return true;
}

}  // namespace qtb::opt
