// The preview window's tools, used through its controls while a print waits on the window.

#include "preview/LabelSkip.h"
#include "preview/PageLayoutOpener.h"
#include "ui/ColumnMenu.h"

#include "PreviewWindowTestFixture.h"
#include "TextRecorder.h"

#include <QMenu>
#include <QSignalSpy>
#include <QSpinBox>

namespace hozonix::preview {
namespace {

using test::NumberedLines;

class PreviewWindowHandlersTest : public test::PreviewWindowTest {
protected:
    report::Report& CurrentReport() { return *state.CurrentReport; }
    QStringList PageTexts(int page = 1) {
        QStringList texts;
        for (const auto& t : test::TextsOnPage(Store()->Page(page)))
            texts << t.text;
        return texts;
    }
    QAction* PaperItem(PreviewWindow& w, const QString& name) {
        for (QAction* item : w.PaperMenu()->Items()) {
            if (item->data().toString() == name)
                return item;
        }
        return nullptr;
    }
};

class ScriptedPageLayout : public PageLayoutOpener {
public:
    bool OpenPageLayout(QWidget*, report::Report& report) override {
        ++calls;
        report.SetLeftMargin(25);
        return answer;
    }
    bool answer = true;
    int calls = 0;
};

TEST_F(PreviewWindowHandlersTest, TitleChangeCancelAndEmptyAnswer) {
    report::PageStore* before = nullptr;
    Then([&] {
        dialogs.inputAnswers = {QStringLiteral("新しい題")};
        Window().TitleButton()->click(); // generates again and waits
    });
    Then([&] {
        ASSERT_EQ(dialogs.asked.size(), 1u);
        EXPECT_EQ(dialogs.asked[0].caption, QStringLiteral("印刷タイトル"));
        EXPECT_EQ(dialogs.asked[0].prompt, QStringLiteral("印刷タイトルを入力して下さい"));
        EXPECT_EQ(dialogs.asked[0].start, QStringLiteral("古い題"));
        EXPECT_EQ(Window().windowTitle(), QStringLiteral("新しい題"));
        EXPECT_TRUE(PageTexts().contains(QStringLiteral("新しい題")));
        before = Store();
        dialogs.inputAnswers = {std::nullopt}; // cancelled: the same title, generated again
        Window().TitleButton()->click();
    });
    Then([&] {
        EXPECT_NE(Store(), before);
        EXPECT_EQ(CurrentReport().Title(), QStringLiteral("新しい題"));
        before = Store();
        dialogs.inputAnswers = {QString()}; // cleared and confirmed: nothing changes
        Window().TitleButton()->click();
        EXPECT_EQ(Store(), before);
        EXPECT_EQ(CurrentReport().Title(), QStringLiteral("新しい題"));
        CloseWindow();
    });
    PrintWithSteps("古い題", NumberedLines(3));
    EXPECT_FALSE(Window().isVisible()); // one close ended all three waits
}

TEST_F(PreviewWindowHandlersTest, OrientationTogglesAndIsRefusedWhileGenerating) {
    Then([&] { Window().OrientationButton()->click(); },
         [&] { return Generating() && Window().OrientationButton()->isEnabled(); });
    Then([&] {
        ASSERT_EQ(messages.shown.size(), 1u);
        EXPECT_EQ(messages.shown[0].text, "用紙向きを変更できません");
        EXPECT_EQ(Store()->Setup().orientation, report::Orientation::Portrait);
        Window().OrientationButton()->click();
    });
    Then([&] {
        EXPECT_EQ(Store()->Setup().orientation, report::Orientation::Landscape);
        Window().OrientationButton()->click();
    });
    Then([&] {
        EXPECT_EQ(Store()->Setup().orientation, report::Orientation::Portrait);
        CloseWindow();
    });
    PrintWithSteps("一覧", NumberedLines(400));
}

TEST_F(PreviewWindowHandlersTest, PaperMenuStandsInColumnsOfTenThenEleven) {
    test::ScriptedPrinter many = test::SamplePrinter("Many", printing::kPrinterAttributeDefault);
    many.papers.clear();
    for (int i = 0; i < 25; ++i)
        many.papers.push_back({static_cast<std::uint16_t>(256 + i), "Paper&" + std::to_string(i), ""});
    many.defaults.paperSize = 256 + 3;
    platform.printers = {many};
    PreviewWindow w(Services());
    const auto& items = w.PaperMenu()->Items();
    ASSERT_EQ(items.size(), 25);
    std::vector<int> perColumn(static_cast<std::size_t>(w.PaperMenu()->ColumnCount()));
    for (int i = 0; i < 25; ++i) {
        EXPECT_EQ(items[i]->objectName(), "Val" + QString::number(i));
        EXPECT_EQ(items[i]->data().toString(), "Paper&" + QString::number(i));
        EXPECT_EQ(items[i]->text(), "Paper&&" + QString::number(i)); // shown with the ampersand, not as a key
        ++perColumn[static_cast<std::size_t>(w.PaperMenu()->ColumnOf(items[i]))];
    }
    EXPECT_EQ(perColumn, (std::vector<int>{10, 11, 4}));
    EXPECT_EQ(w.CurrentPaperIndex(), 3);
    EXPECT_TRUE(messages.shown.empty());
}

TEST_F(PreviewWindowHandlersTest, PaperMenuWithoutPaperChoiceOrPrinter) {
    platform.printers[0].defaults.fields = printing::DeviceField::Orientation; // no paper-size choice
    {
        PreviewWindow w(Services());
        ASSERT_EQ(w.PaperMenu()->Items().size(), 5); // the menu as designed
        EXPECT_EQ(w.PaperMenu()->Items()[0]->text(), "A4");
        EXPECT_TRUE(w.KeptPaperNames().empty());
    }
    platform.printers.clear();
    info.reset();
    PreviewWindow w(Services()); // the error is told, and the window is there all the same
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].text, "TPrinterInfo.CheckNoPrinter: No Printer");
    EXPECT_EQ(w.StatusText(), QStringLiteral("印刷の準備中です...そのままお待ち下さい"));
}

