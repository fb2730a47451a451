#include "BkSetupTabBar.h"
#include "BkSetupTestFixture.h"

#include <QKeyEvent>
#include <QPushButton>
#include <QTest>
#include <QToolButton>

#include <sys/stat.h>
#include <unistd.h>

using namespace hozonix;
using namespace hozonix::ui;
using test::BkSetupTest;

namespace {

const std::string kPrompt1 = "コピー元のディレクトリを指定してください";
const std::string kPrompt2 = "コピー先のディレクトリを指定してください";
const std::string kPrompt3 = "バックアッププロファイル名を入力してください";
const std::string kNoSource = "コピー元のディレクトリが未入力です";
const std::string kMissingSource =
    "コピー元のディレクトリが存在しません\r\n正しいディレクトリを指定してください";
const std::string kNoDestination = "コピー先のディレクトリが未入力です";
const std::string kSameFolder = "コピー先とコピー元ディレクトリが同じです";
const std::string kNoName = "バックアッププロファイル名が未定義です、名前を付けてください";

std::string CreateQuestion(const std::string& to) {
    return "コピー先のディレクトリが存在しません\r\n" + to + "を作成しますか？ ";
}
std::string NameTaken(const std::string& name) {
    return "バックアッププロファイル名 ＝ " + name + "\r\nは既に登録済みです｡\r\nほかの名前を付けてください";
}

struct State {
    int page;
    bool prior, next, ok;
    std::string prompt;
    bool operator==(const State&) const = default;
};

std::ostream& operator<<(std::ostream& out, const State& s) {
    return out << "page " << s.page << " prior " << s.prior << " next " << s.next << " ok " << s.ok << " ["
               << s.prompt << "]";
}

State StateOf(const TfmBkSetup& w) {
    // Only the active page's tab may be visible.
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(w.PageControl1->isTabVisible(i), i == w.CurrentPage() - 1) << "tab " << i;
    return {w.CurrentPage(), w.Prior_Btn->isEnabled(), w.Next_Btn->isEnabled(), w.sbOK->isEnabled(),
            w.StatusText().toStdString()};
}

} // namespace

TEST_F(BkSetupTest, PagesAndButtonsFollowTheStateTable) {
    const State page1{1, false, true, false, kPrompt1};
    const State page2{2, true, true, false, kPrompt2};
    const State page3{3, true, true, false, kPrompt3};
    const State ready{3, true, false, true, kPrompt3};
    struct Step {
        const char* what;
        std::function<void(TfmBkSetup&)> act;
        State expected;
    };
    const std::vector<Step> steps = {
        {"back on page 1 does nothing", [](TfmBkSetup& w) { w.Prior_Btn->click(); }, page1},
        {"valid source",
         [&](TfmBkSetup& w) {
             Fill(w, src, dst, "daily");
             w.Next_Btn->click();
         },
         page2},
        {"back to 1", [](TfmBkSetup& w) { w.Prior_Btn->click(); }, page1},
        {"forward to 2", [](TfmBkSetup& w) { w.Next_Btn->click(); }, page2},
        {"valid destination", [](TfmBkSetup& w) { w.Next_Btn->click(); }, page3},
        {"back to 2", [](TfmBkSetup& w) { w.Prior_Btn->click(); }, page2},
        {"forward to 3", [](TfmBkSetup& w) { w.Next_Btn->click(); }, page3},
        {"acceptable name", [](TfmBkSetup& w) { w.Next_Btn->click(); }, ready},
        {"ready, back to 2", [](TfmBkSetup& w) { w.Prior_Btn->click(); }, page2},
        {"forward again",
         [](TfmBkSetup& w) {
             w.Next_Btn->click();
             w.Next_Btn->click();
         },
         ready},
    };
    EXPECT_FALSE(OpenForNew([&](TfmBkSetup& w) {
        EXPECT_EQ(w.EditIndex, -1);
        EXPECT_EQ(StateOf(w), page1) << "created";
        for (const Step& s : steps) {
            s.act(w);
            EXPECT_EQ(StateOf(w), s.expected) << s.what;
        }
        w.Cancel_Btn->click();
    }));
    EXPECT_TRUE(TakeMessages().empty());
    EXPECT_TRUE(profiles.ProfileNames.empty());
    EXPECT_EQ(settings.ReadString("File_Action", "MAX", "absent"), "absent");

    // "完了" stores the profile and closes with OK; the window stays ready for the next use.
    EXPECT_TRUE(OpenForNew([&](TfmBkSetup& w) {
        EXPECT_EQ(StateOf(w), page1) << "new starts on page 1";
        w.Ext_Edit->setText(" .tmp,.bak");
        w.outDir_Edit->setText(QString::fromStdString(src + "/cache"));
        Walk(w);
        w.sbOK->click();
    }));
    EXPECT_EQ(profiles.ProfileNames, std::vector<std::string>{"daily"});
    EXPECT_EQ(settings.ReadInteger("File_Action", "MAX", -1), 1);
    EXPECT_EQ(settings.ReadIniString("File_Action", "ID_01"),
              src + ">>" + dst + ">> .tmp,.bak<<" + src + "/cache");
    EXPECT_EQ(StateOf(*wizard.Window()), ready);
}

