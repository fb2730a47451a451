#pragma once
// The processing dialog: what a run is doing to which file, the counts, a bar, an animation and the abort
// button "中止". ProcessDlgOwner holds the one instance of the process, creates it on first use and
// destroys it at program end, when the dialog stores its placement under "ProcessDlg".

#include "WindowPlacement.h"

#include <QDialog>

#include <memory>
#include <string>

class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QSplitter;
class QTextEdit;
class QWidget;

namespace hozonix {
class IniFile;
class MessageBoxService;
} // namespace hozonix

namespace hozonix::ui {

class CopyAnimation;

enum class ProcessAnimation { CopyFiles };

class TProcessDlg : public QDialog {
public:
    // Placed by the stored placement or the fallback rectangle as it is created.
    TProcessDlg(IniFile& settings, MessageBoxService& messages, const Rect& fallback,
                QWidget* parent = nullptr);
    ~TProcessDlg() override;

    QPlainTextEdit* Memo1;
    QSplitter* Splitter1;
    QTextEdit* memo2;
    QProgressBar* ProgressBar1;
    CopyAnimation* Animate1;
    QWidget* Panel1;
    QPushButton* OKBtn;

    void FormShow();
    void OKBtnClick();
    void OKBtnEnter();
    void FormDestroy();

protected:
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    IniFile& settings_;
    MessageBoxService& messages_;
};

class ProcessDlgOwner {
public:
    ProcessDlgOwner(IniFile& settings, MessageBoxService& messages, const Rect& fallback)
        : settings_(settings), messages_(messages), fallback_(fallback) {}
    ~ProcessDlgOwner();

    // Creates the dialog when needed, sets the caption, starts the animation and shows it without
    // making it modal.
    void ShowProcessDialog(const std::string& caption,
                           ProcessAnimation animation = ProcessAnimation::CopyFiles);
    // Nothing happens before the dialog exists. An empty text leaves its area; the bar always moves.
    void UpdateProcessDialog(int position, const std::string& upper, const std::string& lower);
    void HideProcessDialog();

    // The dialog, or null before its first showing.
    TProcessDlg* Dialog() const { return dialog_.get(); }

private:
    IniFile& settings_;
    MessageBoxService& messages_;
    Rect fallback_;
    std::unique_ptr<TProcessDlg> dialog_;
};

} // namespace hozonix::ui
