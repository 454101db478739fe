#include <gtest/gtest.h>

#include <QCheckBox>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QPushButton>
#include <QTest>

#include "gui/GuiTestSupport.h"
#include "shell/FrameWizard.h"
#include "wizard/WizardFlow.h"
#include "wizard/WizardPage.h"

namespace morvanex {
namespace {

using wizard::FlowState;
using wizard::PageKind;
using wizard::WizardButton;
using Button = WizardButton;
using Kind = PageKind;

// ---- The flow between the pages --------------------------------------------------------------

TEST(WizardFlowTest, EveryPageAndButtonLeadsWhereTheFlowSays) {
    constexpr int all = wizard::kTaskAllOptions;
    const struct {
        const char* name;
        Kind from;
        Button button;
        FlowState state;
        std::optional<Kind> to;  // nothing: the wizard ends
    } rows[] = {
        {"welcome/template", Kind::Welcome, Button::TemplateFlow, {}, Kind::TaskSelection},
        {"welcome/all_options",
         Kind::Welcome,
         Button::AllOptionsFlow,
         {},
         Kind::OperationSelection},
        {"welcome/close", Kind::Welcome, Button::Close, {}, std::nullopt},
        {"task/next_folder", Kind::TaskSelection, Button::Next, {}, Kind::TargetFolder},
        {"task/next_dropped",
         Kind::TaskSelection,
         Button::Next,
         {.freeSelect = true},
         Kind::DroppedFiles},
        {"task/back", Kind::TaskSelection, Button::Back, {}, Kind::Welcome},
        {"folder/next_copy",
         Kind::TargetFolder,
         Button::Next,
         {.taskKind = 2, .copy = true},
         Kind::CopyDestination},
        {"folder/next_task0",
         Kind::TargetFolder,
         Button::Next,
         {.taskKind = 0},
         Kind::SequenceSettings},
        {"folder/next_task1",
         Kind::TargetFolder,
         Button::Next,
         {.taskKind = 1},
         Kind::SequenceSettings},
        {"dropped/next_task2", Kind::DroppedFiles, Button::Next, {.taskKind = 2}, Kind::LetterCase},
        {"dropped/next_task3", Kind::DroppedFiles, Button::Next, {.taskKind = 3}, Kind::Extension},
        {"folder/next_task4", Kind::TargetFolder, Button::Next, {.taskKind = 4}, Kind::Attributes},
        {"folder/next_no_task", Kind::TargetFolder, Button::Next, {.taskKind = all}, std::nullopt},
        {"folder/back_task",
         Kind::TargetFolder,
         Button::Back,
         {.taskKind = 4},
         Kind::TaskSelection},
        {"dropped/back_no_task", Kind::DroppedFiles, Button::Back, {.taskKind = all}, std::nullopt},
        {"copy/next_task3",
         Kind::CopyDestination,
         Button::Next,
         {.taskKind = 3, .copy = true},
         Kind::Extension},
        {"copy/next_no_task", Kind::CopyDestination, Button::Next, {.taskKind = 7}, std::nullopt},
        {"copy/back_dropped",
         Kind::CopyDestination,
         Button::Back,
         {.freeSelect = true},
         Kind::DroppedFiles},
        {"copy/back_folder", Kind::CopyDestination, Button::Back, {}, Kind::TargetFolder},
        {"sequence/next", Kind::SequenceSettings, Button::Next, {}, Kind::Final},
        {"extension/next", Kind::Extension, Button::Next, {.taskKind = 3}, Kind::Final},
        {"letter/back_copy",
         Kind::LetterCase,
         Button::Back,
         {.taskKind = 2, .copy = true, .freeSelect = true},
         Kind::CopyDestination},
        {"extension/back_dropped",
         Kind::Extension,
         Button::Back,
         {.freeSelect = true},
         Kind::DroppedFiles},
        {"attributes/back_folder",
         Kind::Attributes,
         Button::Back,
         {.taskKind = 4},
         Kind::TargetFolder},
        {"final/back_task0", Kind::Final, Button::Back, {.taskKind = 0}, Kind::SequenceSettings},
        {"final/back_task2", Kind::Final, Button::Back, {.taskKind = 2}, Kind::LetterCase},
        {"final/back_task4", Kind::Final, Button::Back, {.taskKind = 4}, Kind::Attributes},
        {"final/back_all_timestamp",
         Kind::Final,
         Button::Back,
         {.taskKind = all, .rename = true, .timeStamp = true},
         Kind::TimeStamp},
        {"final/back_all_replace",
         Kind::Final,
         Button::Back,
         {.taskKind = all, .copy = true, .stringReplace = true},
         Kind::StringReplace},
        {"final/back_all_copy_only",
         Kind::Final,
         Button::Back,
         {.taskKind = all, .copy = true},
         Kind::AllCopyDestination},
        {"final/back_all_nothing",
         Kind::Final,
         Button::Back,
         {.taskKind = all},
         Kind::FileSelection},
        {"final/close", Kind::Final, Button::Close, {.taskKind = 0}, std::nullopt},
        {"operations/next", Kind::OperationSelection, Button::Next, {}, Kind::CommonOptions},
        {"operations/back", Kind::OperationSelection, Button::Back, {}, Kind::Welcome},
        {"common/next", Kind::CommonOptions, Button::Next, {}, Kind::FileSelection},
        {"common/back", Kind::CommonOptions, Button::Back, {}, Kind::OperationSelection},
        {"files/next_copy",
         Kind::FileSelection,
         Button::Next,
         {.copy = true, .rename = true},
         Kind::AllCopyDestination},
        {"files/next_rename", Kind::FileSelection, Button::Next, {.rename = true}, Kind::Rename},
        {"files/next_attributes",
         Kind::FileSelection,
         Button::Next,
         {.attributes = true},
         Kind::AllAttributes},
        {"files/next_nothing", Kind::FileSelection, Button::Next, {}, Kind::Final},
        {"files/back", Kind::FileSelection, Button::Back, {.copy = true}, Kind::CommonOptions},
        {"all_copy/next_letter",
         Kind::AllCopyDestination,
         Button::Next,
         {.copy = true, .letterCase = true},
         Kind::AllLetterCase},
        {"all_copy/back",
         Kind::AllCopyDestination,
         Button::Back,
         {.copy = true},
         Kind::FileSelection},
        {"rename/next_timestamp",
         Kind::Rename,
         Button::Next,
         {.rename = true, .timeStamp = true},
         Kind::TimeStamp},
        {"rename/back_copy",
         Kind::Rename,
         Button::Back,
         {.copy = true, .rename = true},
         Kind::AllCopyDestination},
        {"rename/back_files", Kind::Rename, Button::Back, {.rename = true}, Kind::FileSelection},
        {"letter/next_replace",
         Kind::AllLetterCase,
         Button::Next,
         {.letterCase = true, .stringReplace = true},
         Kind::StringReplace},
        {"letter/back_rename", Kind::AllLetterCase, Button::Back, {.rename = true}, Kind::Rename},
        {"replace/next_attributes",
         Kind::StringReplace,
         Button::Next,
         {.attributes = true},
         Kind::AllAttributes},
        {"replace/back_letter",
         Kind::StringReplace,
         Button::Back,
         {.letterCase = true},
         Kind::AllLetterCase},
        {"attributes/next_final", Kind::AllAttributes, Button::Next, {.copy = true}, Kind::Final},
        {"attributes/back_files",
         Kind::AllAttributes,
         Button::Back,
         {.timeStamp = true},
         Kind::FileSelection},
        {"timestamp/next", Kind::TimeStamp, Button::Next, {.timeStamp = true}, Kind::Final},
        {"timestamp/back_attributes",
         Kind::TimeStamp,
         Button::Back,
         {.rename = true, .attributes = true},
         Kind::AllAttributes},
        {"rename/close", Kind::Rename, Button::Close, {.rename = true}, std::nullopt},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(wizard::NextPage(row.from, row.button, row.state), row.to);
    }
    for (const auto& [mode, page] :
         {std::pair{0, Kind::Welcome}, std::pair{1, Kind::Welcome},
          std::pair{2, Kind::TaskSelection}, std::pair{3, Kind::FileSelection},
          std::pair{9999, Kind::Welcome}}) {
        EXPECT_EQ(wizard::StartPage(mode), page) << "mode " << mode;
    }
}

// ---- The driver ------------------------------------------------------------------------------

// Records what the driver asked of the window.
class RecordingHost final : public wizard::WizardHost {
  public:
    QWidget* PageParent() override { return nullptr; }
    engine::RunOutcome StartRun(bool preview) override {
        runs.push_back(preview);
        return {};
    }
    void WizardEnded() override { ++ended; }
    void RefreshSettingsList() override { ++refreshes; }
    void ShowHelp(int context) override { help.push_back(context); }

