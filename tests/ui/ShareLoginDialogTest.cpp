#include "ui/ShareLoginDialog.h"

#include "ScriptedMessageBox.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QRadioButton>

#include <gtest/gtest.h>

using namespace hozonix;
using namespace hozonix::ui;

TEST(ShareLoginDialog, GivesTheLogOnTypedOrAGuestLogOnAndNothingWhenCancelled) {
    test::ScriptedMessageBox messages;
    std::function<int(ShareLoginDialog&)> answer;
    QtSharePrompt prompt(messages, [&](QDialog& d) { return answer(static_cast<ShareLoginDialog&>(d)); });

    // The server's "guest" is no name a person would type; the domain it suggests is kept.
    answer = [](ShareLoginDialog& d) {
        EXPECT_TRUE(d.UserField()->text().isEmpty());
        EXPECT_EQ(d.DomainField()->text(), "WORKGROUP");
        EXPECT_EQ(d.PasswordField()->echoMode(), QLineEdit::Password);
        d.UserField()->setText("alice");
        d.PasswordField()->setText("秘密");
        d.RememberBox()->setChecked(true);
        return int(QDialog::Accepted);
    };
    auto given = prompt.Ask("\\\\nas\\photos", "", {"guest", "WORKGROUP", "", false, false}, true);
    ASSERT_TRUE(given);
    EXPECT_EQ(given->user, "alice");
    EXPECT_EQ(given->password, "秘密");
    EXPECT_TRUE(given->remember);
    EXPECT_FALSE(given->anonymous);

    answer = [](ShareLoginDialog& d) {
        d.GuestChoice()->setChecked(true);
        EXPECT_FALSE(d.PasswordField()->isEnabled());
        return int(QDialog::Accepted);
    };
    given = prompt.Ask("\\\\nas\\photos", "", {}, true);
    ASSERT_TRUE(given);
    EXPECT_TRUE(given->anonymous);
    EXPECT_FALSE(given->remember);

    answer = [](ShareLoginDialog& d) {
        EXPECT_EQ(d.GuestChoice(), nullptr); // the server allows no guests here
        return int(QDialog::Rejected);
    };
    EXPECT_FALSE(prompt.Ask("\\\\nas\\photos", "", {}, false));
}
