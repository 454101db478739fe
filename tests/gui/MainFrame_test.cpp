#include <gtest/gtest.h>

#include <QAction>
#include <QDialog>
#include <QFile>
#include <QLabel>
#include <QMenuBar>
#include <QPushButton>
#include <QRegularExpression>
#include <QTest>
#include <QTextBrowser>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>

#include "dialogs/AboutDialog.h"
#include "dialogs/ResultListDialog.h"
#include "dialogs/UndoConfirmDialog.h"
#include "gui/GuiTestSupport.h"
#include "shell/HelpWindow.h"
#include "support/TempFolder.h"

namespace morvanex::shell {
namespace {

class MainFrameTest : public testing::Test {
  protected:
    void SetUp() override { test::ClearPreferences(); }
};

// "-" stands for a separator; "(off)" marks a disabled entry, "[x]" a checked one.
QStringList MenuEntries(QMenu* menu) {
    QStringList entries;
    for (QAction* action : menu->actions()) {
        if (action->isSeparator()) {
            entries << "-";
            continue;
        }
        QString entry = action->text();
        if (!action->isEnabled()) entry += " (off)";
        if (action->isChecked()) entry += " [x]";
        entries << entry;
    }
    return entries;
}

TEST_F(MainFrameTest, MenusHaveTheirTextsOrderSeparatorsAndStates) {
    test::WindowFixture shell(test::RecordingPages());
    shell.frame->show();
    const QList<QAction*> menus = shell.frame->menuBar()->actions();
    ASSERT_EQ(menus.size(), 4);
    const QString titles[] = {"ﾌｧｲﾙ(&F)", "表示(&V)", "オプション(&O)", "ﾍﾙﾌﾟ(&H)"};
    const QStringList entries[] = {
        {"全ての設定項目をリセットする(&N)", "パターンファイルを読み込む(&O)",
         "名前を付けてパターンを保存(&A)", "-", "リネーム対象ファイルをテキストで保存", "-",
         "MorvaneXの終了(&X)"},
        {"ﾂｰﾙ ﾊﾞｰ(&T) [x]", "-", "設定状況ダイアログ(&D)", "リネームウィザードを起動する(&W)"},
        {"MorvaneXの動作設定(&S)"},
        {"MorvaneX ヘルプ(&H)", "現在開いているタブページのヘルプを開く(&P)", "-",
         "MorvaneX のﾊﾞｰｼﾞｮﾝ情報(&A)..."},
    };
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(menus[i]->text(), titles[i]);
        ASSERT_NE(menus[i]->menu(), nullptr);
        EXPECT_EQ(MenuEntries(menus[i]->menu()), entries[i]);
    }
}

TEST_F(MainFrameTest, ToolbarButtonsTooltipsAndIconSize) {
    test::WindowFixture shell(test::RecordingPages());
    QToolBar* toolbar = shell.frame->findChild<QToolBar*>("toolbar");
    ASSERT_NE(toolbar, nullptr);
    EXPECT_EQ(toolbar->iconSize(), QSize(16, 15));
    QStringList buttons;
    for (QAction* action : toolbar->actions()) {
        buttons << (action->isSeparator() ? QStringLiteral("-") : action->objectName());
        if (!action->isSeparator()) {
            EXPECT_FALSE(action->icon().isNull()) << action->objectName().toStdString();
            EXPECT_FALSE(action->icon().pixmap(16, 15).isNull());
        }
    }
    EXPECT_EQ(buttons,
              (QStringList{"actionReset", "actionOpen", "actionSaveAs", "-", "actionWizard",
                           "actionSettingsList", "-", "actionOptions", "-", "actionPageHelp"}));
    const std::pair<const char*, const char*> tooltips[] = {
        {"actionReset", "全ての設定項目をリセットします"},
        {"actionOpen", "パターンファイルを読み込みます"},
        {"actionSaveAs", "名前を付けてパターンを保存します"},
        {"actionWizard", "リネームウィザードを起動する"},
        {"actionSettingsList", "設定状況ダイアログを表示します"},
        {"actionOptions", "MorvaneXの動作に関する設定を行います"},
        {"actionPageHelp", "現在開いているタブページのヘルプを開きます"},
        {"actionExit", "終了"},
        {"actionToolBar", "ﾂｰﾙ ﾊﾞｰの表示切り替え"},
    };
    for (const auto& [name, tooltip] : tooltips) {
        auto* action = shell.frame->findChild<QAction*>(name);
        ASSERT_NE(action, nullptr) << name;
        EXPECT_EQ(action->toolTip(), QString::fromUtf8(tooltip)) << name;
    }
}

TEST_F(MainFrameTest, ToolbarMenuEntryTogglesAndFollowsTheToolbar) {
    test::WindowFixture shell(test::RecordingPages());
    shell.frame->show();
    auto* toggle = shell.frame->findChild<QAction*>("actionToolBar");
    QToolBar* toolbar = shell.frame->ToolBar();
    toggle->trigger();
    EXPECT_FALSE(toolbar->isVisible());
    EXPECT_FALSE(toggle->isChecked());
    toolbar->show();
    EXPECT_TRUE(toggle->isChecked());
}

TEST_F(MainFrameTest, AcceleratorsOpenTheFileCommands) {
    test::WindowFixture shell(test::RecordingPages());
    test::TempFolder folder;
    shell.frame->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(shell.frame.get()));
    shell.frame->activateWindow();

