// One run of a stored profile started from the main window's run button, with the window's real progress
// outputs and processing dialog: painted on an X server (QT_QPA_PLATFORM=xcb, as bench/run-gui-bench.sh
// runs it), not painted on Qt's offscreen platform (the default here). Prints the time from the click to
// the end of the run (to be set against the headless runner on the same tree), how long the window went
// without handling its events, measured two ways, and the process's peak memory:
//   - the ticks of a 5 ms timer, as far apart as the window let them come;
//   - on X, the slowest answer to a window manager's ping (_NET_WM_PING every 10 ms, from outside Qt).
// The run may go on after the click returns: the clock stops when the window no longer reports a run
// under way.
// With --sync, the destination's file system is flushed before the clock stops, as the runner's timing
// includes a sync. With --stall-log LOG (written by bench/stall-fs.py), the times of the stalled write
// are reported relative to the click, and with --abort-on-stall the processing dialog's 中止 is clicked
// (a real pointer click through xdotool) --abort-delay ms after the stall began: the time from the end
// of the stalled call to the end of the run is printed.
// With --open-list, the written-files list is then opened from its button: the time until it is shown,
// the longest time without events while it opens and settles for a second, the memory it took and the
// memory left once it is closed. With --print-list as well, its 印刷 button is then pressed: the time
// until the preview shows page 1 and until every page is made, the page count, the longest time without
// events, the memory the pages took at most and the memory left once the preview is closed.
//   hozonix-gui-bench [OPTIONS] SOURCE DESTINATION          (a profile made for the run)
//   hozonix-gui-bench [OPTIONS] --settings FILE PROFILE     (a stored profile, as hozonix-run takes it)
// OPTIONS: --fast (default careful) --sync --stall-log LOG --abort-on-stall --abort-delay MS
//          --open-list --print-list

#include "WindowPinger.h"

#include "base/MessageBoxService.h"
#include "mainwindow/MainWindow.h"
#include "preview/DesktopListPrinting.h"
#include "preview/PreviewWindow.h"
#include "report/ReportPreview.h"
#include "settings/IniFile.h"
#include "settings/ProfileList.h"
#include "ui/MessageListDialog.h"
#include "ui/ProcessingDialog.h"
#include "ui/UiServices.h"

#include "TempConfig.h"

#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QPushButton>
#include <QThread>
#include <QTimer>
#include <QToolButton>
#include <QWindow>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <functional>
#include <spawn.h>
#include <sstream>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace {

class PrintedMessages : public hozonix::MessageBoxService {
public:
    hozonix::MessageButton Show(hozonix::MessageKind, const std::string& text, unsigned buttons) override {
        std::fprintf(stderr, "%s\n", text.c_str());
        return (buttons & hozonix::OkButton) ? hozonix::MessageButton::Ok : hozonix::MessageButton::Cancel;
    }
};

// CLOCK_MONOTONIC, the clock bench/stall-fs.py writes its times in.
int64_t MonotonicNs() {
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return int64_t{t.tv_sec} * 1000000000 + t.tv_nsec;
}

double Ms(int64_t ns) {
    return static_cast<double>(ns) / 1e6;
}

// The value after "KEY " on the first line of the stall log that starts so; -1 while there is none.
int64_t StallTime(const std::string& log, const std::string& key) {
    std::ifstream in(log);
    for (std::string line; std::getline(in, line);) {
        if (line.rfind(key + " ", 0) == 0) {
            std::istringstream fields(line.substr(key.size() + 1));
            int64_t ns = -1;
            fields >> ns;
            return ns;
        }
    }
    return -1;
}

// How long the window went without handling events, while Start() ... Stop() lasts: the ticks of a 5 ms
// timer, as far apart as the window let them come. (The dispatcher's awake signal cannot do better: the
// glib dispatcher Qt uses on X emits it after the timers and X events it woke for have been handled.)
class EventGaps {
public:
    EventGaps() {
        ticker_.setInterval(5);
        QObject::connect(&ticker_, &QTimer::timeout, [this] {
            const qint64 gap = sinceTick_.restart();
            struct rusage now {};
            getrusage(RUSAGE_THREAD, &now);
            if (gap > longestMs_ && qEnvironmentVariableIsSet("HOZONIX_BENCH_GAPS"))
                std::fprintf(stderr, "gap %lld ms ending at %lld ms\n", static_cast<long long>(gap),
                             static_cast<long long>(sinceStart_.elapsed()));
            if (gap > longestMs_) {
                // What the thread did in the longest gap: ran (CPU time), faulted, or waited its turn.
                const auto us = [](const struct rusage& r) {
                    return (r.ru_utime.tv_sec + r.ru_stime.tv_sec) * 1'000'000LL + r.ru_utime.tv_usec +
                           r.ru_stime.tv_usec;
                };
                worst_ = {(us(now) - us(lastUsage_)) / 1000, now.ru_minflt - lastUsage_.ru_minflt,
                          now.ru_majflt - lastUsage_.ru_majflt, now.ru_nvcsw - lastUsage_.ru_nvcsw,
                          now.ru_nivcsw - lastUsage_.ru_nivcsw};
            }
            lastUsage_ = now;
            longestMs_ = std::max(longestMs_, gap);
            if (onTick)
                onTick();
        });
        QObject::connect(QAbstractEventDispatcher::instance(QThread::currentThread()),
                         &QAbstractEventDispatcher::aboutToBlock, [this] {
                             if (running_ && onBlock)
                                 onBlock();
                         });
    }

