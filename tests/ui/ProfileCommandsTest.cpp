// New, Edit and Delete from the main window.
#include "MainWindowFixture.h"

#include "PopupColumns.h"
#include "ProfileCheckList.h"

#include <QToolButton>

using namespace hozonix;
using namespace hozonix::test;

TEST_F(MainWindowTest, NewAndEditReloadOnlyAfterOk) {
    StoreProfiles({"A", "B"});
    ini.WriteIniInteger("fmFileSave", "LAST_INDEX", 1);
    Open();
    window->ckl_ActionName->Select(0);

    wizard.answers = {{false, "", ""}, {true, "C", Detail(2)}};
    window->sb_New->click();
    EXPECT_EQ(window->ckl_ActionName->count(), 2);
    window->New1->trigger();
    EXPECT_EQ(window->ckl_ActionName->Names(), (std::vector<std::string>{"A", "B", "C"}));
    EXPECT_EQ(window->Copy_Popup->Items().size(), 3u);
    // The selection goes back to the index stored at the last end, not to the new profile.
    EXPECT_EQ(window->ckl_ActionName->Selected(), 1);

    window->ckl_ActionName->Select(2);
    wizard.answers = {{true, "C2", Detail(2)}};
    window->Edit1->trigger();
    EXPECT_EQ(wizard.calls, (std::vector<std::string>{"new", "new", "edit 2"}));
    EXPECT_EQ(window->ckl_ActionName->NameAt(2), "C2");

    window->ckl_ActionName->Select(-1);
    window->Edit1->trigger();
    EXPECT_EQ(wizard.calls.size(), 3u);
}

TEST_F(MainWindowTest, DeleteAsksAndRemovesWithoutReloading) {
    StoreProfiles({"A", "B", "C"});
    ini.WriteIniString("fmFileSave", "SAVE_ALL", "A,C");
    ini.WriteIniInteger("fmFileSave", "LAST_INDEX", 1);
    Open();
    ASSERT_EQ(window->SaveCaption(), "B");

    messages.answers = {MessageButton::No};
    window->Delete1->trigger();
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].text, "Bを削除しますか？ ");
    EXPECT_EQ(messages.shown[0].kind, MessageKind::Confirmation);
    EXPECT_EQ(messages.shown[0].buttons, unsigned(YesButton | NoButton));
    EXPECT_EQ(window->ckl_ActionName->count(), 3);

    window->ckl_ActionName->Select(1);
    messages.answers = {MessageButton::Yes};
    window->Delete1->trigger();
    EXPECT_EQ(window->ckl_ActionName->Names(), (std::vector<std::string>{"A", "C"}));
    EXPECT_TRUE(window->ckl_ActionName->IsTicked(0));
    EXPECT_TRUE(window->ckl_ActionName->IsTicked(1));
    EXPECT_EQ(profiles.ProfileNames, (std::vector<std::string>{"A", "C"}));
    EXPECT_EQ(profiles.ProfileDetails, (std::vector<std::string>{Detail(0), Detail(2)}));
    EXPECT_EQ(ini.ReadIniInteger("File_Action", "MAX"), 2);
    EXPECT_EQ(ini.ReadIniString("File_Action", "NAME_02"), "C");
    EXPECT_EQ(ini.ReadIniString("File_Action", "ID_03"), "");

    // No reload: the button and the run menu still name B, and choosing it runs nothing.
    EXPECT_EQ(window->SaveCaption(), "B");
    EXPECT_EQ(window->Copy_Popup->Items().size(), 3u);
    window->Save_Btn->click();
    window->Copy_Popup->Items()[1]->trigger();
    EXPECT_TRUE(requests.empty());
    // Nothing is selected after a delete, so a second Delete asks nothing.
    window->Delete1->trigger();
    EXPECT_EQ(messages.shown.size(), 2u);
}
