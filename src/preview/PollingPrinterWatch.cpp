#include "preview/PollingPrinterWatch.h"

#include "base/AppError.h"

namespace hozonix::preview {

PollingPrinterWatch::PollingPrinterWatch(std::chrono::milliseconds interval) {
    timer_.setInterval(interval);
    QObject::connect(&timer_, &QTimer::timeout, &timer_, [this] {
        if (!onChange_)
            return;
        try {
            onChange_();
        } catch (const AppError&) {
            // A server that fails one check is asked again at the next; a box every few seconds would
            // make the program unusable.
        }
    });
}

void PollingPrinterWatch::Hook(std::function<void()> onChange) {
    onChange_ = std::move(onChange);
    timer_.start();
}

void PollingPrinterWatch::Unhook() {
    timer_.stop();
    onChange_ = nullptr;
}

} // namespace hozonix::preview