    // Ctrl+S is save-as: its dialog appears, and cancelling writes nothing.
    QString seen;
    test::OnNextModal([&](QWidget* modal) {
        seen = modal->objectName();
        test::AnswerFileDialog(modal, QString());
    });
    QTest::keyClick(shell.frame.get(), Qt::Key_S, Qt::ControlModifier);
    EXPECT_EQ(seen, "saveFileDialog");

    test::OnNextModal([&](QWidget* modal) {
        seen = modal->objectName();
        test::AnswerFileDialog(modal, QString());
    });
    // The window shortcuts need the main window active again after the dialog.
    shell.frame->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(shell.frame.get()));
    QTest::keyClick(shell.frame.get(), Qt::Key_O, Qt::ControlModifier);
    EXPECT_EQ(seen, "openFileDialog");

    shell.frame->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(shell.frame.get()));
    QTest::keyClick(shell.frame.get(), Qt::Key_N, Qt::ControlModifier);
    ASSERT_EQ(shell.interaction.questions.size(), 1u);
    EXPECT_EQ(test::Utf8(shell.interaction.questions[0])
                  .rfind("MorvaneXの全設定を初期状態に戻します。", 0),
              0u);
}

TEST_F(MainFrameTest, SavedRectangleGivesAFixedWindowAtItsClampedPlace) {
    QSettings store("Pelvarin", "MorvaneX");
    store.setValue("Settings/RectLeft", 120);
    store.setValue("Settings/RectTop", -40);
    store.setValue("Settings/RectRight", 800);
    store.setValue("Settings/RectBottom", 600);
    store.sync();
    test::WindowFixture shell(test::RecordingPages().KeepingPreferences());
    shell.frame->ApplySavedGeometry(1280, 1024);
    shell.frame->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(shell.frame.get()));
    EXPECT_EQ(shell.frame->pos(), QPoint(120, 0));
    EXPECT_EQ(shell.frame->minimumSize(), shell.frame->maximumSize());
    EXPECT_FALSE(shell.frame->windowFlags() & Qt::WindowMaximizeButtonHint);
}

TEST_F(MainFrameTest, WithoutSavedRectangleTheWindowIsSizableAndClosingSavesIt) {
    test::WindowFixture shell(test::RecordingPages());
    shell.frame->ApplySavedGeometry(1280, 1024);
    shell.frame->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(shell.frame.get()));
    EXPECT_NE(shell.frame->minimumSize(), shell.frame->maximumSize());
    shell.frame->move(50, 60);
    shell.frame->SetMoveSwitch(2);
    shell.frame->close();
    const std::optional<widgets::WindowRect> saved = shell.preferences.SavedWindowRect(1280, 1024);
    ASSERT_TRUE(saved.has_value());
    const QRect frame = shell.frame->frameGeometry();
    EXPECT_EQ(*saved, (widgets::WindowRect{frame.left(), frame.top(), frame.left() + frame.width(),
                                           frame.top() + frame.height()}));
    EXPECT_EQ(QSettings("Pelvarin", "MorvaneX").value("Settings/SettingViewerMoveSwitch").toInt(),
              2);
}