TEST_F(PreviewWindowHandlersTest, PaperChoiceSetsThePaperAndGeneratesAgain) {
    Then([&] {
        ASSERT_NE(PaperItem(Window(), "Letter"), nullptr);
        PaperItem(Window(), "Letter")->trigger();
    });
    Then([&] {
        EXPECT_EQ(CurrentReport().PaperSize(), 1);
        EXPECT_NEAR(Store()->Setup().sheet.widthMm, 215.9, 0.01);
        CloseWindow();
    });
    PrintWithSteps("一覧", NumberedLines(3));
    EXPECT_EQ(settings.ReadIniString("SYSTEM", "RP_PaperSize"), "Letter");

    // While the report is being generated the engine refuses.
    Then([&] { PaperItem(Window(), "A4")->trigger(); }, [&] { return Generating() && Window().isVisible(); });
    Then([&] {
        ASSERT_EQ(messages.shown.size(), 1u);
        EXPECT_EQ(messages.shown[0].text, "ペーパーサイズを設定できません");
        CloseWindow();
    });
    PrintWithSteps("一覧", NumberedLines(400));
}

TEST_F(PreviewWindowHandlersTest, PaperMenuNamesEachSheetOnceAndLaysOutPrinterSizes) {
    platform.printers[0].papers = {{9, "A4", "iso_a4_210x297mm"},
                                   {1, "Letter", "na_letter_8.5x11in"},
                                   {260, "US Legal", "na_legal_8.5x14in", 21590, 35560},
                                   {261, "Photo 3.5x5", "oe_photo-l_3.5x5in", 8890, 12700}};
    Then([&] {
        QStringList captions;
        for (QAction* item : Window().PaperMenu()->Items())
            captions << item->text();
        EXPECT_EQ(captions,
                  (QStringList{"A4", QStringLiteral("レター"), QStringLiteral("リーガル"), "Photo 3.5x5"}));
        PaperItem(Window(), "US Legal")->trigger();
    });
    Then([&] {
        EXPECT_NEAR(Store()->Setup().sheet.widthMm, 215.9, 0.01);
        EXPECT_NEAR(Store()->Setup().sheet.heightMm, 355.6, 0.01);
        Window().OrientationButton()->click(); // the sheet stays when turned
    });
    Then([&] {
        EXPECT_NEAR(Store()->Page(1).width, 3556, 0.1);
        EXPECT_NEAR(Store()->Page(1).height, 2159, 0.1);
        PaperItem(Window(), "Photo 3.5x5")->trigger();
    });
    Then([&] {
        EXPECT_NEAR(Store()->Setup().sheet.widthMm, 88.9, 0.01);
        EXPECT_NEAR(Store()->Setup().sheet.heightMm, 127, 0.01);
        EXPECT_TRUE(messages.shown.empty());
        CloseWindow();
    });
    PrintWithSteps("一覧", NumberedLines(3));
}

