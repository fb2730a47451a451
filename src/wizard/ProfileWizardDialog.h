#pragma once
// The backup wizard: three pages (source folder, destination folder, profile name with the exclusions)
// that create a new profile or change an existing one in the process-wide profile lists, which it saves
// on "完了". Below the pages two file panes show the chosen folders; moving the mouse over an entry shows
// its size and date in the status bar.
//
// The window keeps its page, buttons and texts between uses; QtProfileWizard opens it.

#include "settings/WindowPlacement.h"

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
class Pickers;
}

namespace hozonix::wizard {

class ProfileWizardFileList;
class ProfileWizardTabWidget;
class ProfileWizardTabBar;

class ProfileWizardDialog : public QDialog {
public:
    static constexpr const char* PlacementKey = "fmBkSetup";

    ProfileWizardDialog(IniFile& settings, MessageBoxService& messages, ui::Pickers& pickers,
                        ProfileList& profiles, QWidget* parent = nullptr);
    ~ProfileWizardDialog() override;

    // -1 while a new profile is being made, otherwise the index of the profile being changed.
    int EditIndex() const { return editIndex_; }
    void SetEditIndex(int index) { editIndex_ = index; }

    // The page shown, 1 to 3.
    int CurrentPage() const;
    // The text of the status bar's second panel.
    QString StatusText() const;

    ProfileWizardTabWidget* Tabs() const { return tabs_; }
    ProfileWizardTabBar* TabBar() const { return tabBar_; }
    QLineEdit* SourceEdit() const { return sourceEdit_; }
    QLineEdit* DestinationEdit() const { return destinationEdit_; }
    QLineEdit* NameEdit() const { return nameEdit_; }
    QLineEdit* ExcludedExtensionsEdit() const { return excludedExtensionsEdit_; }
    QLineEdit* ExcludedFoldersEdit() const { return excludedFoldersEdit_; }
    QToolButton* BrowseSourceButton() const { return browseSourceButton_; }
    QToolButton* BrowseDestinationButton() const { return browseDestinationButton_; }
    QToolButton* BrowseExcludedButton() const { return browseExcludedButton_; }
    ProfileWizardFileList* SourceFiles() const { return sourceFiles_; }
    ProfileWizardFileList* DestinationFiles() const { return destinationFiles_; }
    QPushButton* BackButton() const { return backButton_; }
    QPushButton* NextButton() const { return nextButton_; }
    QToolButton* FinishButton() const { return finishButton_; }
    QPushButton* CancelButton() const { return cancelButton_; }

    void ShowPage(int n);
    // The bar's buttons.
    void GoBack();
    void GoNext();
    void Finish();
    void Cancel();
    // A double click on a folder field, or its browse button: the folder picked is added to the field.
    void PickFolderInto(QLineEdit* field);
    void BrowseSource();
    void BrowseDestination();
    void BrowseExcludedFolder();
    void SourceChanged();
    void DestinationChanged();
    // The status text for the pane entry at `pos`.
    void ShowEntryHint(ProfileWizardFileList* pane, const QPoint& pos);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void StartNewProfile();
    void SavePlacement();
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
    ui::Pickers& pickers_;
    ProfileList& profiles_;
    int editIndex_ = -1;

    ProfileWizardTabWidget* tabs_;
    ProfileWizardTabBar* tabBar_;
    QWidget* sourcePage_;
    QWidget* destinationPage_;
    QWidget* namePage_;
    QLineEdit* sourceEdit_;
    QLineEdit* destinationEdit_;
    QLineEdit* nameEdit_;
    QLineEdit* excludedExtensionsEdit_;
    QLineEdit* excludedFoldersEdit_;
    QToolButton* browseSourceButton_;
    QToolButton* browseDestinationButton_;
    QToolButton* browseExcludedButton_;
    QWidget* panesArea_;
    QSplitter* panesSplitter_;
    QWidget* sourcePanel_;
    QWidget* destinationPanel_;
    QLabel* sourceCaption_;
    QLabel* destinationCaption_;
    ProfileWizardFileList* sourceFiles_;
    ProfileWizardFileList* destinationFiles_;
    QWidget* buttonBar_;
    QPushButton* backButton_;
    QPushButton* nextButton_;
    QToolButton* finishButton_;
    QPushButton* cancelButton_;
    QStatusBar* statusBar_;
    QLabel* statusPrompt_;
};

} // namespace hozonix::wizard