// What the window system does with a new window asked to put its frame at a place.
enum class Placement {
    AsAsked,             // the frame's corner at the place
    ClientAtThePlace,    // the client area's corner there (X11, before the frame is known)
    ShiftedByTheSystem,  // somewhere else of its own choosing (a panel in the way)
};

// Starts the window as the program does, lets the window system place it, ends the program and
// gives back the rectangle stored for the next start.
widgets::WindowRect RestartOnce(Placement placement) {
    test::WindowFixture shell(test::RecordingPages().KeepingPreferences());
    shell.frame->ApplySavedGeometry(1280, 1024);
    shell.frame->show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(shell.frame.get()));
    const QRect frame = shell.frame->frameGeometry();
    const QRect client = shell.frame->geometry();
    EXPECT_NE(frame, client) << "the test needs a platform that frames its windows";
    if (placement == Placement::ClientAtThePlace) {
        shell.frame->setGeometry(QRect(frame.topLeft(), client.size()));
    } else if (placement == Placement::ShiftedByTheSystem) {
        shell.frame->setGeometry(client.translated(0, 30));
    }
    QCoreApplication::processEvents();
    shell.frame->close();
    return shell.preferences.SavedWindowRect(1280, 1024).value_or(widgets::WindowRect{});
}

// The stored rectangle is the frame's and the next start puts the frame there again, so a
// window nobody moves stays where it was over any number of starts.
TEST_F(MainFrameTest, WindowNotMovedStaysPutAcrossRestarts) {
    struct Case {
        const char* name;
        int storedLeft;
        int storedTop;
        Placement placement;
        QPoint expected;  // the frame's corner after every start
    };
    const Case cases[] = {
        {"placed/as_asked", 60, 80, Placement::AsAsked, {60, 80}},
        {"placed/client_at_frame_corner", 60, 80, Placement::ClientAtThePlace, {60, 80}},
        {"placed/client_at_screen_corner", 0, 0, Placement::ClientAtThePlace, {0, 0}},
        {"clamped/negative_top", 60, -40, Placement::ClientAtThePlace, {60, 0}},
    };
    for (const Case& row : cases) {
        SCOPED_TRACE(row.name);
        test::ClearPreferences();
        widgets::Preferences().SetWindowRect(
            {row.storedLeft, row.storedTop, row.storedLeft + 640, row.storedTop + 480});
        std::optional<widgets::WindowRect> first;
        for (int start = 1; start <= 3; ++start) {
            SCOPED_TRACE(start);
            const widgets::WindowRect saved = RestartOnce(row.placement);
            EXPECT_EQ(QPoint(saved.left, saved.top), row.expected);
            if (!first) first = saved;
            EXPECT_EQ(saved, *first) << "the same rectangle at every start";
        }
    }
}

// A place the window system chose itself is the window's new place, kept from then on.
TEST_F(MainFrameTest, PlaceChosenByTheWindowSystemIsKept) {
    widgets::Preferences().SetWindowRect({60, 80, 700, 560});
    const widgets::WindowRect shifted = RestartOnce(Placement::ShiftedByTheSystem);
    EXPECT_EQ(QPoint(shifted.left, shifted.top), QPoint(60, 110));
    const widgets::WindowRect next = RestartOnce(Placement::AsAsked);
    EXPECT_EQ(next, shifted);
}

TEST_F(MainFrameTest, PageHelpOpensTheTopicOfTheCurrentPage) {
    const std::pair<int, int> cases[] = {
        {1000, 22}, {1002, 24}, {1004, 25}, {1005, 26}, {1006, 51}};
    test::WindowFixture shell(test::RecordingPages());
    for (const auto& [itemData, context] : cases) {
        shell.View().SelectPage(itemData);
        shell.frame->findChild<QAction*>("actionPageHelp")->trigger();
        ASSERT_NE(shell.frame->Help(), nullptr);
        EXPECT_EQ(shell.frame->Help()->CurrentTopic(), context) << itemData;
        EXPECT_TRUE(shell.frame->Help()->isVisible());
    }
    EXPECT_TRUE(shell.interaction.messages.empty());
    EXPECT_EQ(MainFrame::HelpContextOfPage(2070), 29);
    EXPECT_EQ(MainFrame::HelpContextOfPage(2010), 23);
    EXPECT_EQ(MainFrame::HelpContextOfPage(2050), 27);
    EXPECT_EQ(MainFrame::HelpContextOfPage(2060), 28);
    EXPECT_EQ(MainFrame::HelpContextOfPage(1234), 0);
}

