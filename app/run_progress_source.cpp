#include "app/run_progress_source.h"

#include "host/host.h"

namespace app {

RunProgressSource RunProgressSource::fromLoadedAddins() {
    for (const auto& a : host::addIns()) {
        if (void* f = host::addInSymbol(a.handle, "QTBTXfRunProgress"))
            return RunProgressSource(reinterpret_cast<ReadFunction>(f));
    }
    return RunProgressSource();
}

bool RunProgressSource::read(RunProgress& out) const {
    out = RunProgress{};
    if (!read_) return false;
    read_(&out, static_cast<int>(sizeof out));
    return true;
}

}  // namespace app
