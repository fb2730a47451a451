#include "shares/ShareConnection.h"

#include "engine/EngineTexts.h"

#include <gio/gio.h>

#include <sys/stat.h>

#include <cerrno>

namespace hozonix::shares {

namespace {

const std::string Prefix = "共有フォルダ ";

template <typename T> struct Unref {
    void operator()(T* p) const { g_object_unref(p); }
};
template <typename T> using GPtr = std::unique_ptr<T, Unref<T>>;

struct ErrorFree {
    void operator()(GError* e) const { g_error_free(e); }
};
using ErrorPtr = std::unique_ptr<GError, ErrorFree>;

// A private main context for the duration of one call, so that GIO's replies are handled here and not
// by whatever event loop the caller runs.
class PrivateContext {
public:
    PrivateContext() : context_(g_main_context_new()) { g_main_context_push_thread_default(context_); }
    ~PrivateContext() {
        g_main_context_pop_thread_default(context_);
        g_main_context_unref(context_);
    }
    PrivateContext(const PrivateContext&) = delete;
    PrivateContext& operator=(const PrivateContext&) = delete;

    GMainContext* get() const { return context_; }

private:
    GMainContext* context_;
};

// Cancels `cancellable` when `seconds` pass without Restart(); the time a person spends answering a
// prompt does not count.
class Deadline {
public:
    Deadline(GMainContext* context, GCancellable* cancellable, int seconds)
        : context_(context), cancellable_(cancellable), seconds_(seconds) {
        Restart();
    }
    ~Deadline() { Stop(); }
    Deadline(const Deadline&) = delete;
    Deadline& operator=(const Deadline&) = delete;

    void Restart() {
        Stop();
        source_ = g_timeout_source_new_seconds(static_cast<guint>(seconds_));
        g_source_set_callback(source_, &Deadline::Expire, this, nullptr);
        g_source_attach(source_, context_);
    }
    void Stop() {
        if (source_ != nullptr) {
            g_source_destroy(source_);
            g_source_unref(source_);
            source_ = nullptr;
        }
    }
    bool Expired() const { return expired_; }

private:
    static gboolean Expire(gpointer self) {
        auto* d = static_cast<Deadline*>(self);
        d->expired_ = true;
        g_cancellable_cancel(d->cancellable_);
        return G_SOURCE_REMOVE;
    }

