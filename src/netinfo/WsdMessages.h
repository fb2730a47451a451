#pragma once
// The WS-Discovery messages the network tree sends, and the few parts of the answers it reads. Answers
// come from anyone on the network, so reading them is bounded in size and count, refuses a DTD, and
// expands no entities beyond XML's five and character references.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace hozonix::netinfo::wsd {

// Longer messages are not read at all.
inline constexpr size_t MaxMessageSize = 64 * 1024;

// "urn:uuid:" and a random UUID.
std::string NewMessageId();

// A Probe for devices (any WS-Discovery host answers it; computers are picked from the answers).
std::string ProbeMessage(const std::string& messageId);
// A Resolve for one endpoint, for a match that came without transport addresses.
std::string ResolveMessage(const std::string& messageId, const std::string& endpoint);
// A WS-Transfer Get of an endpoint's metadata, sent by HTTP to one of its transport addresses.
std::string GetMessage(const std::string& messageId, const std::string& endpoint);

struct Match {
    std::string Endpoint;            // its wsa:Address, e.g. "urn:uuid:..."
    bool Computer = false;           // its types name a pub:Computer
    std::vector<std::string> XAddrs; // its transport addresses, e.g. "http://192.168.1.5:5357/..."
};

struct Answer {
    std::string RelatesTo; // the MessageID of the probe or resolve it answers
    std::vector<Match> Matches;
};

// A ProbeMatches or ResolveMatches message; nothing for anything else or anything malformed.
std::optional<Answer> ReadAnswer(std::string_view message);

// The computer name from a Get answer's pub:Computer ("NAME/Workgroup:WG" or "NAME/Domain:D"), when it
// can be used as a host name.
std::optional<std::string> ReadComputerName(std::string_view message);

struct HttpAddress {
    std::string Host; // numeric IPv4 address
    int Port = 80;
    std::string Path;
};

// An "http://A.B.C.D[:port][/path]" transport address; others (names, IPv6, https) give nothing.
std::optional<HttpAddress> ReadHttpAddress(std::string_view xaddr);

// The body of an HTTP response with status 200, plain or chunked, once all of it is there. While the
// connection is still open (`closed` false), a body without a length is not known to be whole.
std::optional<std::string> ReadHttpBody(std::string_view response, bool closed = true);

} // namespace hozonix::netinfo::wsd
