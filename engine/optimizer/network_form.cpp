#include "engine/optimizer/network_form.h"

#include <cmath>
#include <limits>

namespace qtb::opt {

namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();

bool IsFixed(const ModelData& m, int j) {
    return m.lb[j] == m.ub[j];
}

bool IsWhole(double v) {
    return std::fabs(v) >= kInfinity || v == std::floor(v);
}

// Row signs as a union-find whose links carry the sign between a row and its
// parent; two rows joined twice must agree.
class SignedUnion {
  public:
    explicit SignedUnion(int n) : parent_(n), sign_(n, 1) {
        for (int i = 0; i < n; ++i) parent_[i] = i;
    }
    // The set's root of row i; `sign` receives the sign of i relative to it.
    int Find(int i, int* sign) {
        int s = 1, r = i;
        while (parent_[r] != r) {
            s *= sign_[r];
            r = parent_[r];
        }
        // Path compression, keeping the signs relative to the root.
        int cur = i, cur_sign = s;
        while (parent_[cur] != cur) {
            const int next = parent_[cur];
            const int next_sign = cur_sign * sign_[cur];
            parent_[cur] = r;
            sign_[cur] = static_cast<int8_t>(cur_sign);
            cur = next;
            cur_sign = next_sign;
        }
        *sign = s;
        return r;
    }
    // Requires sign(a) * sign(b) == product; false on a contradiction.
    bool Join(int a, int b, int product) {
        int sa = 1, sb = 1;
        const int ra = Find(a, &sa), rb = Find(b, &sb);
        if (ra == rb) return sa * sb == product;
        parent_[ra] = rb;
        sign_[ra] = static_cast<int8_t>(sa * sb * product);
        return true;
    }

  private:
    std::vector<int> parent_;
    std::vector<int8_t> sign_;
};

// The bound a column's flow is measured from.
double ColumnBase(const ModelData& m, const NetworkForm& form, int j) {
    return form.col_flip[j] ? m.ub[j] : m.lb[j];
}

struct ColumnEntries {
    int count = 0;
    int row[2];
    double coef[2];
};

}  // namespace

bool RecogniseNetwork(const ModelData& m, NetworkForm* form) {
    const int n = m.Cols(), rows = m.Rows();
    std::vector<ColumnEntries> cols(n);
    bool integral = true;
    for (int i = 0; i < rows; ++i) {
        if (m.row_type[i] == 'N') continue;
        integral = integral && IsWhole(m.rhs[i]) && (m.row_type[i] != 'R' || IsWhole(m.range[i]));
        for (int k = m.start[i]; k < m.start[i + 1]; ++k) {
            const int j = m.index[k];
            if (IsFixed(m, j)) continue;
            if (m.value[k] != 1.0 && m.value[k] != -1.0) return false;
            ColumnEntries& c = cols[j];
            if (c.count == 2) return false;
            c.row[c.count] = i;
            c.coef[c.count] = m.value[k];
            ++c.count;
        }
    }
    SignedUnion signs(rows);
    for (int j = 0; j < n; ++j) {
        const ColumnEntries& c = cols[j];
        if (c.count > 0 && m.lb[j] <= -kInfinity && m.ub[j] >= kInfinity) return false;
        // Crossed bounds are left to the general solvers to report.
        if (m.lb[j] > m.ub[j]) return false;
        if (c.count != 2) continue;
        // After the flips the two elements must be opposite.
        const int product = c.coef[0] * c.coef[1] > 0 ? -1 : 1;
        if (!signs.Join(c.row[0], c.row[1], product)) return false;
    }

    form->rows = rows;
    form->row_sign.assign(rows, 1);
    for (int i = 0; i < rows; ++i) {
        int s = 1;
        signs.Find(i, &s);
        form->row_sign[i] = static_cast<int8_t>(s);
    }
    form->col_arc.assign(n, kFixedColumn);
    form->col_flip.assign(n, 0);
    int arcs = 0;
    for (int j = 0; j < n; ++j) {
        integral = integral && IsWhole(m.lb[j]) && IsWhole(m.ub[j]);
        if (IsFixed(m, j)) continue;
        if (cols[j].count == 0) {
            form->col_arc[j] = kLooseColumn;
            continue;
        }
        form->col_arc[j] = arcs++;
        form->col_flip[j] = m.lb[j] <= -kInfinity ? 1 : 0;
    }
    form->row_slack.assign(rows, -1);
    for (int i = 0; i < rows; ++i) {
        const char t = m.row_type[i];
        if (t == 'L' || t == 'G' || t == 'R') form->row_slack[i] = arcs++;
    }
    form->integral = integral;
    return true;
}

