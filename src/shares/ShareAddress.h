#pragma once
// A network share typed as a destination: "\\server\share\folder", "smb://[user@]server[:port]/share/folder"
// or "sftp://[user@]host[:port]/folder". The stored profile keeps the text as typed; a run connects the
// share and works on the local folder the desktop's virtual file system gives it.

#include <optional>
#include <string>
#include <string_view>

namespace hozonix::shares {

struct ShareAddress {
    std::string scheme; // "smb" or "sftp"
    std::string user;   // empty: not given
    std::string host;
    int port = 0;       // 0: the scheme's own
    std::string share;  // smb only
    std::string folder; // below the share (smb) or the root (sftp), "/"-separated, no "/" at either end

    // What is mounted: "smb://host[:port]/share" or "sftp://[user@]host[:port]/".
    std::string MountUri() const;
    // The whole location, names percent-encoded.
    std::string Uri() const;
    // How messages name the share: "\\host\share" or "sftp://[user@]host[:port]".
    std::string ShareText() const;
};

// A text that names a network share rather than a local folder (starts with "\\", "//", "smb://" or
// "sftp://"); such a text is never taken as a local path.
bool LooksLikeShareAddress(std::string_view text);

// The address of a folder below the desktop's GVfs folder ("GVFS/smb-share:server=nas,share=photos/2024"
// gives "\\\\nas\\photos\\2024"), so that a profile stores the share and not this session's mount; none
// for any other folder.
std::optional<std::string> ShareAddressOfGvfsPath(std::string_view path, std::string_view gvfsFolder);

// None when the text is no complete share address (no server, no share, a bad port, ".." in the folder).
std::optional<ShareAddress> ParseShareAddress(std::string_view text);

} // namespace hozonix::shares
