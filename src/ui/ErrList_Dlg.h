#pragma once
// The message list: one plain window that shows lines of text under a title, lets the user edit them,
// save them with or without line breaks, copy them to the clipboard and print them. MessageListOwner
// holds the one instance: every ShowMessageList replaces its title and lines.

#include "WindowPlacement.h"

#include <QWidget>

#include <functional>
#include <memory>
#include <string>
#include <vector>

class QAction;
class QMenu;
class QPlainTextEdit;
class QToolButton;

namespace hozonix {
class IniFile;
class MessageBoxService;
} // namespace hozonix

namespace hozonix::ui {

class Pickers;

class TErrListDlg : public QWidget {
public:
    using PrintHandler = std::function<void(const std::string& title, const std::vector<std::string>& lines)>;

    TErrListDlg(IniFile& settings, MessageBoxService& messages, Pickers& pickers, const Rect& fallback,
                QWidget* parent = nullptr);
    ~TErrListDlg() override;

    QPlainTextEdit* MessBox;
    QWidget* Panel1;
    QToolButton* Close_Btn;
    QToolButton* SpeedButton1;
    QToolButton* Save_Btn;
    QMenu* Save_Popup;
    QAction* N1;
    QAction* N2;
    QMenu* Edit_Popup;
    QMenu* Copy1;
    QAction* kaigyou_ari;
    QAction* kaigyou_nasi;
    QAction* Paste1;

    // The lines as they stand in the box now, with the user's edits.
    std::vector<std::string> Lines() const;
    bool PlacementRestored() const { return placementRestored_; }

    // The list report plugs in here; until it does, "印刷" stays disabled.
    void SetPrintHandler(PrintHandler handler);

    void FormActivate();
    void FormDestroy();
    void Close_BtnClick();
    void SpeedButton1Click();
    void Save_BtnClick();
    void N1Click();
    void N2Click();
    void kaigyou_ariClick();
    void kaigyou_nasiClick();
    void Paste1Click();

protected:
    bool event(QEvent* event) override;

private:
    void SaveLines(bool withLineBreaks);
    template <typename Handler> void Bind(QAction* action, Handler handler);

    IniFile& settings_;
    MessageBoxService& messages_;
    Pickers& pickers_;
    Rect fallback_;
    PrintHandler print_;
    bool placementRestored_ = false;
};

class MessageListOwner {
public:
    MessageListOwner(IniFile& settings, MessageBoxService& messages, Pickers& pickers, const Rect& fallback)
        : settings_(settings), messages_(messages), pickers_(pickers), fallback_(fallback) {}
    ~MessageListOwner();

    // Creates the dialog on first use, sets its title and a copy of the lines, and shows it in front
    // without making it modal.
    void ShowMessageList(const std::string& title, const std::vector<std::string>& lines);

    // The dialog, or null before the first ShowMessageList.
    TErrListDlg* Dialog() const { return dialog_.get(); }
    void SetPrintHandler(TErrListDlg::PrintHandler handler);

private:
    IniFile& settings_;
    MessageBoxService& messages_;
    Pickers& pickers_;
    Rect fallback_;
    TErrListDlg::PrintHandler print_;
    std::unique_ptr<TErrListDlg> dialog_;
};

} // namespace hozonix::ui
