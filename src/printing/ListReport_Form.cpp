#include "ListReport_Form.h"

namespace hozonix::printing {

using namespace report;

TListReportForm::TListReportForm(ListReportState& state, std::function<void(PageStore&)> showPreview)
    : state_(state), showPreview_(std::move(showPreview)) {
    Report1.SetPaperSize(kPaperA4);
    Report1.SetOrientation(Orientation::Portrait);
    Report1.SetMargins(10, 10, 10, 10);
    Report1.SetColumns(2);
    Report1.SetColumnSpace(0);
    Report1.Printer() = PrinterSettings{1, 0, 1, kSourceAuto, -1};

    TitleBand1 = &Report1.AddTitleBand("TitleBand1");
    TitleBand1->height = 16.7;
    SysData1 = &TitleBand1->AddSystemField("SysData1", SystemFieldKind::DateTime);
    SysData1->top = 0.5;
    SysData1->alignment = Qt::AlignRight;
    SysData1->font = ReportFont(kMinchoFace, 11);
    SysData2 = &TitleBand1->AddSystemField("SysData2", SystemFieldKind::ReportTitle);
    SysData2->top = 8.2;
    SysData2->alignment = Qt::AlignHCenter;
    SysData2->font = ReportFont(kGothicFace, 16);
    PAGE_COUNT = &TitleBand1->AddLabel("PAGE_COUNT");
    PAGE_COUNT->left = 1.6;
    PAGE_COUNT->top = 0.8;
    PAGE_COUNT->width = 27.8;
    PAGE_COUNT->height = 4.2;
    PAGE_COUNT->font = ReportFont(kGothicFace, 11);
    PAGE_COUNT->onPrint = [this](ReportLabel& label, QString& text) { PAGE_COUNTPrint(label, text); };

    Detail = &Report1.AddDetailBand("Detail");
    Detail->height = 7.1;
    Data_Label = &Detail->AddLabel("Data_Label");
    Data_Label->top = 1.3;
    Data_Label->height = 4.2;
    Data_Label->autoSize = true;
    Data_Label->wordWrap = true;
    Data_Label->font = ReportFont(kMinchoFace, 11);

    Report1.onBeforePrint = [this](Report& sender, bool& print) { ListReportFormBeforePrint(sender, print); };
    Report1.onNeedData = [this](Report& sender, bool& more) { ListReportFormNeedData(sender, more); };
    Report1.onPreview = [this](PageStore& store) { Report1Preview(store); };
}

void TListReportForm::ListReportFormBeforePrint(Report&, bool& printReport) {
    cursor_ = 0;
    printReport = !state_.ReportLines.isEmpty();
}

void TListReportForm::ListReportFormNeedData(Report&, bool& moreData) {
    const int count = static_cast<int>(state_.ReportLines.size());
    if (cursor_ < count)
        Data_Label->caption = state_.ReportLines[cursor_];
    ++cursor_;
    // Asked once more after the last row: the cursor is then past the end and the answer is no.
    moreData = count >= cursor_;
}

void TListReportForm::PAGE_COUNTPrint(ReportLabel&, QString& text) {
    text =
        QString::number(Report1.PageNumber()) + QStringLiteral("／") + QString::number(state_.LastPageTotal);
}

void TListReportForm::Report1Preview(PageStore& sender) {
    if (showPreview_)
        showPreview_(sender);
    cursor_ = 0;
}

} // namespace hozonix::printing
