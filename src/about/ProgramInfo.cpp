#include "about/ProgramInfo.h"

#include "about/DesktopOpener.h"
#include "about/VersionInfo.h"
#include "base/AtomicFile.h"
#include "base/MessageBoxService.h"

#include <QDateTime>
#include <QLocale>

#include <cerrno>
#include <sys/stat.h>

namespace hozonix::about {

QDate FileModificationDate(const std::string& path) {
    struct stat st {};
    if (stat(path.c_str(), &st) != 0)
        return {};
    return QDateTime::fromSecsSinceEpoch(st.st_mtim.tv_sec).date();
}

std::string AboutText(const std::string& version, const QDate& date) {
    std::string dateText = QLocale().toString(date, QLocale::ShortFormat).toStdString();
    return std::string("Hozonix\r\n\r\n バージョン: ") + version + "\r\n" + "URL    " + HomePageUrl + "\r\n" +
           "E-Mail " + ContactEmail + "\r\n" + "\r\n" + "最終更新日 " + dateText;
}

std::string ProgramAboutText(const std::string& programPath, std::optional<QDate> date) {
    return AboutText(ReadFileVersion(programPath), date ? *date : FileModificationDate(programPath));
}

void ShowAboutBox(MessageBoxService& messages, const std::string& programPath, std::optional<QDate> date) {
    std::string path = programPath.empty() ? CurrentProgramPath() : programPath;
    messages.Show(MessageKind::Information, ProgramAboutText(path, date), OkButton);
}

std::string ReadmePath(const std::string& dataFolder) {
    std::string folder = dataFolder;
    while (folder.size() > 1 && folder.back() == '/')
        folder.pop_back();
    if (folder == "/")
        folder.clear();
    return folder + "/" + ReadmeFileName;
}

bool PutReadmeInPlace(const std::string& dataFolder, const std::string& text) {
    const std::string path = ReadmePath(dataFolder);
    struct stat st {};
    // The user's own readme, or anything else of that name, stays as it is.
    if (lstat(path.c_str(), &st) == 0 || errno != ENOENT)
        return false;
    ReplaceFileAtomically(path, text);
    return true;
}

void OpenHomePage(DesktopOpener& opener) {
    opener.Open(HomePageUrl);
}

void OpenSettingsFile(DesktopOpener& opener, const std::string& settingsFilePath) {
    opener.Open(settingsFilePath);
}

void OpenReadme(DesktopOpener& opener, const std::string& dataFolder) {
    opener.Open(ReadmePath(dataFolder));
}

} // namespace hozonix::about