TEST_F(PreviewWindowHandlersTest, LabelSkipAnswersBecomeNumbers) {
    const std::pair<QString, int> cases[] = {
        {QStringLiteral("３"), 3},    {QStringLiteral("三"), 3},   {QStringLiteral("abc"), 0},
        {QStringLiteral("-5"), -5},   {QStringLiteral("5-"), 5},   {QStringLiteral("－１２"), -12},
        {QStringLiteral("一〇"), 10}, {QStringLiteral("x-3"), 3},  {QStringLiteral("～２"), -2},
        {QStringLiteral("ー"), 0},    {QStringLiteral("1a2"), 12}, {QString(), 0},
    };
    for (const auto& [text, expected] : cases)
        EXPECT_EQ(LabelSkipCountOf(text), expected) << text.toStdString();
}

TEST_F(PreviewWindowHandlersTest, LabelSkipButtonSetsTheCountAndGeneratesAgain) {
    report::PageStore* before = nullptr;
    Then([&] {
        before = Store();
        dialogs.inputAnswers = {std::nullopt, QStringLiteral("３")};
        Window().LabelSkipButton()->click(); // cancelled: no new generation
        EXPECT_EQ(Window().PageLabel()->text(), QString());
        EXPECT_EQ(Window().PendingLabelSkipCount(), 0);
        EXPECT_EQ(Store(), before);
        EXPECT_EQ(dialogs.asked.back().caption, QStringLiteral("ラベルのスキップ指定"));
        EXPECT_EQ(dialogs.asked.back().prompt, QStringLiteral("スキップするラベル数を入力して下さい"));
        EXPECT_EQ(dialogs.asked.back().start, QString());
        Window().LabelSkipButton()->click();
    });
    Then([&] {
        EXPECT_NE(Store(), before);
        EXPECT_EQ(Window().PendingLabelSkipCount(), 3);
        EXPECT_EQ(state.LabelSkipCount, 3);
        EXPECT_EQ(state.LabelsSkipped, 0);
        CloseWindow();
    });
    PrintWithSteps("一覧", NumberedLines(3));
    EXPECT_EQ(state.LabelSkipCount, 0);
}

TEST_F(PreviewWindowHandlersTest, PaperSourceItemsAndFeedButtonsTakeEffectAtTheNextPrint) {
    Then([&] {
        report::PageStore* before = Store();
        const std::pair<QString, int> cases[] = {{"First", 0},  {"Upper", 1}, {"Lower", 2},     {"Middle", 3},
                                                 {"Manual", 4}, {"Auto", 7},  {"Cassette", 12}, {"Last", 13}};
        ASSERT_EQ(Window().PaperSourceMenu()->actions().size(), 8);
        for (QAction* item : Window().PaperSourceMenu()->actions()) {
            item->trigger();
            const auto it = std::find_if(std::begin(cases), std::end(cases),
                                         [&](const auto& c) { return c.first == item->text(); });
            ASSERT_NE(it, std::end(cases));
            EXPECT_EQ(CurrentReport().Printer().paperSource, it->second) << item->text().toStdString();
        }
        Window().ChoosePaperSource("Envelope");
        ASSERT_EQ(messages.shown.size(), 1u);
        EXPECT_EQ(messages.shown[0].text, "Envelope");
        EXPECT_EQ(CurrentReport().Printer().paperSource, 13);
        Window().ManualFeedButton()->click();
        EXPECT_EQ(CurrentReport().Printer().paperSource, 4);
        Window().CassetteButton()->click();
        EXPECT_EQ(CurrentReport().Printer().paperSource, 7); // Auto, not Cassette
        EXPECT_EQ(Store(), before);
        CloseWindow();
    });
    PrintWithSteps("一覧", NumberedLines(3));
}

TEST_F(PreviewWindowHandlersTest, PrintFromTheSettingPanel) {
    settings.WriteIniString("PRINTER", "Setting_Dlg", "OFF");
    Then([&] {
        PreviewWindow& w = Window();
        w.PageSpin()->setValue(2);
        EXPECT_EQ(w.FirstPageSpin()->value(), 2);
        w.LastPageSpin()->setValue(3);
        w.CopiesSpin()->setValue(3);
        w.ManualFeedButton()->click();
        w.PrintButton()->click();
        ASSERT_EQ(recordingJob.jobs.size(), 1u);
        const report::PrintJobOptions& o = recordingJob.jobs[0];
        EXPECT_EQ(o.printerName, "Alpha");
        EXPECT_EQ(o.firstPage, 2);
        EXPECT_EQ(o.lastPage, 3);
        EXPECT_EQ(o.pageCount, 3);
        EXPECT_EQ(o.copies, 3);
        EXPECT_EQ(o.mediaSource, "manual");
        EXPECT_EQ(o.title, "一覧");
        EXPECT_EQ(dialogs.printSettings.calls, 0);
        CloseWindow();
    });
    PrintWithSteps("一覧", NumberedLines(160));
}

