#include "preview/PreviewWindow.h"

#include "base/AppError.h"
#include "base/MessageBoxService.h"
#include "preview/LabelSkip.h"
#include "preview/PageLayoutOpener.h"
#include "preview/PreviewPrintRouting.h"
#include "preview/PrinterInformationText.h"
#include "preview/ReportDefinition.h"
#include "printers/PaperNames.h"
#include "printers/PrinterInfo.h"
#include "settings/IniFile.h"
#include "ui/ColumnMenu.h"
#include "ui/DefaultErrorHandler.h"
#include "ui/Pickers.h"
#include "ui/QtWindowGeometry.h"
#include "ui/ScreenCursor.h"

#include <QCloseEvent>
#include <QCursor>
#include <QLabel>
#include <QMenu>
#include <QSlider>
#include <QSpinBox>
#include <QToolButton>

#include <algorithm>
#include <functional>

namespace hozonix::printing {

using report::Report;

namespace {

constexpr const char* kCaption = "レポート";
constexpr const char* kWaitingText = "印刷の準備中です...そのままお待ち下さい";
constexpr const char* kReadyText = "印刷できます";
constexpr const char* kNoPageText = "印刷するページがありません";
constexpr const char* kBusyPrintText = "準備中です しばらくしてからもう一度";
constexpr const char* kBusyLayoutText = "表示準備中です しばらくしてからもう一度";
constexpr const char* kCloseQuestion =
    "終了準備中です\r\nしばらくしてからもう一度印刷を試みる場合は[はい]\r\n"
    "中止する場合は[いいえ]";
constexpr const char* kReportFilter = "レポート (*.REP)|*.REP";

constexpr int kSourceValueMask = 0xFF;

// The paper source that prints from a printer's tray number. A tray beyond the fixed numbering (the print
// server numbers them from 256) would become some unrelated source if cut to its low byte; it goes as
// "Upper", which is made to carry its number.
int PaperSourceForBin(Report& report, int bin) {
    if (bin >= 0 && bin <= report::kSourceLast)
        return bin;
    report.PaperSources().SetUpperSource(bin);
    return report::kSourceUpper;
}

} // namespace

PreviewWindow::PreviewWindow(PreviewServices services, QWidget* parent)
    : QWidget(parent, Qt::Window), s_(services) {
    setObjectName(PlacementKey);
    setWindowTitle(QString::fromUtf8(kCaption));
    BuildControls();
    ConnectHandlers();
    PrepareControls();
}

PreviewWindow::~PreviewWindow() {
    SavePlacement();
}

template <typename Handler> void PreviewWindow::OnClick(QToolButton* button, Handler handler) {
    connect(button, &QToolButton::clicked, this,
            [this, handler] { ui::RunCommand(s_.messages, [&] { (this->*handler)(); }); });
}

template <typename Handler> void PreviewWindow::OnTrigger(QAction* action, Handler handler) {
    connect(action, &QAction::triggered, this,
            [this, handler] { ui::RunCommand(s_.messages, [&] { (this->*handler)(); }); });
}

void PreviewWindow::ConnectHandlers() {
    OnClick(closeButton_, &PreviewWindow::CloseWindow);
    OnClick(printButton_, &PreviewWindow::PrintReport);
    OnClick(pageLayoutButton_, &PreviewWindow::ShowPageLayout);
    OnClick(fitWidthButton_, &PreviewWindow::FitWidth);
    OnClick(fitPageButton_, &PreviewWindow::FitPage);
    OnClick(orientationButton_, &PreviewWindow::ToggleOrientation);
    OnClick(paperButton_, &PreviewWindow::ShowPaperMenu);
    OnClick(labelSkipButton_, &PreviewWindow::AskLabelSkip);
    OnClick(titleButton_, &PreviewWindow::ChangeTitle);
    OnClick(printerSetupButton_, &PreviewWindow::SetUpPrinter);
    OnClick(cassetteButton_, &PreviewWindow::FeedFromCassette);
    OnClick(manualFeedButton_, &PreviewWindow::FeedManually);
    OnTrigger(printThroughDialogItem_, &PreviewWindow::PrintThroughDialogChanged);
    OnTrigger(keepPaperSourceItem_, &PreviewWindow::KeepPaperSourceChanged);
    OnTrigger(backgroundPrintItem_, &PreviewWindow::BackgroundPrintChanged);
    OnTrigger(saveReportItem_, &PreviewWindow::SaveReport);
    OnTrigger(openReportItem_, &PreviewWindow::OpenReport);
    OnTrigger(printerInformationItem_, &PreviewWindow::ShowPrinterInformation);
    OnTrigger(manualFeedItem_, &PreviewWindow::ManualFeedChanged);
    for (QAction* item : paperSourceMenu_->actions()) {
        connect(item, &QAction::triggered, this,
                [this, item] { ui::RunCommand(s_.messages, [&] { ChoosePaperSource(item->text()); }); });
    }
    connect(pageSpin_, &QSpinBox::valueChanged, this, [this] { PageNumberChanged(); });
    connect(zoomSlider_, &QSlider::valueChanged, this, [this] { ZoomChanged(); });
    connect(preview_, &report::ReportPreview::pageAvailable, this, [this](int n) { PageAvailable(n); });
    connect(preview_, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& at) { fileMenu_->popup(preview_->mapToGlobal(at)); });
    for (QToolButton* button : {printButton_, printerSetupButton_}) {
        connect(button, &QWidget::customContextMenuRequested, this,
                [this, button](const QPoint& at) { paperSourceMenu_->popup(button->mapToGlobal(at)); });
    }
}

