#include "ui/QtFileDialogs.h"

#include <QAbstractItemView>
#include <QCompleter>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QHeaderView>
#include <QTreeView>

#include <algorithm>

namespace hozonix::ui {

QStringList NameFiltersOf(const std::string& filter) {
    const QStringList parts = QString::fromUtf8(filter).split(QLatin1Char('|'));
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        const QString description = parts[i].trimmed();
        QString patterns = parts[i + 1].trimmed();
        patterns.replace(QLatin1Char(';'), QLatin1Char(' '));
        const QString suffix = QStringLiteral("(") + patterns + QStringLiteral(")");
        if (description.endsWith(suffix))
            filters << description;
        else if (description.isEmpty())
            filters << suffix;
        else
            filters << description + QStringLiteral(" ") + suffix;
    }
    return filters;
}

void ConfigureFileDialog(QFileDialog& dialog, FileDialogKind kind, const FileDialogSettings& settings,
                         bool firstUse) {
    dialog.setOption(QFileDialog::DontUseNativeDialog, true);
    dialog.setOption(QFileDialog::DontConfirmOverwrite, true);
    dialog.setAcceptMode(kind == FileDialogKind::Open ? QFileDialog::AcceptOpen : QFileDialog::AcceptSave);
    // AnyFile for opening too: the open dialog does not insist that the named file exists.
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setWindowModality(Qt::ApplicationModal);
    dialog.setSizeGripEnabled(true);

    dialog.setWindowTitle(QString::fromUtf8(settings.Title));
    dialog.setDefaultSuffix(QString::fromUtf8(settings.DefaultExt));
    if (!settings.InitialFolder.empty())
        dialog.setDirectory(QFile::decodeName(QByteArray::fromStdString(settings.InitialFolder)));
    else if (firstUse)
        dialog.setDirectory(QDir::homePath());
    const QStringList filters = NameFiltersOf(settings.Filter);
    dialog.setNameFilters(filters);
    if (!filters.isEmpty())
        dialog.selectNameFilter(filters.first());
    if (!settings.FileName.empty())
        dialog.selectFile(QFile::decodeName(QByteArray::fromStdString(settings.FileName)));
}

void FitColumnHeaders(QFileDialog& dialog) {
    auto* details = dialog.findChild<QTreeView*>(QStringLiteral("treeView"));
    if (details == nullptr)
        return;
    QHeaderView* header = details->header();
    for (int column = 0; column < header->count(); ++column)
        header->resizeSection(column, std::max(header->sectionSize(column), header->sectionSizeHint(column)));
    // Once a folder's entries are in: size, type and date as wide as what they show, and the names
    // given the rest of the view rather than cut short beside empty space.
    auto* model = dialog.findChild<QFileSystemModel*>();
    if (model == nullptr || dialog.property("hozonixColumnsFitted").toBool())
        return;
    dialog.setProperty("hozonixColumnsFitted", true);
    QObject::connect(model, &QFileSystemModel::directoryLoaded, details, [details] {
        QHeaderView* header = details->header();
        int others = 0;
        for (int column = 1; column < header->count(); ++column) {
            if (header->isSectionHidden(column))
                continue;
            header->resizeSection(
                column, std::max({header->sectionSize(column), header->sectionSizeHint(column),
                                  static_cast<QAbstractItemView*>(details)->sizeHintForColumn(column)}));
            others += header->sectionSize(column);
        }
        header->resizeSection(0, std::max(header->sectionSizeHint(0), details->viewport()->width() - others));
    });
}

QtFileDialogs::QtFileDialogs() = default;
QtFileDialogs::~QtFileDialogs() = default;

void HideCompletionWhenClosed(QFileDialog& dialog) {
    QObject::connect(&dialog, &QDialog::finished, &dialog, [d = &dialog] {
        for (QCompleter* completer : d->findChildren<QCompleter*>()) {
            if (completer->popup() != nullptr)
                completer->popup()->hide();
        }
    });
}

std::optional<std::string> QtFileDialogs::Run(FileDialogKind kind, const FileDialogSettings& settings) {
    std::unique_ptr<QFileDialog>& dialog = kind == FileDialogKind::Open ? open_ : save_;
    const bool firstUse = !dialog;
    if (firstUse) {
        dialog = std::make_unique<QFileDialog>();
        HideCompletionWhenClosed(*dialog);
    }
    ConfigureFileDialog(*dialog, kind, settings, firstUse);
    FitColumnHeaders(*dialog);
    if (dialog->exec() != QDialog::Accepted)
        return std::nullopt;
    const QStringList chosen = dialog->selectedFiles();
    if (chosen.isEmpty())
        return std::nullopt;
    return QFile::encodeName(chosen.first()).toStdString();
}

} // namespace hozonix::ui