TEST_F(PreviewWindowHandlersTest, PrintRangeOutlivesGeneratingAgainAndIsCutWhenSent) {
    settings.WriteIniString("PRINTER", "Setting_Dlg", "OFF");
    Then([&] {
        Window().LastPageSpin()->setValue(9);
        dialogs.inputAnswers = {QStringLiteral("別の題")};
        Window().TitleButton()->click(); // a new generation starts again from one page
    });
    Then([&] {
        EXPECT_EQ(Window().LastPageSpin()->value(), 9);
        Window().PrintButton()->click();
        ASSERT_EQ(recordingJob.jobs.size(), 1u);
        EXPECT_EQ(recordingJob.jobs[0].firstPage, 1);
        EXPECT_EQ(recordingJob.jobs[0].lastPage, 3);
        EXPECT_EQ(Window().StatusText(), QStringLiteral("1～3ページを印刷しました"));
        EXPECT_EQ(Window().LastPageSpin()->value(), 9);
        CloseWindow();
    });
    PrintWithSteps("一覧", NumberedLines(160));
}

TEST_F(PreviewWindowHandlersTest, PrinterAndTrayOfSetupServeTheLaterListsOfTheSession) {
    settings.WriteIniString("PRINTER", "Setting_Dlg", "OFF");
    platform.printers.push_back(test::SamplePrinter("Beta"));
    platform.printers[1].bins.push_back({259, "Tray 2", "tray-2"});
    platform.printers[1].defaults.defaultSource = 259;
    Then([&] {
        dialogs.printerSetup = [&] {
            platform.SetPrinterIndex(1);
            Info().Reset();
            return true;
        };
        Window().PrinterSetupButton()->click();
    });
    Then([&] { CloseWindow(); });
    PrintWithSteps("一覧", NumberedLines(3));

    Then([&] {
        EXPECT_EQ(CurrentReport().Printer().printerIndex, 1);
        EXPECT_FALSE(Window().ManualFeedItem()->isChecked());
        EXPECT_TRUE(Window().CassetteButton()->isChecked());
        Window().PrintButton()->click();
        Window().ManualFeedButton()->click(); // manual feed only when asked for
        Window().PrintButton()->click();
        ASSERT_EQ(recordingJob.jobs.size(), 2u);
        EXPECT_EQ(recordingJob.jobs[0].printerName, "Beta");
        EXPECT_EQ(recordingJob.jobs[0].mediaSource, "tray-2");
        EXPECT_EQ(recordingJob.jobs[1].printerName, "Beta");
        EXPECT_EQ(recordingJob.jobs[1].mediaSource, "manual");
        CloseWindow();
    });
    PrintWithSteps("失敗一覧", NumberedLines(3));
}

