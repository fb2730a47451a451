#include "wizard/ProfileWizardDialog.h"

#include "base/MessageBoxService.h"
#include "settings/ProfileList.h"
#include "shares/ShareAddress.h"
#include "ui/DefaultErrorHandler.h"
#include "ui/Pickers.h"
#include "ui/Places.h"
#include "ui/QtWindowGeometry.h"
#include "wizard/ProfileWizardFileHint.h"
#include "wizard/ProfileWizardFileList.h"
#include "wizard/ProfileWizardTabBar.h"

#include <QCursor>
#include <QFile>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QToolButton>

#include <filesystem>
#include <sys/stat.h>

namespace hozonix::wizard {

namespace {

std::string Bytes(const QString& text) {
    return QFile::encodeName(text).toStdString();
}

QString Shown(const std::string& path) {
    return QFile::decodeName(QByteArray::fromStdString(path));
}

std::string Utf8(const QString& text) {
    return text.toUtf8().toStdString();
}

bool HasUnsafeNameCharacter(const QString& name) {
    for (QChar c : name) {
        if (c == QLatin1Char('=') || c == QLatin1Char(',') || c == QLatin1Char('\r') ||
            c == QLatin1Char('\n'))
            return true;
    }
    return false;
}

} // namespace

int ProfileWizardDialog::CurrentPage() const {
    return tabs_->currentIndex() + 1;
}

QString ProfileWizardDialog::StatusText() const {
    return statusPrompt_->text();
}

void ProfileWizardDialog::SetStatusText(const QString& text) {
    statusPrompt_->setText(text);
    statusPrompt_->repaint();
}

bool ProfileWizardDialog::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseButtonDblClick) {
        for (QLineEdit* edit : {sourceEdit_, destinationEdit_, excludedFoldersEdit_}) {
            if (watched == edit) {
                ui::RunCommand(messages_, [&] { PickFolderInto(edit); });
                return true;
            }
        }
    }
    if (event->type() == QEvent::MouseMove) {
        for (ProfileWizardFileList* pane : {sourceFiles_, destinationFiles_}) {
            if (watched == pane->viewport()) {
                const QPoint at = static_cast<QMouseEvent*>(event)->position().toPoint();
                ui::RunCommand(messages_, [&] { ShowEntryHint(pane, at); });
            }
        }
    }
    return QDialog::eventFilter(watched, event);
}

void ProfileWizardDialog::keyPressEvent(QKeyEvent* event) {
    // Neither Enter nor Esc closes the wizard or presses a button.
    switch (event->key()) {
    case Qt::Key_Escape:
    case Qt::Key_Return:
    case Qt::Key_Enter:
        event->accept();
        return;
    default:
        QDialog::keyPressEvent(event);
    }
}

void ProfileWizardDialog::ShowPage(int n) {
    if (n < 1 || n > 3)
        return;
    // Only the active page's tab is ever visible, so the strip cannot change the page.
    tabs_->setTabVisible(n - 1, true);
    tabs_->setCurrentIndex(n - 1);
    for (int i = 0; i < 3; ++i) {
        if (i != n - 1)
            tabs_->setTabVisible(i, false);
    }
    finishButton_->setEnabled(false);
    nextButton_->setEnabled(true);
    backButton_->setEnabled(n != 1);
    switch (n) {
    case 1:
        SetStatusText(QStringLiteral("コピー元のディレクトリを指定してください"));
        break;
    case 2:
        SetStatusText(QStringLiteral("コピー先のディレクトリを指定してください"));
        break;
    default:
        SetStatusText(QStringLiteral("バックアッププロファイル名を入力してください"));
        break;
    }
}

void ProfileWizardDialog::GoBack() {
    if (CurrentPage() > 1)
        ShowPage(CurrentPage() - 1);
}

bool ProfileWizardDialog::SourceIsValid() {
    if (sourceEdit_->text().isEmpty()) {
        messages_.ShowMessage("コピー元のディレクトリが未入力です");
        return false;
    }
    if (!IsExistingFolder(Bytes(sourceEdit_->text()))) {
        messages_.ShowMessage("コピー元のディレクトリが存在しません\r\n正しいディレクトリを指定してください");
        return false;
    }
    return true;
}

