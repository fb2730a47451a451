#pragma once
// The print preview window: a generated report page by page, with the tools to change its title, paper,
// orientation, margins and printer, to print it, and to save and load its pages. Created once, hidden
// when closed, reused for every later print.
//
// Several tools end by generating the report again. That is a preview call of its own which waits, with
// window events handled, until the window is closed: the handler that started it returns only then, and
// closing ends every such wait together.

#include "preview/PreviewServices.h"
#include "printers/MediaMapping.h"
#include "report/ReportPreview.h"
#include "report/ReportPrinting.h"

#include <QWidget>

#include <optional>
#include <string>
#include <vector>

class QAction;
class QHBoxLayout;
class QLabel;
class QMenu;
class QSlider;
class QSpinBox;
class QStatusBar;
class QToolButton;

namespace hozonix::ui {
class ColumnMenu;
}

namespace hozonix::preview {

class PreviewWindow : public QWidget {
public:
    // The window's key under "LAST_Position".
    static constexpr const char* PlacementKey = "PrevForm";

    explicit PreviewWindow(PreviewServices services, QWidget* parent = nullptr);
    ~PreviewWindow() override;

    // The tool bar, the print settings beside it, the page view and the menus.
    QToolButton* CloseButton() const { return closeButton_; }
    QToolButton* PrintButton() const { return printButton_; }
    QLabel* PageLabel() const { return pageLabel_; }
    QSpinBox* PageSpin() const { return pageSpin_; }
    QLabel* ZoomLabel() const { return zoomLabel_; }
    QSlider* ZoomSlider() const { return zoomSlider_; }
    QToolButton* PageLayoutButton() const { return pageLayoutButton_; }
    QToolButton* FitWidthButton() const { return fitWidthButton_; }
    QToolButton* FitPageButton() const { return fitPageButton_; }
    QToolButton* OrientationButton() const { return orientationButton_; }
    QToolButton* PaperButton() const { return paperButton_; }
    QToolButton* LabelSkipButton() const { return labelSkipButton_; }
    QToolButton* TitleButton() const { return titleButton_; }
    QToolButton* PrinterSetupButton() const { return printerSetupButton_; }
    QWidget* PrintSettingsPanel() const { return printSettingsPanel_; }
    QToolButton* CassetteButton() const { return cassetteButton_; }
    QToolButton* ManualFeedButton() const { return manualFeedButton_; }
    QSpinBox* FirstPageSpin() const { return firstPageSpin_; }
    QSpinBox* LastPageSpin() const { return lastPageSpin_; }
    QSpinBox* CopiesSpin() const { return copiesSpin_; }
    report::ReportPreview* Preview() const { return preview_; }
    QAction* PrintThroughDialogItem() const { return printThroughDialogItem_; }
    QAction* BackgroundPrintItem() const { return backgroundPrintItem_; }
    QAction* SaveReportItem() const { return saveReportItem_; }
    QAction* OpenReportItem() const { return openReportItem_; }
    QAction* PrinterInformationItem() const { return printerInformationItem_; }
    QAction* ManualFeedItem() const { return manualFeedItem_; }
    QMenu* PaperSourceMenu() const { return paperSourceMenu_; }
    ui::ColumnMenu* PaperMenu() const { return paperMenu_; }

    QString StatusText() const;
    int PendingLabelSkipCount() const { return pendingLabelSkip_; }
    const std::vector<std::string>& KeptPaperNames() const { return paperNames_; }
    // The position of the current paper in the kept names, -1 when there is none.
    int CurrentPaperIndex() const { return currentPaper_; }

    // Attaches a new page store and shows the window (ShowPreview's part).
    void ShowOn(report::PageStore& store);

