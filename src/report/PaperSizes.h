#pragma once
// Sheet sizes of the paper codes a report can be set to.

#include <optional>

namespace hozonix::report {

inline constexpr int kPaperDefault = 0;
inline constexpr int kPaperA4 = 9;
inline constexpr int kPaperCustom = 69;

struct SheetSize {
    double widthMm; // portrait: width <= height
    double heightMm;
};

// The portrait sheet of a paper code. "Default" is A4; "Custom" has no fixed size and gives nothing,
// as does a code that names no paper.
std::optional<SheetSize> SheetSizeOfPaper(int code);

} // namespace hozonix::report
