#include "netinfo/EnumNetResources.h"

#include "base/MessageBoxService.h"

namespace hozonix::netinfo {

std::string ResourceLine(const NetResource& r) {
    return "RemoteName:" + r.RemoteName.value_or("") + ", " + "Provider:" + r.Provider.value_or("");
}

bool EnumNetResources(NetResourceProvider& provider, MessageBoxService& messages,
                      std::vector<std::string>& lines, const NetResource* parent) {
    std::unique_ptr<NetEnumeration> level;
    int code = provider.Open(parent, level);
    if (code != 0 || !level) {
        messages.ShowMessage("WNetOpenEnum: " + std::to_string(code));
        return false;
    }

    bool complete = true;
    for (;;) {
        std::vector<NetResource> entries;
        code = level->Next(entries);
        if (code == NoMoreItems)
            break;
        if (code != 0) {
            messages.ShowMessage("WNetEnumResource: " + std::to_string(code));
            complete = false;
            break;
        }
        // A provider that keeps answering success with nothing in it would hold the program forever.
        if (entries.empty())
            break;
        for (const NetResource& r : entries) {
            if (r.RemoteName || r.Provider)
                lines.push_back(ResourceLine(r));
            if (r.Usage & ResourceUsageContainer)
                EnumNetResources(provider, messages, lines, &r);
        }
    }

    code = level->Close();
    if (code != 0)
        messages.ShowMessage("WNetCloseEnum: " + std::to_string(code));
    return complete;
}

} // namespace hozonix::netinfo
