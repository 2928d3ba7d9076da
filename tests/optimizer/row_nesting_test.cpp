// Tables whose totals add up their inner cells directly are rewritten into
// lines: same solutions, far fewer elements, and the structure that the
// network recognition and the start heuristics need. Wrong here would be a
// rewritten system that lost or changed an equation, duals that no longer
// price the rows as loaded, or an optimum that depends on how the totals
// were written.
#include "engine/optimizer/row_nesting.h"

#include <cmath>
#include <string>

#include "engine/optimizer/network_split.h"
#include "tests/optimizer/test_support.h"

namespace qtb::opt::test {
namespace {

class RowNestingTest : public OptimizerTest {};

// Row s of the rewritten model, recomputed from the original rows it names.
std::vector<double> Recomputed(const ModelData& m, const RowNesting::Row& row, double* rhs) {
    std::vector<double> dense(m.Cols(), 0.0);
    auto add = [&](int r, double sign) {
        for (int k = m.start[r]; k < m.start[r + 1]; ++k) dense[m.index[k]] += sign * m.value[k];
        *rhs += sign * m.rhs[r];
    };
    *rhs = 0;
    add(row.from, 1);
    for (int q : row.minus) add(q, -1);
    return dense;
}

std::vector<double> Dense(const ModelData& m, int r) {
    std::vector<double> dense(m.Cols(), 0.0);
    for (int k = m.start[r]; k < m.start[r + 1]; ++k) dense[m.index[k]] = m.value[k];
    return dense;
}

TEST_F(RowNestingTest, TotalsOverInnerCellsBecomeEveryLineOfTheTable) {
    for (int dims = 2; dims <= 5; ++dims) {
        const int n = dims <= 3 ? 3 : 2;
        const ModelData direct = ModelOf(MakeRoundingTable(dims, n, 7, 10.0, true));
        const ModelData lines = ModelOf(MakeRoundingTable(dims, n, 7, 10.0, false));
        ModelData nested;
        RowNesting nesting;
        ASSERT_TRUE(NestRows(direct, &nested, &nesting)) << dims << "-D";
        const std::string what = std::to_string(dims) + "-D";
        // As many rows and elements as the table written line by line.
        EXPECT_EQ(nested.Rows(), lines.Rows()) << what;
        EXPECT_EQ(nested.index.size(), lines.index.size()) << what;
        EXPECT_EQ(nested.Rows(), direct.Rows() + nesting.added) << what;
        for (double v : nested.value) ASSERT_EQ(std::fabs(v), 1.0) << what;

        std::vector<char> source(direct.Rows(), 0);
        for (int s = 0; s < nested.Rows(); ++s) {
            const RowNesting::Row& row = nesting.rows[s];
            source[row.from] = 1;
            // Each rewritten row is what its record says, made of strictly
            // smaller rows: the rewriting can be undone.
            double rhs = 0;
            EXPECT_EQ(Dense(nested, s), Recomputed(direct, row, &rhs)) << what << " row " << s;
            EXPECT_DOUBLE_EQ(nested.rhs[s], rhs) << what << " row " << s;
            for (int q : row.minus)
                EXPECT_LT(direct.start[q + 1] - direct.start[q],
                          direct.start[row.from + 1] - direct.start[row.from]);
        }
        for (int r = 0; r < direct.Rows(); ++r) EXPECT_TRUE(source[r]) << what << " row " << r;
    }
}

TEST_F(RowNestingTest, TablesWrittenLineByLineStayAsTheyAre) {
    ModelData nested;
    RowNesting nesting;
    EXPECT_FALSE(NestRows(ModelOf(MakeRoundingTable(3, 4, 1)), &nested, &nesting));
    EXPECT_TRUE(nesting.rows.empty());
}

TEST_F(RowNestingTest, RowsComeOrderedByDirectionSoSlicesAreFound) {
    // The start heuristics split a table into two-dimensional slices; the
    // rewritten table must split as well as one written line by line.
    for (int dims : {3, 4}) {
        const ModelData direct = ModelOf(MakeRoundingTable(dims, 3, 5, 10.0, true));
        const ModelData lines = ModelOf(MakeRoundingTable(dims, 3, 5, 10.0, false));
        ModelData nested;
        RowNesting nesting;
        ASSERT_TRUE(NestRows(direct, &nested, &nesting));
        NetworkSplit a, b;
        ASSERT_TRUE(SplitByNetwork(nested, 0, &a));
        ASSERT_TRUE(SplitByNetwork(lines, 0, &b));
        EXPECT_EQ(a.components, b.components) << dims << "-D";
        EXPECT_EQ(a.side_rows.size(), b.side_rows.size()) << dims << "-D";
    }
}

void SolveGlobal(const RoundingTable& t, double* objective, int* status, std::string* log) {
    Prob p;
    std::vector<char> types(t.Cells(), 'B');
    ASSERT_EQ(LoadColumns(p, t.obj, t.lb, t.ub, types, t.rows), 0);
    XPRSsetcbmessage(
        p,
        [](XPRSprob, void* data, const char* text, int, int) {
            *static_cast<std::string*>(data) += std::string(text) + "\n";
        },
        log);
    ASSERT_EQ(XPRSminim(p, "g"), 0);
    *status = p.Int(XPRS_MIPSTATUS);
    *objective = p.Dbl(XPRS_MIPOBJVAL);
    const std::vector<double> x = p.Sol(t.Cells());
    EXPECT_LT(t.MaxViolation(x), 1e-9);
}

TEST_F(RowNestingTest, SameOptimumWhicheverWayTheTotalsAreWritten) {
    for (int dims : {2, 3}) {
        double a = 0, b = 0;
        int sa = 0, sb = 0;
        std::string log_direct, log_lines;
        SolveGlobal(MakeRoundingTable(dims, 4, 11, 10.0, true), &a, &sa, &log_direct);
        SolveGlobal(MakeRoundingTable(dims, 4, 11, 10.0, false), &b, &sb, &log_lines);
        EXPECT_EQ(sa, XPRS_MIP_OPTIMAL);
        EXPECT_EQ(sb, XPRS_MIP_OPTIMAL);
        EXPECT_NEAR(a, b, 1e-9) << dims << "-D";
        if (dims == 2) {
            // Rewritten, a two-dimensional table is a network again.
            EXPECT_NE(log_direct.find("Network model"), std::string::npos) << log_direct;
        }
    }
}

TEST_F(RowNestingTest, DualsOfAnLpPriceTheRowsAsLoaded) {
    // Reduced costs are c - A'y with A the rows as loaded: duals of the
    // rewritten rows must be turned back. The two-dimensional table takes
    // the network simplex, the three-dimensional one CLP.
    for (int dims : {2, 3}) {
        const RoundingTable t = MakeRoundingTable(dims, 3, 3, 10.0, true);
        Prob p;
        ASSERT_EQ(LoadColumns(p, t.obj, t.lb, t.ub, {}, t.rows), 0);
        ASSERT_EQ(XPRSminim(p, ""), 0);
        ASSERT_EQ(p.Int(XPRS_LPSTATUS), XPRS_LP_OPTIMAL);
        std::vector<double> duals(t.rows.Count()), dj(t.Cells());
        ASSERT_EQ(XPRSgetsol(p, nullptr, nullptr, duals.data(), dj.data()), 0);
        std::vector<double> priced = t.obj;
        for (int i = 0; i < t.rows.Count(); ++i)
            for (int k = t.rows.start[i]; k < t.rows.start[i + 1]; ++k)
                priced[t.rows.cols[k]] -= duals[i] * t.rows.vals[k];
        for (int j = 0; j < t.Cells(); ++j)
            EXPECT_NEAR(priced[j], dj[j], 1e-7) << dims << "-D column " << j;
    }
}

}  // namespace
}  // namespace qtb::opt::test