bool ProfileWizardDialog::DestinationIsValid() {
    const QString to = destinationEdit_->text();
    if (to.isEmpty()) {
        messages_.ShowMessage("コピー先のディレクトリが未入力です");
        return false;
    }
    // Exact: letter case and a trailing separator make another folder text.
    if (to == sourceEdit_->text()) {
        messages_.ShowMessage("コピー先とコピー元ディレクトリが同じです");
        return false;
    }
    // A share is connected by each run; here only its address is checked.
    if (shares::LooksLikeShareAddress(Utf8(to))) {
        if (shares::ParseShareAddress(Utf8(to)))
            return true;
        messages_.ShowMessage(
            "コピー先のネットワークアドレスが正しくありません\r\n"
            "\\\\サーバー\\共有フォルダ\\フォルダ または smb://サーバー/共有フォルダ/フォルダ "
            "の形で入力してください");
        return false;
    }
    const std::string path = Bytes(to);
    if (!IsExistingFolder(path)) {
        const std::string question =
            "コピー先のディレクトリが存在しません\r\n" + Utf8(to) + "を作成しますか？ ";
        if (messages_.Show(MessageKind::Confirmation, question, YesButton | NoButton) == MessageButton::Yes) {
            std::error_code ec;
            std::filesystem::create_directories(path, ec);
            if (ec || !IsExistingFolder(path))
                messages_.ShowMessage(Utf8(to) + "  を作成できませんでした");
        }
    }
    return IsExistingFolder(path);
}

bool ProfileWizardDialog::NameIsAcceptable() {
    const QString name = nameEdit_->text();
    if (name.isEmpty()) {
        messages_.ShowMessage("バックアッププロファイル名が未定義です、名前を付けてください");
        return false;
    }
    // Names are keys of the settings file, which matches them without regard to letter case: two that
    // differ only so would share one last-run time. The profile being edited may keep its own name.
    for (size_t i = 0; i < profiles_.ProfileNames.size(); ++i) {
        if (static_cast<int>(i) != editIndex_ &&
            QString::compare(QString::fromStdString(profiles_.ProfileNames[i]), name, Qt::CaseInsensitive) ==
                0) {
            messages_.ShowMessage("バックアッププロファイル名 ＝ " + Utf8(name) + "\r\n" +
                                  "は既に登録済みです｡" + "\r\n" + "ほかの名前を付けてください");
            return false;
        }
    }
    // A key line may not begin like a section or a comment, and blanks at either end are not kept.
    const auto blank = [](QChar c) { return c.unicode() <= 0x20; };
    if (name.front() == QLatin1Char('[') || name.front() == QLatin1Char(';') ||
        name.front() == QLatin1Char('#') || blank(name.front()) || blank(name.back())) {
        messages_.ShowMessage(
            "バックアッププロファイル名の先頭に「[」「;」「#」は使えません、先頭と末尾に空白は使えません"
            "\r\nほかの名前を付けてください");
        return false;
    }
    // The name becomes a key of the settings file and an item of the comma-joined tick list.
    if (HasUnsafeNameCharacter(name)) {
        messages_.ShowMessage(
            "バックアッププロファイル名に「=」「,」や改行は使えません\r\nほかの名前を付けてください");
        return false;
    }
    // Only the first profiles up to the limit are stored; a further one would vanish at the next reload.
    if (editIndex_ == -1 && profiles_.ProfileNames.size() >= static_cast<size_t>(MaxProfiles)) {
        messages_.ShowMessage(
            "バックアッププロファイルは20件までしか登録できません\r\n不要なプロファイルを削除してください");
        return false;
    }
    return true;
}

void ProfileWizardDialog::GoNext() {
    switch (CurrentPage()) {
    case 1:
        if (SourceIsValid())
            ShowPage(2);
        break;
    case 2:
        if (DestinationIsValid())
            ShowPage(3);
        break;
    default:
        if (NameIsAcceptable()) {
            finishButton_->setEnabled(true);
            nextButton_->setEnabled(false);
        }
        break;
    }
}

