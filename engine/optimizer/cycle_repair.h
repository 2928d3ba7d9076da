// Repair of a solution of the network part of a split model (network_split.h)
// until the side rows hold too.
//
// A move changes four columns by one unit each along a cycle of four arcs of
// the network part, so every network row still holds; it changes the side
// rows of those columns. Moves are chosen greedily: for each violated side
// row, the move through one of its columns that lowers the total violation
// most, and among those the cheapest.
#pragma once

#include <cstdint>
#include <functional>
#include <unordered_map>
#include <vector>

#include "engine/optimizer/model_data.h"
#include "engine/optimizer/network_split.h"

namespace qtb::opt {

class CycleRepair {
  public:
    CycleRepair(const ModelData& model, const NetworkSplit& split);

    // `x` holds every network row and integer values within the bounds; on
    // success it holds every side row too. `cost` prices the moves. False
    // when the moves run out (or `stop` says so) with violations left.
    bool Repair(std::vector<double>& x, const std::vector<double>& cost,
                const std::function<bool()>& stop);

  private:
    struct Move {
        int col[4];
        int dir[4];
        double score = 0;  // change of cost plus weighted violation
    };
    // Whether column j can move one unit in direction d.
    bool Movable(int j, int d) const;
    // The best move of four arcs that moves column j in direction d.
    bool BestCycle(int j, int d, const std::vector<double>& cost, Move* best);
    double Score(const Move& m, const std::vector<double>& cost);
    void Apply(const Move& m);
    void Undo(const Move& m);
    // The best single move for violated side row r; false when none.
    bool BestForRow(int r, const std::vector<double>& cost, Move* best,
                    std::vector<Move>* candidates);
    // Two moves in a row: one that worsens other side rows, and a second
    // that mends one of those; kept when the pair improves. For models whose
    // columns lie in several side rows, where single moves rarely do.
    bool CompoundForRow(std::vector<Move>& candidates, const std::vector<double>& cost);
    static uint64_t PairKey(int a, int b);

    const ModelData& m_;
    const NetworkSplit& s_;
    std::vector<std::vector<int>> adjacent_;                  // node -> columns
    std::unordered_map<uint64_t, std::vector<int>> between_;  // node pair -> columns
    std::vector<int> row_start_, row_col_;                    // side row -> columns
    std::vector<double> row_coef_;
    std::vector<double> side_rhs_;
    std::vector<double> g_;  // residual of each side row: rhs - activity
    std::vector<double>* x_ = nullptr;
    double weight_ = 1;           // of one unit of violation against cost
    std::vector<double> extra_;  // per side row, added to the weight where it stays violated
    std::unordered_map<int, double> touched_;
};

}  // namespace qtb::opt
