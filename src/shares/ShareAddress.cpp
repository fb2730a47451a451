#include "shares/ShareAddress.h"

#include "base/TextCoding.h"

#include <charconv>
#include <vector>

namespace hozonix::shares {

namespace {

bool StartsWith(std::string_view text, std::string_view head) {
    if (text.size() < head.size())
        return false;
    for (size_t i = 0; i < head.size(); ++i) {
        char c = text[i];
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
        if (c != head[i])
            return false;
    }
    return true;
}

std::optional<std::string> PercentDecoded(std::string_view text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '%') {
            out += text[i];
            continue;
        }
        if (i + 2 >= text.size())
            return std::nullopt;
        const int high = HexDigitValue(text[i + 1]);
        const int low = HexDigitValue(text[i + 2]);
        if (high < 0 || low < 0)
            return std::nullopt;
        out += static_cast<char>(high * 16 + low);
        i += 2;
    }
    return out;
}

std::string PercentEncoded(std::string_view text) {
    static constexpr char hex[] = "0123456789ABCDEF";
    std::string out;
    for (const char c : text) {
        const auto u = static_cast<unsigned char>(c);
        if ((u >= 'A' && u <= 'Z') || (u >= 'a' && u <= 'z') || (u >= '0' && u <= '9') || c == '-' ||
            c == '.' || c == '_' || c == '~') {
            out += c;
        } else {
            out += '%';
            out += hex[u >> 4];
            out += hex[u & 15];
        }
    }
    return out;
}

// Splits at `separator`, leaving out empty parts; false for "." or ".." parts, which could lead a
// destination out of its share.
bool SplitNames(std::string_view text, char separator, std::vector<std::string>& parts) {
    size_t at = 0;
    while (at <= text.size()) {
        const size_t end = std::min(text.find(separator, at), text.size());
        const std::string_view part = text.substr(at, end - at);
        if (part == "." || part == "..")
            return false;
        if (!part.empty())
            parts.emplace_back(part);
        at = end + 1;
    }
    return true;
}

std::string Joined(const std::vector<std::string>& parts, size_t from) {
    std::string out;
    for (size_t i = from; i < parts.size(); ++i) {
        if (!out.empty())
            out += '/';
        out += parts[i];
    }
    return out;
}

bool ValidName(const std::string& name) {
    return !name.empty() && name.find('\0') == std::string::npos && name.find('/') == std::string::npos;
}

std::optional<ShareAddress> ParseUnc(std::string_view text) {
    std::vector<std::string> parts;
    // A UNC path may be typed with either separator, as people copy it from other systems.
    std::string slashes(text.substr(2));
    for (char& c : slashes) {
        if (c == '\\')
            c = '/';
    }
    if (!SplitNames(slashes, '/', parts) || parts.size() < 2)
        return std::nullopt;
    ShareAddress a;
    a.scheme = "smb";
    a.host = parts[0];
    // "server:port" for a server on another port; an address with more colons is IPv6 and has none.
    if (const size_t colon = a.host.find(':'); colon != std::string::npos && colon == a.host.rfind(':')) {
        const std::string digits = a.host.substr(colon + 1);
        const auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), a.port);
        if (ec != std::errc() || end != digits.data() + digits.size() || a.port <= 0 || a.port > 65535)
            return std::nullopt;
        a.host.resize(colon);
    }
    if (a.host.empty())
        return std::nullopt;
    a.share = parts[1];
    a.folder = Joined(parts, 2);
    return a;
}

std::optional<ShareAddress> ParseUrl(std::string_view text, std::string_view scheme) {
    std::string_view rest = text.substr(scheme.size() + 3); // after "scheme://"
    const size_t slash = rest.find('/');
    std::string_view authority = rest.substr(0, slash);
    const std::string_view path = slash == std::string_view::npos ? std::string_view() : rest.substr(slash);

    ShareAddress a;
    a.scheme = std::string(scheme);
    if (const size_t at = authority.rfind('@'); at != std::string_view::npos) {
        auto user = PercentDecoded(authority.substr(0, at));
        if (!user || user->empty() || user->find(':') != std::string::npos)
            return std::nullopt; // a password in the address would be stored in the settings file
        a.user = *user;
        authority = authority.substr(at + 1);
    }
    if (const size_t colon = authority.rfind(':');
        colon != std::string_view::npos && authority.find(']', colon) == std::string_view::npos) {
        const std::string_view digits = authority.substr(colon + 1);
        int port = 0;
        const auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), port);
        if (ec != std::errc() || end != digits.data() + digits.size() || port <= 0 || port > 65535)
            return std::nullopt;
        a.port = port;
        authority = authority.substr(0, colon);
    }
    auto host = PercentDecoded(authority);
    if (!host || host->empty())
        return std::nullopt;
    a.host = *host;

    std::vector<std::string> encoded;
    if (!SplitNames(path, '/', encoded))
        return std::nullopt;
    std::vector<std::string> parts;
    for (const std::string& p : encoded) {
        auto name = PercentDecoded(p);
        if (!name || !ValidName(*name) || *name == "." || *name == "..")
            return std::nullopt;
        parts.push_back(*name);
    }
    if (a.scheme == "smb") {
        if (parts.empty())
            return std::nullopt;
        a.share = parts[0];
        a.folder = Joined(parts, 1);
    } else {
        a.folder = Joined(parts, 0);
    }
    return a;
}

