#pragma once
// The print preview window: a generated report page by page, with the tools to change its title, paper,
// orientation, margins and printer, to print it, and to save and load its pages. Created once, hidden
// when closed, reused for every later print.
//
// Several tools end by generating the report again. That is a preview call of its own which waits, with
// window events handled, until the window is closed: the handler that started it returns only then, and
// closing ends every such wait together.

#include "PrevFormServices.h"
#include "ReportPreview.h"

#include <QWidget>

#include <string>
#include <vector>

class QAction;
class QLabel;
class QMenu;
class QSlider;
class QSpinBox;
class QStatusBar;
class QToolButton;

namespace hozonix::ui {
class ColumnMenu;
}

namespace hozonix::printing {

class TPrevForm : public QWidget {
public:
    explicit TPrevForm(PrevFormServices services, QWidget* parent = nullptr);
    ~TPrevForm() override;

    QToolButton* Close_Btn;
    QToolButton* Print_Btn;
    QLabel* Label1;
    QSpinBox* Page_SpinEdit;
    QLabel* lb_Zoom;
    QSlider* Zoom_TrackBar;
    QToolButton* ReSize_Btn;
    QToolButton* ToWidth_Btn;
    QToolButton* ToFit_Btn;
    QToolButton* Layout_Btn;
    QToolButton* Size_Btn;
    QToolButton* Label_Btn;
    QToolButton* Title_Btn;
    QToolButton* PrinterSet_Btn;
    QWidget* Setting_Panel;
    QToolButton* Caset_Btn;
    QToolButton* Manual_Btn;
    QSpinBox* FirstPage_Edit;
    QLabel* Label2;
    QSpinBox* LastPage_Edit;
    QLabel* Label4;
    QSpinBox* Copies_Edit;
    report::ReportPreview* Preview1;
    QStatusBar* StatusBar1;

    QMenu* File_Popup;
    QAction* Print_Dlg;
    QAction* CK_OutputBin;
    QAction* Print_BK;
    QAction* Save_Rep;
    QAction* Open_Rep;
    QAction* View_PrinterStaus;
    QAction* Bin_Manual;
    QAction* PrinSet;
    QMenu* OutputBin_Popup;
    ui::ColumnMenu* Paper_Popup;

    QString StatusText() const;
    int PendingLabelSkipCount() const { return pendingLabelSkip_; }
    const std::vector<std::string>& KeptPaperNames() const { return paperNames_; }
    // The position of the current paper in the kept names, -1 when there is none.
    int CurrentPaperIndex() const { return currentPaper_; }

    // Attaches a new page store and shows the window (ShowPreview's part).
    void ShowOn(report::PageStore& store);

    void FormCreate();
    void FormShow();
    void FormActivate();
    void FormClose();
    void FormDestroy();
    void Preview1PageAvailable(int pageNumber);
    void Preview1ProgressUpdate() {}
    void Page_SpinEditChange();
    void Zoom_TrackBarChange();
    void ToFit_BtnClick();
    void ToWidth_BtnClick();
    void Print_BtnClick();
    void Close_BtnClick();
    void Title_BtnClick();
    void Layout_BtnClick();
    void Size_BtnClick();
    void Label_BtnClick();
    void PrinterSet_BtnClick();
    void ReSize_BtnClick();
    void Caset_BtnClick();
    void Manual_BtnClick();
    void First2Click(const QString& caption);
    void Print_DlgClick();
    void CK_OutputBinClick();
    void Bin_ManualClick() {}
    void Print_BKClick() {}
    void Save_RepClick();
    void Open_RepClick();
    void View_PrinterStausClick();
    // A paper item of Paper_Popup.
    void PaperClick(QAction* item);

    // Builds Paper_Popup from the selected printer's paper names.
    void BuildPaperMenu();

protected:
    bool event(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void BuildControls();
    void ConnectHandlers();
    template <typename Handler> void OnClick(QToolButton* button, Handler handler);
    template <typename Handler> void OnTrigger(QAction* action, Handler handler);
    void SetStatus(const QString& text);
    void SetPageTools(bool enabled);
    void Regenerate();
    void StoreFinished();
    void Print();
    void ChoosePaperSourceForDialogPrint(report::Report& report);

    PrevFormServices s_;
    QLabel* statusLeft_;
    QLabel* statusRight_;
    int pendingLabelSkip_ = 0;
    bool buildingPaperMenu_ = false;
    std::vector<std::string> paperNames_;
    int currentPaper_ = -1;
    QMetaObject::Connection finishedConnection_;
    QMetaObject::Connection backgroundConnection_;
};

} // namespace hozonix::printing
