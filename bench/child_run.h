// Runs a piece of the benchmark in a child process: the child's peak memory is
// its own, a solver that ignores its time limit can be stopped from outside,
// and whatever a library prints goes nowhere.
#pragma once

#include <functional>
#include <string>

namespace bench {

struct ChildOutcome {
    bool finished = false;  // the child ended by itself and sent its report
    bool killed = false;    // stopped after the grace period
    std::string report;     // what the child sent back
    long peakKb = 0;        // the child's peak resident memory (or its own children's)
};

// Runs `work` in a child process with standard output and error sent to
// /dev/null; the text `work` returns comes back as the report. The child is
// killed when it runs longer than `seconds`.
ChildOutcome RunInChild(const std::function<std::string()>& work, double seconds);

}  // namespace bench
