#pragma once
// Reading the version strings that hozonix_add_version_info puts into the section ".hozonix_version" of
// a program file. The section is text, one "lookup path=value" line per entry, the lookup paths being
// "\VarFileInfo\Translation" (pairs of 4-digit hexadecimal language and code page words) and
// "\StringFileInfo\" + table key + "\" + name.

#include <optional>
#include <string>

namespace hozonix::about {

inline constexpr const char* VersionSectionName = ".hozonix_version";
inline constexpr size_t MaxVersionLength = 256;

// The full path of the running program.
std::string CurrentProgramPath();

// The bytes of the version section of the ELF file at `path`; nothing when the file cannot be read, is
// no ELF file or has no such section.
std::optional<std::string> ReadVersionSection(const std::string& path);

// The value of one lookup path in the section text; nothing when the path is absent.
std::optional<std::string> QueryVersionValue(const std::string& section, const std::string& lookupPath);

// The table key of the first translation pair ("041103A4"); empty when there is none.
std::string FirstTranslationKey(const std::string& section);

// The "FileVersion" text of the first translation's table in the section text, at most 256 characters.
std::string FileVersionFromSection(const std::string& section);

// The "FileVersion" text of the first translation's table of the program file, at most 256 characters;
// empty when the file carries no version strings.
std::string ReadFileVersion(const std::string& programPath = CurrentProgramPath());

} // namespace hozonix::about
