#include "engine/DestinationStamp.h"

#include "base/AtomicFile.h"
#include "base/ScopedFd.h"
#include "engine/TempTarget.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace hozonix::engine {

namespace {

constexpr char Heading[] = "Hozonix backup destination";
constexpr std::size_t MaxBytes = 64 * 1024;
constexpr std::size_t MaxTokens = 64; // profiles come and go: the oldest tokens give way

std::vector<std::string> ReadTokens(int folderFd) {
    std::vector<std::string> tokens;
    ScopedFd fd(
        folderFd < 0 ? -1 : openat(folderFd, StampFileName, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    struct stat st {};
    if (fd.get() < 0 || fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode) ||
        static_cast<std::size_t>(st.st_size) > MaxBytes)
        return tokens;
    std::string text(static_cast<std::size_t>(st.st_size), '\0');
    const ssize_t n = pread(fd.get(), text.data(), text.size(), 0);
    text.resize(n > 0 ? static_cast<std::size_t>(n) : 0);
    std::size_t at = 0;
    bool first = true;
    while (at < text.size()) {
        const std::size_t end = std::min(text.find('\n', at), text.size());
        std::string line = text.substr(at, end - at);
        if (first && line != Heading)
            return {};
        if (!first && !line.empty())
            tokens.push_back(std::move(line));
        first = false;
        at = end + 1;
    }
    return tokens;
}

std::string NewToken() {
    unsigned char bytes[16];
    std::size_t got = 0;
    while (got < sizeof bytes) {
        const ssize_t n = getrandom(bytes + got, sizeof bytes - got, 0);
        if (n < 0 && errno != EINTR)
            return {};
        if (n > 0)
            got += static_cast<std::size_t>(n);
    }
    static constexpr char Hex[] = "0123456789abcdef";
    std::string token;
    for (const unsigned char b : bytes) {
        token += Hex[b >> 4];
        token += Hex[b & 15];
    }
    return token;
}

} // namespace

int OpenOwnFolder(int rootFd, bool create) {
    if (create && mkdirat(rootFd, OwnFolderName, 0755) != 0 && errno != EEXIST)
        return -1;
    return openat(rootFd, OwnFolderName, O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
}

bool StampHolds(int rootFd, const std::string& token) {
    if (token.empty())
        return false;
    const ScopedFd own(OpenOwnFolder(rootFd, false));
    const std::vector<std::string> tokens = ReadTokens(own.get());
    return std::find(tokens.begin(), tokens.end(), token) != tokens.end();
}

std::string RenewStamp(int rootFd, const std::string& previous) {
    const ScopedFd own(OpenOwnFolder(rootFd, true));
    const int folderFd = own.get();
    if (folderFd < 0)
        return {};
    std::vector<std::string> tokens = ReadTokens(folderFd);
    std::erase(tokens, previous);
    const std::string token = NewToken();
    if (token.empty())
        return {};
    tokens.push_back(token);
    if (tokens.size() > MaxTokens)
        tokens.erase(tokens.begin(), tokens.end() - MaxTokens);
    std::string text = std::string(Heading) + "\n";
    for (const std::string& t : tokens)
        text += t + "\n";
    struct stat st {};
    const bool exists = fstatat(folderFd, StampFileName, &st, AT_SYMLINK_NOFOLLOW) == 0;
    TempTarget temp;
    if (!temp.Create(folderFd, StampFileName, !exists) || !WriteAll(temp.fd(), text) || !temp.Close() ||
        !temp.CommitAs(StampFileName))
        return {};
    return token;
}

} // namespace hozonix::engine
