#pragma once
// The log-on to a network share, asked when the share needs one that the keyring does not hold: user,
// domain and password, or a guest log-on where the server allows it, and whether to remember it for
// later runs (timers run without anyone to ask). QtSharePrompt asks it modally for a run or a browse.

#include "shares/ShareConnection.h"

#include <QDialog>

#include <functional>

class QCheckBox;
class QLineEdit;
class QRadioButton;

namespace hozonix {
class MessageBoxService;
}

namespace hozonix::ui {

class ShareLoginDialog : public QDialog {
public:
    ShareLoginDialog(const std::string& shareText, const shares::Credentials& suggested,
                     bool anonymousAllowed, QWidget* parent = nullptr);

    shares::Credentials Entered() const;

    QLineEdit* UserField() const { return user_; }
    QLineEdit* DomainField() const { return domain_; }
    QLineEdit* PasswordField() const { return password_; }
    QCheckBox* RememberBox() const { return remember_; }
    QRadioButton* GuestChoice() const { return guest_; }

private:
    QLineEdit* user_;
    QLineEdit* domain_;
    QLineEdit* password_;
    QCheckBox* remember_;
    QRadioButton* guest_ = nullptr;
};

class QtSharePrompt : public shares::CredentialPrompt {
public:
    using ShowModalFn = std::function<int(QDialog&)>;

    explicit QtSharePrompt(
        MessageBoxService& messages, ShowModalFn showModal = [](QDialog& d) { return d.exec(); })
        : messages_(messages), showModal_(std::move(showModal)) {}

    std::optional<shares::Credentials> Ask(const std::string& shareText, const std::string& message,
                                           const shares::Credentials& suggested,
                                           bool anonymousAllowed) override;
    int Choose(const std::string& shareText, const std::string& message,
               const std::vector<std::string>& choices) override;

private:
    MessageBoxService& messages_;
    ShowModalFn showModal_;
};

} // namespace hozonix::ui
