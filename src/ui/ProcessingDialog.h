#pragma once
// The processing dialog: what a run is doing to which file, the counts, a bar, an animation and the abort
// button "中止". ProcessingDialogOwner holds the one instance of the process, creates it on first use and
// destroys it at program end, when the dialog stores its placement under "ProcessDlg".

#include "settings/WindowPlacement.h"

#include <QDialog>

#include <functional>
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

class ProcessingDialog : public QDialog {
public:
    // Placed by the stored placement or the fallback rectangle as it is created.
    ProcessingDialog(IniFile& settings, MessageBoxService& messages, const Rect& fallback,
                     QWidget* parent = nullptr);
    ~ProcessingDialog() override;

    // What the run is doing (above) and to which file (below).
    QPlainTextEdit* UpperText() const { return upperText_; }
    QTextEdit* LowerText() const { return lowerText_; }
    QProgressBar* ProgressBar() const { return progressBar_; }
    CopyAnimation* Animation() const { return animation_; }
    QPushButton* AbortButton() const { return abortButton_; }
    // Called by "中止" and by the window's close button, which would otherwise hide the dialog while
    // the run goes on unseen.
    void SetAbortHandler(std::function<void()> handler) { abortHandler_ = std::move(handler); }

protected:
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Abort();
    // The abort button took the focus: the pointer must not look busy over it.
    void ShowNormalCursor();
    void SavePlacement();

    IniFile& settings_;
    MessageBoxService& messages_;
    QPlainTextEdit* upperText_;
    QSplitter* splitter_;
    QTextEdit* lowerText_;
    QProgressBar* progressBar_;
    CopyAnimation* animation_;
    QWidget* buttonPanel_;
    QPushButton* abortButton_;
    std::function<void()> abortHandler_;
};

class ProcessingDialogOwner {
public:
    ProcessingDialogOwner(IniFile& settings, MessageBoxService& messages, const Rect& fallback)
        : settings_(settings), messages_(messages), fallback_(fallback) {}
    ~ProcessingDialogOwner();

    // Creates the dialog when needed, sets the caption, starts the animation and shows it without
    // making it modal.
    void ShowProcessDialog(const std::string& caption,
                           ProcessAnimation animation = ProcessAnimation::CopyFiles);
    // Nothing happens before the dialog exists. An empty text leaves its area; the bar always moves.
    void UpdateProcessDialog(int position, const std::string& upper, const std::string& lower);
    void HideProcessDialog();
    // Empties the texts and the bar, so that a run never shows those of the one before.
    void ClearProcessDialog();
    // What "中止" asks of the run under way (the dialog is hidden in any case).
    void SetAbortHandler(std::function<void()> handler);

    // The dialog, or null before its first showing.
    ProcessingDialog* Dialog() const { return dialog_.get(); }

private:
    IniFile& settings_;
    MessageBoxService& messages_;
    Rect fallback_;
    std::function<void()> abortHandler_;
    std::unique_ptr<ProcessingDialog> dialog_;
};

} // namespace hozonix::ui
