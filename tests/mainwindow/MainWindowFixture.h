#pragma once
// A main window over a private settings file, with a scripted wizard, a scripted engine call and
// scripted message boxes, so that every command can be driven through the window's own controls.

#include "base/AppError.h"
#include "mainwindow/MainWindow.h"
#include "settings/IniFile.h"
#include "settings/ProfileList.h"
#include "shares/ShareConnection.h"
#include "ui/UiServices.h"
#include "ui/WorkerRunHost.h"
#include "wizard/ProfileWizard.h"

#include "ScriptedMessageBox.h"
#include "TempFolder.h"

#include <QApplication>
#include <QLabel>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace hozonix::test {

// A share connection that records its disconnect and its end in `log`.
struct RecordedShare : shares::ConnectedShare {
    std::string local;
    std::vector<std::string>* log;
    RecordedShare(std::string l, std::vector<std::string>* events) : local(std::move(l)), log(events) {}
    ~RecordedShare() override { log->push_back("gone"); }
    const std::string& LocalFolder() const override { return local; }
    bool ConnectedHere() const override { return true; }
    bool Disconnect(std::string*) override {
        log->push_back("disconnect");
        return true;
    }
    void Keep() override {}
};

// Connects a share as the window asks it to: recorded in `events`, refused while `refuse`, else
// mounted at `mounted`.
inline profiles::ConnectFn RecordingConnect(std::vector<std::string>& events, const bool& refuse,
                                            std::string mounted) {
    return [&events, &refuse, mounted](const std::string& typed,
                                       std::string& local) -> std::unique_ptr<shares::ConnectedShare> {
        events.push_back("connect " + typed);
        if (refuse)
            throw shares::ShareConnectError("共有フォルダ \\\\nas\\photos に接続できません");
        local = mounted;
        return std::make_unique<RecordedShare>(local, &events);
    };
}

// Adds or replaces a profile the way the wizard does: edits the shared lists and saves them.
class ScriptedWizard : public wizard::ProfileWizard {
public:
    ScriptedWizard(IniFile& settings, ProfileList& profiles) : settings_(settings), profiles_(profiles) {}

    struct Answer {
        bool ok = false;
        std::string name;
        std::string detail;
    };

    bool OpenForNew() override {
        calls.push_back("new");
        return Apply(-1);
    }
    bool OpenForEdit(int index) override {
        calls.push_back("edit " + std::to_string(index));
        return Apply(index);
    }

    std::vector<Answer> answers;
    std::vector<std::string> calls;
    std::function<void()> onOpen;

private:
    bool Apply(int index) {
        if (onOpen)
            onOpen();
        if (answers.empty())
            return false;
        Answer a = answers.front();
        answers.erase(answers.begin());
        if (!a.ok)
            return false;
        if (index < 0) {
            profiles_.ProfileNames.push_back(a.name);
            profiles_.ProfileDetails.push_back(a.detail);
        } else {
            profiles_.ProfileNames[index] = a.name;
            profiles_.ProfileDetails[index] = a.detail;
        }
        SaveProfileList(settings_, profiles_);
        return true;
    }

    IniFile& settings_;
    ProfileList& profiles_;
};

// Records each engine call and answers from a script: files to report written and failed, or an error.
struct ScriptedRun {
    std::vector<std::string> written;
    std::vector<std::string> failed;
    std::string error; // not empty: raise it
    std::function<void(engine::RunHost&)> during;
    bool stopped = false; // ended before the end of its list
};

class MainWindowTest : public ::testing::Test {
protected:
    static constexpr std::time_t Now = 1733650000; // a fixed moment for the start time of runs

    TempFolder dir;
    IniFile ini{dir / "hozonix.ini"};
    ScriptedMessageBox messages;
    ProfileList profiles;
    ui::UiServices services{ini, messages, FallbackRect(1024, 768)};
    ScriptedWizard wizard{ini, profiles};
    std::vector<engine::BackupRequest> requests;
    std::vector<ScriptedRun> runs;
    std::unique_ptr<mainwindow::MainWindow> window;

    // Profiles named name[i], source dir/src<i>, destination dir/dst<i>.
    void StoreProfiles(const std::vector<std::string>& names) {
        ProfileList list;
        for (size_t i = 0; i < names.size(); ++i) {
            list.ProfileNames.push_back(names[i]);
            list.ProfileDetails.push_back(Detail(i));
        }
        SaveProfileList(ini, list);
    }
    std::string Detail(size_t i) const {
        return dir / ("src" + std::to_string(i)) + ">>" + dir / ("dst" + std::to_string(i)) + ">>.bak<<";
    }

    mainwindow::MainWindowServices Services() {
        mainwindow::MainWindowServices s(ini, profiles, services);
        s.DataFolder = dir.Path();
        s.Wizard = &wizard;
        s.Now = [] { return Now; };
        s.RunBackup = [this](const engine::BackupRequest& r, engine::PathList& updated,
                             engine::PathList& failed, engine::RunHost& host, engine::BackupResult& result) {
            requests.push_back(r);
            ScriptedRun run;
            if (!runs.empty()) {
                run = runs.front();
                runs.erase(runs.begin());
            }
            // The run is on its own thread; what a test does meanwhile happens on the window's, as a person's
            // clicks would, once the window shows what the run has told it so far.
            if (run.during) {
                if (auto* worker = dynamic_cast<ui::WorkerRunHost*>(&host))
                    worker->OnWindowThread([&] {
                        run.during(host);
                        return true;
                    });
                else
                    run.during(host);
            }
            if (!run.error.empty())
                throw AppError(run.error);
            for (const std::string& path : run.written)
                updated.push_back(path);
            for (const std::string& path : run.failed)
                failed.push_back(path);
            result.Stopped = run.stopped;
            return static_cast<int>(run.written.size());
        };
        return s;
    }

    void Open() { window = std::make_unique<mainwindow::MainWindow>(Services()); }
    void Open(mainwindow::MainWindowServices s) {
        window = std::make_unique<mainwindow::MainWindow>(std::move(s));
    }

    std::string Caption() const { return window->windowTitle().toStdString(); }
    std::string Status() const { return window->StatusPanel()->text().toStdString(); }
    std::string LastMessage() const { return messages.shown.empty() ? "" : messages.shown.back().text; }
};

} // namespace hozonix::test
