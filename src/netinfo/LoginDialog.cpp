#include "netinfo/LoginDialog.h"

#include <QFrame>
#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

namespace hozonix::netinfo {

namespace {

constexpr int DialogWidth = 272;
constexpr int DialogHeight = 136;

QLineEdit* NewInput(QWidget* parent) {
    auto* edit = new QLineEdit(parent);
    edit->setMaxLength(LoginDialog::MaxInputLength);
    return edit;
}

} // namespace

LoginDialog::LoginDialog(QWidget* parent) : QDialog(parent) {
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint);
    setFixedSize(DialogWidth, DialogHeight);

    auto* panel = new QFrame(this);
    panel->setFrameShape(QFrame::Panel);
    panel->setFrameShadow(QFrame::Sunken);

    databaseName_ = new QLabel(tr("データベース名"), panel);
    userName_ = NewInput(panel);
    password_ = NewInput(panel);
    password_->setEchoMode(QLineEdit::Password);
    // One asterisk per character, whatever the style would draw.
    password_->setStyleSheet("lineedit-password-character: 42");

    auto* userLabel = new QLabel(tr("ユーザー名(&U):"), panel);
    userLabel->setBuddy(userName_);
    auto* passwordLabel = new QLabel(tr("パスワード(&P):"), panel);
    passwordLabel->setBuddy(password_);
    auto* separator = new QFrame(panel);
    separator->setFrameShape(QFrame::HLine);
    separator->setFrameShadow(QFrame::Sunken);

    auto* grid = new QGridLayout(panel);
    grid->setContentsMargins(6, 3, 6, 3);
    grid->setVerticalSpacing(2);
    grid->addWidget(new QLabel(tr("データベース :"), panel), 0, 0);
    grid->addWidget(databaseName_, 0, 1);
    grid->addWidget(separator, 1, 0, 1, 2);
    grid->addWidget(userLabel, 2, 0);
    grid->addWidget(userName_, 2, 1);
    grid->addWidget(passwordLabel, 3, 0);
    grid->addWidget(password_, 3, 1);

    ok_ = new QPushButton(tr("OK(&O)"), this);
    ok_->setDefault(true);
    ok_->setAutoDefault(true);
    cancel_ = new QPushButton(tr("キャンセル"), this);
    cancel_->setAutoDefault(false);
    connect(ok_, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel_, &QPushButton::clicked, this, &QDialog::reject);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ok_);
    buttons->addWidget(cancel_);

    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(6, 6, 6, 6);
    outer->setSpacing(4);
    outer->addWidget(panel);
    outer->addLayout(buttons);

    setTabOrder(password_, ok_);
    setTabOrder(ok_, cancel_);
    setTabOrder(cancel_, userName_);
    setTabOrder(userName_, password_);
    password_->setFocus();

    if (QScreen* screen = parent != nullptr ? parent->screen() : QGuiApplication::primaryScreen()) {
        QRect placed(QPoint(), size());
        placed.moveCenter(screen->availableGeometry().center());
        move(placed.topLeft());
    }
}

void ShowLoginTest(QWidget* parent, const ShowModalFn& showModal) {
    LoginDialog dialog(parent);
    dialog.setWindowTitle("ログイン画面");
    dialog.DatabaseName()->clear();
    showModal(dialog);
}

} // namespace hozonix::netinfo