    std::vector<bool> runs;
    int ended = 0;
    int refreshes = 0;
    std::vector<int> help;
};

class PlainPage final : public wizard::WizardPage {
  public:
    PlainPage(wizard::WizardDriver& driver, PageKind kind) : WizardPage(driver, kind, "page") {
        AddNavigation();
    }
};

class WizardDriverTest : public testing::Test {
  protected:
    // Pages of the kinds in `failing` cannot be made.
    wizard::WizardDriver& Driver(std::vector<Kind> failing = {}) {
        m_driver = std::make_unique<wizard::WizardDriver>(
            m_shell.Context(), m_host,
            [failing](Kind kind, wizard::WizardDriver& driver) -> wizard::WizardPage* {
                if (std::find(failing.begin(), failing.end(), kind) != failing.end())
                    return nullptr;
                return new PlainPage(driver, kind);
            });
        return *m_driver;
    }

    test::WindowFixture m_shell{test::InMemory()};
    RecordingHost m_host;
    std::unique_ptr<wizard::WizardDriver> m_driver;
};

TEST_F(WizardDriverTest, APageThatCannotBeMadeEndsTheWizardAndNoPageStays) {
    const struct {
        const char* name;
        std::vector<Kind> failing;
        bool startFails;
    } rows[] = {
        {"at_start", {Kind::FileSelection}, true},
        {"on_the_way", {Kind::CommonOptions}, false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        m_host.ended = 0;
        wizard::WizardDriver& driver = Driver(row.failing);
        driver.Start(3);
        ASSERT_EQ(driver.IsRunning(), !row.startFails);
        if (!row.startFails) driver.Transition(Kind::FileSelection, Button::Back);
        EXPECT_FALSE(driver.IsRunning());
        EXPECT_EQ(driver.PageOf(Kind::FileSelection), nullptr);
        EXPECT_EQ(m_host.ended, 1);
    }
}

TEST_F(WizardDriverTest, OnePageAtATimeAndTheListIsRefreshedAfterEachStep) {
    wizard::WizardDriver& driver = Driver();
    driver.Start(2);
    ASSERT_NE(driver.PageOf(Kind::TaskSelection), nullptr);
    driver.Transition(Kind::TaskSelection, Button::Back);
    EXPECT_EQ(driver.PageOf(Kind::TaskSelection), nullptr);
    ASSERT_NE(driver.CurrentPage(), nullptr);
    EXPECT_EQ(driver.CurrentPage()->Kind(), Kind::Welcome);
    EXPECT_EQ(m_host.refreshes, 1);
    driver.Transition(Kind::Welcome, Button::AllOptionsFlow);
    EXPECT_EQ(driver.TaskKind(), wizard::kTaskAllOptions);
    driver.Transition(Kind::OperationSelection, Button::Back);
    driver.Transition(Kind::Welcome, Button::TemplateFlow);
    EXPECT_EQ(driver.TaskKind(), wizard::kTaskSequence);
    // A new start keeps the task kind of the last run of the wizard.
    driver.SetTaskKind(3);
    driver.End();
    driver.Start(1);
    EXPECT_EQ(driver.TaskKind(), 3);
    EXPECT_EQ(m_host.ended, 1);
}

TEST_F(WizardDriverTest, EscEnterAndTheCloseRequestAreCloseNeverAVanishingPage) {
    const struct {
        const char* name;
        std::function<void(QWidget*)> act;
    } rows[] = {
        {"escape", [](QWidget* page) { QTest::keyClick(page, Qt::Key_Escape); }},
        {"enter", [](QWidget* page) { QTest::keyClick(page, Qt::Key_Return); }},
        {"close_request", [](QWidget* page) { page->close(); }},
        {"close_button",
         [](QWidget* page) { test::Find<QPushButton>(*page, "closeButton")->click(); }},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        m_host.ended = 0;
        wizard::WizardDriver& driver = Driver();
        driver.Start(1);
        wizard::WizardPage* page = driver.CurrentPage();
        ASSERT_NE(page, nullptr);
        row.act(page);
        EXPECT_FALSE(driver.IsRunning());
        EXPECT_EQ(m_host.ended, 1);
    }
}

// ---- The wizard in front of the main window, with the program's pages ------------------------

class WizardFlowsTest : public testing::Test {
  protected:
    WizardFlowsTest() {
        m_shell.folder.CreateFile("data/a.txt");
        m_shell.folder.CreateFile("data/b.txt");
        Settings().SelectFile.FullPath = m_shell.Root() + "data/";
        Settings().CopyToDir.FullPath = m_shell.Root() + "vol/";
    }

    static test::WindowSetup WithPages() {
        test::WindowSetup setup = test::OnTempDrives();
        setup.fillTabs = true;
        return setup;
    }
    settings::RenameSettings& Settings() const { return m_shell.Settings(); }
    wizard::WizardDriver& Driver() const { return m_shell.frame->Wizard().Driver(); }
    wizard::WizardPage* Page() const { return Driver().CurrentPage(); }
    std::optional<Kind> CurrentKind() const {
        return Page() != nullptr ? std::optional<Kind>(Page()->Kind()) : std::nullopt;
    }
    void Click(const char* name) const {
        ASSERT_NE(Page(), nullptr);
        QAbstractButton* button = test::Find<QAbstractButton>(*Page(), name);
        ASSERT_NE(button, nullptr);
        button->click();
    }
    // Ticks exactly the named boxes of the operation selection page.
    void TickOperations(const std::vector<std::string>& names) const {
        for (QCheckBox* box : Page()->findChildren<QCheckBox*>()) {
            box->setChecked(std::find(names.begin(), names.end(),
                                      box->objectName().toStdString()) != names.end());
        }
    }
    // From the file selection page of a start in mode 3 back to the operation selection.
    void OpenOperationSelection() const {
        m_shell.frame->StartWizard(3);
        Click("backButton");
        Click("backButton");
        ASSERT_EQ(CurrentKind(), Kind::OperationSelection);
    }

    test::WindowFixture m_shell{WithPages()};
};

TEST_F(WizardFlowsTest, TheAllOptionsFlowShowsThePagesOfTheTickedOperationsBothWays) {
    const struct {
        const char* name;
        std::vector<std::string> ticked;
        std::vector<std::pair<const char*, Kind>> steps;  // the button, the page it opens
    } rows[] = {
        {"rename_and_timestamp",
         {"renameCheck", "timeStampCheck"},
         {{"nextButton", Kind::CommonOptions},
          {"nextButton", Kind::FileSelection},
          {"nextButton", Kind::Rename},
          {"nextButton", Kind::TimeStamp},
          {"nextButton", Kind::Final},
          {"backButton", Kind::TimeStamp},
          {"backButton", Kind::Rename},
          {"backButton", Kind::FileSelection}}},
        {"copy_letter_case_attributes",
         {"copyCheck", "letterCaseCheck", "attributeCheck"},
         {{"nextButton", Kind::CommonOptions},
          {"nextButton", Kind::FileSelection},
          {"nextButton", Kind::AllCopyDestination},
          {"nextButton", Kind::AllLetterCase},
          {"nextButton", Kind::AllAttributes},
          {"nextButton", Kind::Final}}},
        {"replace_only_and_back_to_the_start",
         {"stringReplaceCheck"},
         {{"nextButton", Kind::CommonOptions},
          {"nextButton", Kind::FileSelection},
          {"nextButton", Kind::StringReplace},
          {"backButton", Kind::FileSelection},
          {"backButton", Kind::CommonOptions},
          {"backButton", Kind::OperationSelection}}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        OpenOperationSelection();
        TickOperations(row.ticked);
        for (const auto& [button, kind] : row.steps) {
            SCOPED_TRACE(button);
            Click(button);
            ASSERT_EQ(CurrentKind(), kind);
            // The wizard decides which operations run: the pages' own switches are hidden.
            if (pages::Page* embedded = Page()->Embedded()) {
                QWidget* own = embedded->OperationSwitch();
                EXPECT_TRUE(own == nullptr || own->isHidden());
            }
        }
        EXPECT_FALSE(m_shell.frame->isEnabled());
        Click("closeButton");
        EXPECT_FALSE(Driver().IsRunning());
        EXPECT_TRUE(m_shell.frame->isEnabled());
    }
    EXPECT_EQ(Settings().StringChangeOption.EnableStringChange, 1);
    EXPECT_EQ(Settings().RenameOption.EnableRename, 0);
    EXPECT_EQ(Driver().TaskKind(), wizard::kTaskAllOptions);
}

TEST_F(WizardFlowsTest, NoFileOperationTickedRefusesToGoOnAndStoresNothing) {
    OpenOperationSelection();
    TickOperations({"copyCheck"});
    Click("nextButton");
    EXPECT_EQ(CurrentKind(), Kind::OperationSelection);
    ASSERT_EQ(m_shell.interaction.messages.size(), 1U);
    EXPECT_EQ(test::Utf8(m_shell.interaction.messages[0]),
              "「ファイルに対する処理」をひとつも選ばずに先に進むことはできません。\n"
              "最低でも1つの処理を有効にしてください。");
    EXPECT_EQ(Settings().CopyToDir.EnableCopy, 0);
    EXPECT_EQ(Settings().RenameOption.EnableRename, 1);
}

TEST_F(WizardFlowsTest, TheFileSelectionSwitchesBetweenTheFolderAndTheDroppedFiles) {
    m_shell.frame->StartWizard(3);
    ASSERT_EQ(CurrentKind(), Kind::FileSelection);
    ASSERT_EQ(Page()->Embedded()->PageId(), 2000);
    const struct {
        bool freeSelect;
        int pageId;
    } rows[] = {{true, 2010}, {false, 2000}, {true, 2010}};
    for (const auto& row : rows) {
        Click("dropSwitchCheck");
        EXPECT_EQ(Settings().SelectFile.FreeFileSelect, row.freeSelect ? 1 : 0);
        ASSERT_EQ(Page()->Embedded()->PageId(), row.pageId);
        QWidget* own = Page()->Embedded()->OperationSwitch();
        EXPECT_TRUE(own == nullptr || own->isHidden());
    }
    // Ticked, the free list is what the job works on, and its own switch says so.
    EXPECT_TRUE(static_cast<QCheckBox*>(Page()->Embedded()->OperationSwitch())->isChecked());
    Driver().SetTaskKind(wizard::kTaskSequence);
    Settings().TimeStampOption.EnableTimeStamp = 1;
    Click("nextButton");
    EXPECT_EQ(Driver().TaskKind(), wizard::kTaskAllOptions);
}

TEST_F(WizardFlowsTest, TheFinalPageRunsAfterItsQuestionShowingTheResultAndStartsAgain) {
    m_shell.preferences.SetStartWizardAtAppStart(3);
    Settings().TimeStampOption.EnableTimeStamp = 0;
    Settings().RenameOption.EnableRename = 0;
    Settings().LetterChangeOption.EnableLetterChange = 1;
    Settings().LetterChangeOption.ChangeMode = 0;  // upper case
    m_shell.frame->StartWizard(3);
    Click("nextButton");
    Click("nextButton");
    ASSERT_EQ(CurrentKind(), Kind::Final);

    Click("previewButton");
    EXPECT_EQ(CurrentKind(), Kind::Final);
    EXPECT_TRUE(m_shell.folder.Exists("data/a.txt"));

    m_shell.interaction.answers = {false};
    Click("runButton");
    EXPECT_EQ(CurrentKind(), Kind::Final);
    EXPECT_TRUE(m_shell.folder.Exists("data/a.txt"));

    m_shell.interaction.answers = {true, true};
    const std::size_t listsBefore = m_shell.interaction.resultLists.size();
    Click("runButton");
    EXPECT_EQ(test::Utf8(m_shell.interaction.questions.front()),
              "リネームを開始します。\nよろしいですか？(最終確認です)");
    EXPECT_TRUE(m_shell.folder.Exists("data/A.TXT"));
    EXPECT_EQ(m_shell.interaction.resultLists.size(), listsBefore + 1) << "the result is shown";
    EXPECT_EQ(Settings().CommonOption.ViewDetailResult, 0);
    EXPECT_EQ(CurrentKind(), Kind::FileSelection);
    EXPECT_FALSE(m_shell.frame->isEnabled());
}

TEST_F(WizardFlowsTest, EndingShowsTheSettingsInTheViewAndTheWindowWaitsForTheWizard) {
    m_shell.View().SelectPage(1005);
    Settings().LetterChangeOption.EnableLetterChange = 1;
    Settings().RenameOption.EnableRename = 0;
    m_shell.frame->StartWizard(3);
    Click("nextButton");
    ASSERT_EQ(CurrentKind(), Kind::AllLetterCase);
    test::Find<QAbstractButton>(*Page(), "allLowerRadio")->click();
    EXPECT_FALSE(m_shell.frame->close()) << "the window is disabled while the wizard runs";
    Click("closeButton");
    EXPECT_EQ(Settings().LetterChangeOption.ChangeMode, 1);
    EXPECT_TRUE(m_shell.frame->isEnabled());
    EXPECT_TRUE(test::Find<QAbstractButton>(m_shell.View(), "allLowerRadio")->isChecked());
}

TEST_F(WizardFlowsTest, TheTemplateTasksLeadFromTheWelcomeToTheFinalPageAndBack) {
    const struct {
        const char* name;
        const char* task;
        std::vector<const char*> boxes;  // ticked on the task selection page
        std::vector<std::pair<const char*, Kind>> steps;
    } rows[] = {
        {"sequence_with_copy",
         "sequenceTaskRadio",
         {"copyCheck"},
         {{"nextButton", Kind::TargetFolder},
          {"nextButton", Kind::CopyDestination},
          {"nextButton", Kind::SequenceSettings},
          {"nextButton", Kind::Final},
          {"backButton", Kind::SequenceSettings},
          {"backButton", Kind::CopyDestination}}},
        {"letter_case_with_dropped_files",
         "letterCaseTaskRadio",
         {"dropSelectCheck"},
         {{"nextButton", Kind::DroppedFiles},
          {"nextButton", Kind::LetterCase},
          {"nextButton", Kind::Final},
          {"backButton", Kind::LetterCase}}},
        {"attributes",
         "attributeTaskRadio",
         {},
         {{"nextButton", Kind::TargetFolder},
          {"nextButton", Kind::Attributes},
          {"backButton", Kind::TargetFolder},
          {"backButton", Kind::TaskSelection},
          {"backButton", Kind::Welcome}}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        m_shell.frame->StartWizard(1);
        ASSERT_EQ(CurrentKind(), Kind::Welcome);
        Click("templateFlowButton");
        ASSERT_EQ(CurrentKind(), Kind::TaskSelection);
        Click(row.task);
        for (QCheckBox* box : Page()->findChildren<QCheckBox*>()) {
            box->setChecked(std::find_if(row.boxes.begin(), row.boxes.end(), [box](const char* n) {
                                return box->objectName() == QLatin1String(n);
                            }) != row.boxes.end());
        }
        for (const auto& [button, kind] : row.steps) {
            SCOPED_TRACE(button);
            Click(button);
            ASSERT_EQ(CurrentKind(), kind);
        }
        if (CurrentKind() == Kind::LetterCase) {
            // With dropped files there are no subfolders to ask about.
            for (const char* name : {"subfolderYesRadio", "subfolderNoRadio", "folderNameYesRadio",
                                     "folderNameNoRadio"}) {
                EXPECT_FALSE(test::Find<QAbstractButton>(*Page(), name)->isEnabled()) << name;
            }
        }
        Click(CurrentKind() == Kind::Welcome ? "endWizardButton" : "closeButton");
        ASSERT_FALSE(Driver().IsRunning());
    }
}

TEST_F(WizardFlowsTest, ClosingOnTheLetterCasePageKeepsItsChoiceInTheMainWindow) {
    m_shell.View().SelectPage(1005);
    Driver().SetTaskKind(wizard::kTaskLetterCase);
    m_shell.frame->StartWizard(2);
    Click("nextButton");
    Click("nextButton");
    ASSERT_EQ(CurrentKind(), Kind::LetterCase);
    Click("extensionLowerRadio");
    Click("closeButton");
    EXPECT_EQ(Settings().LetterChangeOption.EnableLetterChange, 1);
    EXPECT_EQ(Settings().LetterChangeOption.ChangeMode, 6);
    EXPECT_TRUE(m_shell.frame->isEnabled());
    EXPECT_TRUE(test::Find<QAbstractButton>(m_shell.View(), "extensionLowerRadio")->isChecked());
}

TEST_F(WizardFlowsTest, AfterARunTheTaskSelectionOpensAgainWithTheTaskThatWasUsed) {
    m_shell.preferences.SetStartWizardAtAppStart(2);
    Driver().SetTaskKind(wizard::kTaskLetterCase);
    m_shell.frame->StartWizard(2);
    Click("nextButton");
    Click("nextButton");
    Click("allUpperRadio");
    Click("nextButton");
    ASSERT_EQ(CurrentKind(), Kind::Final);
    m_shell.interaction.answers = {true, true};
    Click("runButton");
    EXPECT_TRUE(m_shell.folder.Exists("data/A.TXT"));
    ASSERT_EQ(CurrentKind(), Kind::TaskSelection);
    EXPECT_TRUE(test::Find<QAbstractButton>(*Page(), "letterCaseTaskRadio")->isChecked());
    EXPECT_FALSE(m_shell.frame->isEnabled());
}

}  // namespace
}  // namespace morvanex
