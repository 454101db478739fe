#include <gtest/gtest.h>

#include <QAction>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>

#include "engine/ResultCodes.h"
#include "gui/GuiTestSupport.h"
#include "shell/FrameWizard.h"
#include "wizard/WizardDriver.h"
#include "wizard/WizardPage.h"

namespace morvanex::shell {
namespace {

using test::Find;
using test::GatedFileSystem;

constexpr int kFiles = 4;
constexpr int kHeldAt = 2;  // the run waits inside its second move

// The window on the disk with four files to rename, held inside the second file's move.
struct HeldWindow {
    // `pages`: the tabs' pages, recording ones by default (they store nothing of their own).
    explicit HeldWindow(const pages::PageTableType& pages = test::RecordingPageTable())
        : shell(Setup(pages)) {
        for (int i = 1; i <= kFiles; ++i) shell.folder.CreateFile("f" + std::to_string(i) + ".txt");
        shell.Settings().SelectFile.FullPath = shell.Root();
        shell.Settings().SelectFile.FileFilter = "*.txt";
        shell.frame->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(shell.frame.get()));
    }
    ~HeldWindow() { gate->Release(); }  // before the window joins its work

    test::WindowSetup Setup(const pages::PageTableType& pages) {
        test::WindowSetup setup = test::WindowSetup().WithPages(pages);
        setup.makeFileSystem = [this] {
            auto files = std::make_unique<GatedFileSystem>(kHeldAt);
            gate = files.get();
            return files;
        };
        return setup;
    }
    MainView& View() { return shell.View(); }
    bool Renamed(int i) const { return shell.folder.Exists(Name(i, true)); }
    static std::string Name(int i, bool renamed) {
        return renamed ? "00" + std::to_string(i) + ".txt" : "f" + std::to_string(i) + ".txt";
    }
    int RenamedCount() const {
        int count = 0;
        for (int i = 1; i <= kFiles; ++i) count += Renamed(i) ? 1 : 0;
        return count;
    }
    // Starts the rename command (its question answered Yes) and waits until the run is held.
    void RunUntilHeld() {
        shell.interaction.answers.push_front(true);
        QTest::mouseClick(Find<QPushButton>(View(), "renameButton"), Qt::LeftButton);
        ASSERT_TRUE(QTest::qWaitFor([this] { return gate->held.load(); }, 60000));
    }

