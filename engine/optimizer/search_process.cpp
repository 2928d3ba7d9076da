#include "engine/optimizer/search_process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <type_traits>
#include <vector>

#include "engine/optimizer/cbc_search.h"
#include "engine/optimizer/log_pacer.h"
#include "engine/optimizer/status_map.h"
#include "engine/optimizer/stop_request.h"

namespace qtb::opt {

namespace {

enum RecordType : uint32_t { kMessage = 1, kIncumbent = 2, kLog = 3, kFinal = 4 };

struct Header {
    uint32_t type;
    uint32_t size;  // bytes of payload after the header
};

// The state of the search that travels with every record.
struct Snapshot {
    Attributes attrs;
    int root_lp;
};
static_assert(std::is_trivially_copyable_v<Snapshot>);

// Memory both processes see: the calling process's request to stop, and the
// latest solution of the start heuristic that runs in the calling process
// (written under a sequence count: odd while being written).
struct Shared {
    std::atomic<int> stop;
    std::atomic<uint64_t> seq;
    double found_at;
    // followed by the solution's column values
};
static_assert(std::atomic<int>::is_always_lock_free);
static_assert(std::atomic<uint64_t>::is_always_lock_free);

double* SharedValues(Shared* s) {
    return reinterpret_cast<double*>(reinterpret_cast<char*>(s) + sizeof(Shared));
}

size_t SharedBytes(int cols) {
    return sizeof(Shared) + static_cast<size_t>(cols) * sizeof(double);
}

// The only writer: the calling process.
void PublishSolution(Shared* s, const std::vector<double>& x, double found_at) {
    const uint64_t seq = s->seq.load(std::memory_order_relaxed);
    s->seq.store(seq + 1, std::memory_order_relaxed);
    std::atomic_thread_fence(std::memory_order_release);
    std::memcpy(SharedValues(s), x.data(), x.size() * sizeof(double));
    s->found_at = found_at;
    s->seq.store(seq + 2, std::memory_order_release);
}

// The child's feed: the published solution when it is new and was read
// whole.
class SharedFeed {
  public:
    SharedFeed(Shared* s, int cols) : s_(s), cols_(cols) {}
    bool operator()(std::vector<double>* x, double* found_at) {
        const uint64_t before = s_->seq.load(std::memory_order_acquire);
        if (before == seen_ || (before & 1) != 0) return false;
        x->resize(static_cast<size_t>(cols_));
        std::memcpy(x->data(), SharedValues(s_), x->size() * sizeof(double));
        const double at = s_->found_at;
        std::atomic_thread_fence(std::memory_order_acquire);
        if (s_->seq.load(std::memory_order_relaxed) != before) return false;  // try later
        seen_ = before;
        *found_at = at;
        return true;
    }

  private:
    Shared* s_;
    int cols_;
    uint64_t seen_ = 0;
};

// ---- the child's side -----------------------------------------------------------

// Writes records to the pipe; a write that fails (the calling process is gone)
// ends the child.
class RecordWriter {
  public:
    explicit RecordWriter(int fd) : fd_(fd) {}

    void Send(RecordType type, const std::vector<const void*>& parts,
              const std::vector<size_t>& sizes) {
        size_t total = 0;
        for (size_t s : sizes) total += s;
        buffer_.resize(sizeof(Header) + total);
        Header h{type, static_cast<uint32_t>(total)};
        std::memcpy(buffer_.data(), &h, sizeof h);
        size_t at = sizeof h;
        for (size_t k = 0; k < parts.size(); ++k) {
            if (sizes[k] > 0) std::memcpy(buffer_.data() + at, parts[k], sizes[k]);
            at += sizes[k];
        }
        const char* p = buffer_.data();
        size_t left = buffer_.size();
        while (left > 0) {
            const ssize_t n = write(fd_, p, left);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) _exit(4);
            p += n;
            left -= static_cast<size_t>(n);
        }
    }

