#pragma once
// Printing a message list: the work of the message list's print button, and the one preview window,
// created on the first print and kept, hidden between uses, until this object goes at program end.
//
// PrintList makes a list report of the lines under the title, on the printer selected in this session,
// shows it in the preview window and returns only when the window has been closed (window events are
// handled meanwhile). The report form is destroyed on every way out; an error propagates after that.

#include "engine/PathList.h"
#include "preview/ListReport.h"
#include "preview/PreviewServices.h"

#include <memory>
#include <string>
#include <vector>

namespace hozonix::preview {

class PreviewWindow;

class ListReportPrinting {
public:
    explicit ListReportPrinting(PreviewServices services);
    ~ListReportPrinting();
    ListReportPrinting(const ListReportPrinting&) = delete;
    ListReportPrinting& operator=(const ListReportPrinting&) = delete;

    void PrintList(const std::string& title, const engine::PathList& lines);
    // The print button's handler for MessageListOwner::SetPrintHandler.
    std::function<void(const std::string&, const engine::PathList&)> PrintHandler();

    // Opens the preview window on a page store: created and placed on first use, page 1, shown.
    void ShowPreview(report::PageStore& store);
    // Closes the preview window as its close button does; call before leaving the event loop, so that no
    // print waits on it any more.
    void ClosePreview();

    // The preview window, or null before the first print.
    PreviewWindow* Window() const { return window_.get(); }
    // The list report of the print under way, or null.
    ListReport* CurrentListReport() const { return listReport_.get(); }

private:
    // The printer selected with printer setup (and its paper source) for a new report.
    void StartOnSelectedPrinter(report::Report& report);

    PreviewServices s_;
    std::unique_ptr<PreviewWindow> window_;
    std::unique_ptr<ListReport> listReport_;
};

} // namespace hozonix::preview
