#include "about/VersionInfo.h"
#include "app/HozonixApplication.h"
#include "app/JapaneseTranslation.h"

#include <QApplication>
#include <QIcon>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName("Hozonix");
    QApplication::setDesktopFileName("hozonix");
    hozonix::app::InstallJapaneseQtTexts(app);
    QApplication::setWindowIcon(QIcon(":/hozonix/hozonix.png"));
    // The program ends when its main window closes, whatever other windows are still open.
    QApplication::setQuitOnLastWindowClosed(false);

    hozonix::app::ApplicationOptions options;
    options.ProgramPath = hozonix::about::CurrentProgramPath();
    hozonix::app::HozonixApplication hozonix(std::move(options));
    if (!hozonix.Start())
        return 1;
    return hozonix.Exec();
}
