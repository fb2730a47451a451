#pragma once
// The lines of a long message list and the user's edits to them. The lines as shown stay in their
// compact list; an edit keeps the changed lines apart and an order of line numbers, so that a million
// paths take a few megabytes until someone changes them, and a few more after.

#include "engine/PathList.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace hozonix::ui {

class LineStore {
public:
    LineStore() = default;
    explicit LineStore(engine::PathList lines);

    std::size_t size() const { return edited_ ? order_.size() : lines_.size(); }
    bool empty() const { return size() == 0; }
    std::string operator[](std::size_t i) const;
    std::vector<std::string> ToVector() const;
    engine::PathList ToPathList() const;

    void Replace(std::size_t i, std::string_view text);
    void Remove(std::size_t first, std::size_t count);
    void Insert(std::size_t at, const std::vector<std::string>& lines);

    // The widest line in character cells (a wide character takes two), for the view's scroll range. It
    // only grows with edits, which at worst leaves some room on the right.
    std::size_t WidestLine() const { return widest_; }

private:
    static constexpr std::uint32_t Added = 0x80000000u; // the line is in added_, not lines_
    void StartEditing();

    engine::PathList lines_;
    std::vector<std::string> added_; // a person's edits: few, and of any length
    std::vector<std::uint32_t> order_;
    bool edited_ = false;
    std::size_t widest_ = 0;
};

// Character cells of a UTF-8 line: one for each ASCII character, two for any other.
std::size_t CellsOf(std::string_view line);

} // namespace hozonix::ui
