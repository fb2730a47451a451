#include "report/PrintSettingsWindow.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>

namespace hozonix::report {

namespace {

constexpr const char* kNoPrinter = "(プリンタがありません)";

} // namespace

PrintSettingsWindow::PrintSettingsWindow(QWidget* parent)
    : QDialog(parent), printer(new QLabel(this)),
      toPdf(new QCheckBox(QStringLiteral("PDF ファイルに出力"), this)), pdfFile(new QLineEdit(this)),
      choosePdfFile(new QPushButton(QStringLiteral("参照..."), this)), firstPage(new QSpinBox(this)),
      lastPage(new QSpinBox(this)), copies(new QSpinBox(this)) {
    setWindowTitle(QStringLiteral("印刷"));
    printer->setObjectName("Printer_Label");
    toPdf->setObjectName("ToPdf_Check");
    pdfFile->setObjectName("PdfFile_Edit");
    firstPage->setRange(1, 99999);
    lastPage->setRange(0, 99999);
    lastPage->setSpecialValueText(QStringLiteral("最後"));
    copies->setRange(1, 999);
    auto* pdfRow = new QHBoxLayout;
    pdfRow->addWidget(pdfFile, 1);
    pdfRow->addWidget(choosePdfFile);
    auto* form = new QFormLayout(this);
    form->addRow(QStringLiteral("プリンタ"), printer);
    form->addRow(toPdf);
    form->addRow(QStringLiteral("ファイル"), pdfRow);
    form->addRow(QStringLiteral("開始ページ"), firstPage);
    form->addRow(QStringLiteral("終了ページ"), lastPage);
    form->addRow(QStringLiteral("部数"), copies);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    okButton = buttons->button(QDialogButtonBox::Ok);
    form->addRow(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(toPdf, &QCheckBox::toggled, this, [this] { UpdateDestination(); });
    connect(pdfFile, &QLineEdit::textChanged, this, [this] { UpdateDestination(); });
    connect(choosePdfFile, &QPushButton::clicked, this, [this] {
        if (!askPdfFile)
            return;
        const std::string chosen = askPdfFile(pdfFile->text().toStdString());
        if (!chosen.empty()) {
            pdfFile->setText(QString::fromStdString(chosen));
            toPdf->setChecked(true);
        }
    });
    UpdateDestination();
}

void PrintSettingsWindow::UpdateDestination() {
    pdfFile->setEnabled(toPdf->isChecked());
    choosePdfFile->setEnabled(toPdf->isChecked());
    // Copies are the printer's business; a file is written once.
    copies->setEnabled(!toPdf->isChecked());
    okButton->setEnabled(!toPdf->isChecked() || !pdfFile->text().trimmed().isEmpty());
}

bool PrintSettingsWindow::Edit(PrinterSettings& settings, PrintDestination& destination) {
    Load(settings, destination);
    if (exec() != QDialog::Accepted)
        return false;
    Store(settings, destination);
    return true;
}

void PrintSettingsWindow::Load(const PrinterSettings& settings, const PrintDestination& destination) {
    printer->setText(destination.printerName.empty() ? QString::fromUtf8(kNoPrinter)
                                                     : QString::fromStdString(destination.printerName));
    // Without a printer, a file is the only place the pages can go.
    toPdf->setChecked(!destination.pdfFile.empty() || destination.printerName.empty());
    if (!destination.pdfFile.empty())
        pdfFile->setText(QString::fromStdString(destination.pdfFile));
    firstPage->setValue(settings.firstPage);
    lastPage->setValue(settings.lastPage);
    copies->setValue(settings.copies);
    UpdateDestination();
}

void PrintSettingsWindow::Store(PrinterSettings& settings, PrintDestination& destination) const {
    settings.firstPage = firstPage->value();
    settings.lastPage = lastPage->value();
    // A last page before the first would print nothing: take it as "to the end".
    if (settings.lastPage != 0 && settings.lastPage < settings.firstPage)
        settings.lastPage = 0;
    settings.copies = copies->value();
    destination.pdfFile = toPdf->isChecked() ? pdfFile->text().trimmed().toStdString() : std::string();
}

} // namespace hozonix::report
