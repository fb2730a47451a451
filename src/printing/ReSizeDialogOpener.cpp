#include "ReSizeDialogOpener.h"

#include "MessageBoxService.h"
#include "ReSizeLayout.h"
#include "ReSize_Dlg.h"
#include "Report.h"

namespace hozonix::printing {

ReSizeDialogOpener::ReSizeDialogOpener(ReportDefinition& definition, MessageBoxService& messages)
    : definition_(definition), messages_(messages),
      showModal_([](TReSizeDlg& dialog) { return dialog.exec(); }) {}

ReSizeDialogOpener::~ReSizeDialogOpener() {
    delete dialog_.data();
}

bool ReSizeDialogOpener::OpenPageLayout(QWidget* previewWindow, report::Report& report) {
    if (dialog_ == nullptr)
        dialog_ = new TReSizeDlg(definition_, messages_, previewWindow);
    TReSizeDlg& dialog = *dialog_;
    dialog.SetReport(&report);
    // The report may be gone by the next opening.
    struct Forget {
        QPointer<TReSizeDlg>& dialog;
        ~Forget() {
            if (dialog != nullptr)
                dialog->SetReport(nullptr);
        }
    } forget{dialog_};

    dialog.SetDetailHeight(DetailBandHeight(report));
    dialog.HideColumnAndLabelAreas();
    dialog.Load();
    const int result = showModal_(dialog);
    if (result != ReSizeOk && result != ReSizeYes)
        return false;

    SetDetailBandHeight(report, definition_.DETAIL_HEIGHT);
    ApplyReportDefinition(definition_, report);
    if (result == ReSizeYes && messages_.Show(MessageKind::Plain, SaveQuestion(definition_.TITLE),
                                              YesButton | NoButton) == MessageButton::Yes)
        definition_.OUTPUTBIN_NO = static_cast<int16_t>(report.Printer().paperSource);
    return true;
}

} // namespace hozonix::printing
