// The Help menu and the network entries of the Tool menu.
#include "fm_FileSave.h"

#include "IniFile.h"
#include "NetCommands.h"
#include "ProgramInfo.h"
#include "UiServices.h"

namespace hozonix::ui {

namespace {

netinfo::ShowMessageListFn ShowIn(MessageListOwner& list) {
    return [&list](const std::string& title, const std::vector<std::string>& lines) {
        list.ShowMessageList(title, lines);
    };
}

} // namespace

void TfmFileSave::N2Click() {
    Command([this] { netinfo::N2Click(services_.Ui.Messages(), services_.ProgramPath); });
}

void TfmFileSave::N3Click() {
    Command([this] {
        if (services_.Opener != nullptr)
            netinfo::N3Click(*services_.Opener);
    });
}

void TfmFileSave::N4Click() {
    Command([this] {
        if (services_.Opener != nullptr)
            netinfo::N4Click(*services_.Opener, services_.Settings.Path());
    });
}

void TfmFileSave::readme1Click() {
    Command([this] {
        if (services_.Opener != nullptr)
            netinfo::readme1Click(*services_.Opener, services_.DataFolder);
    });
}

void TfmFileSave::netBrowseClick() {
    Command([this] {
        if (services_.Network != nullptr)
            netinfo::netBrowseClick(*services_.Network, services_.Ui.Messages(), InfoLines,
                                    ShowIn(services_.Ui.MessageList()));
    });
}

void TfmFileSave::NetPCClick() {
    Command([this] {
        netinfo::NetPCClick(InfoLines, ShowIn(services_.Ui.MessageList()), services_.HostName(),
                            services_.Resolve);
    });
}

void TfmFileSave::Item_LogOnClick() {
    Command([this] {
        if (services_.SelectFolder) {
            netinfo::Item_LogOnClick(services_.SelectFolder);
            return;
        }
        netinfo::Item_LogOnClick([this](const std::string& title, const std::string& initialFolder,
                                        const QPoint& position) {
            std::string folder;
            services_.Ui.FilePickers().SelectFolder(title, initialFolder, position.x(), position.y(), folder);
            return folder;
        });
    });
}

void TfmFileSave::test1Click() {
    Command([this] { netinfo::test1Click(this, services_.ShowLoginDialog); });
}

} // namespace hozonix::ui
