#pragma once
// Recovery protection: the previous version of a large destination file is renamed aside before it is
// overwritten and renamed back when the copy does not complete.

#include <cstdint>
#include <string>

namespace hozonix::engine {

// True when a file of `size` bytes is protected so under `threshold` (0 or less: none is).
inline bool IsParked(int64_t size, int64_t threshold) {
    return threshold > 0 && size > threshold;
}

// Deletes an old file under the parked name (silently), then renames `target`, when it exists, to its
// parked name. Raises AppError target + "を\r\n" + parked + "へ変更できません" when that rename fails
// (also when the parked name is too long for the file system); the target is then untouched.
void ParkPreviousVersion(const std::string& target);

// Removes whatever is at `target` and renames the parked file, when there is one, back to `target`.
// Raises AppError parked + "を\r\n" + target + "へ書き戻すことができません" when that rename fails.
void PutBackPreviousVersion(const std::string& target);

} // namespace hozonix::engine
