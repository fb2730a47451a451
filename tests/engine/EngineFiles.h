#pragma once
// File helpers for the engine tests: files of a given size (sparse when large), exact time stamps.

#include <cstdint>
#include <string>

namespace hozonix::test {

// Creates `path` with `size` bytes: a repeating pattern up to 64 MiB, beyond that a sparse file whose
// first block holds the pattern.
void MakeFile(const std::string& path, int64_t size, char seed = 'a');
// Sets the last-write time (nanoseconds since the epoch); the access time is left alone.
void SetWriteTime(const std::string& path, int64_t nanoseconds);
void SetWriteTimeSeconds(const std::string& path, int64_t seconds);
int64_t WriteTimeOf(const std::string& path);
int64_t SizeOf(const std::string& path);
// Names in a folder, hidden ones included (but the program's own folder of a destination), sorted.
std::string ListFolder(const std::string& folder);

} // namespace hozonix::test
