#pragma once
// A list of byte strings stored front-coded: each as the length it shares with the string before it, the
// length of the rest and the rest. Names of one folder, or paths written one after the other, share most
// of their bytes, so a list takes a fraction of what separate strings would. Coding starts afresh every
// GroupSize strings (and wherever the caller asks), so any string is found by decoding at most one group
// from its start.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace hozonix::engine {

class FrontCodedStrings {
public:
    FrontCodedStrings() = default;
    FrontCodedStrings(FrontCodedStrings&&) noexcept = default;
    FrontCodedStrings& operator=(FrontCodedStrings&&) noexcept = default;
    // A copy is a copy of the blocks: no string is decoded.
    FrontCodedStrings(const FrontCodedStrings& other);
    FrontCodedStrings& operator=(const FrontCodedStrings& other) {
        if (this != &other)
            *this = FrontCodedStrings(other);
        return *this;
    }

    // `restart`: code this one without reference to the one before (a new folder, say). Strings are at
    // most MaxLength bytes.
    void push_back(std::string_view text, bool restart = false);
    std::size_t size() const { return count_; }
    bool empty() const { return count_ == 0; }
    std::string operator[](std::size_t i) const;

    // Reads the strings in order from the first: `each` gets the index and the string.
    template <typename Each> void ForEach(Each&& each) const {
        Reader reader(*this, 0);
        for (std::size_t i = 0; i < count_; ++i)
            each(i, reader.Next());
    }

    // The same, giving back each block once it has been read; the list is empty afterwards.
    template <typename Each> void Drain(Each&& each) {
        Reader reader(*this, 0);
        for (std::size_t i = 0; i < count_; ++i) {
            const std::size_t before = reader.block;
            each(i, reader.Next());
            for (std::size_t b = before; b < reader.block; ++b)
                blocks_[b].reset();
        }
        *this = FrontCodedStrings();
    }

    static constexpr std::size_t MaxLength = 65535;

private:
    static constexpr std::size_t GroupSize = 16;
    static constexpr std::size_t BlockBytes = 1 << 20;
    static constexpr std::size_t FirstBlockBytes = 4096;

    void MakeRoom(std::size_t bytes);

    // Decodes the strings one after the other from the start of the group of string `first`.
    struct Reader {
        Reader(const FrontCodedStrings& list, std::size_t first);
        const std::string& Next();
        const FrontCodedStrings& list;
        std::size_t block;
        const unsigned char* at;
        std::string text;
    };

public:
    // Reads the strings in order from the i-th, decoding each once; what it points to lasts until it moves.
    class const_iterator {
    public:
        const_iterator(const FrontCodedStrings& list, std::size_t i) : list_(&list), i_(i) {}
        const std::string& operator*() const {
            Load();
            return reader_->text;
        }
        const_iterator& operator++() {
            Load();
            loaded_ = false;
            ++i_;
            return *this;
        }
        bool operator!=(const const_iterator& other) const { return i_ != other.i_; }

    private:
        void Load() const {
            if (loaded_)
                return;
            if (!reader_) {
                reader_.emplace(*list_, i_);
                for (std::size_t n = i_ / GroupSize * GroupSize; n < i_; ++n)
                    reader_->Next();
            }
            reader_->Next();
            loaded_ = true;
        }

        const FrontCodedStrings* list_;
        std::size_t i_;
        mutable std::optional<Reader> reader_;
        mutable bool loaded_ = false;
    };
    const_iterator begin() const { return {*this, 0}; }
    const_iterator end() const { return {*this, count_}; }

private:
    std::vector<std::unique_ptr<unsigned char[]>> blocks_;
    std::vector<uint64_t> groups_; // per group: block << 20 | offset
    std::size_t blockUsed_ = 0;
    std::size_t capacity_ = 0; // of the last block
    std::string last_;
    std::size_t count_ = 0;
};

} // namespace hozonix::engine
