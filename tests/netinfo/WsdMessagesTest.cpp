#include "netinfo/WsdMessages.h"

#include <gtest/gtest.h>

#include <string>

namespace hozonix::test {
namespace {

namespace wsd = netinfo::wsd;

const std::string Discovery = "http://schemas.xmlsoap.org/ws/2005/04/discovery";

// An answer as the WSD daemons on the network write them; `matches` goes into the body.
std::string Answer(const std::string& action, const std::string& relatesTo, const std::string& matches,
                   const std::string& preamble = "<?xml version=\"1.0\" encoding=\"utf-8\"?>") {
    return preamble +
           "<soap:Envelope xmlns:soap=\"http://www.w3.org/2003/05/soap-envelope\" "
           "xmlns:wsa=\"http://schemas.xmlsoap.org/ws/2004/08/addressing\" xmlns:wsd=\"" +
           Discovery +
           "\"><soap:Header><wsa:To>http://schemas.xmlsoap.org/ws/2004/08/addressing/role/anonymous</wsa:To>"
           "<wsa:Action>" +
           Discovery + "/" + action + "</wsa:Action><wsa:MessageID>urn:uuid:1</wsa:MessageID>" + relatesTo +
           "<wsd:AppSequence InstanceId=\"1\" MessageNumber=\"3\" /></soap:Header><soap:Body>" + matches +
           "</soap:Body></soap:Envelope>";
}

std::string Match(const std::string& element, const std::string& endpoint, const std::string& types,
                  const std::string& xaddrs) {
    return "<wsd:" + element + "><wsa:EndpointReference><wsa:Address>" + endpoint +
           "</wsa:Address></wsa:EndpointReference><wsd:Types>" + types + "</wsd:Types>" +
           (xaddrs.empty() ? "" : "<wsd:XAddrs>" + xaddrs + "</wsd:XAddrs>") +
           "<wsd:MetadataVersion>1</wsd:MetadataVersion></wsd:" + element + ">";
}

const std::string Relates = "<wsa:RelatesTo>urn:uuid:probe</wsa:RelatesTo>";

TEST(WsdMessages, ReadsMatchesAndRefusesWhatIsNotAnAnswer) {
    const std::string computer = Match("ProbeMatch", "urn:uuid:pc", "wsdp:Device pub:Computer",
                                       "http://10.0.0.5:5357/pc http://[fe80::1]:5357/pc");
    const std::string printer = Match("ProbeMatch", "urn:uuid:lp", "wsdp:Device wprt:PrintDeviceType", "");
    std::optional<wsd::Answer> a = wsd::ReadAnswer(
        Answer("ProbeMatches", Relates, "<wsd:ProbeMatches>" + computer + printer + "</wsd:ProbeMatches>"));
    ASSERT_TRUE(a);
    EXPECT_EQ(a->RelatesTo, "urn:uuid:probe");
    ASSERT_EQ(a->Matches.size(), 2u);
    EXPECT_EQ(a->Matches[0].Endpoint, "urn:uuid:pc");
    EXPECT_TRUE(a->Matches[0].Computer);
    EXPECT_EQ(a->Matches[0].XAddrs,
              (std::vector<std::string>{"http://10.0.0.5:5357/pc", "http://[fe80::1]:5357/pc"}));
    EXPECT_FALSE(a->Matches[1].Computer);
    EXPECT_TRUE(a->Matches[1].XAddrs.empty());

    // Other prefixes, entities in the text, a resolve answer.
    std::string other = "<d:ResolveMatches xmlns:d=\"" + Discovery +
                        "\"><d:ResolveMatch><a:EndpointReference><a:Address> urn:uuid:a&amp;b </a:Address>"
                        "</a:EndpointReference><d:Types>x:Computer</d:Types>"
                        "<d:XAddrs>http://10.0.0.6/&#x41;</d:XAddrs></d:ResolveMatch></d:ResolveMatches>";
    a = wsd::ReadAnswer(Answer("ResolveMatches", Relates, other));
    ASSERT_TRUE(a);
    ASSERT_EQ(a->Matches.size(), 1u);
    EXPECT_EQ(a->Matches[0].Endpoint, "urn:uuid:a&b");
    EXPECT_EQ(a->Matches[0].XAddrs, (std::vector<std::string>{"http://10.0.0.6/A"}));

    // What comes from the network may be anything: none of these gives an answer or a match.
    std::string many;
    for (int i = 0; i < 1000; ++i)
        many += computer;
    const std::string matches = "<wsd:ProbeMatches>" + computer + "</wsd:ProbeMatches>";
    struct Case {
        const char* what;
        std::string message;
        bool answer; // read as an answer, though one without matches
    };
    const std::vector<Case> refused = {
        {"a hello", Answer("Hello", Relates, matches), false},
        {"no RelatesTo", Answer("ProbeMatches", "", matches), false},
        {"a DTD", Answer("ProbeMatches", Relates, matches, "<!DOCTYPE x [<!ENTITY e \"&e;&e;\">]>"), false},
        {"too long", Answer("ProbeMatches", Relates, matches + std::string(wsd::MaxMessageSize, ' ')), false},
        {"cut short", Answer("ProbeMatches", Relates, matches).substr(0, 700), true},
        {"markup in the address",
         Answer("ProbeMatches", Relates, Match("ProbeMatch", "<b>x</b>", "pub:Computer", "")), true},
        {"an unknown entity", Answer("ProbeMatches", Relates, Match("ProbeMatch", "&e;", "pub:Computer", "")),
         true},
        {"an unterminated match", Answer("ProbeMatches", Relates, "<wsd:ProbeMatch><wsa:EndpointReference>"),
         true},
        {"no XML", std::string("\0\xff<<<>>>&&&;", 12), false},
        {"", "", false},
    };
    for (const Case& c : refused) {
        std::optional<wsd::Answer> r = wsd::ReadAnswer(c.message);
        EXPECT_EQ(r.has_value(), c.answer) << c.what;
        EXPECT_TRUE(!r || r->Matches.empty()) << c.what;
    }
    // A flood of matches is read up to a bound.
    a = wsd::ReadAnswer(Answer("ProbeMatches", Relates,
                               "<wsd:ProbeMatches>" + many.substr(0, 60000) + "</wsd:ProbeMatches>"));
    ASSERT_TRUE(a);
    EXPECT_GT(a->Matches.size(), 10u);
    EXPECT_LE(a->Matches.size(), 64u);
}

TEST(WsdMessages, ComputerNameFromMetadata) {
    auto metadata = [](const std::string& computer) {
        return "<wsx:Metadata><wsx:MetadataSection><wsdp:Relationship><wsdp:Host><wsdp:Types>pub:Computer"
               "</wsdp:Types><pub:Computer>" +
               computer +
               "</pub:Computer></wsdp:Host></wsdp:Relationship></wsx:MetadataSection></wsx:Metadata>";
    };
    struct Case {
        std::string computer;
        std::optional<std::string> name;
    };
    const std::vector<Case> cases = {
        {"NAS/Workgroup:WORKGROUP", "NAS"},  {" fileserver/Domain:corp.example ", "fileserver"},
        {"&#x4E;AS/Workgroup:W", "NAS"},     {"NAS", "NAS"},
        {"my pc/Workgroup:W", std::nullopt}, {"x@evil:1/Workgroup:W", std::nullopt},
        {"/Workgroup:W", std::nullopt},      {std::string(64, 'A'), std::nullopt},
        {"<b>NAS</b>", std::nullopt},
    };
    for (const Case& c : cases)
        EXPECT_EQ(wsd::ReadComputerName(metadata(c.computer)), c.name) << c.computer;
    EXPECT_EQ(wsd::ReadComputerName("<x>no computer here</x>"), std::nullopt);
}

TEST(WsdMessages, HttpAddressesAndResponses) {
    std::optional<wsd::HttpAddress> a = wsd::ReadHttpAddress("http://10.0.0.5:5357/0d7e-11");
    ASSERT_TRUE(a);
    EXPECT_EQ(a->Host, "10.0.0.5");
    EXPECT_EQ(a->Port, 5357);
    EXPECT_EQ(a->Path, "/0d7e-11");
    a = wsd::ReadHttpAddress("http://10.0.0.5");
    ASSERT_TRUE(a);
    EXPECT_EQ(a->Port, 80);
    EXPECT_EQ(a->Path, "/");
    for (const char* refused :
         {"https://10.0.0.5/", "http://nas.local:5357/", "http://[fe80::1]:5357/", "http://10.0.0.5:99999/",
          "http://10.0.0.5:/", "http://10.0.0.5/a b", "urn:uuid:1"})
        EXPECT_FALSE(wsd::ReadHttpAddress(refused)) << refused;

    struct Case {
        std::string response;
        bool closed;
        std::optional<std::string> body;
    };
    const std::vector<Case> cases = {
        {"HTTP/1.0 200 OK\r\nContent-Type: application/soap+xml\r\n\r\n<x/>", true, "<x/>"},
        {"HTTP/1.0 200 OK\r\nContent-Type: application/soap+xml\r\n\r\n<x", false, std::nullopt},
        {"HTTP/1.1 200 OK\r\nContent-Length: 4\r\n\r\n<x/>trailing", false, "<x/>"},
        {"HTTP/1.1 200 OK\r\nContent-Length: 40\r\n\r\n<x/>", true, std::nullopt},
        {"HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n2\r\n<x\r\n2;ext\r\n/>\r\n0\r\n\r\n", false,
         "<x/>"},
        {"HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\nffffffffffffffff\r\n<x/>\r\n0\r\n\r\n", true,
         std::nullopt},
        {"HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\nzz\r\n", true, std::nullopt},
        {"HTTP/1.1 404 Not Found\r\nContent-Length: 4\r\n\r\n<x/>", true, std::nullopt},
        {"SSH-2.0-OpenSSH\r\n\r\n", true, std::nullopt},
    };
    for (const Case& c : cases)
        EXPECT_EQ(wsd::ReadHttpBody(c.response, c.closed), c.body) << c.response;
}

} // namespace
} // namespace hozonix::test