TEST_F(MainFrameTest, HelpFileHasATopicForEveryContextNumber) {
    QFile file(test::HelpFileOfSource());
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QString html = QString::fromUtf8(file.readAll());
    for (const int context : {0, 22, 23, 24, 25, 26, 27, 28, 29, 44, 47, 49, 51}) {
        const QString anchor = HelpWindow::AnchorOf(context);
        EXPECT_TRUE(html.contains(QStringLiteral("name=\"%1\"").arg(anchor)))
            << anchor.toStdString();
    }
    // Every page and dialog exists: no topic may still promise one for a later version.
    EXPECT_FALSE(html.contains(QStringLiteral("次の版"))) << "a topic promises a later version";
    // Every link inside the file leads to a topic that exists.
    const QRegularExpression link(QStringLiteral("href=\"#([^\"]+)\""));
    for (auto it = link.globalMatch(html); it.hasNext();) {
        const QString target = it.next().captured(1);
        EXPECT_TRUE(html.contains(QStringLiteral("name=\"%1\"").arg(target)))
            << target.toStdString();
    }
}

// The buttons under the pages, the one shown only while work goes among them, each have their
// entry in the help's topic of those buttons.
TEST_F(MainFrameTest, HelpDescribesEveryButtonOfTheMainWindow) {
    QFile file(test::HelpFileOfSource());
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QString html = QString::fromUtf8(file.readAll());
    const qsizetype start = html.indexOf(QStringLiteral("name=\"buttons\""));
    ASSERT_GE(start, 0);
    const QString topic = html.mid(start, html.indexOf(QStringLiteral("<h2"), start) - start);
    test::WindowFixture shell(test::RecordingPages());
    const QList<QPushButton*> buttons =
        shell.View().findChildren<QPushButton*>(Qt::FindDirectChildrenOnly);
    EXPECT_GE(buttons.size(), 5);
    for (const QPushButton* button : buttons) {
        const QString text = button->text().simplified();
        EXPECT_TRUE(topic.contains("<b>" + text + "</b>")) << text.toStdString();
    }
}

TEST_F(MainFrameTest, HelpContentsAndTheHelpOfDialogsOpenTheirTopics) {
    test::WindowFixture shell(test::RecordingPages());
    shell.frame->findChild<QAction*>("actionHelp")->trigger();
    ASSERT_NE(shell.frame->Help(), nullptr);
    EXPECT_EQ(shell.frame->Help()->CurrentTopic(), HelpWindow::kContents);
    EXPECT_TRUE(shell.frame->Help()->Browser()->toPlainText().contains("目次"));

    // A dialog asks its host, the view, for a topic; the main window shows it.
    shell.Context().host.RequestHelp(47);
    EXPECT_EQ(shell.frame->Help()->CurrentTopic(), 47);
}

TEST_F(MainFrameTest, EscClosesTheHelpWindow) {
    test::WindowFixture shell(test::RecordingPages());
    shell.frame->findChild<QAction*>("actionHelp")->trigger();
    ASSERT_NE(shell.frame->Help(), nullptr);
    ASSERT_TRUE(shell.frame->Help()->isVisible());
    // The key reaches the text, which has the focus, and the window behind it.
    QTest::keyClick(shell.frame->Help()->Browser(), Qt::Key_Escape);
    EXPECT_FALSE(shell.frame->Help()->isVisible());
}

// Help asked from a modal dialog belongs to that dialog, so the dialog does not block it; once
// the dialog is gone, help opens from the frame again.
TEST_F(MainFrameTest, HelpFromAModalDialogIsNotBlockedByIt) {
    test::WindowFixture shell(test::RecordingPages());
    QWidget* owner = nullptr;
    bool shown = false;
    {
        QDialog dialog(shell.frame.get());
        QTimer::singleShot(0, &dialog, [&] {
            shell.Context().host.RequestHelp(47);
            owner = shell.frame->Help() != nullptr ? shell.frame->Help()->parentWidget() : nullptr;
            shown = shell.frame->Help() != nullptr && shell.frame->Help()->isVisible();
            dialog.reject();
        });
        dialog.exec();
        EXPECT_EQ(owner, &dialog);
    }
    EXPECT_TRUE(shown);
    shell.Context().host.RequestHelp(49);
    ASSERT_NE(shell.frame->Help(), nullptr);
    EXPECT_EQ(shell.frame->Help()->parentWidget(), shell.frame.get());
    EXPECT_EQ(shell.frame->Help()->CurrentTopic(), 49);
}

