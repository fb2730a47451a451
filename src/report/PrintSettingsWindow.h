#pragma once
// The engine's printer-settings dialog: the printer the print goes to, or a PDF file instead; first and
// last page (0: to the end) and copies.

#include "report/ReportPrinting.h"

#include <QDialog>

#include <functional>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;

namespace hozonix::report {

class PrintSettingsWindow : public QDialog, public PrintSettingsDialog {
public:
    explicit PrintSettingsWindow(QWidget* parent = nullptr);

    // Fills the fields, runs the dialog modally, and on OK stores the fields.
    bool Edit(PrinterSettings& settings, PrintDestination& destination) override;

    void Load(const PrinterSettings& settings, const PrintDestination& destination);
    void Store(PrinterSettings& settings, PrintDestination& destination) const;

    // Asks for the PDF file to write, starting from the one given; "" when the user cancels.
    std::function<std::string(const std::string& current)> askPdfFile;

    QLabel* printer;
    QCheckBox* toPdf;
    QLineEdit* pdfFile;
    QPushButton* choosePdfFile;
    QSpinBox* firstPage;
    QSpinBox* lastPage;
    QSpinBox* copies;
    QPushButton* okButton = nullptr;

private:
    void UpdateDestination();
};

} // namespace hozonix::report
