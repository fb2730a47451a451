#include "ui/DefaultErrorHandler.h"

#include "base/AppError.h"
#include "base/AtomicFile.h"
#include "settings/StoredDateTime.h"

#include <new>
#include <string>

namespace hozonix::ui {

std::string SystemReasonText(int err) {
    // The system's own words, in the language of the session's locale.
    return err == kNotRegularFile ? "通常のファイルではありません" : SystemErrorText(err);
}

std::string FileErrorText(const FileSystemError& error) {
    const char* what = "ファイルを読み込めません";
    switch (error.Action()) {
    case FileAction::Read:
        break;
    case FileAction::Write:
        what = "ファイルに保存できません";
        break;
    case FileAction::MakeFolder:
        what = "フォルダを作成できません";
        break;
    }
    return std::string(what) + "\r\n" + error.Path() + " [" + SystemReasonText(error.Error()) + "]";
}

std::string InvalidStoredTimeText(const std::string& stored) {
    return "'" + stored + "' は正しい日付と時刻ではありません";
}

void ShowCurrentError(MessageBoxService& messages) noexcept {
    std::string text;
    try {
        throw;
    } catch (const std::bad_alloc&) {
        text = "メモリが不足しています";
    } catch (const FileSystemError& e) {
        text = FileErrorText(e);
    } catch (const InvalidStoredTime& e) {
        text = InvalidStoredTimeText(e.Text());
    } catch (const std::exception& e) {
        text = e.what();
    } catch (...) {
        text = "原因不明のエラーが発生しました";
    }
    try {
        messages.ShowMessage(text);
    } catch (...) {
        // Nothing more can be done than not to end the program.
    }
}

} // namespace hozonix::ui
