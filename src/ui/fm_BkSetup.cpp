#include "fm_BkSetup.h"

#include "BkSetupFileHint.h"
#include "BkSetupFileList.h"
#include "BkSetupTabBar.h"
#include "DefaultErrorHandler.h"
#include "MessageBoxService.h"
#include "Pickers.h"
#include "ProfileList.h"
#include "QtWindowGeometry.h"

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

namespace hozonix::ui {

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

int TfmBkSetup::CurrentPage() const {
    return PageControl1->currentIndex() + 1;
}

QString TfmBkSetup::StatusText() const {
    return statusPrompt_->text();
}

void TfmBkSetup::SetStatusText(const QString& text) {
    statusPrompt_->setText(text);
    statusPrompt_->repaint();
}

bool TfmBkSetup::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseButtonDblClick) {
        for (QLineEdit* edit : {FromDir_Edit, ToDir_Edit, outDir_Edit}) {
            if (watched == edit) {
                RunCommand(messages_, [&] { FromDir_EditDblClick(edit); });
                return true;
            }
        }
    }
    if (event->type() == QEvent::MouseMove) {
        for (BkSetupFileList* pane : {FileListBox1, FileListBox2}) {
            if (watched == pane->viewport()) {
                const QPoint at = static_cast<QMouseEvent*>(event)->position().toPoint();
                RunCommand(messages_, [&] { FileListBox1MouseMove(pane, at); });
            }
        }
    }
    return QDialog::eventFilter(watched, event);
}

