#pragma once
// Where the program keeps its settings: $XDG_CONFIG_HOME (else ~/.config) + "/Korimaru/" + the program's
// own file name without extension. A copy of the program under another name gets its own folder.

#include <string>

namespace hozonix {

class MessageBoxService;

struct DataPaths {
    std::string ProgramBaseName;
    std::string DataFolder;
    std::string SettingsFilePath;
    std::string DicFolder;
    std::string TempFolder;
};

// The file name without folder and without its last extension ("/usr/bin/Other.bin" gives "Other").
std::string ProgramBaseNameOf(const std::string& programPath);

// The per-user configuration folder: $XDG_CONFIG_HOME when it is an absolute path, else $HOME/.config,
// else the password database's home folder + "/.config".
std::string UserConfigFolder();

struct PrepareResult {
    DataPaths paths;
    // The data folder could not be made: the message was shown and the program must end once its
    // start-up is complete.
    bool quitRequested = false;
};

// Works out the paths and creates the data folder, "DIC" and "TEMP" with any missing parents. Can be
// repeated without harm. A data folder that cannot be made is reported through `messages`; a "DIC" or
// "TEMP" folder that cannot be made raises an AppError with the platform's text.
PrepareResult PrepareDataFolder(const std::string& programPath, MessageBoxService& messages,
                                const std::string& configFolder = UserConfigFolder());

// Creates a folder with all missing parents. Returns 0 or the errno value of the failure.
int CreateFolderTree(const std::string& folder);

// True when the path names an existing folder (after following links).
bool FolderExists(const std::string& path);

} // namespace hozonix
