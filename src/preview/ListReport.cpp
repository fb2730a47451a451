#include "preview/ListReport.h"

namespace hozonix::printing {

using namespace report;

ListReport::ListReport(ListReportState& state, std::function<void(PageStore&)> showPreview)
    : state_(state), showPreview_(std::move(showPreview)) {
    report_.SetPaperSize(kPaperA4);
    report_.SetOrientation(Orientation::Portrait);
    report_.SetMargins(10, 10, 10, 10);
    report_.SetColumns(2);
    report_.SetColumnSpace(0);
    report_.Printer() = PrinterSettings{1, 0, 1, kSourceAuto, -1};

    titleBand_ = &report_.AddTitleBand("TitleBand1");
    titleBand_->height = 16.7;
    dateTimeField_ = &titleBand_->AddSystemField("SysData1", SystemFieldKind::DateTime);
    dateTimeField_->top = 0.5;
    dateTimeField_->alignment = Qt::AlignRight;
    dateTimeField_->font = ReportFont(kMinchoFace, 11);
    titleField_ = &titleBand_->AddSystemField("SysData2", SystemFieldKind::ReportTitle);
    titleField_->top = 8.2;
    titleField_->alignment = Qt::AlignHCenter;
    titleField_->font = ReportFont(kGothicFace, 16);
    pageLabel_ = &titleBand_->AddLabel("PAGE_COUNT");
    pageLabel_->left = 1.6;
    pageLabel_->top = 0.8;
    pageLabel_->width = 27.8;
    pageLabel_->height = 4.2;
    pageLabel_->font = ReportFont(kGothicFace, 11);
    pageLabel_->onPrint = [this](ReportLabel& label, QString& text) { PrintPageLabel(label, text); };

    detailBand_ = &report_.AddDetailBand("Detail");
    detailBand_->height = 7.1;
    lineLabel_ = &detailBand_->AddLabel("Data_Label");
    lineLabel_->top = 1.3;
    lineLabel_->height = 4.2;
    lineLabel_->autoSize = true;
    lineLabel_->wordWrap = true;
    lineLabel_->font = ReportFont(kMinchoFace, 11);

    report_.onBeforePrint = [this](report::Report& r, bool& print) { BeforePrint(r, print); };
    report_.onNeedData = [this](report::Report& r, bool& more) { NeedData(r, more); };
    report_.onPreview = [this](PageStore& store) { OpenPreview(store); };
}

void ListReport::BeforePrint(report::Report&, bool& printReport) {
    cursor_ = 0;
    printReport = !state_.ReportLines.isEmpty();
}

void ListReport::NeedData(report::Report&, bool& moreData) {
    const int count = static_cast<int>(state_.ReportLines.size());
    if (cursor_ < count)
        lineLabel_->caption = state_.ReportLines[cursor_];
    ++cursor_;
    // Asked once more after the last row: the cursor is then past the end and the answer is no.
    moreData = count >= cursor_;
}

void ListReport::PrintPageLabel(ReportLabel&, QString& text) {
    text =
        QString::number(report_.PageNumber()) + QStringLiteral("／") + QString::number(state_.LastPageTotal);
}

void ListReport::OpenPreview(PageStore& store) {
    if (showPreview_)
        showPreview_(store);
    cursor_ = 0;
}

} // namespace hozonix::printing
