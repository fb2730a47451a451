#include "Repo_View.h"

#include "AppError.h"
#include "ColumnMenu.h"
#include "DefaultErrorHandler.h"
#include "IniFile.h"
#include "MessageBoxService.h"
#include "PageLayoutOpener.h"
#include "PaperNames.h"
#include "Pickers.h"
#include "PrevFormLabelSkip.h"
#include "PrevFormPrintRouting.h"
#include "PrevFormPrinterMessage.h"
#include "PrinterInfo.h"
#include "QtWindowGeometry.h"
#include "ReportDefinition.h"
#include "ScreenCursor.h"

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

constexpr const char* kWindowName = "PrevForm";
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

TPrevForm::TPrevForm(PrevFormServices services, QWidget* parent) : QWidget(parent, Qt::Window), s_(services) {
    setObjectName(kWindowName);
    setWindowTitle(QString::fromUtf8(kCaption));
    BuildControls();
    ConnectHandlers();
    FormCreate();
}

TPrevForm::~TPrevForm() {
    FormDestroy();
}

template <typename Handler> void TPrevForm::OnClick(QToolButton* button, Handler handler) {
    connect(button, &QToolButton::clicked, this,
            [this, handler] { ui::RunCommand(s_.messages, [&] { (this->*handler)(); }); });
}

template <typename Handler> void TPrevForm::OnTrigger(QAction* action, Handler handler) {
    connect(action, &QAction::triggered, this,
            [this, handler] { ui::RunCommand(s_.messages, [&] { (this->*handler)(); }); });
}

void TPrevForm::ConnectHandlers() {
    OnClick(Close_Btn, &TPrevForm::Close_BtnClick);
    OnClick(Print_Btn, &TPrevForm::Print_BtnClick);
    OnClick(ReSize_Btn, &TPrevForm::ReSize_BtnClick);
    OnClick(ToWidth_Btn, &TPrevForm::ToWidth_BtnClick);
    OnClick(ToFit_Btn, &TPrevForm::ToFit_BtnClick);
    OnClick(Layout_Btn, &TPrevForm::Layout_BtnClick);
    OnClick(Size_Btn, &TPrevForm::Size_BtnClick);
    OnClick(Label_Btn, &TPrevForm::Label_BtnClick);
    OnClick(Title_Btn, &TPrevForm::Title_BtnClick);
    OnClick(PrinterSet_Btn, &TPrevForm::PrinterSet_BtnClick);
    OnClick(Caset_Btn, &TPrevForm::Caset_BtnClick);
    OnClick(Manual_Btn, &TPrevForm::Manual_BtnClick);
    OnTrigger(Print_Dlg, &TPrevForm::Print_DlgClick);
    OnTrigger(CK_OutputBin, &TPrevForm::CK_OutputBinClick);
    OnTrigger(Print_BK, &TPrevForm::Print_BKClick);
    OnTrigger(Save_Rep, &TPrevForm::Save_RepClick);
    OnTrigger(Open_Rep, &TPrevForm::Open_RepClick);
    OnTrigger(View_PrinterStaus, &TPrevForm::View_PrinterStausClick);
    OnTrigger(Bin_Manual, &TPrevForm::Bin_ManualClick);
    for (QAction* item : OutputBin_Popup->actions()) {
        connect(item, &QAction::triggered, this,
                [this, item] { ui::RunCommand(s_.messages, [&] { First2Click(item->text()); }); });
    }
    connect(Page_SpinEdit, &QSpinBox::valueChanged, this, [this] { Page_SpinEditChange(); });
    connect(Zoom_TrackBar, &QSlider::valueChanged, this, [this] { Zoom_TrackBarChange(); });
    connect(Preview1, &report::ReportPreview::pageAvailable, this,
            [this](int n) { Preview1PageAvailable(n); });
    connect(Preview1, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& at) { File_Popup->popup(Preview1->mapToGlobal(at)); });
    for (QToolButton* button : {Print_Btn, PrinterSet_Btn}) {
        connect(button, &QWidget::customContextMenuRequested, this,
                [this, button](const QPoint& at) { OutputBin_Popup->popup(button->mapToGlobal(at)); });
    }
}

