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
#include "ui/ScreenPlacement.h"
#include "ui/WorkerThread.h"

#include <QCloseEvent>
#include <QCursor>
#include <QGuiApplication>
#include <QLabel>
#include <QLayout>
#include <QMenu>
#include <QScreen>
#include <QScrollBar>
#include <QSlider>
#include <QSpinBox>
#include <QStatusBar>
#include <QToolButton>

#include <algorithm>
#include <atomic>
#include <functional>
#include <memory>
#include <optional>

namespace hozonix::preview {

using report::Report;

namespace {

constexpr const char* kCaption = "レポート";
// Where the preview keeps its choices.
constexpr std::string_view kPrinterSection = "PRINTER";
constexpr std::string_view kThroughDialogKey = "Setting_Dlg";
constexpr std::string_view kSystemSection = "SYSTEM";
constexpr const char* kWaitingText = "印刷の準備中です...そのままお待ち下さい";
constexpr const char* kReadyText = "印刷できます";
constexpr const char* kNoPageText = "印刷するページがありません";
constexpr const char* kBusyPrintText = "準備中です しばらくしてからもう一度";
constexpr const char* kBusyLayoutText = "表示準備中です しばらくしてからもう一度";
constexpr const char* kCloseQuestion =
    "終了準備中です\r\nしばらくしてからもう一度印刷を試みる場合は[はい]\r\n"
    "中止する場合は[いいえ]";
constexpr const char* kReportFilter = "レポート (*.REP)|*.REP";
// The paper menu item's position in the kept paper lists.
constexpr const char* kPaperIndexProperty = "paperIndex";

constexpr int kSourceValueMask = 0xFF;

// The zoom slider's own range; a fit to the page or its width may go beyond it.
constexpr int kSliderMinimum = 40;
constexpr int kSliderMaximum = 200;

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
    // The window is only ever hidden; CloseIfAllowed decides whether it is. Not while a file is read
    // into the pages it shows.
    event->ignore();
    if (loading_)
        return;
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
    printThroughDialogItem_->setChecked(s_.settings.ReadIniString(kPrinterSection, kThroughDialogKey) !=
                                        "OFF");
    PlacePrintSettings();
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
    // Sized for its page when it opens, not at every generation: a window made smaller stays so.
    if (!isVisible())
        roomForPagePending_ = true;
    pageSpin_->setValue(1);
    disconnect(finishedConnection_);
    preview_->SetPageStore(&store);
    finishedConnection_ = connect(&store, &report::PageStore::finished, this, [this] { StoreFinished(); });
    disconnect(backgroundConnection_);
    if (Report* report = s_.state.CurrentReport) {
        backgroundConnection_ = connect(report, &Report::backgroundPrintFinished, this,
                                        [this](const QString& error, const report::PrintResult& result) {
                                            if (!error.isEmpty())
                                                s_.messages.ShowMessage(error.toStdString());
                                            else
                                                ShowPrinted(result);
                                        });
    }
    show();
    raise();
    activateWindow();
}

void PreviewWindow::MakeRoomForThePage() {
    // Wide enough for the page's width at its zoom and tall enough for the page, as far as the screen
    // allows: a window restored small, or placed by the fallback rule, shows the page and not a strip.
    QScreen* screen = QGuiApplication::screenAt(geometry().center());
    if (screen == nullptr)
        screen = QGuiApplication::primaryScreen();
    if (screen == nullptr)
        return;
    const QRect room = screen->availableGeometry();
    const int border = 2 * preview_->frameWidth();
    const QSize page = preview_->PageSizeOnScreen() + QSize(border, border);
    // The tool bar and the status bar around the page view.
    const QSize around = layout()->sizeHint() - preview_->sizeHint();
    const int barWidth = preview_->verticalScrollBar()->sizeHint().width();
    const int wanted = std::max(layout()->sizeHint().width(), page.width() + barWidth);
    const int wantedHeight = page.height() + around.height();
    // The window manager's frame goes round the window and must fit as well.
    const QMargins margins = ui::ExpectedFrame(*this);
    const QSize frame(margins.left() + margins.right(), margins.top() + margins.bottom());
    const QSize size(
        std::clamp(std::max(width(), wanted), 1, std::max(1, room.width() - frame.width())),
        std::clamp(std::max(height(), wantedHeight), 1, std::max(1, room.height() - frame.height())));
    if (size != this->size())
        resize(size);
    const QPoint placed = ui::FittedInto(QRect(pos(), size + frame), room).topLeft();
    if (placed != pos())
        move(placed);
}

void PreviewWindow::StoreFinished() {
    // A generation without any page: nothing will arrive, so let the window be closed.
    report::PageStore* store = preview_->Store();
    if (store != nullptr && store->PageCount() == 0) {
        closeButton_->setEnabled(true);
        SetStatus(QString::fromUtf8(kNoPageText));
    }
}

void PreviewWindow::PageAvailable(int pageNumber) {
    try {
        closeButton_->setEnabled(true);
        const int pages = preview_->Store() != nullptr ? preview_->Store()->PageCount() : 0;
        pageSpin_->setMaximum(pages > 0 ? pages : 1);
        s_.state.LastPageTotal = pages;
        // The print range keeps what the user typed: a report generated again starts with one page, and
        // a range past the end is cut to it only when the print is sent. Manual feed stays as chosen.
        preview_->SetZoom(zoomSlider_->value());
        if (pageNumber == 1 && roomForPagePending_) {
            roomForPagePending_ = false;
            MakeRoomForThePage();
        }
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
    ShowZoomOnSlider(preview_->Zoom());
}

void PreviewWindow::FitWidth() {
    preview_->ZoomToWidth();
    ShowZoomOnSlider(preview_->Zoom());
}

void PreviewWindow::ShowZoomOnSlider(int zoom) {
    // The slider stretches to a fit beyond its own range rather than change the zoom.
    zoomSlider_->setRange(std::min(kSliderMinimum, zoom), std::max(kSliderMaximum, zoom));
    zoomSlider_->setValue(zoom);
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
    s_.settings.WriteIniInteger(kSystemSection, "RP_Orientation",
                                report->GetOrientation() == report::Orientation::Landscape ? 1 : 0);
    s_.settings.WriteIniString(kSystemSection, "RP_PaperSize",
                               printing::PaperNameFromCode(report->PaperSize()));
    s_.settings.WriteIniString(kPrinterSection, kThroughDialogKey,
                               printThroughDialogItem_->isChecked() ? "ON" : "OFF");
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
    const QString title = report->Title().isEmpty() ? QString::fromUtf8(kCaption) : report->Title();
    report::PrintRouting routing =
        PrintRoutingFor(s_.printerInfo, s_.printJob, report->Printer().printerIndex, title.toStdString());
    if (printThroughDialogItem_->isChecked()) {
        report::PrintDestination destination{routing.printerName(report->Printer().printerIndex), {}};
        report->ShowPrinterSettingsDialog(s_.dialogs.PrintSettings(), destination);
        if (report->Tag() == 1)
            return;
        routing.pdfFile = destination.pdfFile;
        if (s_.definition.KeepPaperSource)
            ChoosePaperSourceForDialogPrint(*report);
    } else {
        report::PrinterSettings& printer = report->Printer();
        printer.firstPage = firstPageSpin_->value();
        printer.lastPage = lastPageSpin_->value();
        printer.copies = copiesSpin_->value();
        // The tray of printer setup (or of the paper-source menu) stays unless the user asks for manual
        // feed; manual feed goes only when the cassette is chosen again.
        if (manualFeedButton_->isChecked())
            printer.paperSource = report::kSourceManual;
        else if (printer.paperSource == report::kSourceManual)
            printer.paperSource = report::kSourceAuto;
    }
    s_.state.LabelSkipCount = pendingLabelSkip_;
    s_.state.LabelsSkipped = 0;
    report::PageStore* shown = preview_->Store();
    if (shown != nullptr && shown->IsFromFile()) {
        // The pages of an opened ".REP" file are what the user sees and prints, not the list generated again.
        shown->settings = report->Printer();
        shown->paperSources = report->PaperSources();
        ShowPrinted(report::PrintPages(*shown, routing));
    } else if (backgroundPrintItem_->isChecked()) {
        report->PrintInBackground(routing);
    } else {
        ShowPrinted(report->Print(routing, s_.progress));
    }
}

void PreviewWindow::ShowPrinted(const report::PrintResult& result) {
    const QString pages = QStringLiteral("%1～%2ページ").arg(result.firstPage).arg(result.lastPage);
    if (!result.pdfFile.empty())
        SetStatus(pages + QStringLiteral("を PDF ファイルに書き出しました: ") +
                  QString::fromStdString(result.pdfFile));
    else if (result.copies > 1)
        SetStatus(pages + QStringLiteral("を %1 部印刷しました").arg(result.copies));
    else
        SetStatus(pages + QStringLiteral("を印刷しました"));
}

void PreviewWindow::ChoosePaperSourceForDialogPrint(Report& report) {
    int source;
    if (manualFeedItem_->isChecked())
        source = report::kSourceManual;
    else if (s_.printerInfo.GetIndex() == s_.definition.PrinterIndex)
        source = s_.definition.PaperSource;
    else
        source = PaperSourceForBin(report, SelectedPrinterBin());
    report.Printer().paperSource = source & kSourceValueMask;
}

int PreviewWindow::SelectedPrinterBin() {
    if (!s_.printerInfo.Capabilities()[printing::kCapabilityDefaultSource])
        return report::kSourceAuto; // its printer source number is the automatic feed's too
    return s_.printerInfo.GetBinNumber();
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
    // At the pointer, but wholly on its screen: with three columns the menu is wide.
    const QPoint at = QCursor::pos();
    QScreen* screen = QGuiApplication::screenAt(at);
    if (screen == nullptr)
        screen = this->screen();
    QPoint place = at;
    if (screen != nullptr)
        place = ui::FittedInto(QRect(at, paperMenu_->sizeHint()), screen->availableGeometry()).topLeft();
    paperMenu_->popup(place);
}

void PreviewWindow::BuildPaperMenu() {
    if (buildingPaperMenu_)
        return;
    buildingPaperMenu_ = true;
    struct Guard {
        bool& flag;
        ~Guard() { flag = false; }
    } guard{buildingPaperMenu_};

    if (!s_.printerInfo.Capabilities().test(printing::kCapabilityPaperSize))
        return;
    try {
        paperNames_ = s_.printerInfo.GetPaperSizeNames();
        paperNumbers_ = s_.printerInfo.PaperNumbers();
        paperSizes_ = s_.printerInfo.PaperSizes();
        currentPaper_ = s_.printerInfo.GetPaperSizeIndex();
    } catch (const printing::PrinterInfoError&) {
        currentPaper_ = -1;
    }
    paperMenu_->Clear();
    int sinceBreak = 0;
    for (std::size_t i = 0; i < paperNames_.size(); ++i) {
        const QString name = QString::fromStdString(paperNames_[i]);
        const bool startsColumn = ++sinceBreak > 10;
        if (startsColumn)
            sinceBreak = 0;
        QAction* item = paperMenu_->AddItem(PaperCaption(i), startsColumn, [this](QAction* chosen) {
            ui::RunCommand(s_.messages, [&] { ChoosePaper(chosen); });
        });
        item->setObjectName("Val" + QString::number(i));
        item->setData(name);
        item->setProperty(kPaperIndexProperty, static_cast<int>(i));
    }
}

std::optional<printing::PaperDimensions> PreviewWindow::PaperSheet(std::size_t index) const {
    if (index < paperSizes_.size() && paperSizes_[index].width > 0 && paperSizes_[index].length > 0)
        return paperSizes_[index];
    if (index < paperNumbers_.size())
        return printing::PaperSizeOfCode(paperNumbers_[index]);
    return std::nullopt;
}

std::string PreviewWindow::PaperCaption(std::size_t index) const {
    // Japanese names for the sheets everyone knows, the printer's own text for the rest.
    if (const auto sheet = PaperSheet(index)) {
        const std::string name = printing::JapanesePaperName(sheet->width, sheet->length);
        if (!name.empty())
            return name;
    }
    return paperNames_[index];
}

void PreviewWindow::ChoosePaper(QAction* item) {
    Report* report = s_.state.CurrentReport;
    const std::string name = item->data().toString().toStdString();
    if (report == nullptr || std::find(paperNames_.begin(), paperNames_.end(), name) == paperNames_.end())
        return;
    const QVariant index = item->property(kPaperIndexProperty);
    const std::size_t at = index.isValid() ? static_cast<std::size_t>(index.toInt()) : paperNames_.size();
    const int number = at < paperNumbers_.size() ? paperNumbers_[at] : -1;
    const std::optional<printing::PaperDimensions> sheet = PaperSheet(at);
    try {
        // A paper of a known code goes by its code; a printer's own size by its sheet, so that it is laid
        // out at its real size rather than as the default paper.
        if (report::SheetSizeOfPaper(number) && number != 0)
            report->SetPaperSize(number);
        else if (sheet)
            report->SetCustomPaper(sheet->width / 100.0, sheet->length / 100.0);
        else
            report->SetPaperSize(printing::PaperCodeFromName(name));
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
    const int source = SelectedPrinterBin();
    report->PaperSources().SetUpperSource(source);
    report->Printer().paperSource = PaperSourceForBin(*report, source);
    report->Printer().printerIndex = s_.printerInfo.GetIndex();
    s_.definition.KeepPaperSource = keepPaperSourceItem_->isChecked();
    s_.definition.PaperSource = static_cast<std::int16_t>(report->Printer().paperSource);
    s_.definition.PrinterIndex = report->Printer().printerIndex;
    // Later lists of this session print on this printer and tray as well.
    s_.state.ChosenPrinter = PrinterChoice{report->Printer().printerIndex, report->Printer().paperSource,
                                           report->PaperSources().PrinterSourceNumber(report::kSourceUpper)};
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
    PlacePrintSettings();
}

void PreviewWindow::PlacePrintSettings() {
    const bool shown = !printThroughDialogItem_->isChecked();
    if (!shown) {
        printSettingsPanel_->hide();
        return;
    }
    toolbar_->removeWidget(printSettingsPanel_);
    secondRow_->removeWidget(printSettingsPanel_);
    const QRect outer = ui::OuterRect(*this);
    const int room = ui::AvailableAreaFor(outer).width() - (outer.width() - width());
    const int oneRow =
        toolbar_->sizeHint().width() + toolbar_->spacing() + printSettingsPanel_->sizeHint().width();
    if (oneRow <= room)
        toolbar_->insertWidget(toolbar_->count() - 1, printSettingsPanel_);
    else
        secondRow_->insertWidget(0, printSettingsPanel_);
    printSettingsPanel_->show();
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
    // handler shows why. Read off the window's thread, which a file of hundreds of megabytes froze for
    // seconds; the window takes no command meanwhile and cannot be closed.
    std::optional<report::PageStore::FilePages> read;
    {
        struct Loading {
            PreviewWindow& w;
            ~Loading() {
                w.loading_ = false;
                w.setEnabled(true);
                ui::SetScreenCursorBusy(false);
            }
        } loading{*this};
        loading_ = true;
        setEnabled(false);
        ui::SetScreenCursorBusy(true);
        SetStatus(QStringLiteral("レポートファイルを読み込んでいます"));
        // The count of pages read so far, shown as it grows: one update waits at a time, however fast
        // the pages come.
        struct Count {
            std::atomic<int> pages{0};
            std::atomic<bool> idle{true};
        };
        auto count = std::make_shared<Count>();
        ui::RunOnWorkerThread([&] {
            read.emplace(store->ReadFile(name, [&](int pages) {
                count->pages.store(pages);
                if (!count->idle.exchange(false))
                    return;
                QMetaObject::invokeMethod(
                    this,
                    [this, count] {
                        count->idle.store(true);
                        if (loading_)
                            SetStatus(QStringLiteral("レポートファイルを読み込んでいます（%1ページ）")
                                          .arg(count->pages.load()));
                    },
                    Qt::QueuedConnection);
            }));
        });
    }
    store->Adopt(std::move(*read));
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

} // namespace hozonix::preview
