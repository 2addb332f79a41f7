#pragma once
// Work handed to the main thread. Any thread may Post; the main thread runs what was posted,
// one task at a time and in posting order. The command line and the tests drain it with the
// plain waits below; the desktop program drains the same dispatcher from its event loop.
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>

namespace quelmo {

class Dispatcher {
public:
    using Task = std::function<void()>;

    // Any thread.
    void Post(Task task);
    // A hook the desktop program sets to schedule a drain from its event loop; it is called
    // after every Post, on the posting thread.
    void SetWakeHook(std::function<void()> hook);

    // Main thread: runs everything posted so far (and what those tasks post). Returns the count.
    int RunPending();
    // Main thread: runs posted work until `pred` holds (checked first and after every task) or
    // `ms` milliseconds have passed. True when `pred` held.
    bool RunUntil(int ms, const std::function<bool()>& pred);

private:
    std::mutex mu_;
    std::condition_variable cv_;
    std::deque<Task> queue_;
    std::function<void()> wake_;
};

// The program's one main-thread dispatcher.
Dispatcher& MainDispatcher();

// The message-pumping wait: keeps running the main dispatcher's posted work until `ms`
// milliseconds have passed.
void PumpWait(int ms);
// Like PumpWait, but returns as soon as `pred` holds; true when it did.
bool PumpUntil(int ms, const std::function<bool()>& pred);

// The desktop program replaces the plain waits with its event loop's; null restores them.
using PumpFunction = bool (*)(int ms, const std::function<bool()>& pred);
void SetPumpFunction(PumpFunction fn);

}  // namespace quelmo