  private:
    int fd_;
    std::vector<char> buffer_;
};

Snapshot SnapshotOf(const xo_prob_struct& p) {
    return Snapshot{p.attrs, p.root_lp};
}

void ForwardMessage(XPRSprob, void* data, const char* text, int length, int type) {
    const int32_t t = type;
    static_cast<RecordWriter*>(data)->Send(kMessage, {&t, text},
                                           {sizeof t, static_cast<size_t>(length)});
}

void ForwardIncumbent(XPRSprob prob, void* data) {
    const Snapshot s = SnapshotOf(*prob);
    const std::vector<double>* x = prob->live_incumbent;
    const size_t bytes = x ? x->size() * sizeof(double) : 0;
    static_cast<RecordWriter*>(data)->Send(kIncumbent, {&s, x ? x->data() : nullptr},
                                           {sizeof s, bytes});
}

int ForwardLog(XPRSprob prob, void* data, int32_t global) {
    const Snapshot s = SnapshotOf(*prob);
    static_cast<RecordWriter*>(data)->Send(kLog, {&global, &s}, {sizeof global, sizeof s});
    return 0;  // the stop comes through shared memory
}

int ForwardGlobalLog(XPRSprob prob, void* data) {
    return ForwardLog(prob, data, 1);
}

int ForwardLpLog(XPRSprob prob, void* data) {
    return ForwardLog(prob, data, 0);
}

// Closes every descriptor but the standard ones and the pipe, which becomes
// descriptor 3: the child must not keep the caller's files or sockets open.
int KeepOnlyPipe(int fd) {
    if (fd != 3) {
        if (dup2(fd, 3) < 0) return -1;
    }
    if (close_range(4, ~0U, 0) != 0) {
        for (int other = 4; other < 4096; ++other) close(other);
    }
    return 3;
}

[[noreturn]] void ChildMain(xo_prob_struct& p, int fd, pid_t parent, Shared* shared,
                            const ChildSearch& search) {
    // The calling process alone decides when the search ends: a Ctrl-C on the
    // terminal reaches the whole process group, and the caller's handlers
    // belong to the caller.
    signal(SIGINT, SIG_IGN);
    signal(SIGTERM, SIG_IGN);
    signal(SIGPIPE, SIG_DFL);
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (getppid() != parent) _exit(5);
    fd = KeepOnlyPipe(fd);
    if (fd < 0) _exit(6);
    RecordWriter writer(fd);
    Callbacks& cb = p.cb;
    if (cb.message) {
        cb.message = ForwardMessage;
        cb.message_data = &writer;
    }
    // Incumbents go to the calling process whether or not it has a callback:
    // it keeps the best one in case the child must be killed.
    cb.intsol = ForwardIncumbent;
    cb.intsol_data = &writer;
    if (cb.global_log) {
        cb.global_log = ForwardGlobalLog;
        cb.global_log_data = &writer;
    }
    if (cb.lp_log) {
        cb.lp_log = ForwardLpLog;
        cb.lp_log_data = &writer;
    }
    p.remote_stop = &shared->stop;
    int status = XO_ERR_INTERNAL;
    try {
        SharedFeed feed(shared, p.model.Cols());
        status = search(p, SolutionFeed(std::ref(feed)));
        const int32_t st = status;
        const Snapshot s = SnapshotOf(p);
        const int32_t has_x = p.sol.has_x ? 1 : 0;
        const size_t bytes = p.sol.has_x ? p.sol.x.size() * sizeof(double) : 0;
        writer.Send(kFinal, {&st, &s, &has_x, p.sol.x.data()},
                    {sizeof st, sizeof s, sizeof has_x, bytes});
    } catch (...) {
        _exit(7);  // no final record: the calling process reports a failure
    }
    _exit(0);
}

// ---- the calling process's side ---------------------------------------------------

// Reads records from the child and makes the callbacks they stand for; runs
// the start heuristic beside it and keeps the best incumbent of both.
class Receiver {
  public:
    Receiver(xo_prob_struct& p, int fd, pid_t pid, Shared* shared)
        : p_(p),
          fd_(fd),
          pid_(pid),
          shared_(shared),
          start_(NowSeconds()),
          pacer_(p.PacerSettings(true), start_),
          backstop_(p.Control(XO_SEARCH_SECONDS)) {}

    // Runs until the child has ended; returns the search's status code.
    int Run();

