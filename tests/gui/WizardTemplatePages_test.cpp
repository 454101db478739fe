#include <gtest/gtest.h>

#include <QCheckBox>
#include <QCoreApplication>
#include <QEvent>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QTest>
#include <optional>
#include <string>

#include "gui/GuiTestSupport.h"
#include "platform/Codepage.h"
#include "wizard/WizardDriver.h"
#include "wizard/WizardHost.h"
#include "wizard/WizardPage.h"

// The template flow's own pages: what each shows from the settings, what it stores, the live
// previews and where the task selection leads.
namespace morvanex::wizard {
namespace {

using settings::PartSlot;
using settings::RenameSettings;
using test::Find;
using test::U;

class FakeWizardHost final : public WizardHost {
  public:
    QWidget* PageParent() override { return nullptr; }
    engine::RunOutcome StartRun(bool /*preview*/) override { return {}; }
    void WizardEnded() override { ++ended; }
    void RefreshSettingsList() override {}
    void ShowHelp(int /*context*/) override {}

    int ended = 0;
};

// The program's pages, and a bare page for a kind the program makes elsewhere: the transitions
// these pages ask for then open something whatever exists of the rest of the wizard.
WizardPage* PageOrStandIn(PageKind kind, WizardDriver& driver) {
    if (WizardPage* page = CreateWizardPage(kind, driver)) return page;
    return new WizardPage(driver, kind, QString());
}

class WizardTemplatePagesTest : public testing::Test, protected test::WindowFixture {
  protected:
    WizardTemplatePagesTest()
        : WindowFixture(test::InMemory()), driver(Context(), host, &PageOrStandIn) {}
    ~WizardTemplatePagesTest() override {
        driver.End();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    WizardPage& Current() {
        WizardPage* page = driver.CurrentPage();
        EXPECT_NE(page, nullptr);
        return *page;
    }
    template <class Widget>
    Widget* Control(const char* name) {
        return Find<Widget>(Current(), name);
    }
    void Click(const char* name) { Control<QAbstractButton>(name)->click(); }
    void Type(const char* edit, const char* text) { Control<QLineEdit>(edit)->setText(U(text)); }

    // The task selection page, as after a wizard run of the given kind.
    void OpenTaskSelection(int taskKind) {
        driver.SetTaskKind(taskKind);
        driver.Start(2);
        ASSERT_EQ(Current().Kind(), PageKind::TaskSelection);
    }
    // The page of a template task, reached from the target folder page.
    void OpenTaskPage(int taskKind) {
        driver.SetTaskKind(taskKind);
        Settings().CopyToDir.EnableCopy = 0;
        driver.Transition(PageKind::TargetFolder, WizardButton::Next);
        ASSERT_TRUE(driver.IsRunning());
    }

    // Every visible part, distinct from every registered pattern; the Exif fallbacks too.
    void MarkParts() {
        for (int slot = 0; slot < settings::kPartSlots; ++slot) {
            PartSlot& part = Settings().RenameOption.Parts[static_cast<std::size_t>(slot)];
            part = PartSlot{9, "old" + std::to_string(slot), 7, 5, 2, 4, 1};
        }
    }

    FakeWizardHost host;
    WizardDriver driver;
};

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

TEST_F(WizardTemplatePagesTest, TaskSelectionStoresWhatTheChosenTaskNeeds) {
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

TEST_F(WizardTemplatePagesTest, TaskSelectionShowsTheLastTaskAndTheTwoSwitches) {
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

struct TaskNextRow {
    const char* name;
    const char* radio;  // nullptr: none chosen
    bool dropSelect;
    int storedFreeFileSelect;  // before the page opens
    PageKind next;
    int freeFileSelectAfter;
};

const TaskNextRow kTaskNextRows[] = {
    {"next/folder", "sequenceTaskRadio", false, 1, PageKind::TargetFolder, 0},
    {"next/dropped", "letterCaseTaskRadio", true, 0, PageKind::DroppedFiles, 1},
    // Nothing chosen stores nothing, yet the box still says where the files come from.
    {"next/none_chosen_dropped", nullptr, true, 0, PageKind::DroppedFiles, 0},
    {"next/none_chosen_folder", nullptr, false, 1, PageKind::TargetFolder, 1},
};

TEST_F(WizardTemplatePagesTest, TaskSelectionNextFollowsTheDropBox) {
    for (const TaskNextRow& row : kTaskNextRows) {
        SCOPED_TRACE(row.name);
        Settings().SelectFile.FreeFileSelect = row.storedFreeFileSelect;
        OpenTaskSelection(kTaskAllOptions);
        if (row.radio != nullptr) Click(row.radio);
        Control<QCheckBox>("dropSelectCheck")->setChecked(row.dropSelect);
        Click("nextButton");
        ASSERT_TRUE(driver.IsRunning());
        EXPECT_EQ(Current().Kind(), row.next);
        EXPECT_EQ(Settings().SelectFile.FreeFileSelect, row.freeFileSelectAfter);
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

TEST_F(WizardTemplatePagesTest, WelcomeCheckBoxWritesTheStartPreferenceAtOnce) {
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

TEST_F(WizardTemplatePagesTest, WelcomeButtonsChooseTheFlowOrEnd) {
    driver.SetTaskKind(kTaskAttributes);
    driver.Start(0);
    Click("templateFlowButton");
    EXPECT_EQ(Current().Kind(), PageKind::TaskSelection);
    EXPECT_EQ(driver.TaskKind(), kTaskSequence);

    driver.Start(0);
    Click("allOptionsFlowButton");
    EXPECT_EQ(Current().Kind(), PageKind::OperationSelection);
    EXPECT_EQ(driver.TaskKind(), kTaskAllOptions);

    driver.Start(0);
    Click("endWizardButton");
    EXPECT_FALSE(driver.IsRunning());
    EXPECT_EQ(host.ended, 1);
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

TEST_F(WizardTemplatePagesTest, CaseRadiosStandForTheirModesBothWays) {
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

TEST_F(WizardTemplatePagesTest, YesNoRadiosShowStoreAndLockWithDroppedFiles) {
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

TEST_F(WizardTemplatePagesTest, SequenceControlsStoreIntoTheirPartsAndThePreviewFollows) {
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

TEST_F(WizardTemplatePagesTest, SequenceLoadShowsThePartsAndRendersWithoutStoring) {
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

TEST_F(WizardTemplatePagesTest, ExtensionTaskTypedExtensionIsStoredAndPreviewed) {
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
}  // namespace morvanex::wizard
