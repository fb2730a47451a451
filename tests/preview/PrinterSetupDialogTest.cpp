#include "preview/PrinterSetupDialog.h"

#include "ScriptedPrinterPlatform.h"

#include <QApplication>
#include <QComboBox>

#include <gtest/gtest.h>

namespace hozonix::test {
namespace {

class PrinterSetupDialogTest : public ::testing::Test {
protected:
    void SetUp() override {
        platform.printers = {SamplePrinter("Hidden", kPrinterAttributeHidden), SamplePrinter("Office"),
                             SamplePrinter("Label", kPrinterAttributeDefault)};
        ScriptedPrinter& label = platform.printers[2];
        label.papers = {{256, "62 mm", "oe_62mm"}, {43, "PostcardJap", "jpn_hagaki_100x148mm"}};
        label.bins = {{5, "Envelope", "envelope"}};
        label.defaults.paperSize = 43;
        label.defaults.defaultSource = 5;
    }

    static std::vector<std::string> Items(const QComboBox* combo) {
        std::vector<std::string> items;
        for (int i = 0; i < combo->count(); ++i)
            items.push_back(combo->itemText(i).toStdString());
        return items;
    }

    ScriptedPrinterPlatform platform;
};

TEST_F(PrinterSetupDialogTest, OffersVisiblePrintersWithTheCurrentChoice) {
    PrinterInfo info(platform);
    platform.SetPrinterIndex(-1);
    platform.settings->paperSize = 256;
    preview::PrinterSetupDialog dlg(info);
    dlg.Load();
    EXPECT_EQ(Items(dlg.PrinterCombo()), (std::vector<std::string>{"Office", "Label"}));
    EXPECT_EQ(dlg.PrinterCombo()->currentText(), "Label");
    // The selected printer shows its current settings, not its defaults.
    EXPECT_EQ(dlg.PaperCombo()->currentText(), "62 mm");
    EXPECT_EQ(dlg.BinCombo()->currentText(), "封筒"); // "Envelope", in its common Japanese name

    // Another printer shows its own lists with its defaults.
    dlg.PrinterCombo()->setCurrentIndex(0);
    emit dlg.PrinterCombo()->activated(0);
    EXPECT_EQ(Items(dlg.PaperCombo()), (std::vector<std::string>{"A4", "レター", "Photo"}));
    EXPECT_EQ(dlg.PaperCombo()->currentText(), "A4");
    EXPECT_EQ(dlg.BinCombo()->currentText(), "自動選択");
}

TEST_F(PrinterSetupDialogTest, ConfirmingSelectsThePrinterAndResetsTheInformation) {
    PrinterInfo info(platform);
    EXPECT_EQ(info.GetPaperSizeNumber(), 43);
    EXPECT_EQ(info.GetPaperSizeNames(), (std::vector<std::string>{"62 mm", "PostcardJap"}));

    preview::PrinterSetupDialog dlg(info);
    dlg.Load();
    dlg.PrinterCombo()->setCurrentIndex(0);
    emit dlg.PrinterCombo()->activated(0);
    dlg.PaperCombo()->setCurrentIndex(1);
    dlg.BinCombo()->setCurrentIndex(1);
    dlg.Apply();

    EXPECT_EQ(platform.PrinterIndex(), 1);
    EXPECT_EQ(platform.settings->formName, "na_letter_8.5x11in");
    EXPECT_EQ(info.GetIndex(), 0);
    EXPECT_EQ(info.CachedIndex(), 1);
    EXPECT_EQ(info.GetPaperSizeNumber(), 1);
    EXPECT_EQ(info.GetPaperSizeIndex(), 1);
    EXPECT_EQ(info.GetBinNumber(), 4);
}

TEST_F(PrinterSetupDialogTest, NoPrinterIsReportedBeforeShowing) {
    platform.printers = {SamplePrinter("Hidden", kPrinterAttributeHidden)};
    PrinterInfo info(platform);
    preview::PrinterSetupDialog dlg(info);
    EXPECT_THROW(dlg.Execute(), NoPrinterError);
    EXPECT_FALSE(dlg.isVisible());
}

} // namespace
} // namespace hozonix::test
