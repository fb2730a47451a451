#pragma once
// The files a scan collected. Times are nanoseconds since the epoch, read from the directory walk (statx),
// so the run never has to open a file to compare it.
//
// A list holds its files compactly, since a run keeps all of them from the scan to its end: each folder's
// path once, names front-coded in blocks of bytes, size and write time packed; about 20 bytes and what a
// name does not share with the one before it, where a path per file would take several times that.

#include "engine/FrontCodedStrings.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace hozonix::engine {

struct FileEntry {
    std::string path; // the scanned folder, one "/", the name: bytes as on disk
    int64_t size = 0;
    int64_t writeTime = 0;
    // False when one of the file's times (creation, write, access) has no valid calendar date.
    bool timesValid = true;
};

class FileList {
public:
    FileList() = default;
    FileList(FileList&&) noexcept = default;
    FileList& operator=(FileList&&) noexcept = default;
    FileList(const FileList&) = delete;
    FileList& operator=(const FileList&) = delete;

    // Appends a file of the folder whose path (with one trailing "/") is `folder`; the files of one
    // folder are added one after the other.
    void Add(std::string_view folder, std::string_view name, int64_t size, int64_t writeTime,
             bool timesValid);
    // The same with a full path, split at its last "/".
    void push_back(const FileEntry& entry);
    // Moves the files of `other` to the end of this list.
    void Append(FileList&& other);
    // Keeps the files whose flag is set, in their order.
    void Keep(const std::vector<bool>& keep);
    void clear() { *this = FileList(); }

    std::size_t size() const { return count_; }
    bool empty() const { return count_ == 0; }

    std::string Path(std::size_t i) const;
    // The file's folder with its trailing "/".
    std::string_view Folder(std::size_t i) const { return runs_[FolderRunOf(i)].folder; }
    std::string Name(std::size_t i) const { return names_[i]; }
    int64_t Size(std::size_t i) const { return At(i).size & SizeMask; }
    int64_t WriteTime(std::size_t i) const { return At(i).writeTime; }
    bool TimesValid(std::size_t i) const { return (At(i).size & InvalidTimes) == 0; }
    FileEntry operator[](std::size_t i) const { return {Path(i), Size(i), WriteTime(i), TimesValid(i)}; }

    // Files of one folder come one after the other: the folder runs, numbered from 0, and the first file
    // of each.
    std::size_t FolderRunOf(std::size_t i) const;
    std::size_t FolderRunCount() const { return runs_.size(); }
    std::size_t FirstOfRun(std::size_t run) const { return runs_[run].first; }

    // Reads the files in order from the i-th, decoding each name once and building no path unless asked:
    // what a loop over a million files wants.
    class Cursor {
    public:
        explicit Cursor(const FileList& list, std::size_t i = 0)
            : list_(&list), i_(i), run_(i < list.count_ ? list.FolderRunOf(i) : 0), name_(list.names_, i) {}
        bool AtEnd() const { return i_ >= list_->count_; }
        void Next();
        std::size_t Index() const { return i_; }
        // The folder run of the file, and its folder with the trailing "/".
        std::size_t Run() const { return run_; }
        std::string_view Folder() const { return list_->runs_[run_].folder; }
        const std::string& Name() const { return *name_; }
        int64_t Size() const { return list_->Size(i_); }
        int64_t WriteTime() const { return list_->WriteTime(i_); }
        bool TimesValid() const { return list_->TimesValid(i_); }
        std::string Path() const;
        FileEntry Entry() const { return {Path(), Size(), WriteTime(), TimesValid()}; }

    private:
        const FileList* list_;
        std::size_t i_;
        std::size_t run_;
        FrontCodedStrings::const_iterator name_;
    };

    class iterator {
    public:
        iterator(const FileList& list, std::size_t i) : cursor_(list, i) {}
        FileEntry operator*() const { return cursor_.Entry(); }
        iterator& operator++() {
            cursor_.Next();
            return *this;
        }
        bool operator!=(const iterator& other) const { return cursor_.Index() != other.cursor_.Index(); }

    private:
        Cursor cursor_;
    };
    iterator begin() const { return {*this, 0}; }
    iterator end() const { return {*this, count_}; }

private:
    struct Fixed {
        int64_t size; // the top bit flags invalid times
        int64_t writeTime;
    };
    struct Run {
        std::size_t first;
        std::string folder;
    };
    static constexpr std::size_t ChunkEntries = 1 << 15;
    static constexpr std::size_t FirstChunkEntries = 256;
    static constexpr int64_t InvalidTimes = INT64_MIN;
    static constexpr int64_t SizeMask = INT64_MAX;

    const Fixed& At(std::size_t i) const { return chunks_[i / ChunkEntries][i % ChunkEntries]; }
    // Moves every file of `from` through `each(index, name, fixed, folder)`, giving back what has been
    // read, so that two lists are never whole at the same time.
    template <typename Each> static void Drain(FileList& from, Each&& each);
    // Moves `run` on from an earlier folder run to that of file i.
    void AdvanceRun(std::size_t& run, std::size_t i) const {
        while (run + 1 < runs_.size() && runs_[run + 1].first <= i)
            ++run;
    }

    void MakeRoom();

    std::vector<std::unique_ptr<Fixed[]>> chunks_;
    std::size_t room_ = 0;    // entries the chunks hold
    FrontCodedStrings names_; // a new folder starts the coding afresh
    std::size_t count_ = 0;
    std::vector<Run> runs_;
};

} // namespace hozonix::engine
