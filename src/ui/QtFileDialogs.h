#pragma once
// The two shared file dialogs of the desktop program: Qt's own widget dialogs, one for opening and one
// for saving, each created on first use and kept until the program ends. Neither insists that the named
// file exists nor asks before a file is replaced; both can be resized.

#include "ui/Pickers.h"

#include <QStringList>

#include <memory>

class QFileDialog;

namespace hozonix::ui {

// "description|pattern|description|pattern" as Qt name filters: "description (pattern)", with the
// pattern added only when the description does not end with it already. Patterns separated by ";"
// become one filter.
QStringList NameFiltersOf(const std::string& filter);

// Applies the settings to a dialog of that kind; the first filter entry is selected. On the dialog's
// `firstUse` without a folder of the caller's, it opens at the home folder (not wherever the program
// was started from); later uses stay where the last one ended.
void ConfigureFileDialog(QFileDialog& dialog, FileDialogKind kind, const FileDialogSettings& settings,
                         bool firstUse = false);

// Widens every column of the details view that is narrower than its header's text, so that no Japanese
// header is cut short by the column widths the dialog starts with or restores.
void FitColumnHeaders(QFileDialog& dialog);

// Closes the list of completions the name field may still show when the dialog closes: it is a window
// of its own and would stay on the screen.
void HideCompletionWhenClosed(QFileDialog& dialog);

class QtFileDialogs : public FileDialogBackend {
public:
    QtFileDialogs();
    ~QtFileDialogs() override;

    std::optional<std::string> Run(FileDialogKind kind, const FileDialogSettings& settings) override;

private:
    std::unique_ptr<QFileDialog> open_;
    std::unique_ptr<QFileDialog> save_;
};

} // namespace hozonix::ui
