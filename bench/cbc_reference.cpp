#include "bench/cbc_reference.h"

#include <CbcModel.hpp>
#include <CbcSolver.hpp>
#include <CoinPackedMatrix.hpp>
#include <OsiClpSolverInterface.hpp>
#include <chrono>
#include <string>
#include <vector>

#include "engine/engine.h"
#include "engine/master_model.h"

namespace bench {

namespace {

double now() {
    using Clock = std::chrono::steady_clock;
    return std::chrono::duration<double>(Clock::now().time_since_epoch()).count();
}

// One model through CbcMain1; fills everything but `seconds` and `extended`.
void solveModel(int larger, double seconds, ReferenceResult& r) {
    RanrotGenerator binom(1);
    MasterColumns columns;
    MasterRows rows;
    BuildMasterColumns(larger, false, binom, columns);
    BuildMasterRows(larger, rows);
    const int m = static_cast<int>(rows.sense.size());
    std::vector<int> starts = rows.start;
    starts.push_back(static_cast<int>(rows.index.size()));
    CoinPackedMatrix byRow(false, columns.count, m, static_cast<CoinBigIndex>(rows.index.size()),
                           rows.value.data(), rows.index.data(), starts.data(), nullptr);
    OsiClpSolverInterface solver;
    solver.loadProblem(byRow, columns.lb.data(), columns.ub.data(), columns.obj.data(),
                       rows.rhs.data(), rows.rhs.data());
    for (int j = 0; j < columns.count; ++j) solver.setInteger(j);

    CbcModel model(solver);
    CbcSolverUsefulData data;
    data.useSignalHandler_ = false;
    CbcMain0(model, data);
    const std::string limit = std::to_string(static_cast<long>(seconds > 1 ? seconds : 1));
    const char* argv[] = {"cbc",       "-preprocess", "off",    "-sec", limit.c_str(),
                          "-timeMode", "elapsed",     "-solve", "-quit"};
    CbcMain1(
        9, argv, model, [](CbcModel*, int) { return 0; }, data);

    const double offset = gEngine.distanceOffset;
    r.nodes += model.getNodeCount();
    if (model.isProvenOptimal() && model.bestSolution()) {
        r.status = 1;
    } else if (model.isProvenInfeasible()) {
        r.status = 2;
    } else {
        r.status = model.bestSolution() ? 3 : 4;
    }
    if (model.bestSolution()) r.distance = model.getObjValue() + offset;
    r.bound = r.status == 1 ? r.distance : model.getBestPossibleObjValue() + offset;
}

}  // namespace

ReferenceResult SolveWithCbcDriver(int maxJump, double seconds) {
    ReferenceResult r;
    // The run's distance offset, as the engine's driver computes it.
    double offset = 0;
    for (const EngineCell& c : gEngine.cells) offset += c.nominal - c.floorValue;
    gEngine.distanceOffset = offset;
    const double start = now();
    solveModel(0, seconds, r);
    if (r.status == 2 && maxJump > 0) {
        r.extended = 1;
        solveModel(maxJump, seconds - (now() - start), r);
    }
    r.seconds = now() - start;
    return r;
}

}  // namespace bench
