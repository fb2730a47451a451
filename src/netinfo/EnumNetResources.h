#pragma once
// Listing the network tree into lines of text, one line per entry, depth first.

#include "netinfo/NetResource.h"

#include <string>
#include <vector>

namespace hozonix {
class MessageBoxService;
}

namespace hozonix::netinfo {

inline constexpr const char* EnumEndLine = "--- Enum end ---";

// "RemoteName:" + remote name + ", " + "Provider:" + provider name; absent names count as empty.
std::string ResourceLine(const NetResource& r);

// Appends one line per entry below `parent` (nullptr: the root) to `lines`, descending into containers.
// Each failure is shown at once through `messages`; a level that fails ends and its parent goes on.
// Returns true when this level was walked to its end.
bool EnumNetResources(NetResourceProvider& provider, MessageBoxService& messages,
                      std::vector<std::string>& lines, const NetResource* parent);

} // namespace hozonix::netinfo
