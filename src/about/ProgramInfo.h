#pragma once
// The Help menu's About box and the commands that open the home page, the settings file and the readme.

#include <QDate>

#include <optional>
#include <string>

namespace hozonix {
class MessageBoxService;
}

namespace hozonix::about {

class DesktopOpener;

inline constexpr const char* HomePageUrl = "https://hozonix.example/";
inline constexpr const char* ContactEmail = "support@hozonix.example";
inline constexpr const char* ReadmeFileName = "Readme.TXT";

// The last-modification date of a file in local time; an invalid date when it cannot be read.
QDate FileModificationDate(const std::string& path);

// The About text line by line: name, empty line, version, home page, e-mail, empty line, date.
std::string AboutText(const std::string& version, const QDate& date);

// The About text for a program file: its version strings and, unless `date` is given, its
// modification date, in the locale's short date form.
std::string ProgramAboutText(const std::string& programPath, std::optional<QDate> date = std::nullopt);

// Shows the About box of the running program (or of `programPath`) as an information box.
void ShowAboutBox(MessageBoxService& messages, const std::string& programPath = {},
                  std::optional<QDate> date = std::nullopt);

// The home page in the default browser.
void OpenHomePage(DesktopOpener& opener);
// The settings file in the desktop's default editor.
void OpenSettingsFile(DesktopOpener& opener, const std::string& settingsFilePath);
// Readme.TXT of the data folder in the desktop's default editor.
void OpenReadme(DesktopOpener& opener, const std::string& dataFolder);

// dataFolder without trailing separators + "/Readme.TXT".
std::string ReadmePath(const std::string& dataFolder);

// The readme the program ships (data/Readme.TXT), UTF-8.
const char* ShippedReadmeText();

// Writes `text` as Readme.TXT into the data folder when nothing of that name is there yet. True when it
// wrote the file; raises AppError when the file cannot be written.
bool PutReadmeInPlace(const std::string& dataFolder, const std::string& text = ShippedReadmeText());

} // namespace hozonix::about
