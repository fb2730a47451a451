#pragma once
// Attribute tests on a path, with the Linux meaning of each attribute.

#include <string>

namespace hozonix::engine {

enum FileAttribute : unsigned {
    ReadOnlyAttribute = 0x01,  // no write permission bit set
    HiddenAttribute = 0x02,    // the name begins with "."
    SystemAttribute = 0x04,    // neither a regular file nor a folder (FIFO, socket, device)
    DirectoryAttribute = 0x10, // a folder, also through a link
};

// True when every requested bit is set. A path whose attributes cannot be read has every bit set, so
// the test is true for it (a missing destination counts as a folder).
bool HasAttributes(const std::string& path, unsigned attributes);

} // namespace hozonix::engine
