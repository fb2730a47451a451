// One run of a profile started from the main window's button, on Qt's offscreen platform, with the
// window's real progress outputs and processing dialog. Prints the time from the click to the end of the
// run, to be set against the headless driver on the same tree, and the longest time the window went
// without handling its events (a timer asks every 5 ms), and the process's peak memory.
// With --open-list, the written-files list is then opened from its button: the time until it is shown,
// the longest time without events while it opens and settles for a second, the memory it took and the
// memory left once it is closed. With --print-list as well, its 印刷 button is then pressed: the time
// until the preview shows page 1 and until every page is made, the page count, the longest time without
// events, the memory the pages took at most and the memory left once the preview is closed.
//   hozonix-gui-bench [--fast] [--open-list [--print-list]] SOURCE DESTINATION   (careful unless --fast)

#include "base/MessageBoxService.h"
#include "mainwindow/MainWindow.h"
#include "preview/DesktopListPrinting.h"
#include "preview/PreviewWindow.h"
#include "report/ReportPreview.h"
#include "settings/IniFile.h"
#include "settings/ProfileList.h"
#include "ui/MessageListDialog.h"
#include "ui/UiServices.h"

#include "TempConfig.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <QToolButton>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <string>

namespace {

class PrintedMessages : public hozonix::MessageBoxService {
public:
    hozonix::MessageButton Show(hozonix::MessageKind, const std::string& text, unsigned buttons) override {
        std::fprintf(stderr, "%s\n", text.c_str());
        return (buttons & hozonix::OkButton) ? hozonix::MessageButton::Ok : hozonix::MessageButton::Cancel;
    }
};

// A figure of /proc/self/status in MiB ("VmRSS", "VmHWM").
long StatusMiB(const std::string& field) {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind(field + ":", 0) == 0)
            return std::stol(line.substr(field.size() + 1)) / 1024;
    return -1;
}

// Starts the peak ("VmHWM") afresh from the present size.
void ResetPeak() {
    std::ofstream("/proc/self/clear_refs") << "5";
}

hozonix::printing::PreviewWindow* FindPreview() {
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (auto* window = dynamic_cast<hozonix::printing::PreviewWindow*>(widget);
            window && window->isVisible())
            return window;
    return nullptr;
}

// Presses 印刷 and watches the preview from a timer, since the press returns only once it is closed.
void PrintList(hozonix::ui::MessageListDialog& list, hozonix::printing::DesktopListPrinting& printing) {
    const long before = StatusMiB("VmRSS");
    ResetPeak();
    QElapsedTimer timer;
    QElapsedTimer sinceTick;
    qint64 longest = 0, firstPageMs = -1, allPagesMs = -1;
    int pages = 0;
    QTimer watch;
    watch.setInterval(5);
    QObject::connect(&watch, &QTimer::timeout, [&] {
        longest = std::max(longest, sinceTick.restart());
        hozonix::printing::PreviewWindow* window = FindPreview();
        const hozonix::report::PageStore* store = window != nullptr ? window->Preview()->Store() : nullptr;
        if (store == nullptr || store->PageCount() == 0)
            return;
        if (firstPageMs < 0)
            firstPageMs = timer.elapsed();
        if (store->IsFinished() && allPagesMs < 0) {
            allPagesMs = timer.elapsed();
            pages = store->PageCount();
            // Leaf through a few pages, as a reader would, before closing.
            for (const int n : {2, pages / 2, pages})
                if (n >= 1 && n <= pages)
                    (void)store->Page(n);
            printing.ClosePreview();
        }
    });
    timer.start();
    sinceTick.start();
    watch.start();
    list.PrintButton()->click();
    watch.stop();
    const long peak = StatusMiB("VmHWM") - before;
    QApplication::processEvents();
    std::printf(
        "print_first_page_ms=%lld print_all_pages_ms=%lld pages=%d print_longest_without_events_ms=%lld "
        "print_peak_extra_mib=%ld after_preview_closed_extra_mib=%ld\n",
        static_cast<long long>(firstPageMs), static_cast<long long>(allPagesMs), pages,
        static_cast<long long>(longest), peak, StatusMiB("VmRSS") - before);
}

} // namespace

int main(int argc, char** argv) {
    bool fast = false;
    bool openList = false;
    bool printList = false;
    int arg = 1;
    for (; arg < argc && argv[arg][0] == '-'; ++arg) {
        fast |= std::string(argv[arg]) == "--fast";
        openList |= std::string(argv[arg]) == "--open-list";
        printList |= std::string(argv[arg]) == "--print-list";
    }
    if (argc - arg != 2) {
        std::fprintf(stderr, "usage: hozonix-gui-bench [--fast] [--open-list] SOURCE DESTINATION\n");
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
    hozonix::printing::DesktopListPrinting listPrinting(ini, messages, services.FilePickers(),
                                                        hozonix::FallbackRect(1024, 768));
    services.MessageList().SetPrintHandler(listPrinting.PrintHandler());
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
        std::printf("run_ms=%lld written=%d longest_without_events_ms=%lld peak_mib=%ld\n",
                    static_cast<long long>(runMs), written, static_cast<long long>(longestMs),
                    StatusMiB("VmHWM"));
        std::fflush(stdout);

        if (openList && written > 0) {
            const long before = StatusMiB("VmRSS");
            ResetPeak();
            longestMs = 0;
            timer.restart();
            sinceTick.start();
            ticker.start();
            window.WrittenListButton()->click();
            hozonix::ui::MessageListDialog* list = services.MessageList().Dialog();
            QApplication::processEvents();
            const qint64 shownMs = timer.elapsed();
            while (timer.elapsed() < shownMs + 1000)
                QApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
            ticker.stop();
            const long open = StatusMiB("VmHWM") - before;
            if (printList)
                PrintList(*list, listPrinting);
            list->close();
            QApplication::processEvents();
            std::printf("list_shown_ms=%lld list_longest_without_events_ms=%lld list_peak_extra_mib=%ld "
                        "after_close_extra_mib=%ld long_view=%d\n",
                        static_cast<long long>(shownMs), static_cast<long long>(longestMs), open,
                        StatusMiB("VmRSS") - before, list->ShowsLongList() ? 1 : 0);
        }
    }
    return 0;
}
