#include "engine/optimizer/network_simplex.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace qtb::opt {

namespace {
constexpr double kInf = std::numeric_limits<double>::infinity();
}

NetworkSimplex::NetworkSimplex(int nodes) : n_(nodes), supply_(nodes, 0.0), pi_(nodes + 1, 0.0) {}

int NetworkSimplex::AddArc(int tail, int head, double capacity, double cost) {
    tail_.push_back(tail);
    head_.push_back(head);
    cap_.push_back(capacity);
    cost_.push_back(cost);
    flow_.push_back(0.0);
    state_.push_back(kLower);
    warm_ = false;
    return m_++;
}

void NetworkSimplex::SetSupply(int node, double supply) {
    supply_[node] = supply;
    warm_ = false;
}

void NetworkSimplex::SetCost(int arc, double cost) {
    cost_[arc] = cost;  // the tree stays primal feasible: a warm start
}

void NetworkSimplex::SetCapacity(int arc, double capacity) {
    cap_[arc] = capacity;
    warm_ = false;
}

double NetworkSimplex::Objective() const {
    double z = 0.0;
    for (int a = 0; a < m_; ++a) z += cost_[a] * flow_[a];
    return z;
}

void NetworkSimplex::InitTree() {
    const int root = n_;
    const int total = m_ + n_;
    tail_.resize(total);
    head_.resize(total);
    cap_.resize(total);
    cost_.resize(total);
    flow_.assign(total, 0.0);
    state_.assign(total, kLower);
    parent_.assign(n_ + 1, -1);
    pred_.assign(n_ + 1, -1);
    depth_.assign(n_ + 1, 0);
    first_child_.assign(n_ + 1, -1);
    next_sib_.assign(n_ + 1, -1);
    prev_sib_.assign(n_ + 1, -1);
    pi_.assign(n_ + 1, 0.0);
    // Every node hangs from the root by an artificial arc carrying its supply;
    // arcs without flow point to the root, so the tree is strongly feasible.
    for (int v = 0; v < n_; ++v) {
        const int a = m_ + v;
        if (supply_[v] >= 0) {
            tail_[a] = v;
            head_[a] = root;
            flow_[a] = supply_[v];
        } else {
            tail_[a] = root;
            head_[a] = v;
            flow_[a] = -supply_[v];
        }
        cap_[a] = kInf;
        state_[a] = kTree;
        parent_[v] = root;
        pred_[v] = a;
        depth_[v] = 1;
        AttachChild(root, v);
    }
    next_arc_ = 0;
}

void NetworkSimplex::ComputePotentials() {
    const int root = n_;
    pi_[root] = 0.0;
    depth_[root] = 0;
    std::vector<int> stack{root};
    while (!stack.empty()) {
        const int u = stack.back();
        stack.pop_back();
        for (int v = first_child_[u]; v != -1; v = next_sib_[v]) {
            const int a = pred_[v];
            pi_[v] = tail_[a] == v ? pi_[u] - cost_[a] : pi_[u] + cost_[a];
            depth_[v] = depth_[u] + 1;
            stack.push_back(v);
        }
    }
}

void NetworkSimplex::Detach(int v) {
    const int p = parent_[v];
    if (prev_sib_[v] != -1)
        next_sib_[prev_sib_[v]] = next_sib_[v];
    else if (p != -1)
        first_child_[p] = next_sib_[v];
    if (next_sib_[v] != -1) prev_sib_[next_sib_[v]] = prev_sib_[v];
    prev_sib_[v] = next_sib_[v] = -1;
}

void NetworkSimplex::AttachChild(int p, int v) {
    next_sib_[v] = first_child_[p];
    prev_sib_[v] = -1;
    if (first_child_[p] != -1) prev_sib_[first_child_[p]] = v;
    first_child_[p] = v;
}

int NetworkSimplex::FindEntering() {
    const int total = m_ + n_;
    // A quarter of the square root of the arc count: on tables of 250,000 to
    // 1,000,000 cells about twice as fast as the whole square root (more
    // pivots, each much cheaper).
    const int block = std::max(16, static_cast<int>(0.25 * std::sqrt(static_cast<double>(total))));
    double best_value = -eps_;
    int best = -1;
    // Blocks of arcs from where the last search stopped, round the arc list;
    // the most violated arc of the first block that has one enters. Tree arcs
    // have state 0, so they never look violated.
    int a = next_arc_, counted = 0;
    for (int scanned = 0; scanned < total;) {
        const int end = std::min(total, a + (block - counted));
        for (int k = a; k < end; ++k) {
            const double c = state_[k] * (cost_[k] + pi_[tail_[k]] - pi_[head_[k]]);
            if (c < best_value) {
                best_value = c;
                best = k;
            }
        }
        scanned += end - a;
        counted += end - a;
        a = end == total ? 0 : end;
        if (counted >= block) {
            if (best >= 0) break;
            counted = 0;
        }
    }
    next_arc_ = a;
    return best;
}

