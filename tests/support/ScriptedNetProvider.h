#pragma once
// A network tree from a script: for each parent (by remote name, "" for the root) the code of opening,
// the answers of the provider one by one, and the code of closing. Records every call in order.

#include "netinfo/NetResource.h"

#include <map>
#include <string>
#include <utility>
#include <vector>

namespace hozonix::test {

struct ScriptedLevel {
    int openCode = 0;
    // Each answer: a code and the entries that come with code 0. NoMoreItems follows the last one.
    std::vector<std::pair<int, std::vector<netinfo::NetResource>>> answers;
    int closeCode = 0;
};

class ScriptedNetProvider : public netinfo::NetResourceProvider {
public:
    std::map<std::string, ScriptedLevel> levels;
    std::vector<std::string> calls; // "open X", "next X", "close X"

    int Open(const netinfo::NetResource* parent, std::unique_ptr<netinfo::NetEnumeration>& out) override {
        std::string key = parent != nullptr ? parent->RemoteName.value_or("") : "";
        calls.push_back("open " + key);
        auto it = levels.find(key);
        if (it == levels.end())
            return 2;
        if (it->second.openCode != 0)
            return it->second.openCode;
        out = std::make_unique<Level>(*this, key, it->second);
        return 0;
    }

private:
    class Level : public netinfo::NetEnumeration {
    public:
        Level(ScriptedNetProvider& owner, std::string key, const ScriptedLevel& script)
            : owner_(owner), key_(std::move(key)), script_(script) {}
        int Next(std::vector<netinfo::NetResource>& entries) override {
            owner_.calls.push_back("next " + key_);
            if (next_ >= script_.answers.size())
                return netinfo::NoMoreItems;
            const auto& [code, batch] = script_.answers[next_++];
            if (code == 0)
                entries.insert(entries.end(), batch.begin(), batch.end());
            return code;
        }
        int Close() override {
            owner_.calls.push_back("close " + key_);
            return script_.closeCode;
        }

    private:
        ScriptedNetProvider& owner_;
        std::string key_;
        ScriptedLevel script_;
        size_t next_ = 0;
    };
};

inline netinfo::NetResource Container(const std::string& name, const std::string& provider = "SMB") {
    netinfo::NetResource r;
    r.Usage = netinfo::ResourceUsageContainer;
    r.RemoteName = name;
    r.Provider = provider;
    return r;
}

inline netinfo::NetResource Share(const std::string& name, const std::string& provider = "SMB") {
    netinfo::NetResource r;
    r.Usage = netinfo::ResourceUsageConnectable;
    r.RemoteName = name;
    r.Provider = provider;
    return r;
}

} // namespace hozonix::test