    GMainContext* context_;
    GCancellable* cancellable_;
    int seconds_;
    GSource* source_ = nullptr;
    bool expired_ = false;
};

struct Pending {
    bool done = false;
    ErrorPtr error;
};

void Wait(GMainContext* context, const Pending& pending) {
    while (!pending.done)
        g_main_context_iteration(context, TRUE);
}

struct MountAsking {
    CredentialPrompt* prompt = nullptr;
    std::string shareText;
    Deadline* deadline = nullptr;
    int asked = 0;
    bool triedAnonymous = false;
    bool declined = false;      // a person said no
    bool noCredentials = false; // nobody could be asked
};

void AskPassword(GMountOperation* op, const char* message, const char* defaultUser, const char* defaultDomain,
                 GAskPasswordFlags flags, gpointer data) {
    auto* asking = static_cast<MountAsking*>(data);
    const bool anonymousAllowed = (flags & G_ASK_PASSWORD_ANONYMOUS_SUPPORTED) != 0;
    ++asking->asked;
    if (asking->prompt == nullptr) {
        // Without a person, a guest log-on is all there is to try, once.
        if (anonymousAllowed && !asking->triedAnonymous) {
            asking->triedAnonymous = true;
            g_mount_operation_set_anonymous(op, TRUE);
            g_mount_operation_reply(op, G_MOUNT_OPERATION_HANDLED);
            return;
        }
        asking->noCredentials = true;
        g_mount_operation_reply(op, G_MOUNT_OPERATION_ABORTED);
        return;
    }
    Credentials suggested;
    suggested.user = defaultUser != nullptr ? defaultUser : "";
    suggested.domain = defaultDomain != nullptr ? defaultDomain : "";
    std::optional<Credentials> given = asking->prompt->Ask(
        asking->shareText, message != nullptr ? message : "", suggested, anonymousAllowed);
    if (asking->deadline != nullptr)
        asking->deadline->Restart();
    if (!given) {
        asking->declined = true;
        g_mount_operation_reply(op, G_MOUNT_OPERATION_ABORTED);
        return;
    }
    if (given->anonymous && anonymousAllowed) {
        g_mount_operation_set_anonymous(op, TRUE);
    } else {
        g_mount_operation_set_anonymous(op, FALSE);
        g_mount_operation_set_username(op, given->user.c_str());
        g_mount_operation_set_domain(op, given->domain.c_str());
        g_mount_operation_set_password(op, given->password.c_str());
    }
    g_mount_operation_set_password_save(op, given->remember && (flags & G_ASK_PASSWORD_SAVING_SUPPORTED)
                                                ? G_PASSWORD_SAVE_PERMANENTLY
                                                : G_PASSWORD_SAVE_NEVER);
    g_mount_operation_reply(op, G_MOUNT_OPERATION_HANDLED);
}

void AskQuestion(GMountOperation* op, const char* message, const char** choices, gpointer data) {
    auto* asking = static_cast<MountAsking*>(data);
    if (asking->prompt == nullptr) {
        asking->noCredentials = true;
        g_mount_operation_reply(op, G_MOUNT_OPERATION_ABORTED);
        return;
    }
    std::vector<std::string> texts;
    for (const char** c = choices; c != nullptr && *c != nullptr; ++c)
        texts.emplace_back(*c);
    const int choice = asking->prompt->Choose(asking->shareText, message != nullptr ? message : "", texts);
    if (asking->deadline != nullptr)
        asking->deadline->Restart();
    if (choice < 0 || choice >= static_cast<int>(texts.size())) {
        asking->declined = true;
        g_mount_operation_reply(op, G_MOUNT_OPERATION_ABORTED);
        return;
    }
    g_mount_operation_set_choice(op, choice);
    g_mount_operation_reply(op, G_MOUNT_OPERATION_HANDLED);
}

class GioShare : public ConnectedShare {
public:
    GioShare(std::string shareText, GMount* mount) : shareText_(std::move(shareText)), mount_(mount) {}
    ~GioShare() override { Disconnect(nullptr); }

    const std::string& LocalFolder() const override { return local_; }
    void SetLocalFolder(std::string local) { local_ = std::move(local); }
    bool ConnectedHere() const override { return mount_ != nullptr; }

    void Keep() override { mount_.reset(); }

