#pragma once
// Connecting a network share through the desktop's virtual file system (GVfs, through GIO) for one run,
// and leaving it as it was found afterwards. GVfs looks for a remembered log-on in the desktop's keyring
// itself; a prompt is asked only when it finds none, and a run without a prompt (the runner, a timer)
// never waits for a person.

#include "base/AppError.h"
#include "shares/ShareAddress.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace hozonix::shares {

struct Credentials {
    std::string user;
    std::string domain;
    std::string password;
    bool anonymous = false;
    bool remember = false; // kept in the keyring for later runs and timers
};

class CredentialPrompt {
public:
    virtual ~CredentialPrompt() = default;
    // The log-on for `shareText`; none when the person declined. `message` is the server's own request.
    virtual std::optional<Credentials> Ask(const std::string& shareText, const std::string& message,
                                           const Credentials& suggested, bool anonymousAllowed) = 0;
    // A question of the server (such as an unknown host key): the index of the choice, or -1 to decline.
    virtual int Choose(const std::string& shareText, const std::string& message,
                       const std::vector<std::string>& choices) = 0;
};

// The share could not be connected; the text names it and says why.
class ShareConnectError : public AppError {
public:
    using AppError::AppError;
};

class ConnectedShare {
public:
    virtual ~ConnectedShare() = default;
    // The local folder of the address as typed (it may not exist yet below the share).
    virtual const std::string& LocalFolder() const = 0;
    // True when this connection mounted the share, which it then unmounts when it ends.
    virtual bool ConnectedHere() const = 0;
    // Ends the connection now; false, with the reason, when the share could not be unmounted.
    virtual bool Disconnect(std::string* why = nullptr) = 0;
    // Leaves the share connected for good, as a person who browsed into it expects.
    virtual void Keep() = 0;
};

// Connects the share of `address` and gives its local folder. Without a prompt only an anonymous log-on
// is tried besides what the keyring holds. Raises ShareConnectError.
std::unique_ptr<ConnectedShare> ConnectShare(const ShareAddress& address, CredentialPrompt* prompt,
                                             int timeoutSeconds = 60);

// For a destination as stored: a share address is connected, a local folder is taken as it is. `local`
// receives the folder a run works on.
std::unique_ptr<ConnectedShare> ConnectDestination(const std::string& typed, CredentialPrompt* prompt,
                                                   std::string& local);

} // namespace hozonix::shares