TEST_F(MainFrameTest, MissingHelpFileIsReported) {
    test::WindowFixture shell(
        test::RecordingPages().WithHelpFile("/nonexistent/morvanex-help.html"));
    shell.frame->findChild<QAction*>("actionHelp")->trigger();
    ASSERT_EQ(shell.interaction.messages.size(), 1u);
    EXPECT_EQ(test::Utf8(shell.interaction.messages[0]),
              "ヘルプファイルを開けませんでした。\n/nonexistent/morvanex-help.html");
    EXPECT_EQ(shell.interaction.icons[0], engine::MessageIcon::Exclamation);
}

TEST_F(MainFrameTest, AboutBoxShowsVersionAndClosingButton) {
    dialogs::AboutDialog about(nullptr);
    EXPECT_EQ(about.windowTitle(), "MorvaneXのﾊﾞｰｼﾞｮﾝ情報");
    EXPECT_EQ(about.findChild<QLabel*>("versionLabel")->text(), "MorvaneX Version 3.34");
    auto* close = about.findChild<QPushButton*>("closeButton");
    EXPECT_EQ(close->text(), "ダイアログを閉じます");
    EXPECT_TRUE(close->isDefault());
    const QStringList lines = about.findChild<QPushButton*>("homePageButton")->text().split('\n');
    ASSERT_EQ(lines.size(), 2);
    EXPECT_EQ(lines[1], QString::fromLatin1(dialogs::AboutDialog::kHomePage));
    about.show();
    QTest::mouseClick(close, Qt::LeftButton);
    EXPECT_EQ(about.result(), QDialog::Accepted);
}

TEST_F(MainFrameTest, UndoConfirmationPreviewKeepsItOpenAndButtonsGiveTheirResults) {
    engine::ResultList preview;
    preview.sources = {"/data/001.txt"};
    preview.targets = {"/data/a.txt"};
    preview.before.resize(1);
    preview.after.resize(1);

    dialogs::UndoConfirmDialog dialog(preview, nullptr);
    EXPECT_EQ(dialog.windowTitle(), "Undo確認");
    EXPECT_FALSE(dialog.windowFlags() & Qt::WindowCloseButtonHint);
    dialog.show();
    QString left;
    QString right;
    test::OnNextModal([&](QWidget* modal) {
        auto* list = qobject_cast<dialogs::ResultListDialog*>(modal);
        ASSERT_NE(list, nullptr);
        const QAbstractItemModel* model = list->Model().rowCount() ? &list->Model() : nullptr;
        ASSERT_NE(model, nullptr);
        left = model->data(model->index(0, 0)).toString();
        right = model->data(model->index(0, 5)).toString();
        EXPECT_EQ(model->columnCount(), 10) << "every column is shown";
        list->accept();
    });
    QTest::mouseClick(dialog.findChild<QPushButton*>("previewButton"), Qt::LeftButton);
    EXPECT_EQ(left, "/data/001.txt");
    EXPECT_EQ(right, "/data/a.txt");
    EXPECT_TRUE(dialog.isVisible()) << "the preview does not close the confirmation";

    QTest::mouseClick(dialog.findChild<QPushButton*>("undoStartButton"), Qt::LeftButton);
    EXPECT_EQ(dialog.result(), dialogs::UndoConfirmDialog::kStartUndo);
    dialog.show();
    QTest::mouseClick(dialog.findChild<QPushButton*>("cancelButton"), Qt::LeftButton);
    EXPECT_EQ(dialog.result(), dialogs::UndoConfirmDialog::kCancel);
    EXPECT_EQ(dialog.findChild<QPushButton*>("undoStartButton")->text(), "Undo開始");
    EXPECT_EQ(dialog.findChild<QPushButton*>("previewButton")->text(), "Previewで確認");
    EXPECT_EQ(dialog.findChild<QPushButton*>("cancelButton")->text(), "ｷｬﾝｾﾙ");
}

}  // namespace
}  // namespace morvanex::shell
