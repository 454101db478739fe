#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <string>

#include "gui/GuiTestSupport.h"
#include "pages/ExifSettingsDialog.h"
#include "shell/HelpWindow.h"

namespace morvanex::pages {
namespace {

using test::Find;
using test::U;

constexpr int kRow = 1;  // its fallback is slot 7

class ExifSettingsDialogTest : public testing::Test, protected test::WindowFixture {
  protected:
    ExifSettingsDialogTest() : WindowFixture(test::InMemory()) {}

    std::unique_ptr<ExifSettingsDialog> Open(const std::string& format) {
        return std::make_unique<ExifSettingsDialog>(Context(), kRow, format, frame.get());
    }
    settings::PartSlot& Fallback() { return Settings().RenameOption.Parts[6 + kRow]; }
    template <class Widget>
    static Widget* Get(const ExifSettingsDialog& dialog, const char* name) {
        return Find<Widget>(&dialog, name);
    }
    static QAbstractButton* Button(const ExifSettingsDialog& dialog, const char* name) {
        return Get<QAbstractButton>(dialog, name);
    }
    static QLineEdit* Edit(const ExifSettingsDialog& dialog, const char* name) {
        return Get<QLineEdit>(dialog, name);
    }
    static QComboBox* FallbackList(const ExifSettingsDialog& dialog) {
        return Get<QComboBox>(dialog, "fallbackList");
    }
};

// open/empty_text, open/unknown_text, open/custom_date, open/maker_range, open/model_whole,
// open/later_range_wins
TEST_F(ExifSettingsDialogTest, OpeningReadsItemAndRangeFromTheText) {
    struct Case {
        const char* name;
        const char* given;
        const char* radio;
        const char* format;
        bool dateControls;
        bool whole;
        const char* first;
        const char* last;
    };
    const Case cases[] = {
        {"empty_text", "", "dateItemRadio", "%EDT%4YE%2MO%2DA%2HO%2MI%2SE", true, true, "1", "1"},
        {"unknown_text", "%4YE", "dateItemRadio", "%EDT%4YE%2MO%2DA%2HO%2MI%2SE", true, true, "1",
         "1"},
        {"custom_date", "%EDT%2HO%2MI", "dateItemRadio", "%EDT%2HO%2MI", true, true, "1", "1"},
        {"maker_range", "%EMK%EST0305", "makerItemRadio", "%EMK%EST0305", false, false, "3", "5"},
        {"model_whole", "%ECM", "modelItemRadio", "%ECM", false, true, "1", "1"},
        {"later_range_wins", "%ECM%EST0102%EST0a0f", "modelItemRadio", "%ECM%EST0102%EST0a0f",
         false, false, "10", "15"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const auto dialog = Open(c.given);
        EXPECT_TRUE(Button(*dialog, c.radio)->isChecked());
        EXPECT_EQ(dialog->FormatText(), c.format);
        EXPECT_EQ(Button(*dialog, "dateFormatButton")->isEnabled(), c.dateControls);
        EXPECT_EQ(Edit(*dialog, "datePreview")->isEnabled(), c.dateControls);
        EXPECT_EQ(Button(*dialog, "wholeTextCheck")->isEnabled(), !c.dateControls);
        EXPECT_EQ(Button(*dialog, "wholeTextCheck")->isChecked(), c.whole);
        EXPECT_EQ(Edit(*dialog, "firstPositionEdit")->text(), U(c.first));
        EXPECT_EQ(Edit(*dialog, "lastPositionEdit")->text(), U(c.last));
        EXPECT_EQ(Edit(*dialog, "firstPositionEdit")->isEnabled(), !c.whole);
        EXPECT_EQ(Edit(*dialog, "lastPositionEdit")->isEnabled(), !c.whole);
    }
}

TEST_F(ExifSettingsDialogTest, EmptyTextPreviewsTheDefaultAndClosesWithIt) {
    const auto dialog = Open("");
    EXPECT_EQ(Edit(*dialog, "datePreview")->text(), U("20030305102030"));
    Button(*dialog, "okButton")->click();
    EXPECT_EQ(dialog->result(), QDialog::Accepted);
    EXPECT_EQ(dialog->FormatText(), "%EDT%4YE%2MO%2DA%2HO%2MI%2SE");
}

// close/maker_range_unchanged, close/model_whole_unchanged
TEST_F(ExifSettingsDialogTest, ClosingUnchangedGivesTheSameText) {
    for (const char* text : {"%EMK%EST0305", "%ECM", "%EDT%2HO%0KZ"}) {
        SCOPED_TRACE(text);
        const auto dialog = Open(text);
        Button(*dialog, "okButton")->click();
        EXPECT_EQ(dialog->FormatText(), text);
    }
}

TEST_F(ExifSettingsDialogTest, SavedDateFormatSurvivesMakerAndModel) {
    const auto dialog = Open("%EDT%2HO%2MI");
    Button(*dialog, "modelItemRadio")->click();
    EXPECT_EQ(dialog->FormatText(), "%ECM");
    EXPECT_FALSE(Button(*dialog, "dateFormatButton")->isEnabled());
    Button(*dialog, "makerItemRadio")->click();
    Button(*dialog, "dateItemRadio")->click();
    EXPECT_EQ(dialog->FormatText(), "%EDT%2HO%2MI");
    EXPECT_EQ(Edit(*dialog, "datePreview")->text(), U("1020"));
    EXPECT_FALSE(Button(*dialog, "wholeTextCheck")->isEnabled());
    EXPECT_FALSE(Edit(*dialog, "firstPositionEdit")->isEnabled());
}

TEST_F(ExifSettingsDialogTest, MakerOpenedWithoutDateGetsTheDefaultBack) {
    const auto dialog = Open("%EMK");
    Button(*dialog, "dateItemRadio")->click();
    EXPECT_EQ(dialog->FormatText(), "%EDT%4YE%2MO%2DA%2HO%2MI%2SE");
}

TEST_F(ExifSettingsDialogTest, DateFormatButtonEditsTheTextAfterEdt) {
    Settings().RenameOption.Parts[kRow].FormatType = 1;
    const auto dialog = Open("%EDT%2HO");
    test::OnNextModal([](QWidget* modal) {
        modal->findChild<QAbstractButton*>("minuteButton")->click();
        modal->findChild<QAbstractButton*>("okButton")->click();
    });
    Button(*dialog, "dateFormatButton")->click();
    EXPECT_EQ(dialog->FormatText(), "%EDT%2HO%2MI");
    EXPECT_EQ(Edit(*dialog, "datePreview")->text(), U("1020"));
    // Clicking the chosen item again keeps the new format.
    Button(*dialog, "dateItemRadio")->click();
    EXPECT_EQ(dialog->FormatText(), "%EDT%2HO%2MI");
}

TEST_F(ExifSettingsDialogTest, RangeOrWholeTextDecideTheMakerOrModelText) {
    struct Case {
        const char* radio;
        bool whole;
        const char* first;
        const char* last;
        const char* format;
    };
    const Case cases[] = {
        {"makerItemRadio", true, "3", "5", "%EMK"},
        {"makerItemRadio", false, "3", "5", "%EMK%EST0305"},
        {"modelItemRadio", false, "10", "255", "%ECM%EST0AFF"},
        {"modelItemRadio", false, " 7x", "7", "%ECM%EST0707"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.format);
        const auto dialog = Open("");
        Button(*dialog, c.radio)->click();
        auto* whole = Button(*dialog, "wholeTextCheck");
        if (whole->isChecked() != c.whole) whole->click();
        EXPECT_EQ(Edit(*dialog, "firstPositionEdit")->isEnabled(), !c.whole);
        Edit(*dialog, "firstPositionEdit")->setText(U(c.first));
        Edit(*dialog, "lastPositionEdit")->setText(U(c.last));
        Button(*dialog, "okButton")->click();
        EXPECT_EQ(dialog->result(), QDialog::Accepted);
        EXPECT_EQ(dialog->FormatText(), c.format);
    }
}

TEST_F(ExifSettingsDialogTest, PositionsOutsideOneTo255AreRefusedAtOk) {
    for (const char* bad : {"0", "256", "-3", "abc", ""}) {
        SCOPED_TRACE(bad);
        interaction.messages.clear();
        const auto dialog = Open("%EMK%EST0305");
        Edit(*dialog, "lastPositionEdit")->setText(U(bad));
        Button(*dialog, "okButton")->click();
        EXPECT_NE(dialog->result(), QDialog::Accepted);
        EXPECT_EQ(dialog->FormatText(), "%EMK%EST0305");
        ASSERT_EQ(interaction.messages.size(), 1u);
        EXPECT_NE(test::Utf8(interaction.messages[0]).find("1から255"), std::string::npos);
    }
    // With the whole text chosen the positions do not matter.
    const auto dialog = Open("%EMK%EST0305");
    Edit(*dialog, "lastPositionEdit")->setText(U("999"));
    Button(*dialog, "wholeTextCheck")->click();
    Button(*dialog, "okButton")->click();
    EXPECT_EQ(dialog->result(), QDialog::Accepted);
    EXPECT_EQ(dialog->FormatText(), "%EMK");
}

// fallback/none, fallback/fixed_text, fallback/file_name, fallback/folder_name,
// fallback/creation_time, fallback/modification_time
TEST_F(ExifSettingsDialogTest, FallbackChoiceIsWrittenAtOnceAndAtClosing) {
    struct Case {
        int index;
        int code;
        bool editEnabled;
        bool buttonEnabled;
        const char* label;
        const char* stored;
    };
    const Case cases[] = {
        {0, 0, false, false, "", ""},
        {1, 1, true, false, "文字列", ""},
        {2, 2, false, false, "", ""},
        {3, 4, false, false, "", ""},
        {4, 8, false, true, "プレビュー", "%4YE%2MO%2DA%2HO%2MI%2SE"},
        {5, 9, false, true, "プレビュー", "%4YE%2MO%2DA%2HO%2MI%2SE"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.index);
        Fallback() = settings::PartSlot{};
        // Something else first, so that the choice is a change.
        Fallback().SelectedPart = c.index == 1 ? settings::kPartFileName : settings::kPartFixedText;
        Fallback().StrPart = "old";
        const auto dialog = Open("");
        FallbackList(*dialog)->setCurrentIndex(c.index);
        EXPECT_EQ(Fallback().SelectedPart, c.code);
        EXPECT_EQ(Edit(*dialog, "fallbackEdit")->isEnabled(), c.editEnabled);
        EXPECT_EQ(Button(*dialog, "fallbackFormatButton")->isEnabled(), c.buttonEnabled);
        EXPECT_EQ(Get<QLabel>(*dialog, "fallbackLabel")->text(), U(c.label));
        Button(*dialog, "okButton")->click();
        EXPECT_EQ(Fallback().SelectedPart, c.code);
        EXPECT_EQ(Fallback().StrPart, c.stored);
    }
}

TEST_F(ExifSettingsDialogTest, FixedStringFallbackStoresItsText) {
    const auto dialog = Open("");
    FallbackList(*dialog)->setCurrentIndex(1);
    EXPECT_EQ(Edit(*dialog, "fallbackEdit")->text(), U(""));
    QTest::keyClicks(Edit(*dialog, "fallbackEdit"), "NoExif");
    Button(*dialog, "okButton")->click();
    EXPECT_EQ(Fallback().SelectedPart, settings::kPartFixedText);
    EXPECT_EQ(Fallback().StrPart, "NoExif");
}

TEST_F(ExifSettingsDialogTest, StoredFallbackIsShownOnOpening) {
    struct Case {
        int code;
        const char* text;
        int index;
        const char* edit;
        int codeAfter;
    };
    const Case cases[] = {
        {settings::kPartFixedText, "abc", 1, "abc", 1},
        {settings::kPartCreationTime, "%2HO%2MI", 4, "1020", 8},
        {settings::kPartModificationTime, "", 5, "", 9},
        {settings::kPartFolderName, "x", 3, "", 4},
        // A code the dialog does not offer becomes None.
        {settings::kPartExtension, "x", 0, "", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.code);
        Fallback().SelectedPart = c.code;
        Fallback().StrPart = c.text;
        const auto dialog = Open("");
        EXPECT_EQ(FallbackList(*dialog)->currentIndex(), c.index);
        EXPECT_EQ(Edit(*dialog, "fallbackEdit")->text(), U(c.edit));
        EXPECT_EQ(Fallback().SelectedPart, c.codeAfter);
    }
}

TEST_F(ExifSettingsDialogTest, DateFallbackKeepsAUsableFormatAndReplacesAnEmptyOne) {
    Fallback().SelectedPart = settings::kPartCreationTime;
    Fallback().StrPart = "%2HO%2MI";
    const auto dialog = Open("");
    FallbackList(*dialog)->setCurrentIndex(5);
    EXPECT_EQ(Fallback().SelectedPart, settings::kPartModificationTime);
    EXPECT_EQ(Fallback().StrPart, "%2HO%2MI");
    EXPECT_EQ(Edit(*dialog, "fallbackEdit")->text(), U("1020"));

    Fallback().StrPart.clear();
    Fallback().FormatType = 1;
    FallbackList(*dialog)->setCurrentIndex(4);
    EXPECT_EQ(Fallback().StrPart, "%4YE%2MO%2DA%2HO%2MI%2SE");
    EXPECT_EQ(Fallback().FormatType, 0);
    EXPECT_EQ(Edit(*dialog, "fallbackEdit")->text(), U("20030305102030"));
}

TEST_F(ExifSettingsDialogTest, FallbackFormatButtonEditsTheSlot) {
    const auto dialog = Open("");
    FallbackList(*dialog)->setCurrentIndex(4);
    test::OnNextModal([](QWidget* modal) {
        modal->findChild<QAbstractButton*>("preset11")->click();
        modal->findChild<QAbstractButton*>("okButton")->click();
    });
    Button(*dialog, "fallbackFormatButton")->click();
    EXPECT_EQ(Fallback().StrPart, "%2HO%2MI%2SE");
    EXPECT_EQ(Fallback().FixedFormatNum, 11);
    EXPECT_EQ(Edit(*dialog, "fallbackEdit")->text(), U("102030"));
    Button(*dialog, "okButton")->click();
    EXPECT_EQ(Fallback().SelectedPart, settings::kPartCreationTime);
    EXPECT_EQ(Fallback().StrPart, "%2HO%2MI%2SE");
}

// strict/shown_and_set, strict/shown_and_cleared, strict/refused_ok_changes_nothing
TEST_F(ExifSettingsDialogTest, StrictJpegReadingIsTheJobsAndCommittedAtOk) {
    struct Case {
        const char* name;
        const char* format;
        int stored;
        const char* first;  // the range's first position, typed before OK
        int expected;
    };
    const Case cases[] = {
        {"shown_and_set", "", 0, "1", 1},
        {"shown_and_cleared", "", 1, "1", 0},
        {"refused_ok_changes_nothing", "%EMK%EST0103", 0, "0", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Settings().RenameOption.ExifStrictJpeg = c.stored;
        const auto dialog = Open(c.format);
        QAbstractButton* strict = Button(*dialog, "strictJpegCheck");
        EXPECT_EQ(strict->text(), U("JPEGの先頭にあるExifだけを読む"));
        EXPECT_EQ(strict->isChecked(), c.stored != 0);
        strict->click();
        EXPECT_EQ(Settings().RenameOption.ExifStrictJpeg, c.stored);  // nothing before OK
        Edit(*dialog, "firstPositionEdit")->setText(U(c.first));
        Button(*dialog, "okButton")->click();
        EXPECT_EQ(Settings().RenameOption.ExifStrictJpeg, c.expected);
    }
}

// tag/title_range, tag/artist_whole, tag/track_digits, tag/disc_as_needed, tag/duration,
// tag/year: a tag item is read back from its text, with the controls it takes
TEST_F(ExifSettingsDialogTest, TagItemsOpenWithTheirControls) {
    struct Case {
        const char* name;
        const char* format;
        const char* radio;
        bool rangeControls;  // the whole-text check box
        bool digitControls;
        int digits;
        bool positionsEnabled;
    };
    const Case cases[] = {
        {"title_range", "%ETI%EST0203", "titleItemRadio", true, false, 2, true},
        {"artist_whole", "%EAR", "artistItemRadio", true, false, 2, false},
        {"track_digits", "%ET3", "trackItemRadio", false, true, 3, false},
        {"disc_as_needed", "%ED0", "discItemRadio", false, true, 0, false},
        {"duration", "%ELN", "durationItemRadio", false, false, 2, false},
        {"year", "%EYR", "yearItemRadio", false, false, 2, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const auto dialog = Open(c.format);
        EXPECT_TRUE(Button(*dialog, c.radio)->isChecked());
        EXPECT_FALSE(Button(*dialog, "dateFormatButton")->isEnabled());
        EXPECT_EQ(Button(*dialog, "wholeTextCheck")->isEnabled(), c.rangeControls);
        EXPECT_EQ(Get<QComboBox>(*dialog, "digitList")->isEnabled(), c.digitControls);
        EXPECT_EQ(Get<QComboBox>(*dialog, "digitList")->currentIndex(), c.digits);
        EXPECT_EQ(Edit(*dialog, "firstPositionEdit")->isEnabled(), c.positionsEnabled);
        Button(*dialog, "okButton")->click();
        EXPECT_EQ(dialog->FormatText(), c.format);
    }
}

// choose/<item>: choosing a tag item gives its token, a number with the digits chosen, a text
// with its range; choosing the date again restores the date format.
TEST_F(ExifSettingsDialogTest, ChoosingTagItemsWritesTheirTokens) {
    struct Case {
        const char* radio;
        int digits;
        bool whole;
        const char* format;
    };
    const Case cases[] = {
        {"artistItemRadio", 2, true, "%EAR"},   {"albumArtistItemRadio", 2, false, "%EAA%EST0104"},
        {"albumItemRadio", 2, true, "%EAL"},    {"titleItemRadio", 2, true, "%ETI"},
        {"trackItemRadio", 2, true, "%ET2"},    {"discItemRadio", 0, true, "%ED0"},
        {"yearItemRadio", 2, false, "%EYR"},    {"genreItemRadio", 2, true, "%EGN"},
        {"durationItemRadio", 2, true, "%ELN"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.format);
        const auto dialog = Open("%EDT%2HO");
        Button(*dialog, c.radio)->click();
        Get<QComboBox>(*dialog, "digitList")->setCurrentIndex(c.digits);
        auto* whole = Button(*dialog, "wholeTextCheck");
        if (whole->isEnabled() && whole->isChecked() != c.whole) whole->click();
        Edit(*dialog, "firstPositionEdit")->setText(U("1"));
        Edit(*dialog, "lastPositionEdit")->setText(U("4"));
        Button(*dialog, "okButton")->click();
        EXPECT_EQ(dialog->result(), QDialog::Accepted);
        EXPECT_EQ(dialog->FormatText(), c.format);
    }
    const auto dialog = Open("%EDT%2HO");
    Button(*dialog, "titleItemRadio")->click();
    Button(*dialog, "dateItemRadio")->click();
    EXPECT_EQ(dialog->FormatText(), "%EDT%2HO");
    EXPECT_FALSE(Get<QComboBox>(*dialog, "digitList")->isEnabled());
}

// tagtext/<stored>: the job's reading of raw tag texts is shown and committed at OK only
TEST_F(ExifSettingsDialogTest, TagTextReadingIsTheJobsAndCommittedAtOk) {
    for (const int stored : {0, 1, 2, 7}) {
        SCOPED_TRACE(stored);
        Settings().RenameOption.ExifTagCp932 = stored;
        const auto dialog = Open("%ETI");
        auto* list = Get<QComboBox>(*dialog, "tagTextList");
        EXPECT_EQ(list->currentIndex(), stored == 7 ? 0 : stored);
        list->setCurrentIndex((list->currentIndex() + 1) % 3);
        EXPECT_EQ(Settings().RenameOption.ExifTagCp932, stored);
        Button(*dialog, "okButton")->click();
        EXPECT_EQ(Settings().RenameOption.ExifTagCp932, ((stored == 7 ? 0 : stored) + 1) % 3);
    }
}

TEST_F(ExifSettingsDialogTest, ClosesOnlyThroughOk) {
    const auto dialog = Open("%ECM");
    test::OnNextModal([&](QWidget* modal) {
        QTest::keyClick(modal, Qt::Key_Escape);
        QTest::keyClick(Edit(*dialog, "firstPositionEdit"), Qt::Key_Return);
        modal->close();
        EXPECT_TRUE(modal->isVisible());
        Button(*dialog, "okButton")->click();
    });
    EXPECT_EQ(dialog->exec(), QDialog::Accepted);
    EXPECT_EQ(dialog->FormatText(), "%ECM");
}

TEST_F(ExifSettingsDialogTest, HelpOpensTopic49) {
    const auto dialog = Open("");
    Button(*dialog, "helpButton")->click();
    ASSERT_NE(frame->Help(), nullptr);
    EXPECT_EQ(frame->Help()->CurrentTopic(), 49);
}

}  // namespace
}  // namespace morvanex::pages
