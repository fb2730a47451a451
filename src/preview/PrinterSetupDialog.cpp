#include "preview/PrinterSetupDialog.h"

#include "printers/MediaMapping.h"
#include "printers/PaperNames.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QPushButton>
#include <QVBoxLayout>

namespace hozonix::preview {

namespace {

QString Text(const std::string& s) {
    return QString::fromStdString(s);
}

// As the preview's paper menu shows it: the Japanese name of a common sheet, else the printer's text.
std::string ShownPaperName(const printing::PaperEntry& paper) {
    std::optional<printing::PaperDimensions> sheet;
    if (paper.width > 0 && paper.length > 0)
        sheet = printing::PaperDimensions{paper.width, paper.length};
    else
        sheet = printing::PaperSizeOfCode(paper.number);
    const std::string name = sheet ? printing::JapanesePaperName(sheet->width, sheet->length) : std::string();
    return name.empty() ? paper.name : name;
}

void SelectData(QComboBox* combo, int value) {
    const int at = combo->findData(value);
    if (at >= 0)
        combo->setCurrentIndex(at);
}

} // namespace

PrinterSetupDialog::PrinterSetupDialog(printing::PrinterInfo& info, QWidget* parent)
    : QDialog(parent), info_(info), printerCombo_(new QComboBox(this)), paperCombo_(new QComboBox(this)),
      binCombo_(new QComboBox(this)) {
    setObjectName("PrinterSetupDlg");
    setWindowTitle("プリンタの設定");
    printerCombo_->setObjectName("Printer_Combo");
    paperCombo_->setObjectName("Paper_Combo");
    binCombo_->setObjectName("Bin_Combo");

    auto* form = new QFormLayout;
    form->addRow("プリンタ名(&N):", printerCombo_);
    form->addRow("用紙サイズ(&Z):", paperCombo_);
    form->addRow("給紙方法(&S):", binCombo_);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setText("OK");
    buttons->button(QDialogButtonBox::Cancel)->setText("キャンセル");
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(buttons);

    connect(printerCombo_, &QComboBox::activated, this, [this] {
        const std::string device = printerCombo_->currentText().toStdString();
        FillPrinterLists(device, info_.Platform().DefaultSettings(device));
    });
}

void PrinterSetupDialog::Load() {
    printing::PrinterPlatform& platform = info_.Platform();
    const std::vector<printing::PrinterRecord> printers = platform.PrinterList();
    const std::string current = platform.DeviceName();
    printerCombo_->clear();
    for (std::size_t i = 0; i < printers.size(); ++i) {
        if ((printers[i].attributes & printing::kPrinterAttributeHidden) == 0)
            printerCombo_->addItem(Text(printers[i].name), static_cast<int>(i));
    }
    const int at = printerCombo_->findText(Text(current));
    if (at >= 0)
        printerCombo_->setCurrentIndex(at);
    const std::string device = printerCombo_->currentText().toStdString();
    std::optional<printing::DeviceSettings> settings;
    if (device == current)
        settings = platform.SettingsBlock();
    FillPrinterLists(device, settings ? *settings : platform.DefaultSettings(device));
}

void PrinterSetupDialog::FillPrinterLists(const std::string& device,
                                          const printing::DeviceSettings& settings) {
    printing::PrinterPlatform& platform = info_.Platform();
    paperCombo_->clear();
    binCombo_->clear();
    if (device.empty())
        return;
    for (const printing::PaperEntry& paper : platform.Papers(device))
        paperCombo_->addItem(Text(ShownPaperName(paper)), static_cast<int>(paper.number));
    for (const printing::BinEntry& bin : platform.Bins(device))
        binCombo_->addItem(Text(printing::JapaneseTrayName(bin.name)), static_cast<int>(bin.number));
    SelectData(paperCombo_, static_cast<std::uint16_t>(settings.paperSize));
    SelectData(binCombo_, static_cast<std::uint16_t>(settings.defaultSource));
    paperCombo_->setEnabled(paperCombo_->count() > 0);
    binCombo_->setEnabled(binCombo_->count() > 0);
}

void PrinterSetupDialog::Apply() {
    if (printerCombo_->currentIndex() < 0)
        return;
    printing::PrinterPlatform& platform = info_.Platform();
    platform.SetPrinterIndex(printerCombo_->currentData().toInt());
    printing::DeviceSettings settings = platform.SettingsBlock().value_or(printing::DeviceSettings{});
    const std::string device = platform.DeviceName();
    if (paperCombo_->currentIndex() >= 0) {
        const int number = paperCombo_->currentData().toInt();
        settings.paperSize = static_cast<std::int16_t>(number);
        for (const printing::PaperEntry& paper : platform.Papers(device)) {
            if (paper.number == number)
                settings.formName = paper.media;
        }
    }
    if (binCombo_->currentIndex() >= 0)
        settings.defaultSource = static_cast<std::int16_t>(binCombo_->currentData().toInt());
    platform.SetSettingsBlock(settings);
    info_.Reset();
}

bool PrinterSetupDialog::Execute() {
    info_.CheckNoPrinter();
    Load();
    if (exec() != QDialog::Accepted)
        return false;
    Apply();
    return true;
}

} // namespace hozonix::preview
