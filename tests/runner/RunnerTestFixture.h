#pragma once
// A private settings file, source and destination folders for end-to-end runs of hozonix-run.

#include "settings/IniFile.h"

#include "RunnerProcess.h"
#include "TempFolder.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace hozonix::test {

class RunnerTest : public ::testing::Test {
protected:
    void SetUp() override {
        src = dir / "src";
        dst = dir / "dst";
        settingsPath = dir / "settings.ini";
        mkdir(src.c_str(), 0755);
        mkdir(dst.c_str(), 0755);
        mkdir((dir / "run").c_str(), 0755);
    }

    // Stores profiles as the desktop program does: "MAX", then "ID_nn" and "NAME_nn".
    void StoreProfiles(const std::vector<std::pair<std::string, std::string>>& profiles) {
        IniFile ini(settingsPath);
        ini.WriteInteger("File_Action", "MAX", static_cast<int>(profiles.size()));
        for (size_t i = 0; i < profiles.size(); ++i) {
            const std::string n = (i + 1 < 10 ? "0" : "") + std::to_string(i + 1);
            ini.WriteString("File_Action", "ID_" + n, profiles[i].second);
            ini.WriteString("File_Action", "NAME_" + n, profiles[i].first);
        }
    }
    void StoreProfile(const std::string& name = "Docs") {
        StoreProfiles({{name, src + ">>" + dst + ">><<"}});
    }

    std::string LastRun(const std::string& name = "Docs") const {
        return IniFile(settingsPath).ReadIniString("LAST_UpDateTime", name);
    }

    ProcessResult Run(std::vector<std::string> args) {
        args.insert(args.begin(), "--settings=" + settingsPath);
        return RunRunner(args, dir / "run");
    }

    TempFolder dir;
    std::string src;
    std::string dst;
    std::string settingsPath;
};

} // namespace hozonix::test
