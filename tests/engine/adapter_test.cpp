// The adapter end to end, from Cell and Sum lists to the values written back,
// with the host's status texts and alerts recorded by a test host.
#include "engine/adapter.h"

#include <gtest/gtest.h>

#include <cmath>

#include "engine/engine.h"
#include "engine/run_progress.h"
#include "tests/support/recording_host.h"
#include "tests/support/rounding_check.h"

namespace {

using roundcheck::Table;

class AdapterTest : public testing::Test {
  protected:
    void SetUp() override {
        savedOptions_ = gOptions;
        gOptions = RoundingOptions{};
        gOptions.timelim = 1;
        unloadInstance();
        testhost::clear();
    }
    void TearDown() override {
        unloadInstance();
        gOptions = savedOptions_;
        testhost::clear();
    }

    // Builds the instance lists from `t` so that the list runs in table order
    // (cell 0 at the head) and every sum's terms run in equation order.
    void build(const Table& t) {
        cells_.assign(t.size(), nullptr);
        for (int i = t.size() - 1; i >= 0; --i) {
            Cell* c = newCell();
            c->nominal = c->rounded = t.nominal[i];
            c->lbd = t.lower[i];
            c->ubd = t.upper[i];
            c->lpl = t.lpl[i];
            c->upl = t.upl[i];
            c->status = t.status[i];
            c->number = 100 + i;  // replaced by the run
            c->auditMin = c->auditMax = -7;
            setCellName(c, t.names[i].c_str());
            c->next = gInstance.cellList;
            gInstance.cellList = c;
            ++gInstance.ncells;
            cells_[i] = c;
        }
        for (int e = static_cast<int>(t.equations.size()) - 1; e >= 0; --e) {
            const auto& terms = t.equations[e].terms;
            Sum* s = newSum(0, 0, 0, nullptr, gInstance.sumList, nullptr, 0);
            for (int k = static_cast<int>(terms.size()) - 1; k >= 0; --k) {
                s->terms = newSumTerm(cells_[terms[k].cell], int16_t(terms[k].coef), s->terms);
                ++cells_[terms[k].cell]->useCount;
                ++s->termCount;
            }
            gInstance.sumList = s;
            ++gInstance.nsums;
        }
    }
    int run() { return RunRounding(gInstance.cellList, gInstance.sumList); }
    // Releases the instance between cases of one test (its status texts are
    // not the adapter's).
    void release() {
        unloadInstance();
        testhost::clear();
    }
    std::vector<double> rounded() const {
        std::vector<double> out;
        for (Cell* c : cells_) out.push_back(c->rounded);
        return out;
    }

