#pragma once
// What a foreground print shows while it generates: shown before the first page, told of every page
// made, hidden when the print ends, also when it fails.

namespace hozonix::report {

class PrintProgress {
public:
    virtual ~PrintProgress() = default;
    virtual void Show() = 0;
    virtual void PageGenerated(int pageNumber) = 0;
    virtual void Hide() = 0;
};

} // namespace hozonix::report
