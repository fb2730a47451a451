#include "settings/ProfileList.h"
#include "settings/IniFile.h"

#include "TempFolder.h"

#include <gtest/gtest.h>

using namespace hozonix;
using hozonix::test::ReadFile;
using hozonix::test::TempFolder;
using hozonix::test::WriteFile;
using Names = std::vector<std::string>;

namespace {

class ProfileListTest : public ::testing::Test {
protected:
    TempFolder dir;
    IniFile ini{dir / "Hozonix.ini"};
    ProfileList list;

    void Fill(int n) {
        list = {};
        for (int i = 1; i <= n; ++i) {
            list.ProfileNames.push_back("P" + std::to_string(i));
            list.ProfileDetails.push_back("/src" + std::to_string(i) + ">>/dst>><<");
        }
    }
};

TEST_F(ProfileListTest, SaveThenLoadRoundTripsWithTwoDigitKeys) {
    Fill(10);
    SaveProfileList(ini, list);
    EXPECT_EQ(ini.ReadIniInteger("File_Action", "MAX"), 10);
    EXPECT_EQ(ini.ReadIniString("File_Action", "ID_01"), "/src1>>/dst>><<");
    EXPECT_EQ(ini.ReadIniString("File_Action", "NAME_09"), "P9");
    EXPECT_EQ(ini.ReadIniString("File_Action", "NAME_10"), "P10");
    ProfileList loaded;
    LoadProfileList(ini, loaded);
    EXPECT_EQ(loaded.ProfileNames, list.ProfileNames);
    EXPECT_EQ(loaded.ProfileDetails, list.ProfileDetails);
}

TEST_F(ProfileListTest, TwentyOneProfilesStoreOnlyTwenty) {
    Fill(21);
    SaveProfileList(ini, list);
    EXPECT_EQ(ini.ReadIniInteger("File_Action", "MAX"), 20);
    EXPECT_EQ(ini.ReadIniString("File_Action", "ID_21"), "");
    ProfileList loaded;
    LoadProfileList(ini, loaded);
    EXPECT_EQ(loaded.ProfileNames.size(), 20u);
}

TEST_F(ProfileListTest, ShrinkingErasesTheSectionAndKeepsOthers) {
    WriteFile(ini.Path(), "[fmFileSave]\nSAVE_ALL=P1\n");
    Fill(3);
    SaveProfileList(ini, list);
    DeleteProfileAt(list, 0);
    DeleteProfileAt(list, 5); // out of range: nothing
    SaveProfileList(ini, list);
    EXPECT_EQ(ReadFile(ini.Path()),
              "[fmFileSave]\nSAVE_ALL=P1\n\n[File_Action]\nMAX=2\nID_01=/src2>>/dst>><<\n"
              "NAME_01=P2\nID_02=/src3>>/dst>><<\nNAME_02=P3\n");
    DeleteProfileAt(list, 1);
    DeleteProfileAt(list, 0);
    SaveProfileList(ini, list);
    EXPECT_EQ(ReadFile(ini.Path()), "[fmFileSave]\nSAVE_ALL=P1\n\n[File_Action]\nMAX=0\n");
}

TEST_F(ProfileListTest, LoadingStoredOddities) {
    struct Case {
        std::string section;
        Names names;
        Names details;
    } cases[] = {
        // A gap closes up; a NAME missing beside its ID gives an empty name.
        {"MAX=3\nID_01=a>>b>><<\nNAME_01=A\nID_03=c>>d>><<\n", {"A", ""}, {"a>>b>><<", "c>>d>><<"}},
        {"MAX=0\nID_01=a>>b>><<\n", {}, {}},
        {"MAX=-4\nID_01=a>>b>><<\n", {}, {}},
        {"ID_01=a>>b>><<\n", {}, {}},
        {"MAX=many\nID_01=a>>b>><<\n", {}, {}},
        {"MAX=999999\nID_01=a\nNAME_01=A\nID_20=t\nNAME_20=T\nID_21=u\nNAME_21=U\n", {"A", "T"}, {"a", "t"}},
        {"MAX=0x2\nID_01=\nID_02=x\nNAME_02=X\n", {"X"}, {"x"}},
    };
    for (const Case& c : cases) {
        WriteFile(ini.Path(), "[File_Action]\n" + c.section);
        LoadProfileList(ini, list);
        EXPECT_EQ(list.ProfileNames, c.names) << c.section;
        EXPECT_EQ(list.ProfileDetails, c.details) << c.section;
    }
    // The next save numbers them from 1 again.
    WriteFile(ini.Path(), "[File_Action]\nMAX=3\nID_01=a\nNAME_01=A\nID_03=c\nNAME_03=C\n");
    LoadProfileList(ini, list);
    SaveProfileList(ini, list);
    EXPECT_EQ(ReadFile(ini.Path()), "[File_Action]\nMAX=2\nID_01=a\nNAME_01=A\nID_02=c\nNAME_02=C\n");
}

TEST(DetailLine, SplitAndJoin) {
    struct Case {
        std::string line;
        ProfileDetail expected;
    } cases[] = {
        {"/data>>/backup>><<", {"/data", "/backup", "", ""}},
        {"/data>>/backup>>.tmp,.bak", {"/data", "/backup", ".tmp,.bak", ""}},
        {"/data >> /backup >> x", {"/data ", "/backup", "x", ""}},
        {"/data>> /backup >> .tmp , .bak << /data/tmp, /data/old ",
         {"/data", "/backup", ".tmp , .bak", "/data/tmp, /data/old"}},
        {"/data>>/backup>><</data/tmp", {"/data", "/backup", "", "/data/tmp"}},
        {"no separators", {"", "", "", ""}},
        {"", {"", "", "", ""}},
    };
    for (const Case& c : cases) {
        ProfileDetail d = SplitDetailLine(c.line);
        EXPECT_EQ(d.SourceFolder, c.expected.SourceFolder) << c.line;
        EXPECT_EQ(d.DestinationFolder, c.expected.DestinationFolder) << c.line;
        EXPECT_EQ(d.ExcludedExtensions, c.expected.ExcludedExtensions) << c.line;
        EXPECT_EQ(d.ExcludedFolders, c.expected.ExcludedFolders) << c.line;
    }
    EXPECT_EQ(JoinDetailLine({"/data ", "/backup", ".bak", "/data/tmp"}), "/data >>/backup>>.bak<</data/tmp");
    EXPECT_EQ(JoinDetailLine({"/data", "/backup", "", ""}), "/data>>/backup>><<");
    ProfileDetail back =
        SplitDetailLine(JoinDetailLine({"/my data", "/mnt/ex backup", ".BAK,.TMP", "/my data/t"}));
    EXPECT_EQ(back.SourceFolder, "/my data");
    EXPECT_EQ(back.DestinationFolder, "/mnt/ex backup");
    EXPECT_EQ(back.ExcludedExtensions, ".BAK,.TMP");
    EXPECT_EQ(back.ExcludedFolders, "/my data/t");
}

TEST(DetailLine, TickOnReloadIsAPlainSubstringTest) {
    EXPECT_TRUE(IsTickedOnReload("Documents", "Photos,Documents"));
    EXPECT_TRUE(IsTickedOnReload("Doc", "Documents"));
    EXPECT_FALSE(IsTickedOnReload("Music", "Photos,Documents"));
    EXPECT_FALSE(IsTickedOnReload("Doc", ""));
    EXPECT_FALSE(IsTickedOnReload("doc", "Documents"));
}

} // namespace
