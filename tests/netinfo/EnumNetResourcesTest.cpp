#include "netinfo/EnumNetResources.h"
#include "netinfo/NetCommands.h"

#include "ScriptedMessageBox.h"
#include "ScriptedNetProvider.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace hozonix::test {
namespace {

using netinfo::EnumNetResources;
using netinfo::NetResource;
using Lines = std::vector<std::string>;

std::string Line(const std::string& name, const std::string& provider = "SMB") {
    return "RemoteName:" + name + ", Provider:" + provider;
}

Lines BoxTexts(const ScriptedMessageBox& box) {
    Lines texts;
    for (const auto& s : box.shown) {
        EXPECT_EQ(s.kind, MessageKind::Plain);
        EXPECT_EQ(s.buttons, OkButton);
        texts.push_back(s.text);
    }
    return texts;
}

struct Shown {
    int count = 0;
    std::string title;
    Lines lines;
};

netinfo::ShowMessageListFn Recorder(Shown& shown) {
    return [&shown](const std::string& title, const Lines& lines) {
        ++shown.count;
        shown.title = title;
        shown.lines = lines;
    };
}

TEST(EnumNetResources, WalksContainersDepthFirstAcrossBatches) {
    ScriptedNetProvider net;
    net.levels[""] = {0, {{0, {Container("smb://WG1")}}, {0, {Container("smb://WG2")}}}, 0};
    net.levels["smb://WG1"] = {0, {{0, {Container("smb://SRV1"), Container("smb://SRV2")}}}, 0};
    net.levels["smb://SRV1"] = {0, {{0, {Share("smb://SRV1/a"), Share("smb://SRV1/b")}}}, 0};
    net.levels["smb://SRV2"] = {0, {}, 0};
    net.levels["smb://WG2"] = {0, {{0, {Container("smb://SRV3")}}}, 0};
    net.levels["smb://SRV3"] = {0, {{0, {Share("smb://SRV3/c")}}}, 0};
    ScriptedMessageBox box;
    Lines infoLines = {"left from an earlier listing"};
    Shown shown;

    netinfo::ShowNetworkList(net, box, infoLines, Recorder(shown));

    Lines expected = {Line("smb://WG1"),    Line("smb://SRV1"),   Line("smb://SRV1/a"),
                      Line("smb://SRV1/b"), Line("smb://SRV2"),   Line("smb://WG2"),
                      Line("smb://SRV3"),   Line("smb://SRV3/c"), "--- Enum end ---"};
    EXPECT_EQ(infoLines, expected);
    EXPECT_EQ(shown.count, 1);
    EXPECT_EQ(shown.title, "ネットワーク情報");
    EXPECT_EQ(shown.lines, expected);
    EXPECT_TRUE(box.shown.empty());
    // Shares are leaves: only containers are opened.
    EXPECT_EQ(std::count_if(net.calls.begin(), net.calls.end(),
                            [](const std::string& c) { return c.starts_with("open"); }),
              6);
}

TEST(EnumNetResources, LinesForAbsentNames) {
    NetResource unnamed; // neither name, but a container: no line, still descended into
    unnamed.Usage = netinfo::ResourceUsageContainer;
    NetResource onlyProvider;
    onlyProvider.Provider = "SMB";
    NetResource onlyRemote;
    onlyRemote.RemoteName = "smb://X";
    NetResource onlyOthers; // local name and comment alone give no line
    onlyOthers.LocalName = "Z:";
    onlyOthers.Comment = "note";

    ScriptedNetProvider tree;
    tree.levels[""] = {0, {{0, {onlyProvider, onlyRemote, onlyOthers}}}, 0};

    ScriptedMessageBox box;
    Lines lines;
    EXPECT_TRUE(EnumNetResources(tree, box, lines, nullptr));
    EXPECT_EQ(lines, (Lines{"RemoteName:, Provider:SMB", "RemoteName:smb://X, Provider:"}));

    // An unnamed container is opened with itself as the parent; the script finds it under "".
    ScriptedNetProvider nested;
    nested.levels["smb://TOP"] = {0, {{0, {unnamed}}}, 0};
    nested.levels[""] = {0, {{0, {Share("smb://INNER/s")}}}, 0};
    NetResource top = Container("smb://TOP");
    Lines nestedLines;
    EXPECT_TRUE(EnumNetResources(nested, box, nestedLines, &top));
    EXPECT_EQ(nestedLines, (Lines{Line("smb://INNER/s")}));
    EXPECT_TRUE(box.shown.empty());
}

TEST(EnumNetResources, RootThatCannotBeOpenedGivesEmptyListWithoutEndLine) {
    ScriptedNetProvider net;
    net.levels[""] = {1222, {}, 0};
    ScriptedMessageBox box;
    Lines infoLines = {"old"};
    Shown shown;

    netinfo::ShowNetworkList(net, box, infoLines, Recorder(shown));

    EXPECT_EQ(BoxTexts(box), (Lines{"WNetOpenEnum: 1222"}));
    EXPECT_EQ(shown.count, 1);
    EXPECT_TRUE(shown.lines.empty());
    EXPECT_TRUE(infoLines.empty());
    EXPECT_EQ(net.calls, (Lines{"open "}));
}

TEST(EnumNetResources, FailuresEndTheirLevelAndTheParentGoesOn) {
    struct Case {
        const char* what;
        ScriptedLevel failing; // the level below smb://BAD
        ScriptedLevel root;
        Lines boxes;
        Lines lines;
        bool complete;
    };
    const std::vector<NetResource> rootEntries = {Container("smb://BAD"), Share("smb://OK/s")};
    const Lines allLines = {Line("smb://BAD"), Line("smb://OK/s")};
    std::vector<Case> cases = {
        {"container cannot be opened",
         {53, {}, 0},
         {0, {{0, rootEntries}}, 0},
         {"WNetOpenEnum: 53"},
         allLines,
         true},
        {"more data ends the level",
         {0, {{0, {Share("smb://BAD/x")}}, {234, {}}, {0, {Share("smb://BAD/never")}}}, 0},
         {0, {{0, rootEntries}}, 0},
         {"WNetEnumResource: 234"},
         {Line("smb://BAD"), Line("smb://BAD/x"), Line("smb://OK/s")},
         true},
        {"enumeration error, then closing fails too",
         {0, {{59, {}}}, 6},
         {0, {{0, rootEntries}}, 0},
         {"WNetEnumResource: 59", "WNetCloseEnum: 6"},
         allLines,
         true},
        {"closing fails after a complete level",
         {0, {}, 0},
         {0, {{0, rootEntries}}, 87},
         {"WNetCloseEnum: 87"},
         allLines,
         true},
        {"root breaks off after its first batch",
         {0, {}, 0},
         {0, {{0, rootEntries}, {1208, {}}}, 0},
         {"WNetEnumResource: 1208"},
         allLines,
         false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ScriptedNetProvider net;
        net.levels[""] = c.root;
        net.levels["smb://BAD"] = c.failing;
        ScriptedMessageBox box;
        Lines lines;
        EXPECT_EQ(EnumNetResources(net, box, lines, nullptr), c.complete);
        EXPECT_EQ(BoxTexts(box), c.boxes);
        EXPECT_EQ(lines, c.lines);
        // Every level that was opened is closed exactly once.
        EXPECT_EQ(std::count(net.calls.begin(), net.calls.end(), "close "), 1);
        bool badOpened = c.failing.openCode == 0;
        EXPECT_EQ(std::count(net.calls.begin(), net.calls.end(), "close smb://BAD"), badOpened ? 1 : 0);
    }
}

TEST(EnumNetResources, ProviderAnsweringSuccessWithNothingDoesNotHang) {
    ScriptedNetProvider net;
    ScriptedLevel endless;
    for (int i = 0; i < 1000; ++i)
        endless.answers.push_back({0, {}});
    net.levels[""] = endless;
    ScriptedMessageBox box;
    Lines lines;
    EXPECT_TRUE(EnumNetResources(net, box, lines, nullptr));
    EXPECT_LT(net.calls.size(), 10u);
}

} // namespace
} // namespace hozonix::test
