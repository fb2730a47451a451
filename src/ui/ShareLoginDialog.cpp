#include "ui/ShareLoginDialog.h"

#include "base/MessageBoxService.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace hozonix::ui {

ShareLoginDialog::ShareLoginDialog(const std::string& shareText, const shares::Credentials& suggested,
                                   bool anonymousAllowed, QWidget* parent)
    : QDialog(parent) {
    setWindowTitle(QStringLiteral("ネットワークへのログオン"));
    setMinimumWidth(360);
    auto* layout = new QVBoxLayout(this);
    auto* intro =
        new QLabel(QString::fromStdString(shareText) +
                       QStringLiteral(" に接続するためのユーザー名とパスワードを入力してください。"),
                   this);
    intro->setWordWrap(true);
    layout->addWidget(intro);

    QRadioButton* registered = nullptr;
    if (anonymousAllowed) {
        registered = new QRadioButton(QStringLiteral("登録ユーザーとして接続(&R)"), this);
        guest_ = new QRadioButton(QStringLiteral("ゲストとして接続(&G)"), this);
        registered->setChecked(true);
        layout->addWidget(registered);
        layout->addWidget(guest_);
    }

    auto* form = new QFormLayout;
    user_ = new QLineEdit(this);
    // Servers suggest "guest" when nobody is named; a person types their own name instead.
    if (suggested.user != "guest")
        user_->setText(QString::fromStdString(suggested.user));
    domain_ = new QLineEdit(QString::fromStdString(suggested.domain), this);
    password_ = new QLineEdit(this);
    password_->setEchoMode(QLineEdit::Password);
    form->addRow(QStringLiteral("ユーザー名(&U):"), user_);
    form->addRow(QStringLiteral("ドメイン(&D):"), domain_);
    form->addRow(QStringLiteral("パスワード(&P):"), password_);
    layout->addLayout(form);

    remember_ = new QCheckBox(QStringLiteral("パスワードを記憶する(&S)"), this);
    remember_->setToolTip(
        QStringLiteral("記憶したパスワードは、タイマーによる無人のバックアップでも使われます"));
    layout->addWidget(remember_);

    auto* buttons = new QDialogButtonBox(this);
    buttons->addButton(QStringLiteral("OK(&O)"), QDialogButtonBox::AcceptRole)->setDefault(true);
    buttons->addButton(QStringLiteral("キャンセル"), QDialogButtonBox::RejectRole);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);

    if (guest_ != nullptr) {
        connect(guest_, &QRadioButton::toggled, this, [this](bool guest) {
            user_->setEnabled(!guest);
            domain_->setEnabled(!guest);
            password_->setEnabled(!guest);
            remember_->setEnabled(!guest);
        });
    }
    (user_->text().isEmpty() ? user_ : password_)->setFocus();
}

shares::Credentials ShareLoginDialog::Entered() const {
    shares::Credentials c;
    if (guest_ != nullptr && guest_->isChecked()) {
        c.anonymous = true;
        return c;
    }
    c.user = user_->text().toStdString();
    c.domain = domain_->text().toStdString();
    c.password = password_->text().toStdString();
    c.remember = remember_->isChecked();
    return c;
}

std::optional<shares::Credentials> QtSharePrompt::Ask(const std::string& shareText, const std::string&,
                                                      const shares::Credentials& suggested,
                                                      bool anonymousAllowed) {
    ShareLoginDialog dialog(shareText, suggested, anonymousAllowed);
    if (showModal_(dialog) != QDialog::Accepted)
        return std::nullopt;
    return dialog.Entered();
}

int QtSharePrompt::Choose(const std::string& shareText, const std::string& message,
                          const std::vector<std::string>& choices) {
    // The servers' questions (an unknown host key) offer going on first and declining last.
    if (choices.empty())
        return -1;
    const std::string text = shareText + " への接続について確認してください。\r\n\r\n" + message;
    return messages_.Show(MessageKind::Confirmation, text, YesButton | NoButton) == MessageButton::Yes ? 0
                                                                                                       : -1;
}

} // namespace hozonix::ui
