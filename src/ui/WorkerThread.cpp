#include "ui/WorkerThread.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QThread>

#include <atomic>
#include <exception>
#include <thread>

namespace hozonix::ui {

void RunOnWorkerThread(const std::function<void()>& work) {
    std::atomic<bool> done{false};
    std::exception_ptr error;
    QAbstractEventDispatcher* dispatcher = QAbstractEventDispatcher::instance(QThread::currentThread());
    std::thread worker([&] {
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
