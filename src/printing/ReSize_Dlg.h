#pragma once
// The page layout dialog "印刷設定": margins, detail height and orientation of the previewed report in
// millimetres, drawn as a page. Its values travel through the report definition: Store takes them from
// the fields, ApplyReportDefinition puts them onto the report, Load shows the report's values again.
// Changing the left or right margin, the orientation or a column field does all three at once.

#include "ReportDefinition.h"

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

namespace hozonix::printing {

// How the dialog was closed.
enum ReSizeResult {
    ReSizeCancel = QDialog::Rejected, // Close_Btn, Esc or the close box
    ReSizeOk = QDialog::Accepted,     // OK_Btn
    ReSizeYes = 2,                    // Save_Btn
};

class TReSizeDlg : public QDialog {
public:
    TReSizeDlg(ReportDefinition& definition, MessageBoxService& messages, QWidget* parent = nullptr);

    QToolButton* Close_Btn;
    QToolButton* OK_Btn;
    QToolButton* Save_Btn;
    QLabel* Label5;
    QLineEdit* topMG_Edit;
    QLabel* Label3;
    QLabel* Label21;
    QLineEdit* LeftMG_Edit;
    QLabel* Label9;
    QLineEdit* RightMG_Edit;
    QWidget* Panel2;
    QLabel* Label1;
    QLineEdit* Height_Edit;
    QLabel* Label10;
    QLineEdit* botomMG_Edit;
    QGroupBox* Layout_Group;
    QRadioButton* Portrait_Radio;
    QRadioButton* Landscape_Radio;
    QStatusBar* StatusBar1;
    QLabel* StatusPanel;
    // Columns and label sheets; the list report keeps both hidden.
    QWidget* Column_Panel;
    QLineEdit* Columns_Edit;
    QLineEdit* ColumnSpace_Edit;
    QLineEdit* Rows_Edit;
    QWidget* Label_Area;

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

    void Close_BtnClick();
    void OK_BtnClick();
    void Save_BtnClick();
    void LeftMG_EditChange() { ApplyChangeNow(); }
    void RightMG_EditChange() { ApplyChangeNow(); }
    void Layout_GroupClick() { ApplyChangeNow(); }
    void Columns_EditChange() { ApplyChangeNow(); }
    void ColumnSpace_EditChange() { ApplyChangeNow(); }

    void done(int result) override;

    // The window's width when only the margin area shows.
    static constexpr int kMarginAreaWidth = 250;

private:
    void BuildMarginArea(QWidget* area);
    void BuildHiddenAreas(QWidget* body);
    QLineEdit* NumberEdit(QWidget* parent, const char* name, const char* text, int x, int y, int width);
    void ApplyOnEdit(QLineEdit* edit, void (TReSizeDlg::*handler)());

    ReportDefinition& definition_;
    MessageBoxService& messages_;
    report::Report* report_ = nullptr;
    QButtonGroup* orientationButtons_;
    double detailHeight_ = 0;
    bool loading_ = true;
};

} // namespace hozonix::printing
