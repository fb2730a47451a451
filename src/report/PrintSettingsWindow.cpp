#include "report/PrintSettingsWindow.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QSpinBox>

namespace hozonix::report {

PrintSettingsWindow::PrintSettingsWindow(QWidget* parent)
    : QDialog(parent), firstPage(new QSpinBox(this)), lastPage(new QSpinBox(this)),
      copies(new QSpinBox(this)) {
    setWindowTitle(QStringLiteral("印刷"));
    firstPage->setRange(1, 99999);
    lastPage->setRange(0, 99999);
    lastPage->setSpecialValueText(QStringLiteral("最後"));
    copies->setRange(1, 999);
    auto* form = new QFormLayout(this);
    form->addRow(QStringLiteral("開始ページ"), firstPage);
    form->addRow(QStringLiteral("終了ページ"), lastPage);
    form->addRow(QStringLiteral("部数"), copies);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    form->addRow(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
}

bool PrintSettingsWindow::Edit(PrinterSettings& settings) {
    Load(settings);
    if (exec() != QDialog::Accepted)
        return false;
    Store(settings);
    return true;
}

void PrintSettingsWindow::Load(const PrinterSettings& settings) {
    firstPage->setValue(settings.firstPage);
    lastPage->setValue(settings.lastPage);
    copies->setValue(settings.copies);
}

void PrintSettingsWindow::Store(PrinterSettings& settings) const {
    settings.firstPage = firstPage->value();
    settings.lastPage = lastPage->value();
    // A last page before the first would print nothing: take it as "to the end".
    if (settings.lastPage != 0 && settings.lastPage < settings.firstPage)
        settings.lastPage = 0;
    settings.copies = copies->value();
}

} // namespace hozonix::report
