// New, Edit and Delete from the main window.
#include "MainWindowFixture.h"

#include "mainwindow/ProfileCheckList.h"
#include "ui/ColumnMenu.h"

#include <QToolButton>

using namespace hozonix;
using namespace hozonix::test;

TEST_F(MainWindowTest, NewAndEditReloadOnlyAfterOk) {
    StoreProfiles({"A", "B"});
    ini.WriteIniInteger("fmFileSave", "LAST_INDEX", 1);
    Open();
    window->Profiles()->Select(0);

    wizard.answers = {{false, "", ""}, {true, "C", Detail(2)}};
    window->NewProfileButton()->click();
    EXPECT_EQ(window->Profiles()->count(), 2);
    window->NewProfileItem()->trigger();
    EXPECT_EQ(window->Profiles()->Names(), (std::vector<std::string>{"A", "B", "C"}));
    EXPECT_EQ(window->RunMenu()->Items().size(), 3u);
    // The selection goes back to the index stored at the last end, not to the new profile.
    EXPECT_EQ(window->Profiles()->Selected(), 1);

    window->Profiles()->Select(2);
    wizard.answers = {{true, "C2", Detail(2)}};
    window->EditProfileItem()->trigger();
    EXPECT_EQ(wizard.calls, (std::vector<std::string>{"new", "new", "edit 2"}));
    EXPECT_EQ(window->Profiles()->NameAt(2), "C2");

    window->Profiles()->Select(-1);
    window->EditProfileItem()->trigger();
    EXPECT_EQ(wizard.calls.size(), 3u);
}

TEST_F(MainWindowTest, DeleteAsksAndRemovesWithoutReloading) {
    StoreProfiles({"A", "B", "C"});
    ini.WriteIniString("fmFileSave", "SAVE_ALL", "A,C");
    ini.WriteIniInteger("fmFileSave", "LAST_INDEX", 1);
    Open();
    ASSERT_EQ(window->RunCaption(), "B");

    messages.answers = {MessageButton::No};
    window->DeleteProfileItem()->trigger();
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].text, "Bを削除しますか？ ");
    EXPECT_EQ(messages.shown[0].kind, MessageKind::Confirmation);
    EXPECT_EQ(messages.shown[0].buttons, unsigned(YesButton | NoButton));
    EXPECT_EQ(window->Profiles()->count(), 3);

    window->Profiles()->Select(1);
    messages.answers = {MessageButton::Yes};
    window->DeleteProfileItem()->trigger();
    EXPECT_EQ(window->Profiles()->Names(), (std::vector<std::string>{"A", "C"}));
    EXPECT_TRUE(window->Profiles()->IsTicked(0));
    EXPECT_TRUE(window->Profiles()->IsTicked(1));
    EXPECT_EQ(profiles.ProfileNames, (std::vector<std::string>{"A", "C"}));
    EXPECT_EQ(profiles.ProfileDetails, (std::vector<std::string>{Detail(0), Detail(2)}));
    EXPECT_EQ(ini.ReadIniInteger("File_Action", "MAX"), 2);
    EXPECT_EQ(ini.ReadIniString("File_Action", "NAME_02"), "C");
    EXPECT_EQ(ini.ReadIniString("File_Action", "ID_03"), "");

    // No reload: the button and the run menu still name B, and choosing it runs nothing.
    EXPECT_EQ(window->RunCaption(), "B");
    EXPECT_EQ(window->RunMenu()->Items().size(), 3u);
    window->RunButton()->click();
    window->RunMenu()->Items()[1]->trigger();
    EXPECT_TRUE(requests.empty());
    // Nothing is selected after a delete, so a second Delete asks nothing.
    window->DeleteProfileItem()->trigger();
    EXPECT_EQ(messages.shown.size(), 2u);
}
