#include <gtest/gtest.h>

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QTest>

#include "gui/GuiTestSupport.h"
#include "pages/AttributePage.h"
#include "pages/LetterCasePage.h"
#include "pages/StringReplacePage.h"
#include "widgets/QtText.h"

// The letter-case, attribute and string replacement pages: what each shows from the record and
// stores back.
namespace morvanex::pages {
namespace {

using test::Find;

class OperationPagesTest : public testing::Test, protected test::WindowFixture {
  protected:
    OperationPagesTest() : WindowFixture(test::OnTempDrives()) {}
};

struct ModeRadio {
    const char* radio;
    int changeMode;
};

// In page order; the last radio stands for 2.
const ModeRadio kModeRadios[] = {
    {"allUpperRadio", 0},   {"allLowerRadio", 1},       {"nameUpperRadio", 3},
    {"nameLowerRadio", 4},  {"extensionUpperRadio", 5}, {"extensionLowerRadio", 6},
    {"capitaliseRadio", 2},
};

TEST_F(OperationPagesTest, LetterCaseRadiosStandForTheirModes) {
    Settings().LetterChangeOption.EnableLetterChange = 1;
    const auto page = MakePage<LetterCasePage>();
    EXPECT_EQ(page->PageId(), 2040);
    const QList<QRadioButton*> radios = page->findChildren<QRadioButton*>();
    ASSERT_EQ(radios.size(), 7);
    page->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(page.get()));
    // Top to bottom in the order of the table, the first-letter one last.
    for (std::size_t i = 0; i + 1 < std::size(kModeRadios); ++i) {
        EXPECT_LT(Find<QRadioButton>(*page, kModeRadios[i].radio)->y(),
                  Find<QRadioButton>(*page, kModeRadios[i + 1].radio)->y());
    }
    EXPECT_EQ(Find<QRadioButton>(*page, "capitaliseRadio")->text(),
              QStringLiteral("ファイル名の先頭のみ大文字にする"));

