#include "ui/WorkerThread.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QThread>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <exception>
#include <sys/resource.h>
#include <thread>
#include <unistd.h>

namespace hozonix::ui {

namespace {

// The run and the threads it starts (they inherit it) give way to the window's thread, which otherwise
// waits its turn behind them for tens of milliseconds on a busy machine: the window stays responsive, and
// the run loses nothing while the window has nothing to do.
void LowerPriority() {
    const auto self = static_cast<id_t>(gettid());
    errno = 0;
    const int nice = getpriority(PRIO_PROCESS, self);
    if (errno == 0)
        setpriority(PRIO_PROCESS, self, std::min(nice + WorkerNiceness, 19));
}

} // namespace

void RunOnWorkerThread(const std::function<void()>& work) {
    std::atomic<bool> done{false};
    std::exception_ptr error;
    QAbstractEventDispatcher* dispatcher = QAbstractEventDispatcher::instance(QThread::currentThread());
    std::thread worker([&] {
        LowerPriority();
        try {
            work();
        } catch (...) {
            error = std::current_exception();
        }
        done.store(true, std::memory_order_release);
        dispatcher->wakeUp();
    });
    // Not a QEventLoop: a quit asked meanwhile must not leave the thread waiting for an answer it needs.
    while (!done.load(std::memory_order_acquire))
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
    worker.join();
    if (error)
        std::rethrow_exception(error);
}

} // namespace hozonix::ui
