// The progress of a rounding run, as a front end reads it from the loaded
// add-in: the phase, time used against the limit, the best rounding, bound and
// gap while searching, cells audited while auditing, and the run's summary
// figures once it has ended (engine/run_progress.h describes every field).
//
// Every front end reads it the same way: the terminal's live line
// (app/progress_line.h) and the JSON summary do; so can a browser page.
//
//   RunProgressSource source = RunProgressSource::fromLoadedAddins();  // main thread
//   RunProgress p;
//   if (source.read(p)) ...                                            // any thread
#pragma once

#include "engine/run_progress.h"

namespace app {

class RunProgressSource {
  public:
    using ReadFunction = int (*)(RunProgress* out, int size);

    RunProgressSource() = default;
    explicit RunProgressSource(ReadFunction read) : read_(read) {}

    // The exported reader of the first loaded add-in that offers one. Looks
    // the add-ins up in the host, so it must run on the thread that drives
    // the host (after the add-in is loaded); the source it returns may then
    // be used from any thread.
    static RunProgressSource fromLoadedAddins();

    bool available() const { return read_ != nullptr; }
    // A consistent copy of the run's state; false (and `out` cleared) when no
    // add-in offers it. Safe from any thread, also while a command runs.
    bool read(RunProgress& out) const;

  private:
    ReadFunction read_ = nullptr;
};

}  // namespace app
