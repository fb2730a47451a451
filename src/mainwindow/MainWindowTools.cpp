// The Help menu and the network entries of the Tool menu.
#include "mainwindow/MainWindow.h"

#include "about/ProgramInfo.h"
#include "netinfo/NetCommands.h"
#include "settings/IniFile.h"
#include "ui/UiServices.h"

namespace hozonix::mainwindow {

namespace {

netinfo::ShowMessageListFn ShowIn(ui::MessageListOwner& list) {
    return [&list](const std::string& title, const std::vector<std::string>& lines) {
        list.ShowMessageList(title, lines);
    };
}

} // namespace

void MainWindow::ShowAboutBox() {
    Command([this] { about::ShowAboutBox(services_.Ui.Messages(), services_.ProgramPath); });
}

void MainWindow::OpenHomePage() {
    Command([this] {
        if (services_.Opener != nullptr)
            about::OpenHomePage(*services_.Opener);
    });
}

void MainWindow::OpenSettingsFile() {
    Command([this] {
        if (services_.Opener != nullptr)
            about::OpenSettingsFile(*services_.Opener, services_.Settings.Path());
    });
}

void MainWindow::OpenReadme() {
    Command([this] {
        if (services_.Opener != nullptr)
            about::OpenReadme(*services_.Opener, services_.DataFolder);
    });
}

void MainWindow::ShowNetworkList() {
    Command([this] {
        if (services_.Network != nullptr)
            netinfo::ShowNetworkList(*services_.Network, services_.Ui.Messages(), infoLines_,
                                     ShowIn(services_.Ui.MessageList()));
    });
}

void MainWindow::ShowHostAddress() {
    Command([this] {
        netinfo::ShowHostAddress(infoLines_, ShowIn(services_.Ui.MessageList()), services_.HostName(),
                                 services_.Resolve);
    });
}

void MainWindow::BrowseToLogOn() {
    Command([this] {
        if (services_.SelectFolder) {
            netinfo::BrowseToLogOn(services_.SelectFolder);
            return;
        }
        netinfo::BrowseToLogOn([this](const std::string& title, const std::string& initialFolder,
                                      const QPoint& position) {
            std::string folder;
            services_.Ui.FilePickers().SelectFolder(title, initialFolder, position.x(), position.y(), folder);
            return folder;
        });
    });
}

void MainWindow::ShowLoginTest() {
    Command([this] { netinfo::ShowLoginTest(this, services_.ShowLoginDialog); });
}

} // namespace hozonix::mainwindow
