#include "RunnerMain.h"

#include "AppError.h"
#include "AtomicFile.h"
#include "ConsoleHost.h"
#include "DataFolder.h"
#include "HelpText.h"
#include "IniFile.h"
#include "Interrupt.h"
#include "ProfileListing.h"
#include "ProfileRun.h"
#include "RunReport.h"
#include "RunnerOptions.h"
#include "TerminalText.h"

#include <cerrno>
#include <sys/ioctl.h>
#include <unistd.h>

namespace hozonix::runner {

namespace {

constexpr char DesktopProgram[] = "hozonix";
constexpr char NothingTicked[] = "保存プロファイルをひとつ以上チェックしてください";

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
        return RunAll(settings, list, chosen);
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
            const int index = FindProfile(list, name);
            if (index < 0) {
                Error("no profile named '" + name + "' in " + settings.Path() + " (see " + ProgramName +
                      " --list)");
                return false;
            }
            chosen.push_back(index);
        }
        return true;
    }

    int RunAll(IniFile& settings, const ProfileList& list, const std::vector<int>& chosen) {
        const OutputStyle style = o_.quiet       ? OutputStyle::Quiet
                                  : outTerminal_ ? OutputStyle::Live
                                                 : OutputStyle::Plain;
        ConsoleHost host(out_, err_, style);
        winsize ws{};
        if (outTerminal_ && ioctl(fileno(out_), TIOCGWINSZ, &ws) == 0 && ws.ws_col > 0)
            host.SetColumns(ws.ws_col);
        const RunChoices choices{o_.careful, o_.dryRun, o_.threshold};

        int status = ExitDone;
        std::vector<ProfileOutcome> outcomes;
        for (int index : chosen) {
            if (Interrupted)
                break;
            ProfileOutcome& outcome = outcomes.emplace_back();
            host.BeginRun(list.ProfileNames[static_cast<size_t>(index)], &outcome.figures);
            bool ended = false;
            try {
                RunStoredProfile(settings, list, index, choices, host, outcome);
            } catch (const std::exception& e) {
                host.ClearLine();
                Error(e.what());
                ended = true;
            }
            host.ClearLine();
            PrintOutcome(out_, outcome, o_.dryRun, o_.quiet, outTerminal_);
            if (ended || outcome.destinationMissing)
                status = ExitRunError;
            else if (!outcome.failed.empty() && status == ExitDone)
                status = ExitSomeFailed;
            if (ended)
                break; // as when running all ticked profiles: an error ends the whole command
        }
        if (!o_.outputFolder.empty()) {
            try {
                SaveLists(o_.outputFolder, outcomes);
            } catch (const std::exception& e) {
                Error(e.what());
                status = ExitRunError;
            }
        }
        return Interrupted ? ExitInterrupted : status;
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
