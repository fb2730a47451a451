#include "engine/FileEntry.h"

#include <algorithm>
#include <stdexcept>

namespace hozonix::engine {

void FileList::Add(std::string_view folder, std::string_view name, int64_t size, int64_t writeTime,
                   bool timesValid) {
    if (name.size() > 255)
        throw std::length_error("file name longer than 255 bytes");
    const bool newFolder = runs_.empty() || runs_.back().folder != folder;
    if (newFolder)
        runs_.push_back({count_, std::string(folder)});
    names_.push_back(name, newFolder);
    if (count_ == room_)
        MakeRoom();
    chunks_.back()[count_ % ChunkEntries] = {(size & SizeMask) | (timesValid ? 0 : InvalidTimes), writeTime};
    ++count_;
}

void FileList::MakeRoom() {
    // As with the names, the first chunk starts small and doubles.
    if (chunks_.size() <= 1 && room_ < ChunkEntries) {
        const std::size_t grown = std::max(room_ * 2, FirstChunkEntries);
        auto chunk = std::make_unique_for_overwrite<Fixed[]>(grown);
        if (chunks_.empty()) {
            chunks_.push_back(std::move(chunk));
        } else {
            std::copy(chunks_[0].get(), chunks_[0].get() + count_, chunk.get());
            chunks_[0] = std::move(chunk);
        }
        room_ = grown;
        return;
    }
    chunks_.push_back(std::make_unique_for_overwrite<Fixed[]>(ChunkEntries));
    room_ += ChunkEntries;
}

void FileList::push_back(const FileEntry& entry) {
    const std::size_t slash = entry.path.rfind('/');
    const std::size_t split = slash == std::string::npos ? 0 : slash + 1;
    Add(std::string_view(entry.path).substr(0, split), std::string_view(entry.path).substr(split), entry.size,
        entry.writeTime, entry.timesValid);
}

template <typename Each> void FileList::Drain(FileList& from, Each&& each) {
    std::size_t run = 0;
    FrontCodedStrings names = std::move(from.names_);
    names.Drain([&](std::size_t i, const std::string& name) {
        from.AdvanceRun(run, i);
        each(i, name, from.At(i), from.runs_[run].folder);
        if ((i + 1) % ChunkEntries == 0)
            from.chunks_[i / ChunkEntries].reset();
    });
    from = FileList();
}

void FileList::Append(FileList&& other) {
    Drain(other, [&](std::size_t, const std::string& name, const Fixed& f, const std::string& folder) {
        Add(folder, name, f.size & SizeMask, f.writeTime, (f.size & InvalidTimes) == 0);
    });
}

void FileList::Keep(const std::vector<bool>& keep) {
    if (std::find(keep.begin(), keep.end(), false) == keep.end())
        return; // nothing to drop: no need to copy a million names
    FileList kept;
    Drain(*this, [&](std::size_t i, const std::string& name, const Fixed& f, const std::string& folder) {
        if (keep[i])
            kept.Add(folder, name, f.size & SizeMask, f.writeTime, (f.size & InvalidTimes) == 0);
    });
    *this = std::move(kept);
}

std::size_t FileList::FolderRunOf(std::size_t i) const {
    const auto after = std::upper_bound(runs_.begin(), runs_.end(), i,
                                        [](std::size_t i, const Run& r) { return i < r.first; });
    return static_cast<std::size_t>(after - runs_.begin()) - 1;
}

std::string FileList::Path(std::size_t i) const {
    return Cursor(*this, i).Path();
}

void FileList::Cursor::Next() {
    ++name_;
    ++i_;
    list_->AdvanceRun(run_, i_);
}

std::string FileList::Cursor::Path() const {
    const std::string_view folder = Folder();
    const std::string& name = Name();
    std::string path;
    path.reserve(folder.size() + name.size());
    path.append(folder).append(name);
    return path;
}

} // namespace hozonix::engine
