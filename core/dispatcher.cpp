#include "core/dispatcher.h"

#include <atomic>
#include <chrono>

namespace quelmo {

void Dispatcher::Post(Task task) {
    std::function<void()> wake;
    {
        std::lock_guard lock(mu_);
        queue_.push_back(std::move(task));
        wake = wake_;
    }
    cv_.notify_all();
    if (wake) wake();
}

void Dispatcher::SetWakeHook(std::function<void()> hook) {
    std::lock_guard lock(mu_);
    wake_ = std::move(hook);
}

int Dispatcher::RunPending() {
    int count = 0;
    for (;;) {
        Task task;
        {
            std::lock_guard lock(mu_);
            if (queue_.empty()) return count;
            task = std::move(queue_.front());
            queue_.pop_front();
        }
        task();
        ++count;
    }
}

bool Dispatcher::RunUntil(int ms, const std::function<bool()>& pred) {
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::milliseconds(ms < 0 ? 0 : ms);
    for (;;) {
        if (pred && pred()) return true;
        Task task;
        {
            std::unique_lock lock(mu_);
            if (queue_.empty() && !cv_.wait_until(lock, deadline, [this] { return !queue_.empty(); }))
                return pred && pred();
            task = std::move(queue_.front());
            queue_.pop_front();
        }
        task();
    }
}

Dispatcher& MainDispatcher() {
    static Dispatcher dispatcher;
    return dispatcher;
}

namespace {
std::atomic<PumpFunction> g_pump{nullptr};
}

void SetPumpFunction(PumpFunction fn) { g_pump.store(fn); }

bool PumpUntil(int ms, const std::function<bool()>& pred) {
    if (PumpFunction fn = g_pump.load()) return fn(ms, pred);
    return MainDispatcher().RunUntil(ms, pred);
}

void PumpWait(int ms) { PumpUntil(ms, nullptr); }

}  // namespace quelmo