bool PreviewWindow::event(QEvent* event) {
    if (event->type() == QEvent::Show)
        PrepareForShowing();
    else if (event->type() == QEvent::WindowActivate)
        ShowNormalCursor();
    return QWidget::event(event);
}

void PreviewWindow::closeEvent(QCloseEvent* event) {
    // The window is only ever hidden; CloseIfAllowed decides whether it is.
    event->ignore();
    ui::RunCommand(s_.messages, [this] { CloseIfAllowed(); });
}

QString PreviewWindow::StatusText() const {
    return statusRight_->text();
}

void PreviewWindow::SetStatus(const QString& text) {
    statusRight_->setText(text);
}

void PreviewWindow::SetPageTools(bool enabled) {
    for (QToolButton* button : {pageLayoutButton_, fitWidthButton_, fitPageButton_, orientationButton_,
                                paperButton_, titleButton_, printButton_})
        button->setEnabled(enabled);
}

void PreviewWindow::PrepareControls() {
    setAttribute(Qt::WA_InputMethodEnabled, false);
    printThroughDialogItem_->setChecked(s_.settings.ReadIniString("PRINTER", "Setting_Dlg") != "OFF");
    printSettingsPanel_->setVisible(!printThroughDialogItem_->isChecked());
    // A printer-information error is reported, and the window still opens.
    ui::RunCommand(s_.messages, [this] { BuildPaperMenu(); });
    SetStatus(QString::fromUtf8(kWaitingText));
    SetPageTools(false);
}

void PreviewWindow::PrepareForShowing() {
    pendingLabelSkip_ = 0;
    s_.state.LabelsSkipped = 0;
    closeButton_->setEnabled(false);
    if (Report* report = s_.state.CurrentReport)
        labelSkipButton_->setEnabled(report->Setup().columns > 1);
}

void PreviewWindow::ShowNormalCursor() {
    ui::SetScreenCursorBusy(false);
}

void PreviewWindow::SavePlacement() {
    ui::QtWindowGeometry geometry(*this, PlacementKey);
    try {
        SaveWindowPlacement(s_.settings, geometry);
    } catch (const std::exception&) {
        // At program end there is no one left to tell.
    }
}

void PreviewWindow::ShowOn(report::PageStore& store) {
    pageSpin_->setValue(1);
    disconnect(finishedConnection_);
    preview_->SetPageStore(&store);
    finishedConnection_ = connect(&store, &report::PageStore::finished, this, [this] { StoreFinished(); });
    disconnect(backgroundConnection_);
    if (Report* report = s_.state.CurrentReport) {
        backgroundConnection_ =
            connect(report, &Report::backgroundPrintFinished, this, [this](const QString& error) {
                if (!error.isEmpty())
                    s_.messages.ShowMessage(error.toStdString());
            });
    }
    show();
    raise();
    activateWindow();
}

