#pragma once
// What one fuzz input is put through, shared by the in-suite mutation loop and the libFuzzer targets.
// Each function returns normally for any input; a fault shows as a sanitizer report, a crash, a hang or
// a failed check (which aborts).

#include <string_view>

namespace hozonix::test {

// Decodes the bytes as a ".REP" file; an accepted file must encode back to the same pages and is drawn
// page by page. With `seal` set, the bytes are taken as the file's body and given a valid header first,
// so that mutations get past the CRC to the checks of the fields. Returns whether the file was accepted.
bool FuzzReportFile(std::string_view bytes, bool seal);

// Parses the bytes as a settings file both ways (the lines kept for writing, the index for reading),
// which must agree on every key found in them, and writes a key into it.
void FuzzSettingsFile(std::string_view bytes);

} // namespace hozonix::test