bool TPrevForm::event(QEvent* event) {
    if (event->type() == QEvent::Show)
        FormShow();
    else if (event->type() == QEvent::WindowActivate)
        FormActivate();
    return QWidget::event(event);
}

void TPrevForm::closeEvent(QCloseEvent* event) {
    // The window is only ever hidden; FormClose decides whether it is.
    event->ignore();
    ui::RunCommand(s_.messages, [this] { FormClose(); });
}

QString TPrevForm::StatusText() const {
    return statusRight_->text();
}

void TPrevForm::SetStatus(const QString& text) {
    statusRight_->setText(text);
}

void TPrevForm::SetPageTools(bool enabled) {
    for (QToolButton* button :
         {ReSize_Btn, ToWidth_Btn, ToFit_Btn, Layout_Btn, Size_Btn, Title_Btn, Print_Btn})
        button->setEnabled(enabled);
}

void TPrevForm::FormCreate() {
    setAttribute(Qt::WA_InputMethodEnabled, false);
    Print_Dlg->setChecked(s_.settings.ReadIniString("PRINTER", "Setting_Dlg") != "OFF");
    Setting_Panel->setVisible(!Print_Dlg->isChecked());
    // A printer-information error is reported, and the window still opens.
    ui::RunCommand(s_.messages, [this] { BuildPaperMenu(); });
    SetStatus(QString::fromUtf8(kWaitingText));
    SetPageTools(false);
}

void TPrevForm::FormShow() {
    pendingLabelSkip_ = 0;
    s_.state.LabelsSkipped = 0;
    Close_Btn->setEnabled(false);
    if (Report* report = s_.state.CurrentReport)
        Label_Btn->setEnabled(report->Setup().columns > 1);
}

void TPrevForm::FormActivate() {
    ui::SetScreenCursorBusy(false);
}

void TPrevForm::FormDestroy() {
    ui::QtWindowGeometry geometry(*this, kWindowName);
    try {
        SaveWindowPlacement(s_.settings, geometry);
    } catch (const std::exception&) {
        // At program end there is no one left to tell.
    }
}