void PreviewWindow::StoreFinished() {
    // A generation without any page: nothing will arrive, so let the window be closed.
    report::PageStore* store = preview_->Store();
    if (store != nullptr && store->PageCount() == 0) {
        closeButton_->setEnabled(true);
        SetStatus(QString::fromUtf8(kNoPageText));
    }
}

void PreviewWindow::PageAvailable(int) {
    try {
        closeButton_->setEnabled(true);
        const int pages = preview_->Store() != nullptr ? preview_->Store()->PageCount() : 0;
        const int maximum = pages > 0 ? pages : 1;
        pageSpin_->setMaximum(maximum);
        s_.state.LastPageTotal = pages;
        firstPageSpin_->setMaximum(maximum);
        lastPageSpin_->setMaximum(maximum);
        preview_->SetZoom(zoomSlider_->value());
        manualFeedItem_->setChecked(s_.definition.KeepPaperSource);
        if (Report* report = s_.state.CurrentReport) {
            (report->Printer().paperSource == report::kSourceManual ? manualFeedButton_ : cassetteButton_)
                ->setChecked(true);
            setWindowTitle(report->Title().isEmpty() ? QString::fromUtf8(kCaption) : report->Title());
        }
        SetPageTools(true);
        closeButton_->setEnabled(true);
        SetStatus(QString::fromUtf8(kReadyText));
    } catch (...) {
        s_.messages.ShowMessage("Preview1PageAvailable");
    }
}

void PreviewWindow::PageNumberChanged() {
    try {
        preview_->SetPageNumber(pageSpin_->value());
        firstPageSpin_->setValue(pageSpin_->value());
    } catch (...) {
        s_.messages.ShowMessage("Page_SpinEditChange");
    }
}

void PreviewWindow::ZoomChanged() {
    try {
        preview_->SetZoom(zoomSlider_->value());
        zoomLabel_->setText(QString::number(zoomSlider_->value()) + "%");
    } catch (...) {
    }
}

void PreviewWindow::FitPage() {
    preview_->ZoomToFit();
    zoomSlider_->setValue(preview_->Zoom());
}

void PreviewWindow::FitWidth() {
    preview_->ZoomToWidth();
    zoomSlider_->setValue(preview_->Zoom());
}

void PreviewWindow::CloseWindow() {
    close();
}

void PreviewWindow::CloseIfAllowed() {
    Report* report = s_.state.CurrentReport;
    report::PageStore* store = preview_->Store();
    auto release = [&] {
        disconnect(finishedConnection_);
        preview_->SetPageStore(nullptr);
        hide();
        if (store != nullptr)
            store->Release();
    };
    if (report == nullptr) {
        release();
        return;
    }
    if (!report->IsFree()) {
        const MessageButton answer =
            s_.messages.Show(MessageKind::Confirmation, kCloseQuestion, YesButton | NoButton);
        // Hidden with the store kept, the print button would wait until the program ends: release it, which
        // also stops a generation in this thread. A background print goes on with its own pages.
        if (answer == MessageButton::No)
            release();
        return;
    }
    if (!closeButton_->isEnabled())
        return;
    pageSpin_->setValue(1);
    s_.state.LastPageTotal = 1;
    s_.state.LabelsSkipped = 0;
    s_.state.LabelSkipCount = 0;
    // The waits end even when a setting cannot be written.
    struct Release {
        std::function<void()> run;
        ~Release() { run(); }
    } releaseAtEnd{release};
    s_.settings.WriteIniInteger("SYSTEM", "RP_Orientation",
                                report->GetOrientation() == report::Orientation::Landscape ? 1 : 0);
    s_.settings.WriteIniString("SYSTEM", "RP_PaperSize", PaperNameFromCode(report->PaperSize()));
    s_.settings.WriteIniString("PRINTER", "Setting_Dlg", printThroughDialogItem_->isChecked() ? "ON" : "OFF");
}

void PreviewWindow::Regenerate() {
    Report* report = s_.state.CurrentReport;
    if (report == nullptr)
        return;
    // A preview started during a generation would take over the window and never end its wait.
    if (!report->IsFree())
        throw AppError("レポートを作成中です");
    report->Preview();
}

