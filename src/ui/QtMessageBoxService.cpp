#include "ui/QtMessageBoxService.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>

namespace hozonix::ui {

namespace {

struct ButtonText {
    MessageButtons flag;
    MessageButton answer;
    const char* text;
};

// Left to right as the boxes show them. One role for all keeps this order whatever the style's button
// layout would make of accept and reject roles.
const ButtonText kButtons[] = {
    {YesButton, MessageButton::Yes, "はい(&Y)"},
    {NoButton, MessageButton::No, "いいえ(&N)"},
    {OkButton, MessageButton::Ok, "OK"},
    {CancelButton, MessageButton::Cancel, "キャンセル"},
    {NoToAllButton, MessageButton::NoToAll, "すべていいえ(&O)"},
};

} // namespace

MessageButton BuiltMessageBox::Answer() const {
    auto it = meaning.find(box->clickedButton());
    return it != meaning.end() ? it->second : escapeAnswer;
}

BuiltMessageBox BuildMessageBox(MessageKind kind, const std::string& text, unsigned buttons,
                                const QString& applicationTitle, QWidget* parent) {
    if ((buttons & (OkButton | YesButton | NoButton | CancelButton | NoToAllButton)) == 0)
        buttons = OkButton;

    BuiltMessageBox built;
    built.box = std::make_unique<QMessageBox>(parent);
    QMessageBox& box = *built.box;
    switch (kind) {
    case MessageKind::Plain:
        box.setWindowTitle(applicationTitle);
        box.setIcon(QMessageBox::NoIcon);
        break;
    case MessageKind::Confirmation:
        box.setWindowTitle(QStringLiteral("確認"));
        box.setIcon(QMessageBox::Question);
        break;
    case MessageKind::Warning:
        box.setWindowTitle(QStringLiteral("警告"));
        box.setIcon(QMessageBox::Warning);
        break;
    case MessageKind::Information:
        box.setWindowTitle(applicationTitle);
        box.setIcon(QMessageBox::Information);
        break;
    }
    QString shown = QString::fromUtf8(text);
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    box.setTextFormat(Qt::PlainText);
    box.setText(shown);

    QAbstractButton* escape = nullptr;
    QAbstractButton* escapeNo = nullptr;
    QAbstractButton* escapeOk = nullptr;
    bool defaultSet = false;
    for (const ButtonText& b : kButtons) {
        if ((buttons & b.flag) == 0)
            continue;
        QPushButton* button = box.addButton(QString::fromUtf8(b.text), QMessageBox::ActionRole);
        built.meaning[button] = b.answer;
        if (!defaultSet) {
            box.setDefaultButton(button);
            defaultSet = true;
        }
        if (b.answer == MessageButton::Cancel)
            escape = button;
        else if (b.answer == MessageButton::No)
            escapeNo = button;
        else if (b.answer == MessageButton::Ok)
            escapeOk = button;
    }
    if (escape == nullptr)
        escape = escapeNo != nullptr ? escapeNo : escapeOk;
    if (escape != nullptr) {
        box.setEscapeButton(escape);
        built.escapeAnswer = built.meaning[escape];
    } else {
        // A box without Cancel, No or Ok (Yes and No to All only) still closes; it answers with its
        // first button, as the box offers nothing milder.
        box.setEscapeButton(box.defaultButton());
        built.escapeAnswer = built.meaning[box.defaultButton()];
    }
    return built;
}

MessageButton QtMessageBoxService::Show(MessageKind kind, const std::string& text, unsigned buttons) {
    BuiltMessageBox built = BuildMessageBox(kind, text, buttons, title_, QApplication::activeWindow());
    built.box->setWindowModality(Qt::ApplicationModal);
    built.box->exec();
    return built.Answer();
}

} // namespace hozonix::ui
