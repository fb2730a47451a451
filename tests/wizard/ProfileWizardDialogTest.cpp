#include "wizard/ProfileWizardTabBar.h"

#include "ProfileWizardTestFixture.h"

#include <QTest>

#include <sys/stat.h>
#include <unistd.h>

using namespace hozonix;
using namespace hozonix::wizard;
using test::ProfileWizardTest;

namespace {

const std::string kPrompt1 = "コピー元のディレクトリを指定してください";
const std::string kPrompt2 = "コピー先のディレクトリを指定してください";
const std::string kPrompt3 = "バックアッププロファイル名を入力してください";

std::string CreateQuestion(const std::string& to) {
    return "?コピー先のディレクトリが存在しません\r\n" + to + "を作成しますか？ ";
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

State StateOf(const ProfileWizardDialog& w) {
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(w.Tabs()->isTabVisible(i), i == w.CurrentPage() - 1) << "only the active tab shows";
    return {w.CurrentPage(), w.BackButton()->isEnabled(), w.NextButton()->isEnabled(),
            w.FinishButton()->isEnabled(), w.StatusText().toStdString()};
}

} // namespace

TEST_F(ProfileWizardTest, PagesAndButtonsFollowTheStateTable) {
    const State page1{1, false, true, false, kPrompt1}, page2{2, true, true, false, kPrompt2},
        page3{3, true, true, false, kPrompt3}, ready{3, true, false, true, kPrompt3};
    // '<' is "< 戻る", '>' is "次へ >", with valid texts throughout.
    const std::vector<std::pair<char, State>> steps = {{'<', page1}, {'>', page2}, {'<', page1}, {'>', page2},
                                                       {'>', page3}, {'<', page2}, {'>', page3}, {'>', ready},
                                                       {'<', page2}, {'>', page3}, {'>', ready}};
    EXPECT_FALSE(OpenForNew([&](ProfileWizardDialog& w) {
        EXPECT_EQ(w.EditIndex(), -1);
        EXPECT_EQ(StateOf(w), page1) << "created";
        Fill(w, src, dst, "daily");
        for (size_t i = 0; i < steps.size(); ++i) {
            (steps[i].first == '<' ? w.BackButton() : w.NextButton())->click();
            EXPECT_EQ(StateOf(w), steps[i].second) << "step " << i;
        }
        w.CancelButton()->click();
    }));
    EXPECT_TRUE(profiles.ProfileNames.empty());
    EXPECT_EQ(settings.ReadString("File_Action", "MAX", "absent"), "absent");

    // "完了" stores the texts exactly as typed and closes with OK; the window stays ready.
    EXPECT_TRUE(OpenForNew([&](ProfileWizardDialog& w) {
        EXPECT_EQ(StateOf(w), page1) << "new starts on page 1";
        w.ExcludedExtensionsEdit()->setText(" .tmp,.bak");
        w.ExcludedFoldersEdit()->setText(QString::fromStdString(src + "/cache"));
        Walk(w);
        w.FinishButton()->click();
    }));
    EXPECT_TRUE(TakeMessages().empty());
    EXPECT_EQ(profiles.ProfileNames, std::vector<std::string>{"daily"});
    EXPECT_EQ(settings.ReadIniString("File_Action", "ID_01"),
              src + ">>" + dst + ">> .tmp,.bak<<" + src + "/cache");
    EXPECT_EQ(StateOf(*wizard.Window()), ready);
}

TEST_F(ProfileWizardTest, EveryCheckOfNextAndFinishTellsWhatIsWrongAndStays) {
    test::WriteFile(dir / "file", "x");
    std::filesystem::create_directories(src + "/inner");
    const std::string cannot = "  を作成できませんでした";
    struct Case {
        std::string from, to, name;
        MessageButton answer;
        int page; // where "次へ >" stops
        std::vector<std::string> told;
    };
    std::vector<Case> cases = {
        {"", "", "", MessageButton::No, 1, {"コピー元のディレクトリが未入力です"}},
        {dir / "nowhere",
         "",
         "",
         MessageButton::No,
         1,
         {"コピー元のディレクトリが存在しません\r\n正しいディレクトリを指定してください"}},
        {" ",
         "",
         "",
         MessageButton::No,
         1,
         {"コピー元のディレクトリが存在しません\r\n正しいディレクトリを指定してください"}},
        {src, "", "", MessageButton::No, 2, {"コピー先のディレクトリが未入力です"}},
        {src, src, "", MessageButton::No, 2, {"コピー先とコピー元ディレクトリが同じです"}},
        // The same-folder test is exact: another letter case or a trailing separator passes it.
        {src, dir / "SRC", "", MessageButton::No, 2, {CreateQuestion(dir / "SRC")}},
        {src,
         src + "/",
         "",
         MessageButton::No,
         3,
         {"バックアッププロファイル名が未定義です、名前を付けてください"}},
        {src,
         src + "/inner",
         "",
         MessageButton::No,
         3,
         {"バックアッププロファイル名が未定義です、名前を付けてください"}},
        // Creating the destination fails below a file and below a read-only folder, even for root.
        {src,
         dir / "file/sub",
         "n",
         MessageButton::Yes,
         2,
         {CreateQuestion(dir / "file/sub"), dir / "file/sub" + cannot}},
        {src,
         "/proc/hozonix-test/x",
         "n",
         MessageButton::Yes,
         2,
         {CreateQuestion("/proc/hozonix-test/x"), "/proc/hozonix-test/x" + cannot}},
    };
    if (geteuid() != 0) {
        std::filesystem::create_directories(dir / "locked");
        chmod((dir / "locked").c_str(), 0555);
        cases.push_back({src,
                         dir / "locked/x",
                         "n",
                         MessageButton::Yes,
                         2,
                         {CreateQuestion(dir / "locked/x"), dir / "locked/x" + cannot}});
    }
    for (const Case& c : cases) {
        const bool existed = std::filesystem::exists(c.to);
        OpenForNew([&](ProfileWizardDialog& w) {
            Fill(w, c.from, c.to, c.name);
            messages.answers = {c.answer};
            Walk(w, c.page);
            EXPECT_EQ(w.CurrentPage(), c.page) << c.from << " | " << c.to;
            EXPECT_EQ(TakeMessages(), c.told) << c.from << " | " << c.to;
            // "完了" tests everything again and is stopped by the same check.
            messages.answers = {c.answer};
            w.Finish();
            EXPECT_EQ(TakeMessages(), c.told) << "完了 " << c.from << " | " << c.to;
        });
        EXPECT_EQ(wizard.Window()->result(), 0);
        EXPECT_EQ(std::filesystem::exists(c.to), existed) << c.to;
    }
    EXPECT_TRUE(profiles.ProfileNames.empty());
}

TEST_F(ProfileWizardTest, AMissingDestinationIsCreatedOnYesWithItsParents) {
    const std::string nested = dir / "new/a/b/";
    messages.answers = {MessageButton::Yes};
    EXPECT_TRUE(OpenForNew([&](ProfileWizardDialog& w) {
        Fill(w, src, nested, "n");
        Walk(w);
        w.FinishButton()->click();
    }));
    EXPECT_EQ(TakeMessages(), std::vector<std::string>{CreateQuestion(nested)});
    EXPECT_TRUE(std::filesystem::is_directory(nested));
}

TEST_F(ProfileWizardTest, ATakenNameIsRefusedForANewProfileAndWhenEditing) {
    profiles.ProfileNames = {"Docs", "Photos"};
    profiles.ProfileDetails = {src + ">>" + dst + ">><<", src + ">>" + dst + ">>.jpg<<"};

    // Names that differ only in letter case would share one last-run time; a profile keeps its own.
    EXPECT_FALSE(OpenForEdit(1, [&](ProfileWizardDialog& w) {
        w.NameEdit()->setText("docs");
        Walk(w);
        w.Finish();
    }));
    EXPECT_EQ(TakeMessages(), std::vector<std::string>(2, NameTaken("docs")));
    EXPECT_TRUE(OpenForEdit(1, [&](ProfileWizardDialog& w) {
        EXPECT_EQ(w.EditIndex(), 1);
        EXPECT_EQ(w.ExcludedExtensionsEdit()->text().toStdString(), ".jpg");
        w.NameEdit()->setText("PHOTOS");
        Walk(w);
        w.FinishButton()->click();
    }));
    EXPECT_EQ(profiles.ProfileNames, (std::vector<std::string>{"Docs", "PHOTOS"}));
    EXPECT_EQ(settings.ReadIniString("File_Action", "NAME_02"), "PHOTOS");

    // "New" keeps the texts of the edit; the unchanged name is taken, so is the same in capitals.
    for (const char* name : {"Docs", "DOCS", "docs"}) {
        EXPECT_FALSE(OpenForNew([&](ProfileWizardDialog& w) {
            EXPECT_EQ(w.EditIndex(), -1);
            EXPECT_EQ(w.CurrentPage(), 1);
            EXPECT_EQ(w.SourceEdit()->text().toStdString(), src);
            EXPECT_EQ(w.ExcludedExtensionsEdit()->text().toStdString(), ".jpg");
            w.NameEdit()->setText(name);
            Walk(w);
            w.Finish();
            EXPECT_FALSE(w.FinishButton()->isEnabled());
        }));
        EXPECT_EQ(TakeMessages(), std::vector<std::string>(2, NameTaken(name)));
    }
    EXPECT_EQ(profiles.ProfileNames.size(), 2u);
}

TEST_F(ProfileWizardTest, EditAfterACompletedUseOpensReadyAndStoresAtOnce) {
    profiles.ProfileNames = {"a", "b"};
    profiles.ProfileDetails = {src + ">>" + dst + ">><<", "x>>y>><<"};
    EXPECT_TRUE(OpenForNew([&](ProfileWizardDialog& w) {
        Fill(w, src, dst, "c");
        Walk(w);
        w.FinishButton()->click();
    }));
    std::filesystem::create_directories(dir / "other");
    EXPECT_TRUE(OpenForEdit(0, [&](ProfileWizardDialog& w) {
        EXPECT_TRUE(w.FinishButton()->isEnabled());
        EXPECT_EQ(w.NameEdit()->text().toStdString(), "a");
        w.DestinationEdit()->setText(QString::fromStdString(dir / "other"));
        w.NameEdit()->setText("a2");
        w.FinishButton()->click();
    }));
    ProfileList stored;
    LoadProfileList(settings, stored);
    EXPECT_EQ(stored.ProfileNames, (std::vector<std::string>{"a2", "b", "c"}));
    EXPECT_EQ(stored.ProfileDetails[0], src + ">>" + (dir / "other") + ">><<");
    EXPECT_EQ(stored.ProfileDetails, profiles.ProfileDetails);
    EXPECT_FALSE(wizard.OpenForEdit(3));
}

TEST_F(ProfileWizardTest, NamesThatCannotBeStoredAndATwentyFirstProfileAreRefused) {
    const std::string unsafe =
        "バックアッププロファイル名に「=」「,」や改行は使えません\r\nほかの名前を付けてください";
    for (const char* name : {"a=b", "a,b", "a\nb", "a\rb"}) {
        OpenForNew([&](ProfileWizardDialog& w) {
            Fill(w, src, dst, name);
            Walk(w);
            w.Finish();
        });
        EXPECT_EQ(TakeMessages(), std::vector<std::string>(2, unsafe)) << name;
    }
    // Lines beginning so are sections or comments, and blanks at the ends are not kept.
    const std::string badStart =
        "バックアッププロファイル名の先頭に「[」「;」「#」は使えません、先頭と末尾に空白は使えません"
        "\r\nほかの名前を付けてください";
    for (const char* name : {"[daily", ";daily", "#daily", " daily", "daily\t"}) {
        OpenForNew([&](ProfileWizardDialog& w) {
            Fill(w, src, dst, name);
            Walk(w);
            w.Finish();
        });
        EXPECT_EQ(TakeMessages(), std::vector<std::string>(2, badStart)) << name;
    }
    EXPECT_TRUE(profiles.ProfileNames.empty());

    // A twenty-first would not be written and would vanish at the next reload.
    for (int i = 1; i <= 20; ++i) {
        profiles.ProfileNames.push_back(QString("日次＝%1").arg(i).toStdString());
        profiles.ProfileDetails.push_back(src + ">>" + dst + ">><<");
    }
    SaveProfileList(settings, profiles);
    const std::string full =
        "バックアッププロファイルは20件までしか登録できません\r\n不要なプロファイルを削除してください";
    EXPECT_FALSE(OpenForNew([&](ProfileWizardDialog& w) {
        Fill(w, src, dst, "p21");
        Walk(w);
        w.Finish();
    }));
    EXPECT_EQ(TakeMessages(), std::vector<std::string>(2, full));
    EXPECT_EQ(profiles.ProfileNames.size(), 20u);
    EXPECT_EQ(settings.ReadIniInteger("File_Action", "MAX"), 20);
    EXPECT_TRUE(OpenForEdit(19, [&](ProfileWizardDialog& w) {
        Walk(w);
        w.FinishButton()->click();
    })) << "editing one of them still works";
    EXPECT_EQ(settings.ReadIniString("File_Action", "NAME_20"), "日次＝20");
}

TEST_F(ProfileWizardTest, AFailedSaveLeavesTheListsAsStoredAndTheWizardOpen) {
    IniFile unwritable(dir / "no-such-folder/Hozonix.ini");
    QtProfileWizard broken(unwritable, messages, pickers, profiles, FallbackRect(1024, 768),
                           [&](ProfileWizardDialog& w) {
                               Fill(w, src, dst, "n");
                               Walk(w);
                               w.FinishButton()->click();
                               w.FinishButton()->click();
                               return w.result();
                           });
    EXPECT_FALSE(broken.OpenForNew());
    EXPECT_TRUE(profiles.ProfileNames.empty());
    EXPECT_TRUE(profiles.ProfileDetails.empty());
    EXPECT_EQ(messages.shown.size(), 2u); // the platform's error, once per press
}

TEST_F(ProfileWizardTest, PlacementIsRestoredOnCreationAndStoredOnDestruction) {
    // Within the 800 x 600 test screen: a placement past its edge would be brought onto it.
    settings.WriteIniString("LAST_Position", "fmBkSetup", "60,50,700,530");
    {
        QtProfileWizard own(settings, messages, pickers, profiles, FallbackRect(1024, 768),
                            [](ProfileWizardDialog& w) { return w.result(); });
        own.OpenForNew();
        EXPECT_EQ(own.Window()->geometry(), QRect(60, 50, 700, 530));
        own.Window()->move(40, 50);
    }
    EXPECT_EQ(settings.ReadIniString("LAST_Position", "fmBkSetup"), "40,50,700,530");
}

TEST_F(ProfileWizardTest, NeitherEnterNorEscapeClosesTheWizardAndTabsShowTheirPageColour) {
    const QColor colours[] = {QColor(166, 202, 240), QColor(255, 221, 255), QColor(255, 255, 208)};
    OpenForNew([&](ProfileWizardDialog& w) {
        Fill(w, src, dst, "n");
        w.show();
        for (Qt::Key key : {Qt::Key_Escape, Qt::Key_Return, Qt::Key_Enter}) {
            QTest::keyClick(w.SourceEdit(), key);
            EXPECT_TRUE(w.isVisible()) << key;
        }
        for (int page = 1; page <= 3; ++page) {
            w.ShowPage(page);
            const QRect tab = w.TabBar()->tabRect(page - 1);
            EXPECT_EQ(w.TabBar()->grab().toImage().pixelColor(tab.topLeft() + QPoint(3, 3)),
                      colours[page - 1]);
        }
        w.close(); // the close box answers Cancel
    });
    EXPECT_EQ(wizard.Window()->result(), QDialog::Rejected);
    EXPECT_TRUE(TakeMessages().empty());
}
