#pragma once
// The change watch of the desktop program: the print server sends no change broadcast that a client can
// rely on, so the printer information is asked to compare its snapshot at a fixed interval. The check
// is one small request to the server and runs on the user-interface thread, like the broadcast it
// stands for.

#include "printers/PrinterPlatform.h"

#include <QTimer>

#include <chrono>
#include <functional>

namespace hozonix::preview {

class PollingPrinterWatch : public printing::PrinterChangeWatch {
public:
    explicit PollingPrinterWatch(std::chrono::milliseconds interval = std::chrono::seconds(3));

    void Hook(std::function<void()> onChange) override;
    void Unhook() override;

private:
    QTimer timer_;
    std::function<void()> onChange_;
};

} // namespace hozonix::preview
