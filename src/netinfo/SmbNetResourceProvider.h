#pragma once
// The network tree over libsmbclient: the root "smb://" holds workgroups, a workgroup holds servers, a
// server holds shares. Workgroups and servers are containers; shares are leaves. The remote name of an
// entry is its smb:// address, the provider name "SMB", and failures are errno values.

#include "netinfo/NetResource.h"

#include <functional>
#include <string>

typedef struct _SMBCCTX SMBCCTX;

namespace hozonix::netinfo {

inline constexpr const char* SmbProviderName = "SMB";

struct SmbCredentials {
    std::string Workgroup; // empty: keep what the client configuration gives
    std::string User;      // empty: anonymous
    std::string Password;
};

struct SmbOptions {
    // Longest wait for one reply of a server, so that a silent server cannot hold the program.
    int TimeoutMs = 2000;
    // A client configuration file used instead of the user's own Samba client configuration.
    std::string ConfigurationFile;
    // Asked for each server and share that is opened; without it every connection is anonymous.
    std::function<SmbCredentials(const std::string& server, const std::string& share)> Credentials;
};

class SmbNetResourceProvider : public NetResourceProvider {
public:
    // libsmbclient is set up on the first Open; a failure to set it up is that Open's code (ENETDOWN
    // when no interface with an address is up).
    explicit SmbNetResourceProvider(SmbOptions options = {});
    ~SmbNetResourceProvider() override;
    SmbNetResourceProvider(const SmbNetResourceProvider&) = delete;
    SmbNetResourceProvider& operator=(const SmbNetResourceProvider&) = delete;

    int Open(const NetResource* parent, std::unique_ptr<NetEnumeration>& out) override;

private:
    int CreateContext();
    static void Authenticate(SMBCCTX* ctx, const char* server, const char* share, char* workgroup,
                             int workgroupLength, char* user, int userLength, char* password,
                             int passwordLength);

    SmbOptions options_;
    SMBCCTX* ctx_ = nullptr;
};

// The address of a child entry: workgroups and servers sit right below "smb://", shares below their
// server's address. The name is URL-encoded.
std::string SmbChildUrl(const std::string& parentUrl, unsigned smbcType, const std::string& name);

} // namespace hozonix::netinfo