  private:
    bool ReadSome(int timeout_ms);
    void Dispatch();
    void OnRecord(uint32_t type, const char* data, size_t size);
    // Whether a solution of objective `obj` (caller's sense) beats the best.
    bool Better(double obj) const;
    // Makes x the incumbent and calls the integer-solution callback.
    void NewIncumbent(const std::vector<double>& x, double obj);
    void TakeStartSolution();
    // The attributes of the moment: the child's last, with this process's
    // incumbent and the start heuristic's bound.
    Attributes Current() const;
    // The start heuristic's bound, where it is better than the search's.
    void WithStartBound(Attributes* a) const;
    void CallLog(bool global, double now);
    void AskToStop(double now);
    void Watch(double now);
    int Conclude(bool ended_by_itself, int wait_status);

    xo_prob_struct& p_;
    int fd_;
    pid_t pid_;
    Shared* shared_;
    double start_;
    LogPacer pacer_;
    double backstop_;
    std::unique_ptr<StartBeside> beside_;
    std::vector<char> in_;
    bool eof_ = false;
    bool stop_sent_ = false;
    double stop_time_ = 0;
    bool killed_ = false;
    bool final_ = false;
    int final_status_ = 0;
    Snapshot last_{};
    std::vector<double> incumbent_;
    double incumbent_obj_ = 0;
    bool has_incumbent_ = false;
    int solutions_ = 0;
};

bool Receiver::ReadSome(int timeout_ms) {
    pollfd pfd{fd_, POLLIN, 0};
    const int ready = poll(&pfd, 1, timeout_ms);
    if (ready <= 0) return false;
    char chunk[65536];
    const ssize_t n = read(fd_, chunk, sizeof chunk);
    if (n < 0) {
        if (errno == EINTR || errno == EAGAIN) return false;
        eof_ = true;
        return false;
    }
    if (n == 0) {
        eof_ = true;
        return false;
    }
    in_.insert(in_.end(), chunk, chunk + n);
    return true;
}

void Receiver::Dispatch() {
    size_t at = 0;
    while (in_.size() - at >= sizeof(Header)) {
        Header h;
        std::memcpy(&h, in_.data() + at, sizeof h);
        if (in_.size() - at - sizeof h < h.size) break;
        OnRecord(h.type, in_.data() + at + sizeof h, h.size);
        at += sizeof h + h.size;
    }
    in_.erase(in_.begin(), in_.begin() + static_cast<std::ptrdiff_t>(at));
}

bool Receiver::Better(double obj) const {
    if (!has_incumbent_) return true;
    const double tol = 1e-9 * std::max(1.0, std::fabs(incumbent_obj_));
    return p_.sense * obj < p_.sense * incumbent_obj_ - tol;
}

Attributes Receiver::Current() const {
    Attributes a = last_.attrs;
    if (has_incumbent_) {
        a.mip_obj = incumbent_obj_;
        a.mip_sols = solutions_;
        if (a.mip_status != XPRS_MIP_OPTIMAL) a.mip_status = XPRS_MIP_SOLUTION;
    }
    WithStartBound(&a);
    return a;
}

void Receiver::WithStartBound(Attributes* a) const {
    double bound = 0;
    if (!beside_ || !beside_->Bound(&bound)) return;
    const int s = p_.sense;
    if (s * bound > s * a->best_bound) a->best_bound = bound;
    // No bound beyond a solution in hand (rounding errors aside).
    if (has_incumbent_ && s * a->best_bound > s * incumbent_obj_) a->best_bound = incumbent_obj_;
}

void Receiver::NewIncumbent(const std::vector<double>& x, double obj) {
    incumbent_ = x;
    incumbent_obj_ = obj;
    has_incumbent_ = true;
    ++solutions_;
    p_.attrs = Current();
    p_.live_incumbent = &incumbent_;
    p_.CallIntSol();
}

void Receiver::TakeStartSolution() {
    if (!beside_) return;
    std::vector<double> x;
    double found_at = 0;
    if (!beside_->Take(&x, &found_at) || !SolutionFeasible(p_.model, x)) return;
    const double obj = ObjectiveOf(p_.model, x);
    if (!Better(obj)) return;
    AnnounceStartSolution(p_, obj, found_at);
    NewIncumbent(x, obj);
    PublishSolution(shared_, x, found_at);
}

void Receiver::OnRecord(uint32_t type, const char* data, size_t size) {
    const size_t n = static_cast<size_t>(p_.model.Cols());
    switch (type) {
        case kMessage: {
            if (size < sizeof(int32_t)) return;
            int32_t t = 0;
            std::memcpy(&t, data, sizeof t);
            p_.EmitMessage(std::string_view(data + sizeof t, size - sizeof t), t);
            return;
        }
        case kIncumbent: {
            if (size != sizeof(Snapshot) + n * sizeof(double)) return;
            std::memcpy(&last_, data, sizeof last_);
            const double obj = last_.attrs.mip_obj;
            if (!Better(obj)) return;  // the start heuristic's, handed back
            std::vector<double> x(n);
            std::memcpy(x.data(), data + sizeof(Snapshot), n * sizeof(double));
            NewIncumbent(x, obj);
            return;
        }
        case kLog: {
            if (size != sizeof(int32_t) + sizeof(Snapshot)) return;
            int32_t global = 0;
            std::memcpy(&global, data, sizeof global);
            std::memcpy(&last_, data + sizeof global, sizeof last_);
            CallLog(global != 0, NowSeconds());
            return;
        }
        case kFinal: {
            const size_t head = sizeof(int32_t) + sizeof(Snapshot) + sizeof(int32_t);
            if (size < head) return;
            int32_t st = 0, has_x = 0;
            std::memcpy(&st, data, sizeof st);
            std::memcpy(&last_, data + sizeof st, sizeof last_);
            std::memcpy(&has_x, data + sizeof st + sizeof last_, sizeof has_x);
            if (has_x && size != head + n * sizeof(double)) return;
            final_ = true;
            final_status_ = st;
            p_.attrs = last_.attrs;
            p_.sol = Solution{};
            if (has_x) {
                p_.sol.x.resize(n);
                std::memcpy(p_.sol.x.data(), data + head, n * sizeof(double));
                p_.sol.has_x = true;
            }
            return;
        }
        default:
            return;
    }
}

void Receiver::CallLog(bool global, double now) {
    if (stop_sent_) return;  // no log callbacks once a stop was asked for
    pacer_.Called(now);
    p_.attrs = Current();
    if (p_.CallLog(global) != 0) AskToStop(now);
}

void Receiver::AskToStop(double now) {
    if (stop_sent_) return;
    stop_sent_ = true;
    stop_time_ = now;
    shared_->stop.store(1, std::memory_order_relaxed);
    if (beside_) beside_->RequestStop();
}

// Between records: the start heuristic's news, the stop request and the
// backstop, a log callback when the child has been silent for a while, and
// the kill once the grace is over.
void Receiver::Watch(double now) {
    if (stop_sent_) {
        if (!killed_ && now - stop_time_ > kChildGraceSeconds) {
            kill(pid_, SIGKILL);
            killed_ = true;
        }
        return;
    }
    TakeStartSolution();
    if (StopRequested() || (backstop_ > 0 && now - start_ >= backstop_)) {
        AskToStop(now);
        return;
    }
    const LogPacer::Call call = pacer_.OnEvent(now);
    if (call != LogPacer::Call::kNone) CallLog(call == LogPacer::Call::kGlobalLog, now);
}

int Receiver::Run() {
    // The attributes of a search that has not reported anything yet.
    last_.attrs = p_.attrs;
    last_.root_lp = 0;
    beside_ = StartBeside::Start(p_, start_);
    while (!eof_) {
        if (ReadSome(25)) Dispatch();
        Watch(NowSeconds());
    }
    Dispatch();
    if (beside_) beside_->Stop();
    if (!stop_sent_ && !final_) TakeStartSolution();
    int wait_status = 0;
    pid_t waited = -1;
    do {
        waited = waitpid(pid_, &wait_status, 0);
    } while (waited < 0 && errno == EINTR);
    // A caller that ignores SIGCHLD has no child to wait for: the end of the
    // pipe is all there is to know. A child killed after its final record had
    // nothing left to do.
    const bool exited_cleanly =
        waited < 0 || killed_ || (WIFEXITED(wait_status) && WEXITSTATUS(wait_status) == 0);
    return Conclude(final_ && exited_cleanly, wait_status);
}

int Receiver::Conclude(bool ended_by_itself, int wait_status) {
    p_.live_incumbent = nullptr;
    if (ended_by_itself) {
        // The child's outcome, unless this process holds a better solution
        // (the start heuristic's last, say).
        const bool child_has = p_.sol.has_x;
        const bool ours_better =
            has_incumbent_ &&
            (!child_has ||
             p_.sense * incumbent_obj_ < p_.sense * ObjectiveOf(p_.model, p_.sol.x) -
                                             1e-9 * std::max(1.0, std::fabs(incumbent_obj_)));
        Attributes& at = p_.attrs;
        if (ours_better) {
            p_.sol.x = incumbent_;
            p_.sol.has_x = true;
            at.mip_obj = incumbent_obj_;
            if (at.mip_status != XPRS_MIP_SOLUTION) at.mip_status = XPRS_MIP_SOLUTION;
        }
        at.mip_sols = solutions_;
        if (at.mip_status == XPRS_MIP_SOLUTION || at.mip_status == XPRS_MIP_NO_SOL_FOUND)
            WithStartBound(&at);
        return final_status_;
    }
    // Stopped from here, or the child failed: the search ends with what it
    // reported last.
    CbcOutcome o;
    o.stop_requested = true;
    o.has_solution = has_incumbent_;
    o.root_lp = last_.root_lp;
    const MappedStatus st = MapCbcOutcome(o);
    Attributes& at = p_.attrs;
    at = Current();
    at.lp_status = st.lp;
    at.mip_status = st.mip;
    p_.sol = Solution{};
    p_.sol.x = incumbent_;
    p_.sol.has_x = has_incumbent_;
    char line[200];
    if (stop_sent_) {
        std::snprintf(line, sizeof line, "Search stopped after %.2f seconds (%s)",
                      NowSeconds() - start_,
                      killed_ ? "ended from outside, its last report kept" : "asked to stop");
        p_.EmitMessage(line, XPRS_MSG_INFO);
        return 0;
    }
    if (WIFSIGNALED(wait_status)) {
        std::snprintf(line, sizeof line, "The search process ended by signal %d",
                      WTERMSIG(wait_status));
    } else {
        std::snprintf(line, sizeof line, "The search process ended with status %d",
                      WIFEXITED(wait_status) ? WEXITSTATUS(wait_status) : -1);
    }
    p_.EmitMessage(line, XPRS_MSG_ERROR);
    return XO_ERR_SOLVER;
}

}  // namespace

