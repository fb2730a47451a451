#pragma once
// Work that may block for long (a backup run, a share that stalls) done off the window's thread, while
// the window goes on handling its events: repaints, the abort button, the answers to the work's questions.

#include <functional>

namespace hozonix::ui {

// The nice value added to the work and the threads it starts: the lowest priority, so that the
// window's thread (which keeps its own) is never kept waiting by the run.
inline constexpr int WorkerNiceness = 19;

// Runs `work` on a new thread and handles this thread's events until it has ended; raises what `work`
// raised. Only the window's thread may call it.
void RunOnWorkerThread(const std::function<void()>& work);

} // namespace hozonix::ui
