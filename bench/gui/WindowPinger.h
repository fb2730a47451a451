#pragma once
// Asks a window "are you there?" the way a window manager does (_NET_WM_PING), every few milliseconds,
// from a thread and an X connection of its own, and times the answers. The window answers only when its
// thread handles its X events, so the slowest answer is the longest the window looked frozen to the
// user, seen from outside the process. Without an X display (or without xcb at build time) it does
// nothing and says so.

#include <atomic>
#include <cstdint>
#include <thread>

namespace hozonix::bench {

class WindowPinger {
public:
    struct Figures {
        bool active = false;   // pings were sent
        int sent = 0;          // pings sent
        int answered = 0;      // answers received
        int slow = 0;          // answers (or, at the end, missing answers) later than 50 ms
        int64_t longestUs = 0; // the slowest answer, or the oldest one still missing at the end
    };

    WindowPinger() = default;
    ~WindowPinger() { Stop(); }
    WindowPinger(const WindowPinger&) = delete;
    WindowPinger& operator=(const WindowPinger&) = delete;

    // `window`: the X window (a QWidget's winId()) to ping, every `intervalMs`.
    void Start(uint32_t window, int intervalMs);
    // Waits briefly for answers in flight, then stops.
    Figures Stop();

private:
    void Work(uint32_t window, int intervalMs);

    std::atomic<bool> stop_{false};
    std::thread thread_;
    Figures figures_;
};

} // namespace hozonix::bench
