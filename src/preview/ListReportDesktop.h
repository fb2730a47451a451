#pragma once
// Message-list printing as the desktop program wires it: the shared printing state, the Qt dialogs, the
// progress window and print jobs to the print server, around one ListReportPrinting. Create it after
// the QApplication and the services it is handed; destroy it before them.
//
//   ListReportDesktop printing(settings, messages, pickers, printerInfo, definition, &pageLayout, fallback,
//                              pageFolder);
//   messageList.SetPrintHandler(printing.Printing().PrintHandler());

#include "preview/ListReportPrinting.h"
#include "preview/QtPreviewDialogs.h"
#include "report/CupsPrintJob.h"
#include "report/PrintProgressWindow.h"

namespace hozonix::preview {

class ListReportDesktop {
public:
    ListReportDesktop(IniFile& settings, MessageBoxService& messages, ui::Pickers& pickers,
                      printing::PrinterInfo& info, ReportDefinition& definition, PageLayoutOpener* pageLayout,
                      const Rect& fallback, const std::string& pageFolder)
        : dialogs_(info, pickers),
          printing_(PreviewServices{settings, messages, pickers, info, definition, state_, dialogs_, job_,
                                    &progress_, pageLayout, fallback, pageFolder}) {}

    ListReportState& State() { return state_; }
    ListReportPrinting& Printing() { return printing_; }

private:
    ListReportState state_;
    QtPreviewDialogs dialogs_;
    report::CupsPrintJob job_;
    report::PrintProgressWindow progress_;
    ListReportPrinting printing_;
};

} // namespace hozonix::preview
