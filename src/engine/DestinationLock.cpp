#include "engine/DestinationLock.h"

#include "engine/EngineTexts.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace hozonix::engine {

DestinationLock::DestinationLock(const std::string& folder) {
    fd_ = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd_ < 0)
        return; // the run itself reports a folder it cannot use
    int rc;
    while ((rc = flock(fd_, LOCK_EX | LOCK_NB)) != 0 && errno == EINTR) {
    }
    if (rc == 0)
        return;
    const bool busy = errno == EWOULDBLOCK;
    close(fd_);
    fd_ = -1;
    if (busy)
        throw DestinationBusyError(texts::DestinationBusy + folder);
}

DestinationLock::~DestinationLock() {
    if (fd_ >= 0)
        close(fd_);
}

} // namespace hozonix::engine
