#include "app/HozonixApplication.h"
#include "app/JapaneseTranslation.h"
#include "netinfo/VersionInfo.h"

#include <QApplication>
#include <QIcon>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName("Hozonix");
    QApplication::setDesktopFileName("hozonix");
    hozonix::ui::InstallJapaneseQtTexts(app);
    QApplication::setWindowIcon(QIcon(":/hozonix/hozonix.png"));
    // The program ends when its main window closes, whatever other windows are still open.
    QApplication::setQuitOnLastWindowClosed(false);

    hozonix::ui::ApplicationOptions options;
    options.ProgramPath = hozonix::netinfo::CurrentProgramPath();
    hozonix::ui::HozonixApplication hozonix(std::move(options));
    if (!hozonix.Start())
        return 1;
    return hozonix.Exec();
}