    void Start() {
        longestMs_ = 0;
        worst_ = {};
        getrusage(RUSAGE_THREAD, &lastUsage_);
        running_ = true;
        sinceStart_.start();
        sinceTick_.start();
        ticker_.start();
    }
    void Stop() {
        if (!running_)
            return;
        longestMs_ = std::max(longestMs_, sinceTick_.elapsed());
        ticker_.stop();
        running_ = false;
    }
    qint64 LongestMs() const { return longestMs_; }
    // In the longest gap: CPU ms, minor and major faults, waits and preemptions of the window's thread.
    std::string WorstGap() const {
        char text[160];
        std::snprintf(text, sizeof text,
                      "gap_cpu_ms=%lld gap_minflt=%ld gap_majflt=%ld gap_waits=%ld gap_preempted=%ld",
                      worst_.cpuMs, worst_.minflt, worst_.majflt, worst_.waits, worst_.preempted);
        return text;
    }

    std::function<void()> onTick;  // at every tick
    std::function<void()> onBlock; // as the thread goes to wait for events

private:
    QTimer ticker_;
    struct Usage {
        long long cpuMs = 0;
        long minflt = 0, majflt = 0, waits = 0, preempted = 0;
    } worst_;
    struct rusage lastUsage_ {};
    QElapsedTimer sinceStart_;
    QElapsedTimer sinceTick_;
    qint64 longestMs_ = 0;
    bool running_ = false;
};

// Clicks the processing dialog's 中止 with the pointer, as a user would, once the stall log says a write
// has stalled and `delayMs` more have passed. The button's place on the screen is told by the window's
// thread whenever it can (SetButtonCentre), since this thread must not touch widgets.
class StallAborter {
public:
    StallAborter(std::string log, int delayMs) : log_(std::move(log)), delayMs_(delayMs) {}
    ~StallAborter() { Stop(); }

    void SetButtonCentre(int x, int y) { centre_ = (int64_t{x} << 32) | static_cast<uint32_t>(y); }
    void Start() {
        thread_ = std::thread([this] { Work(); });
    }
    void Stop() {
        stop_ = true;
        if (thread_.joinable())
            thread_.join();
    }
    int64_t ClickedNs() const { return clickedNs_; }
    const std::string& Problem() const { return problem_; }

private:
    void Work() {
        int64_t began = -1;
        while (!stop_ && (began = StallTime(log_, "stall_begin")) < 0)
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        if (began < 0)
            return;
        while (!stop_ && MonotonicNs() < began + int64_t{delayMs_} * 1000000)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        const int64_t centre = centre_;
        if (stop_) {
            problem_ = "the run ended before the click was due";
            return;
        }
        if (centre < 0) {
            problem_ = "the processing dialog was not seen before the stall";
            return;
        }
        const std::string x = std::to_string(centre >> 32), y = std::to_string(static_cast<int32_t>(centre));
        const char* argv[] = {"xdotool", "mousemove", "--sync", x.c_str(), y.c_str(), "click", "1", nullptr};
        pid_t pid = 0;
        if (posix_spawnp(&pid, "xdotool", nullptr, nullptr, const_cast<char**>(argv), environ) != 0) {
            problem_ = "xdotool could not be started";
            return;
        }
        int status = 0;
        waitpid(pid, &status, 0);
        if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
            problem_ = "xdotool failed";
        else
            clickedNs_ = MonotonicNs(); // the click is with the X server now
    }

    std::string log_;
    int delayMs_;
    std::atomic<int64_t> centre_{-1};
    std::atomic<bool> stop_{false};
    std::atomic<int64_t> clickedNs_{-1};
    std::string problem_;
    std::thread thread_;
};

// On an X server: until the window is mapped and exposed, and the window manager has placed it.
void WaitUntilShown(QWidget& window) {
    QElapsedTimer waited;
    waited.start();
    while (window.windowHandle() != nullptr && !window.windowHandle()->isExposed() && waited.elapsed() < 5000)
        QApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    while (waited.elapsed() < 300)
        QApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
}

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

