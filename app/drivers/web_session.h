// The meeting point of the web server's threads and the host's one thread.
//
// The host, the add-in and the dialog framework run on one thread only (the
// host thread). Requests of the browser arrive on the server's threads; they
// hand work to the host thread as tasks and read what it last published.
//
// The host thread runs tasks in a loop: the top-level loop between commands,
// and a nested loop whenever a window waits for the user (a dialog, a message
// box, an alert). A task that opens such a window therefore "yields": the
// request that sent it is answered while the window is open, and the next
// task (the user's answer) runs inside the nested loop.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

namespace app::drivers {

class WebSession {
  public:
    using Json = nlohmann::json;
    using Task = std::function<Json()>;

    // What a request learns of its task.
    struct Outcome {
        enum class State { Done, Waiting, Busy, Stopped } state = State::Stopped;
        Json result;  // Done: what the task returned
    };

    WebSession() = default;
    WebSession(const WebSession&) = delete;
    WebSession& operator=(const WebSession&) = delete;

    // ---- server threads ---------------------------------------------------------
    // Queues a task and waits until it is done, until it opened a window that
    // waits for the user (Waiting), or until `patience` has passed while the
    // host thread is still working on it or on something before it (Busy).
    Outcome submit(Task task, std::chrono::milliseconds patience);
    // Runs a task only when the host thread is waiting for the user or idle
    // (reading views while a long command runs would wait for its end): Busy
    // at once otherwise.
    Outcome submitIfIdle(Task task, std::chrono::milliseconds patience);
    // The published state with the live fields (busy, version). Waits up to
    // `patience` for a version newer than `since`.
    Json state(std::uint64_t since, std::chrono::milliseconds patience);
    // True while the host thread waits for work (between commands or inside a
    // window); false while it runs a task.
    bool hostWaiting() const;
    // Adds fields read at each request from state kept outside the host
    // thread (the progress of a long solve, which runs without publishing).
    // Set before the server starts.
    void setLiveFields(std::function<void(Json&)> fill) { live_ = std::move(fill); }
    // Ends every loop of the host thread: windows are cancelled, later ones
    // answered at once, the top-level loop returns.
    void requestStop();
    bool stopping() const;

    // ---- host thread ------------------------------------------------------------
    // The top-level loop; returns when a stop is requested.
    void run();
    // A nested loop: runs tasks until `done` holds (checked after each task)
    // or a stop is requested. Returns false on a stop.
    bool waitUntil(const std::function<bool()>& done);
    // Publishes what the page shows (it replaces what was published before).
    // The version moves only when the content changed.
    void publish(Json content);

  private:
    struct Pending {
        Task task;
        bool started = false, finished = false, yielded = false;
        Json result;
    };
    using PendingPtr = std::shared_ptr<Pending>;

    bool runOne(std::unique_lock<std::mutex>& lock);  // false when stopping
    Outcome awaitOutcome(const PendingPtr& p, std::chrono::milliseconds patience);
    void bump();  // raises the version; the lock is held

    mutable std::mutex lock_;
    std::condition_variable work_;     // tasks queued, stop
    std::condition_variable changed_;  // task progress, new versions
    std::deque<PendingPtr> queue_;
    std::vector<PendingPtr> running_;  // tasks started and not finished (nesting)
    Json content_ = Json::object();
    std::string contentText_;
    std::uint64_t version_ = 1;
    bool waiting_ = false;
    bool stop_ = false;
    std::function<void(Json&)> live_;
};

}  // namespace app::drivers
