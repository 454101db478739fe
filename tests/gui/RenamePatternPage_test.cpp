#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include "gui/GuiTestSupport.h"
#include "pages/RenamePatternPage.h"
#include "settings/RegisteredPatterns.h"

namespace morvanex::pages {
namespace {

using test::Cp932;
using test::Find;
using test::U;

class RenamePatternPageTest : public testing::Test, protected test::WindowFixture {
  protected:
    RenamePatternPageTest() : WindowFixture(test::InMemory()) {}

    void SetUp() override {
        View().SelectPage(1004);
        m_page = dynamic_cast<RenamePatternPage*>(View().PageOf(1004));
        ASSERT_NE(m_page, nullptr);
        ASSERT_EQ(View().CurrentPage(), m_page);
    }

    QString Name(const char* base, int row) const { return U(base) + QString::number(row); }
    // Rows are numbered 1..6 as on screen.
    QComboBox* Type(int row) const { return Find<QComboBox>(m_page, Name("typeList", row)); }
    QLineEdit* Text(int row) const { return Find<QLineEdit>(m_page, Name("stringEdit", row)); }
    QLabel* Label(int row) const { return Find<QLabel>(m_page, Name("stringLabel", row)); }
    QPushButton* Format(int row) const {
        return Find<QPushButton>(m_page, Name("formatButton", row));
    }
    QLineEdit* First(int row) const { return Find<QLineEdit>(m_page, Name("firstEdit", row)); }
    QLineEdit* Last(int row) const { return Find<QLineEdit>(m_page, Name("lastEdit", row)); }
    QComboBox* Digits(int row) const { return Find<QComboBox>(m_page, Name("digitList", row)); }
    QLineEdit* Step(int row) const { return Find<QLineEdit>(m_page, Name("stepEdit", row)); }
    QCheckBox* RenameCheck() const { return Find<QCheckBox>(m_page, "renameCheck"); }
    QCheckBox* DigitCheck() const { return Find<QCheckBox>(m_page, "digitChangeCheck"); }
    QComboBox* DigitChangeList() const { return Find<QComboBox>(m_page, "digitChangeList"); }
    QComboBox* Patterns() const { return Find<QComboBox>(m_page, "patternList"); }
    QLineEdit* Preview() const { return Find<QLineEdit>(m_page, "previewEdit"); }
    settings::PartSlot& Slot(int slot) { return Settings().RenameOption.Parts[slot]; }