TEST_F(BkSetupTest, EachPageTellsWhatIsWrongAndStays) {
    struct Case {
        std::string from, to, name;
        int page;
        std::vector<std::string> messages;
    };
    const std::string missing = dir / "missing";
    const std::vector<Case> cases = {
        {"", "", "", 1, {kNoSource}},
        {dir / "nowhere", "", "", 1, {kMissingSource}},
        {" ", "", "", 1, {kMissingSource}}, // blanks count as entered
        {src, "", "", 2, {kNoDestination}},
        {src, src, "", 2, {kSameFolder}},
        {src, missing, "", 2, {CreateQuestion(missing)}}, // answered No: no further message
        {src, dst, "", 3, {kNoName}},
    };
    for (const Case& c : cases) {
        OpenForNew([&](TfmBkSetup& w) {
            Fill(w, c.from, c.to, c.name);
            messages.answers = {MessageButton::No};
            for (int i = 0; i < c.page; ++i)
                w.Next_Btn->click();
            EXPECT_EQ(w.CurrentPage(), c.page) << c.from << "|" << c.to;
            EXPECT_EQ(TakeMessages(), c.messages) << c.from << "|" << c.to;
            // "完了" tests everything again and is stopped by the same check.
            messages.answers = {MessageButton::No};
            w.sbOKClick();
            EXPECT_EQ(TakeMessages(), c.messages) << "完了 " << c.from << "|" << c.to;
            EXPECT_EQ(w.CurrentPage(), c.page);
        });
        EXPECT_EQ(wizard.Window()->result(), 0);
    }
    EXPECT_FALSE(std::filesystem::exists(missing));
    EXPECT_TRUE(profiles.ProfileNames.empty());
}

TEST_F(BkSetupTest, AMissingDestinationIsCreatedOnYesWithItsParents) {
    const std::string nested = dir / "new/a/b/";
    messages.answers = {MessageButton::Yes};
    OpenForNew([&](TfmBkSetup& w) {
        Fill(w, src, nested, "n");
        w.Next_Btn->click();
        w.Next_Btn->click();
        EXPECT_EQ(w.CurrentPage(), 3);
    });
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].kind, MessageKind::Confirmation);
    EXPECT_EQ(messages.shown[0].buttons, YesButton | NoButton);
    EXPECT_EQ(messages.shown[0].text, CreateQuestion(nested));
    EXPECT_TRUE(std::filesystem::is_directory(nested));
}

TEST_F(BkSetupTest, AFailedCreationIsToldAndKeepsPage2) {
    test::WriteFile(dir / "file", "x");
    std::vector<std::string> targets = {dir / "file/sub", "/proc/hozonix-wizard-test/x"};
    if (geteuid() != 0) {
        std::filesystem::create_directories(dir / "locked");
        chmod((dir / "locked").c_str(), 0555);
        targets.push_back(dir / "locked/x");
    }
    for (const std::string& to : targets) {
        const std::vector<std::string> told = {CreateQuestion(to), to + "  を作成できませんでした"};
        OpenForNew([&](TfmBkSetup& w) {
            Fill(w, src, to, "n");
            messages.answers = {MessageButton::Yes};
            w.Next_Btn->click();
            w.Next_Btn->click();
            EXPECT_EQ(w.CurrentPage(), 2) << to;
            EXPECT_EQ(TakeMessages(), told);
            messages.answers = {MessageButton::Yes};
            w.sbOKClick();
            EXPECT_EQ(TakeMessages(), told);
        });
        EXPECT_EQ(wizard.Window()->result(), 0);
        EXPECT_FALSE(std::filesystem::exists(to));
    }
}