void ProfileWizardDialog::Finish() {
    if (!SourceIsValid() || !DestinationIsValid() || !NameIsAcceptable())
        return;
    const std::string line =
        JoinDetailLine({Utf8(sourceEdit_->text()), Utf8(destinationEdit_->text()),
                        Utf8(excludedExtensionsEdit_->text()), Utf8(excludedFoldersEdit_->text())});
    const std::string name = Utf8(nameEdit_->text());

    // Should the settings file refuse the write, the lists go back to what is stored, so that another
    // "完了" does not add the profile twice.
    const ProfileList before = profiles_;
    if (editIndex_ == -1) {
        profiles_.ProfileDetails.push_back(line);
        profiles_.ProfileNames.push_back(name);
    } else {
        profiles_.ProfileDetails.at(static_cast<size_t>(editIndex_)) = line;
        profiles_.ProfileNames.at(static_cast<size_t>(editIndex_)) = name;
    }
    try {
        SaveProfileList(settings_, profiles_);
    } catch (...) {
        profiles_ = before;
        throw;
    }
    done(QDialog::Accepted);
}

void ProfileWizardDialog::Cancel() {
    done(QDialog::Rejected);
}

void ProfileWizardDialog::PickFolderInto(QLineEdit* field) {
    const QPoint at = QCursor::pos();
    std::string folder;
    if (!pickers_.SelectFolder(Utf8(field->toolTip()), Bytes(field->text()), at.x(), at.y(), folder))
        return;
    // A folder inside a share the desktop connected is stored as the share's address, so that every run
    // connects it again, in later sessions and from timers.
    if (field == destinationEdit_) {
        if (auto address = shares::ShareAddressOfGvfsPath(folder, ui::CurrentPlaceSources().gvfsFolder))
            folder = *address;
    }
    // Every field adds a pick to what it holds, which is how the excluded folders become a list.
    const QString picked = Shown(folder);
    field->setText(field->text().isEmpty() ? picked : field->text() + QLatin1Char(',') + picked);
}

void ProfileWizardDialog::BrowseSource() {
    PickFolderInto(sourceEdit_);
}

void ProfileWizardDialog::BrowseDestination() {
    PickFolderInto(destinationEdit_);
}

void ProfileWizardDialog::BrowseExcludedFolder() {
    PickFolderInto(excludedFoldersEdit_);
}

void ProfileWizardDialog::SourceChanged() {
    const std::string folder = Bytes(sourceEdit_->text());
    if (IsExistingFolder(folder))
        sourceFiles_->SetFolder(folder);
}

void ProfileWizardDialog::DestinationChanged() {
    const std::string folder = Bytes(destinationEdit_->text());
    if (IsExistingFolder(folder))
        destinationFiles_->SetFolder(folder);
}

void ProfileWizardDialog::ShowEntryHint(ProfileWizardFileList* pane, const QPoint& pos) {
    QListWidgetItem* item = pane->itemAt(pos);
    if (item == nullptr)
        return;
    const std::string& folder = pane->Folder();
    std::string path = folder;
    if (path.empty() || path.back() != '/')
        path += '/';
    path += ProfileWizardFileList::EntryName(*item);

    // A folder entry has no size of its own, so it shows the pane's folder like an empty file does.
    const std::int64_t size = ProfileWizardFileList::IsFolderEntry(*item) ? 0 : ui::FileSizeOf(path);
    QDateTime modified;
    struct stat st {};
    if (size > 0 && stat(path.c_str(), &st) == 0)
        modified = QDateTime::fromSecsSinceEpoch(st.st_mtim.tv_sec);
    SetStatusText(FileHintText(item->text(), size, modified, Shown(folder), locale()));
}

void ProfileWizardDialog::StartNewProfile() {
    editIndex_ = -1;
    ShowPage(1);
}

void ProfileWizardDialog::SavePlacement() {
    ui::RunCommand(messages_, [this] {
        ui::QtWindowGeometry geometry(*this, PlacementKey);
        SaveWindowPlacement(settings_, geometry);
    });
}

} // namespace hozonix::wizard
