#include "report/PageStore.h"

#include "base/AppError.h"
#include "report/RepFile.h"

namespace hozonix::report {

PageRange SelectedPages(const PrinterSettings& settings, int pageCount) {
    const int first = std::max(1, settings.firstPage);
    const int last = settings.lastPage <= 0 || settings.lastPage > pageCount ? pageCount : settings.lastPage;
    return {first, last};
}

PageStore::PageStore(QObject* parent) : QObject(parent) {}

void PageStore::BeginGeneration() {
    pages_.clear();
    ++revision_;
    finished_ = false;
    fromFile_ = false;
    generating_ = true;
}

void PageStore::AddPage(PageRecord page) {
    pages_.push_back(std::move(page));
    ++revision_;
    emit pageAvailable(PageCount());
}

void PageStore::SetFinished() {
    const std::string count = std::to_string(PageCount());
    for (PageRecord& page : pages_)
        FillInPageCount(page, count);
    ++revision_;
    finished_ = true;
    generating_ = false;
    emit finished();
}

void PageStore::Save(const std::string& path) const {
    if (!finished_)
        throw AppError("レポートを作成中のため保存できません");
    RepData data;
    data.sheet = {setup_.paperCode, setup_.sheet.widthMm, setup_.sheet.heightMm,
                  setup_.orientation == Orientation::Landscape};
    data.pages = pages_;
    WriteRepFile(path, data);
}

void PageStore::Load(const std::string& path) {
    // Pages read in now would mix with the ones still being made.
    if (generating_)
        throw AppError("レポートを作成中のため開けません");
    RepData data = ReadRepFile(path);
    PageSetup setup;
    setup.paperCode = data.sheet.paperCode;
    setup.sheet = {data.sheet.widthMm, data.sheet.heightMm};
    setup.orientation = data.sheet.landscape ? Orientation::Landscape : Orientation::Portrait;
    setup_ = setup;
    pages_ = std::move(data.pages);
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
