#include "app/drivers/web_session.h"

#include <exception>

namespace app::drivers {

using Clock = std::chrono::steady_clock;

WebSession::Outcome WebSession::submit(Task task, std::chrono::milliseconds patience) {
    auto p = std::make_shared<Pending>();
    p->task = std::move(task);
    {
        std::lock_guard<std::mutex> guard(lock_);
        if (stop_) return Outcome{};
        queue_.push_back(p);
    }
    work_.notify_one();
    return awaitOutcome(p, patience);
}

WebSession::Outcome WebSession::submitIfIdle(Task task, std::chrono::milliseconds patience) {
    auto p = std::make_shared<Pending>();
    p->task = std::move(task);
    {
        std::lock_guard<std::mutex> guard(lock_);
        if (stop_) return Outcome{};
        if (!waiting_ || !queue_.empty()) return Outcome{Outcome::State::Busy, {}};
        queue_.push_back(p);
    }
    work_.notify_one();
    return awaitOutcome(p, patience);
}

WebSession::Outcome WebSession::awaitOutcome(const PendingPtr& p,
                                             std::chrono::milliseconds patience) {
    std::unique_lock<std::mutex> lk(lock_);
    changed_.wait_until(lk, Clock::now() + patience,
                        [&] { return p->finished || p->yielded || stop_; });
    Outcome out;
    if (p->finished) {
        out.state = Outcome::State::Done;
        out.result = p->result;
    } else if (p->yielded) {
        out.state = Outcome::State::Waiting;
    } else if (stop_) {
        out.state = Outcome::State::Stopped;
    } else {
        out.state = Outcome::State::Busy;
    }
    return out;
}

WebSession::Json WebSession::state(std::uint64_t since, std::chrono::milliseconds patience) {
    std::unique_lock<std::mutex> lk(lock_);
    changed_.wait_until(lk, Clock::now() + patience, [&] { return version_ > since || stop_; });
    Json out = content_;
    out["version"] = version_;
    out["busy"] = !waiting_;
    out["stopping"] = stop_;
    lk.unlock();
    if (live_) live_(out);
    return out;
}

bool WebSession::hostWaiting() const {
    std::lock_guard<std::mutex> guard(lock_);
    return waiting_;
}

void WebSession::requestStop() {
    {
        std::lock_guard<std::mutex> guard(lock_);
        stop_ = true;
        bump();
    }
    work_.notify_all();
}

bool WebSession::stopping() const {
    std::lock_guard<std::mutex> guard(lock_);
    return stop_;
}

void WebSession::bump() {
    ++version_;
    changed_.notify_all();
}

bool WebSession::runOne(std::unique_lock<std::mutex>& lk) {
    if (!waiting_) {
        waiting_ = true;
        bump();
    }
    work_.wait(lk, [&] { return !queue_.empty() || stop_; });
    if (stop_) return false;
    PendingPtr p = queue_.front();
    queue_.pop_front();
    p->started = true;
    running_.push_back(p);
    waiting_ = false;
    bump();
    lk.unlock();
    Json result;
    try {
        result = p->task();
    } catch (const std::exception& e) {
        result = Json{{"error", std::string("internal error: ") + e.what()}};
    } catch (...) {
        result = Json{{"error", "internal error"}};
    }
    lk.lock();
    p->result = std::move(result);
    p->finished = true;
    // Tasks nest: the one that ends is the innermost still running.
    if (!running_.empty() && running_.back() == p) running_.pop_back();
    changed_.notify_all();
    return true;
}

void WebSession::run() {
    std::unique_lock<std::mutex> lk(lock_);
    while (runOne(lk)) {
    }
    // Requests still queued learn that nothing more runs.
    for (const PendingPtr& p : queue_) {
        p->finished = true;
        p->result = Json{{"error", "the server is stopping"}};
    }
    queue_.clear();
    waiting_ = false;
    changed_.notify_all();
}

bool WebSession::waitUntil(const std::function<bool()>& done) {
    std::unique_lock<std::mutex> lk(lock_);
    for (const PendingPtr& p : running_) p->yielded = true;
    changed_.notify_all();
    for (;;) {
        lk.unlock();
        const bool finished = done();
        lk.lock();
        if (finished) return true;
        if (!runOne(lk)) return false;
    }
}

void WebSession::publish(Json content) {
    std::string text = content.dump();
    std::lock_guard<std::mutex> guard(lock_);
    if (text == contentText_) return;
    contentText_ = std::move(text);
    content_ = std::move(content);
    bump();
}

}  // namespace app::drivers
