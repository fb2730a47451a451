#include "HelpText.h"

#ifndef HOZONIX_VERSION
#define HOZONIX_VERSION "unknown"
#endif

namespace hozonix::runner {

std::string HelpText() {
    return R"(Usage: hozonix-run [OPTION]... PROFILE...
  or:  hozonix-run [OPTION]... --all
  or:  hozonix-run --list
Run the backup profiles of the Hozonix desktop program without its window: from a
timer, a script or a remote shell.

Each profile runs as the desktop program runs it. In fast mode, the default, only
files written since the start of the profile's last complete run are looked at;
that start time is stored again after a run that wrote files without a failure.
Profile names are matched without regard to letter case.

  -a, --all              run the ticked profiles of the desktop program's list
  -l, --list             list the profiles with their folders, exclusions, tick
                           and last-run time
  -c, --careful          compare every file of the source (full scan)
  -n, --dry-run          decide everything as a real run would, but write nothing
                           (no file, no folder, no stored time); list the files
                           that a run would write
  -t, --threshold=BYTES  keep the previous version of files larger than BYTES
                           until their copy is complete (0: never); overrides
                           the stored setting for this run
  -q, --quiet            print only the summary of each run
  -o, --output=DIR       save the lists of written and failed files as
                           DIR/written.txt and DIR/failed.txt
  -s, --settings=FILE    use FILE instead of the desktop program's settings
  -h, --help             show this help and exit
  -V, --version          show the version and exit

On a terminal a progress line is redrawn in place; otherwise every progress text
is a line of its own. Messages go to standard error. Where the desktop program
would ask, the runner answers on its own: a file with an invalid date is skipped,
and the run ends after a copy that did not complete. Ctrl-C or SIGTERM abandons
the copy in progress (its previous version stays in place) and ends the run.

Exit status:
  0    every file that needed it was written
  1    some files could not be written
  2    usage error, unknown profile, or settings that cannot be read
  3    an error ended a run (the remaining profiles are not run)
  130  interrupted by Ctrl-C, SIGTERM or a hang-up

Settings are read from $XDG_CONFIG_HOME/Korimaru/hozonix/hozonix.ini
(~/.config/Korimaru/hozonix/hozonix.ini when XDG_CONFIG_HOME is not set).
)";
}

std::string VersionText() {
    return std::string(ProgramName) + " (Hozonix) " HOZONIX_VERSION "\n";
}

} // namespace hozonix::runner