double ArcCost(const NetworkForm& form, int sense, int col, double obj) {
    return form.col_flip[col] ? -sense * obj : sense * obj;
}

bool BuildFlowProblem(const ModelData& m, const NetworkForm& form, int sense,
                      NetworkSimplex* flow) {
    const int n = m.Cols(), rows = form.rows, closing = rows;
    *flow = NetworkSimplex(rows + 1);
    std::vector<double> supply(rows + 1, 0.0);
    for (int i = 0; i < rows; ++i) {
        if (m.row_type[i] != 'N') supply[i] = form.row_sign[i] * m.rhs[i];
    }
    // Each column's tail and head; a column with one element runs to or from
    // the closing node. Fixed columns and bases move into the supplies.
    std::vector<int> tail(n, closing), head(n, closing);
    for (int i = 0; i < rows; ++i) {
        if (m.row_type[i] == 'N') continue;
        for (int k = m.start[i]; k < m.start[i + 1]; ++k) {
            const int j = m.index[k];
            const double e = form.row_sign[i] * m.value[k];
            supply[i] -= e * ColumnBase(m, form, j);
            if (form.col_arc[j] < 0) continue;
            const bool out = (e > 0) != (form.col_flip[j] != 0);
            (out ? tail[j] : head[j]) = i;
        }
    }
    for (int j = 0; j < n; ++j) {
        if (form.col_arc[j] == kLooseColumn) {
            const double c = sense * m.obj[j];
            if ((c > 0 && m.lb[j] <= -kInfinity) || (c < 0 && m.ub[j] >= kInfinity)) return false;
        }
        if (form.col_arc[j] < 0) continue;
        const double width =
            m.ub[j] >= kInfinity || m.lb[j] <= -kInfinity ? kInf : m.ub[j] - m.lb[j];
        flow->AddArc(tail[j], head[j], width, ArcCost(form, sense, j, m.obj[j]));
    }
    // Slacks: a x + s = rhs with s >= 0 ('L'), s in [0, range] ('R'); and
    // a x - s = rhs with s >= 0 ('G').
    for (int i = 0; i < rows; ++i) {
        if (form.row_slack[i] < 0) continue;
        const char t = m.row_type[i];
        const double e = form.row_sign[i] * (t == 'G' ? -1.0 : 1.0);
        const double width = t == 'R' ? m.range[i] : kInf;
        if (e > 0)
            flow->AddArc(i, closing, width, 0.0);
        else
            flow->AddArc(closing, i, width, 0.0);
    }
    double total = 0.0;
    for (int i = 0; i < rows; ++i) {
        flow->SetSupply(i, supply[i]);
        total += supply[i];
    }
    flow->SetSupply(closing, -total);
    return true;
}

void ColumnValues(const ModelData& m, const NetworkForm& form, const NetworkSimplex& flow,
                  int sense, std::vector<double>* x) {
    const int n = m.Cols();
    x->assign(n, 0.0);
    for (int j = 0; j < n; ++j) {
        const int a = form.col_arc[j];
        if (a >= 0) {
            const double base = ColumnBase(m, form, j);
            (*x)[j] = form.col_flip[j] ? base - flow.Flow(a) : base + flow.Flow(a);
        } else if (a == kFixedColumn) {
            (*x)[j] = m.lb[j];
        } else {
            const double c = sense * m.obj[j];
            const double lo = m.lb[j], up = m.ub[j];
            double v = c < 0 ? up : lo;
            if (c == 0) v = lo > -kInfinity ? lo : (up < kInfinity ? up : 0.0);
            (*x)[j] = v;
        }
    }
}

void DualValues(const ModelData& m, const NetworkForm& form, const NetworkSimplex& flow, int sense,
                std::vector<double>* duals, std::vector<double>* dj) {
    const int n = m.Cols(), rows = form.rows;
    const double closing = flow.Potential(rows);
    duals->assign(rows, 0.0);
    for (int i = 0; i < rows; ++i) {
        if (m.row_type[i] == 'N') continue;
        // Minimisation duals are -sign * (pi - pi(closing)); the caller's
        // sense multiplies them once more.
        (*duals)[i] = -sense * form.row_sign[i] * (flow.Potential(i) - closing);
    }
    dj->assign(m.obj.begin(), m.obj.end());
    for (int i = 0; i < rows; ++i) {
        for (int k = m.start[i]; k < m.start[i + 1]; ++k) {
            (*dj)[m.index[k]] -= (*duals)[i] * m.value[k];
        }
    }
    (void)n;
}

}  // namespace qtb::opt