void PreviewWindow::PrintReport() {
    setAttribute(Qt::WA_InputMethodEnabled, false);
    Report* report = s_.state.CurrentReport;
    if (report == nullptr)
        return;
    if (!report->IsFree()) {
        s_.messages.ShowMessage(kBusyPrintText);
        return;
    }
    if (printThroughDialogItem_->isChecked()) {
        report->ShowPrinterSettingsDialog(s_.dialogs.PrintSettings());
        if (report->Tag() == 1)
            return;
        if (s_.definition.KeepPaperSource)
            ChoosePaperSourceForDialogPrint(*report);
    } else {
        report::PrinterSettings& printer = report->Printer();
        printer.firstPage = firstPageSpin_->value();
        printer.lastPage = lastPageSpin_->value();
        printer.copies = copiesSpin_->value();
        printer.paperSource = manualFeedButton_->isChecked() ? report::kSourceManual : report::kSourceAuto;
    }
    s_.state.LabelSkipCount = pendingLabelSkip_;
    s_.state.LabelsSkipped = 0;
    const QString title = report->Title().isEmpty() ? QString::fromUtf8(kCaption) : report->Title();
    const report::PrintRouting routing =
        PrintRoutingFor(s_.printerInfo, s_.printJob, report->Printer().printerIndex, title.toStdString());
    if (backgroundPrintItem_->isChecked())
        report->PrintInBackground(routing);
    else
        report->Print(routing, s_.progress);
}

void PreviewWindow::ChoosePaperSourceForDialogPrint(Report& report) {
    int source;
    if (manualFeedItem_->isChecked())
        source = report::kSourceManual;
    else if (s_.printerInfo.GetIndex() == s_.definition.PrinterIndex)
        source = s_.definition.PaperSource;
    else
        source = PaperSourceForBin(report, s_.printerInfo.GetBinNumber());
    report.Printer().paperSource = source & kSourceValueMask;
}

void PreviewWindow::ChangeTitle() {
    Report* report = s_.state.CurrentReport;
    if (report == nullptr)
        return;
    QString text = report->Title();
    s_.dialogs.InputQuery(QStringLiteral("印刷タイトル"), QStringLiteral("印刷タイトルを入力して下さい"),
                          text);
    if (text.isEmpty())
        return;
    report->SetTitle(text);
    Regenerate();
}

void PreviewWindow::ToggleOrientation() {
    Report* report = s_.state.CurrentReport;
    if (report == nullptr)
        return;
    try {
        report->SetOrientation(report->GetOrientation() == report::Orientation::Portrait
                                   ? report::Orientation::Landscape
                                   : report::Orientation::Portrait);
        Regenerate();
    } catch (...) {
        s_.messages.ShowMessage("用紙向きを変更できません");
    }
}

void PreviewWindow::ShowPaperMenu() {
    paperMenu_->popup(QCursor::pos());
}

void PreviewWindow::BuildPaperMenu() {
    if (buildingPaperMenu_)
        return;
    buildingPaperMenu_ = true;
    struct Guard {
        bool& flag;
        ~Guard() { flag = false; }
    } guard{buildingPaperMenu_};

    if (!s_.printerInfo.Capabilities().test(kCapabilityPaperSize))
        return;
    try {
        paperNames_ = s_.printerInfo.GetPaperSizeNames();
        currentPaper_ = s_.printerInfo.GetPaperSizeIndex();
    } catch (const PrinterInfoError&) {
        currentPaper_ = -1;
    }
    paperMenu_->Clear();
    int sinceBreak = 0;
    for (std::size_t i = 0; i < paperNames_.size(); ++i) {
        const QString name = QString::fromStdString(paperNames_[i]);
        const bool startsColumn = ++sinceBreak > 10;
        if (startsColumn)
            sinceBreak = 0;
        QAction* item = paperMenu_->AddItem(paperNames_[i], startsColumn, [this](QAction* chosen) {
            ui::RunCommand(s_.messages, [&] { ChoosePaper(chosen); });
        });
        item->setObjectName("Val" + QString::number(i));
        item->setData(name);
    }
}

void PreviewWindow::ChoosePaper(QAction* item) {
    Report* report = s_.state.CurrentReport;
    const std::string name = item->data().toString().toStdString();
    if (report == nullptr || std::find(paperNames_.begin(), paperNames_.end(), name) == paperNames_.end())
        return;
    try {
        report->SetPaperSize(PaperCodeFromName(name));
        report->SetOrientation(report->GetOrientation());
        Regenerate();
    } catch (...) {
        s_.messages.ShowMessage("ペーパーサイズを設定できません");
    }
}

