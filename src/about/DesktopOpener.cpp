#include "about/DesktopOpener.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace hozonix::about {

bool StartDetached(const std::string& program, const std::string& argument) {
    // Everything the children touch is prepared before fork: only async-signal-safe calls follow it.
    char* argv[] = {const_cast<char*>(program.c_str()), const_cast<char*>(argument.c_str()), nullptr};
    pid_t middle = fork();
    if (middle < 0)
        return false;
    if (middle == 0) {
        setsid();
        pid_t handler = fork();
        if (handler == 0) {
            int devNull = open("/dev/null", O_RDONLY);
            if (devNull >= 0) {
                dup2(devNull, STDIN_FILENO);
                close(devNull);
            }
            execvp(argv[0], argv);
            _exit(127);
        }
        _exit(handler < 0 ? 1 : 0);
    }
    int status = 0;
    while (waitpid(middle, &status, 0) < 0 && errno == EINTR) {
    }
    return true;
}

void XdgOpener::Open(const std::string& target) {
    StartDetached(command_, target);
}

} // namespace hozonix::about
