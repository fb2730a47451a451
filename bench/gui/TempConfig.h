#pragma once
// A private settings folder for one benchmark process, removed at its end.

#include <cstdlib>
#include <filesystem>
#include <string>

namespace hozonix::bench {

class TempConfig {
public:
    TempConfig() {
        std::string pattern = (std::filesystem::temp_directory_path() / "hozonix-gui-bench-XXXXXX").string();
        if (mkdtemp(pattern.data()) != nullptr)
            path_ = pattern;
    }
    ~TempConfig() {
        std::error_code ec;
        if (!path_.empty())
            std::filesystem::remove_all(path_, ec);
    }
    TempConfig(const TempConfig&) = delete;
    TempConfig& operator=(const TempConfig&) = delete;
    const std::string& Path() const { return path_; }

private:
    std::string path_;
};

} // namespace hozonix::bench
