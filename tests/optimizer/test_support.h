// Helpers shared by the optimizer tests: the library's run as a fixture, a
// problem handle that is destroyed at the end of a test, controlled-rounding
// models of generated k-dimensional tables, and capture of standard output.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/optimizer/model_data.h"
#include "engine/optimizer/optimizer.h"

namespace qtb::opt::test {

// Every test runs inside XPRSinit / XPRSfree.
class OptimizerTest : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_EQ(XPRSinit(nullptr), 0); }
    void TearDown() override { EXPECT_EQ(XPRSfree(), 0); }
};

// Owns one problem handle.
class Prob {
  public:
    Prob() { EXPECT_EQ(XPRScreateprob(&p_), 0); }
    ~Prob() {
        if (p_) XPRSdestroyprob(p_);
    }
    Prob(const Prob&) = delete;
    Prob& operator=(const Prob&) = delete;
    operator XPRSprob() const { return p_; }

    int Int(int attrib) const;
    double Dbl(int attrib) const;
    std::vector<double> Sol(int ncols) const;

  private:
    XPRSprob p_ = nullptr;
};

// Rows in the row form XPRSaddrows takes.
struct Rows {
    std::vector<char> type;
    std::vector<double> rhs;
    std::vector<int> start{0};
    std::vector<int> cols;
    std::vector<double> vals;

    void Add(char t, double r, const std::vector<int>& c, const std::vector<double>& v);
    int Count() const { return static_cast<int>(type.size()); }
};

// Loads columns the way the rounding engine does (no rows, zero column
// starts), as a global problem when `types` is not empty (its 'B' and 'I'
// columns become entities), then adds `rows`.
// Returns the first non-zero status.
int LoadColumns(XPRSprob p, const std::vector<double>& obj, const std::vector<double>& lb,
                const std::vector<double>& ub, const std::vector<char>& types, const Rows& rows);

// A k-dimensional table with n categories per dimension and all marginal
// totals, values drawn from 1..50 with `seed`, and its zero-restricted
// controlled rounding to `base`: one binary per cell (1 = round up), objective
// base - 2 (v - floor) per cell, one equation per total.
struct RoundingTable {
    std::vector<double> value;   // nominal value of every cell
    std::vector<double> floors;  // the multiple of the base below (or equal)
    std::vector<double> obj, lb, ub;
    Rows rows;
    double base = 10.0;
    int Cells() const { return static_cast<int>(value.size()); }
    // Total absolute distance of a rounding given as 0/1 per cell.
    double Distance(const std::vector<double>& x) const;
    // Largest violation of the table's equations by the rounded values.
    double MaxViolation(const std::vector<double>& x) const;
};
// With `inner_sums`, every total's equation adds up the inner cells it covers
// (as generated and imported tables are written) instead of one line of cells.
RoundingTable MakeRoundingTable(int dims, int n, unsigned seed, double base = 10.0,
                                bool inner_sums = false);

// The table's model as the library holds it (binary columns).
ModelData ModelOf(const RoundingTable& t);

// The model's objective at column values x.
double ObjectiveOf(const ModelData& m, const std::vector<double>& x);

// Runs `f` and returns what it wrote on standard output and standard error.
std::string CaptureOutput(const std::function<void()>& f);

}  // namespace qtb::opt::test
