#pragma once
// The printer setup dialog: choose the printer, its paper size and its paper source. Confirming makes the
// choice the printer object's selection and settings and resets the shared printer information.

#include "printers/PrinterInfo.h"

#include <QDialog>

class QComboBox;

namespace hozonix::preview {

class PrinterSetupDialog : public QDialog {
public:
    explicit PrinterSetupDialog(printing::PrinterInfo& info, QWidget* parent = nullptr);

    // Shows the dialog modally; true when the user confirmed and the choice was applied. Raises
    // NoPrinterError before showing anything when no printer can be chosen.
    bool Execute();
    // Fills the lists from the printing system, preselecting the current printer and its settings.
    void Load();
    // Makes the current choice the printer object's and resets the printer information.
    void Apply();

    QComboBox* PrinterCombo() const { return printerCombo_; }
    QComboBox* PaperCombo() const { return paperCombo_; }
    QComboBox* BinCombo() const { return binCombo_; }

private:
    void FillPrinterLists(const std::string& device, const printing::DeviceSettings& settings);

    printing::PrinterInfo& info_;
    QComboBox* printerCombo_;
    QComboBox* paperCombo_;
    QComboBox* binCombo_;
};

} // namespace hozonix::preview
