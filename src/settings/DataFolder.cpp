#include "settings/DataFolder.h"

#include "base/AppError.h"
#include "base/MessageBoxService.h"

#include <cerrno>
#include <cstdlib>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace hozonix {

std::string ProgramBaseNameOf(const std::string& programPath) {
    size_t slash = programPath.rfind('/');
    std::string name = slash == std::string::npos ? programPath : programPath.substr(slash + 1);
    size_t dot = name.rfind('.');
    if (dot != std::string::npos && dot > 0)
        name.erase(dot);
    return name;
}

std::string UserConfigFolder() {
    const char* xdg = std::getenv("XDG_CONFIG_HOME");
    if (xdg != nullptr && xdg[0] == '/')
        return xdg;
    const char* home = std::getenv("HOME");
    if (home != nullptr && home[0] != '\0')
        return std::string(home) + "/.config";
    if (const passwd* pw = getpwuid(getuid()); pw != nullptr && pw->pw_dir != nullptr)
        return std::string(pw->pw_dir) + "/.config";
    return "/tmp";
}

bool FolderExists(const std::string& path) {
    struct stat st {};
    return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

int CreateFolderTree(const std::string& folder) {
    if (folder.empty())
        return ENOENT;
    if (FolderExists(folder))
        return 0;
    size_t pos = 0;
    while (pos != std::string::npos) {
        pos = folder.find('/', pos + 1);
        std::string part = folder.substr(0, pos);
        if (part.empty() || FolderExists(part))
            continue;
        if (mkdir(part.c_str(), 0777) != 0 && errno != EEXIST)
            return errno;
    }
    return FolderExists(folder) ? 0 : ENOTDIR;
}

PrepareResult PrepareDataFolder(const std::string& programPath, MessageBoxService& messages,
                                const std::string& configFolder) {
    PrepareResult r;
    DataPaths& p = r.paths;
    p.ProgramBaseName = ProgramBaseNameOf(programPath);
    std::string base = configFolder;
    if (base.empty() || base.back() != '/')
        base += '/';
    p.DataFolder = base + "Korimaru/" + p.ProgramBaseName;

    if (CreateFolderTree(p.DataFolder) != 0) {
        messages.ShowMessage("INIフォルダー" + p.DataFolder + ">" + "\r\n" + "の作成に失敗しました(x.x)" +
                             "\r\n" + "プログラムを中止します");
        r.quitRequested = true;
    }
    p.SettingsFilePath = p.DataFolder + "/" + p.ProgramBaseName + ".ini";
    p.DicFolder = p.DataFolder + "/DIC";
    if (int err = CreateFolderTree(p.DicFolder); err != 0 && !r.quitRequested)
        ThrowFileError(FileAction::MakeFolder, p.DicFolder, err);
    p.TempFolder = p.DataFolder + "/TEMP";
    if (int err = CreateFolderTree(p.TempFolder); err != 0 && !r.quitRequested)
        ThrowFileError(FileAction::MakeFolder, p.TempFolder, err);
    return r;
}

} // namespace hozonix
