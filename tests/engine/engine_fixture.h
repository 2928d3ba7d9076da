// Helpers shared by the engine tests: a private log file per test, loading a
// test table into the engine, and reading the rounding back.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "engine/engine.h"
#include "tests/support/recording_host.h"
#include "tests/support/rounding_check.h"

namespace enginetest {

// Loads `t` into the engine through EngineLoad; its result.
inline int LoadTable(const roundcheck::Table& t, double base, const char* logName) {
    std::vector<const char*> names;
    for (const std::string& n : t.names) names.push_back(n.c_str());
    std::vector<int> termCount, termCell;
    std::vector<signed char> termSign;
    std::vector<double> rhs;
    for (const roundcheck::Equation& e : t.equations) {
        termCount.push_back(static_cast<int>(e.terms.size()));
        rhs.push_back(e.rhs);
        for (const roundcheck::Term& term : e.terms) {
            termCell.push_back(term.cell);
            termSign.push_back(static_cast<signed char>(term.coef));
        }
    }
    return EngineLoad(static_cast<int>(t.equations.size()), rhs.data(), t.size(), t.nominal.data(),
                      t.status.data(), t.lpl.data(), t.upl.data(), t.lower.data(), t.upper.data(),
                      names.data(), termCount.data(), termCell.data(), termSign.data(), base,
                      logName);
}

// The engine's rounded values, in cell order.
inline std::vector<double> Rounded() {
    std::vector<double> r;
    for (const EngineCell& c : gEngine.cells) r.push_back(c.floorValue + gEngine.base * c.steps);
    return r;
}

// A test's own engine log, removed before the test and read back in full.
class EngineTest : public testing::Test {
  protected:
    void SetUp() override {
        const testing::TestInfo* info = testing::UnitTest::GetInstance()->current_test_info();
        logName_ = std::string(info->test_suite_name()) + "." + info->name() + ".out";
        std::remove(logName_.c_str());
    }
    void TearDown() override { EngineUnload(); }

    const char* log() const { return logName_.c_str(); }
    std::string logText() const {
        std::ifstream in(logName_);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }
    // The log's lines that start with `prefix`.
    std::vector<std::string> logLines(const std::string& prefix = {}) const {
        std::vector<std::string> out;
        std::istringstream in(logText());
        for (std::string line; std::getline(in, line);)
            if (line.compare(0, prefix.size(), prefix) == 0) out.push_back(line);
        return out;
    }

  private:
    std::string logName_;
};

}  // namespace enginetest

namespace enginetest {

// Engine tests that run the optimizer: the library is started for each test.
class SolverTest : public EngineTest {
  protected:
    void SetUp() override {
        EngineTest::SetUp();
        testhost::clear();  // the engine never shows anything in the host
        ASSERT_EQ(XPRSinit(nullptr), 0);
    }
    void TearDown() override {
        EXPECT_TRUE(testhost::journal().empty()) << "the engine showed something in the host";
        EngineTest::TearDown();
        XPRSfree();
    }
    // Loads `t` and solves it; the driver's result.
    int solve(const roundcheck::Table& t, double base, int maxJump = 0, int minutes = 1) {
        if (LoadTable(t, base, log()) != 0) return -1;
        lower_ = upper_ = -1;
        return EngineSolve(lower_, upper_, log(), minutes, maxJump);
    }
    double lower_ = -1, upper_ = -1;
};

}  // namespace enginetest
