#include "PageStore.h"

#include "AppError.h"
#include "AtomicFile.h"
#include "RepFile.h"

namespace hozonix::report {

PageRange SelectedPages(const PrinterSettings& settings, int pageCount) {
    const int first = std::max(1, settings.firstPage);
    const int last = settings.lastPage <= 0 || settings.lastPage > pageCount ? pageCount : settings.lastPage;
    return {first, last};
}

PageStore::PageStore(QObject* parent) : QObject(parent) {}

void PageStore::BeginGeneration() {
    pages_.clear();
    finished_ = false;
    generating_ = true;
}

void PageStore::AddPage(QPicture page) {
    pages_.push_back(std::move(page));
    emit pageAvailable(PageCount());
}

void PageStore::SetFinished() {
    finished_ = true;
    generating_ = false;
    emit finished();
}

void PageStore::Save(const std::string& path) const {
    if (!finished_)
        throw AppError("レポートを作成中のため保存できません");
    ReplaceFileAtomically(path, EncodeRepFile(setup_, pages_));
}

void PageStore::Load(const std::string& path) {
    // Pages read in now would mix with the ones still being made.
    if (generating_)
        throw AppError("レポートを作成中のため開けません");
    std::string bytes;
    if (const int err = ReadWholeFile(path, bytes); err != 0)
        ThrowSystemError(path + ": ", err);
    RepContent content = DecodeRepFile(bytes, path);
    setup_ = content.setup;
    pages_ = std::move(content.pages);
    finished_ = true;
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
