#pragma once
// The log-in dialog of the "login_test" command: database label, user name and masked password. What is
// typed is not used anywhere.

#include <QDialog>

#include <functional>

class QLabel;
class QLineEdit;
class QPushButton;

namespace hozonix::netinfo {

class LoginDialog : public QDialog {
    Q_OBJECT
public:
    static constexpr int MaxInputLength = 31;

    explicit LoginDialog(QWidget* parent = nullptr);

    QLabel* DatabaseName() const { return databaseName_; }
    QLineEdit* UserNameEdit() const { return userName_; }
    QLineEdit* PasswordEdit() const { return password_; }
    QPushButton* OkButton() const { return ok_; }
    QPushButton* CancelButton() const { return cancel_; }

private:
    QLabel* databaseName_;
    QLineEdit* userName_;
    QLineEdit* password_;
    QPushButton* ok_;
    QPushButton* cancel_;
};

using ShowModalFn = std::function<void(QDialog& dialog)>;

// Creates the dialog with the caption "ログイン画面" and an empty database name and shows it modally
// (through `showModal`, by default exec()). Neither the result nor the texts are used.
void ShowLoginTest(
    QWidget* parent, const ShowModalFn& showModal = [](QDialog& d) { d.exec(); });

} // namespace hozonix::netinfo
