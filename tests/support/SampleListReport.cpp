#include "SampleListReport.h"

namespace hozonix::test {

using namespace report;

SampleListReport::SampleListReport() {
    report.SetMargins(10, 10, 10, 10);
    report.SetColumns(2);
    Band& title = report.AddTitleBand("TitleBand1");
    title.height = 16.7;
    SystemField& date = title.AddSystemField("SysData1", SystemFieldKind::DateTime);
    date.top = 0.5;
    date.alignment = Qt::AlignRight;
    date.font = ReportFont(kMinchoFace, 11);
    SystemField& name = title.AddSystemField("SysData2", SystemFieldKind::ReportTitle);
    name.top = 8.2;
    name.alignment = Qt::AlignHCenter;
    name.font = ReportFont(kGothicFace, 16);
    pageLabel = &title.AddLabel("PAGE_COUNT");
    pageLabel->left = 1.6;
    pageLabel->top = 0.8;
    pageLabel->width = 27.8;
    pageLabel->height = 4.2;
    pageLabel->font = ReportFont(kGothicFace, 11);
    pageLabel->onPrint = [this](ReportLabel&, QString& text) {
        text = QString::number(report.PageNumber()) + QStringLiteral("／1");
    };
    Band& detail = report.AddDetailBand("Detail");
    detail.height = 7.1;
    dataLabel = &detail.AddLabel("Data_Label");
    dataLabel->top = 1.3;
    dataLabel->height = 4.2;
    dataLabel->autoSize = true;
    dataLabel->wordWrap = true;
    dataLabel->font = ReportFont(kMinchoFace, 11);

    report.onBeforePrint = [this](Report&, bool& print) {
        cursor = 0;
        print = !lines.isEmpty();
    };
    report.onNeedData = [this](Report&, bool& more) {
        ++needDataCalls;
        if (cursor < lines.size())
            dataLabel->caption = lines[cursor];
        ++cursor;
        more = lines.size() >= cursor;
    };
}

} // namespace hozonix::test
