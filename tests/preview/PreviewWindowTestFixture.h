#pragma once
// A preview window with every service scripted: settings in a temporary folder, scripted message boxes,
// file dialogs, input boxes, printer dialogs and printing system, and a print job that keeps what it was
// given. PreviewScript runs steps from inside the waits of a print, each once the window is ready.

#include "preview/ListReportPrinting.h"
#include "preview/PreviewWindow.h"
#include "preview/ReportDefinition.h"
#include "printers/PrinterInfo.h"
#include "report/ReportPrinting.h"

#include "ScriptedMessageBox.h"
#include "ScriptedPickers.h"
#include "ScriptedPrinterPlatform.h"
#include "TempFolder.h"

#include "settings/IniFile.h"

#include <QLabel>
#include <QTimer>
#include <QToolButton>

#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <memory>
#include <optional>

namespace hozonix::test {

class ScriptedPrintSettings : public report::PrintSettingsDialog {
public:
    bool Edit(report::PrinterSettings& settings, report::PrintDestination& destination) override {
        ++calls;
        shownPrinter = destination.printerName;
        if (edit)
            edit(settings);
        destination.pdfFile = pdfFile;
        return accept;
    }
    bool accept = true;
    std::function<void(report::PrinterSettings&)> edit;
    std::string pdfFile;      // the answer: "" prints, a path writes that PDF file
    std::string shownPrinter; // the printer the dialog was told of
    int calls = 0;
};

class ScriptedPreviewDialogs : public preview::PreviewDialogs {
public:
    struct Asked {
        QString caption, prompt, start;
    };
    // Answers: a text confirms, nothing cancels (the value stays as it was).
    bool InputQuery(const QString& caption, const QString& prompt, QString& value) override {
        asked.push_back({caption, prompt, value});
        std::optional<QString> answer;
        if (!inputAnswers.empty()) {
            answer = inputAnswers.front();
            inputAnswers.pop_front();
        }
        if (answer)
            value = *answer;
        return answer.has_value();
    }
    bool PrinterSetup() override { return printerSetup ? printerSetup() : false; }
    report::PrintSettingsDialog& PrintSettings() override { return printSettings; }

    std::deque<std::optional<QString>> inputAnswers;
    std::vector<Asked> asked;
    std::function<bool()> printerSetup;
    ScriptedPrintSettings printSettings;
};

class RecordingJob : public report::PrintJob {
public:
    int Submit(const std::string& pdfPath, const report::PrintJobOptions& options) override {
        jobs.push_back(options);
        pdf = ReadFile(pdfPath);
        return static_cast<int>(jobs.size());
    }
    std::vector<report::PrintJobOptions> jobs;
    std::string pdf;
};

class PreviewWindowTest : public ::testing::Test {
protected:
    PreviewWindowTest() { platform.printers = {SamplePrinter("Alpha", printing::kPrinterAttributeDefault)}; }

    preview::PreviewServices Services() {
        return {settings, messages, pickers, Info(),     definition, state,
                dialogs,  *job,     nullptr, pageLayout, fallback,   pageFolder};
    }
    printing::PrinterInfo& Info() {
        if (!info)
            info = std::make_unique<printing::PrinterInfo>(*platformInUse);
        return *info;
    }
    preview::ListReportPrinting& Printing() {
        if (!printing)
            printing = std::make_unique<preview::ListReportPrinting>(Services());
        return *printing;
    }
    preview::PreviewWindow& Window() { return *Printing().Window(); }
    report::PageStore* Store() { return Window().Preview()->Store(); }

    // The window shows a finished generation and nothing is being generated.
    bool Ready() {
        preview::PreviewWindow* w = Printing().Window();
        return w != nullptr && w->isVisible() && state.CurrentReport != nullptr &&
               state.CurrentReport->IsFree() && w->Preview()->Store() != nullptr &&
               w->Preview()->Store()->IsFinished();
    }
    bool Generating() { return state.CurrentReport != nullptr && !state.CurrentReport->IsFree(); }

    // Adds a step run once `when` holds (by default: the window is ready). The next step is armed before a
    // step runs, so a step may start a wait of its own.
    void Then(std::function<void()> step, std::function<bool()> when = {}) {
        steps.push_back({when ? when : [this] { return Ready(); }, std::move(step)});
    }
    // Runs the print of `lines` under `title` with the steps so far; returns when the print has returned.
    void PrintWithSteps(const std::string& title, const std::vector<std::string>& lines) {
        Arm();
        bool timedOut = false;
        QTimer watchdog;
        watchdog.setSingleShot(true);
        QObject::connect(&watchdog, &QTimer::timeout, [&] {
            timedOut = true;
            steps.clear();
            if (printing && printing->Window() && printing->Window()->Preview()->Store())
                printing->Window()->Preview()->Store()->Release();
        });
        watchdog.start(20000);
        engine::PathList list;
        for (const std::string& line : lines)
            list.push_back(line);
        Printing().PrintList(title, list);
        EXPECT_FALSE(timedOut) << "the print did not end";
        EXPECT_TRUE(steps.empty()) << steps.size() << " steps did not run";
        steps.clear();
    }
    void CloseWindow() { Window().CloseButton()->click(); }

    TempFolder dir;
    IniFile settings{dir / "Hozonix.ini"};
    ScriptedMessageBox messages;
    ScriptedFileDialogs fileDialogs;
    ScriptedFolderBrowser folderBrowser;
    ui::Pickers pickers{fileDialogs, folderBrowser};
    ScriptedPrinterPlatform platform;
    printing::PrinterPlatform* platformInUse = &platform;
    std::unique_ptr<printing::PrinterInfo> info;
    preview::ReportDefinition definition;
    preview::ListReportState state;
    ScriptedPreviewDialogs dialogs;
    RecordingJob recordingJob;
    report::PrintJob* job = &recordingJob;
    preview::PageLayoutOpener* pageLayout = nullptr;
    Rect fallback{5, 0, 1004, 708};
    std::string pageFolder;
    std::unique_ptr<preview::ListReportPrinting> printing;

    struct Step {
        std::function<bool()> when;
        std::function<void()> run;
    };
    // Starts running the steps (PrintWithSteps does it itself).
    void Arm() {
        if (steps.empty())
            return;
        auto* timer = new QTimer(&timerOwner_);
        timer->setInterval(2);
        QObject::connect(timer, &QTimer::timeout, [this, timer] {
            if (steps.empty()) {
                timer->deleteLater();
                return;
            }
            if (!steps.front().when())
                return;
            timer->stop();
            timer->deleteLater();
            Step step = std::move(steps.front());
            steps.pop_front();
            Arm();
            step.run();
        });
        timer->start();
    }
    std::deque<Step> steps;

private:
    QObject timerOwner_;
};

// Numbered lines in Japanese, as a written-file list would hold them.
inline std::vector<std::string> NumberedLines(int count) {
    std::vector<std::string> lines;
    for (int i = 0; i < count; ++i)
        lines.push_back(
            QStringLiteral("/home/利用者/文書/報告%1.txt").arg(i, 3, 10, QLatin1Char('0')).toStdString());
    return lines;
}

} // namespace hozonix::test