TEST_F(PreviewWindowHandlersTest, PrintThroughTheDialogChoosesThePaperSource) {
    platform.printers.push_back(test::SamplePrinter("Beta"));
    platform.printers[1].bins.push_back({259, "Tray 4", "tray-4"});
    platform.printers[1].defaults.defaultSource = 259;
    Then([&] {
        dialogs.printSettings.accept = false; // cancelled: nothing printed
        Window().PrintButton()->click();
        EXPECT_TRUE(recordingJob.jobs.empty());

        dialogs.printSettings.accept = true;
        dialogs.printSettings.edit = [](report::PrinterSettings& s) { s.copies = 2; };
        CurrentReport().Printer().paperSource = report::kSourceCassette;
        Window().PrintButton()->click(); // the previous source is not kept: the report's own goes
        ASSERT_EQ(recordingJob.jobs.size(), 1u);
        EXPECT_EQ(recordingJob.jobs[0].copies, 2);
        EXPECT_EQ(recordingJob.jobs[0].mediaSource, "main");

        // Printer setup picks Beta, whose default tray has no standard number.
        dialogs.printerSetup = [&] {
            platform.SetPrinterIndex(1);
            Info().Reset();
            return true;
        };
        Window().PrinterSetupButton()->click(); // generates again and waits
    });
    Then([&] {
        EXPECT_EQ(CurrentReport().Printer().printerIndex, 1);
        EXPECT_EQ(CurrentReport().Printer().paperSource, 1); // "Upper", which now means 259
        EXPECT_EQ(CurrentReport().PaperSources().PrinterSourceNumber(1), 259);
        EXPECT_TRUE(definition.KeepPaperSource);
        EXPECT_EQ(definition.PaperSource, 1);
        EXPECT_EQ(definition.PrinterIndex, 1);
        EXPECT_FALSE(Window().ManualFeedItem()->isChecked()); // keeping the source is no manual feed

        struct Case {
            bool binManual;
            int definitionIndex;
            std::string source;
        } cases[] = {{true, 1, "manual"}, {false, 1, "tray-4"}, {false, 0, "tray-4"}};
        for (const Case& c : cases) {
            Window().ManualFeedItem()->setChecked(c.binManual);
            definition.PrinterIndex = c.definitionIndex;
            CurrentReport().Printer().paperSource = report::kSourceAuto;
            Window().PrintButton()->click();
            EXPECT_EQ(recordingJob.jobs.back().printerName, "Beta");
            EXPECT_EQ(recordingJob.jobs.back().mediaSource, c.source) << c.binManual << c.definitionIndex;
        }
        CloseWindow();
    });
    PrintWithSteps("一覧", NumberedLines(3));
}

TEST_F(PreviewWindowHandlersTest, PrintAndPageLayoutWaitWhileGenerating) {
    ScriptedPageLayout layout;
    pageLayout = &layout;
    Then(
        [&] {
            Window().PrintButton()->click();
            Window().PageLayoutButton()->click();
            ASSERT_EQ(messages.shown.size(), 2u);
            EXPECT_EQ(messages.shown[0].text, "準備中です しばらくしてからもう一度");
            EXPECT_EQ(messages.shown[1].text, "表示準備中です しばらくしてからもう一度");
            EXPECT_EQ(layout.calls, 0);
        },
        [&] { return Generating() && Window().PrintButton()->isEnabled(); });
    report::PageStore* before = nullptr;
    Then([&] {
        EXPECT_TRUE(recordingJob.jobs.empty());
        layout.answer = false;
        before = Store();
        Window().PageLayoutButton()->click();
        EXPECT_EQ(Store(), before);
        layout.answer = true;
        Window().PageLayoutButton()->click(); // generates again with the new margin
    });
    Then([&] {
        EXPECT_NE(Store(), before);
        EXPECT_EQ(Store()->Setup().leftMargin, 25);
        EXPECT_EQ(layout.calls, 2);
        CloseWindow();
    });
    PrintWithSteps("一覧", NumberedLines(400));
}

TEST_F(PreviewWindowHandlersTest, BackgroundPrintKeepsTheReportUntilItEnds) {
    Then([&] {
        Window().BackgroundPrintItem()->setChecked(true);
        QSignalSpy done(&CurrentReport(), &report::Report::backgroundPrintFinished);
        Window().PrintButton()->click();
        ASSERT_TRUE(done.wait(10000));
        ASSERT_EQ(recordingJob.jobs.size(), 1u);
        EXPECT_EQ(recordingJob.jobs[0].pageCount, 1);
        EXPECT_EQ(recordingJob.pdf.substr(0, 5), "%PDF-");
        CloseWindow();
    });
    PrintWithSteps("一覧", NumberedLines(3));
    EXPECT_TRUE(messages.shown.empty());
}

TEST_F(PreviewWindowHandlersTest, PrinterInformationMessage) {
    definition.Name = "一覧表";
    definition.Title = "更新";
    definition.Number = 12;
    definition.PaperSource = 4;
    definition.PrinterIndex = 2;
    Then([&] {
        CurrentReport().Printer().paperSource = 7;
        Window().PrinterInformationItem()->trigger();
        CloseWindow();
    });
    PrintWithSteps("一覧", NumberedLines(3));
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].text,
              "用紙サイズ = A4\r\n給紙元の番号 = 7\r\n給紙元 = Auto / 設定値 = Manual\r\n"
              "レポート名 = 一覧表\r\nタイトル = 更新\r\n番号 = 12\r\n"
              "プリンター番号 = 2 PirinteIndex = -1");
}

} // namespace
} // namespace hozonix::preview