    std::vector<Cell*> cells_;
    RoundingOptions savedOptions_;
};

Table twoCellTable() {
    // 23 + 47 = 70
    Table t;
    t.addCell(23, 0, 1000);
    t.addCell(47, 0, 1000);
    t.addCell(70, 0, 1000);
    t.addSum({0, 1}, 2);
    return t;
}

TEST_F(AdapterTest, RoundsAuditsAndWritesBack) {
    build(twoCellTable());
    EXPECT_EQ(run(), 0);
    EXPECT_EQ(rounded(), (std::vector<double>{20, 50, 70}));
    for (int i = 0; i < 3; ++i) EXPECT_EQ(cells_[i]->number, i);
    EXPECT_EQ(cells_[0]->auditMin, 10);
    EXPECT_EQ(cells_[0]->auditMax, 30);
    EXPECT_EQ(cells_[1]->auditMin, 40);
    EXPECT_EQ(cells_[1]->auditMax, 60);
    EXPECT_EQ(cells_[2]->auditMin, 60);
    EXPECT_EQ(cells_[2]->auditMax, 80);
    EXPECT_EQ(gInstance.maxDeviation, 3);
    EXPECT_DOUBLE_EQ(gEngine.bestUB, 6);
    EXPECT_EQ(gEngine.extendedUsed, 0);
    EXPECT_EQ(testhost::statusTexts(),
              (std::vector<std::string>{"Optimal solution found!", "All 3 cells audited"}));
    EXPECT_TRUE(testhost::alertTexts().empty());
    // What the program reads for its summary once the run has ended.
    RunProgress p{};
    ProgressSnapshot(p);
    EXPECT_EQ(p.phase, kRunEnded);
    EXPECT_EQ(p.cellCount, 3);
    EXPECT_EQ(p.auditRan, 1);
    EXPECT_EQ(p.auditedCells, 3);
    EXPECT_EQ(p.unauditedCells, 0);
    EXPECT_EQ(p.hasRounding, 1);
    EXPECT_DOUBLE_EQ(p.bestDistance, 6);
    EXPECT_EQ(p.weightsSeedUsed, 0);
    // The engine's copy is released at the end of the run.
    EXPECT_TRUE(gEngine.cells.empty());
    EXPECT_EQ(gEngine.masterProblem, nullptr);
}

TEST_F(AdapterTest, WithoutAuditingTheIntervalsAreLeftAlone) {
    gOptions.auditing = 0;
    build(twoCellTable());
    EXPECT_EQ(run(), 0);
    EXPECT_EQ(rounded(), (std::vector<double>{20, 50, 70}));
    for (Cell* c : cells_) {
        EXPECT_EQ(c->auditMin, -7);
        EXPECT_EQ(c->auditMax, -7);
    }
}

TEST_F(AdapterTest, EmptySumListAndMultiplesOfTheBase) {
    Table t;
    for (double v : {14.0, 26.0, 31.0, 99.0}) t.addCell(v, 0, 1000);
    build(t);
    EXPECT_EQ(run(), 0);
    EXPECT_EQ(rounded(), (std::vector<double>{10, 30, 30, 100}));
    EXPECT_EQ(gInstance.maxDeviation, 4);
    EXPECT_EQ(cells_[3]->auditMin, 90);
    EXPECT_EQ(cells_[3]->auditMax, 110);
    release();

    Table m;
    for (double v : {10.0, 0.0, 250.0}) m.addCell(v, 0, 1000);
    m.addSum({0, 1}, 0);
    build(m);
    gInstance.maxDeviation = 99;
    EXPECT_EQ(run(), 0);
    EXPECT_EQ(gInstance.maxDeviation, 0);
    EXPECT_EQ(rounded(), (std::vector<double>{10, 0, 250}));
}

TEST_F(AdapterTest, AnyCoefficientOtherThanOneIsMinusOne) {
    Table t = twoCellTable();
    t.equations[0].terms[2].coef = 5;  // the total, written oddly
    build(t);
    EXPECT_EQ(run(), 0);
    const std::vector<double> r = rounded();
    EXPECT_EQ(r[0] + r[1], r[2]);
}

TEST_F(AdapterTest, EmptyInstanceIsAnErrorOfTheSolve) {
    // The optimizer refuses a model without columns; the user is told.
    EXPECT_EQ(RunRounding(nullptr, nullptr), 10);
    EXPECT_EQ(testhost::alertTexts(),
              (std::vector<std::string>{"Error while solving the QTB-instance!"}));
}

TEST_F(AdapterTest, InfeasibleTableShowsTheAlertAndWritesNothing) {
    Table t;
    t.addCell(25, 21, 29);
    t.addCell(40, 0, 100);
    build(t);
    gInstance.maxDeviation = 1.5;
    EXPECT_EQ(run(), 2);
    EXPECT_EQ(rounded(), (std::vector<double>{25, 40}));
    EXPECT_EQ(gInstance.maxDeviation, 1.5);
    ASSERT_EQ(testhost::journal().size(), 1u);
    EXPECT_EQ(testhost::journal()[0].kind, testhost::Shown::Alert);
    EXPECT_EQ(testhost::journal()[0].text, "Problem infeasible!");
    EXPECT_EQ(testhost::journal()[0].type, 1);
    EXPECT_EQ(gEngine.extendedUsed, 0);
}

TEST_F(AdapterTest, TimeLimitAlertsAndNoWriteBack) {
    gOptions.timelim = 0;
    build(roundcheck::MarginalTable({20, 20, 20}, 77));
    const int r = run();
    ASSERT_TRUE(r == 3 || r == 4) << r;
    EXPECT_EQ(testhost::alertTexts(),
              (std::vector<std::string>{r == 3 ? "Aborted with solution!"
                                               : "Aborted without solution!"}));
    for (Cell* c : cells_) ASSERT_EQ(c->rounded, c->nominal);
    if (r == 4) {
        EXPECT_TRUE(testhost::statusTexts().empty());
        return;
    }
    // A rounding in hand: the user is told its gap and how to publish it.
    const auto status = testhost::statusTexts();
    ASSERT_EQ(status.size(), 1u);
    EXPECT_EQ(status[0].rfind("Best rounding found: distance ", 0), 0u) << status[0];
    EXPECT_NE(status[0].find("to the bound; tick \"Publish Best Rounding at Time Limit\""),
              std::string::npos)
        << status[0];
}

TEST_F(AdapterTest, RefusedInstanceAndBadTermListsShowNothingInTheHost) {
    Table t = twoCellTable();
    t.status[1] = 'x';
    build(t);
    testing::internal::CaptureStdout();
    EXPECT_EQ(run(), -3);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), " ERROR: loading the QTB instance\n");
    EXPECT_TRUE(testhost::journal().empty());
    EXPECT_EQ(cells_[1]->number, 1);  // numbered before anything else
    EXPECT_EQ(rounded(), (std::vector<double>{23, 47, 70}));
    release();

    build(twoCellTable());
    gInstance.sumList->termCount = 4;  // says 4, holds 3
    testing::internal::CaptureStdout();
    EXPECT_EQ(run(), -1);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "Error in space\n");
    gInstance.sumList->termCount = 3;
    release();

    // Two sums whose counts are swapped: the total matches, each sum does not.
    // The list runs equation 0 (3 terms), then equation 1 (2 terms).
    Table two = twoCellTable();
    two.addSum({0}, 1);
    build(two);
    gInstance.sumList->termCount = 2;
    gInstance.sumList->next->termCount = 3;
    testing::internal::CaptureStdout();
    EXPECT_EQ(run(), -1);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "Error in space\n");
    gInstance.sumList->termCount = 3;  // as the terms are, for the release
    gInstance.sumList->next->termCount = 2;
    EXPECT_TRUE(testhost::journal().empty());
}

}  // namespace
