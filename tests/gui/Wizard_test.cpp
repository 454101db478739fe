#include <gtest/gtest.h>

#include <QCheckBox>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QPushButton>
#include <QTest>
#include <filesystem>

#include <QCoreApplication>
#include <QEvent>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <optional>
#include <string>
#include "dialogs/SettingsListDialog.h"
#include "gui/GuiTestSupport.h"
#include "platform/Codepage.h"
#include "shell/FrameWizard.h"
#include "wizard/WizardDriver.h"
#include "wizard/WizardFlow.h"
#include "wizard/WizardHost.h"
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
    void StartRun(bool preview, std::function<void()> done) override {
        runs.push_back(preview);
        if (done) done();
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

class WizardPagesTest : public testing::Test, protected test::WindowFixture {
  protected:
    WizardPagesTest() : WindowFixture(test::InMemory()), driver(Context(), host) {}
    ~WizardPagesTest() override {
        driver.End();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    wizard::WizardPage& Current() {
        wizard::WizardPage* page = driver.CurrentPage();
        EXPECT_NE(page, nullptr);
        return *page;
    }
    template <class Widget>
    Widget* Control(const char* name) {
        return test::Find<Widget>(Current(), name);
    }
    void Click(const char* name) { Control<QAbstractButton>(name)->click(); }
    void Type(const char* edit, const char* text) {
        Control<QLineEdit>(edit)->setText(test::U(text));
    }

    // The task selection page, as after a wizard run of the given kind.
    void OpenTaskSelection(int taskKind) {
        driver.SetTaskKind(taskKind);
        driver.Start(2);
        ASSERT_EQ(Current().Kind(), Kind::TaskSelection);
    }
    // The page of a template task, reached from the target folder page.
    void OpenTaskPage(int taskKind) {
        driver.SetTaskKind(taskKind);
        Settings().CopyToDir.EnableCopy = 0;
        driver.Transition(Kind::TargetFolder, Button::Next);
        ASSERT_TRUE(driver.IsRunning());
    }

    // Every visible part, distinct from every registered pattern; the Exif fallbacks too.
    void MarkParts() {
        for (int slot = 0; slot < settings::kPartSlots; ++slot) {
            settings::PartSlot& part =
                Settings().RenameOption.Parts[static_cast<std::size_t>(slot)];
            part = settings::PartSlot{9, "old" + std::to_string(slot), 7, 5, 2, 4, 1};
        }
    }

    RecordingHost host;
    wizard::WizardDriver driver;
};

// The driver on the pages' fixture, with pages of its own: plain ones, or none for some kinds.
class WizardDriverTest : public WizardPagesTest {
  protected:
    // Pages of the kinds in `failing` cannot be made.
    wizard::WizardDriver& Driver(std::vector<Kind> failing = {}) {
        m_driver = std::make_unique<wizard::WizardDriver>(
            Context(), m_host,
            [failing](Kind kind, wizard::WizardDriver& owner) -> wizard::WizardPage* {
                if (std::find(failing.begin(), failing.end(), kind) != failing.end())
                    return nullptr;
                return new PlainPage(owner, kind);
            });
        return *m_driver;
    }

    RecordingHost& m_host = host;
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
        wizard::WizardDriver& tested = Driver(row.failing);
        tested.Start(3);
        ASSERT_EQ(tested.IsRunning(), !row.startFails);
        if (!row.startFails) tested.Transition(Kind::FileSelection, Button::Back);
        EXPECT_FALSE(tested.IsRunning());
        EXPECT_EQ(tested.PageOf(Kind::FileSelection), nullptr);
        EXPECT_EQ(m_host.ended, 1);
    }
}

TEST_F(WizardDriverTest, OnePageAtATimeAndTheListIsRefreshedAfterEachStep) {
    wizard::WizardDriver& tested = Driver();
    tested.Start(2);
    ASSERT_NE(tested.PageOf(Kind::TaskSelection), nullptr);
    tested.Transition(Kind::TaskSelection, Button::Back);
    EXPECT_EQ(tested.PageOf(Kind::TaskSelection), nullptr);
    ASSERT_NE(tested.CurrentPage(), nullptr);
    EXPECT_EQ(tested.CurrentPage()->Kind(), Kind::Welcome);
    EXPECT_EQ(m_host.refreshes, 1);
    tested.Transition(Kind::Welcome, Button::AllOptionsFlow);
    EXPECT_EQ(tested.TaskKind(), wizard::kTaskAllOptions);
    tested.Transition(Kind::OperationSelection, Button::Back);
    tested.Transition(Kind::Welcome, Button::TemplateFlow);
    EXPECT_EQ(tested.TaskKind(), wizard::kTaskSequence);
    // A new start keeps the task kind of the last run of the wizard.
    tested.SetTaskKind(3);
    tested.End();
    tested.Start(1);
    EXPECT_EQ(tested.TaskKind(), 3);
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
        wizard::WizardDriver& tested = Driver();
        tested.Start(1);
        wizard::WizardPage* page = tested.CurrentPage();
        ASSERT_NE(page, nullptr);
        row.act(page);
        EXPECT_FALSE(tested.IsRunning());
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
    const struct {
        const char* name;
        int mode;  // the start mode, and the preference after the run
        Kind casePage;
        Kind restart;
        const char* restartRadio;  // checked on the page of the restart; nullptr: none to see
    } rows[] = {
        {"all_options", 3, Kind::AllLetterCase, Kind::FileSelection, nullptr},
        {"template_letter_case", 2, Kind::LetterCase, Kind::TaskSelection, "letterCaseTaskRadio"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        m_shell.folder.CreateFile("data/a.txt");
        m_shell.preferences.SetStartWizardAtAppStart(row.mode);
        Settings().TimeStampOption.EnableTimeStamp = 0;
        Settings().RenameOption.EnableRename = 0;
        Settings().LetterChangeOption.EnableLetterChange = 1;
        Driver().SetTaskKind(wizard::kTaskLetterCase);
        m_shell.frame->StartWizard(row.mode);
        for (int step = 0; step < 4 && CurrentKind() != row.casePage; ++step) Click("nextButton");
        ASSERT_EQ(CurrentKind(), row.casePage);
        Click("allUpperRadio");
        Click("nextButton");
        ASSERT_EQ(CurrentKind(), Kind::Final);

        Click("previewButton");
        ASSERT_TRUE(m_shell.WaitForWork());
        EXPECT_EQ(CurrentKind(), Kind::Final);
        m_shell.interaction.answers = {false};
        Click("runButton");
        EXPECT_EQ(CurrentKind(), Kind::Final);
        EXPECT_TRUE(m_shell.folder.Exists("data/a.txt")) << "neither preview nor No renames";

        m_shell.interaction.answers = {true, true};
        const std::size_t listsBefore = m_shell.interaction.resultLists.size();
        Click("runButton");
        ASSERT_TRUE(m_shell.WaitForWork());
        EXPECT_EQ(test::Utf8(m_shell.interaction.questions.back()),
                  "リネームを開始します。\nよろしいですか？(最終確認です)");
        EXPECT_TRUE(m_shell.folder.Exists("data/A.TXT"));
        EXPECT_EQ(m_shell.interaction.resultLists.size(), listsBefore + 1) << "the result is shown";
        EXPECT_EQ(Settings().CommonOption.ViewDetailResult, 0);
        ASSERT_EQ(CurrentKind(), row.restart);
        if (row.restartRadio != nullptr) {
            EXPECT_TRUE(test::Find<QAbstractButton>(*Page(), row.restartRadio)->isChecked());
        }
        EXPECT_FALSE(m_shell.frame->isEnabled());
        Click("closeButton");
        std::filesystem::remove(m_shell.folder / "data/A.TXT");
    }
}

TEST_F(WizardFlowsTest, EndingKeepsWhatTheWizardSetAndTheViewShowsIt) {
    const struct {
        const char* name;
        int mode;
        Kind casePage;
        const char* radio;
        int changeMode;
    } rows[] = {
        {"all_options_page", 3, Kind::AllLetterCase, "allLowerRadio", 1},
        {"template_task_page", 2, Kind::LetterCase, "extensionLowerRadio", 6},
    };
    m_shell.View().SelectPage(1005);
    m_shell.frame->ToggleSettingsList();
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        Settings().LetterChangeOption.EnableLetterChange = 1;
        Settings().RenameOption.EnableRename = 0;
        Driver().SetTaskKind(wizard::kTaskLetterCase);
        m_shell.frame->StartWizard(row.mode);
        for (int step = 0; step < 4 && CurrentKind() != row.casePage; ++step) Click("nextButton");
        ASSERT_EQ(CurrentKind(), row.casePage);
        // The settings list stays usable beside the wizard; its page buttons leave the view alone.
        ASSERT_NE(m_shell.frame->SettingsList(), nullptr);
        EXPECT_TRUE(m_shell.frame->SettingsList()->isEnabled());
        emit m_shell.frame->SettingsList()->PageRequested(1000);
        EXPECT_EQ(m_shell.View().CurrentItemData(), 1005);
        Click(row.radio);
        EXPECT_FALSE(m_shell.frame->close()) << "the window is disabled while the wizard runs";
        Click("closeButton");
        EXPECT_EQ(Settings().LetterChangeOption.EnableLetterChange, 1);
        EXPECT_EQ(Settings().LetterChangeOption.ChangeMode, row.changeMode);
        EXPECT_TRUE(m_shell.frame->isEnabled());
        EXPECT_TRUE(test::Find<QAbstractButton>(m_shell.View(), row.radio)->isChecked());
    }
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
        Click(CurrentKind() == Kind::Welcome ? "endWizardButton" : "closeButton");
        ASSERT_FALSE(Driver().IsRunning());
    }
}

}  // namespace

