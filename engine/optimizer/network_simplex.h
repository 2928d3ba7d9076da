// Primal network simplex for minimum-cost flow: nodes with supplies, arcs with
// a capacity (possibly infinite) and a cost, flows between 0 and the capacity.
//
// The spanning tree is kept strongly feasible (the leaving arc is the last
// blocking arc of the pivot cycle), which rules out cycling; entering arcs are
// chosen by block search. The tree survives a solve, so after cost changes the
// next solve starts from the last optimal tree (warm start); capacity and
// supply changes restart from the artificial tree.
//
// With integer supplies and capacities every flow the method produces is
// integer: the LP of a network has integral vertices.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

namespace qtb::opt {

class NetworkSimplex {
  public:
    enum class Result { kOptimal, kInfeasible, kUnbounded, kStopped };

    // `nodes` nodes numbered 0 .. nodes-1, all with supply 0.
    explicit NetworkSimplex(int nodes);

    // Adds an arc tail -> head; `capacity` may be +infinity. Returns its index.
    int AddArc(int tail, int head, double capacity, double cost);
    // Supply (> 0) or demand (< 0) of a node: flow out minus flow in.
    void SetSupply(int node, double supply);
    void SetCost(int arc, double cost);
    void SetCapacity(int arc, double capacity);
    // The next solve starts from the artificial tree, not the last one.
    void Restart() { warm_ = false; }

    // Called every pivot with the pivot count; returning true stops the solve.
    using PivotHook = std::function<bool(long pivots)>;
    Result Solve(const PivotHook& hook = {});

    int Nodes() const { return n_; }
    int Arcs() const { return m_; }
    double Flow(int arc) const { return flow_[arc]; }
    int Tail(int arc) const { return tail_[arc]; }
    int Head(int arc) const { return head_[arc]; }
    // Node potentials of the last tree: cost(a) + pi(tail) - pi(head) is the
    // reduced cost of arc a, zero on tree arcs.
    double Potential(int node) const { return pi_[node]; }
    // Objective of the current flow (real arcs only).
    double Objective() const;
    long Pivots() const { return pivots_; }

  private:
    enum : int8_t { kTree = 0, kLower = 1, kUpper = -1 };

    void InitTree();
    void ComputePotentials();
    double ReducedCost(int a) const { return cost_[a] + pi_[tail_[a]] - pi_[head_[a]]; }
    int FindEntering();
    bool Pivot(int entering);  // false: unbounded
    void Detach(int v);
    void AttachChild(int parent, int v);
    void Rehang(int u_in, int v_in, int entering, int w_out);
    void UpdateSubtree(int root, double shift);

    int n_;      // real nodes; node n_ is the artificial root
    int m_ = 0;  // real arcs; arcs m_ .. m_+n_-1 are artificial
    std::vector<int> tail_, head_;
    std::vector<double> cap_, cost_, flow_;
    std::vector<int8_t> state_;
    std::vector<double> supply_;

    // The spanning tree: parent, the arc to it, depth, and children lists.
    std::vector<int> parent_, pred_, depth_;
    std::vector<int> first_child_, next_sib_, prev_sib_;
    std::vector<double> pi_;

    bool warm_ = false;  // the tree of the last solve can be reused
    int next_arc_ = 0;   // where the block search goes on
    long pivots_ = 0;
    double big_m_ = 0.0;
    double eps_ = 1e-9;
};

}  // namespace qtb::opt