hozonix::preview::PreviewWindow* FindPreview() {
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (auto* window = dynamic_cast<hozonix::preview::PreviewWindow*>(widget);
            window && window->isVisible())
            return window;
    return nullptr;
}

// Presses 印刷 and watches the preview from a timer, since the press returns only once it is closed.
void PrintList(hozonix::ui::MessageListDialog& list, hozonix::preview::DesktopListPrinting& printing) {
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
        hozonix::preview::PreviewWindow* window = FindPreview();
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

struct Options {
    bool fast = false;
    bool sync = false;
    bool openList = false;
    bool printList = false;
    bool abortOnStall = false;
    int abortDelayMs = 1000;
    std::string settings;
    std::string stallLog;
    std::vector<std::string> args;
};

bool ParseOptions(int argc, char** argv, Options& o) {
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        const bool hasValue = i + 1 < argc;
        if (a == "--fast")
            o.fast = true;
        else if (a == "--careful")
            o.fast = false;
        else if (a == "--sync")
            o.sync = true;
        else if (a == "--open-list")
            o.openList = true;
        else if (a == "--print-list")
            o.printList = true;
        else if (a == "--abort-on-stall")
            o.abortOnStall = true;
        else if (a == "--abort-delay" && hasValue)
            o.abortDelayMs = std::stoi(argv[++i]);
        else if (a == "--settings" && hasValue)
            o.settings = argv[++i];
        else if (a == "--stall-log" && hasValue)
            o.stallLog = argv[++i];
        else if (a.rfind("--", 0) == 0)
            return false;
        else
            o.args.push_back(a);
    }
    if (o.abortOnStall && o.stallLog.empty())
        return false;
    return o.args.size() == (o.settings.empty() ? 2u : 1u);
}

} // namespace

