#pragma once
// Byte-string path pieces used by the copy and the run.

#include <string>
#include <string_view>

namespace hozonix::engine {

// Everything before the last "/" ("" for a bare name, "/" for a file in the root).
std::string FolderOf(const std::string& path);
// Everything after the last "/".
std::string FileNameOf(const std::string& path);
// `folder` and `name` with exactly one "/" between them.
std::string JoinPath(const std::string& folder, const std::string& name);
// Where a scanned file goes: the destination folder joined with the part of the source path below
// the source folder, with one "/" whatever separators either folder was typed with.
std::string DestinationPathOf(const std::string& sourcePath, const std::string& sourceFolder,
                              const std::string& destinationFolder);
// The name the previous version is kept under: the extension (from the last "." of the file name)
// replaced by ".~TMP", or ".~TMP" appended to a name without one.
std::string ParkedNameOf(const std::string& target);
// A relative path made absolute against the current folder.
std::string AbsolutePath(const std::string& path);
// True when `path` is `folder` or lies below it (both absolute, without a trailing "/" but for "/").
bool IsAtOrBelow(std::string_view path, std::string_view folder);

} // namespace hozonix::engine
