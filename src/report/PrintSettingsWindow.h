#pragma once
// The engine's printer-settings dialog: first and last page (0: to the end) and copies.

#include "report/ReportPrinting.h"

#include <QDialog>

class QSpinBox;

namespace hozonix::report {

class PrintSettingsWindow : public QDialog, public PrintSettingsDialog {
public:
    explicit PrintSettingsWindow(QWidget* parent = nullptr);

    // Fills the fields, runs the dialog modally, and on OK stores the fields.
    bool Edit(PrinterSettings& settings) override;

    void Load(const PrinterSettings& settings);
    void Store(PrinterSettings& settings) const;

    QSpinBox* firstPage;
    QSpinBox* lastPage;
    QSpinBox* copies;
};

} // namespace hozonix::report