TEST_F(BkSetupTest, TheSameFolderTestIsExact) {
    // Another letter case or a trailing separator makes another text, which passes; so does a folder
    // inside the source.
    std::filesystem::create_directories(src + "/inner");
    const std::vector<std::string> passing = {src + "/", src + "/inner"};
    for (const std::string& to : passing) {
        OpenForNew([&](TfmBkSetup& w) {
            Fill(w, src, to, "n");
            w.Next_Btn->click();
            w.Next_Btn->click();
            EXPECT_EQ(w.CurrentPage(), 3) << to;
        });
    }
    messages.answers = {MessageButton::No};
    OpenForNew([&](TfmBkSetup& w) {
        Fill(w, src, dir / "SRC", "n");
        w.Next_Btn->click();
        w.Next_Btn->click();
    });
    EXPECT_EQ(TakeMessages(), std::vector<std::string>{CreateQuestion(dir / "SRC")});
}

TEST_F(BkSetupTest, ATakenNameIsRefusedForANewProfileButNotWhenEditing) {
    profiles.ProfileNames = {"Docs", "Photos"};
    profiles.ProfileDetails = {src + ">>" + dst + ">><<", src + ">>" + dst + ">>.jpg<<"};

    // Editing profile 1 under the name of profile 0 is accepted: two profiles then share it.
    EXPECT_TRUE(OpenForEdit(1, [&](TfmBkSetup& w) {
        EXPECT_EQ(w.EditIndex, 1);
        EXPECT_EQ(w.Ext_Edit->text().toStdString(), ".jpg");
        w.BkName_Edit->setText("Docs");
        Walk(w);
        w.sbOK->click();
    }));
    EXPECT_EQ(profiles.ProfileNames, (std::vector<std::string>{"Docs", "Docs"}));
    EXPECT_EQ(settings.ReadIniString("File_Action", "NAME_02"), "Docs");
    EXPECT_TRUE(TakeMessages().empty());

    // "New" keeps the texts of the edit; the unchanged name is taken, so is the same in capitals.
    for (const char* name : {"Docs", "DOCS", "docs"}) {
        EXPECT_FALSE(OpenForNew([&](TfmBkSetup& w) {
            EXPECT_EQ(w.EditIndex, -1);
            EXPECT_EQ(w.CurrentPage(), 1);
            EXPECT_EQ(w.FromDir_Edit->text().toStdString(), src);
            EXPECT_EQ(w.Ext_Edit->text().toStdString(), ".jpg");
            w.BkName_Edit->setText(name);
            Walk(w);
            EXPECT_FALSE(w.sbOK->isEnabled());
            EXPECT_EQ(TakeMessages(), std::vector<std::string>{NameTaken(name)});
            w.sbOKClick();
            EXPECT_EQ(TakeMessages(), std::vector<std::string>{NameTaken(name)});
        }));
    }
    EXPECT_EQ(profiles.ProfileNames.size(), 2u);
}

TEST_F(BkSetupTest, EditAfterACompletedUseOpensReadyAndStoresAtOnce) {
    profiles.ProfileNames = {"a", "b"};
    profiles.ProfileDetails = {src + ">>" + dst + ">><<", "x>>y>><<"};
    EXPECT_TRUE(OpenForNew([&](TfmBkSetup& w) {
        Fill(w, src, dst, "c");
        Walk(w);
        w.sbOK->click();
    }));
    std::filesystem::create_directories(dir / "other");
    EXPECT_TRUE(OpenForEdit(0, [&](TfmBkSetup& w) {
        EXPECT_TRUE(w.sbOK->isEnabled());
        EXPECT_EQ(w.CurrentPage(), 3);
        EXPECT_EQ(w.BkName_Edit->text().toStdString(), "a");
        w.ToDir_Edit->setText(QString::fromStdString(dir / "other"));
        w.BkName_Edit->setText("a2");
        w.sbOK->click();
    }));
    EXPECT_EQ(profiles.ProfileNames, (std::vector<std::string>{"a2", "b", "c"}));
    EXPECT_EQ(profiles.ProfileDetails[0], src + ">>" + (dir / "other") + ">><<");
    ProfileList stored;
    LoadProfileList(settings, stored);
    EXPECT_EQ(stored.ProfileNames, profiles.ProfileNames);
    EXPECT_EQ(stored.ProfileDetails, profiles.ProfileDetails);
    EXPECT_FALSE(wizard.OpenForEdit(3));
}

TEST_F(BkSetupTest, NamesThatCannotBeStoredAreRefused) {
    const std::string refused =
        "バックアッププロファイル名に「=」「,」や改行は使えません\r\nほかの名前を付けてください";
    for (const char* name : {"a=b", "a,b", "a\nb", "a\rb"}) {
        OpenForNew([&](TfmBkSetup& w) {
            Fill(w, src, dst, name);
            Walk(w);
            EXPECT_EQ(TakeMessages(), std::vector<std::string>{refused}) << name;
            EXPECT_FALSE(w.sbOK->isEnabled());
            w.sbOKClick();
            EXPECT_EQ(TakeMessages(), std::vector<std::string>{refused}) << name;
        });
    }
    EXPECT_TRUE(profiles.ProfileNames.empty());
    EXPECT_TRUE(OpenForNew([&](TfmBkSetup& w) {
        Fill(w, src, dst, "日次＝バックアップ");
        Walk(w);
        w.sbOK->click();
    }));
}