std::string Authority(const ShareAddress& a, bool withUser) {
    std::string out;
    if (withUser && !a.user.empty())
        out += PercentEncoded(a.user) + "@";
    out += a.host.find(':') != std::string::npos && a.host.front() != '[' ? "[" + a.host + "]" : a.host;
    if (a.port != 0)
        out += ":" + std::to_string(a.port);
    return out;
}

} // namespace

bool LooksLikeShareAddress(std::string_view text) {
    return StartsWith(text, "\\\\") || StartsWith(text, "//") || StartsWith(text, "smb://") ||
           StartsWith(text, "sftp://");
}

std::optional<ShareAddress> ParseShareAddress(std::string_view text) {
    if (StartsWith(text, "smb://"))
        return ParseUrl(text, "smb");
    if (StartsWith(text, "sftp://"))
        return ParseUrl(text, "sftp");
    if (StartsWith(text, "\\\\") || StartsWith(text, "//"))
        return ParseUnc(text);
    return std::nullopt;
}

std::optional<std::string> ShareAddressOfGvfsPath(std::string_view path, std::string_view gvfsFolder) {
    while (!gvfsFolder.empty() && gvfsFolder.back() == '/')
        gvfsFolder.remove_suffix(1);
    if (gvfsFolder.empty() || path.size() <= gvfsFolder.size() + 1 ||
        path.substr(0, gvfsFolder.size()) != gvfsFolder || path[gvfsFolder.size()] != '/')
        return std::nullopt;
    std::string_view rest = path.substr(gvfsFolder.size() + 1);
    const size_t slash = rest.find('/');
    const std::string_view mount = rest.substr(0, slash);
    const std::string_view below =
        slash == std::string_view::npos ? std::string_view() : rest.substr(slash + 1);

    // "smb-share:port=P,server=S,share=SH,user=U": keys sorted, values escaped as in a URI.
    const size_t colon = mount.find(':');
    if (colon == std::string_view::npos)
        return std::nullopt;
    ShareAddress a;
    const std::string_view type = mount.substr(0, colon);
    if (type == "smb-share")
        a.scheme = "smb";
    else if (type == "sftp")
        a.scheme = "sftp";
    else
        return std::nullopt;
    std::vector<std::string> pairs;
    SplitNames(mount.substr(colon + 1), ',', pairs);
    for (const std::string& pair : pairs) {
        const size_t eq = pair.find('=');
        if (eq == std::string::npos)
            return std::nullopt;
        const std::string key = pair.substr(0, eq);
        auto value = PercentDecoded(pair.substr(eq + 1));
        if (!value)
            return std::nullopt;
        if (key == "server" || key == "host")
            a.host = *value;
        else if (key == "share")
            a.share = *value;
        else if (key == "user")
            a.user = *value;
        else if (key == "port") {
            const auto [end, ec] = std::from_chars(value->data(), value->data() + value->size(), a.port);
            if (ec != std::errc() || end != value->data() + value->size())
                return std::nullopt;
        }
    }
    if (a.host.empty() || (a.scheme == "smb" && a.share.empty()))
        return std::nullopt;
    std::vector<std::string> parts;
    if (!SplitNames(below, '/', parts))
        return std::nullopt;
    a.folder = Joined(parts, 0);
    // A plain share is written the way people know it; anything more needs the address form.
    if (a.scheme == "smb" && a.port == 0 && a.user.empty()) {
        std::string unc = "\\\\" + a.host + "\\" + a.share;
        for (const std::string& p : parts)
            unc += "\\" + p;
        return unc;
    }
    std::string url = a.MountUri();
    for (const std::string& p : parts)
        url += (url.back() == '/' ? "" : "/") + PercentEncoded(p);
    return url;
}

std::string ShareAddress::MountUri() const {
    if (scheme == "smb")
        return "smb://" + Authority(*this, true) + "/" + PercentEncoded(share);
    return scheme + "://" + Authority(*this, true) + "/";
}

std::string ShareAddress::Uri() const {
    std::string out = MountUri();
    std::vector<std::string> parts;
    SplitNames(folder, '/', parts);
    for (const std::string& p : parts) {
        if (out.back() != '/')
            out += '/';
        out += PercentEncoded(p);
    }
    return out;
}

std::string ShareAddress::ShareText() const {
    if (scheme == "smb")
        return "\\\\" + host + (port != 0 ? ":" + std::to_string(port) : "") + "\\" + share;
    return scheme + "://" + Authority(*this, true);
}

} // namespace hozonix::shares
