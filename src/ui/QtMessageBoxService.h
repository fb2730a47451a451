#pragma once
// The desktop program's message boxes: the plain box (application title, OK), the confirmation box
// ("確認", question icon), the warning box ("警告", warning icon) and the information box (application
// title, information icon), with the program's own button texts.
// "\r\n" in a text shows as a line break. Esc and the close box give the answer MessageBoxService
// promises (Cancel, else No, else Ok).

#include "base/MessageBoxService.h"

#include <QString>

#include <map>
#include <memory>

class QAbstractButton;
class QMessageBox;
class QWidget;

namespace hozonix::ui {

// One box ready to run, with the meaning of each of its buttons. Built apart from running it so that the
// box can be looked at and answered without a modal loop.
struct BuiltMessageBox {
    std::unique_ptr<QMessageBox> box;
    std::map<QAbstractButton*, MessageButton> meaning;
    MessageButton escapeAnswer = MessageButton::Ok;

    // The answer for the button the box was closed with; the escape answer when none was clicked.
    MessageButton Answer() const;
};

BuiltMessageBox BuildMessageBox(MessageKind kind, const std::string& text, unsigned buttons,
                                const QString& applicationTitle, QWidget* parent);

class QtMessageBoxService : public MessageBoxService {
public:
    explicit QtMessageBoxService(QString applicationTitle = QStringLiteral("Hozonix"))
        : title_(std::move(applicationTitle)) {}

    MessageButton Show(MessageKind kind, const std::string& text, unsigned buttons) override;

private:
    QString title_;
};

} // namespace hozonix::ui
