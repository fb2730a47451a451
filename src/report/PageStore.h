#pragma once
// The pages of one generation, each recorded as a PageRecord in page units (tenths of a millimetre),
// with the printer settings they are to be printed with. The preview widget shows them, printing replays
// them, and they can be saved to and loaded from a ".REP" file.

#include "report/PageFile.h"
#include "report/PageRecord.h"
#include "report/PageSetup.h"
#include "report/PaperSourceTable.h"

#include <QObject>

#include <functional>
#include <string>
#include <vector>

namespace hozonix::report {

struct PrinterSettings {
    int firstPage = 1;
    int lastPage = 0; // 0: to the end
    int copies = 1;
    int paperSource = 7;   // a paper-source value, Auto
    int printerIndex = -1; // -1: the default printer
};

// The pages a first and last page select (first below 1 counts as 1, last 0 or past the end as the
// last page). first > last when nothing is selected.
struct PageRange {
    int first;
    int last;
};
PageRange SelectedPages(const PrinterSettings& settings, int pageCount);

class PageStore : public QObject {
    Q_OBJECT

public:
    // The pages are kept in a file in `pageFolder` (see PageFile).
    explicit PageStore(std::string pageFolder = {}, QObject* parent = nullptr);
    ~PageStore() override;

    int PageCount() const { return static_cast<int>(pages_.size()); }
    // Pages are numbered from 1. Once the generation has ended, the page count is in their texts. The
    // pages are kept in a temporary file, so a read may raise AppError.
    PageRecord Page(int number) const;
    // Changes whenever the pages or the page setup change, so that a view knows when to draw again.
    unsigned long Revision() const { return revision_; }
    const PageSetup& Setup() const { return setup_; }
    void SetSetup(const PageSetup& setup) {
        setup_ = setup;
        ++revision_;
    }

    // True once the generation has ended (or the pages came from a file).
    bool IsFinished() const { return finished_; }
    // True while the pages are those of a ".REP" file rather than of a generation.
    bool IsFromFile() const { return fromFile_; }

    PrinterSettings settings;
    PaperSourceTable paperSources;

    // A generation fills the store from BeginGeneration to SetFinished, or to AbandonGeneration when it
    // fails, which leaves the store unfinished.
    void BeginGeneration();
    void AddPage(PageRecord page);
    void SetFinished();
    void AbandonGeneration() { generating_ = false; }

    // Saves the pages as a ".REP" file; only a finished store can be saved. Raises AppError.
    void Save(const std::string& path) const;
    // Replaces the pages with those of a ".REP" file. A file that is not a regular ".REP" file of this
    // version with every field in bounds, or a generation still filling the store, raises AppError
    // (see ReadRepFile for its text) and leaves the store as it was.
    void Load(const std::string& path);
    // The same in two steps, so that a large file is read off the window's thread: ReadFile only
    // reads (any thread; it raises what Load raises and changes nothing), Adopt then replaces the pages.
    struct FilePages {
        PageFile pages;
        PageSetup setup;
    };
    // `pagesRead`, when given, is told the number of pages read so far after each page, on the reading
    // thread.
    FilePages ReadFile(const std::string& path,
                       const std::function<void(int pagesRead)>& pagesRead = {}) const;
    void Adopt(FilePages read);

    // Called by the report that made the store: preview shows the pages again through it.
    void SetPreviewHook(std::function<void(PageStore&)> hook) { previewHook_ = std::move(hook); }
    // Hands the store to the preview hook again and announces every page it holds.
    void Preview();

    // The viewer is done with the store: the report's waiting preview call ends.
    void Release();
    bool IsReleased() const { return released_; }

signals:
    void pageAvailable(int pageNumber);
    void finished();
    void released();

private:
    PageSetup setup_;
    PageFile pages_;
    unsigned long revision_ = 0;
    bool finished_ = false;
    bool fromFile_ = false;
    bool generating_ = false;
    bool released_ = false;
    std::function<void(PageStore&)> previewHook_;
};

} // namespace hozonix::report
