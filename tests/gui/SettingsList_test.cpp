#include <gtest/gtest.h>

#include <QAction>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>
#include <QTabWidget>
#include <QTest>

#include "dialogs/SettingsListDialog.h"
#include "gui/GuiTestSupport.h"
#include "shell/HelpWindow.h"
#include "widgets/FolderDropField.h"
#include "widgets/QtText.h"

namespace morvanex::shell {
namespace {

using test::U;

// gtest names allow letters, digits and '_' only: "group/case" becomes "group_case".
std::string RowName(const char* name) {
    std::string text = name;
    for (char& c : text) {
        if (c == '/' || c == '-') c = '_';
    }
    return text;
}

int StoredSettingViewer() {
    return QSettings("Pelvarin", "MorvaneX").value("Settings/SettingViewer", -1).toInt();
}

dialogs::SettingsListDialog* OpenList(test::WindowFixture& shell) {
    shell.frame->findChild<QAction*>("actionSettingsList")->trigger();
    return shell.frame->SettingsList();
}

QString FieldText(dialogs::SettingsListDialog* list, const char* name) {
    auto* field = test::Find<QLineEdit>(*list, name);
    return field != nullptr ? field->text() : QString();
}

struct FieldCase {
    const char* name;
    std::function<void(settings::RenameSettings&)> change;
    std::vector<std::pair<const char*, const char*>> fields;
};

// Each row changes the settings the pages would store, refreshes and reads the fields.
const FieldCase kFieldCases[] = {
    {"selection/free",
     [](settings::RenameSettings& s) {
         s.SelectFile.FreeFileSelect = 1;
         s.SelectFile.IncludeSubDir = 1;
     },
     {{"folderDropField", "ドラッグアンドドロップによる選択"},
      {"subfoldersField", "-------"},
      {"numberResetField", "-------"},
      {"foldersTooField", "-------"}}},
    {"selection/folder",
     [](settings::RenameSettings& s) {
         s.SelectFile.FullPath = "/data/photos/";
         s.SelectFile.IncludeSubDir = 1;
     },
     {{"folderDropField", "/data/photos/"}, {"subfoldersField", "対象"}}},
    {"rename/pattern",
     [](settings::RenameSettings& s) {
         s.RenameOption.EnableRename = 1;
         auto& parts = s.RenameOption.Parts;
         parts[0].SelectedPart = 1;
         parts[0].StrPart = "IMG_";
         parts[1].SelectedPart = 6;
         parts[1].StrPart = "1";
         parts[1].DigitNum = 4;
         parts[2].SelectedPart = 5;
         parts[3].SelectedPart = 3;
         for (std::size_t i = 4; i < 6; ++i) parts[i].SelectedPart = 0;
     },
     {{"renameField", "IMG_0001.(元拡張子)"}, {"foldersTooField", "-------"}}},
    {"attributes/unchanged",
     [](settings::RenameSettings& s) {
         s.AttributeOption.EnableAttribute = 1;
         s.AttributeOption.SelectedReadOnly = 0;
         s.AttributeOption.SelectedHidden = 2;
         s.AttributeOption.SelectedSystem = 0;
         s.AttributeOption.SelectedArchive = 1;
     },
     {{"attributesField", "R:*  H:-  S:*  A:+  "}}},
    {"replace/first-pair",
     [](settings::RenameSettings& s) {
         s.StringChangeOption.EnableStringChange = 1;
         s.StringChangeOption.ChangeBefore[0] = "old";
         s.StringChangeOption.ChangeAfter[0] = "new";
     },
     {{"replaceBeforeField", "old"}, {"replaceAfterField", "new"}}},
    {"logs/folder",
     [](settings::RenameSettings& s) {
         s.CommonOption.LogWrite = 1;
         s.CommonOption.LogWritePath = "/var/tmp/";
     },
     {{"logField", "記録"}, {"logFolderField", "/var/tmp/"}}},
};

class SettingsListFields : public testing::TestWithParam<FieldCase> {};

TEST_P(SettingsListFields, ShowTheSummaryOfTheStoredSettings) {
    test::WindowFixture shell(test::RecordingPages());
    dialogs::SettingsListDialog* list = OpenList(shell);
    ASSERT_NE(list, nullptr);
    GetParam().change(shell.Settings());
    shell.frame->RefreshSettingsList();
    for (const auto& [field, text] : GetParam().fields) {
        EXPECT_EQ(FieldText(list, field), U(text)) << field;
    }
}

INSTANTIATE_TEST_SUITE_P(Rows, SettingsListFields, testing::ValuesIn(kFieldCases),
                         [](const auto& row) { return RowName(row.param.name); });

TEST(SettingsList, LeavingAPageRefreshesTheListWithWhatThePageStored) {
    test::WindowFixture shell(test::RecordingPages());
    shell.Settings().RenameOption.EnableRename = 1;
    for (auto& part : shell.Settings().RenameOption.Parts) part.SelectedPart = 0;
    shell.Settings().RenameOption.Parts[0].SelectedPart = 1;
    dialogs::SettingsListDialog* list = OpenList(shell);
    shell.View().SelectPage(1004);
    auto* pattern = static_cast<test::RecordingPage<1004, 2030>*>(shell.View().CurrentPage());
    pattern->Edit()->setText("HOLIDAY_");
    EXPECT_NE(FieldText(list, "renameField"), U("HOLIDAY_"));
    shell.View().TabControl()->setCurrentIndex(5);
    EXPECT_EQ(FieldText(list, "renameField"), U("HOLIDAY_"));
}

struct ButtonCase {
    const char* name;
    const char* button;
    int freeSelection;
    int expectedItem;
};

// The recording table has pages behind 1000, 1002, 1004, 1005 and 1006; a button whose page
// does not exist leaves the current page alone.
const ButtonCase kButtonCases[] = {
    {"file-selection/folder", "fileSelectionButton", 0, 1000},
    {"file-selection/free-has-no-page", "fileSelectionButton", 1, 1006},
    {"copy-destination/page", "copyDestinationButton", 0, 1002},
    {"rename/page", "renameButton", 0, 1004},
    {"letter-case/page", "letterCaseButton", 0, 1005},
    {"options/no-page", "optionsButton", 0, 1006},
};

class SettingsListButtons : public testing::TestWithParam<ButtonCase> {};

TEST_P(SettingsListButtons, SelectTheirPageAfterTheLeftPageStored) {
    test::WindowFixture shell(test::RecordingPages());
    dialogs::SettingsListDialog* list = OpenList(shell);
    shell.View().SelectPage(1006);
    shell.Settings().SelectFile.FreeFileSelect = GetParam().freeSelection;
    test::PageLog().clear();
    test::Find<QPushButton>(*list, GetParam().button)->click();
    EXPECT_EQ(shell.View().CurrentItemData(), GetParam().expectedItem);
    if (GetParam().expectedItem != 1006) {
        ASSERT_FALSE(test::PageLog().empty());
        EXPECT_EQ(test::PageLog().front(), "Store 1006");
    }
}

INSTANTIATE_TEST_SUITE_P(Rows, SettingsListButtons, testing::ValuesIn(kButtonCases),
                         [](const auto& row) { return RowName(row.param.name); });

TEST(SettingsList, HelpButtonOpensItsTopic) {
    test::WindowFixture shell(test::RecordingPages());
    dialogs::SettingsListDialog* list = OpenList(shell);
    test::Find<QPushButton>(*list, "helpButton")->click();
    ASSERT_NE(shell.frame->Help(), nullptr);
    EXPECT_EQ(shell.frame->Help()->CurrentTopic(), 44);
}

struct CloseCase {
    const char* name;
    std::function<void(test::WindowFixture&, dialogs::SettingsListDialog*)> close;
    int expectedViewer;
};

const CloseCase kCloseCases[] = {
    {"close/button",
     [](test::WindowFixture&, dialogs::SettingsListDialog* list) {
         test::Find<QPushButton>(*list, "closeButton")->click();
     },
     0},
    {"close/escape",
     [](test::WindowFixture&, dialogs::SettingsListDialog* list) {
         QTest::keyClick(list, Qt::Key_Escape);
     },
     0},
    {"close/window-system",
     [](test::WindowFixture&, dialogs::SettingsListDialog* list) { list->close(); }, 0},
    {"close/menu-toggle",
     [](test::WindowFixture& shell, dialogs::SettingsListDialog*) {
         shell.frame->findChild<QAction*>("actionSettingsList")->trigger();
     },
     0},
    {"end/program-with-list-open",
     [](test::WindowFixture& shell, dialogs::SettingsListDialog*) {
         shell.frame->close();
         shell.frame.reset();
     },
     1},
};

class SettingsListClosing : public testing::TestWithParam<CloseCase> {};

TEST_P(SettingsListClosing, StoresWhetherItStaysOpenForTheNextStart) {
    test::WindowFixture shell(test::RecordingPages());
    shell.frame->show();
    dialogs::SettingsListDialog* list = OpenList(shell);
    ASSERT_NE(list, nullptr);
    EXPECT_TRUE(list->isVisible());
    EXPECT_EQ(StoredSettingViewer(), 1);
    EXPECT_TRUE(shell.frame->findChild<QAction*>("actionSettingsList")->isChecked());
    GetParam().close(shell, list);
    EXPECT_EQ(StoredSettingViewer(), GetParam().expectedViewer);
    if (shell.frame) {
        EXPECT_EQ(shell.frame->SettingsList(), nullptr);
        EXPECT_FALSE(shell.frame->findChild<QAction*>("actionSettingsList")->isChecked());
    }
}

INSTANTIATE_TEST_SUITE_P(Rows, SettingsListClosing, testing::ValuesIn(kCloseCases),
                         [](const auto& row) { return RowName(row.param.name); });

TEST(SettingsList, ReopensAtStartAndAResetClosesIt) {
    test::ClearPreferences();
    QSettings("Pelvarin", "MorvaneX").setValue("Settings/SettingViewer", 1);
    test::WindowFixture shell(test::RecordingPages().KeepingPreferences());
    ASSERT_NE(shell.frame->SettingsList(), nullptr);
    shell.frame->show();
    EXPECT_TRUE(shell.frame->SettingsList()->isVisible());
    shell.interaction.answers = {true};
    ASSERT_TRUE(shell.document->NewDocument());
    EXPECT_EQ(shell.frame->SettingsList(), nullptr);
    EXPECT_EQ(StoredSettingViewer(), 0);
}

struct DropCase {
    const char* name;
    int currentItem;
    bool withFolder;
    bool expectFolderPageShown;
};

const DropCase kDropCases[] = {
    {"folder/folder-page-current", 1000, true, true},
    {"folder/other-page-current", 1004, true, false},
    {"file-only/nothing-changes", 1000, false, false},
};

class SettingsListDrop : public testing::TestWithParam<DropCase> {};

TEST_P(SettingsListDrop, SelectsTheDroppedFolder) {
    test::WindowFixture shell(test::RecordingPages());
    shell.folder.CreateFolder("photos");
    shell.folder.CreateFile("note.txt", "x");
    shell.Settings().SelectFile.FreeFileSelect = 1;
    shell.Settings().SelectFile.FullPath = "/before/";
    dialogs::SettingsListDialog* list = OpenList(shell);
    shell.View().SelectPage(GetParam().currentItem);
    const QString copyBefore = FieldText(list, "copyDestinationField");
    shell.Settings().CopyToDir.EnableCopy = 1;
    test::PageLog().clear();

    QStringList dropped{widgets::ToHostPath(shell.Root() + "note.txt")};
    if (GetParam().withFolder) dropped << widgets::ToHostPath(shell.Root() + "photos");
    test::Find<widgets::FolderDropField>(*list, "folderDropField")->TakeDroppedPaths(dropped);

    const bool taken = GetParam().withFolder;
    EXPECT_EQ(shell.Settings().SelectFile.FreeFileSelect, taken ? 0 : 1);
    EXPECT_EQ(shell.Settings().SelectFile.FullPath, taken ? shell.Root() + "photos/" : "/before/");
    const bool shown = !test::PageLog().empty() && test::PageLog().back() == "Show 1000";
    EXPECT_EQ(shown, GetParam().expectFolderPageShown);
    // The other rows are not rebuilt by a drop.
    EXPECT_EQ(FieldText(list, "copyDestinationField"), copyBefore);
}

INSTANTIATE_TEST_SUITE_P(Rows, SettingsListDrop, testing::ValuesIn(kDropCases),
                         [](const auto& row) { return RowName(row.param.name); });

struct DockCase {
    const char* name;
    int moveSwitch;
    int dx;  // how far the frame moves to the right
    // Expected left edge of the list after the move, relative to the frame's new left edge
    // (width: the frame's width; -list: minus the list's width); nothing: it stays put.
    enum class Edge { FrameRight, ListLeftOfFrame, Stays } edge;
};

const DockCase kDockCases[] = {
    {"switch0/stays", 0, 100, DockCase::Edge::Stays},
    {"switch1/follows-right", 1, 100, DockCase::Edge::FrameRight},
    {"switch2/follows-left", 2, 100, DockCase::Edge::ListLeftOfFrame},
};

class SettingsListDocking : public testing::TestWithParam<DockCase> {};

TEST_P(SettingsListDocking, FollowsTheFrameByTheMoveSwitch) {
    test::ClearPreferences();
    QSettings("Pelvarin", "MorvaneX")
        .setValue("Settings/SettingViewerMoveSwitch", GetParam().moveSwitch);
    test::WindowFixture shell(test::RecordingPages().KeepingPreferences());
    // Far enough from the screen's left edge for the list to fit on the left.
    shell.frame->move(600, 120);
    shell.frame->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(shell.frame.get()));
    dialogs::SettingsListDialog* list = OpenList(shell);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(list));
    const QRect frame = shell.frame->frameGeometry();
    const QRect opened = list->frameGeometry();
    // Opening places it beside the frame: on the left only for switch 2.
    if (GetParam().moveSwitch == 2) {
        EXPECT_EQ(opened.left() + opened.width(), frame.left());
    } else {
        EXPECT_EQ(opened.left(), frame.left() + frame.width());
    }
    EXPECT_EQ(opened.top(), frame.top());

