#pragma once
// Opens the page layout dialog for the preview window. The one dialog is made on first use as a child of
// the preview window and kept for later openings; the opener deletes it at the end unless the preview
// window took it along first.

#include "preview/PageLayoutOpener.h"
#include "preview/ReportDefinition.h"

#include <QPointer>

#include <functional>

namespace hozonix {
class MessageBoxService;
}

namespace hozonix::preview {

class PageLayoutDialog;

class PageLayoutDialogOpener : public PageLayoutOpener {
public:
    PageLayoutDialogOpener(ReportDefinition& definition, MessageBoxService& messages);
    ~PageLayoutDialogOpener() override;
    PageLayoutDialogOpener(const PageLayoutDialogOpener&) = delete;
    PageLayoutDialogOpener& operator=(const PageLayoutDialogOpener&) = delete;

    // Loads the dialog from the report and shows it modally. On OK or Save the stored detail height and
    // the record go onto the report, Save asks whether to keep the report's paper source, and the answer
    // is true: the report is to be generated again. Cancel keeps what live changes already applied and
    // answers false. Raises AppError when the report has no detail band or refuses the new layout.
    bool OpenPageLayout(QWidget* previewWindow, report::Report& report) override;

    // The dialog, or null before the first opening.
    PageLayoutDialog* Dialog() const { return dialog_; }

    // Replaces the modal showing (tests answer the dialog through its handlers instead). Returns a
    // PageLayoutResult.
    void SetShowModal(std::function<int(PageLayoutDialog&)> showModal) { showModal_ = std::move(showModal); }

private:
    ReportDefinition& definition_;
    MessageBoxService& messages_;
    QPointer<PageLayoutDialog> dialog_;
    std::function<int(PageLayoutDialog&)> showModal_;
};

} // namespace hozonix::preview
