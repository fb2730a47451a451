#pragma once
// Opening a file or web address with the desktop's default handler.

#include <string>

namespace hozonix::about {

class DesktopOpener {
public:
    virtual ~DesktopOpener() = default;
    // Starts the handler and returns at once; the outcome is not reported.
    virtual void Open(const std::string& target) = 0;
};

// Starts `xdg-open target` (the target as one argument, bytes unchanged) as a process of its own that
// the program neither waits for nor has to reap.
class XdgOpener : public DesktopOpener {
public:
    explicit XdgOpener(std::string command = "xdg-open") : command_(std::move(command)) {}
    void Open(const std::string& target) override;

private:
    std::string command_;
};

// Starts `program` (looked up in PATH) with one argument, detached: the child is reparented at once, so
// no zombie is left behind. Returns false when the intermediate process could not be made.
bool StartDetached(const std::string& program, const std::string& argument);

} // namespace hozonix::about