int main(int argc, char** argv) {
    Options o;
    if (!ParseOptions(argc, argv, o)) {
        std::fprintf(stderr,
                     "usage: hozonix-gui-bench [--fast] [--sync] [--stall-log LOG [--abort-on-stall "
                     "[--abort-delay MS]]] [--open-list [--print-list]] {SOURCE DESTINATION | --settings "
                     "FILE PROFILE}\n");
        return 2;
    }
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    // As the program names itself: the dialog shows it in its title bar.
    QApplication::setApplicationName("Hozonix");
    hozonix::bench::TempConfig config;

    // A stored profile is run from its settings file, whose folder holds the marks of runs under way, as
    // for the runner; otherwise a private settings file with one profile.
    const std::string settingsPath = o.settings.empty() ? config.Path() + "/bench.ini" : o.settings;
    hozonix::IniFile ini(settingsPath);
    hozonix::ProfileList profiles;
    std::string profileName = "bench";
    std::string destination;
    if (o.settings.empty()) {
        profiles.ProfileNames = {profileName};
        profiles.ProfileDetails = {hozonix::JoinDetailLine({o.args[0], o.args[1], "", ""})};
        hozonix::SaveProfileList(ini, profiles);
        destination = o.args[1];
    } else {
        profileName = o.args[0];
        hozonix::LoadProfileList(ini, profiles);
        for (size_t i = 0; i < profiles.ProfileNames.size(); ++i)
            if (profiles.ProfileNames[i] == profileName && i < profiles.ProfileDetails.size())
                destination = hozonix::SplitDetailLine(profiles.ProfileDetails[i]).DestinationFolder;
        if (destination.empty()) {
            std::fprintf(stderr, "no profile named '%s' in %s\n", profileName.c_str(), settingsPath.c_str());
            return 2;
        }
    }

    PrintedMessages messages;
    hozonix::ui::UiServices services(ini, messages, hozonix::FallbackRect(1024, 768));
    hozonix::preview::DesktopListPrinting listPrinting(ini, messages, services.FilePickers(),
                                                       hozonix::FallbackRect(1024, 768));
    services.MessageList().SetPrintHandler(listPrinting.PrintHandler());
    EventGaps gaps;
    hozonix::bench::WindowPinger pinger;
    {
        hozonix::mainwindow::MainWindowServices s(ini, profiles, services);
        s.DataFolder =
            o.settings.empty() ? config.Path() : std::filesystem::path(settingsPath).parent_path().string();
        hozonix::mainwindow::MainWindow window(std::move(s));
        window.show();
        WaitUntilShown(window);
        (o.fast ? window.FastModeItem() : window.CarefulModeItem())->trigger();
        // The run button runs the selected profile: it must be the one asked for.
        if (window.RunCaption() != profileName) {
            std::fprintf(stderr, "the run button runs '%s', not '%s'\n", window.RunCaption().c_str(),
                         profileName.c_str());
            return 2;
        }
        const bool onX = QGuiApplication::platformName() == "xcb";

        StallAborter aborter(o.stallLog, o.abortDelayMs);
        bool dialogShown = false;
        // Where 中止 is on the screen, for the aborter, whenever the window's thread gets round to it.
        auto watchDialog = [&] {
            hozonix::ui::ProcessingDialog* dialog = services.ProcessDialog().Dialog();
            if (dialog == nullptr || !dialog->isVisible())
                return;
            dialogShown = true;
            QPushButton* abort = dialog->AbortButton();
            const QPoint centre = abort->mapToGlobal(abort->rect().center());
            aborter.SetButtonCentre(centre.x(), centre.y());
        };

        QEventLoop loop;
        bool clicked = false, ended = false;
        int64_t clickNs = 0, endNs = 0;
        auto checkEnd = [&] {
            if (clicked && !ended && !window.RunInProgress()) {
                ended = true;
                endNs = MonotonicNs();
                loop.quit();
            }
        };
        gaps.onTick = [&] {
            watchDialog();
            checkEnd();
        };
        gaps.onBlock = checkEnd;
        QTimer::singleShot(0, [&] {
            if (onX)
                pinger.Start(static_cast<uint32_t>(window.winId()), 10);
            if (o.abortOnStall)
                aborter.Start();
            gaps.Start();
            clickNs = MonotonicNs();
            clicked = true;
            window.RunButton()->click();
            checkEnd();
        });
        loop.exec();
        gaps.Stop();
        const hozonix::bench::WindowPinger::Figures pings = pinger.Stop();
        aborter.Stop();
        int64_t syncedNs = endNs;
        if (o.sync) {
            const int fd = open(destination.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
            if (fd < 0 || syncfs(fd) != 0)
                std::perror("flushing the destination");
            if (fd >= 0)
                close(fd);
            syncedNs = MonotonicNs();
        }
        const int written = static_cast<int>(window.UpdatedFiles().size());
        std::printf("run_ms=%.0f written=%d longest_without_events_ms=%lld "
                    "ping_longest_ms=%s pings=%d pings_over_50ms=%d dialog_shown=%d until_end_ms=%.0f "
                    "peak_mib=%ld %s\n",
                    Ms(syncedNs - clickNs), written, static_cast<long long>(gaps.LongestMs()),
                    pings.active ? std::to_string(pings.longestUs / 1000).c_str() : "none", pings.sent,
                    pings.slow, dialogShown ? 1 : 0, Ms(endNs - clickNs), StatusMiB("VmHWM"),
                    gaps.WorstGap().c_str());
        if (!o.stallLog.empty()) {
            const int64_t began = StallTime(o.stallLog, "stall_begin");
            const int64_t done = StallTime(o.stallLog, "stall_end");
            char line[256] = "stall=none";
            if (began >= 0 && done >= 0)
                std::snprintf(line, sizeof line,
                              "stall_began_ms=%.0f stall_ended_ms=%.0f run_end_after_stall_ms=%.1f",
                              Ms(began - clickNs), Ms(done - clickNs), Ms(endNs - done));
            std::string text = line;
            if (o.abortOnStall)
                text +=
                    aborter.ClickedNs() >= 0
                        ? " abort_clicked_ms=" +
                              std::to_string(std::lround(Ms(aborter.ClickedNs() - clickNs)))
                        : " abort_clicked_ms=none (" +
                              (aborter.Problem().empty() ? std::string("no stall seen") : aborter.Problem()) +
                              ")";
            std::printf("%s\n", text.c_str());
        }
        std::fflush(stdout);

        if (o.openList && written > 0) {
            const long before = StatusMiB("VmRSS");
            ResetPeak();
            QElapsedTimer timer;
            timer.start();
            gaps.onTick = nullptr;
            gaps.onBlock = nullptr;
            gaps.Start();
            window.WrittenListButton()->click();
            hozonix::ui::MessageListDialog* list = services.MessageList().Dialog();
            QApplication::processEvents();
            const qint64 shownMs = timer.elapsed();
            while (timer.elapsed() < shownMs + 1000)
                QApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
            gaps.Stop();
            const long open = StatusMiB("VmHWM") - before;
            if (o.printList)
                PrintList(*list, listPrinting);
            list->close();
            QApplication::processEvents();
            std::printf("list_shown_ms=%lld list_longest_without_events_ms=%lld list_peak_extra_mib=%ld "
                        "after_close_extra_mib=%ld long_view=%d\n",
                        static_cast<long long>(shownMs), static_cast<long long>(gaps.LongestMs()), open,
                        StatusMiB("VmRSS") - before, list->ShowsLongList() ? 1 : 0);
        }
    }
    return 0;
}
