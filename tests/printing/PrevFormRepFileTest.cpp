// Saving the shown pages as a ".REP" file and opening it again, through the preview window's menu.

#include "PageImages.h"
#include "PrevFormTestFixture.h"

#include <QMenu>
#include <QSpinBox>

namespace hozonix::printing {
namespace {

using test::NumberedLines;

class PrevFormRepFileTest : public test::PrevFormTest {
protected:
    std::vector<QImage> Images() {
        std::vector<QImage> images;
        for (int page = 1; page <= Store()->PageCount(); ++page)
            images.push_back(test::RenderForComparison(*Store(), page));
        return images;
    }
};

TEST_F(PrevFormRepFileTest, SavedPagesOpenAgainAndBadFilesAreRefused) {
    const std::string saved = dir / "一覧.REP";
    std::vector<QImage> savedImages;
    Then([&] {
        fileDialogs.answers = {saved};
        Window().Save_Rep->trigger();
        ASSERT_EQ(fileDialogs.calls.size(), 1u);
        EXPECT_EQ(fileDialogs.calls[0].kind, ui::FileDialogKind::Save);
        EXPECT_EQ(fileDialogs.calls[0].settings.Title, "レポートを保存");
        EXPECT_EQ(fileDialogs.calls[0].settings.DefaultExt, "REP");
        EXPECT_EQ(fileDialogs.calls[0].settings.Filter, "レポート (*.REP)|*.REP");
        ASSERT_TRUE(test::PathExists(saved));
        savedImages = Images();
        dialogs.inputAnswers = {QStringLiteral("別の題")};
        Window().Title_Btn->click(); // other pages in the window
    });
    Then([&] {
        ASSERT_EQ(Store()->PageCount(), 2);
        EXPECT_NE(Images()[0], savedImages[0]);
        Window().Page_SpinEdit->setValue(2);
        fileDialogs.answers = {saved};
        Window().Open_Rep->trigger();
        EXPECT_EQ(fileDialogs.calls.back().kind, ui::FileDialogKind::Open);
        EXPECT_EQ(fileDialogs.calls.back().settings.Title, "レポートを開く");
        EXPECT_EQ(fileDialogs.calls.back().settings.Filter, "レポート (*.REP)|*.REP");
        EXPECT_EQ(Window().Page_SpinEdit->value(), 1); // shown again from the first page
        EXPECT_EQ(Images(), savedImages);

        // A foreign file, a damaged one and a cancelled dialog leave the pages as they are, silently.
        const std::string foreign = dir / "foreign.REP", damaged = dir / "damaged.REP";
        test::WriteFile(foreign, "%PDF-1.4 not a report");
        std::string bytes = test::ReadFile(saved);
        bytes[bytes.size() / 2] = static_cast<char>(bytes[bytes.size() / 2] ^ 0x55);
        test::WriteFile(damaged, bytes);
        fileDialogs.answers = {foreign, damaged, std::nullopt};
        for (int i = 0; i < 3; ++i)
            Window().Open_Rep->trigger();
        EXPECT_EQ(Images(), savedImages);
        EXPECT_TRUE(messages.shown.empty());
        CloseWindow();
    });
    PrintWithSteps("一覧", NumberedLines(100));
}

} // namespace
} // namespace hozonix::printing
