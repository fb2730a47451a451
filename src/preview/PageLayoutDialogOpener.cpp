#include "preview/PageLayoutDialogOpener.h"

#include "base/MessageBoxService.h"
#include "preview/PageLayout.h"
#include "preview/PageLayoutDialog.h"
#include "report/Report.h"

namespace hozonix::preview {

PageLayoutDialogOpener::PageLayoutDialogOpener(ReportDefinition& definition, MessageBoxService& messages)
    : definition_(definition), messages_(messages),
      showModal_([](PageLayoutDialog& dialog) { return dialog.exec(); }) {}

PageLayoutDialogOpener::~PageLayoutDialogOpener() {
    delete dialog_.data();
}

bool PageLayoutDialogOpener::OpenPageLayout(QWidget* previewWindow, report::Report& report) {
    if (dialog_ == nullptr)
        dialog_ = new PageLayoutDialog(definition_, messages_, previewWindow);
    PageLayoutDialog& dialog = *dialog_;
    dialog.SetReport(&report);
    // The report may be gone by the next opening.
    struct Forget {
        QPointer<PageLayoutDialog>& dialog;
        ~Forget() {
            if (dialog != nullptr)
                dialog->SetReport(nullptr);
        }
    } forget{dialog_};

    dialog.SetDetailHeight(DetailBandHeight(report));
    dialog.HideColumnAndLabelAreas();
    dialog.Load();
    const int result = showModal_(dialog);
    if (result != PageLayoutOk && result != PageLayoutSave)
        return false;

    SetDetailBandHeight(report, definition_.DetailHeight);
    ApplyReportDefinition(definition_, report);
    if (result == PageLayoutSave && messages_.Show(MessageKind::Information, SaveQuestion(definition_.Title),
                                                   YesButton | NoButton) == MessageButton::Yes)
        definition_.PaperSource = static_cast<int16_t>(report.Printer().paperSource);
    return true;
}

} // namespace hozonix::preview
