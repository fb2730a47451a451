#include "runner/HelpText.h"

#ifndef HOZONIX_VERSION
#define HOZONIX_VERSION "unknown"
#endif

namespace hozonix::runner {

std::string HelpText() {
    return R"(Usage: hozonix-run [OPTION]... PROFILE...
  or:  hozonix-run [OPTION]... --all
  or:  hozonix-run --verify [--quiet] PROFILE... | --all
  or:  hozonix-run --list
  or:  hozonix-run [OPTION]... --restore PROFILE [--as-of DATE] [--to DIR] [PATH]...
Run the backup profiles of the Hozonix desktop program without its window: from a
timer, a script or a remote shell.

Each profile runs as the desktop program runs it. In fast mode, the default, only
files written since the start of the profile's last complete run are looked at;
that start time is stored again after a run that wrote files without a failure.
A run that did not end (a crash, a kill, a power cut) makes the next run of its
profile compare every file, and so does a stored time later than the clock.
A fast run is fast only onto the destination the profile's last complete run
left (a small hidden stamp in the destination says so): onto another drive at
the same place, a new one or an older copy, every file is compared. A folder
below a drive that is not mounted (an empty mount point of /etc/fstab, or the
folder a drive was mounted on at the last complete run) is never written.
Profile names are matched exactly first, then without regard to letter case.

A destination may be a network share: \\server\share\folder,
smb://[user@]server[:port]/share/folder or sftp://[user@]host[:port]/folder.
Each run connects it through GVfs (the session bus starts it), logging on with
the password the desktop's keyring remembered, or as a guest; nobody is asked.
The run works on the share's local folder and disconnects it afterwards, unless
it was already connected.

Only one run at a time writes into a destination folder: a run whose destination
is in use by another run (the desktop program or another hozonix-run, also on
another machine writing to the same share) is not started, and the other
profiles still run. Everything a run writes is on disk before its start time is
stored.

A profile can keep the earlier versions of the files its runs replace (set in
the desktop program: Tool > 以前の版の保存). The copy a run replaces then stays
in the destination's hidden folder .hozonix/history/<run's start>/, under its
path; at the end of each run versions older than the profile's days and all but
the newest versions of each file (its count) are removed. Before it writes, a run
compares what it will write with the destination's free space and, when that
cannot fit, writes nothing and says how much it needs and how much is free.

  -a, --all              run the ticked profiles of the desktop program's list
  -l, --list             list the profiles with their folders, exclusions, tick,
                           last-run time and the earlier versions they keep
  -c, --careful          compare every file of the source (full scan)
  -n, --dry-run          decide everything as a real run would, but write nothing
                           (no file, no folder, no stored time); list the files
                           that a run would write
  -k, --keep-going       list a file that cannot be opened or created as failed,
                           with its reason, and go on with the next one instead
                           of ending the profile's run
      --verify           do not run the profiles: read every file a careful run
                           would look at and its copy, compare them byte for
                           byte and list each copy that differs, with the reason
                           (missing, out of date, or other bytes under the same
                           size and time), the copy read from the drive past
                           the page cache; nothing is copied or stored
  -t, --threshold=BYTES  keep the previous version of files larger than BYTES
                           until their copy is complete (0: never); overrides
                           the stored setting for this run
  -q, --quiet            print only the summary of each run
  -o, --output=DIR       save the lists of written and failed files as
                           DIR/written.txt and DIR/failed.txt
  -s, --settings=FILE    use FILE instead of the desktop program's settings
      --restore=PROFILE  bring files back from the profile's backup instead of
                           running it: the PATHs given (files or folders below
                           the source folder, relative to it or absolute inside
                           it), or everything
      --as-of=DATE       restore the files as they were at DATE, local time:
                           YYYY-MM-DD, YYYY-MM-DD HH:MM or YYYY-MM-DD HH:MM:SS
                           ("T" in place of the blank too), meaning the end of
                           that day, minute or second; without it, the latest
                           copies
      --to=DIR           restore into DIR instead of the source folder
  -h, --help             show this help and exit
  -V, --version          show the version and exit

On a terminal a progress line is redrawn in place; otherwise every progress text
is a line of its own. Messages go to standard error. Where the desktop program
would ask, the runner answers on its own: a file with an invalid date is skipped,
and the run ends after a copy that did not complete. Ctrl-C or SIGTERM abandons
the copy in progress (its previous version stays in place) and ends the run.

A restore takes each file's version that was in place at the moment given: the
copy in the backup, or an earlier version that the backup's history kept (in
its hidden folder .hozonix/history), which is copied out, never moved. Each
file is written under a temporary name and gets its own only when complete,
with the version's permission bits and times; a file already there and
different is kept beside it as .NAME.YYYY-MM-DD_HHMMSS.before-restore first,
and one newer than the version restored is left alone and listed as skipped.
An earlier version restored into the source folder also becomes the backup's
copy, the copy it replaces kept in the history, so that the next run finds the
backup as the source is. Nothing is written through a symbolic link or outside
the folder restored to and the backup. With --dry-run, the files that would be
restored are listed and nothing is written.
A restore exits 0 when every file was restored or already as restored, 1 when
some were skipped or failed, 2, 3, 4 and 130 as below.

Exit status:
  0    every file that needed it was written
  1    some files could not be written, among them names the destination cannot
         hold, a folder where a file belongs and files whose names differ only
         in letter case on a drive that ignores it (each listed with its
         reason), or parts of a source could not be read
  2    usage error, unknown or ambiguous profile, or settings that cannot be read
  3    an error ended a run and the remaining profiles were not run (a missing
         or unreadable source folder, a full disk or too little free space
         for what the run would write, writes that could not be flushed to
         disk); or a run's start time could not be stored, or a
         destination folder is missing or not on its drive, or a share
         could not be connected (the remaining profiles still run)
  4    a destination folder was in use by another run: that profile did not run
  130  interrupted by Ctrl-C, SIGTERM or a hang-up before the work was done

With --verify: 0 when every copy matches its source, 1 when any differs, 3 when
a check could not be made (a folder missing or unreadable, a destination not on
its drive, a share not connected; the other profiles are still checked), 2, 4
and 130 as above.

Settings are read from $XDG_CONFIG_HOME/Korimaru/hozonix/hozonix.ini
(~/.config/Korimaru/hozonix/hozonix.ini when XDG_CONFIG_HOME is not set).
)";
}

std::string VersionText() {
    return std::string(ProgramName) + " (Hozonix) " HOZONIX_VERSION "\n";
}

} // namespace hozonix::runner