TEST_F(BkSetupTest, ATwentyFirstProfileIsRefusedInsteadOfVanishing) {
    for (int i = 1; i <= 20; ++i) {
        profiles.ProfileNames.push_back("p" + std::to_string(i));
        profiles.ProfileDetails.push_back(src + ">>" + dst + ">><<");
    }
    SaveProfileList(settings, profiles);
    const std::string full =
        "バックアッププロファイルは20件までしか登録できません\r\n不要なプロファイルを削除してください";
    EXPECT_FALSE(OpenForNew([&](TfmBkSetup& w) {
        Fill(w, src, dst, "p21");
        Walk(w);
        EXPECT_EQ(TakeMessages(), std::vector<std::string>{full});
        w.sbOKClick();
        EXPECT_EQ(TakeMessages(), std::vector<std::string>{full});
    }));
    EXPECT_EQ(profiles.ProfileNames.size(), 20u);
    EXPECT_EQ(settings.ReadIniString("File_Action", "NAME_21"), "");
    // Editing one of the twenty is still possible.
    EXPECT_TRUE(OpenForEdit(19, [&](TfmBkSetup& w) {
        Walk(w);
        w.sbOK->click();
    }));
}

TEST_F(BkSetupTest, AFailedSaveLeavesTheListsAsStoredAndTheWizardOpen) {
    IniFile unwritable(dir / "no-such-folder/Hozonix.ini");
    BkSetupWizard broken(unwritable, messages, pickers, profiles, FallbackRect(1024, 768),
                         [&](TfmBkSetup& w) {
                             Fill(w, src, dst, "n");
                             Walk(w);
                             w.sbOK->click();
                             w.sbOK->click();
                             return w.result();
                         });
    EXPECT_FALSE(broken.OpenForNew());
    EXPECT_TRUE(profiles.ProfileNames.empty());
    EXPECT_TRUE(profiles.ProfileDetails.empty());
    EXPECT_EQ(messages.shown.size(), 2u); // the platform's error, once per press
}

TEST_F(BkSetupTest, PlacementIsRestoredOnCreationAndStoredOnDestruction) {
    settings.WriteIniString("LAST_Position", "fmBkSetup", "100,120,700,530");
    {
        BkSetupWizard own(settings, messages, pickers, profiles, FallbackRect(1024, 768),
                          [](TfmBkSetup& w) { return w.result(); });
        own.OpenForNew();
        const TfmBkSetup& w = *own.Window();
        EXPECT_EQ(w.pos(), QPoint(100, 120));
        EXPECT_EQ(w.size(), QSize(700, 530));
        own.Window()->move(40, 50);
    }
    EXPECT_EQ(settings.ReadIniString("LAST_Position", "fmBkSetup"), "40,50,700,530");
}

TEST_F(BkSetupTest, NeitherEnterNorEscapeClosesTheWizard) {
    OpenForNew([&](TfmBkSetup& w) {
        Fill(w, src, dst, "n");
        w.show();
        for (Qt::Key key : {Qt::Key_Escape, Qt::Key_Return, Qt::Key_Enter}) {
            QTest::keyClick(w.FromDir_Edit, key);
            EXPECT_TRUE(w.isVisible()) << key;
            EXPECT_EQ(w.CurrentPage(), 1);
        }
        w.close(); // the close box answers Cancel
    });
    EXPECT_EQ(wizard.Window()->result(), QDialog::Rejected);
    EXPECT_TRUE(TakeMessages().empty());
}

TEST_F(BkSetupTest, TheActiveTabIsFilledWithItsPageColour) {
    OpenForNew([&](TfmBkSetup& w) {
        Fill(w, src, dst, "n");
        w.show();
        const QColor expected[] = {QColor(166, 202, 240), QColor(255, 221, 255), QColor(255, 255, 208)};
        for (int page = 1; page <= 3; ++page) {
            w.ShowPage(page);
            const QRect tab = w.PageTabs->tabRect(page - 1);
            const QImage image = w.PageTabs->grab().toImage();
            EXPECT_EQ(image.pixelColor(tab.left() + 3, tab.top() + 3), expected[page - 1]) << page;
        }
        w.close();
    });
}
