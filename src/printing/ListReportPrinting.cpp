#include "ListReportPrinting.h"

#include "QtWindowGeometry.h"
#include "Repo_View.h"

#include <QEventLoop>

namespace hozonix::printing {

ListReportPrinting::ListReportPrinting(PrevFormServices services) : s_(services) {}

ListReportPrinting::~ListReportPrinting() = default;

std::function<void(const std::string&, const std::vector<std::string>&)> ListReportPrinting::PrintHandler() {
    return
        [this](const std::string& title, const std::vector<std::string>& lines) { PrintList(title, lines); };
}

void ListReportPrinting::PrintList(const std::string& title, const std::vector<std::string>& lines) {
    // A second press while a list is still in the preview would destroy the report the first press is
    // still waiting in: bring that preview forward instead.
    if (form_) {
        if (prevForm_ && prevForm_->isVisible()) {
            prevForm_->raise();
            prevForm_->activateWindow();
        }
        return;
    }
    struct DestroyForm {
        std::unique_ptr<TListReportForm>& form;
        ~DestroyForm() { form.reset(); }
    } destroyForm{form_};
    form_ =
        std::make_unique<TListReportForm>(s_.state, [this](report::PageStore& store) { ShowPreview(store); });

    s_.state.ReportLines.clear();
    for (const std::string& line : lines)
        s_.state.ReportLines.append(QString::fromStdString(line));
    report::Report& report = form_->Report1;
    report.SetTitle(QString::fromStdString(title));
    s_.state.CurrentReport = &report;
    report.Preview();

    // A background print started from the preview still generates from this form.
    while (!report.IsFree()) {
        QEventLoop loop;
        QObject::connect(&report, &report::Report::backgroundPrintFinished, &loop, &QEventLoop::quit);
        loop.exec();
    }
}

void ListReportPrinting::ShowPreview(report::PageStore& store) {
    if (!prevForm_) {
        prevForm_ = std::make_unique<TPrevForm>(s_);
        ui::QtWindowGeometry geometry(*prevForm_, "PrevForm");
        RestoreWindowPlacement(s_.settings, geometry, s_.fallback);
    }
    prevForm_->ShowOn(store);
}

void ListReportPrinting::ClosePreview() {
    if (prevForm_ && prevForm_->isVisible())
        prevForm_->close();
}

} // namespace hozonix::printing
