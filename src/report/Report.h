#pragma once
// A banded report: a page setup, a title band printed once at the top of the first page, a page header
// at the top of the pages, and a detail band printed once per row of data, filling the columns of a
// page top to bottom, left to right.
//
// Generation: the before-print callback may cancel; then the need-data callback is asked before the
// first row and after every row whether there is more, and fills the labels of the next row. No row,
// no page. A row is as tall as the detail band, or taller when its wrapped text needs it; it goes whole
// into the next column that has room for it, and is split between columns only when it is taller than
// a whole column. Each finished page goes into a page store.
//
// All calls come from the thread that owns the report, except that during a background print the
// callbacks run on the worker thread. While a generation runs the report is not free, and changing its
// layout raises AppError.

#include "report/PageStore.h"
#include "report/PaperSourceTable.h"
#include "report/ReportItems.h"
#include "report/ReportPrinting.h"

#include <QDateTime>
#include <QObject>

#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <thread>

namespace hozonix::report {

class PrintProgress;

class Report : public QObject {
    Q_OBJECT

public:
    explicit Report(const QString& name, QObject* parent = nullptr);
    ~Report() override; // waits for a background print to end

    // Page setup. Paper codes are those of the printer information tables; an unknown code raises
    // AppError, as does any change while generating.
    const PageSetup& Setup() const { return setup_; }
    int PaperSize() const { return setup_.paperCode; }
    void SetPaperSize(int code);
    void SetCustomPaper(double widthMm, double heightMm); // paper code "Custom"
    Orientation GetOrientation() const { return setup_.orientation; }
    void SetOrientation(Orientation orientation);
    void SetMargins(double top, double bottom, double left, double right);
    void SetTopMargin(double mm);
    void SetBottomMargin(double mm);
    void SetLeftMargin(double mm);
    void SetRightMargin(double mm);
    void SetColumnSpace(double mm);
    void SetColumns(int count);

    const QString& Title() const { return title_; }
    void SetTitle(const QString& title);

    // Bands, found by name without regard to case. BandHeight raises AppError for a name
    // that is not there.
    Band& AddTitleBand(const QString& name);
    Band& AddPageHeaderBand(const QString& name);
    Band& AddDetailBand(const QString& name);
    Band* FindBand(const QString& name) const;
    double BandHeight(const QString& name) const;
    void SetBandHeight(const QString& name, double mm);

    PrinterSettings& Printer() { return printer_; }
    PaperSourceTable& PaperSources() { return paperSources_; }

    // False while a generation (also a background print) runs.
    bool IsFree() const { return !generating_; }
    // The number of the page being generated.
    int PageNumber() const { return pageNumber_; }
    // Stands for the page count in a text printed during generation; the page store puts the count in
    // when the generation ends (see FillInPageCount).
    static QString PageCountText();
    // 1 when the user cancelled the printer-settings dialog, else 0.
    int Tag() const { return tag_; }

    std::function<void(Report& report, bool& print)> onBeforePrint;
    std::function<void(Report& report, bool& moreData)> onNeedData;
    // Receives each new page store before its pages are generated, instead of a preview window.
    std::function<void(PageStore& store)> onPreview;

    // The time printed by date-and-time fields.
    void SetClock(std::function<QDateTime()> clock) { clock_ = std::move(clock); }
    // Where the page stores this report makes keep their pages (see PageFile).
    void SetPageFolder(std::string folder) { pageFolder_ = std::move(folder); }

    // Generates the pages into `store`. With `interactive` set, window events are handled after each
    // page, and the generation stops when the viewer releases the store.
    void Generate(PageStore& store, bool interactive);

    // Generates into a new page store handed to onPreview, then keeps the caller waiting, with window
    // events handled, until that store or a newer one made by a nested Preview is released. Without
    // onPreview nothing waits.
    void Preview();

    // Generates and prints in the foreground, showing the progress when given one. Raises AppError.
    PrintResult Print(const PrintRouting& routing, PrintProgress* progress = nullptr);
    // Generates and prints on a worker thread; the report is not free until it is done, and
    // backgroundPrintFinished reports the outcome in this object's thread.
    void PrintInBackground(const PrintRouting& routing);
    // Lets the user edit the printer settings and choose a PDF file instead of `destination`'s printer;
    // sets the tag.
    bool ShowPrinterSettingsDialog(PrintSettingsDialog& dialog, PrintDestination& destination);

signals:
    void previewReleased();
    // Empty text and what was sent on success, else the error's message.
    void backgroundPrintFinished(const QString& error, const hozonix::report::PrintResult& result);

private:
    void CheckFree() const;
    void GenerateRows(PageStore& store, bool interactive);
    void FillPages(PageStore& store, bool interactive);
    class PageFiller;
    Band* FirstBand(BandKind kind) const;

    QString name_;
    QString title_;
    PageSetup setup_;
    std::vector<std::unique_ptr<Band>> bands_;
    PrinterSettings printer_;
    PaperSourceTable paperSources_;
    std::atomic<bool> generating_{false};
    int pageNumber_ = 0;
    int tag_ = 0;
    std::function<QDateTime()> clock_;
    std::string pageFolder_;
    PageStore* latestPreview_ = nullptr;
    bool previewDone_ = false;
    std::thread worker_;
};

} // namespace hozonix::report
