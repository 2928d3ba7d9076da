#include "engine/optimizer/log_pacer.h"

#include <chrono>

namespace qtb::opt {

double NowSeconds() {
    using Clock = std::chrono::steady_clock;
    return std::chrono::duration<double>(Clock::now().time_since_epoch()).count();
}

LogPacer::LogPacer(const Settings& settings, double start)
    : s_(settings),
      last_call_(start),
      next_lp_iteration_(settings.lp_log > 0 ? settings.lp_log : 0),
      next_node_(settings.mip_log > 0 ? settings.mip_log : 0) {}

LogPacer::Call LogPacer::Liveness(double now) const {
    if (now - last_call_ < kLivenessSeconds) return Call::kNone;
    if (LpEnabled()) return Call::kLpLog;
    if (GlobalEnabled()) return Call::kGlobalLog;
    return Call::kNone;
}

LogPacer::Call LogPacer::OnIteration(long iterations, double now) {
    if (LpEnabled() && iterations >= next_lp_iteration_) {
        // Next due point: the next multiple of lp_log after `iterations`.
        next_lp_iteration_ = (iterations / s_.lp_log + 1) * static_cast<long>(s_.lp_log);
        return Call::kLpLog;
    }
    return Liveness(now);
}

LogPacer::Call LogPacer::OnNode(int nodes, double now) {
    if (GlobalEnabled()) {
        if (s_.mip_log < 0) return Call::kGlobalLog;
        if (nodes >= next_node_) {
            next_node_ = (nodes / s_.mip_log + 1) * static_cast<long>(s_.mip_log);
            return Call::kGlobalLog;
        }
    }
    return Liveness(now);
}

LogPacer::Call LogPacer::OnEvent(double now) {
    return Liveness(now);
}

}  // namespace qtb::opt
