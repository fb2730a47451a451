// One run of a profile started from the main window's button, on Qt's offscreen platform, with the
// window's real progress outputs and processing dialog. Prints the time from the click to the end of the
// run, to be set against the headless driver on the same tree, and the longest time the window went
// without handling its events (a timer asks every 5 ms).
//   hozonix-gui-bench [--fast] SOURCE DESTINATION      (careful mode unless --fast)

#include "base/MessageBoxService.h"
#include "mainwindow/MainWindow.h"
#include "settings/IniFile.h"
#include "settings/ProfileList.h"
#include "ui/UiServices.h"

#include "TempConfig.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <QToolButton>

#include <algorithm>
#include <cstdio>
#include <string>

namespace {

class PrintedMessages : public hozonix::MessageBoxService {
public:
    hozonix::MessageButton Show(hozonix::MessageKind, const std::string& text, unsigned buttons) override {
        std::fprintf(stderr, "%s\n", text.c_str());
        return (buttons & hozonix::OkButton) ? hozonix::MessageButton::Ok : hozonix::MessageButton::Cancel;
    }
};

} // namespace

int main(int argc, char** argv) {
    const bool fast = argc == 4 && std::string(argv[1]) == "--fast";
    if (argc != 3 && !fast) {
        std::fprintf(stderr, "usage: hozonix-gui-bench [--fast] SOURCE DESTINATION\n");
        return 2;
    }
    const char* source = argv[argc - 2];
    const char* destination = argv[argc - 1];
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    hozonix::bench::TempConfig config;

    hozonix::IniFile ini(config.Path() + "/bench.ini");
    hozonix::ProfileList profiles;
    profiles.ProfileNames = {"bench"};
    profiles.ProfileDetails = {hozonix::JoinDetailLine({source, destination, "", ""})};
    hozonix::SaveProfileList(ini, profiles);

    PrintedMessages messages;
    hozonix::ui::UiServices services(ini, messages, hozonix::FallbackRect(1024, 768));
    int written = -1;
    QElapsedTimer timer;
    qint64 runMs = 0;
    // The longest stretch without events: the ticks of a 5 ms timer, as far apart as the window let them.
    QElapsedTimer sinceTick;
    qint64 longestMs = 0;
    QTimer ticker;
    ticker.setInterval(5);
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        const qint64 gap = sinceTick.restart();
        if (gap > longestMs && qEnvironmentVariableIsSet("HOZONIX_BENCH_GAPS"))
            std::fprintf(stderr, "gap %lld ms ending at %lld ms\n", static_cast<long long>(gap),
                         static_cast<long long>(timer.elapsed()));
        longestMs = std::max(longestMs, gap);
    });
    {
        hozonix::ui::MainWindowServices s(ini, profiles, services);
        s.DataFolder = config.Path();
        hozonix::ui::MainWindow window(std::move(s));
        window.show();
        QApplication::processEvents();
        if (!fast)
            window.CarefulModeItem()->trigger();

        timer.start();
        sinceTick.start();
        ticker.start();
        window.RunButton()->click();
        longestMs = std::max(longestMs, sinceTick.elapsed());
        ticker.stop();
        runMs = timer.elapsed();
        written = static_cast<int>(window.UpdatedFiles().size());
    }
    std::printf("run_ms=%lld written=%d longest_without_events_ms=%lld\n", static_cast<long long>(runMs),
                written, static_cast<long long>(longestMs));
    return 0;
}
