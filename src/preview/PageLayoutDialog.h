#pragma once
// The page layout dialog "印刷設定": margins, detail height and orientation of the previewed report in
// millimetres, drawn as a page. Its values travel through the report definition: Store takes them from
// the fields, ApplyReportDefinition puts them onto the report, Load shows the report's values again.
// Changing the left or right margin, the orientation or a column field does all three at once.

#include "preview/ReportDefinition.h"

#include <QDialog>

class QButtonGroup;
class QGroupBox;
class QLabel;
class QLineEdit;
class QRadioButton;
class QStatusBar;
class QToolButton;

namespace hozonix {
class MessageBoxService;
}

namespace hozonix::report {
class Report;
}

namespace hozonix::preview {

// How the dialog was closed.
enum PageLayoutResult {
    PageLayoutCancel = QDialog::Rejected, // the close button, Esc or the close box
    PageLayoutOk = QDialog::Accepted,     // "再表示"
    PageLayoutSave = 2,                   // "上書き保存"
};

class PageLayoutDialog : public QDialog {
public:
    PageLayoutDialog(ReportDefinition& definition, MessageBoxService& messages, QWidget* parent = nullptr);

    QToolButton* CloseButton() const { return closeButton_; }
    QToolButton* OkButton() const { return okButton_; }
    QLineEdit* TopMarginEdit() const { return topMarginEdit_; }
    QLineEdit* LeftMarginEdit() const { return leftMarginEdit_; }
    QLineEdit* RightMarginEdit() const { return rightMarginEdit_; }
    QLineEdit* BottomMarginEdit() const { return bottomMarginEdit_; }
    QLineEdit* DetailHeightEdit() const { return detailHeightEdit_; }
    QRadioButton* PortraitRadio() const { return portraitRadio_; }
    QRadioButton* LandscapeRadio() const { return landscapeRadio_; }
    // Columns and label sheets; the list report keeps both hidden.
    QWidget* ColumnPanel() const { return columnPanel_; }
    QLineEdit* ColumnsEdit() const { return columnsEdit_; }
    QWidget* LabelArea() const { return labelArea_; }

    // The report the dialog acts on; null between openings.
    void SetReport(report::Report* report) { report_ = report; }
    report::Report* CurrentReport() const { return report_; }
    // The detail height shown by Load, read from the report as the dialog opens.
    void SetDetailHeight(double mm) { detailHeight_ = mm; }
    double DetailHeight() const { return detailHeight_; }
    void HideColumnAndLabelAreas();

    bool IsLoading() const { return loading_; }

    // The report's values (the orientation from the record) into the fields.
    void Load();
    // The fields into the record, stopping silently at the first one that is not a number (false then).
    bool Store();
    // Store, put the record onto the report, Load.
    void ApplyChangeNow();

    // The tool bar's buttons, and the fields whose change applies at once.
    void CloseWithoutApplying();
    void ApplyAndClose();
    void SaveAndClose();
    void LeftMarginChanged() { ApplyChangeNow(); }
    void RightMarginChanged() { ApplyChangeNow(); }
    void OrientationChanged() { ApplyChangeNow(); }
    void ColumnsChanged() { ApplyChangeNow(); }
    void ColumnSpaceChanged() { ApplyChangeNow(); }

    void done(int result) override;

    // The window's width when only the margin area shows.
    static constexpr int kMarginAreaWidth = 250;

private:
    void BuildMarginArea(QWidget* area);
    void BuildHiddenAreas(QWidget* body);
    QLineEdit* NumberEdit(QWidget* parent, const char* name, const char* text, int x, int y, int width);
    void ApplyOnEdit(QLineEdit* edit, void (PageLayoutDialog::*handler)());

    ReportDefinition& definition_;
    MessageBoxService& messages_;
    report::Report* report_ = nullptr;
    QButtonGroup* orientationButtons_;
    double detailHeight_ = 0;
    bool loading_ = true;

    QToolButton* closeButton_;
    QToolButton* okButton_;
    QToolButton* saveButton_;
    QLabel* topMarginLabel_;
    QLineEdit* topMarginEdit_;
    QLabel* millimetreLabel_;
    QLabel* leftMarginLabel_;
    QLineEdit* leftMarginEdit_;
    QLabel* rightMarginLabel_;
    QLineEdit* rightMarginEdit_;
    QWidget* detailPanel_;
    QLabel* detailHeightLabel_;
    QLineEdit* detailHeightEdit_;
    QLabel* bottomMarginLabel_;
    QLineEdit* bottomMarginEdit_;
    QGroupBox* orientationGroup_;
    QRadioButton* portraitRadio_;
    QRadioButton* landscapeRadio_;
    QStatusBar* statusBar_;
    QLabel* statusPanel_;
    QWidget* columnPanel_;
    QLineEdit* columnsEdit_;
    QLineEdit* columnSpaceEdit_;
    QLineEdit* rowsEdit_;
    QWidget* labelArea_;
};

} // namespace hozonix::preview
