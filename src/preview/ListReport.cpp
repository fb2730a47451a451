#include "preview/ListReport.h"

namespace hozonix::preview {

using namespace report;

namespace {

// Between the two columns, so that a line filling its column does not run into the next one.
constexpr double kColumnGapMm = 4;

// The page label of the title band on the first page, and its like at the top of every later page.
void SetUpPageLabel(ReportLabel& label) {
    label.left = 1.6;
    label.top = 0.8;
    label.width = 27.8;
    label.height = 4.2;
    label.font = ReportFont(kGothicFace, 11);
}

} // namespace

ListReport::ListReport(ListReportState& state, std::function<void(PageStore&)> showPreview)
    : state_(state), showPreview_(std::move(showPreview)) {
    report_.SetPaperSize(kPaperA4);
    report_.SetOrientation(Orientation::Portrait);
    report_.SetMargins(10, 10, 10, 10);
    report_.SetColumns(2);
    report_.SetColumnSpace(kColumnGapMm);
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
    SetUpPageLabel(*pageLabel_);
    pageLabel_->onPrint = [this](ReportLabel& label, QString& text) { PrintPageLabel(label, text); };

    pageHeaderBand_ = &report_.AddPageHeaderBand("PageHeader");
    pageHeaderBand_->height = 5.8;
    pageHeaderBand_->printOnFirstPage = false;
    ReportLabel& laterPageLabel = pageHeaderBand_->AddLabel("PAGE_NUMBER");
    SetUpPageLabel(laterPageLabel);
    laterPageLabel.onPrint = [this](ReportLabel& label, QString& text) { PrintPageLabel(label, text); };

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
    printReport = !state_.ReportLines.empty();
}

void ListReport::NeedData(report::Report&, bool& moreData) {
    const int count = static_cast<int>(state_.ReportLines.size());
    if (cursor_ < count)
        lineLabel_->caption = QString::fromStdString(state_.ReportLines[static_cast<std::size_t>(cursor_)]);
    ++cursor_;
    // Asked once more after the last row: the cursor is then past the end and the answer is no.
    moreData = count >= cursor_;
}

void ListReport::PrintPageLabel(ReportLabel&, QString& text) {
    // The count goes in when the last page is known, so that preview and paper show the same total.
    text = QString::number(report_.PageNumber()) + QStringLiteral("／") + report::Report::PageCountText();
}

void ListReport::OpenPreview(PageStore& store) {
    if (showPreview_)
        showPreview_(store);
    cursor_ = 0;
}

} // namespace hozonix::preview
