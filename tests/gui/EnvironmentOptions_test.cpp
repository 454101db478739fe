#include <gtest/gtest.h>

#include <QAction>
#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSettings>
#include <QTest>
#include <functional>
#include <map>

#include "dialogs/EnvironmentOptionsDialog.h"
#include "dialogs/SettingsListDialog.h"
#include "gui/GuiTestSupport.h"

namespace morvanex::shell {
namespace {

using Prefs = std::map<QString, QVariant>;

void Store(const Prefs& values) {
    test::ClearPreferences();
    QSettings store("Pelvarin", "MorvaneX");
    for (const auto& [key, value] : values) store.setValue("Settings/" + key, value);
}

QVariant Stored(const char* key) {
    return QSettings("Pelvarin", "MorvaneX").value(QStringLiteral("Settings/") + key);
}

// Opens the options from the menu; `act` runs on the open dialog and ends it.
void RunOptions(test::WindowFixture& shell, std::function<void(QDialog*)> act) {
    bool ran = false;
    test::OnNextModal([&](QWidget* modal) {
        auto* dialog = qobject_cast<QDialog*>(modal);
        ASSERT_NE(dialog, nullptr);
        act(dialog);
        ran = true;
        if (dialog->isVisible()) dialog->reject();
    });
    shell.frame->findChild<QAction*>("actionOptions")->trigger();
    EXPECT_TRUE(ran);
}

template <class Widget>
Widget* In(QDialog* dialog, const char* name) {
    return test::Find<Widget>(*dialog, name);
}

void Click(QDialog* dialog, const char* name) {
    if (auto* button = In<QAbstractButton>(dialog, name)) button->click();
}

struct InitCase {
    const char* name;
    Prefs stored;
    // Widget name → "on"/"off" (checked) and "+"/"-" (enabled).
    std::vector<std::pair<const char*, const char*>> expected;
};

const InitCase kInitCases[] = {
    {"wizard/zero",
     {{"StartWizardAtAppStart", 0}},
     {{"startWizardCheck", "off"}, {"wizardTypeRadio", "on-"}, {"wizardAllOptionsRadio", "off-"}}},
    {"wizard/three",
     {{"StartWizardAtAppStart", 3}},
     {{"startWizardCheck", "on"}, {"wizardAllOptionsRadio", "on+"}, {"wizardTypeRadio", "off+"}}},
    {"wizard/out-of-range",
     {{"StartWizardAtAppStart", 7}},
     {{"startWizardCheck", "on"}, {"wizardTypeRadio", "on+"}}},
    {"side/two",
     {{"SettingViewerMoveSwitch", 2}},
     {{"followFrameCheck", "on"}, {"leftSideRadio", "on+"}, {"rightSideRadio", "off+"}}},
    {"side/zero",
     {{"SettingViewerMoveSwitch", 0}},
     {{"followFrameCheck", "off"}, {"rightSideRadio", "on-"}}},
    {"copies/inverted",
     {{"UndoFlag", 0}, {"CheckRemovableFlag", 0}, {"DAndDListClear", 1}, {"FolderTreeSync", 0}},
     {{"undoOffCheck", "on"},
      {"noVolumeCheck", "on"},
      {"clearDropListCheck", "on"},
      {"syncFolderTreeCheck", "off"}}},
    {"auto-load/off",
     {{"AppExecWithOpenMVXFlag", 0}, {"AppExecWithOpenMVXFilePath", "/jobs/a.mvx"}},
     {{"autoLoadCheck", "off"}, {"browseButton", "-"}, {"autoLoadPathField", "-"}}},
    {"auto-load/on",
     {{"AppExecWithOpenMVXFlag", 1}},
     {{"autoLoadCheck", "on"}, {"browseButton", "+"}, {"autoLoadPathField", "+"}}},
};

class EnvironmentOptionsInit : public testing::TestWithParam<InitCase> {};

TEST_P(EnvironmentOptionsInit, ControlsFollowThePreferencesAndTheDocumentCopies) {
    Store(GetParam().stored);
    test::WindowFixture shell(test::RecordingPages().KeepingPreferences());
    const InitCase& param = GetParam();
    RunOptions(shell, [&param](QDialog* dialog) {
        for (const auto& [name, state] : param.expected) {
            auto* widget = In<QWidget>(dialog, name);
            if (widget == nullptr) continue;
            const QString expected = QString::fromLatin1(state);
            if (expected.startsWith("on") || expected.startsWith("off")) {
                auto* button = qobject_cast<QAbstractButton*>(widget);
                ASSERT_NE(button, nullptr) << name;
                EXPECT_EQ(button->isChecked(), expected.startsWith("on")) << name;
            }
            if (expected.endsWith('+') || expected.endsWith('-')) {
                EXPECT_EQ(widget->isEnabled(), expected.endsWith('+')) << name;
            }
        }
    });
}

std::string RowName(const char* name) {
    std::string text = name;
    for (char& c : text) {
        if (c == '/' || c == '-') c = '_';
    }
    return text;
}

INSTANTIATE_TEST_SUITE_P(Rows, EnvironmentOptionsInit, testing::ValuesIn(kInitCases),
                         [](const auto& row) { return RowName(row.param.name); });

struct OkCase {
    const char* name;
    Prefs stored;
    std::function<void(QDialog*)> change;
    Prefs expected;
};

const OkCase kOkCases[] = {
    {"wizard/zero-written-again",
     {{"StartWizardAtAppStart", 0}},
     [](QDialog*) {},
     {{"StartWizardAtAppStart", 0}}},
    {"wizard/ticked-all-options",
     {{"StartWizardAtAppStart", 0}},
     [](QDialog* d) {
         Click(d, "startWizardCheck");
         Click(d, "wizardAllOptionsRadio");
     },
     {{"StartWizardAtAppStart", 3}}},
    {"wizard/unticked",
     {{"StartWizardAtAppStart", 2}},
     [](QDialog* d) { Click(d, "startWizardCheck"); },
     {{"StartWizardAtAppStart", 0}}},
    {"side/left",
     {{"SettingViewerMoveSwitch", 0}},
     [](QDialog* d) {
         Click(d, "followFrameCheck");
         Click(d, "leftSideRadio");
     },
     {{"SettingViewerMoveSwitch", 2}}},
    {"side/unticked-keeps-no-side",
     {{"SettingViewerMoveSwitch", 2}},
     [](QDialog* d) { Click(d, "followFrameCheck"); },
     {{"SettingViewerMoveSwitch", 0}}},
    {"auto-load/unticked-still-writes-path",
     {{"AppExecWithOpenMVXFlag", 1}, {"AppExecWithOpenMVXFilePath", "/jobs/a.mvx"}},
     [](QDialog* d) { Click(d, "autoLoadCheck"); },
     {{"AppExecWithOpenMVXFlag", 0}, {"AppExecWithOpenMVXFilePath", "/jobs/a.mvx"}}},
    {"auto-load/typed-path",
     {{"AppExecWithOpenMVXFlag", 0}},
     [](QDialog* d) {
         Click(d, "autoLoadCheck");
         In<QLineEdit>(d, "autoLoadPathField")->setText(test::U("/ジョブ/b.mvx"));
     },
     {{"AppExecWithOpenMVXFlag", 1}, {"AppExecWithOpenMVXFilePath", test::U("/ジョブ/b.mvx")}}},
};

class EnvironmentOptionsOk : public testing::TestWithParam<OkCase> {};

TEST_P(EnvironmentOptionsOk, WritesThePreferences) {
    Store(GetParam().stored);
    test::WindowFixture shell(test::RecordingPages().KeepingPreferences());
    const OkCase& param = GetParam();
    RunOptions(shell, [&param](QDialog* dialog) {
        param.change(dialog);
        Click(dialog, "okButton");
        EXPECT_EQ(dialog->result(), QDialog::Accepted);
    });
    for (const auto& [key, value] : GetParam().expected) {
        EXPECT_EQ(Stored(key.toLatin1().constData()).toString(), value.toString())
            << key.toStdString();
    }
    if (GetParam().expected.count("SettingViewerMoveSwitch") != 0) {
        EXPECT_EQ(shell.frame->MoveSwitch(),
                  GetParam().expected.at("SettingViewerMoveSwitch").toInt());
    }
}

INSTANTIATE_TEST_SUITE_P(Rows, EnvironmentOptionsOk, testing::ValuesIn(kOkCases),
                         [](const auto& row) { return RowName(row.param.name); });

struct CopiesCase {
    const char* name;
    const char* check;
    settings::PreferenceCopies expected;
    bool undoButtonEnabled;
};

const CopiesCase kCopiesCases[] = {
    {"undo/disabled-at-once", "undoOffCheck", {1, 0, 1, 0, 0}, false},
    {"volume/not-checked", "noVolumeCheck", {1, 1, 0, 0, 0}, true},
    {"drop-list/cleared", "clearDropListCheck", {1, 1, 1, 1, 0}, true},
    {"folder-tree/synced", "syncFolderTreeCheck", {1, 1, 1, 0, 1}, true},
};

class EnvironmentOptionsCopies : public testing::TestWithParam<CopiesCase> {};

TEST_P(EnvironmentOptionsCopies, OkChangesTheDocumentCopiesOnly) {
    test::WindowFixture shell(test::RecordingPages());
    ASSERT_TRUE(shell.View().UndoButton()->isEnabled());
    bool undoWhileOpen = true;
    const char* check = GetParam().check;
    RunOptions(shell, [&](QDialog* dialog) {
        Click(dialog, check);
        Click(dialog, "okButton");
        undoWhileOpen = shell.View().UndoButton()->isEnabled();
    });
    EXPECT_EQ(shell.Settings().Preferences, GetParam().expected);
    EXPECT_EQ(undoWhileOpen, GetParam().undoButtonEnabled);
    EXPECT_EQ(shell.View().UndoButton()->isEnabled(), GetParam().undoButtonEnabled);
    // The copies reach the store only when the document goes.
    EXPECT_FALSE(Stored("DAndDListClear").isValid() && Stored("DAndDListClear").toInt() == 1);
}

INSTANTIATE_TEST_SUITE_P(Rows, EnvironmentOptionsCopies, testing::ValuesIn(kCopiesCases),
                         [](const auto& row) { return RowName(row.param.name); });

TEST(EnvironmentOptions, CancelWritesNothingButKeepsTheDockingMove) {
    Store({{"SettingViewerMoveSwitch", 1}, {"StartWizardAtAppStart", 1}});
    test::WindowFixture shell(test::RecordingPages().KeepingPreferences());
    shell.frame->move(500, 100);
    shell.frame->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(shell.frame.get()));
    shell.frame->findChild<QAction*>("actionSettingsList")->trigger();
    dialogs::SettingsListDialog* list = shell.frame->SettingsList();
    ASSERT_NE(list, nullptr);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(list));
    const settings::PreferenceCopies copies = shell.Settings().Preferences;
    RunOptions(shell, [](QDialog* dialog) {
        Click(dialog, "leftSideRadio");
        Click(dialog, "undoOffCheck");
        Click(dialog, "startWizardCheck");
        Click(dialog, "cancelButton");
        EXPECT_EQ(dialog->result(), QDialog::Rejected);
    });
    const QRect frame = shell.frame->frameGeometry();
    const auto rightEdge = [list] {
        return list->frameGeometry().left() + list->frameGeometry().width();
    };
    EXPECT_TRUE(QTest::qWaitFor([&] { return rightEdge() == frame.left(); }))
        << "the list's right edge " << rightEdge() << ", the frame's left edge " << frame.left();
    EXPECT_EQ(Stored("SettingViewerMoveSwitch").toInt(), 1);
    EXPECT_EQ(Stored("StartWizardAtAppStart").toInt(), 1);
    EXPECT_EQ(shell.frame->MoveSwitch(), 1);
    EXPECT_EQ(shell.Settings().Preferences, copies);
    EXPECT_TRUE(shell.View().UndoButton()->isEnabled());
}

