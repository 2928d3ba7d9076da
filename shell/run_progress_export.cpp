// The rounding run's progress for the program that loaded the add-in: the
// program finds this function by name (it is not a menu command) and may call
// it from any thread, also while a command of the add-in is running.
#include <cstring>

#include "engine/run_progress.h"
#include "host/hostcall.h"

// Copies the current state into `out`, at most `size` bytes of it (the
// program may know an older, shorter RunProgress). Returns the add-in's
// sizeof(RunProgress); nothing is copied when `out` is null.
QTB_EXPORT int QTBTXfRunProgress(RunProgress* out, int size) {
    RunProgress now{};
    ProgressSnapshot(now);
    if (out && size > 0)
        std::memcpy(
            out, &now,
            static_cast<size_t>(size) < sizeof now ? static_cast<size_t>(size) : sizeof now);
    return static_cast<int>(sizeof now);
}