// ---- The template flow's own pages: what each shows and stores, the live previews ------------

namespace wizard {
namespace {

using settings::PartSlot;
using settings::RenameSettings;
using test::Find;
using test::U;

std::string Sjis(const char* utf8) {
    return platform::Sjis(utf8);
}

// --- Task selection -----------------------------------------------------------------------

struct TaskStoreRow {
    const char* name;
    const char* radio;  // nullptr: none chosen
    bool copy;
    bool dropSelect;
    int taskKind;
    int enableRename;
    int enableLetterChange;
    int enableAttribute;
    int pattern;  // the registered pattern in the visible parts, -1: they stay
};

const TaskStoreRow kTaskStoreRows[] = {
    {"store/sequence", "sequenceTaskRadio", true, false, 0, 1, 0, 0, 0},
    {"store/folder_sequence", "folderSequenceTaskRadio", false, true, 1, 1, 0, 0, 1},
    {"store/letter_case", "letterCaseTaskRadio", true, true, 2, 0, 1, 0, -1},
    {"store/extension", "extensionTaskRadio", false, false, 3, 1, 0, 0, 2},
    {"store/attributes", "attributeTaskRadio", false, true, 4, 0, 0, 1, -1},
    {"store/none_chosen", nullptr, true, true, 100, 0, 0, 0, -1},
};

TEST_F(WizardPagesTest, TaskSelectionStoresWhatTheChosenTaskNeeds) {
    for (const TaskStoreRow& row : kTaskStoreRows) {
        SCOPED_TRACE(row.name);
        RenameSettings& record = Settings();
        record.SelectFile.FreeFileSelect = 0;
        record.CopyToDir.EnableCopy = 0;
        record.RenameOption.EnableRename = 0;
        record.RenameOption.EnableDigitChange = 1;
        record.LetterChangeOption.EnableLetterChange = 1;
        record.AttributeOption.EnableAttribute = 1;
        record.StringChangeOption.EnableStringChange = 1;
        record.TimeStampOption.EnableTimeStamp = 1;
        record.RenameOption.SelectedRenamePattern = 5;
        MarkParts();
        const RenameSettings before = record;

        OpenTaskSelection(kTaskAllOptions);
        if (row.radio != nullptr) Click(row.radio);
        Control<QCheckBox>("copyCheck")->setChecked(row.copy);
        Control<QCheckBox>("dropSelectCheck")->setChecked(row.dropSelect);
        // Back stores too, and leads to the welcome page whatever was chosen.
        Click("backButton");
        EXPECT_EQ(Current().Kind(), PageKind::Welcome);
        EXPECT_EQ(driver.TaskKind(), row.taskKind);

        if (row.radio == nullptr) {
            EXPECT_TRUE(record.SamePersistentFields(before));
            continue;
        }
        EXPECT_EQ(record.RenameOption.EnableRename, row.enableRename);
        EXPECT_EQ(record.LetterChangeOption.EnableLetterChange, row.enableLetterChange);
        EXPECT_EQ(record.AttributeOption.EnableAttribute, row.enableAttribute);
        EXPECT_EQ(record.RenameOption.EnableDigitChange, 0);
        EXPECT_EQ(record.TimeStampOption.EnableTimeStamp, 0);
        EXPECT_EQ(record.StringChangeOption.EnableStringChange, 1);
        EXPECT_EQ(record.CopyToDir.EnableCopy, row.copy ? 1 : 0);
        EXPECT_EQ(record.SelectFile.FreeFileSelect, row.dropSelect ? 1 : 0);
        EXPECT_EQ(record.RenameOption.SelectedRenamePattern, row.pattern >= 0 ? row.pattern : 5);
        for (std::size_t slot = 0; slot < settings::kPartSlots; ++slot) {
            SCOPED_TRACE(slot);
            const PartSlot& part = record.RenameOption.Parts[slot];
            PartSlot expected = before.RenameOption.Parts[slot];
            if (row.pattern >= 0 && slot < settings::kVisibleParts) {
                const settings::RegisteredPattern& pattern =
                    record.RegisteredPatterns[static_cast<std::size_t>(row.pattern)];
                expected.SelectedPart = pattern.SelectedPart[slot];
                expected.StrPart = pattern.StrPart[slot];
                expected.DigitNum = pattern.DigitNum[slot];
                expected.SkipNum = pattern.SkipNum[slot];
            }
            EXPECT_EQ(part, expected);
        }
    }
}

struct TaskLoadRow {
    const char* name;
    int taskKind;
    int enableCopy;
    int freeFileSelect;
    const char* checkedRadio;     // nullptr: none
    const char* descriptionPart;  // a piece of the description shown
};

const TaskLoadRow kTaskLoadRows[] = {
    {"load/sequence", 0, 0, 0, "sequenceTaskRadio", "「指定文字列＋連番.拡張子」"},
    {"load/folder_sequence_copy", 1, 1, 0, "folderSequenceTaskRadio",
     "「フォルダ名＋連番.拡張子」"},
    {"load/letter_case_dropped", 2, 0, 1, "letterCaseTaskRadio", "大文字、または小文字に統一"},
    {"load/extension", 3, 1, 1, "extensionTaskRadio", "拡張子を統一します"},
    {"load/attributes", 4, 0, 0, "attributeTaskRadio", "属性を統一します"},
    {"load/after_all_options", 100, 1, 0, nullptr, "選択してください"},
};

TEST_F(WizardPagesTest, TaskSelectionShowsTheLastTaskAndTheTwoSwitches) {
    const char* const radios[] = {"sequenceTaskRadio", "folderSequenceTaskRadio",
                                  "letterCaseTaskRadio", "extensionTaskRadio",
                                  "attributeTaskRadio"};
    for (const TaskLoadRow& row : kTaskLoadRows) {
        SCOPED_TRACE(row.name);
        Settings().CopyToDir.EnableCopy = row.enableCopy;
        Settings().SelectFile.FreeFileSelect = row.freeFileSelect;
        OpenTaskSelection(row.taskKind);
        for (const char* radio : radios) {
            const bool chosen =
                row.checkedRadio != nullptr && std::string(radio) == row.checkedRadio;
            EXPECT_EQ(Control<QRadioButton>(radio)->isChecked(), chosen) << radio;
        }
        EXPECT_TRUE(
            Control<QLabel>("taskDescriptionText")->text().contains(U(row.descriptionPart)));
        EXPECT_EQ(Control<QCheckBox>("copyCheck")->isChecked(), row.enableCopy != 0);
        EXPECT_EQ(Control<QCheckBox>("dropSelectCheck")->isChecked(), row.freeFileSelect != 0);
    }
}

// With no task chosen (after an all-options run) the page stores nothing, yet its box still says
// where the files come from. Where a chosen task leads is the flows' business (above).
TEST_F(WizardPagesTest, WithNoTaskChosenNextFollowsTheDropBoxAndStoresNothing) {
    const struct {
        const char* name;
        bool dropSelect;
        int storedFreeFileSelect;
        PageKind next;
    } rows[] = {
        {"dropped", true, 0, PageKind::DroppedFiles},
        {"folder", false, 1, PageKind::TargetFolder},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        Settings().SelectFile.FreeFileSelect = row.storedFreeFileSelect;
        OpenTaskSelection(kTaskAllOptions);
        Control<QCheckBox>("dropSelectCheck")->setChecked(row.dropSelect);
        Click("nextButton");
        ASSERT_TRUE(driver.IsRunning());
        EXPECT_EQ(Current().Kind(), row.next);
        EXPECT_EQ(Settings().SelectFile.FreeFileSelect, row.storedFreeFileSelect);
        // The embedded settings page stores itself as it goes: before the next row sets up.
        driver.End();
    }
}

// --- Welcome -------------------------------------------------------------------------------

struct WelcomeCheckRow {
    const char* name;
    std::optional<int> stored;  // nothing: the preference is missing
    bool checked;
    int afterClick;
};

const WelcomeCheckRow kWelcomeCheckRows[] = {
    {"start/missing_means_on", std::nullopt, true, 0},
    {"start/off", 0, false, 1},
    {"start/on", 1, true, 0},
    {"start/task_selection_mode", 2, true, 0},
};

TEST_F(WizardPagesTest, WelcomeCheckBoxWritesTheStartPreferenceAtOnce) {
    for (const WelcomeCheckRow& row : kWelcomeCheckRows) {
        SCOPED_TRACE(row.name);
        test::ClearPreferences();
        if (row.stored) preferences.SetStartWizardAtAppStart(*row.stored);
        driver.Start(0);
        ASSERT_EQ(Current().Kind(), PageKind::Welcome);
        auto* check = Control<QCheckBox>("startAtLaunchCheck");
        EXPECT_EQ(check->isChecked(), row.checked);
        check->click();
        EXPECT_EQ(preferences.StoredStartWizardAtAppStart(), row.afterClick);
        check->click();
        EXPECT_EQ(preferences.StoredStartWizardAtAppStart(), row.afterClick == 0 ? 1 : 0);
    }
}

// --- Letter case ---------------------------------------------------------------------------

struct CaseModeRow {
    const char* name;
    int loaded;         // ChangeMode when the page opens
    const char* radio;  // the radio it selects
    int stored;         // ChangeMode after the page stored it
};

const CaseModeRow kCaseModeRows[] = {
    {"mode/0_all_upper", 0, "allUpperRadio", 0},
    {"mode/1_all_lower", 1, "allLowerRadio", 1},
    {"mode/2_capitalise_is_last", 2, "capitaliseRadio", 2},
    {"mode/3_name_upper", 3, "nameUpperRadio", 3},
    {"mode/4_name_lower", 4, "nameLowerRadio", 4},
    {"mode/5_extension_upper", 5, "extensionUpperRadio", 5},
    {"mode/6_extension_lower", 6, "extensionLowerRadio", 6},
    {"mode/7_unknown_is_first", 7, "allUpperRadio", 0},
    {"mode/negative_is_first", -1, "allUpperRadio", 0},
};

TEST_F(WizardPagesTest, CaseRadiosStandForTheirModesBothWays) {
    for (const CaseModeRow& row : kCaseModeRows) {
        SCOPED_TRACE(row.name);
        Settings().LetterChangeOption.ChangeMode = row.loaded;
        OpenTaskPage(kTaskLetterCase);
        ASSERT_EQ(Current().Kind(), PageKind::LetterCase);
        EXPECT_TRUE(Control<QRadioButton>(row.radio)->isChecked());
        Click("backButton");
        EXPECT_EQ(Settings().LetterChangeOption.ChangeMode, row.stored);

        // The other way: a click on the radio stores its mode.
        Settings().LetterChangeOption.ChangeMode = row.stored == 1 ? 3 : 1;
        OpenTaskPage(kTaskLetterCase);
        Click(row.radio);
        Click("closeButton");
        EXPECT_EQ(Settings().LetterChangeOption.ChangeMode, row.stored);
    }
}

struct YesNoRow {
    const char* name;
    PageKind page;
    int taskKind;
    int includeSubDir;
    int dirRename;
    int freeFileSelect;
};

const YesNoRow kYesNoRows[] = {
    {"case/both_yes", PageKind::LetterCase, kTaskLetterCase, 1, 1, 0},
    {"case/both_no", PageKind::LetterCase, kTaskLetterCase, 0, 0, 0},
    {"case/mixed_dropped", PageKind::LetterCase, kTaskLetterCase, 1, 0, 1},
    {"extension/yes", PageKind::Extension, kTaskExtension, 1, 0, 0},
    {"extension/no_dropped", PageKind::Extension, kTaskExtension, 0, 1, 1},
};

TEST_F(WizardPagesTest, YesNoRadiosShowStoreAndLockWithDroppedFiles) {
    for (const YesNoRow& row : kYesNoRows) {
        SCOPED_TRACE(row.name);
        const bool caseChoice = row.page == PageKind::LetterCase;
        Settings().SelectFile.IncludeSubDir = row.includeSubDir;
        Settings().CommonOption.DirRename = row.dirRename;
        Settings().SelectFile.FreeFileSelect = row.freeFileSelect;
        OpenTaskPage(row.taskKind);
        ASSERT_EQ(Current().Kind(), row.page);

        const bool enabled = row.freeFileSelect == 0;
        auto* subYes = Control<QRadioButton>("subfolderYesRadio");
        auto* subNo = Control<QRadioButton>("subfolderNoRadio");
        EXPECT_EQ(subYes->isChecked(), row.includeSubDir != 0);
        EXPECT_EQ(subNo->isChecked(), row.includeSubDir == 0);
        EXPECT_EQ(subYes->isEnabled(), enabled);
        EXPECT_EQ(subNo->isEnabled(), enabled);
        if (caseChoice) {
            auto* dirYes = Control<QRadioButton>("folderNameYesRadio");
            auto* dirNo = Control<QRadioButton>("folderNameNoRadio");
            EXPECT_EQ(dirYes->isChecked(), row.dirRename != 0);
            EXPECT_EQ(dirYes->isEnabled(), enabled);
            EXPECT_EQ(dirNo->isEnabled(), enabled);
            if (enabled) (row.dirRename != 0 ? dirNo : dirYes)->click();
        } else {
            EXPECT_EQ(Current().findChild<QRadioButton*>("folderNameYesRadio"), nullptr);
        }
        if (enabled) (row.includeSubDir != 0 ? subNo : subYes)->click();
        Click("closeButton");

        const int flip = enabled ? 1 : 0;
        EXPECT_EQ(Settings().SelectFile.IncludeSubDir, row.includeSubDir ^ flip);
        EXPECT_EQ(Settings().CommonOption.DirRename,
                  caseChoice ? row.dirRename ^ flip : row.dirRename);
    }
}

// --- Sequence settings -----------------------------------------------------------------------

// The registered pattern of a numbering task, as the task selection leaves it.
void UsePattern(RenameSettings& record, std::size_t pattern) {
    const settings::RegisteredPattern& preset = record.RegisteredPatterns[pattern];
    for (std::size_t slot = 0; slot < settings::kVisibleParts; ++slot) {
        PartSlot& part = record.RenameOption.Parts[slot];
        part.SelectedPart = preset.SelectedPart[slot];
        part.StrPart = preset.StrPart[slot];
        part.DigitNum = preset.DigitNum[slot];
        part.SkipNum = preset.SkipNum[slot];
    }
}

const PartSlot& Part(const RenameSettings& record, std::size_t slot) {
    return record.RenameOption.Parts[slot];
}

struct SequenceRow {
    const char* name;
    int taskKind;
    // Done in this order; nullptr: not done.
    const char* firstClick;
    const char* edit;
    const char* text;
    const char* lastClick;
    // The one visible part that changes, as it is after the change (its text in UTF-8).
    std::size_t slot;
    int type;
    const char* strPart;
    int digits;
    int skip;
    const char* preview;
};

const SequenceRow kSequenceRows[] = {
    {"text/plain_is_part_0", kTaskSequence, nullptr, "stringEdit", "写真_", nullptr, 0, 1, "写真_",
     3, 1, "写真_001.(元拡張子)"},
    {"text/folder_is_part_1", kTaskFolderSequence, nullptr, "stringEdit", "-", nullptr, 1, 1, "-",
     3, 1, "(フォルダ名)-001.(元拡張子)"},
    {"start/number_text", kTaskSequence, nullptr, "startEdit", "25", nullptr, 2, 6, "25", 3, 1,
     "025.(元拡張子)"},
    {"skip/integer_value", kTaskSequence, nullptr, "skipEdit", " 12x", nullptr, 2, 6, "1", 3, 12,
     "001.(元拡張子)"},
    {"skip/no_number_is_0", kTaskSequence, nullptr, "skipEdit", "abc", nullptr, 2, 6, "1", 3, 0,
     "001.(元拡張子)"},
    {"digits/five", kTaskSequence, "digitRadio5", nullptr, nullptr, nullptr, 2, 6, "1", 5, 1,
     "00001.(元拡張子)"},
    {"digits/unspecified", kTaskFolderSequence, "digitRadio0", nullptr, nullptr, nullptr, 2, 6, "1",
     0, 1, "(フォルダ名)1.(元拡張子)"},
    {"extension/new", kTaskSequence, "newExtensionRadio", "newExtensionEdit", "jpg", nullptr, 5, 1,
     "jpg", 3, 1, "001.jpg"},
    {"extension/new_then_kept", kTaskSequence, "newExtensionRadio", "newExtensionEdit", "txt",
     "keepExtensionRadio", 5, 3, "txt", 3, 1, "001.(元拡張子)"},
};

TEST_F(WizardPagesTest, SequenceControlsStoreIntoTheirPartsAndThePreviewFollows) {
    for (const SequenceRow& row : kSequenceRows) {
        SCOPED_TRACE(row.name);
        UsePattern(Settings(), static_cast<std::size_t>(row.taskKind));
        const RenameSettings before = Settings();
        OpenTaskPage(row.taskKind);
        ASSERT_EQ(Current().Kind(), PageKind::SequenceSettings);
        if (row.firstClick != nullptr) Click(row.firstClick);
        if (row.edit != nullptr) Type(row.edit, row.text);
        if (row.lastClick != nullptr) Click(row.lastClick);
        // Stored with the change, before any button, and into that part alone.
        const PartSlot changed{row.type, Sjis(row.strPart), row.digits, row.skip};
        for (std::size_t slot = 0; slot < settings::kVisibleParts; ++slot) {
            EXPECT_EQ(Part(Settings(), slot), slot == row.slot ? changed : Part(before, slot))
                << slot;
        }
        EXPECT_EQ(Control<QLineEdit>("previewEdit")->text(), U(row.preview));
        EXPECT_EQ(Control<QLineEdit>("newExtensionEdit")->isEnabled(),
                  Part(Settings(), 5).SelectedPart == settings::kPartFixedText);
        Click("closeButton");
    }
}

struct SequenceLoadRow {
    const char* name;
    int taskKind;
    const char* text;  // part 0 or 1, by the kind
    const char* start;
    int digits;
    int skip;
    int extensionType;
    const char* extension;
    const char* digitRadio;  // nullptr: none
    bool newExtension;
    const char* preview;
};

const SequenceLoadRow kSequenceLoadRows[] = {
    {"load/plain", kTaskSequence, "IMG_", "7", 4, 3, 3, "", "digitRadio4", false,
     "IMG_0007.(元拡張子)"},
    {"load/folder_new_extension", kTaskFolderSequence, "_", "10", 0, 2, 1, "png", "digitRadio0",
     true, "(フォルダ名)_10.png"},
    // A part type other than the extension counts as a new extension.
    {"load/extension_none_type", kTaskSequence, "a", "1", 8, 1, 0, "x", "digitRadio8", true,
     "a00000001."},
    // A digit count without a radio: none is selected, and the stored value stays.
    {"load/digit_count_out_of_range", kTaskSequence, "b", "3", 12, 1, 3, "", nullptr, false,
     "b3.(元拡張子)"},
};

TEST_F(WizardPagesTest, SequenceLoadShowsThePartsAndRendersWithoutStoring) {
    for (const SequenceLoadRow& row : kSequenceLoadRows) {
        SCOPED_TRACE(row.name);
        UsePattern(Settings(), static_cast<std::size_t>(row.taskKind));
        auto& parts = Settings().RenameOption.Parts;
        parts[row.taskKind == kTaskFolderSequence ? 1 : 0].StrPart = row.text;
        parts[2] = PartSlot{settings::kPartSequence, row.start, row.digits, row.skip};
        parts[5] = PartSlot{row.extensionType, row.extension, 3, 1};
        const RenameSettings before = Settings();

        OpenTaskPage(row.taskKind);
        ASSERT_EQ(Current().Kind(), PageKind::SequenceSettings);
        EXPECT_EQ(Control<QLineEdit>("stringEdit")->text(), U(row.text));
        EXPECT_EQ(Control<QLineEdit>("startEdit")->text(), U(row.start));
        EXPECT_EQ(Control<QLineEdit>("skipEdit")->text(), QString::number(row.skip));
        for (int digits = 0; digits <= 8; ++digits) {
            const QString name = QStringLiteral("digitRadio%1").arg(digits);
            const bool chosen = row.digitRadio != nullptr && name == QLatin1String(row.digitRadio);
            EXPECT_EQ(Find<QRadioButton>(&Current(), name)->isChecked(), chosen) << digits;
        }
        EXPECT_EQ(Control<QRadioButton>("newExtensionRadio")->isChecked(), row.newExtension);
        EXPECT_EQ(Control<QRadioButton>("keepExtensionRadio")->isChecked(), !row.newExtension);
        EXPECT_EQ(Control<QLineEdit>("newExtensionEdit")->isEnabled(), row.newExtension);
        EXPECT_EQ(Control<QLineEdit>("newExtensionEdit")->text(), U(row.extension));
        EXPECT_EQ(Control<QLineEdit>("previewEdit")->text(), U(row.preview));
        // Filling the controls one by one stored nothing half-filled.
        EXPECT_TRUE(Settings().SamePersistentFields(before));

        // A button stores what the page shows: the parts come back as they were loaded, the
        // digit count without a radio included; the extension radio names its part type.
        Click("closeButton");
        PartSlot extension = before.RenameOption.Parts[5];
        extension.SelectedPart =
            row.newExtension ? settings::kPartFixedText : settings::kPartExtension;
        for (std::size_t slot = 0; slot < settings::kVisibleParts; ++slot) {
            EXPECT_EQ(parts[slot], slot == 5 ? extension : before.RenameOption.Parts[slot]) << slot;
        }
    }
}

// --- Extension ------------------------------------------------------------------------------

TEST_F(WizardPagesTest, ExtensionTaskTypedExtensionIsStoredAndPreviewed) {
    MarkParts();
    OpenTaskSelection(kTaskSequence);
    Click("extensionTaskRadio");
    Click("nextButton");
    ASSERT_EQ(Current().Kind(), PageKind::TargetFolder);
    Click("nextButton");
    ASSERT_EQ(Current().Kind(), PageKind::Extension);
    // The pattern of the task is in place, its extension still empty.
    EXPECT_EQ(Control<QLineEdit>("extensionEdit")->text(), QString());
    EXPECT_EQ(Control<QLineEdit>("previewEdit")->text(), U("(元ファイル名)."));

    QTest::keyClicks(Control<QLineEdit>("extensionEdit"), QStringLiteral("jpg"));
    EXPECT_EQ(Part(Settings(), 4).StrPart, "jpg");
    EXPECT_EQ(Control<QLineEdit>("previewEdit")->text(), U("(元ファイル名).jpg"));

    Click("nextButton");
    EXPECT_EQ(Current().Kind(), PageKind::Final);
    EXPECT_EQ(Part(Settings(), 4).StrPart, "jpg");
}

}  // namespace
}  // namespace wizard
}  // namespace morvanex