bool RunSearchInChild(xo_prob_struct& problem, const ChildSearch& search, int* status,
                      std::mutex* fork_lock) {
    const size_t bytes = SharedBytes(problem.model.Cols());
    void* mem = mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_SHARED | MAP_ANONYMOUS, -1, 0);
    if (mem == MAP_FAILED) return false;
    Shared* shared = new (mem) Shared{};
    struct Unmap {
        void* mem;
        size_t bytes;
        ~Unmap() { munmap(mem, bytes); }
    } unmap{mem, bytes};

    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0) return false;
    const pid_t parent = getpid();
    if (fork_lock) fork_lock->lock();
    const pid_t pid = fork();
    if (pid != 0 && fork_lock) fork_lock->unlock();
    if (pid < 0) {
        close(fds[0]);
        close(fds[1]);
        return false;
    }
    if (pid == 0) {
        close(fds[0]);
        ChildMain(problem, fds[1], parent, shared, search);
    }
    close(fds[1]);
    struct CloseRead {
        int fd;
        ~CloseRead() { close(fd); }
    } close_read{fds[0]};
    try {
        Receiver receiver(problem, fds[0], pid, shared);
        *status = receiver.Run();
    } catch (...) {
        // No child outlives the search, whatever went wrong here.
        kill(pid, SIGKILL);
        while (waitpid(pid, nullptr, 0) < 0 && errno == EINTR) {
        }
        throw;
    }
    return true;
}

}  // namespace qtb::opt