    for (const ModeRadio& mode : kModeRadios) {
        SCOPED_TRACE(mode.radio);
        // Stored: the click writes the radio's mode.
        Find<QRadioButton>(*page, mode.radio)->click();
        page->StoreSettings();
        EXPECT_EQ(Settings().LetterChangeOption.ChangeMode, mode.changeMode);
        // Shown: the mode selects the radio.
        Find<QRadioButton>(*page, "allUpperRadio")->click();
        Settings().LetterChangeOption.ChangeMode = mode.changeMode;
        page->ShowSettings();
        EXPECT_TRUE(Find<QRadioButton>(*page, mode.radio)->isChecked());
    }
}

TEST_F(OperationPagesTest, LetterCaseKeepsItsRadioForUnknownModesAndBeforeTheFirstLoad) {
    {
        // Never shown: no radio is selected, and storing leaves the mode alone.
        LetterCasePage page(Context(), nullptr);
        EXPECT_EQ(page.findChildren<QRadioButton*>().size(), 7);
        for (const QRadioButton* radio : page.findChildren<QRadioButton*>()) {
            EXPECT_FALSE(radio->isChecked());
        }
        Settings().LetterChangeOption.ChangeMode = 5;
    }
    EXPECT_EQ(Settings().LetterChangeOption.ChangeMode, 5);

    Settings().LetterChangeOption.ChangeMode = 4;
    const auto page = MakePage<LetterCasePage>();
    for (const int unknown : {7, -1, 99}) {
        Settings().LetterChangeOption.ChangeMode = unknown;
        page->ShowSettings();
        EXPECT_TRUE(Find<QRadioButton>(*page, "nameLowerRadio")->isChecked()) << unknown;
        page->StoreSettings();
        EXPECT_EQ(Settings().LetterChangeOption.ChangeMode, 4) << unknown;
    }
}

TEST_F(OperationPagesTest, LetterCaseCheckBoxEnablesTheRadiosWhichKeepTheirChoice) {
    Settings().LetterChangeOption.EnableLetterChange = 0;
    Settings().LetterChangeOption.ChangeMode = 2;
    const auto page = MakePage<LetterCasePage>();
    auto* enable = Find<QCheckBox>(*page, "enableLetterChangeCheck");
    EXPECT_FALSE(enable->isChecked());
    for (const ModeRadio& mode : kModeRadios) {
        EXPECT_FALSE(Find<QRadioButton>(*page, mode.radio)->isEnabled()) << mode.radio;
    }
    page->StoreSettings();
    EXPECT_EQ(Settings().LetterChangeOption.ChangeMode, 2);
    EXPECT_EQ(Settings().LetterChangeOption.EnableLetterChange, 0);

    enable->click();
    for (const ModeRadio& mode : kModeRadios) {
        EXPECT_TRUE(Find<QRadioButton>(*page, mode.radio)->isEnabled()) << mode.radio;
    }
    page->StoreSettings();
    EXPECT_EQ(Settings().LetterChangeOption.EnableLetterChange, 1);
}

struct AttributeGroup {
    const char* group;
    int settings::AttributeOptionSection::*value;
};

const AttributeGroup kAttributeGroups[] = {
    {"archiveGroup", &settings::AttributeOptionSection::SelectedArchive},
    {"readOnlyGroup", &settings::AttributeOptionSection::SelectedReadOnly},
    {"hiddenGroup", &settings::AttributeOptionSection::SelectedHidden},
    {"systemGroup", &settings::AttributeOptionSection::SelectedSystem},
};

const char* const kChoices[] = {"Unchanged", "On", "Off"};

QRadioButton* Choice(const QWidget& page, const char* group, int value) {
    const std::string name = std::string(group) + kChoices[value];
    return Find<QRadioButton>(page, name.c_str());
}

TEST_F(OperationPagesTest, AttributeGroupsSitWhereTheirCaptionsSay) {
    const auto page = MakePage<AttributePage>();
    EXPECT_EQ(page->PageId(), 2050);
    const QRect archive = Find<QGroupBox>(*page, "archiveGroup")->geometry();
    const QRect readOnly = Find<QGroupBox>(*page, "readOnlyGroup")->geometry();
    const QRect hidden = Find<QGroupBox>(*page, "hiddenGroup")->geometry();
    const QRect system = Find<QGroupBox>(*page, "systemGroup")->geometry();
    EXPECT_EQ(Find<QGroupBox>(*page, "hiddenGroup")->title(), QStringLiteral("隠し属性"));
    EXPECT_EQ(archive.top(), hidden.top());
    EXPECT_LT(archive.right(), hidden.left()) << "hidden is on the right";
    EXPECT_LT(archive.bottom(), readOnly.top()) << "read-only is below archive";
    EXPECT_EQ(readOnly.top(), system.top());
    EXPECT_LT(readOnly.right(), system.left());
    for (const AttributeGroup& group : kAttributeGroups) {
        const QList<QRadioButton*> radios =
            Find<QGroupBox>(*page, group.group)->findChildren<QRadioButton*>();
        ASSERT_EQ(radios.size(), 3);
        EXPECT_EQ(radios[0]->text(), QStringLiteral("変更無し"));
        EXPECT_EQ(radios[1]->text(), QStringLiteral("オン"));
        EXPECT_EQ(radios[2]->text(), QStringLiteral("オフ"));
    }
}

TEST_F(OperationPagesTest, AttributeChoicesTravelPerGroupAndOutOfRangeSelectsNone) {
    Settings().AttributeOption.EnableAttribute = 1;
    const auto page = MakePage<AttributePage>();
    for (const AttributeGroup& shown : kAttributeGroups) {
        SCOPED_TRACE(shown.group);
        for (int value = 0; value < 3; ++value) {
            Settings().AttributeOption = {1, 0, 0, 0, 0};
            Settings().AttributeOption.*shown.value = value;
            page->ShowSettings();
            // Only the shown group moves; the others stay at "変更無し".
            for (const AttributeGroup& other : kAttributeGroups) {
                const int expected = other.group == shown.group ? value : 0;
                EXPECT_TRUE(Choice(*page, other.group, expected)->isChecked()) << other.group;
            }
        }
        Choice(*page, shown.group, 1)->click();
        page->StoreSettings();
        EXPECT_EQ(Settings().AttributeOption.*shown.value, 1);

        for (const int outOfRange : {3, -1}) {
            Settings().AttributeOption.*shown.value = outOfRange;
            page->ShowSettings();
            for (int value = 0; value < 3; ++value) {
                EXPECT_FALSE(Choice(*page, shown.group, value)->isChecked()) << outOfRange;
            }
            page->StoreSettings();
            EXPECT_EQ(Settings().AttributeOption.*shown.value, -1) << "none selected";
        }
    }
}

TEST_F(OperationPagesTest, AttributeCheckBoxEnablesTheTwelveRadios) {
    Settings().AttributeOption = {0, 1, 2, 1, 2};
    const auto page = MakePage<AttributePage>();
    EXPECT_EQ(page->findChildren<QRadioButton*>().size(), 12);
    for (const QRadioButton* radio : page->findChildren<QRadioButton*>()) {
        EXPECT_FALSE(radio->isEnabled()) << radio->objectName().toStdString();
    }
    Settings().AttributeOption = {};
    page->StoreSettings();
    EXPECT_EQ(Settings().AttributeOption, (settings::AttributeOptionSection{0, 1, 2, 1, 2}));

    Find<QCheckBox>(*page, "enableAttributeCheck")->click();
    for (const QRadioButton* radio : page->findChildren<QRadioButton*>()) {
        EXPECT_TRUE(radio->isEnabled()) << radio->objectName().toStdString();
    }
    page->StoreSettings();
    EXPECT_EQ(Settings().AttributeOption.EnableAttribute, 1);
}

TEST_F(OperationPagesTest, StringReplacementEditsTheFirstFivePairsOnly) {
    settings::StringChangeOptionSection& option = Settings().StringChangeOption;
    option.EnableStringChange = 1;
    for (std::size_t p = 0; p < settings::kReplacePairs; ++p) {
        option.ChangeBefore[p] = "before" + std::to_string(p + 1);
        option.ChangeAfter[p] = "after" + std::to_string(p + 1);
    }
    const settings::StringChangeOptionSection loaded = option;
    const auto page = MakePage<StringReplacePage>();
    EXPECT_EQ(page->PageId(), 2080);
    EXPECT_EQ(page->findChildren<QLineEdit*>().size(), 10);
    for (int row = 1; row <= 5; ++row) {
        const std::string before = "changeBefore" + std::to_string(row);
        const std::string after = "changeAfter" + std::to_string(row);
        EXPECT_EQ(Find<QLineEdit>(*page, before.c_str())->text().toStdString(),
                  "before" + std::to_string(row));
        EXPECT_EQ(Find<QLineEdit>(*page, after.c_str())->text().toStdString(),
                  "after" + std::to_string(row));
    }

    // Entered as typed: Japanese, empty, equal texts, a long text.
    const std::string longText(600, 'x');
    Find<QLineEdit>(*page, "changeBefore1")->setText(QStringLiteral("写真"));
    Find<QLineEdit>(*page, "changeAfter1")->setText(QStringLiteral("ﾌｫﾄ"));
    Find<QLineEdit>(*page, "changeBefore2")->clear();
    Find<QLineEdit>(*page, "changeBefore3")->setText("same");
    Find<QLineEdit>(*page, "changeAfter3")->setText("same");
    Find<QLineEdit>(*page, "changeAfter5")->setText(QString::fromStdString(longText));
    // Pairs six to ten are changed behind the page's back, as a loaded file would.
    option.ChangeBefore[7] = "loaded later";
    page->StoreSettings();

    EXPECT_EQ(option.ChangeBefore[0], platform::Sjis("写真"));
    EXPECT_EQ(option.ChangeAfter[0], platform::Sjis("ﾌｫﾄ"));
    EXPECT_EQ(option.ChangeBefore[1], "");
    EXPECT_EQ(option.ChangeAfter[1], "after2");
    EXPECT_EQ(option.ChangeBefore[2], "same");
    EXPECT_EQ(option.ChangeAfter[2], "same");
    EXPECT_EQ(option.ChangeAfter[4], longText);
    for (std::size_t p = 5; p < settings::kReplacePairs; ++p) {
        EXPECT_EQ(option.ChangeBefore[p], p == 7 ? "loaded later" : loaded.ChangeBefore[p]) << p;
        EXPECT_EQ(option.ChangeAfter[p], loaded.ChangeAfter[p]) << p;
    }
}

TEST_F(OperationPagesTest, StringReplacementOffDisablesTheEditsButKeepsTheirTexts) {
    Settings().StringChangeOption.EnableStringChange = 0;
    Settings().StringChangeOption.ChangeBefore[0] = "old";
    const auto page = MakePage<StringReplacePage>();
    for (const QLineEdit* edit : page->findChildren<QLineEdit*>()) {
        EXPECT_FALSE(edit->isEnabled()) << edit->objectName().toStdString();
    }
    Find<QLineEdit>(*page, "changeAfter1")->setText("new");
    page->StoreSettings();
    EXPECT_EQ(Settings().StringChangeOption.ChangeBefore[0], "old");
    EXPECT_EQ(Settings().StringChangeOption.ChangeAfter[0], "new");
    EXPECT_EQ(Settings().StringChangeOption.EnableStringChange, 0);

    Find<QCheckBox>(*page, "enableStringChangeCheck")->click();
    for (const QLineEdit* edit : page->findChildren<QLineEdit*>()) {
        EXPECT_TRUE(edit->isEnabled()) << edit->objectName().toStdString();
    }
    EXPECT_EQ(
        Find<QLabel>(*page, "replaceNote")->text(),
        QStringLiteral("注意：選択されているファイルの中から置換前文字列が含まれているファイル"
                       "のみを自動的に抽出して変換します。置換前文字列が含まれていないファイル"
                       "がリネーム対象になっていても問題ありません。"));
}

TEST_F(OperationPagesTest, StringReplacementRegularExpressionBox) {
    struct Row {
        const char* name;
        int enable, useRegex;
        bool click;
        int stored;
    } rows[] = {
        {"shown/off", 1, 0, false, 0},
        {"shown/on", 1, 1, false, 1},
        {"clicked/on", 1, 0, true, 1},
        {"clicked/off", 1, 1, true, 0},
        // Replacement off: the box keeps its value and cannot be changed.
        {"replacement_off/kept", 0, 1, false, 1},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        Settings().StringChangeOption.EnableStringChange = row.enable;
        Settings().StringChangeOption.UseRegex = row.useRegex;
        const auto page = MakePage<StringReplacePage>();
        auto* box = Find<QCheckBox>(*page, "useRegexCheck");
        EXPECT_EQ(box->text(), QStringLiteral("正規表現を使う"));
        EXPECT_EQ(box->isChecked(), row.useRegex != 0);
        EXPECT_EQ(box->isEnabled(), row.enable != 0);
        // Beside the switch, above the pairs (the note below them needs its three lines).
        EXPECT_LT(box->geometry().bottom(), Find<QGroupBox>(*page, "replacePairsGroup")->y());
        if (row.click) box->click();
        page->StoreSettings();
        EXPECT_EQ(Settings().StringChangeOption.UseRegex, row.stored);
    }
}

}  // namespace
}  // namespace morvanex::pages
