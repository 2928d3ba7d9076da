// The test runner behind "Aceptar": every listed line in order, each
// repetition in a fresh workbook (random table, sum detection, rounding), one
// log line per repetition.
#include <algorithm>
#include <climits>
#include <ctime>

#include "batch/batch_texts.h"
#include "batch/comp_test_dialog.h"
#include "batch/test_logs.h"
#include "capture/capture.h"
#include "engine/engine.h"
#include "instance/instance.h"
#include "random/ranrot.h"
#include "random/tables.h"
#include "rounding/rounder.h"
#include "shell/clock.h"
#include "shell/host_api.h"
#include "shell/host_values.h"

namespace {

// Closes the workbooks of a finished repetition: the test workbook and the
// result copies (one more with auditing), always the active one.
void closeTestBooks() {
    for (int i = 0; i < gOptions.auditing + 2; ++i) {
        if (CallHost(xlcFileClose, nullptr, 1, ScratchNumber(0)) != xlretSuccess)
            ShowAlert(batch::kAlertDeleteWorkbook, 2);
    }
}

int progressRange(int32_t steps) {
    return steps > INT_MAX / 2 ? INT_MAX : steps * 2;
}

}  // namespace

bool batchTableSeeds(const batch::TestSpec& spec, RanrotGenerator& rg, TableParams& params) {
    // Seeds given on the line are used unchanged: every repetition then
    // builds the same table.
    params.zeroseed = spec.zeroseed < 0 ? rg.nextWord() : uint32_t(spec.zeroseed);
    params.seed = spec.seed < 0 ? rg.nextWord() : uint32_t(spec.seed);
    if ((spec.zeroseed < 0 || spec.seed < 0) && rg.failed()) {
        ShowAlert(kAlertGeneratorFailed, 2);
        return false;
    }
    return true;
}

void CCompTestDialog::runBatch() {
    RanrotGenerator rg(uint32_t(std::time(nullptr)));
    if (gInstance.cellList || gInstance.sumList) resetInstance();
    const bool deleteBooks = delete_.checked() == gui::kChecked;
    const int count = list_.count();
    lineBar_.setRange(0, count);
    lineBar_.setStep(1);
    lineBar_.setPosition(0);
    if (biasMode_) batchBase_ = 0;

    for (int j = 0; j < count; ++j) {
        if (parseTestLine(j) != 0) {
            ShowAlert(batch::kAlertUnableToExtract, 2);
            return;
        }
        const batch::TestSpec spec = spec_;
        repetitionBar_.setRange(0, progressRange(spec.numrep));
        repetitionBar_.setStep(1);
        repetitionBar_.setPosition(0);
        for (int32_t r = 0; r < spec.numrep; ++r) {
            const bool last = j == count - 1 && r == spec.numrep - 1;
            if (!runRepetition(spec, j + 1, last, rg, deleteBooks)) return;
        }
        lineBar_.stepIt();
    }
    EndDialog(gui::IDOK);
}

bool CCompTestDialog::runRepetition(const batch::TestSpec& spec, int testNumber, bool last,
                                    RanrotGenerator& rg, bool deleteBooks) {
    InstanceState& s = gInstance;
    s.runStartClock = processClockMs();
    if (CallHost(xlcNew, nullptr, 0) != xlretSuccess) {
        ShowAlert(kAlertNewWorkbookFailed, 2);
        return false;
    }
    if (!findTargetSheet(false, batch::kAlertRunnerNoWorkbook)) return false;

    TableParams params;
    if (!batchTableSeeds(spec, rg, params)) return false;
    params.randint = spec.randint;
    params.from = spec.from;
    params.to = spec.to;
    params.pzeroinp = spec.pzeroinp;
    if (buildRandomInstance(spec.k, spec.dim, params, InstanceOrigin::TestBatch) != 0) return false;

    gOptions.basenumber = biasMode_ ? batchBase_ : spec.basenumber;
    repetitionBar_.stepIt();
    gOptions.timelim = spec.timelim;
    if (fAddsums() != 0 || fRounder() != 0) return false;
    s.runEndClock = processClockMs();

    const std::string specPath = path_.text();
    if (!biasMode_) {
        batch::writeCompLog(specPath, testNumber, gEngine.extendedUsed, s.maxDeviation,
                            (s.solveEndClock - s.solveStartClock) / 1000.0,
                            (s.runEndClock - s.runStartClock) / 1000.0);
    } else if (std::optional<batch::ProbArray> tally = batch::tallyBias()) {
        batch::writeBiasLog(specPath, *tally, testNumber, last ? 1 : 0);
    } else {
        ShowAlert(batch::kAlertNoMemoryTally, 2);
    }
    resetInstance();
    if (deleteBooks) closeTestBooks();
    repetitionBar_.stepIt();
    return true;
}
