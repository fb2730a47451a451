#include "ui/LineStore.h"

#include <algorithm>
#include <stdexcept>

namespace hozonix::ui {

std::size_t CellsOf(std::string_view line) {
    std::size_t cells = 0;
    for (const char c : line) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x80)
            cells += 1;
        else if (byte >= 0xC0) // the first byte of a multi-byte character
            cells += 2;
    }
    return cells;
}

LineStore::LineStore(engine::PathList lines) : lines_(std::move(lines)) {
    if (lines_.size() >= Added)
        throw std::length_error("too many lines");
    for (const std::string& line : lines_)
        widest_ = std::max(widest_, CellsOf(line));
}

std::string LineStore::operator[](std::size_t i) const {
    if (!edited_)
        return lines_[i];
    const std::uint32_t at = order_[i];
    return at & Added ? added_[at & ~Added] : lines_[at];
}

std::vector<std::string> LineStore::ToVector() const {
    if (!edited_)
        return lines_.ToVector();
    std::vector<std::string> out;
    out.reserve(size());
    for (std::size_t i = 0; i < size(); ++i)
        out.push_back((*this)[i]);
    return out;
}

engine::PathList LineStore::ToPathList() const {
    if (!edited_)
        return lines_; // a copy of its blocks
    engine::PathList out;
    for (std::size_t i = 0; i < size(); ++i)
        out.push_back((*this)[i]);
    return out;
}

void LineStore::StartEditing() {
    if (edited_)
        return;
    order_.resize(lines_.size());
    for (std::size_t i = 0; i < order_.size(); ++i)
        order_[i] = static_cast<std::uint32_t>(i);
    edited_ = true;
}

void LineStore::Replace(std::size_t i, std::string_view text) {
    StartEditing();
    if (added_.size() >= Added - 1)
        throw std::length_error("too many edits");
    order_.at(i) = static_cast<std::uint32_t>(added_.size()) | Added;
    added_.emplace_back(text);
    widest_ = std::max(widest_, CellsOf(text));
}

void LineStore::Remove(std::size_t first, std::size_t count) {
    StartEditing();
    count = std::min(count, order_.size() - std::min(first, order_.size()));
    order_.erase(order_.begin() + static_cast<std::ptrdiff_t>(first),
                 order_.begin() + static_cast<std::ptrdiff_t>(first + count));
}

void LineStore::Insert(std::size_t at, const std::vector<std::string>& lines) {
    StartEditing();
    if (added_.size() + lines.size() >= Added || order_.size() + lines.size() >= Added)
        throw std::length_error("too many lines");
    std::vector<std::uint32_t> numbers;
    numbers.reserve(lines.size());
    for (const std::string& line : lines) {
        numbers.push_back(static_cast<std::uint32_t>(added_.size()) | Added);
        added_.push_back(line);
        widest_ = std::max(widest_, CellsOf(line));
    }
    order_.insert(order_.begin() + static_cast<std::ptrdiff_t>(std::min(at, order_.size())), numbers.begin(),
                  numbers.end());
}

} // namespace hozonix::ui