    // The frame places the list when it is told of its move, which the window system delivers.
    const test::EventCounter frameMoves(shell.frame.get(), QEvent::Move);
    shell.frame->move(shell.frame->x() + GetParam().dx, shell.frame->y());
    ASSERT_TRUE(QTest::qWaitFor([&frameMoves] { return frameMoves.Count() > 0; }));
    EXPECT_EQ(shell.frame->frameGeometry().left(), frame.left() + GetParam().dx);
    const QRect moved = list->frameGeometry();
    EXPECT_EQ(moved.size(), opened.size());
    switch (GetParam().edge) {
        case DockCase::Edge::Stays:
            EXPECT_EQ(moved.topLeft(), opened.topLeft());
            break;
        case DockCase::Edge::FrameRight:
            EXPECT_EQ(moved.left(), opened.left() + GetParam().dx);
            EXPECT_EQ(moved.left(), shell.frame->frameGeometry().left() + frame.width());
            break;
        case DockCase::Edge::ListLeftOfFrame:
            EXPECT_EQ(moved.left(), opened.left() + GetParam().dx);
            EXPECT_EQ(moved.left() + moved.width(), shell.frame->frameGeometry().left());
            break;
    }
}

INSTANTIATE_TEST_SUITE_P(Rows, SettingsListDocking, testing::ValuesIn(kDockCases),
                         [](const auto& row) { return RowName(row.param.name); });

}  // namespace
}  // namespace morvanex::shell
