#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <optional>

#include "dialogs/UndoConfirmDialog.h"
#include "gui/GuiTestSupport.h"
#include "shell/QtInteraction.h"
#include "support/TempFolder.h"

namespace morvanex::shell {
namespace {

// The window shows the notices that speak of it as their defined texts, the attribute hint with
// the exclamation icon.
TEST(QtInteraction, MessagesUseTheExclamationIconWhenAsked) {
    QtInteraction interaction(nullptr, nullptr, false);
    struct Row {
        const char* name;
        std::optional<engine::Notice> notice;
        engine::MessageIcon icon;
    } rows[] = {
        {"message/exclamation", std::nullopt, engine::MessageIcon::Exclamation},
        {"message/plain", std::nullopt, engine::MessageIcon::None},
        {"notice/attribute_hint", engine::Notice::AttributeHint, engine::MessageIcon::Exclamation},
        {"notice/done_list_follows", engine::Notice::DoneListFollows, engine::MessageIcon::None},
    };
    for (const auto& [name, notice, icon] : rows) {
        QString text;
        QMessageBox::Icon shown = QMessageBox::NoIcon;
        QString caption;
        test::OnNextModal([&](QWidget* modal) {
            auto* box = qobject_cast<QMessageBox*>(modal);
            ASSERT_NE(box, nullptr);
            text = box->text();
            shown = box->icon();
            caption = box->windowTitle();
            box->accept();
        });
        const std::string defined = platform::Sjis("変換完了。\n2個のファイル名を変換しました。");
        if (notice) {
            interaction.ShowNotice(*notice, defined, 2);
        } else {
            interaction.ShowMessage(defined, icon);
        }
        EXPECT_EQ(text, "変換完了。\n2個のファイル名を変換しました。") << name;
        EXPECT_EQ(caption, "MorvaneX");
        EXPECT_EQ(shown, icon == engine::MessageIcon::Exclamation ? QMessageBox::Warning
                                                                  : QMessageBox::NoIcon)
            << name;
    }
}

TEST(QtInteraction, QuestionsHaveYesAndNo) {
    QtInteraction interaction(nullptr, nullptr, false);
    for (const bool yes : {true, false}) {
        QStringList buttons;
        test::OnNextModal([&](QWidget* modal) {
            auto* box = qobject_cast<QMessageBox*>(modal);
            ASSERT_NE(box, nullptr);
            for (QAbstractButton* button : box->buttons()) buttons << button->text();
            box->button(yes ? QMessageBox::Yes : QMessageBox::No)->click();
        });
        EXPECT_EQ(
            interaction.AskYesNo(engine::Question::StartRun, platform::Sjis("よろしいですか？")),
            yes);
        buttons.sort();
        EXPECT_EQ(buttons, (QStringList{"いいえ(&N)", "はい(&Y)"}));
    }
}

TEST(QtInteraction, WithoutAScreenNothingIsShownAndQuestionsAreAnsweredNo) {
    QProgressBar bar;
    QtInteraction interaction(nullptr, &bar, true);
    // Any window opening here would block the test: none may.
    EXPECT_FALSE(interaction.AskYesNo(engine::Question::CreateCopyFolder,
                                      platform::Sjis("フォルダを作成しますか？")));
    interaction.ShowMessage("text", engine::MessageIcon::Exclamation);
    engine::ResultList list;
    interaction.ShowResultList(list);
    EXPECT_FALSE(interaction.ConfirmUndo(list));
    interaction.Progress(3, 2);
    EXPECT_EQ(bar.value(), 66);
}

TEST(QtInteraction, WaitCursorNests) {
    QtInteraction interaction(nullptr, nullptr, false);
    interaction.BeginWait();
    interaction.BeginWait();
    ASSERT_NE(QApplication::overrideCursor(), nullptr);
    EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
    interaction.EndWait();
    EXPECT_NE(QApplication::overrideCursor(), nullptr);
    interaction.EndWait();
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    interaction.EndWait();  // unbalanced: ignored
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST(QtInteraction, UndoConfirmationStartsUndoOnlyOnItsStartButton) {
    QtInteraction interaction(nullptr, nullptr, false);
    engine::ResultList preview;
    for (const char* button : {"undoStartButton", "cancelButton"}) {
        test::OnNextModal([&](QWidget* modal) {
            ASSERT_NE(qobject_cast<dialogs::UndoConfirmDialog*>(modal), nullptr);
            modal->findChild<QPushButton*>(button)->click();
        });
        EXPECT_EQ(interaction.ConfirmUndo(preview), std::string(button) == "undoStartButton");
    }
}

TEST(ShellRun, RenameThenUndoThroughTheButtons) {
    test::ClearPreferences();
    test::WindowFixture shell(test::RecordingPages());
    test::TempFolder folder;
    folder.CreateFile("a.txt", "A");
    folder.CreateFile("b.txt", "B");
    shell.Settings().SelectFile.FullPath = folder.Path();
    shell.Settings().SelectFile.FileFilter = "*.txt";

    shell.interaction.answers = {true};
    QTest::mouseClick(shell.View().findChild<QPushButton*>("renameButton"), Qt::LeftButton);
    EXPECT_EQ(folder.ReadFile("001.txt"), "A");
    EXPECT_EQ(folder.ReadFile("002.txt"), "B");
    ASSERT_FALSE(shell.interaction.messages.empty());
    EXPECT_EQ(test::Utf8(shell.interaction.messages.back()),
              "変換完了。\n2個のファイル名を変換しました。");
    EXPECT_NE(std::find(shell.interaction.progress.begin(), shell.interaction.progress.end(), 50),
              shell.interaction.progress.end());

    shell.interaction.confirmUndo = true;
    QTest::mouseClick(shell.View().UndoButton(), Qt::LeftButton);
    EXPECT_EQ(folder.ReadFile("a.txt"), "A");
    EXPECT_EQ(folder.ReadFile("b.txt"), "B");
    EXPECT_FALSE(folder.Exists("001.txt"));
    EXPECT_EQ(test::Utf8(shell.interaction.messages.back()), "Undoが正常終了しました。");

    // Nothing left to undo.
    QTest::mouseClick(shell.View().UndoButton(), Qt::LeftButton);
    EXPECT_EQ(
        test::Utf8(shell.interaction.messages.back()).rfind("Undo用のデータがありません。", 0), 0u);
}

}  // namespace
}  // namespace morvanex::shell
