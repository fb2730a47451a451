#pragma once
// Pickers backends for tests: they record what each dialog was asked to show and answer from a script
// (cancel when the script is empty).

#include "ui/Pickers.h"

#include <deque>
#include <optional>
#include <string>
#include <vector>

namespace hozonix::test {

// The script's next answer, or a cancel when it has run out.
inline std::optional<std::string> NextAnswer(std::deque<std::optional<std::string>>& answers) {
    if (answers.empty())
        return std::nullopt;
    std::optional<std::string> a = answers.front();
    answers.pop_front();
    return a;
}

class ScriptedFileDialogs : public ui::FileDialogBackend {
public:
    struct Call {
        ui::FileDialogKind kind;
        ui::FileDialogSettings settings;
    };

    std::optional<std::string> Run(ui::FileDialogKind kind, const ui::FileDialogSettings& settings) override {
        calls.push_back({kind, settings});
        return NextAnswer(answers);
    }

    std::deque<std::optional<std::string>> answers;
    std::vector<Call> calls;
};

class ScriptedFolderBrowser : public ui::FolderBrowserBackend {
public:
    struct Call {
        std::string title;
        std::string initialFolder;
        int x;
        int y;
    };

    std::optional<std::string> Browse(const std::string& title, const std::string& initialFolder, int x,
                                      int y) override {
        calls.push_back({title, initialFolder, x, y});
        return NextAnswer(answers);
    }

    std::deque<std::optional<std::string>> answers;
    std::vector<Call> calls;
};

} // namespace hozonix::test
