#include "ui/JapaneseFonts.h"
#include "settings/IniFile.h"
#include "ui/MessageListDialog.h"
#include "ui/Pickers.h"
#include "ui/ProcessingDialog.h"

#include "ScriptedMessageBox.h"
#include "ScriptedPickers.h"
#include "TempFolder.h"

#include <QFontDatabase>
#include <QFontInfo>
#include <QFontMetrics>
#include <QPlainTextEdit>
#include <QTextEdit>

#include <gtest/gtest.h>

using namespace hozonix;
using namespace hozonix::ui;

namespace {

// Lines up in columns: every Latin letter and digit as wide as the next, a Japanese letter twice that.
bool LinesUpInColumns(const QFont& font) {
    const QFontMetrics m(font);
    const int half = m.horizontalAdvance(QLatin1Char('0'));
    for (const char* text : {"i", "W", "m", ".", "/", "_"}) {
        if (m.horizontalAdvance(QString::fromLatin1(text)) != half)
            return false;
    }
    return half > 0 && m.horizontalAdvance(QStringLiteral("あ")) == 2 * half &&
           m.horizontalAdvance(QStringLiteral("漢")) == 2 * half;
}

} // namespace

TEST(JapaneseFonts, DesignNamesMapToTheInstalledIpaFaces) {
    struct Case {
        std::string_view design;
        const char* face;
        bool columns;
    } cases[] = {
        {FixedGothicName, "IPAGothic", true}, {GothicName, "IPAPGothic", false},
        {FixedMinchoName, "IPAMincho", true}, {MinchoName, "IPAPMincho", false},
        {"Arial", "IPAPGothic", false}, // a name the table does not know: the proportional Gothic
    };
    for (const Case& c : cases) {
        const QFont font = DesignFont(c.design, 12);
        EXPECT_EQ(FacesForDesignName(c.design).front().toStdString(), c.face) << c.design;
        EXPECT_EQ(font.pixelSize(), 12);
        // The install script puts every IPA face on the machine, so the first choice is the one used.
        ASSERT_TRUE(QFontDatabase::hasFamily(QString::fromLatin1(c.face))) << c.face;
        EXPECT_EQ(QFontInfo(font).family().toStdString(), c.face) << c.design;
        EXPECT_EQ(LinesUpInColumns(font), c.columns) << c.design;
    }
}

TEST(JapaneseFonts, ListsOfTheMessageListAndTheProcessingDialogLineUpInColumns) {
    test::TempFolder dir;
    IniFile ini(dir / "h.ini");
    test::ScriptedMessageBox messages;
    test::ScriptedFileDialogs files;
    test::ScriptedFolderBrowser folders;
    Pickers pickers(files, folders);
    MessageListDialog list(ini, messages, pickers, FallbackRect(1024, 768));
    EXPECT_TRUE(LinesUpInColumns(list.TextBox()->font()));
    EXPECT_FALSE(LinesUpInColumns(list.font())); // the window itself: "ＭＳ Ｐゴシック"

    ProcessingDialog processing(ini, messages, FallbackRect(1024, 768));
    auto* lower = processing.findChild<QTextEdit*>("memo2");
    auto* upper = processing.findChild<QPlainTextEdit*>("Memo1");
    ASSERT_NE(lower, nullptr);
    ASSERT_NE(upper, nullptr);
    EXPECT_TRUE(LinesUpInColumns(lower->font()));
    EXPECT_FALSE(LinesUpInColumns(upper->font()));
}