void NetworkSimplex::UpdateSubtree(int root, double shift) {
    std::vector<int> stack{root};
    while (!stack.empty()) {
        const int u = stack.back();
        stack.pop_back();
        pi_[u] += shift;
        depth_[u] = depth_[parent_[u]] + 1;
        for (int v = first_child_[u]; v != -1; v = next_sib_[v]) stack.push_back(v);
    }
}

void NetworkSimplex::Rehang(int u_in, int v_in, int entering, int w_out) {
    // The subtree below the leaving arc holds u_in; it is turned round so
    // that u_in becomes its root, hanging from v_in by the entering arc.
    Detach(w_out);
    int cur = u_in, new_parent = v_in, new_pred = entering;
    for (;;) {
        const int old_parent = parent_[cur];
        const int old_pred = pred_[cur];
        if (cur != w_out) Detach(cur);
        parent_[cur] = new_parent;
        pred_[cur] = new_pred;
        AttachChild(new_parent, cur);
        if (cur == w_out) break;
        new_parent = cur;
        new_pred = old_pred;
        cur = old_parent;
    }
}

bool NetworkSimplex::Pivot(int in) {
    const int s = state_[in];
    // Flow is pushed from `first` to `second` along the entering arc and back
    // through the tree.
    const int first = s == kLower ? tail_[in] : head_[in];
    const int second = s == kLower ? head_[in] : tail_[in];
    int u = first, v = second;
    while (u != v) {
        if (depth_[u] > depth_[v]) {
            u = parent_[u];
        } else if (depth_[v] > depth_[u]) {
            v = parent_[v];
        } else {
            u = parent_[u];
            v = parent_[v];
        }
    }
    const int join = u;

    // The last blocking arc in the cycle's direction, starting at the join:
    // down to `first`, the entering arc, then up from `second`.
    double delta = kInf;
    int leave = -1;  // node below the leaving tree arc; -1 for the entering arc
    bool leave_first_side = false;
    for (int w = first; w != join; w = parent_[w]) {
        const int a = pred_[w];
        const double r = tail_[a] == parent_[w] ? cap_[a] - flow_[a] : flow_[a];
        if (r < delta) {
            delta = r;
            leave = w;
            leave_first_side = true;
        }
    }
    const double r_in = s == kLower ? cap_[in] - flow_[in] : flow_[in];
    if (r_in <= delta) {
        delta = r_in;
        leave = -1;
    }
    for (int w = second; w != join; w = parent_[w]) {
        const int a = pred_[w];
        const double r = tail_[a] == w ? cap_[a] - flow_[a] : flow_[a];
        if (r <= delta) {
            delta = r;
            leave = w;
            leave_first_side = false;
        }
    }
    if (delta == kInf) return false;

    if (delta > 0) {
        flow_[in] += s * delta;
        for (int w = first; w != join; w = parent_[w]) {
            const int a = pred_[w];
            flow_[a] += tail_[a] == parent_[w] ? delta : -delta;
        }
        for (int w = second; w != join; w = parent_[w]) {
            const int a = pred_[w];
            flow_[a] += tail_[a] == w ? delta : -delta;
        }
    }
    if (leave == -1) {
        state_[in] = -s;  // the entering arc went from one bound to the other
        return true;
    }

    const int out = pred_[leave];
    // The blocking arc ends at the bound its residual ran into.
    const bool forward = leave_first_side ? tail_[out] == parent_[leave] : tail_[out] == leave;
    state_[out] = forward ? kUpper : kLower;
    flow_[out] = forward ? cap_[out] : 0.0;

    const int u_in = leave_first_side ? first : second;
    const int v_in = leave_first_side ? second : first;
    const double rc = ReducedCost(in);
    state_[in] = kTree;
    Rehang(u_in, v_in, in, leave);
    UpdateSubtree(u_in, tail_[in] == u_in ? -rc : rc);
    return true;
}

NetworkSimplex::Result NetworkSimplex::Solve(const PivotHook& hook) {
    double cmax = 1.0;
    for (int a = 0; a < m_; ++a) cmax = std::max(cmax, std::fabs(cost_[a]));
    eps_ = 1e-9 * cmax;
    // An artificial arc costs more than any path of real arcs.
    big_m_ = (n_ + 1.0) * cmax + 1.0;
    if (!warm_) InitTree();
    for (int v = 0; v < n_; ++v) cost_[m_ + v] = big_m_;
    ComputePotentials();
    warm_ = true;

    for (;;) {
        const int in = FindEntering();
        if (in < 0) break;
        if (!Pivot(in)) {
            warm_ = false;
            return Result::kUnbounded;
        }
        ++pivots_;
        if (hook && hook(pivots_)) return Result::kStopped;
    }
    double smax = 1.0;
    for (int v = 0; v < n_; ++v) smax = std::max(smax, std::fabs(supply_[v]));
    for (int v = 0; v < n_; ++v) {
        if (flow_[m_ + v] > 1e-9 * smax) return Result::kInfeasible;
    }
    return Result::kOptimal;
}

}  // namespace qtb::opt
