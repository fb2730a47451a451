#pragma once
// Small pieces of text handling that several layers need: splitting at a separator, hexadecimal digits
// and percent-encoded names, and writing a code point as UTF-8.

#include <string>
#include <string_view>
#include <vector>

namespace hozonix {

// Every part between separators, empty ones included ("a,,b" gives "a", "", "b").
std::vector<std::string_view> SplitText(std::string_view text, char separator);

// 0-15 for a hexadecimal digit of either case, -1 for anything else.
int HexDigitValue(char c);

// Each "%XX" of two hexadecimal digits as the byte it stands for; any other '%' stays as it is.
std::string PercentDecoded(std::string_view text);

// Appends the code point `c` (at most U+10FFFF) as UTF-8.
void AppendUtf8(std::string& out, char32_t c);

} // namespace hozonix
