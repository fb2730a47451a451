// One careful run of a profile started from the main window's button, on Qt's offscreen platform, with
// the window's real progress outputs and processing dialog. Prints the time from the click to the end
// of the run, to be set against the headless driver on the same tree.
//   hozonix-gui-bench SOURCE DESTINATION

#include "base/MessageBoxService.h"
#include "mainwindow/MainWindow.h"
#include "settings/IniFile.h"
#include "settings/ProfileList.h"
#include "ui/UiServices.h"

#include "TempConfig.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QToolButton>

#include <cstdio>

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
    if (argc != 3) {
        std::fprintf(stderr, "usage: hozonix-gui-bench SOURCE DESTINATION\n");
        return 2;
    }
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    hozonix::bench::TempConfig config;

    hozonix::IniFile ini(config.Path() + "/bench.ini");
    hozonix::ProfileList profiles;
    profiles.ProfileNames = {"bench"};
    profiles.ProfileDetails = {hozonix::JoinDetailLine({argv[1], argv[2], "", ""})};
    hozonix::SaveProfileList(ini, profiles);

    PrintedMessages messages;
    hozonix::ui::UiServices services(ini, messages, hozonix::FallbackRect(1024, 768));
    int written = -1;
    QElapsedTimer timer;
    qint64 runMs = 0;
    {
        hozonix::ui::MainWindowServices s(ini, profiles, services);
        s.DataFolder = config.Path();
        hozonix::ui::MainWindow window(std::move(s));
        window.show();
        QApplication::processEvents();
        window.CarefulModeItem()->trigger();

        timer.start();
        window.RunButton()->click();
        runMs = timer.elapsed();
        written = static_cast<int>(window.UpdatedFiles().size());
    }
    std::printf("run_ms=%lld written=%d\n", static_cast<long long>(runMs), written);
    return 0;
}
