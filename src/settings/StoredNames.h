#pragma once
// Sections and keys of the settings file that more than one part of the program reads or writes. Their
// texts are those of files written by earlier versions and must never change.

#include <string_view>

namespace hozonix {

// The main window's own section, also its key under "LAST_Position".
inline constexpr std::string_view MainWindowSection = "fmFileSave";
// The size above which a file's previous copy is kept aside while it is replaced.
inline constexpr std::string_view ThresholdKey = "BACKUP_TEMP_SIZE";
// The names of the ticked profiles, joined.
inline constexpr std::string_view TickedKey = "SAVE_ALL";

} // namespace hozonix
