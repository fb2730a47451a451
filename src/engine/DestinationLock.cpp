#include "engine/DestinationLock.h"

#include "engine/EngineTexts.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace hozonix::engine {

DestinationLock::DestinationLock(const std::string& folder) {
    fd_.reset(open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (fd_.get() < 0)
        return; // the run itself reports a folder it cannot use
    int rc;
    while ((rc = flock(fd_.get(), LOCK_EX | LOCK_NB)) != 0 && errno == EINTR) {
    }
    if (rc == 0)
        return;
    const bool busy = errno == EWOULDBLOCK;
    fd_.reset();
    if (busy)
        throw DestinationBusyError(texts::DestinationBusy + folder);
}

DestinationLock::~DestinationLock() = default;

} // namespace hozonix::engine
