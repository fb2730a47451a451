#include "netinfo/SmbNetResourceProvider.h"

#include <libsmbclient.h>

#include <ifaddrs.h>
#include <net/if.h>
#include <sys/socket.h>

#include <cerrno>
#include <cstring>
#include <vector>

namespace hozonix::netinfo {

namespace {

// Values of the entry fields, as the listing's callers know them from other providers.
constexpr int ScopeGlobalNet = 2;
constexpr int TypeAny = 0;
constexpr int TypeDisk = 1;
constexpr int TypePrint = 2;

std::string UrlEncode(const std::string& name) {
    std::vector<char> out(name.size() * 3 + 1);
    std::string in = name;
    smbc_urlencode(out.data(), in.data(), static_cast<int>(out.size()));
    return out.data();
}

// Fills an entry from a directory entry; false for kinds that are no network resource (IPC shares,
// folders and files inside a share).
bool ToResource(const std::string& parentUrl, const smbc_dirent& d, NetResource& r) {
    r.Scope = ScopeGlobalNet;
    switch (d.smbc_type) {
    case SMBC_WORKGROUP:
        r.Type = TypeAny;
        r.DisplayType = ResourceDisplayDomain;
        r.Usage = ResourceUsageContainer;
        break;
    case SMBC_SERVER:
        r.Type = TypeAny;
        r.DisplayType = ResourceDisplayServer;
        r.Usage = ResourceUsageContainer;
        break;
    case SMBC_FILE_SHARE:
    case SMBC_COMMS_SHARE:
        r.Type = TypeDisk;
        r.DisplayType = ResourceDisplayShare;
        r.Usage = ResourceUsageConnectable;
        break;
    case SMBC_PRINTER_SHARE:
        r.Type = TypePrint;
        r.DisplayType = ResourceDisplayShare;
        r.Usage = ResourceUsageConnectable;
        break;
    default:
        return false;
    }
    r.RemoteName = SmbChildUrl(parentUrl, d.smbc_type, d.name);
    if (d.comment != nullptr && d.comment[0] != '\0')
        r.Comment = d.comment;
    r.Provider = SmbProviderName;
    return true;
}

class SmbEnumeration : public NetEnumeration {
public:
    SmbEnumeration(SMBCCTX* ctx, SMBCFILE* dir, std::string url)
        : ctx_(ctx), dir_(dir), url_(std::move(url)) {}
    ~SmbEnumeration() override {
        if (dir_ != nullptr)
            smbc_getFunctionClosedir(ctx_)(ctx_, dir_);
    }

    // libsmbclient fetches the whole level when it is opened, so one call hands over everything.
    int Next(std::vector<NetResource>& entries) override {
        if (done_)
            return NoMoreItems;
        done_ = true;
        smbc_readdir_fn readdir = smbc_getFunctionReaddir(ctx_);
        for (;;) {
            errno = 0;
            const smbc_dirent* d = readdir(ctx_, dir_);
            if (d == nullptr)
                return errno;
            NetResource r;
            if (ToResource(url_, *d, r))
                entries.push_back(std::move(r));
        }
    }

    int Close() override {
        SMBCFILE* dir = dir_;
        dir_ = nullptr;
        if (smbc_getFunctionClosedir(ctx_)(ctx_, dir) != 0)
            return errno != 0 ? errno : EIO;
        return 0;
    }

private:
    SMBCCTX* ctx_;
    SMBCFILE* dir_;
    std::string url_;
    bool done_ = false;
};

bool AnyInterfaceUp() {
    ifaddrs* list = nullptr;
    if (getifaddrs(&list) != 0)
        return true; // let libsmbclient find out
    bool found = false;
    for (const ifaddrs* i = list; i != nullptr && !found; i = i->ifa_next)
        found = i->ifa_addr != nullptr &&
                (i->ifa_addr->sa_family == AF_INET || i->ifa_addr->sa_family == AF_INET6) &&
                (i->ifa_flags & IFF_UP) != 0;
    freeifaddrs(list);
    return found;
}

void CopyInto(char* dest, int length, const std::string& value) {
    if (length <= 0)
        return;
    std::strncpy(dest, value.c_str(), static_cast<size_t>(length) - 1);
    dest[length - 1] = '\0';
}

} // namespace

std::string SmbChildUrl(const std::string& parentUrl, unsigned smbcType, const std::string& name) {
    if (smbcType == SMBC_WORKGROUP || smbcType == SMBC_SERVER)
        return "smb://" + UrlEncode(name);
    std::string base = parentUrl;
    while (!base.empty() && base.back() == '/')
        base.pop_back();
    return base + "/" + UrlEncode(name);
}

SmbNetResourceProvider::SmbNetResourceProvider(SmbOptions options) : options_(std::move(options)) {}

SmbNetResourceProvider::~SmbNetResourceProvider() {
    if (ctx_ != nullptr)
        smbc_free_context(ctx_, 1);
}

int SmbNetResourceProvider::CreateContext() {
    // libsmbclient ends the whole process when it finds no network interface to work with.
    if (!AnyInterfaceUp())
        return ENETDOWN;
    SMBCCTX* ctx = smbc_new_context();
    if (ctx == nullptr)
        return errno != 0 ? errno : ENOMEM;
    smbc_setDebug(ctx, 0);
    smbc_setOptionDebugToStderr(ctx, 1);
    smbc_setTimeout(ctx, options_.TimeoutMs);
    smbc_setOptionUserData(ctx, this);
    smbc_setFunctionAuthDataWithContext(ctx, &SmbNetResourceProvider::Authenticate);
    if (!options_.ConfigurationFile.empty() &&
        smbc_setConfiguration(ctx, options_.ConfigurationFile.c_str()) != 0) {
        smbc_free_context(ctx, 1);
        return ENOENT;
    }
    if (smbc_init_context(ctx) == nullptr) {
        int err = errno != 0 ? errno : EINVAL;
        smbc_free_context(ctx, 1);
        return err;
    }
    ctx_ = ctx;
    return 0;
}

int SmbNetResourceProvider::Open(const NetResource* parent, std::unique_ptr<NetEnumeration>& out) {
    if (ctx_ == nullptr) {
        if (int err = CreateContext(); err != 0)
            return err;
    }
    std::string url = "smb://";
    if (parent != nullptr) {
        if (!parent->RemoteName || parent->RemoteName->empty())
            return EINVAL;
        url = *parent->RemoteName;
    }
    errno = 0;
    SMBCFILE* dir = smbc_getFunctionOpendir(ctx_)(ctx_, url.c_str());
    if (dir == nullptr)
        return errno != 0 ? errno : EIO;
    out = std::make_unique<SmbEnumeration>(ctx_, dir, url);
    return 0;
}

void SmbNetResourceProvider::Authenticate(SMBCCTX* ctx, const char* server, const char* share,
                                          char* workgroup, int workgroupLength, char* user, int userLength,
                                          char* password, int passwordLength) {
    auto* self = static_cast<SmbNetResourceProvider*>(smbc_getOptionUserData(ctx));
    SmbCredentials c;
    if (self != nullptr && self->options_.Credentials)
        c = self->options_.Credentials(server != nullptr ? server : "", share != nullptr ? share : "");
    if (!c.Workgroup.empty())
        CopyInto(workgroup, workgroupLength, c.Workgroup);
    CopyInto(user, userLength, c.User);
    CopyInto(password, passwordLength, c.Password);
}

} // namespace hozonix::netinfo