void TPrevForm::ShowOn(report::PageStore& store) {
    Page_SpinEdit->setValue(1);
    disconnect(finishedConnection_);
    Preview1->SetPageStore(&store);
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

void TPrevForm::StoreFinished() {
    // A generation without any page: nothing will arrive, so let the window be closed.
    report::PageStore* store = Preview1->Store();
    if (store != nullptr && store->PageCount() == 0) {
        Close_Btn->setEnabled(true);
        SetStatus(QString::fromUtf8(kNoPageText));
    }
}

void TPrevForm::Preview1PageAvailable(int) {
    try {
        Close_Btn->setEnabled(true);
        const int pages = Preview1->Store() != nullptr ? Preview1->Store()->PageCount() : 0;
        const int maximum = pages > 0 ? pages : 1;
        Page_SpinEdit->setMaximum(maximum);
        s_.state.LastPageTotal = pages;
        FirstPage_Edit->setMaximum(maximum);
        LastPage_Edit->setMaximum(maximum);
        Preview1->SetZoom(Zoom_TrackBar->value());
        Bin_Manual->setChecked(s_.definition.CK_OUTPUTBIN);
        if (Report* report = s_.state.CurrentReport) {
            (report->Printer().paperSource == report::kSourceManual ? Manual_Btn : Caset_Btn)
                ->setChecked(true);
            setWindowTitle(report->Title().isEmpty() ? QString::fromUtf8(kCaption) : report->Title());
        }
        SetPageTools(true);
        Close_Btn->setEnabled(true);
        SetStatus(QString::fromUtf8(kReadyText));
    } catch (...) {
        s_.messages.ShowMessage("Preview1PageAvailable");
    }
}

void TPrevForm::Page_SpinEditChange() {
    try {
        Preview1->SetPageNumber(Page_SpinEdit->value());
        FirstPage_Edit->setValue(Page_SpinEdit->value());
    } catch (...) {
        s_.messages.ShowMessage("Page_SpinEditChange");
    }
}

void TPrevForm::Zoom_TrackBarChange() {
    try {
        Preview1->SetZoom(Zoom_TrackBar->value());
        lb_Zoom->setText(QString::number(Zoom_TrackBar->value()) + "%");
    } catch (...) {
    }
}

void TPrevForm::ToFit_BtnClick() {
    Preview1->ZoomToFit();
    Zoom_TrackBar->setValue(Preview1->Zoom());
}

void TPrevForm::ToWidth_BtnClick() {
    Preview1->ZoomToWidth();
    Zoom_TrackBar->setValue(Preview1->Zoom());
}

void TPrevForm::Close_BtnClick() {
    close();
}

void TPrevForm::FormClose() {
    Report* report = s_.state.CurrentReport;
    report::PageStore* store = Preview1->Store();
    auto release = [&] {
        disconnect(finishedConnection_);
        Preview1->SetPageStore(nullptr);
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
    if (!Close_Btn->isEnabled())
        return;
    Page_SpinEdit->setValue(1);
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
    s_.settings.WriteIniString("PRINTER", "Setting_Dlg", Print_Dlg->isChecked() ? "ON" : "OFF");
}

void TPrevForm::Regenerate() {
    Report* report = s_.state.CurrentReport;
    if (report == nullptr)
        return;
    // A preview started during a generation would take over the window and never end its wait.
    if (!report->IsFree())
        throw AppError("レポートを作成中です");
    report->Preview();
}

void TPrevForm::Print_BtnClick() {
    setAttribute(Qt::WA_InputMethodEnabled, false);
    Report* report = s_.state.CurrentReport;
    if (report == nullptr)
        return;
    if (!report->IsFree()) {
        s_.messages.ShowMessage(kBusyPrintText);
        return;
    }
    if (Print_Dlg->isChecked()) {
        report->ShowPrinterSettingsDialog(s_.dialogs.PrintSettings());
        if (report->Tag() == 1)
            return;
        if (s_.definition.CK_OUTPUTBIN)
            ChoosePaperSourceForDialogPrint(*report);
    } else {
        report::PrinterSettings& printer = report->Printer();
        printer.firstPage = FirstPage_Edit->value();
        printer.lastPage = LastPage_Edit->value();
        printer.copies = Copies_Edit->value();
        printer.paperSource = Manual_Btn->isChecked() ? report::kSourceManual : report::kSourceAuto;
    }
    s_.state.LabelSkipCount = pendingLabelSkip_;
    s_.state.LabelsSkipped = 0;
    const QString title = report->Title().isEmpty() ? QString::fromUtf8(kCaption) : report->Title();
    const report::PrintRouting routing =
        PrintRoutingFor(s_.printerInfo, s_.printJob, report->Printer().printerIndex, title.toStdString());
    if (Print_BK->isChecked())
        report->PrintInBackground(routing);
    else
        report->Print(routing, s_.progress);
}

void TPrevForm::ChoosePaperSourceForDialogPrint(Report& report) {
    int source;
    if (Bin_Manual->isChecked())
        source = report::kSourceManual;
    else if (s_.printerInfo.GetIndex() == s_.definition.PRINTER_INDEX)
        source = s_.definition.OUTPUTBIN_NO;
    else
        source = PaperSourceForBin(report, s_.printerInfo.GetBinNumber());
    report.Printer().paperSource = source & kSourceValueMask;
}

void TPrevForm::Title_BtnClick() {
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

void TPrevForm::Layout_BtnClick() {
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

void TPrevForm::Size_BtnClick() {
    Paper_Popup->popup(QCursor::pos());
}

void TPrevForm::BuildPaperMenu() {
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
    } catch (const EPrinterInfo&) {
        currentPaper_ = -1;
    }
    Paper_Popup->Clear();
    int sinceBreak = 0;
    for (std::size_t i = 0; i < paperNames_.size(); ++i) {
        const QString name = QString::fromStdString(paperNames_[i]);
        const bool startsColumn = ++sinceBreak > 10;
        if (startsColumn)
            sinceBreak = 0;
        QAction* item = Paper_Popup->AddItem(paperNames_[i], startsColumn, [this](QAction* chosen) {
            ui::RunCommand(s_.messages, [&] { PaperClick(chosen); });
        });
        item->setObjectName("Val" + QString::number(i));
        item->setData(name);
    }
}

void TPrevForm::PaperClick(QAction* item) {
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

void TPrevForm::Label_BtnClick() {
    Label1->setText(QString());
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

void TPrevForm::PrinterSet_BtnClick() {
    Report* report = s_.state.CurrentReport;
    if (report == nullptr)
        return;
    if (!s_.dialogs.PrinterSetup())
        return;
    const int source = s_.printerInfo.GetBinNumber();
    report->PaperSources().SetUpperSource(source);
    report->Printer().paperSource = PaperSourceForBin(*report, source);
    report->Printer().printerIndex = s_.printerInfo.GetIndex();
    s_.definition.CK_OUTPUTBIN = CK_OutputBin->isChecked();
    s_.definition.OUTPUTBIN_NO = static_cast<std::int16_t>(report->Printer().paperSource);
    s_.definition.PRINTER_INDEX = report->Printer().printerIndex;
    // Before generating again, which returns only when the window closes: the menu must show the new
    // printer's papers while the window is open.
    BuildPaperMenu();
    Regenerate();
}

void TPrevForm::ReSize_BtnClick() {
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

void TPrevForm::Caset_BtnClick() {
    if (Report* report = s_.state.CurrentReport)
        report->Printer().paperSource = report::kSourceAuto;
}

void TPrevForm::Manual_BtnClick() {
    if (Report* report = s_.state.CurrentReport)
        report->Printer().paperSource = report::kSourceManual;
}

void TPrevForm::First2Click(const QString& caption) {
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

void TPrevForm::Print_DlgClick() {
    Setting_Panel->setVisible(!Print_Dlg->isChecked());
}

void TPrevForm::CK_OutputBinClick() {
    s_.definition.CK_OUTPUTBIN = CK_OutputBin->isChecked();
}

void TPrevForm::Save_RepClick() {
    if (s_.state.CurrentReport == nullptr)
        return;
    const std::string name = s_.pickers.AskSaveFileName("レポートを保存", "", "REP", kReportFilter);
    report::PageStore* store = Preview1->Store();
    if (!name.empty() && store != nullptr && store->IsFinished())
        store->Save(name);
}

void TPrevForm::Open_RepClick() {
    const std::string name = s_.pickers.AskOpenFileName("レポートを開く", "", "REP", kReportFilter);
    if (name.empty())
        return;
    report::PageStore* store = Preview1->Store();
    if (store == nullptr)
        return;
    // A refused file raises before anything changes: the pages shown stay, and the command's error
    // handler shows why.
    store->Load(name);
    store->Preview();
}

void TPrevForm::View_PrinterStausClick() {
    Report* report = s_.state.CurrentReport;
    if (report == nullptr)
        return;
    const PrinterMessageFacts facts{report->PaperSize(), report->Printer().paperSource,
                                    s_.printerInfo.GetIndex()};
    s_.messages.ShowMessage(PrinterInformationText(facts, s_.definition));
}

} // namespace hozonix::printing
