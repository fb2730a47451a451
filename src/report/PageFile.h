#pragma once
// The pages of a report kept in an unnamed temporary file, with the few last used kept decoded: a list
// of ten thousand pages takes the room of its index and a handful of pages, whatever its length. The
// file has no name, so nothing is left behind however the program ends.

#include "report/PageRecord.h"

#include "base/ScopedFd.h"

#include <cstddef>
#include <cstdint>
#include <list>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace hozonix::report {

class PageFile {
public:
    // The file goes into `folder` (the data folder's "TEMP"); empty: the system's temporary folder.
    explicit PageFile(std::string folder = {}) : folder_(std::move(folder)) {}
    PageFile(PageFile&&) noexcept = default;
    PageFile& operator=(PageFile&&) noexcept = default;

    std::string Folder() const;

    std::size_t size() const { return index_.size(); }
    bool empty() const { return index_.empty(); }

    // Appends a page. A file that cannot be made or written raises AppError; the pages added before
    // stay readable.
    void Add(PageRecord page);
    // Page `i` (from 0), read back and decoded unless one of the last used. Raises AppError when the
    // file cannot be read.
    std::shared_ptr<const PageRecord> Get(std::size_t i) const;
    // Drops every page and the file.
    void Clear();

    // Pages held decoded at most.
    static constexpr std::size_t CachedPages = 8;
    std::size_t CachedCount() const { return cache_.size(); }

private:
    void Open();
    void Remember(std::size_t i, std::shared_ptr<const PageRecord> page) const;

    std::string folder_;
    ScopedFd fd_;
    std::uint64_t end_ = 0;
    std::vector<std::pair<std::uint64_t, std::uint32_t>> index_;      // offset and length of each page
    std::map<std::size_t, std::shared_ptr<const PageRecord>> pinned_; // pages no file may hold
    mutable std::list<std::pair<std::size_t, std::shared_ptr<const PageRecord>>> cache_; // latest first
};

} // namespace hozonix::report
