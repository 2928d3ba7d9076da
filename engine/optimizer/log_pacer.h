// Decides when the log callbacks are due during a solve: every XPRS_LPLOG
// simplex iterations, at search nodes as XPRS_MIPLOG says, and whenever a
// quarter of a second has passed without any log callback, so that a callback
// can always stop a solve promptly. Knows nothing about the solvers; times
// are passed in (seconds on any steady clock).
#pragma once

namespace qtb::opt {

// Seconds on a steady clock.
double NowSeconds();

class LogPacer {
  public:
    enum class Call { kNone, kLpLog, kGlobalLog };

    static constexpr double kLivenessSeconds = 0.25;

    struct Settings {
        int lp_log = 0;              // XPRS_LPLOG
        int mip_log = 0;             // XPRS_MIPLOG
        bool has_lp_cb = false;      // an LP log callback is registered
        bool has_global_cb = false;  // a global log callback is registered
        bool global_search = false;  // the solve is a global search
    };

    LogPacer(const Settings& settings, double start);

    // At the end of a simplex iteration; `iterations` counts the iterations of
    // the solve so far, this one included.
    Call OnIteration(long iterations, double now);
    // At a node of the search; `nodes` is the number of nodes solved so far.
    Call OnNode(int nodes, double now);
    // At any other event of the search.
    Call OnEvent(double now);

    // Records that a callback was made (the returned call was acted on).
    void Called(double now) { last_call_ = now; }

  private:
    bool LpEnabled() const { return s_.has_lp_cb && s_.lp_log > 0; }
    bool GlobalEnabled() const { return s_.global_search && s_.has_global_cb && s_.mip_log != 0; }
    Call Liveness(double now) const;

    Settings s_;
    double last_call_;
    long next_lp_iteration_;
    long next_node_;
};

}  // namespace qtb::opt