void TfmBkSetup::keyPressEvent(QKeyEvent* event) {
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

void TfmBkSetup::ShowPage(int n) {
    if (n < 1 || n > 3)
        return;
    // Only the active page's tab is ever visible, so the strip cannot change the page.
    PageControl1->setTabVisible(n - 1, true);
    PageControl1->setCurrentIndex(n - 1);
    for (int i = 0; i < 3; ++i) {
        if (i != n - 1)
            PageControl1->setTabVisible(i, false);
    }
    sbOK->setEnabled(false);
    Next_Btn->setEnabled(true);
    Prior_Btn->setEnabled(n != 1);
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

void TfmBkSetup::Prior_BtnClick() {
    if (CurrentPage() > 1)
        ShowPage(CurrentPage() - 1);
}

bool TfmBkSetup::SourceIsValid() {
    if (FromDir_Edit->text().isEmpty()) {
        messages_.ShowMessage("コピー元のディレクトリが未入力です");
        return false;
    }
    if (!IsExistingFolder(Bytes(FromDir_Edit->text()))) {
        messages_.ShowMessage("コピー元のディレクトリが存在しません\r\n正しいディレクトリを指定してください");
        return false;
    }
    return true;
}

bool TfmBkSetup::DestinationIsValid() {
    const QString to = ToDir_Edit->text();
    if (to.isEmpty()) {
        messages_.ShowMessage("コピー先のディレクトリが未入力です");
        return false;
    }
    // Exact: letter case and a trailing separator make another folder text.
    if (to == FromDir_Edit->text()) {
        messages_.ShowMessage("コピー先とコピー元ディレクトリが同じです");
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

bool TfmBkSetup::NameIsAcceptable() {
    const QString name = BkName_Edit->text();
    if (name.isEmpty()) {
        messages_.ShowMessage("バックアッププロファイル名が未定義です、名前を付けてください");
        return false;
    }
    // Names are keys of the settings file, which matches them without regard to letter case: two that
    // differ only so would share one last-run time. The profile being edited may keep its own name.
    for (size_t i = 0; i < profiles_.ProfileNames.size(); ++i) {
        if (static_cast<int>(i) != EditIndex &&
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
    if (EditIndex == -1 && profiles_.ProfileNames.size() >= static_cast<size_t>(MaxProfiles)) {
        messages_.ShowMessage(
            "バックアッププロファイルは20件までしか登録できません\r\n不要なプロファイルを削除してください");
        return false;
    }
    return true;
}

void TfmBkSetup::Next_BtnClick() {
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
            sbOK->setEnabled(true);
            Next_Btn->setEnabled(false);
        }
        break;
    }
}

void TfmBkSetup::sbOKClick() {
    if (!SourceIsValid() || !DestinationIsValid() || !NameIsAcceptable())
        return;
    const std::string line = JoinDetailLine({Utf8(FromDir_Edit->text()), Utf8(ToDir_Edit->text()),
                                             Utf8(Ext_Edit->text()), Utf8(outDir_Edit->text())});
    const std::string name = Utf8(BkName_Edit->text());

    // Should the settings file refuse the write, the lists go back to what is stored, so that another
    // "完了" does not add the profile twice.
    const ProfileList before = profiles_;
    if (EditIndex == -1) {
        profiles_.ProfileDetails.push_back(line);
        profiles_.ProfileNames.push_back(name);
    } else {
        profiles_.ProfileDetails.at(static_cast<size_t>(EditIndex)) = line;
        profiles_.ProfileNames.at(static_cast<size_t>(EditIndex)) = name;
    }
    try {
        SaveProfileList(settings_, profiles_);
    } catch (...) {
        profiles_ = before;
        throw;
    }
    done(QDialog::Accepted);
}

void TfmBkSetup::Cancel_BtnClick() {
    done(QDialog::Rejected);
}

void TfmBkSetup::FromDir_EditDblClick(QLineEdit* sender) {
    const QPoint at = QCursor::pos();
    std::string folder;
    if (!pickers_.SelectFolder(Utf8(sender->toolTip()), Bytes(sender->text()), at.x(), at.y(), folder))
        return;
    // Every field adds a pick to what it holds, which is how the excluded folders become a list.
    const QString picked = Shown(folder);
    sender->setText(sender->text().isEmpty() ? picked : sender->text() + QLatin1Char(',') + picked);
}

void TfmBkSetup::SpeedButton2Click() {
    FromDir_EditDblClick(FromDir_Edit);
}

void TfmBkSetup::SpeedButton1Click() {
    FromDir_EditDblClick(ToDir_Edit);
}

void TfmBkSetup::sb_OutDirClick() {
    FromDir_EditDblClick(outDir_Edit);
}

void TfmBkSetup::FromDir_EditChange() {
    const std::string folder = Bytes(FromDir_Edit->text());
    if (IsExistingFolder(folder))
        FileListBox1->SetFolder(folder);
}

void TfmBkSetup::ToDir_EditChange() {
    const std::string folder = Bytes(ToDir_Edit->text());
    if (IsExistingFolder(folder))
        FileListBox2->SetFolder(folder);
}

void TfmBkSetup::FileListBox1MouseMove(BkSetupFileList* sender, const QPoint& pos) {
    QListWidgetItem* item = sender->itemAt(pos);
    if (item == nullptr)
        return;
    const std::string& folder = sender->Folder();
    std::string path = folder;
    if (path.empty() || path.back() != '/')
        path += '/';
    path += BkSetupFileList::EntryName(*item);

    // A folder entry has no size of its own, so it shows the pane's folder like an empty file does.
    const std::int64_t size = BkSetupFileList::IsFolderEntry(*item) ? 0 : FileSizeOf(path);
    QDateTime modified;
    struct stat st {};
    if (size > 0 && stat(path.c_str(), &st) == 0)
        modified = QDateTime::fromSecsSinceEpoch(st.st_mtim.tv_sec);
    SetStatusText(FileHintText(item->text(), size, modified, Shown(folder), locale()));
}

void TfmBkSetup::FormCreate() {
    EditIndex = -1;
    ShowPage(1);
}

void TfmBkSetup::FormDestroy() {
    RunCommand(messages_, [this] {
        QtWindowGeometry geometry(*this, WindowName);
        SaveWindowPlacement(settings_, geometry);
    });
}

} // namespace hozonix::ui
