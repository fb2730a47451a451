#include "netinfo/WsdMessages.h"

#include "base/TextCoding.h"

#include <arpa/inet.h>

#include <cstdio>
#include <random>

namespace hozonix::netinfo::wsd {

namespace {

constexpr const char* DiscoveryNs = "http://schemas.xmlsoap.org/ws/2005/04/discovery";
constexpr const char* DiscoveryTo = "urn:schemas-xmlsoap-org:ws:2005:04:discovery";
constexpr const char* Anonymous = "http://schemas.xmlsoap.org/ws/2004/08/addressing/role/anonymous";
constexpr const char* GetAction = "http://schemas.xmlsoap.org/ws/2004/09/transfer/Get";

// A value longer than this is no name or address of ours.
constexpr size_t MaxText = 2048;
// Matches read from one message, transport addresses from one match.
constexpr size_t MaxMatches = 64;
constexpr size_t MaxXAddrs = 8;

std::string Escape(const std::string& text) {
    std::string out;
    for (char c : text) {
        switch (c) {
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '"':
            out += "&quot;";
            break;
        default:
            out += c;
        }
    }
    return out;
}

std::string Envelope(const std::string& to, const std::string& action, const std::string& messageId,
                     const std::string& extraHeader, const std::string& body) {
    return std::string("<?xml version=\"1.0\" encoding=\"utf-8\"?>"
                       "<soap:Envelope xmlns:soap=\"http://www.w3.org/2003/05/soap-envelope\""
                       " xmlns:wsa=\"http://schemas.xmlsoap.org/ws/2004/08/addressing\""
                       " xmlns:wsd=\"") +
           DiscoveryNs +
           "\" xmlns:wsdp=\"http://schemas.xmlsoap.org/ws/2006/02/devprof\""
           " xmlns:pub=\"http://schemas.microsoft.com/windows/pub/2005/07\">"
           "<soap:Header><wsa:To>" +
           Escape(to) + "</wsa:To><wsa:Action>" + action + "</wsa:Action><wsa:MessageID>" +
           Escape(messageId) + "</wsa:MessageID>" + extraHeader + "</soap:Header><soap:Body>" + body +
           "</soap:Body></soap:Envelope>";
}

std::string_view LocalName(std::string_view qname) {
    size_t colon = qname.rfind(':');
    return colon == std::string_view::npos ? qname : qname.substr(colon + 1);
}

bool IsNameEnd(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '/' || c == '>';
}

// The qualified name of the tag whose '<' (or "</") ends just before `pos`.
std::string_view TagName(std::string_view xml, size_t pos) {
    size_t end = pos;
    while (end < xml.size() && !IsNameEnd(xml[end]))
        ++end;
    return xml.substr(pos, end - pos);
}

struct Element {
    std::string_view Content;
    size_t Next = 0; // where to look for the following one
};

// The first element at or after `from` whose local name is `name` (any prefix), with what lies between
// its start and end tags. Elements of that name are not expected to nest.
std::optional<Element> Find(std::string_view xml, std::string_view name, size_t from = 0) {
    for (size_t lt = xml.find('<', from); lt != std::string_view::npos; lt = xml.find('<', lt + 1)) {
        if (lt + 1 >= xml.size() || xml[lt + 1] == '/' || xml[lt + 1] == '!' || xml[lt + 1] == '?')
            continue;
        if (LocalName(TagName(xml, lt + 1)) != name)
            continue;
        size_t gt = xml.find('>', lt);
        if (gt == std::string_view::npos)
            return std::nullopt;
        if (xml[gt - 1] == '/')
            return Element{{}, gt + 1};
        for (size_t end = xml.find("</", gt); end != std::string_view::npos; end = xml.find("</", end + 2)) {
            if (LocalName(TagName(xml, end + 2)) != name)
                continue;
            size_t close = xml.find('>', end);
            if (close == std::string_view::npos)
                return std::nullopt;
            return Element{xml.substr(gt + 1, end - gt - 1), close + 1};
        }
        return std::nullopt;
    }
    return std::nullopt;
}

// The text of a simple element, entities decoded and blanks trimmed; nothing when it holds markup, an
// unknown entity, or too much.
std::optional<std::string> Text(std::string_view content) {
    if (content.size() > MaxText || content.find('<') != std::string_view::npos)
        return std::nullopt;
    std::string out;
    for (size_t i = 0; i < content.size(); ++i) {
        if (content[i] != '&') {
            out += content[i];
            continue;
        }
        size_t semi = content.find(';', i);
        if (semi == std::string_view::npos || semi - i > 10)
            return std::nullopt;
        std::string_view ref = content.substr(i + 1, semi - i - 1);
        if (ref == "amp") {
            out += '&';
        } else if (ref == "lt") {
            out += '<';
        } else if (ref == "gt") {
            out += '>';
        } else if (ref == "quot") {
            out += '"';
        } else if (ref == "apos") {
            out += '\'';
        } else if (ref.size() > 1 && ref[0] == '#') {
            bool hex = ref[1] == 'x';
            std::string digits(ref.substr(hex ? 2 : 1));
            if (digits.empty() ||
                digits.find_first_not_of(hex ? "0123456789abcdefABCDEF" : "0123456789") != std::string::npos)
                return std::nullopt;
            unsigned long c = std::stoul(digits, nullptr, hex ? 16 : 10);
            if (c == 0 || c > 0x10FFFF)
                return std::nullopt;
            AppendUtf8(out, static_cast<char32_t>(c));
        } else {
            return std::nullopt;
        }
        i = semi;
    }
    const char* blanks = " \t\r\n";
    size_t first = out.find_first_not_of(blanks);
    if (first == std::string::npos)
        return std::string();
    return out.substr(first, out.find_last_not_of(blanks) - first + 1);
}

std::optional<std::string> TextOf(std::string_view xml, std::string_view name) {
    std::optional<Element> e = Find(xml, name);
    return e ? Text(e->Content) : std::nullopt;
}

std::vector<std::string> Words(const std::string& text, size_t limit) {
    std::vector<std::string> words;
    size_t pos = 0;
    while (words.size() < limit) {
        size_t start = text.find_first_not_of(" \t\r\n", pos);
        if (start == std::string::npos)
            break;
        pos = text.find_first_of(" \t\r\n", start);
        words.push_back(text.substr(start, pos == std::string::npos ? std::string::npos : pos - start));
    }
    return words;
}

bool Readable(std::string_view message) {
    // A DTD could declare entities; nothing we read needs one.
    return message.size() <= MaxMessageSize && message.find("<!DOCTYPE") == std::string_view::npos &&
           message.find("<!ENTITY") == std::string_view::npos;
}

} // namespace

std::string NewMessageId() {
    std::random_device random;
    unsigned char b[16];
    for (unsigned char& c : b)
        c = static_cast<unsigned char>(random());
    b[6] = static_cast<unsigned char>((b[6] & 0x0F) | 0x40);
    b[8] = static_cast<unsigned char>((b[8] & 0x3F) | 0x80);
    char text[48];
    std::snprintf(text, sizeof text,
                  "urn:uuid:%02x%02x%02x%02x-%02x%02x-%02x%02x-%02x%02x-%02x%02x%02x%02x%02x%02x", b[0], b[1],
                  b[2], b[3], b[4], b[5], b[6], b[7], b[8], b[9], b[10], b[11], b[12], b[13], b[14], b[15]);
    return text;
}

std::string ProbeMessage(const std::string& messageId) {
    // Some hosts answer only a probe for plain devices, so computers are not asked for by type.
    return Envelope(DiscoveryTo, std::string(DiscoveryNs) + "/Probe", messageId, "",
                    "<wsd:Probe><wsd:Types>wsdp:Device</wsd:Types></wsd:Probe>");
}

std::string ResolveMessage(const std::string& messageId, const std::string& endpoint) {
    return Envelope(DiscoveryTo, std::string(DiscoveryNs) + "/Resolve", messageId, "",
                    "<wsd:Resolve><wsa:EndpointReference><wsa:Address>" + Escape(endpoint) +
                        "</wsa:Address></wsa:EndpointReference></wsd:Resolve>");
}

std::string GetMessage(const std::string& messageId, const std::string& endpoint) {
    return Envelope(endpoint, GetAction, messageId,
                    std::string("<wsa:ReplyTo><wsa:Address>") + Anonymous + "</wsa:Address></wsa:ReplyTo>",
                    "");
}

std::optional<Answer> ReadAnswer(std::string_view message) {
    if (!Readable(message))
        return std::nullopt;
    std::optional<std::string> action = TextOf(message, "Action");
    std::optional<std::string> relatesTo = TextOf(message, "RelatesTo");
    const std::string probeMatches = std::string(DiscoveryNs) + "/ProbeMatches";
    const std::string resolveMatches = std::string(DiscoveryNs) + "/ResolveMatches";
    if (!action || !relatesTo || relatesTo->empty() || (*action != probeMatches && *action != resolveMatches))
        return std::nullopt;
    const char* matchName = *action == probeMatches ? "ProbeMatch" : "ResolveMatch";

    Answer answer;
    answer.RelatesTo = *relatesTo;
    size_t from = 0;
    while (answer.Matches.size() < MaxMatches) {
        std::optional<Element> e = Find(message, matchName, from);
        if (!e)
            break;
        from = e->Next;
        Match m;
        std::optional<Element> reference = Find(e->Content, "EndpointReference");
        std::optional<std::string> endpoint =
            reference ? TextOf(reference->Content, "Address") : std::nullopt;
        if (!endpoint || endpoint->empty())
            continue;
        m.Endpoint = *endpoint;
        for (const std::string& type : Words(TextOf(e->Content, "Types").value_or(""), 32))
            m.Computer = m.Computer || LocalName(type) == "Computer";
        m.XAddrs = Words(TextOf(e->Content, "XAddrs").value_or(""), MaxXAddrs);
        answer.Matches.push_back(std::move(m));
    }
    return answer;
}

std::optional<std::string> ReadComputerName(std::string_view message) {
    if (!Readable(message))
        return std::nullopt;
    std::optional<std::string> computer = TextOf(message, "Computer");
    if (!computer)
        return std::nullopt;
    std::string name = computer->substr(0, computer->find('/'));
    // It becomes the host of an address: letters, digits and the few marks a host name may hold.
    if (name.empty() || name.size() > 63 || name.front() == '.' || name.front() == '-' ||
        name.find_first_not_of("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789-_.") !=
            std::string::npos)
        return std::nullopt;
    return name;
}

std::optional<HttpAddress> ReadHttpAddress(std::string_view xaddr) {
    constexpr std::string_view scheme = "http://";
    if (xaddr.size() > 512 || xaddr.substr(0, scheme.size()) != scheme)
        return std::nullopt;
    std::string_view rest = xaddr.substr(scheme.size());
    size_t slash = rest.find('/');
    std::string_view authority = rest.substr(0, slash);
    HttpAddress a;
    a.Path = slash == std::string_view::npos ? "/" : std::string(rest.substr(slash));
    if (a.Path.find_first_of(" \t\r\n") != std::string::npos)
        return std::nullopt;
    size_t colon = authority.find(':');
    a.Host = std::string(authority.substr(0, colon));
    if (colon != std::string_view::npos) {
        std::string_view port = authority.substr(colon + 1);
        if (port.empty() || port.size() > 5 || port.find_first_not_of("0123456789") != std::string_view::npos)
            return std::nullopt;
        a.Port = std::stoi(std::string(port));
        if (a.Port < 1 || a.Port > 65535)
            return std::nullopt;
    }
    in_addr parsed{};
    if (inet_pton(AF_INET, a.Host.c_str(), &parsed) != 1)
        return std::nullopt;
    return a;
}

std::optional<std::string> ReadHttpBody(std::string_view response, bool closed) {
    size_t headerEnd = response.find("\r\n\r\n");
    if (response.substr(0, 7) != "HTTP/1." || headerEnd == std::string_view::npos)
        return std::nullopt;
    size_t space = response.find(' ');
    if (space == std::string_view::npos || space > headerEnd || response.substr(space + 1, 4) != "200 ")
        return std::nullopt;
    std::string headers(response.substr(0, headerEnd + 2));
    for (char& c : headers)
        c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    std::string_view body = response.substr(headerEnd + 4);

    size_t encoding = headers.find("\r\ntransfer-encoding:");
    bool chunked = encoding != std::string::npos &&
                   headers.substr(encoding, headers.find("\r\n", encoding + 2) - encoding).find("chunked") !=
                       std::string::npos;
    if (!chunked) {
        if (size_t at = headers.find("\r\ncontent-length:"); at != std::string::npos) {
            unsigned long long length = std::strtoull(headers.c_str() + at + 17, nullptr, 10);
            if (length > body.size())
                return std::nullopt; // cut short
            body = body.substr(0, length);
        } else if (!closed) {
            return std::nullopt;
        }
        return std::string(body);
    }
    std::string out;
    for (;;) {
        size_t lineEnd = body.find("\r\n");
        if (lineEnd == std::string_view::npos || lineEnd == 0 || lineEnd > 16)
            return std::nullopt;
        std::string sizeText(body.substr(0, lineEnd));
        sizeText = sizeText.substr(0, sizeText.find(';'));
        if (sizeText.empty() || sizeText.find_first_not_of("0123456789abcdefABCDEF") != std::string::npos)
            return std::nullopt;
        size_t size = std::stoul(sizeText, nullptr, 16);
        if (size == 0)
            return out;
        if (size > body.size() - lineEnd - 2)
            return std::nullopt;
        out.append(body.substr(lineEnd + 2, size));
        body = body.substr(lineEnd + 2 + size);
        if (body.substr(0, 2) != "\r\n")
            return std::nullopt;
        body = body.substr(2);
    }
}

} // namespace hozonix::netinfo::wsd