struct BrowseCase {
    const char* name;
    bool choose;
};

class EnvironmentOptionsBrowse : public testing::TestWithParam<BrowseCase> {};

TEST_P(EnvironmentOptionsBrowse, PutsTheChosenFileIntoThePathField) {
    Store({{"AppExecWithOpenMVXFlag", 1}, {"AppExecWithOpenMVXFilePath", "/old.mvx"}});
    test::WindowFixture shell(test::RecordingPages().KeepingPreferences());
    const QString chosen = QString::fromStdString(shell.folder.CreateFile("job.mvx", "x"));
    QString shown;
    QStringList filters;
    const bool choose = GetParam().choose;
    RunOptions(shell, [&](QDialog* dialog) {
        test::OnNextModal([&](QWidget* modal) {
            if (auto* files = qobject_cast<QFileDialog*>(modal)) filters = files->nameFilters();
            test::AnswerFileDialog(modal, choose ? chosen : QString());
        });
        Click(dialog, "browseButton");
        shown = In<QLineEdit>(dialog, "autoLoadPathField")->text();
    });
    EXPECT_EQ(shown, GetParam().choose ? chosen : QStringLiteral("/old.mvx"));
    EXPECT_EQ(filters, (QStringList{"MorvaneX Setting Files (*.mvx)", "All Files (*.*)"}));
    // The dialog ended with Cancel: nothing was written.
    EXPECT_EQ(Stored("AppExecWithOpenMVXFilePath").toString(), QStringLiteral("/old.mvx"));
}

INSTANTIATE_TEST_SUITE_P(Rows, EnvironmentOptionsBrowse,
                         testing::Values(BrowseCase{"browse/chosen", true},
                                         BrowseCase{"browse/cancelled", false}),
                         [](const auto& row) { return RowName(row.param.name); });

}  // namespace
}  // namespace morvanex::shell
