#include "report/PageStore.h"

#include "base/AppError.h"
#include "report/RepFile.h"

#include <malloc.h>

namespace hozonix::report {

PageRange SelectedPages(const PrinterSettings& settings, int pageCount) {
    const int first = std::max(1, settings.firstPage);
    const int last = settings.lastPage <= 0 || settings.lastPage > pageCount ? pageCount : settings.lastPage;
    return {first, last};
}

PageStore::PageStore(std::string pageFolder, QObject* parent)
    : QObject(parent), pages_(std::move(pageFolder)) {}

void PageStore::BeginGeneration() {
    pages_.Clear();
    ++revision_;
    finished_ = false;
    fromFile_ = false;
    generating_ = true;
}

PageStore::~PageStore() {
    pages_.Clear();
    // A long report's pages went through the heap one by one: give that room back to the system.
    malloc_trim(0);
}

PageRecord PageStore::Page(int number) const {
    PageRecord page = *pages_.Get(static_cast<std::size_t>(number - 1));
    if (finished_ && !fromFile_)
        FillInPageCount(page, std::to_string(PageCount()));
    return page;
}

void PageStore::AddPage(PageRecord page) {
    pages_.Add(std::move(page));
    ++revision_;
    emit pageAvailable(PageCount());
}

void PageStore::SetFinished() {
    ++revision_;
    finished_ = true;
    generating_ = false;
    emit finished();
}

void PageStore::Save(const std::string& path) const {
    if (!finished_)
        throw AppError("レポートを作成中のため保存できません");
    const RepSheet sheet{setup_.paperCode, setup_.sheet.widthMm, setup_.sheet.heightMm,
                         setup_.orientation == Orientation::Landscape};
    WriteRepFile(path, sheet, pages_.size(), [&](std::size_t i) { return Page(static_cast<int>(i) + 1); });
}

void PageStore::Load(const std::string& path) {
    Adopt(ReadFile(path));
}

PageStore::FilePages PageStore::ReadFile(const std::string& path,
                                         const std::function<void(int pagesRead)>& pagesRead) const {
    // Pages read in now would mix with the ones still being made.
    if (generating_)
        throw AppError("レポートを作成中のため開けません");
    FilePages read{PageFile(pages_.Folder()), PageSetup()};
    int count = 0;
    const RepSheet sheet = ReadRepFile(path, [&](PageRecord page) {
        read.pages.Add(std::move(page));
        if (pagesRead)
            pagesRead(++count);
    });
    read.setup.paperCode = sheet.paperCode;
    read.setup.sheet = {sheet.widthMm, sheet.heightMm};
    read.setup.orientation = sheet.landscape ? Orientation::Landscape : Orientation::Portrait;
    return read;
}

void PageStore::Adopt(FilePages read) {
    if (generating_)
        throw AppError("レポートを作成中のため開けません");
    setup_ = read.setup;
    pages_ = std::move(read.pages);
    finished_ = true;
    fromFile_ = true;
    ++revision_;
}

void PageStore::Preview() {
    if (previewHook_)
        previewHook_(*this);
    for (int n = 1; n <= PageCount(); ++n)
        emit pageAvailable(n);
}

void PageStore::Release() {
    if (released_)
        return;
    released_ = true;
    emit released();
}

} // namespace hozonix::report
