#pragma once
// Names as a drive that ignores letter case sees them (FAT, exFAT, NTFS, SMB shares): two names with the
// same folded form are one name there.

#include <string>
#include <string_view>

namespace hozonix::engine {

// `name` with every letter in upper case (UTF-8; bytes that are not valid UTF-8 stay as they are).
std::string FoldedName(std::string_view name);

} // namespace hozonix::engine
