#pragma once
// The backup wizard: three pages (source folder, destination folder, profile name with the exclusions)
// that create a new profile or change an existing one in the process-wide profile lists, which it saves
// on "完了". Below the pages two file panes show the chosen folders; moving the mouse over an entry shows
// its size and date in the status bar.
//
// The window keeps its page, buttons and texts between uses; BkSetupWizard opens it.

#include "WindowPlacement.h"

#include <QDialog>

#include <string>

class QLabel;
class QLineEdit;
class QPushButton;
class QSplitter;
class QStatusBar;
class QToolButton;

namespace hozonix {
class IniFile;
class MessageBoxService;
struct ProfileList;
} // namespace hozonix

namespace hozonix::ui {

class BkSetupFileList;
class BkSetupPageControl;
class BkSetupTabBar;
class Pickers;

class TfmBkSetup : public QDialog {
public:
    static constexpr const char* WindowName = "fmBkSetup";

    TfmBkSetup(IniFile& settings, MessageBoxService& messages, Pickers& pickers, ProfileList& profiles,
               QWidget* parent = nullptr);
    ~TfmBkSetup() override;

    // -1 while a new profile is being made, otherwise the index of the profile being changed.
    int EditIndex = -1;

    BkSetupPageControl* PageControl1;
    BkSetupTabBar* PageTabs;
    QWidget* TabSheet1;
    QWidget* TabSheet2;
    QWidget* TabSheet3;
    QLineEdit* FromDir_Edit;
    QLineEdit* ToDir_Edit;
    QLineEdit* BkName_Edit;
    QLineEdit* Ext_Edit;
    QLineEdit* outDir_Edit;
    QToolButton* SpeedButton2;
    QToolButton* SpeedButton1;
    QToolButton* sb_OutDir;
    QWidget* Panel1;
    QSplitter* Splitter1;
    QWidget* Panel4;
    QWidget* Panel3;
    QLabel* Label2;
    QLabel* Label1;
    BkSetupFileList* FileListBox1;
    BkSetupFileList* FileListBox2;
    QWidget* Panel2;
    QPushButton* Prior_Btn;
    QPushButton* Next_Btn;
    QToolButton* sbOK;
    QPushButton* Cancel_Btn;
    QStatusBar* StatusBar1;

    // The page shown, 1 to 3.
    int CurrentPage() const;
    // The text of the status bar's second panel.
    QString StatusText() const;

    void ShowPage(int n);
    void Prior_BtnClick();
    void Next_BtnClick();
    void sbOKClick();
    void Cancel_BtnClick();
    void FromDir_EditDblClick(QLineEdit* sender);
    void SpeedButton2Click();
    void SpeedButton1Click();
    void sb_OutDirClick();
    void FromDir_EditChange();
    void ToDir_EditChange();
    void FileListBox1MouseMove(BkSetupFileList* sender, const QPoint& pos);
    void FormCreate();
    void FormDestroy();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void BuildPages();
    void BuildPanes();
    void BuildButtons();
    void SetStatusText(const QString& text);

    // The checks that "次へ >" makes on each page and "完了" makes again; each tells its own message.
    bool SourceIsValid();
    bool DestinationIsValid();
    bool NameIsAcceptable();

    IniFile& settings_;
    MessageBoxService& messages_;
    Pickers& pickers_;
    ProfileList& profiles_;
    QLabel* statusPrompt_;
};

} // namespace hozonix::ui
