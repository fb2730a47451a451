#include "preview/QtPreviewDialogs.h"

#include "preview/PrinterSetupDialog.h"
#include "ui/Pickers.h"

#include <QApplication>
#include <QInputDialog>

namespace hozonix::preview {

bool QtPreviewDialogs::InputQuery(const QString& caption, const QString& prompt, QString& value) {
    bool ok = false;
    const QString answer =
        QInputDialog::getText(QApplication::activeWindow(), caption, prompt, QLineEdit::Normal, value, &ok);
    if (ok)
        value = answer;
    return ok;
}

bool QtPreviewDialogs::PrinterSetup() {
    PrinterSetupDialog dialog(info_, QApplication::activeWindow());
    return dialog.Execute();
}

report::PrintSettingsDialog& QtPreviewDialogs::PrintSettings() {
    if (!printSettings_) {
        printSettings_ = std::make_unique<report::PrintSettingsWindow>();
        printSettings_->askPdfFile = [this](const std::string& current) {
            return pickers_.AskSaveFileName("PDF ファイルに出力", current, "pdf", "PDF (*.pdf)|*.pdf");
        };
    }
    return *printSettings_;
}

} // namespace hozonix::preview
