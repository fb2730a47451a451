#include "app/HozonixApplication.h"

#include "about/DesktopOpener.h"
#include "about/ProgramInfo.h"
#include "base/AppError.h"
#include "mainwindow/MainWindow.h"
#include "netinfo/NetworkShares.h"
#include "netinfo/NetworkTree.h"
#include "preview/DesktopListPrinting.h"
#include "settings/IniFile.h"
#include "ui/DefaultErrorHandler.h"
#include "ui/QtWindowGeometry.h"
#include "ui/UiServices.h"
#include "wizard/ProfileWizard.h"
#include "wizard/QtProfileWizard.h"

#include <QCoreApplication>

namespace hozonix::app {

namespace {

// Answers every box without showing it: the first preparation only works out the paths, and the
// main window's reload right after it reports a failure once.
class SilentMessages : public MessageBoxService {
public:
    MessageButton Show(MessageKind, const std::string&, unsigned) override { return MessageButton::Ok; }
};

} // namespace

HozonixApplication::HozonixApplication(ApplicationOptions options)
    : options_(std::move(options)), messages_(options_.Messages ? *options_.Messages : qtMessages_) {}

HozonixApplication::~HozonixApplication() {
    window_.reset();
    wizard_.reset();
    listPrinting_.reset();
}

void HozonixApplication::PrepareDataFolderAgain() {
    PrepareResult r = PrepareDataFolder(options_.ProgramPath, messages_, options_.ConfigFolder);
    paths_ = r.paths;
    if (r.quitRequested && !quitRequested_) {
        quitRequested_ = true;
        // Once the event loop runs (a reload after the wizard), leave it; during start-up Start()
        // reports the request instead.
        QCoreApplication::exit(1);
    }
}

void HozonixApplication::PutReadme() {
    try {
        about::PutReadmeInPlace(paths_.DataFolder);
    } catch (const AppError&) {
        // Without it Help → Readme opens an empty file; that is no reason to stop the program.
    }
}

bool HozonixApplication::Start() {
    try {
        QCoreApplication::instance()->installEventFilter(&onScreen_);
        SilentMessages silent;
        PrepareResult first = PrepareDataFolder(options_.ProgramPath, silent, options_.ConfigFolder);
        paths_ = first.paths;
        if (!first.quitRequested)
            PutReadme();
        settings_ = std::make_unique<IniFile>(paths_.SettingsFilePath);
        fallback_ = ui::MeasureFallbackRect();
        ui_ = std::make_unique<ui::UiServices>(*settings_, messages_, fallback_);
        listPrinting_ = std::make_unique<preview::DesktopListPrinting>(
            *settings_, messages_, ui_->FilePickers(), fallback_, paths_.TempFolder);
        ui_->MessageList().SetPrintHandler(listPrinting_->PrintHandler());
        wizard_ = std::make_unique<wizard::QtProfileWizard>(*settings_, messages_, ui_->FilePickers(),
                                                            profiles_, fallback_, options_.RunWizard);
        network_ = std::make_unique<netinfo::NetworkTree>();
        // The folder browser's network place: the shares the network offers, found anew on each visit.
        ui_->SetNetworkDiscovery([] {
            netinfo::NetworkTree tree;
            std::vector<ui::NetworkAccess::Share> shares;
            for (const netinfo::NetworkShare& s : netinfo::ListNetworkShares(tree))
                shares.push_back({s.Name, s.Address});
            return shares;
        });
        opener_ = std::make_unique<about::XdgOpener>();

        mainwindow::MainWindowServices services{*settings_, profiles_, *ui_};
        services.PrepareDataFolder = [this] { PrepareDataFolderAgain(); };
        services.DataFolder = paths_.DataFolder;
        services.ProgramPath = options_.ProgramPath;
        // A program that is about to end opens no wizard for the user to work in.
        services.Wizard = first.quitRequested ? nullptr : wizard_.get();
        services.Network = network_.get();
        services.Opener = opener_.get();
        window_ = std::make_unique<mainwindow::MainWindow>(std::move(services));
        window_->SetClosedHandler([this] {
            // A print waits in its own event loop until its preview closes: end that wait first.
            listPrinting_->ClosePreview();
            QCoreApplication::quit();
        });
    } catch (...) {
        ui::ShowCurrentError(messages_);
        return false;
    }
    return !quitRequested_;
}

int HozonixApplication::Exec() {
    window_->show();
    return QCoreApplication::exec();
}

} // namespace hozonix::app
