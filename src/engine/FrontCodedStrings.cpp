#include "engine/FrontCodedStrings.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>

namespace hozonix::engine {

namespace {

constexpr uint64_t OffsetMask = (uint64_t{1} << 20) - 1;
// A record's first number is the shared length plus one; 0 says the group goes on in the next block.
constexpr unsigned char NextBlock = 0;

// Numbers below 128 take one byte, up to 16383 two, up to 65535 three.
std::size_t PutNumber(unsigned char* at, std::size_t n) {
    std::size_t used = 0;
    while (n >= 0x80) {
        at[used++] = static_cast<unsigned char>(n | 0x80);
        n >>= 7;
    }
    at[used++] = static_cast<unsigned char>(n);
    return used;
}

const unsigned char* GetNumber(const unsigned char* at, std::size_t& n) {
    n = 0;
    for (unsigned shift = 0;; shift += 7) {
        const unsigned char byte = *at++;
        n |= std::size_t{byte & 0x7Fu} << shift;
        if ((byte & 0x80) == 0)
            return at;
    }
}

} // namespace

void FrontCodedStrings::push_back(std::string_view text, bool restart) {
    if (text.size() > MaxLength)
        throw std::length_error("string too long for the list");
    const bool groupStart = count_ % GroupSize == 0;
    std::size_t shared = 0;
    if (!restart && !groupStart) {
        const std::size_t most = std::min(text.size(), last_.size());
        while (shared < most && text[shared] == last_[shared])
            ++shared;
    }
    const std::size_t most = 3 + 3 + (text.size() - shared) + 1; // the record and a next-block mark
    if (blockUsed_ + most > capacity_)
        MakeRoom(most);
    if (groupStart)
        groups_.push_back((blocks_.size() - 1) << 20 | blockUsed_);
    unsigned char* at = blocks_.back().get() + blockUsed_;
    std::size_t used = PutNumber(at, shared + 1);
    used += PutNumber(at + used, text.size() - shared);
    std::memcpy(at + used, text.data() + shared, text.size() - shared);
    blockUsed_ += used + text.size() - shared;
    last_.assign(text);
    ++count_;
}

void FrontCodedStrings::MakeRoom(std::size_t bytes) {
    // The first block starts small and doubles: a scan keeps a list for each piece of the tree, often a
    // single folder's files, and a whole block for each would be a fresh mapping to fault in and give back.
    if (blocks_.size() <= 1 && capacity_ < BlockBytes) {
        std::size_t grown = std::max(capacity_ * 2, FirstBlockBytes);
        while (grown < blockUsed_ + bytes)
            grown *= 2;
        auto block = std::make_unique_for_overwrite<unsigned char[]>(grown);
        if (blocks_.empty()) {
            blocks_.push_back(std::move(block));
        } else {
            std::memcpy(block.get(), blocks_[0].get(), blockUsed_);
            blocks_[0] = std::move(block);
        }
        capacity_ = grown;
        return;
    }
    blocks_.back()[blockUsed_] = NextBlock; // so that reading on in order finds the next block
    blocks_.push_back(
        std::make_unique_for_overwrite<unsigned char[]>(BlockBytes)); // untouched pages are free
    blockUsed_ = 0;
    capacity_ = BlockBytes;
}

FrontCodedStrings::Reader::Reader(const FrontCodedStrings& list, std::size_t first)
    : list(list), block(list.groups_.empty() ? 0 : list.groups_[first / GroupSize] >> 20),
      at(list.groups_.empty() ? nullptr
                              : list.blocks_[block].get() + (list.groups_[first / GroupSize] & OffsetMask)) {}

const std::string& FrontCodedStrings::Reader::Next() {
    if (*at == NextBlock)
        at = list.blocks_[++block].get();
    std::size_t shared = 0;
    std::size_t rest = 0;
    at = GetNumber(at, shared);
    at = GetNumber(at, rest);
    text.resize(shared - 1);
    text.append(reinterpret_cast<const char*>(at), rest);
    at += rest;
    return text;
}

FrontCodedStrings::FrontCodedStrings(const FrontCodedStrings& other)
    : groups_(other.groups_), blockUsed_(other.blockUsed_), capacity_(other.capacity_), last_(other.last_),
      count_(other.count_) {
    blocks_.reserve(other.blocks_.size());
    for (const auto& block : other.blocks_) {
        const bool last = &block == &other.blocks_.back();
        blocks_.push_back(std::make_unique_for_overwrite<unsigned char[]>(last ? capacity_ : BlockBytes));
        // Of the last block only what is written: the rest stays untouched, as push_back leaves it.
        std::memcpy(blocks_.back().get(), block.get(), last ? blockUsed_ : BlockBytes);
    }
}

std::string FrontCodedStrings::operator[](std::size_t i) const {
    return *const_iterator(*this, i);
}

} // namespace hozonix::engine
