#pragma once
// The message list: one plain window that shows lines of text under a title, lets the user edit them,
// save them with or without line breaks, copy them to the clipboard and print them. MessageListOwner
// holds the one instance: every ShowMessageList replaces its title and lines. A list too long for a text
// box (the written files of a big first backup) is shown in a view that draws only the rows on screen
// and edits line by line; closing the window lets go of the lines.

#include "engine/PathList.h"
#include "settings/WindowPlacement.h"

#include <QPointer>
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

class LineListView;
class Pickers;

class MessageListDialog : public QWidget {
public:
    using PrintHandler = std::function<void(const std::string& title, const engine::PathList& lines)>;

    MessageListDialog(IniFile& settings, MessageBoxService& messages, Pickers& pickers, const Rect& fallback,
                      QWidget* parent = nullptr);
    ~MessageListDialog() override;

    // Lines above this count are shown in the long-list view rather than the text box.
    static constexpr std::size_t LongListLines = 10000;

    void SetLines(engine::PathList lines);
    QPlainTextEdit* TextBox() const { return textBox_; }
    LineListView* LongListView() const { return longList_; }
    bool ShowsLongList() const;
    QToolButton* CloseButton() const { return closeButton_; }
    QToolButton* PrintButton() const { return printButton_; }
    // The save button's menu, and the edit box's context menu.
    QAction* SaveWithLineBreaksItem() const { return saveWithLineBreaks_; }
    QAction* SaveAsCommaTextItem() const { return saveAsCommaText_; }
    QAction* CopyWithLineBreaksItem() const { return copyWithLineBreaks_; }
    QAction* CopyWithCommasItem() const { return copyWithCommas_; }

    // The lines as they stand in the box now, with the user's edits.
    std::vector<std::string> Lines() const;
    bool PlacementRestored() const { return placementRestored_; }

    // The list report plugs in here; until it does, "印刷" stays disabled.
    void SetPrintHandler(PrintHandler handler);

    // The main window, beside which the list first opens when no placement is stored, and the part of
    // it (menu and tool bar) the list must never cover.
    void SetMainWindow(QWidget* mainWindow, QWidget* keepClear);

protected:
    bool event(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void RestorePlacementOnce();
    void SavePlacement();
    void HideList();
    void ReleaseLines();
    void PrintLines();
    void ShowSaveMenu();
    void SaveWithLineBreaks();
    void SaveAsCommaText();
    void CopyWithLineBreaks();
    void CopyWithCommas();
    void Paste();
    void SaveLines(bool withLineBreaks);
    template <typename Handler> void Bind(QAction* action, Handler handler);

    IniFile& settings_;
    MessageBoxService& messages_;
    Pickers& pickers_;
    Rect fallback_;
    PrintHandler print_;
    bool placementRestored_ = false;
    QPointer<QWidget> mainWindow_;
    QPointer<QWidget> keepClear_;

    QPlainTextEdit* textBox_;
    LineListView* longList_;
    QWidget* buttonPanel_;
    QToolButton* closeButton_;
    QToolButton* printButton_;
    QToolButton* saveButton_;
    QMenu* saveMenu_;
    QAction* saveWithLineBreaks_;
    QAction* saveAsCommaText_;
    QMenu* editMenu_;
    QMenu* copyMenu_;
    QAction* copyWithLineBreaks_;
    QAction* copyWithCommas_;
    QAction* paste_;
};

class MessageListOwner {
public:
    MessageListOwner(IniFile& settings, MessageBoxService& messages, Pickers& pickers, const Rect& fallback)
        : settings_(settings), messages_(messages), pickers_(pickers), fallback_(fallback) {}
    ~MessageListOwner();

    // Creates the dialog on first use, sets its title and a copy of the lines, and shows it in front
    // without making it modal.
    void ShowMessageList(const std::string& title, const std::vector<std::string>& lines);
    // The same for a list of paths, which it keeps as compact as it came.
    void ShowPathList(const std::string& title, engine::PathList lines);

    // The dialog, or null before the first ShowMessageList.
    MessageListDialog* Dialog() const { return dialog_.get(); }
    void SetPrintHandler(MessageListDialog::PrintHandler handler);
    void SetMainWindow(QWidget* mainWindow, QWidget* keepClear);

private:
    IniFile& settings_;
    MessageBoxService& messages_;
    Pickers& pickers_;
    Rect fallback_;
    MessageListDialog::PrintHandler print_;
    QPointer<QWidget> mainWindow_;
    QPointer<QWidget> keepClear_;
    std::unique_ptr<MessageListDialog> dialog_;
};

} // namespace hozonix::ui
