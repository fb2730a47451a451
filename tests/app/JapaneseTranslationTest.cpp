// Qt's own texts in Japanese, whatever the locale of the session that runs the tests.
#include "app/JapaneseTranslation.h"
#include "ui/QtFileDialogs.h"

#include "TempFolder.h"

#include <QAction>
#include <QApplication>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMenu>
#include <QPushButton>
#include <QTest>
#include <QTreeView>

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <memory>

using namespace hozonix;

namespace {

class JapaneseQtTexts : public ::testing::Test {
protected:
    static void SetUpTestSuite() { installed = app::InstallJapaneseQtTexts(*QCoreApplication::instance()); }
    static inline bool installed = false;
};

} // namespace

TEST_F(JapaneseQtTexts, ButtonsMenusAndTheFileDialogSpeakJapanese) {
    ASSERT_TRUE(installed) << "qtbase_ja.qm in " << app::QtTranslationsFolder().toStdString();
    EXPECT_EQ(QLocale().language(), QLocale::Japanese);

    QDialogButtonBox buttons(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    EXPECT_EQ(buttons.button(QDialogButtonBox::Cancel)->text().toStdString(), "キャンセル");

    // Every text field's context menu.
    QLineEdit field("abc");
    std::unique_ptr<QMenu> menu(field.createStandardContextMenu());
    std::vector<std::string> items;
    for (QAction* a : menu->actions()) {
        if (!a->isSeparator())
            items.push_back(a->text().toStdString());
    }
    ASSERT_GE(items.size(), 5u);
    EXPECT_EQ(items[0].rfind("元に戻す", 0), 0u) << items[0];
    for (const char* word : {"切り取り", "コピー", "貼り付け", "すべてを選択"}) {
        EXPECT_TRUE(std::any_of(items.begin(), items.end(), [&](const std::string& item) {
            return item.rfind(word, 0) == 0;
        })) << word;
    }

    // The file dialog: its labels, its "type" column, and headers that are not cut short.
    test::TempFolder dir;
    std::filesystem::create_directory(dir / "写真");
    QFileDialog dialog;
    ui::ConfigureFileDialog(dialog, ui::FileDialogKind::Save,
                            {"メッセージの保存", "TXT", dir.Path(), "", "ファイル (*.TXT)|*.TXT"});
    auto* lookIn = dialog.findChild<QLabel*>("lookInLabel");
    auto* fileName = dialog.findChild<QLabel*>("fileNameLabel");
    ASSERT_NE(lookIn, nullptr);
    ASSERT_NE(fileName, nullptr);
    EXPECT_NE(lookIn->text(), QStringLiteral("Look in:"));
    EXPECT_TRUE(fileName->text().contains(QStringLiteral("ファイル名"))) << fileName->text().toStdString();
    auto* save = dialog.findChild<QDialogButtonBox*>("buttonBox")->button(QDialogButtonBox::Save);
    EXPECT_TRUE(save->text().startsWith(QStringLiteral("保存"))) << save->text().toStdString();

    auto* model = dialog.findChild<QFileSystemModel*>();
    ASSERT_NE(model, nullptr);
    const QModelIndex folder = model->index(QString::fromStdString(dir / "写真"));
    ASSERT_TRUE(folder.isValid());
    EXPECT_EQ(model->type(folder).toStdString(), "フォルダ");

    auto* details = dialog.findChild<QTreeView*>("treeView");
    ASSERT_NE(details, nullptr);
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    ui::FitColumnHeaders(dialog);
    QHeaderView* header = details->header();
    for (int column = 0; column < header->count(); ++column) {
        const QString text = model->headerData(column, Qt::Horizontal).toString();
        EXPECT_FALSE(text.isEmpty());
        EXPECT_GE(header->sectionSize(column), header->fontMetrics().horizontalAdvance(text))
            << text.toStdString();
    }
    dialog.hide();
}

TEST(JapaneseQtTextsMissing, AFolderWithoutTheTranslationLeavesQtsTextsAsTheyAre) {
    test::TempFolder empty;
    EXPECT_FALSE(
        app::InstallJapaneseQtTexts(*QCoreApplication::instance(), QString::fromStdString(empty.Path())));
}