    RenamePatternPage* m_page = nullptr;
};

TEST_F(RenamePatternPageTest, FreshSettingsShowPatternZeroAndItsPreview) {
    EXPECT_EQ(m_page->PageId(), 2030);
    const int types[] = {1, 0, 6, 0, 5, 3};
    for (int row = 1; row <= 6; ++row) {
        SCOPED_TRACE(row);
        EXPECT_EQ(Type(row)->currentIndex(), types[row - 1]);
        EXPECT_EQ(Type(row)->count(), 14);
        EXPECT_TRUE(Format(row)->isHidden());
        EXPECT_TRUE(First(row)->isHidden());
    }
    EXPECT_EQ(Type(1)->itemText(13), U("フォルダ名(一部)"));
    EXPECT_EQ(Label(1)->text(), U("文字列"));
    EXPECT_TRUE(Text(1)->isEnabled());
    EXPECT_FALSE(Digits(1)->isEnabled());
    EXPECT_FALSE(Text(2)->isEnabled());
    EXPECT_FALSE(Text(2)->isHidden());
    EXPECT_EQ(Label(3)->text(), U("開始番号"));
    EXPECT_EQ(Text(3)->text(), U("1"));
    EXPECT_EQ(Digits(3)->currentText(), U("3桁"));
    EXPECT_EQ(Step(3)->text(), U("1"));
    EXPECT_TRUE(Step(3)->isEnabled());
    EXPECT_EQ(DigitChangeList()->currentText(), U("3"));
    EXPECT_EQ(Patterns()->count(), 7);
    EXPECT_EQ(Patterns()->currentText(), U("単純連番リネーム"));
    EXPECT_EQ(Preview()->text(), U("001.(元拡張子)"));
}

// sequence/no_digits, sequence/five_digits, sequence/not_a_number_padded,
// sequence/not_a_number_no_digits, sequence/eight_digits
TEST_F(RenamePatternPageTest, SequenceRowPreviewsStartNumberWithItsDigits) {
    struct Case {
        const char* start;
        int digits;
        const char* shown;
    };
    const Case cases[] = {
        {"7", 0, "7"}, {"7", 5, "00007"}, {"abc", 3, "000"}, {"abc", 0, "0"}, {"12", 8, "00000012"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.start);
        Text(3)->setText(U(c.start));
        Digits(3)->setCurrentIndex(c.digits);
        EXPECT_EQ(Preview()->text(), U(c.shown) + U(".(元拡張子)"));
        EXPECT_EQ(Slot(2).StrPart, c.start);
        EXPECT_EQ(Slot(2).DigitNum, c.digits);
    }
}

TEST_F(RenamePatternPageTest, PreviewFollowsFixedTextAndStep) {
    QTest::keyClicks(Text(1), "IMG_");
    EXPECT_EQ(Preview()->text(), U("IMG_001.(元拡張子)"));
    Step(3)->setText(U("x"));
    EXPECT_EQ(Slot(2).SkipNum, 0);
    Step(3)->setText(U(" -5"));
    EXPECT_EQ(Slot(2).SkipNum, -5);
}

TEST_F(RenamePatternPageTest, StringEditHoldsAtMostAFieldOfBytes) {
    QTest::keyClicks(Text(1), QString(300, QLatin1Char('a')));
    EXPECT_EQ(Text(1)->text().size(), 259);
    Text(1)->clear();
    // Double-byte characters count twice: 129 of them fill 258 bytes, a 130th does not fit,
    // and a paste that would overflow is refused whole.
    for (int i = 0; i < 140; ++i) Text(1)->insert(QString(QChar(0x3042)));
    EXPECT_EQ(Text(1)->text().size(), 129);
    Text(1)->insert(U("ab"));
    EXPECT_EQ(Text(1)->text().size(), 129);
    Text(1)->insert(U("a"));
    EXPECT_EQ(Text(1)->text().size(), 130);
    Text(1)->insert(U("a"));
    EXPECT_EQ(Text(1)->text().size(), 130);
    EXPECT_EQ(Slot(0).StrPart.size(), 259u);
}

// range/upper_hex, range/lower_hex, range/short_text, range/not_hex_pair
TEST_F(RenamePatternPageTest, RangeEditsShowTheStoredRange) {
    struct Case {
        const char* stored;
        const char* first;
        const char* last;
    };
    const Case cases[] = {
        {"0305", "3", "5"}, {"0A0C", "10", "12"}, {"0a0c", "10", "12"},
        {"7", "1", "1"},    {"zz05", "0", "5"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.stored);
        Slot(0).SelectedPart = settings::kPartFileNameRange;
        Slot(0).StrPart = c.stored;
        m_page->ShowSettings();
        EXPECT_EQ(First(1)->text(), U(c.first));
        EXPECT_EQ(Last(1)->text(), U(c.last));
        EXPECT_FALSE(First(1)->isHidden());
        EXPECT_TRUE(First(1)->isEnabled());
        EXPECT_TRUE(Text(1)->isHidden());
    }
}

TEST_F(RenamePatternPageTest, RangeIsStoredAsHexadecimalPositions) {
    Type(1)->setCurrentIndex(settings::kPartFileNameRange);
    EXPECT_EQ(First(1)->text(), U("1"));
    First(1)->setText(U("3"));
    Last(1)->setText(U("5"));
    m_page->StoreSettings();
    EXPECT_EQ(Slot(0).StrPart, "0305");

    First(1)->setText(U("10"));
    Last(1)->setText(U("255"));
    m_page->StoreSettings();
    EXPECT_EQ(Slot(0).StrPart, "0AFF");

    // Two hexadecimal digits cannot hold 256: the edit does not take it.
    Last(1)->clear();
    QTest::keyClicks(Last(1), "256");
    EXPECT_EQ(Last(1)->text(), U("25"));
}

TEST_F(RenamePatternPageTest, ChangingATypeGivesTheRowItsDefaultText) {
    struct Case {
        int type;
        const char* text;
        const char* label;
        bool textEnabled;
        bool stepEnabled;
    };
    const Case cases[] = {
        {settings::kPartSequence, "1", "開始番号", true, true},
        {settings::kPartFixedText, "", "文字列", true, false},
        {settings::kPartFolderSequence, "1", "開始番号", true, true},
        {settings::kPartNone, "", "", false, false},
        {settings::kPartFileName, "", "", false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.type);
        Text(1)->setText(U("left over"));
        Type(1)->setCurrentIndex(c.type);
        EXPECT_EQ(Text(1)->text(), U(c.text));
        EXPECT_EQ(Label(1)->text(), U(c.label));
        EXPECT_EQ(Text(1)->isEnabled(), c.textEnabled);
        EXPECT_FALSE(Text(1)->isHidden());
        EXPECT_EQ(Step(1)->isEnabled(), c.stepEnabled);
        EXPECT_EQ(Digits(1)->isEnabled(), c.stepEnabled);
        EXPECT_EQ(Slot(0).SelectedPart, c.type);
    }
}

TEST_F(RenamePatternPageTest, ChangingBetweenPartialTypesKeepsTheRange) {
    Type(1)->setCurrentIndex(settings::kPartFileNameRange);
    First(1)->setText(U("3"));
    Last(1)->setText(U("5"));
    Type(1)->setCurrentIndex(settings::kPartFolderNameRange);
    EXPECT_EQ(First(1)->text(), U("3"));
    EXPECT_EQ(Last(1)->text(), U("5"));
    EXPECT_EQ(Slot(0).StrPart, "0305");
    EXPECT_EQ(Preview()->text(), U("(フォルダ名)001.(元拡張子)"));
}

TEST_F(RenamePatternPageTest, DateTypeOpensTheFormatDialogAndTakesItsText) {
    test::ClickOnNextModal("okButton");
    Type(1)->setCurrentIndex(settings::kPartCreationTime);
    // A part in fixed mode gets its preset: preset 0 is the default format without "%EDT".
    EXPECT_EQ(Text(1)->text(), U("%4YE%2MO%2DA%2HO%2MI%2SE"));
    EXPECT_TRUE(Text(1)->isHidden());
    EXPECT_FALSE(Format(1)->isHidden());
    EXPECT_EQ(Format(1)->text(), U("フォーマットの変更"));
    EXPECT_EQ(Preview()->text(), U("20030305102030001.(元拡張子)"));

    // Cancel hands the row's text back unchanged.
    Slot(3).FormatType = 1;
    test::ClickOnNextModal("cancelButton");
    Type(4)->setCurrentIndex(settings::kPartModificationTime);
    EXPECT_EQ(Text(4)->text(), U("%EDT%4YE%2MO%2DA%2HO%2MI%2SE"));
    EXPECT_EQ(Slot(3).FormatType, 1);
}

TEST_F(RenamePatternPageTest, FormatButtonReopensTheDialogOfItsRow) {
    test::ClickOnNextModal("okButton");
    Type(1)->setCurrentIndex(settings::kPartCreationTime);
    test::OnNextModal([](QWidget* modal) {
        modal->findChild<QAbstractButton*>("preset6")->click();
        modal->findChild<QAbstractButton*>("okButton")->click();
    });
    Format(1)->click();
    EXPECT_EQ(Text(1)->text(), U("%4YE%2MO%2DA"));
    EXPECT_EQ(Slot(0).FixedFormatNum, 6);
    EXPECT_EQ(Preview()->text(), U("20030305001.(元拡張子)"));
}

TEST_F(RenamePatternPageTest, ExifTypeOpensTheExifDialog) {
    test::ClickOnNextModal("okButton");
    Type(1)->setCurrentIndex(settings::kPartExif);
    EXPECT_EQ(Text(1)->text(), U("%EDT%4YE%2MO%2DA%2HO%2MI%2SE"));
    EXPECT_EQ(Format(1)->text(), U("Exif情報の設定"));
    EXPECT_EQ(Preview()->text(), U("(撮影時間)001.(元拡張子)"));

    test::OnNextModal([](QWidget* modal) {
        modal->findChild<QAbstractButton*>("makerItemRadio")->click();
        modal->findChild<QAbstractButton*>("okButton")->click();
    });
    Format(1)->click();
    EXPECT_EQ(Text(1)->text(), U("%EMK"));
    EXPECT_EQ(Preview()->text(), U("(メーカー名)001.(元拡張子)"));
}

TEST_F(RenamePatternPageTest, ModeBoxesExcludeEachOther) {
    DigitCheck()->click();
    EXPECT_FALSE(RenameCheck()->isChecked());
    EXPECT_TRUE(DigitChangeList()->isEnabled());
    EXPECT_TRUE(Preview()->text().isEmpty());
    EXPECT_FALSE(Preview()->isEnabled());
    EXPECT_FALSE(Patterns()->isEnabled());
    for (int row = 1; row <= 6; ++row) {
        EXPECT_FALSE(Type(row)->isEnabled());
        EXPECT_FALSE(Text(row)->isEnabled());
        EXPECT_FALSE(Digits(row)->isEnabled());
    }
    DigitChangeList()->setCurrentIndex(4);
    m_page->StoreSettings();
    EXPECT_EQ(Settings().RenameOption.EnableRename, 0);
    EXPECT_EQ(Settings().RenameOption.EnableDigitChange, 1);
    EXPECT_EQ(Settings().RenameOption.DigitChangeNum, 4);

    RenameCheck()->click();
    EXPECT_FALSE(DigitCheck()->isChecked());
    EXPECT_FALSE(DigitChangeList()->isEnabled());
    EXPECT_TRUE(Type(2)->isEnabled());
    EXPECT_TRUE(Text(1)->isEnabled());
    EXPECT_FALSE(Text(2)->isEnabled());
    EXPECT_EQ(Preview()->text(), U("001.(元拡張子)"));

    RenameCheck()->click();
    EXPECT_FALSE(Type(1)->isEnabled());
    EXPECT_FALSE(DigitCheck()->isChecked());
    m_page->StoreSettings();
    EXPECT_EQ(Settings().RenameOption.EnableRename, 0);
    EXPECT_EQ(Settings().RenameOption.EnableDigitChange, 0);
}

// switches/both_off, switches/digits_only, switches/both_on_shows_rename
TEST_F(RenamePatternPageTest, LoadedSwitchesDecideTheBoxesAndRows) {
    struct Case {
        int rename;
        int digits;
        bool renameChecked;
        bool digitsChecked;
        bool rowsOn;
        const char* preview;
    };
    const Case cases[] = {
        {0, 0, false, false, false, "001.(元拡張子)"},
        {0, 1, false, true, false, ""},
        {1, 1, true, false, true, "001.(元拡張子)"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.rename * 10 + c.digits);
        Settings().RenameOption.EnableRename = c.rename;
        Settings().RenameOption.EnableDigitChange = c.digits;
        m_page->ShowSettings();
        EXPECT_EQ(RenameCheck()->isChecked(), c.renameChecked);
        EXPECT_EQ(DigitCheck()->isChecked(), c.digitsChecked);
        EXPECT_EQ(DigitChangeList()->isEnabled(), c.digitsChecked);
        EXPECT_EQ(Type(1)->isEnabled(), c.rowsOn);
        EXPECT_EQ(Text(1)->isEnabled(), c.rowsOn);
        EXPECT_EQ(Preview()->text(), U(c.preview));
    }
}

TEST_F(RenamePatternPageTest, EnterStartsTheRenameCommandAndEscapeDoesNothing) {
    QTest::keyClick(Text(1), Qt::Key_Escape);
    EXPECT_TRUE(interaction.questions.empty());

    QTest::keyClick(Text(1), Qt::Key_Return);
    ASSERT_EQ(interaction.questions.size(), 1u);
    EXPECT_EQ(test::Utf8(interaction.questions[0]).rfind("上記条件でリネームを開始します。", 0),
              0u);

    QTest::keyClick(Type(2), Qt::Key_Enter);
    EXPECT_EQ(interaction.questions.size(), 2u);
}

TEST_F(RenamePatternPageTest, ChoosingAPatternFillsRowsAndCopiesFallbacksIntoTheRecord) {
    Patterns()->setCurrentIndex(6);
    const int types[] = {10, 0, 5, 0, 3, 0};
    for (int row = 1; row <= 6; ++row) EXPECT_EQ(Type(row)->currentIndex(), types[row - 1]);
    EXPECT_EQ(Text(1)->text(), U("%EDT%4YE%2MO%2DA%2HO%2MI%2SE"));
    EXPECT_FALSE(Format(1)->isHidden());
    EXPECT_EQ(Slot(6).SelectedPart, settings::kPartCreationTime);
    EXPECT_EQ(Slot(6).StrPart, "%4YE%2MO%2DA%2HO%2MI%2SE");
    EXPECT_EQ(Slot(6).DigitNum, 3);
    EXPECT_EQ(Preview()->text(), U("(撮影時間).(元拡張子)"));
    m_page->StoreSettings();
    EXPECT_EQ(Settings().RenameOption.SelectedRenamePattern, 6);

    // Back to pattern 0: its empty fallbacks replace the record's.
    Patterns()->setCurrentIndex(0);
    EXPECT_EQ(Slot(6).SelectedPart, settings::kPartNone);
    EXPECT_EQ(Slot(6).StrPart, "");
    EXPECT_EQ(Preview()->text(), U("001.(元拡張子)"));
}

TEST_F(RenamePatternPageTest, StoringLeavesFallbacksAndDialogStateAlone) {
    Slot(7).SelectedPart = settings::kPartFixedText;
    Slot(7).StrPart = "keep";
    Slot(0).FormatType = 1;
    Slot(0).FixedFormatNum = 9;
    Slot(0).Year2Digit = 1;
    const settings::RenameOptionSection before = Settings().RenameOption;
    m_page->ShowSettings();
    m_page->StoreSettings();
    EXPECT_EQ(Settings().RenameOption, before);
}

TEST_F(RenamePatternPageTest, ValuesOutsideTheListsShowNoSelectionAndAreKept) {
    Slot(0).SelectedPart = 20;
    Slot(2).DigitNum = 9;
    Settings().RenameOption.SelectedRenamePattern = 15;
    m_page->ShowSettings();
    EXPECT_EQ(Type(1)->currentIndex(), -1);
    EXPECT_EQ(Digits(3)->currentIndex(), -1);
    EXPECT_EQ(Patterns()->currentIndex(), -1);
    // A digit count beyond the list shows the number as it is; an unknown type adds nothing.
    EXPECT_EQ(Preview()->text(), U("1.(元拡張子)"));
    m_page->StoreSettings();
    EXPECT_EQ(Slot(0).SelectedPart, 20);
    EXPECT_EQ(Slot(2).DigitNum, 9);
}

TEST_F(RenamePatternPageTest, DestroyedPageStoresItsControls) {
    Type(1)->setCurrentIndex(settings::kPartFileNameRange);
    First(1)->setText(U("2"));
    Last(1)->setText(U("4"));
    View().DestroyPages();
    EXPECT_EQ(Slot(0).SelectedPart, settings::kPartFileNameRange);
    EXPECT_EQ(Slot(0).StrPart, "0204");
}

// ---- registering the user's own patterns ----

TEST_F(RenamePatternPageTest, RegisteredPatternIsChosenKeptAndSurvivesARestart) {
    Text(1)->setText(U("旅行_"));
    Digits(3)->setCurrentIndex(4);
    Slot(6).SelectedPart = settings::kPartFixedText;
    Slot(6).StrPart = "fallback";
    ASSERT_TRUE(m_page->RegisterPatternAs(U("  旅行写真  ")));
    EXPECT_TRUE(interaction.messages.empty());

    ASSERT_EQ(Settings().RegisteredPatterns.size(), 8u);
    const settings::RegisteredPattern& added = Settings().RegisteredPatterns[7];
    EXPECT_EQ(added.Name, Cp932("旅行写真"));
    EXPECT_EQ(added.StrPart[0], Cp932("旅行_"));
    EXPECT_EQ(added.DigitNum[2], 4);
    EXPECT_EQ(added.SelectedPart[6], settings::kPartFixedText);
    EXPECT_EQ(added.StrPart[6], "fallback");
    EXPECT_EQ(Patterns()->count(), 8);
    EXPECT_EQ(Patterns()->currentText(), U("旅行写真"));
    EXPECT_TRUE(Find<QPushButton>(m_page, "deletePatternButton")->isEnabled());

    // A new document (the next start) finds it after the built-in ones.
    shell::Document next(preferences, std::make_unique<test::MemoryFileSystem>(),
                         std::make_unique<test::FixedClock>(test::TestMoment()));
    ASSERT_EQ(next.Settings().RegisteredPatterns.size(), 8u);
    EXPECT_EQ(next.Settings().RegisteredPatterns[7], added);

    // Choosing it later fills the rows from it.
    Patterns()->setCurrentIndex(0);
    EXPECT_EQ(Text(1)->text(), U(""));
    Patterns()->setCurrentIndex(7);
    EXPECT_EQ(Text(1)->text(), U("旅行_"));
    EXPECT_EQ(Digits(3)->currentIndex(), 4);
}

TEST_F(RenamePatternPageTest, RegisterButtonAsksForTheName) {
    test::OnNextModal([](QWidget* modal) {
        auto* dialog = qobject_cast<QInputDialog*>(modal);
        ASSERT_NE(dialog, nullptr);
        dialog->setTextValue(QStringLiteral("mine"));
        dialog->accept();
    });
    Find<QPushButton>(m_page, "registerPatternButton")->click();
    ASSERT_EQ(Settings().RegisteredPatterns.size(), 8u);
    EXPECT_EQ(Settings().RegisteredPatterns[7].Name, "mine");

    test::OnNextModal([](QWidget* modal) { qobject_cast<QDialog*>(modal)->reject(); });
    Find<QPushButton>(m_page, "registerPatternButton")->click();
    EXPECT_EQ(Settings().RegisteredPatterns.size(), 8u);
}

// register/empty_name, register/taken_name, register/name_too_long
TEST_F(RenamePatternPageTest, UnusableNamesAreRefusedWithAMessage) {
    struct Case {
        QString name;
        const char* message;
    };
    const Case cases[] = {
        {U("   "), "パターン名を入力してください。"},
        {U("単純連番リネーム"), "同じ名前のパターンが既に登録されています。"},
        {QString(128, QChar(0x3042)), "パターン名が長すぎます。"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message);
        interaction.messages.clear();
        EXPECT_FALSE(m_page->RegisterPatternAs(c.name));
        ASSERT_EQ(interaction.messages.size(), 1u);
        EXPECT_EQ(test::Utf8(interaction.messages[0]).rfind(c.message, 0), 0u);
        EXPECT_EQ(Settings().RegisteredPatterns.size(), 7u);
        EXPECT_TRUE(preferences.UserPatterns().empty());
    }
    // 127 double-byte characters are 254 bytes: that fits.
    EXPECT_TRUE(m_page->RegisterPatternAs(QString(127, QChar(0x3042))));
}

TEST_F(RenamePatternPageTest, TheTableHoldsTwentyPatterns) {
    for (int i = 0; i < 13; ++i) ASSERT_TRUE(m_page->RegisterPatternAs(QString::number(i)));
    EXPECT_EQ(Settings().RegisteredPatterns.size(), 20u);
    EXPECT_FALSE(m_page->RegisterPatternAs(U("one more")));
    ASSERT_EQ(interaction.messages.size(), 1u);
    EXPECT_EQ(test::Utf8(interaction.messages[0]).rfind("登録できるパターンは20個までです。", 0),
              0u);
    EXPECT_EQ(preferences.UserPatterns().size(), 13u);
}

TEST_F(RenamePatternPageTest, OnlyTheUsersOwnPatternsCanBeDeleted) {
    auto* deleteButton = Find<QPushButton>(m_page, "deletePatternButton");
    EXPECT_FALSE(deleteButton->isEnabled());
    ASSERT_TRUE(m_page->RegisterPatternAs(U("a")));
    ASSERT_TRUE(m_page->RegisterPatternAs(U("b")));
    Patterns()->setCurrentIndex(7);
    EXPECT_TRUE(deleteButton->isEnabled());

    interaction.answers = {false};
    deleteButton->click();
    EXPECT_EQ(Settings().RegisteredPatterns.size(), 9u);

    interaction.answers = {true};
    deleteButton->click();
    ASSERT_EQ(Settings().RegisteredPatterns.size(), 8u);
    EXPECT_EQ(Settings().RegisteredPatterns[7].Name, "b");
    EXPECT_EQ(Patterns()->count(), 8);
    EXPECT_EQ(Patterns()->currentIndex(), -1);
    EXPECT_FALSE(deleteButton->isEnabled());
    ASSERT_EQ(preferences.UserPatterns().size(), 1u);
    EXPECT_EQ(preferences.UserPatterns()[0].Name, "b");

    Patterns()->setCurrentIndex(3);
    EXPECT_FALSE(deleteButton->isEnabled());
    m_page->DeleteSelectedPattern();
    EXPECT_EQ(Settings().RegisteredPatterns.size(), 8u);
}

}  // namespace
}  // namespace morvanex::pages