    GatedFileSystem* gate = nullptr;
    test::WindowFixture shell;
};

TEST(WindowWork, TheWindowAnswersDuringARunAndItsStopEndsItBetweenTwoFiles) {
    enum class How { Button, Escape, Close };
    const struct {
        const char* name;
        How how;
    } rows[] = {
        {"stop/button", How::Button},
        {"stop/escape", How::Escape},
        {"stop/close_asks_first", How::Close},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        HeldWindow window;
        MainView& view = window.View();
        window.RunUntilHeld();

        // Held in the middle of the run, the window works: what could change the job is
        // disabled, the stop is there, and the line beside the bar counts the files done.
        EXPECT_TRUE(view.Working());
        for (const char* name : {"renameButton", "previewButton", "undoButton"})
            EXPECT_FALSE(Find<QPushButton>(view, name)->isEnabled()) << name;
        EXPECT_FALSE(view.TabControl()->isEnabled());
        EXPECT_FALSE(Find<QAction>(*window.shell.frame, "actionOpen")->isEnabled());
        EXPECT_FALSE(Find<QAction>(*window.shell.frame, "actionWizard")->isEnabled());
        EXPECT_TRUE(Find<QAction>(*window.shell.frame, "actionHelp")->isEnabled());
        EXPECT_TRUE(view.StopButton()->isVisible());
        EXPECT_TRUE(view.StopButton()->isEnabled());
        EXPECT_EQ(view.StopButton()->text(), "中止");
        EXPECT_TRUE(QTest::qWaitFor(
            [&] { return view.ProgressText()->text().startsWith("1 / 4 件"); }, 60000))
            << view.ProgressText()->text().toStdString();
        ASSERT_FALSE(window.shell.interaction.progress.empty());
        EXPECT_EQ(window.shell.interaction.progress.back(), 25) << "the bar at one file of four";

        switch (row.how) {
            case How::Button:
                QTest::mouseClick(view.StopButton(), Qt::LeftButton);
                break;
            case How::Escape:
                window.shell.frame->activateWindow();
                QTest::keyClick(window.shell.frame.get(), Qt::Key_Escape);
                break;
            case How::Close:
                window.shell.interaction.answers = {true};
                EXPECT_FALSE(window.shell.frame->close()) << "the window waits for the stop";
                ASSERT_EQ(window.shell.interaction.questionKinds.size(), 2u);
                EXPECT_EQ(window.shell.interaction.questionKinds[1],
                          engine::Question::StopAndClose);
                break;
        }
        EXPECT_FALSE(view.StopButton()->isEnabled()) << "stopped once";
        window.gate->Release();
        ASSERT_TRUE(window.shell.WaitForWork());

        // The file being renamed when the stop came is done; the next one was never begun.
        EXPECT_EQ(window.RenamedCount(), kHeldAt);
        EXPECT_EQ(test::Utf8(window.shell.interaction.messages.back()),
                  test::Utf8(engine::StoppedMessage(kHeldAt)));
        EXPECT_FALSE(view.StopButton()->isVisible());
        EXPECT_TRUE(Find<QPushButton>(view, "renameButton")->isEnabled());
        EXPECT_TRUE(Find<QAction>(*window.shell.frame, "actionOpen")->isEnabled());
        if (row.how == How::Close) {
            EXPECT_TRUE(QTest::qWaitFor([&] { return !window.shell.frame->isVisible(); }, 60000));
            continue;
        }
        // The window's undo takes back what the stopped run did.
        window.shell.interaction.confirmUndo = true;
        QTest::mouseClick(view.UndoButton(), Qt::LeftButton);
        ASSERT_TRUE(window.shell.WaitForWork());
        EXPECT_EQ(window.RenamedCount(), 0);
        EXPECT_EQ(test::Utf8(window.shell.interaction.messages.back()), "Undoが正常終了しました。");
    }
}

TEST(WindowWork, ClosingDuringARunAndAnsweringNoLetsItFinish) {
    HeldWindow window;
    window.RunUntilHeld();
    window.shell.interaction.answers = {false};
    EXPECT_FALSE(window.shell.frame->close());
    EXPECT_TRUE(window.View().StopButton()->isVisible());
    EXPECT_TRUE(window.View().StopButton()->isEnabled()) << "No: the run goes on";
    window.gate->Release();
    ASSERT_TRUE(window.shell.WaitForWork());
    EXPECT_EQ(window.RenamedCount(), kFiles);
    EXPECT_TRUE(window.shell.frame->isVisible());
    EXPECT_EQ(test::Utf8(window.shell.interaction.messages.back()),
              "変換完了。\n4個のファイル名を変換しました。");
}

TEST(WindowWork, AnAutoExecRunHasNoStopAndNoQuestion) {
    HeldWindow window;
    window.shell.Settings().AutoExecMode = 1;
    window.View().StartRun(false);
    ASSERT_TRUE(QTest::qWaitFor([&] { return window.gate->held.load(); }, 60000));
    EXPECT_TRUE(window.View().StopButton()->isHidden());
    window.shell.frame->activateWindow();
    QTest::keyClick(window.shell.frame.get(), Qt::Key_Escape);
    EXPECT_FALSE(window.shell.frame->close()) << "the run ends the program itself";
    window.gate->Release();
    ASSERT_TRUE(window.shell.WaitForWork());
    EXPECT_EQ(window.RenamedCount(), kFiles);
    EXPECT_TRUE(window.shell.interaction.questions.empty());
    EXPECT_TRUE(window.shell.interaction.messages.empty());
}

// A free list emptied by the run (the drop list cleared after it) comes back into the record,
// and the page on top learns of it when the run has ended.
TEST(WindowWork, WhatTheRunLeavesComesBackIntoTheRecord) {
    HeldWindow window;
    settings::RenameSettings& record = window.shell.Settings();
    record.SelectFile.FreeFileSelect = 1;
    record.Preferences.DAndDListClear = 1;
    for (int i = 1; i <= kFiles; ++i)
        record.FreeFileList.push_back(window.shell.Root() + HeldWindow::Name(i, false));
    window.RunUntilHeld();
    // The pages keep the record while the run works on its copy.
    EXPECT_EQ(record.FreeFileList.size(), static_cast<std::size_t>(kFiles));
    window.gate->Release();
    ASSERT_TRUE(window.shell.WaitForWork());
    EXPECT_TRUE(record.FreeFileList.empty());
    EXPECT_EQ(record.Undo.ValidCount, kFiles);
    EXPECT_EQ(record.AfterStatus.size(), static_cast<std::size_t>(kFiles));
}

// The wizard's run goes on the main window, enabled for its stop while the wizard's page waits
// disabled; Esc on that page stops it, and the wizard comes back as after any run.
TEST(WindowWork, TheWizardsRunStopsWithEscOnItsPageAndTheWizardComesBack) {
    using Kind = wizard::PageKind;
    HeldWindow window(pages::MainPageTable());
    settings::RenameSettings& record = window.shell.Settings();
    record.RenameOption.EnableRename = 0;
    record.TimeStampOption.EnableTimeStamp = 0;
    record.LetterChangeOption.EnableLetterChange = 1;
    wizard::WizardDriver& driver = window.shell.frame->Wizard().Driver();
    driver.SetTaskKind(wizard::kTaskLetterCase);
    window.shell.frame->StartWizard(2);
    const auto click = [&](const char* name) {
        ASSERT_NE(driver.CurrentPage(), nullptr);
        Find<QAbstractButton>(*driver.CurrentPage(), name)->click();
    };
    for (int step = 0; step < 4 && driver.CurrentPage()->Kind() != Kind::LetterCase; ++step)
        click("nextButton");
    ASSERT_EQ(driver.CurrentPage()->Kind(), Kind::LetterCase);
    click("allUpperRadio");
    click("nextButton");
    ASSERT_EQ(driver.CurrentPage()->Kind(), Kind::Final);

    wizard::WizardPage* final = driver.CurrentPage();
    window.shell.interaction.answers = {true};
    click("runButton");
    ASSERT_TRUE(QTest::qWaitFor([&] { return window.gate->held.load(); }, 60000));
    EXPECT_FALSE(final->isEnabled());
    EXPECT_TRUE(window.shell.frame->isEnabled());
    EXPECT_TRUE(window.View().StopButton()->isEnabled());
    EXPECT_FALSE(window.View().TabControl()->isEnabled());
    final->activateWindow();
    QTest::keyClick(final, Qt::Key_Escape);
    EXPECT_TRUE(window.View().StopButton()->isVisible());
    EXPECT_FALSE(window.View().StopButton()->isEnabled()) << "Esc stopped the run";
    window.gate->Release();
    ASSERT_TRUE(window.shell.WaitForWork());

    EXPECT_TRUE(window.shell.folder.Exists("F2.TXT"));
    EXPECT_TRUE(window.shell.folder.Exists("f3.txt"));
    EXPECT_EQ(test::Utf8(window.shell.interaction.messages.back()),
              test::Utf8(engine::StoppedMessage(kHeldAt)));
    ASSERT_NE(driver.CurrentPage(), nullptr);
    EXPECT_NE(driver.CurrentPage()->Kind(), Kind::Final) << "the wizard starts again";
    EXPECT_TRUE(driver.CurrentPage()->isEnabled());
    EXPECT_FALSE(window.shell.frame->isEnabled());
    driver.End();
}

}  // namespace
}  // namespace morvanex::shell
