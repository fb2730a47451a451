#include "runner/RunnerMain.h"

#include "base/AppError.h"
#include "base/AtomicFile.h"
#include "engine/DestinationLock.h"
#include "engine/PathText.h"
#include "profiles/StoredProfileRestore.h"
#include "profiles/StoredProfileRun.h"
#include "profiles/StoredProfileVerify.h"
#include "runner/ConsoleHost.h"
#include "runner/HelpText.h"
#include "runner/Interrupt.h"
#include "runner/ProfileListing.h"
#include "runner/RunReport.h"
#include "runner/RunnerOptions.h"
#include "runner/TerminalText.h"
#include "runner/VerifyReport.h"
#include "settings/DataFolder.h"
#include "settings/IniFile.h"
#include "settings/StoredNames.h"

#include <cerrno>
#include <sys/ioctl.h>
#include <unistd.h>

namespace hozonix::runner {

namespace {

constexpr char DesktopProgram[] = "hozonix";
constexpr char NothingTicked[] = "保存プロファイルをひとつ以上チェックしてください";

std::string FolderOfFile(const std::string& path) {
    const auto slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

class Runner {
public:
    Runner(std::FILE* out, std::FILE* err)
        : out_(out), err_(err), outTerminal_(isatty(fileno(out)) != 0),
          errTerminal_(isatty(fileno(err)) != 0) {}

    int Main(const std::vector<std::string>& args) {
        const ParsedOptions parsed = ParseRunnerOptions(args);
        if (!parsed.error.empty()) {
            Error(parsed.error + "\nTry '" + ProgramName + " --help' for more information.");
            return ExitUsage;
        }
        o_ = parsed.options;
        if (o_.mode == RunnerOptions::Mode::Help || o_.mode == RunnerOptions::Mode::Version) {
            std::fputs((o_.mode == RunnerOptions::Mode::Help ? HelpText() : VersionText()).c_str(), out_);
            return ExitDone;
        }

        const std::string path = o_.settingsFile.empty() ? DesktopSettingsPath() : o_.settingsFile;
        std::string bytes;
        const int readError = ReadWholeFile(path, bytes);
        // The desktop program's own file may not exist yet: that is a list without profiles.
        if (readError != 0 && !(readError == ENOENT && o_.settingsFile.empty())) {
            Error("cannot read the settings file " + path + ": " + SystemErrorText(readError));
            return ExitUsage;
        }
        IniFile settings(path);
        ProfileList list;
        LoadProfileList(settings, list);
        if (o_.mode == RunnerOptions::Mode::List) {
            if (list.ProfileNames.empty())
                Error("no profiles are stored in " + path);
            PrintProfileListing(out_, settings, outTerminal_);
            return ExitDone;
        }
        if (list.ProfileNames.empty()) {
            Error("no profiles are stored in " + path);
            return ExitUsage;
        }
        if (o_.mode == RunnerOptions::Mode::Restore)
            return Restore(settings, list);
        std::vector<int> chosen;
        if (!Choose(settings, list, chosen))
            return ExitUsage;
        if (!o_.outputFolder.empty()) {
            if (int e = CreateFolderTree(o_.outputFolder); e != 0) {
                Error("cannot make the folder " + o_.outputFolder + ": " + SystemErrorText(e));
                return ExitUsage;
            }
        }
        InstallInterruptHandlers();
        return o_.verify ? VerifyAll(settings, list, chosen) : RunAll(settings, list, chosen);
    }

private:
    bool Choose(IniFile& settings, const ProfileList& list, std::vector<int>& chosen) {
        if (o_.mode == RunnerOptions::Mode::RunAll) {
            // The ticks as the desktop program shows them after loading the list; never rewritten here.
            const std::string ticked = settings.ReadIniString(MainWindowSection, TickedKey);
            for (size_t i = 0; i < list.ProfileNames.size(); ++i) {
                if (IsTickedOnReload(list.ProfileNames[i], ticked))
                    chosen.push_back(static_cast<int>(i));
            }
            if (chosen.empty())
                Error(NothingTicked);
            return !chosen.empty();
        }
        for (const std::string& name : o_.profiles) {
            const int index = Find(settings, list, name);
            if (index < 0)
                return false;
            chosen.push_back(index);
        }
        return true;
    }

    // The index of the profile `name`, or -1 after saying why there is none.
    int Find(const IniFile& settings, const ProfileList& list, const std::string& name) {
        std::vector<std::string> ambiguous;
        const int index = profiles::FindProfile(list.ProfileNames, name, &ambiguous);
        if (index < 0 && !ambiguous.empty()) {
            std::string names;
            for (const std::string& n : ambiguous)
                names += (names.empty() ? "'" : ", '") + n + "'";
            Error("'" + name + "' matches more than one profile when letter case is ignored: " + names +
                  "; give the name exactly as stored");
        } else if (index < 0) {
            Error("no profile named '" + name + "' in " + settings.Path() + " (see " + ProgramName +
                  " --list)");
        }
        return index;
    }

    int Restore(const IniFile& settings, const ProfileList& list) {
        const int index = Find(settings, list, o_.restoreProfile);
        if (index < 0)
            return ExitUsage;
        // Paths below the source folder, as typed or absolute inside it.
        std::string source = SplitDetailLine(list.ProfileDetails[static_cast<size_t>(index)]).SourceFolder;
        while (source.size() > 1 && source.back() == '/')
            source.pop_back();
        profiles::RestoreChoices choices;
        for (const std::string& path : o_.restorePaths) {
            if (path[0] != '/') {
                choices.paths.push_back(path);
                continue;
            }
            std::string absolute = path;
            while (absolute.size() > 1 && absolute.back() == '/')
                absolute.pop_back();
            if (source.empty() || !engine::IsAtOrBelow(absolute, source)) {
                Error("'" + path + "' is not inside the source folder " + source + " of the profile");
                return ExitUsage;
            }
            const std::size_t start = absolute.find_first_not_of('/', source.size());
            choices.paths.push_back(start == std::string::npos ? std::string() : absolute.substr(start));
        }
        choices.asOf = o_.asOf;
        choices.target = o_.restoreTarget.empty() ? std::string() : engine::AbsolutePath(o_.restoreTarget);
        choices.dryRun = o_.dryRun;
        choices.markFolder = FolderOfFile(settings.Path());
        // Nobody is asked: a newer file at the target stays, and is listed.

        InstallInterruptHandlers();
        ConsoleHost host(out_, err_, Style());
        FitToTerminal(host);
        host.BeginRun(list.ProfileNames[static_cast<size_t>(index)], nullptr, "restoring");
        profiles::RestoreOutcome outcome;
        bool ended = false;
        try {
            profiles::RestoreStoredProfile(list, index, choices, host, outcome);
        } catch (const engine::DestinationBusyError& e) {
            host.ClearLine();
            Error(e.what());
            return ExitBusy;
        } catch (const profiles::ProfileSettingsError& e) {
            host.ClearLine();
            Error(e.what());
            return ExitUsage;
        } catch (const std::exception& e) {
            host.ClearLine();
            Error(e.what());
            ended = true;
        }
        host.ClearLine();
        if (!outcome.disconnectError.empty())
            Error(outcome.disconnectError);
        if (outcome.notConnected)
            return ExitRunError;
        PrintRestoreOutcome(out_, outcome, o_.dryRun, o_.quiet, outTerminal_);
        const engine::RestoreResult& r = outcome.result;
        if ((r.Stopped || ended) && Interrupted)
            return ExitInterrupted;
        if (ended)
            return ExitRunError;
        return r.Skipped.empty() && r.Failed.empty() && !r.Stopped ? ExitDone : ExitSomeFailed;
    }

    OutputStyle Style() const {
        return o_.quiet ? OutputStyle::Quiet : outTerminal_ ? OutputStyle::Live : OutputStyle::Plain;
    }

    void FitToTerminal(ConsoleHost& host) const {
        winsize ws{};
        if (outTerminal_ && ioctl(fileno(out_), TIOCGWINSZ, &ws) == 0 && ws.ws_col > 0)
            host.SetColumns(ws.ws_col);
    }

    int RunAll(IniFile& settings, const ProfileList& list, const std::vector<int>& chosen) {
        ConsoleHost host(out_, err_, Style());
        FitToTerminal(host);
        profiles::RunChoices choices;
        choices.careful = o_.careful;
        choices.dryRun = o_.dryRun;
        choices.keepGoing = o_.keepGoing;
        choices.threshold = o_.threshold;
        // Beside the settings file, where the desktop program keeps its marks too.
        choices.runMarkFolder = FolderOfFile(settings.Path());

        bool anyError = false;
        bool anyBusy = false;
        bool anyFailed = false;
        bool settingsError = false;
        std::vector<profiles::ProfileOutcome> outcomes;
        // An interrupt counts only when it cut work short: a profile left out or a run stopped early. One
        // that arrives as the last run flushes its writes lets the run end as it would have.
        bool cutShort = false;
        for (int index : chosen) {
            if (Interrupted) {
                cutShort = true;
                break;
            }
            profiles::ProfileOutcome& outcome = outcomes.emplace_back();
            host.BeginRun(list.ProfileNames[static_cast<size_t>(index)], &outcome.figures);
            bool ended = false;
            try {
                profiles::RunStoredProfile(settings, list, index, choices, host, outcome);
                if (!outcome.disconnectError.empty())
                    host.ShowMessage(outcome.disconnectError);
            } catch (const engine::DestinationBusyError& e) {
                // Nothing was touched: the other run goes on, and so do the other profiles.
                host.ClearLine();
                Error(e.what());
                anyBusy = true;
                continue;
            } catch (const profiles::ProfileSettingsError& e) {
                host.ClearLine();
                Error(e.what());
                settingsError = true;
                continue;
            } catch (const std::exception& e) {
                host.ClearLine();
                Error(e.what());
                ended = true;
            }
            host.ClearLine();
            if (outcome.figures.PreviousRunUnfinished)
                Error(outcome.name + ": the previous run did not end, so every file was compared");
            else if (outcome.figures.OtherDestination)
                Error(outcome.name + ": the destination is not the one the last complete run left, so every "
                                     "file was compared");
            for (const std::string& notice : outcome.figures.Notices)
                Error(outcome.name + ": " + notice);
            PrintOutcome(out_, outcome, o_.dryRun, o_.quiet, outTerminal_);
            if (!outcome.storeError.empty())
                Error(outcome.name + ": the run's start time could not be stored: " + outcome.storeError);
            anyError = anyError || ended || outcome.destinationMissing || !outcome.storeError.empty();
            anyFailed = anyFailed || !outcome.failed.empty();
            cutShort = cutShort || outcome.figures.Stopped || (ended && Interrupted);
            if (ended)
                break; // as when running all ticked profiles: an error ends the whole command
        }
        int status = anyError        ? ExitRunError
                     : settingsError ? ExitUsage
                     : anyBusy       ? ExitBusy
                     : anyFailed     ? ExitSomeFailed
                                     : ExitDone;
        if (!o_.outputFolder.empty()) {
            try {
                SaveLists(o_.outputFolder, outcomes);
            } catch (const std::exception& e) {
                Error(e.what());
                status = ExitRunError;
            }
        }
        return cutShort && Interrupted ? ExitInterrupted : status;
    }

    // Checks each chosen profile's backup. Nothing is written, so a check that cannot be made (a folder
    // missing, a share not connected) does not keep the other profiles from being checked.
    int VerifyAll(const IniFile& settings, const ProfileList& list, const std::vector<int>& chosen) {
        ConsoleHost host(out_, err_, Style());
        FitToTerminal(host);
        bool anyError = false;
        bool anyBusy = false;
        bool anyDiffers = false;
        bool settingsError = false;
        bool cutShort = false;
        for (int index : chosen) {
            if (Interrupted) {
                cutShort = true;
                break;
            }
            profiles::VerifyOutcome outcome;
            host.BeginRun(list.ProfileNames[static_cast<size_t>(index)], nullptr);
            try {
                profiles::VerifyStoredProfile(settings, list, index, profiles::VerifyChoices(), host,
                                              outcome);
            } catch (const engine::DestinationBusyError& e) {
                host.ClearLine();
                Error(e.what());
                anyBusy = true;
                continue;
            } catch (const profiles::ProfileSettingsError& e) {
                host.ClearLine();
                Error(e.what());
                settingsError = true;
                continue;
            } catch (const std::exception& e) {
                host.ClearLine();
                Error(e.what());
                anyError = true;
                cutShort = cutShort || Interrupted;
                continue;
            }
            host.ClearLine();
            if (!outcome.disconnectError.empty())
                Error(outcome.disconnectError);
            if (outcome.notConnected) {
                anyError = true;
                continue;
            }
            for (const std::string& notice : outcome.result.Notices)
                Error(outcome.name + ": " + notice);
            PrintVerifyOutcome(out_, outcome, o_.quiet, outTerminal_);
            anyDiffers = anyDiffers || !outcome.result.Differences.empty();
            cutShort = cutShort || outcome.result.Stopped;
        }
        const int status = anyError        ? ExitRunError
                           : settingsError ? ExitUsage
                           : anyBusy       ? ExitBusy
                           : anyDiffers    ? ExitSomeFailed
                                           : ExitDone;
        return cutShort && Interrupted ? ExitInterrupted : status;
    }

    void Error(const std::string& text) {
        std::fprintf(err_, "%s: %s\n", ProgramName, Printable(text, errTerminal_).c_str());
        std::fflush(err_);
    }

    std::FILE* out_;
    std::FILE* err_;
    bool outTerminal_;
    bool errTerminal_;
    RunnerOptions o_;
};

} // namespace

std::string DesktopSettingsPath() {
    std::string base = UserConfigFolder();
    if (base.empty() || base.back() != '/')
        base += '/';
    return base + "Korimaru/" + DesktopProgram + "/" + DesktopProgram + ".ini";
}

int RunnerMain(const std::vector<std::string>& args, std::FILE* out, std::FILE* err) {
    return Runner(out, err).Main(args);
}

} // namespace hozonix::runner