    bool Disconnect(std::string* why) override {
        if (!mount_)
            return true;
        PrivateContext context;
        Pending pending;
        g_mount_unmount_with_operation(
            mount_.get(), G_MOUNT_UNMOUNT_NONE, nullptr, nullptr,
            [](GObject* source, GAsyncResult* result, gpointer data) {
                auto* p = static_cast<Pending*>(data);
                GError* error = nullptr;
                g_mount_unmount_with_operation_finish(G_MOUNT(source), result, &error);
                p->error.reset(error);
                p->done = true;
            },
            &pending);
        Wait(context.get(), pending);
        mount_.reset();
        if (pending.error && why != nullptr)
            *why = Prefix + shareText_ + " を切断できません: " + pending.error->message;
        return !pending.error;
    }

private:
    std::string shareText_;
    std::string local_;
    GPtr<GMount> mount_;
};

GMount* EnclosingMount(GFile* file) {
    GError* error = nullptr;
    GMount* mount = g_file_find_enclosing_mount(file, nullptr, &error);
    if (error != nullptr)
        g_error_free(error);
    return mount;
}

} // namespace

std::unique_ptr<ConnectedShare> ConnectShare(const ShareAddress& address, CredentialPrompt* prompt,
                                             int timeoutSeconds) {
    const std::string shareText = address.ShareText();
    PrivateContext context;
    GPtr<GFile> root(g_file_new_for_uri(address.MountUri().c_str()));
    GPtr<GFile> folder(g_file_new_for_uri(address.Uri().c_str()));

    GMount* connectedHere = nullptr;
    if (GPtr<GMount> existing{EnclosingMount(root.get())}; !existing) {
        GPtr<GCancellable> cancellable(g_cancellable_new());
        Deadline deadline(context.get(), cancellable.get(), timeoutSeconds);
        MountAsking asking{prompt, shareText, &deadline};
        GPtr<GMountOperation> op(g_mount_operation_new());
        g_signal_connect(op.get(), "ask-password", G_CALLBACK(AskPassword), &asking);
        g_signal_connect(op.get(), "ask-question", G_CALLBACK(AskQuestion), &asking);
        Pending pending;
        g_file_mount_enclosing_volume(
            root.get(), G_MOUNT_MOUNT_NONE, op.get(), cancellable.get(),
            [](GObject* source, GAsyncResult* result, gpointer data) {
                auto* p = static_cast<Pending*>(data);
                GError* error = nullptr;
                g_file_mount_enclosing_volume_finish(G_FILE(source), result, &error);
                p->error.reset(error);
                p->done = true;
            },
            &pending);
        Wait(context.get(), pending);
        deadline.Stop();
        if (pending.error && !g_error_matches(pending.error.get(), G_IO_ERROR, G_IO_ERROR_ALREADY_MOUNTED)) {
            if (asking.noCredentials)
                throw ShareConnectError(
                    Prefix + shareText +
                    " に接続できません: ログオンに使うユーザー名とパスワードが記憶されていません"
                    "（デスクトップから一度接続し、パスワードを記憶してください）");
            if (asking.declined)
                throw ShareConnectError(Prefix + shareText + " への接続を取り消しました");
            if (deadline.Expired())
                throw ShareConnectError(Prefix + shareText + " に接続できません: " +
                                        std::to_string(timeoutSeconds) + " 秒待っても応答がありません");
            throw ShareConnectError(Prefix + shareText + " に接続できません: " + pending.error->message);
        }
        if (!pending.error)
            connectedHere = EnclosingMount(root.get());
    }
    // From here on the share is ours to leave as it was found, also when it has no local path.
    auto share = std::make_unique<GioShare>(shareText, connectedHere);
    char* path = g_file_get_path(folder.get());
    if (path == nullptr)
        throw ShareConnectError(Prefix + shareText +
                                " はファイルのパスで開けません（gvfs-fuse が動いているか確かめてください）");
    // For a second after a share is connected, the kernel answers from what it kept of an earlier
    // connection: folders of a mount now gone give EIO, a share folder that was not there ENOENT. A run
    // must neither fail on that nor take it for a missing destination, so a fresh connection waits until
    // every such entry has expired (FUSE keeps them for one second).
    if (connectedHere != nullptr)
        g_usleep(1'200'000);
    struct stat st {};
    for (int i = 0; i < 20 && stat(path, &st) != 0 && (errno == ENOENT || errno == EIO); ++i)
        g_usleep(100'000);
    share->SetLocalFolder(path);
    g_free(path);
    return share;
}

std::unique_ptr<ConnectedShare> ConnectDestination(const std::string& typed, CredentialPrompt* prompt,
                                                   std::string& local) {
    local = typed;
    if (!LooksLikeShareAddress(typed))
        return nullptr;
    const std::optional<ShareAddress> address = ParseShareAddress(typed);
    if (!address)
        throw ShareConnectError("コピー先のネットワークアドレスが正しくありません: " + typed);
    std::unique_ptr<ConnectedShare> share = ConnectShare(*address, prompt);
    // A folder missing below the share is a missing destination, named as the person typed it rather
    // than by this session's mount; nothing is written and the share is left as it was found.
    struct stat st {};
    if (stat(share->LocalFolder().c_str(), &st) != 0 || !S_ISDIR(st.st_mode))
        throw ShareConnectError(engine::texts::DestinationMissing + typed);
    local = share->LocalFolder();
    return share;
}

} // namespace hozonix::shares