    // The handlers of the controls, each named for what it does.
    void PageAvailable(int pageNumber);
    void PageNumberChanged();
    void ZoomChanged();
    void FitPage();
    void FitWidth();
    void PrintReport();
    void CloseWindow();
    void ChangeTitle();
    void ToggleOrientation();
    void ShowPaperMenu();
    void AskLabelSkip();
    void SetUpPrinter();
    void ShowPageLayout();
    void FeedFromCassette();
    void FeedManually();
    void ChoosePaperSource(const QString& caption);
    void PrintThroughDialogChanged();
    void KeepPaperSourceChanged();
    void ManualFeedChanged() {}
    void BackgroundPrintChanged() {}
    void SaveReport();
    void OpenReport();
    void ShowPrinterInformation();
    // A paper item of paperMenu_.
    void ChoosePaper(QAction* item);

    // Builds paperMenu_ from the selected printer's paper names.
    void BuildPaperMenu();

protected:
    bool event(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void PrepareControls();
    void PrepareForShowing();
    void ShowNormalCursor();
    // Closing hides the window and releases its pages (asking first while the report is generating)
    // and stores the orientation, the paper and the print-dialog choice.
    void CloseIfAllowed();
    void SavePlacement();
    void BuildControls();
    void ConnectHandlers();
    template <typename Handler> void OnClick(QToolButton* button, Handler handler);
    template <typename Handler> void OnTrigger(QAction* action, Handler handler);
    void SetStatus(const QString& text);
    // Tells in the status bar which pages went where.
    void ShowPrinted(const report::PrintResult& result);
    void ShowZoomOnSlider(int zoom);
    void MakeRoomForThePage();
    // Shows the print settings when printing goes past the dialog: on the tool bar's row where the
    // screen has room for it, else on a row of their own below it.
    void PlacePrintSettings();
    std::optional<printing::PaperDimensions> PaperSheet(std::size_t index) const;
    std::string PaperCaption(std::size_t index) const;
    void SetPageTools(bool enabled);
    void Regenerate();
    void StoreFinished();
    void ChoosePaperSourceForDialogPrint(report::Report& report);
    // The selected printer's default tray; automatic feed for a printer without trays (a PDF queue),
    // which has none to name.
    int SelectedPrinterBin();

    PreviewServices s_;
    QLabel* statusLeft_;
    QLabel* statusRight_;
    int pendingLabelSkip_ = 0;
    bool buildingPaperMenu_ = false;
    std::vector<std::string> paperNames_;
    std::vector<std::uint16_t> paperNumbers_;
    std::vector<printing::PaperDimensions> paperSizes_;
    int currentPaper_ = -1;
    bool roomForPagePending_ = false;
    bool loading_ = false; // a report file is being read
    QMetaObject::Connection finishedConnection_;
    QMetaObject::Connection backgroundConnection_;

    QToolButton* closeButton_;
    QToolButton* printButton_;
    QLabel* pageLabel_;
    QSpinBox* pageSpin_;
    QLabel* zoomLabel_;
    QSlider* zoomSlider_;
    QToolButton* pageLayoutButton_;
    QToolButton* fitWidthButton_;
    QToolButton* fitPageButton_;
    QToolButton* orientationButton_;
    QToolButton* paperButton_;
    QToolButton* labelSkipButton_;
    QToolButton* titleButton_;
    QToolButton* printerSetupButton_;
    QWidget* printSettingsPanel_;
    QHBoxLayout* toolbar_;
    QHBoxLayout* secondRow_;
    QToolButton* cassetteButton_;
    QToolButton* manualFeedButton_;
    QSpinBox* firstPageSpin_;
    QLabel* pageRangeDash_;
    QSpinBox* lastPageSpin_;
    QLabel* copiesLabel_;
    QSpinBox* copiesSpin_;
    report::ReportPreview* preview_;
    QStatusBar* statusBar_;

    QMenu* fileMenu_;
    QAction* printThroughDialogItem_;
    QAction* keepPaperSourceItem_;
    QAction* backgroundPrintItem_;
    QAction* saveReportItem_;
    QAction* openReportItem_;
    QAction* printerInformationItem_;
    QAction* manualFeedItem_;
    QAction* printerSettingsItem_;
    QMenu* paperSourceMenu_;
    ui::ColumnMenu* paperMenu_;
};

} // namespace hozonix::preview