void PreviewWindow::AskLabelSkip() {
    pageLabel_->setText(QString());
    QString text;
    const bool confirmed = s_.dialogs.InputQuery(
        QStringLiteral("ラベルのスキップ指定"), QStringLiteral("スキップするラベル数を入力して下さい"), text);
    pendingLabelSkip_ = LabelSkipCountOf(text);
    if (!confirmed)
        return;
    s_.state.LabelsSkipped = 0;
    s_.state.LabelSkipCount = pendingLabelSkip_;
    Regenerate();
}

void PreviewWindow::SetUpPrinter() {
    Report* report = s_.state.CurrentReport;
    if (report == nullptr)
        return;
    if (!s_.dialogs.PrinterSetup())
        return;
    const int source = s_.printerInfo.GetBinNumber();
    report->PaperSources().SetUpperSource(source);
    report->Printer().paperSource = PaperSourceForBin(*report, source);
    report->Printer().printerIndex = s_.printerInfo.GetIndex();
    s_.definition.KeepPaperSource = keepPaperSourceItem_->isChecked();
    s_.definition.PaperSource = static_cast<std::int16_t>(report->Printer().paperSource);
    s_.definition.PrinterIndex = report->Printer().printerIndex;
    // Before generating again, which returns only when the window closes: the menu must show the new
    // printer's papers while the window is open.
    BuildPaperMenu();
    Regenerate();
}

void PreviewWindow::ShowPageLayout() {
    Report* report = s_.state.CurrentReport;
    if (report == nullptr)
        return;
    if (!report->IsFree()) {
        s_.messages.ShowMessage(kBusyLayoutText);
        return;
    }
    if (s_.pageLayout != nullptr && s_.pageLayout->OpenPageLayout(this, *report))
        Regenerate();
}

void PreviewWindow::FeedFromCassette() {
    if (Report* report = s_.state.CurrentReport)
        report->Printer().paperSource = report::kSourceAuto;
}

void PreviewWindow::FeedManually() {
    if (Report* report = s_.state.CurrentReport)
        report->Printer().paperSource = report::kSourceManual;
}

void PreviewWindow::ChoosePaperSource(const QString& caption) {
    Report* report = s_.state.CurrentReport;
    if (report == nullptr)
        return;
    static const std::pair<const char*, int> sources[] = {
        {"First", 0},  {"Upper", 1}, {"Lower", 2},     {"Middle", 3},
        {"Manual", 4}, {"Auto", 7},  {"Cassette", 12}, {"Last", 13},
    };
    for (const auto& [name, value] : sources) {
        if (caption == QLatin1String(name)) {
            report->Printer().paperSource = value;
            return;
        }
    }
    s_.messages.ShowMessage(caption.toStdString());
}

void PreviewWindow::PrintThroughDialogChanged() {
    printSettingsPanel_->setVisible(!printThroughDialogItem_->isChecked());
}

void PreviewWindow::KeepPaperSourceChanged() {
    s_.definition.KeepPaperSource = keepPaperSourceItem_->isChecked();
}

void PreviewWindow::SaveReport() {
    if (s_.state.CurrentReport == nullptr)
        return;
    const std::string name = s_.pickers.AskSaveFileName("レポートを保存", "", "REP", kReportFilter);
    report::PageStore* store = preview_->Store();
    if (!name.empty() && store != nullptr && store->IsFinished())
        store->Save(name);
}

void PreviewWindow::OpenReport() {
    const std::string name = s_.pickers.AskOpenFileName("レポートを開く", "", "REP", kReportFilter);
    if (name.empty())
        return;
    report::PageStore* store = preview_->Store();
    if (store == nullptr)
        return;
    // A refused file raises before anything changes: the pages shown stay, and the command's error
    // handler shows why.
    store->Load(name);
    store->Preview();
}

void PreviewWindow::ShowPrinterInformation() {
    Report* report = s_.state.CurrentReport;
    if (report == nullptr)
        return;
    const PrinterMessageFacts facts{report->PaperSize(), report->Printer().paperSource,
                                    s_.printerInfo.GetIndex()};
    s_.messages.ShowMessage(PrinterInformationText(facts, s_.definition));
}

} // namespace hozonix::printing
