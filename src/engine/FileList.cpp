#include "FileEntry.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>

namespace hozonix::engine {

namespace {

constexpr unsigned BlockShift = 20;
constexpr uint64_t OffsetMask = (uint64_t{1} << BlockShift) - 1;
constexpr std::size_t MaxName = 255;
// A whole group fits in what is left of a block, or the group starts a new one.
constexpr std::size_t MaxGroupBytes = 16 * (2 + MaxName);

// Reads one record at `at`, turning `name` (the name before) into this one; returns the next record.
const unsigned char* Decode(const unsigned char* at, std::string& name) {
    name.resize(at[0]);
    name.append(reinterpret_cast<const char*>(at + 2), at[1]);
    return at + 2 + at[1];
}

} // namespace

void FileList::EncodeName(std::string_view name, bool restart) {
    if (name.size() > MaxName)
        throw std::length_error("file name longer than 255 bytes");
    if (count_ % GroupSize == 0) {
        if (blockUsed_ + MaxGroupBytes > BlockBytes) {
            blocks_.push_back(std::make_unique_for_overwrite<unsigned char[]>(BlockBytes)); // untouched: free
            blockUsed_ = 0;
        }
        groups_.push_back((blocks_.size() - 1) << BlockShift | blockUsed_);
        restart = true;
    }
    std::size_t shared = 0;
    if (!restart) {
        const std::size_t most = std::min(name.size(), lastName_.size());
        while (shared < most && name[shared] == lastName_[shared])
            ++shared;
    }
    unsigned char* at = blocks_.back().get() + blockUsed_;
    at[0] = static_cast<unsigned char>(shared);
    at[1] = static_cast<unsigned char>(name.size() - shared);
    std::memcpy(at + 2, name.data() + shared, name.size() - shared);
    blockUsed_ += 2 + name.size() - shared;
    lastName_.assign(name);
}

void FileList::Add(std::string_view folder, std::string_view name, int64_t size, int64_t writeTime,
                   bool timesValid) {
    const bool newFolder = runs_.empty() || runs_.back().folder != folder;
    if (newFolder)
        runs_.push_back({count_, std::string(folder)});
    EncodeName(name, newFolder);
    if (count_ % ChunkEntries == 0)
        chunks_.push_back(std::make_unique_for_overwrite<Fixed[]>(ChunkEntries));
    chunks_.back()[count_ % ChunkEntries] = {(size & SizeMask) | (timesValid ? 0 : InvalidTimes), writeTime};
    ++count_;
}

void FileList::push_back(const FileEntry& entry) {
    const std::size_t slash = entry.path.rfind('/');
    const std::size_t split = slash == std::string::npos ? 0 : slash + 1;
    Add(std::string_view(entry.path).substr(0, split), std::string_view(entry.path).substr(split), entry.size,
        entry.writeTime, entry.timesValid);
}

// Append and Keep copy files into another list and give back, chunk by chunk and block by block, what has
// been copied, so that the two lists are never whole at the same time.
void FileList::Append(FileList&& other) {
    std::string name;
    const unsigned char* at = nullptr;
    std::size_t run = 0;
    for (std::size_t i = 0; i < other.count_; ++i) {
        if (i % GroupSize == 0) {
            at = other.GroupStart(i);
            if (i > 0 && (other.groups_[i / GroupSize] >> BlockShift) !=
                             (other.groups_[i / GroupSize - 1] >> BlockShift))
                other.blocks_[other.groups_[i / GroupSize - 1] >> BlockShift].reset();
        }
        at = Decode(at, name);
        while (run + 1 < other.runs_.size() && other.runs_[run + 1].first <= i)
            ++run;
        const Fixed& f = other.At(i);
        Add(other.runs_[run].folder, name, f.size & SizeMask, f.writeTime, (f.size & InvalidTimes) == 0);
        if ((i + 1) % ChunkEntries == 0)
            other.chunks_[i / ChunkEntries].reset();
    }
    other = FileList();
}

void FileList::Keep(const std::vector<bool>& keep) {
    FileList kept;
    std::string name;
    const unsigned char* at = nullptr;
    std::size_t run = 0;
    for (std::size_t i = 0; i < count_; ++i) {
        if (i % GroupSize == 0) {
            at = GroupStart(i);
            if (i > 0 && (groups_[i / GroupSize] >> BlockShift) != (groups_[i / GroupSize - 1] >> BlockShift))
                blocks_[groups_[i / GroupSize - 1] >> BlockShift].reset();
        }
        at = Decode(at, name);
        while (run + 1 < runs_.size() && runs_[run + 1].first <= i)
            ++run;
        const Fixed& f = At(i);
        if (keep[i])
            kept.Add(runs_[run].folder, name, f.size & SizeMask, f.writeTime, (f.size & InvalidTimes) == 0);
        if ((i + 1) % ChunkEntries == 0)
            chunks_[i / ChunkEntries].reset();
    }
    *this = std::move(kept);
}

const unsigned char* FileList::GroupStart(std::size_t i) const {
    const uint64_t ref = groups_[i / GroupSize];
    return blocks_[ref >> BlockShift].get() + (ref & OffsetMask);
}

std::size_t FileList::FolderRunOf(std::size_t i) const {
    const auto after = std::upper_bound(runs_.begin(), runs_.end(), i,
                                        [](std::size_t i, const Run& r) { return i < r.first; });
    return static_cast<std::size_t>(after - runs_.begin()) - 1;
}

std::string FileList::Name(std::size_t i) const {
    std::string name;
    const unsigned char* at = GroupStart(i);
    for (std::size_t n = i / GroupSize * GroupSize; n <= i; ++n)
        at = Decode(at, name);
    return name;
}

std::string FileList::Path(std::size_t i) const {
    const std::string_view folder = Folder(i);
    std::string name = Name(i);
    std::string path;
    path.reserve(folder.size() + name.size());
    path.append(folder).append(name);
    return path;
}

} // namespace hozonix::engine
