#pragma once
// Comma text: several values packed into one line, separated by commas, a value in double quotes when it
// holds blanks, commas, quotes or control characters (quotes inside doubled).

#include <string>
#include <string_view>
#include <vector>

namespace hozonix {

// Splits comma text. Unquoted blanks and control characters separate items like commas do; blanks after
// a comma are skipped; a quoted item keeps its commas and blanks and turns "" into ".
std::vector<std::string> SplitCommaText(std::string_view text);

// Joins items as comma text, quoting those that need it. A single empty item gives "".
std::string JoinCommaText(const std::vector<std::string>& items);

} // namespace hozonix
