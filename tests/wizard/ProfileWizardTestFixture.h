#pragma once
// A wizard wired to scripted message boxes and pickers, a settings file and real folders in a private
// temporary folder. Each Open... runs `user` where a person would work in the modal window.

#include "settings/IniFile.h"
#include "settings/ProfileList.h"
#include "ui/Pickers.h"
#include "wizard/ProfileWizardDialog.h"
#include "wizard/QtProfileWizard.h"

#include "ScriptedMessageBox.h"
#include "ScriptedPickers.h"
#include "TempFolder.h"

#include <QDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>

#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace hozonix::test {

class ProfileWizardTest : public ::testing::Test {
protected:
    using Script = std::function<void(wizard::ProfileWizardDialog&)>;

    TempFolder dir;
    IniFile settings{dir / "Hozonix.ini"};
    ScriptedMessageBox messages;
    ScriptedFileDialogs files;
    ScriptedFolderBrowser folders;
    ui::Pickers pickers{files, folders};
    ProfileList profiles;
    Script user;
    wizard::QtProfileWizard wizard{settings,
                                   messages,
                                   pickers,
                                   profiles,
                                   FallbackRect(1024, 768),
                                   [this](wizard::ProfileWizardDialog& w) {
                                       if (user)
                                           user(w);
                                       return w.result();
                                   }};

    std::string src = dir / "src";
    std::string dst = dir / "dst";

    void SetUp() override {
        std::filesystem::create_directories(src);
        std::filesystem::create_directories(dst);
    }

    bool OpenForNew(Script s) {
        user = std::move(s);
        return wizard.OpenForNew();
    }
    bool OpenForEdit(int index, Script s) {
        user = std::move(s);
        return wizard.OpenForEdit(index);
    }

    // The texts of the boxes shown since the last call; a Yes/No question is marked with "?".
    std::vector<std::string> TakeMessages() {
        std::vector<std::string> texts;
        for (const auto& shown : messages.shown) {
            const bool question =
                shown.kind == MessageKind::Confirmation && shown.buttons == (YesButton | NoButton);
            const bool plain = shown.kind == MessageKind::Plain && shown.buttons == OkButton;
            texts.push_back(question ? "?" + shown.text : plain ? shown.text : "unexpected box");
        }
        messages.shown.clear();
        return texts;
    }

    static void Fill(wizard::ProfileWizardDialog& w, const std::string& from, const std::string& to,
                     const std::string& name) {
        w.SourceEdit()->setText(QString::fromStdString(from));
        w.DestinationEdit()->setText(QString::fromStdString(to));
        w.NameEdit()->setText(QString::fromStdString(name));
    }
    // Presses "次へ >" `times` times, as a person going from page 1 would.
    static void Walk(wizard::ProfileWizardDialog& w, int times = 3) {
        for (int i = 0; i < times; ++i)
            w.NextButton()->click();
    }
};

} // namespace hozonix::test
