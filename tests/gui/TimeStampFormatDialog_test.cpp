#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <string>

#include "gui/GuiTestSupport.h"
#include "pages/TimeStampFormatDialog.h"
#include "shell/HelpWindow.h"

namespace morvanex::pages {
namespace {

using test::Find;
using test::U;

class TimeStampFormatDialogTest : public testing::Test, protected test::WindowFixture {
  protected:
    TimeStampFormatDialogTest() : WindowFixture(test::InMemory()) {}

    // Opens the dialog for name-part slot 2 with the slot's dialog state and the given text.
    std::unique_ptr<TimeStampFormatDialog> Open(int formatType, int fixedNum, int year2,
                                                const std::string& text) {
        settings::PartSlot& part = Part();
        part.FormatType = formatType;
        part.FixedFormatNum = fixedNum;
        part.Year2Digit = year2;
        return std::make_unique<TimeStampFormatDialog>(Context(), 2, text, frame.get());
    }
    settings::PartSlot& Part() { return Settings().RenameOption.Parts[2]; }
    static QAbstractButton* Button(const TimeStampFormatDialog& dialog, const char* name) {
        return Find<QAbstractButton>(&dialog, name);
    }
    static QString Preview(const TimeStampFormatDialog& dialog) {
        return Find<QLineEdit>(&dialog, "formatPreview")->text();
    }
};

// open/fixed_replaces_text, open/fixed_two_digit_year, open/fixed_index_out_of_range,
// open/free_keeps_text, open/free_applies_year_box
TEST_F(TimeStampFormatDialogTest, OpeningFollowsThePartsMode) {
    struct Case {
        const char* name;
        int formatType;
        int fixedNum;
        int year2;
        const char* given;
        const char* opened;
        const char* preview;
    };
    const Case cases[] = {
        {"fixed_replaces_text", 0, 3, 0, "%2HO%2MI",
         "%4YE%0KN%2MO%0KG%2DA%0KH%2HO%0KZ%2MI%0KF%2SE%0KB", "2003年03月05日10時20分30秒"},
        {"fixed_two_digit_year", 0, 9, 1, "", "%2YE%0--%2MO%0--%2DA", "03-03-05"},
        {"fixed_index_out_of_range", 0, 40, 0, "%2HO", "%4YE%2MO%2DA%2HO%2MI%2SE",
         "20030305102030"},
        {"free_keeps_text", 1, 3, 0, "%2HO%0__%1WK", "%2HO%0__%1WK", "10_Wed"},
        {"free_applies_year_box", 1, 0, 1, "%4YE%0WK", "%2YE%0WK", "03水"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const auto dialog = Open(c.formatType, c.fixedNum, c.year2, c.given);
        EXPECT_EQ(dialog->FormatText(), c.opened);
        EXPECT_EQ(Preview(*dialog), U(c.preview));
        const bool fixed = c.formatType == 0;
        EXPECT_EQ(Button(*dialog, "fixedModeCheck")->isChecked(), fixed);
        EXPECT_EQ(Button(*dialog, "freeModeCheck")->isChecked(), !fixed);
        EXPECT_EQ(Button(*dialog, "preset5")->isEnabled(), fixed);
        EXPECT_EQ(Button(*dialog, "yearButton")->isEnabled(), !fixed);
        EXPECT_EQ(Button(*dialog, "deleteBackButton")->isEnabled(), !fixed);
        EXPECT_EQ(Button(*dialog, "allClearButton")->isEnabled(), !fixed);
        EXPECT_TRUE(Button(*dialog, "year2DigitCheck")->isEnabled());
        EXPECT_EQ(Button(*dialog, "year2DigitCheck")->isChecked(), c.year2 != 0);
    }
}

TEST_F(TimeStampFormatDialogTest, FreeModeStartsEmptyAfterFixedMode) {
    const auto dialog = Open(0, 1, 0, "");
    EXPECT_EQ(dialog->FormatText(), "%4YE%2MO%2DA%0__%2HO%2MI%2SE");
    Button(*dialog, "freeModeCheck")->click();
    EXPECT_EQ(dialog->FormatText(), "");
    EXPECT_EQ(Preview(*dialog), U(""));
    EXPECT_FALSE(Button(*dialog, "fixedModeCheck")->isChecked());
    EXPECT_FALSE(Button(*dialog, "preset1")->isEnabled());

    // Already free: clicking the box again keeps the text and the box.
    Button(*dialog, "hourButton")->click();
    Button(*dialog, "freeModeCheck")->click();
    EXPECT_EQ(dialog->FormatText(), "%2HO");
    EXPECT_TRUE(Button(*dialog, "freeModeCheck")->isChecked());

    Button(*dialog, "fixedModeCheck")->click();
    EXPECT_EQ(dialog->FormatText(), "%4YE%2MO%2DA%0__%2HO%2MI%2SE");
    EXPECT_TRUE(Button(*dialog, "fixedModeCheck")->isChecked());
    EXPECT_FALSE(Button(*dialog, "hourButton")->isEnabled());
}

TEST_F(TimeStampFormatDialogTest, PresetRadioReplacesTheText) {
    const auto dialog = Open(0, 0, 0, "");
    Button(*dialog, "preset14")->click();
    EXPECT_EQ(dialog->FormatText(), "%2HO%0KZ%2MI%0KF%2SE%0KB");
    EXPECT_EQ(Preview(*dialog), U("10時20分30秒"));
    Button(*dialog, "year2DigitCheck")->click();
    Button(*dialog, "preset16")->click();
    EXPECT_EQ(dialog->FormatText(), "%0''%2YE%0--%2MO%0--%2DA");
    EXPECT_EQ(Preview(*dialog), U("'03-03-05"));
}

// year/every_aligned_token, year/misaligned_token_untouched, year/two_digit_token_too
TEST_F(TimeStampFormatDialogTest, YearBoxTogglesOnlyAlignedYearTokens) {
    struct Case {
        const char* text;
        const char* checked;
        const char* unchecked;
    };
    const Case cases[] = {
        {"%4YE%2MO%4YE", "%2YE%2MO%2YE", "%4YE%2MO%4YE"},
        {"AB%4YE%2MO", "AB%4YE%2MO", "AB%4YE%2MO"},
        {"%2MO%2YE%4Y", "%2MO%2YE%4Y", "%2MO%4YE%4Y"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        const auto dialog = Open(1, 0, 0, c.text);
        auto* year2 = Button(*dialog, "year2DigitCheck");
        year2->click();
        EXPECT_EQ(dialog->FormatText(), c.checked);
        year2->click();
        EXPECT_EQ(dialog->FormatText(), c.unchecked);
    }
}

TEST_F(TimeStampFormatDialogTest, TokenButtonsAppendTheirTokens) {
    const auto dialog = Open(1, 0, 0, "");
    const std::pair<const char*, const char*> buttons[] = {
        {"yearButton", "%4YE"},
        {"yearKanjiButton", "%0KN"},
        {"monthButton", "%2MO"},
        {"monthKanjiButton", "%0KG"},
        {"dayButton", "%2DA"},
        {"dayKanjiButton", "%0KH"},
        {"parenOpenButton", "%0L1"},
        {"weekdayKanjiButton", "%0WK"},
        {"parenCloseButton", "%0R1"},
        {"underscoreButton", "%0__"},
        {"hourButton", "%2HO"},
        {"hourKanjiButton", "%0KZ"},
        {"minuteButton", "%2MI"},
        {"minuteKanjiButton", "%0KF"},
        {"secondButton", "%2SE"},
        {"secondKanjiButton", "%0KB"},
        {"hyphenButton", "%0--"},
        {"braceOpenButton", "%0L2"},
        {"weekdayEnglishButton", "%1WK"},
        {"braceCloseButton", "%0R2"},
        {"bracketOpenButton", "%0L3"},
        {"quoteButton", "%0''"},
        {"bracketCloseButton", "%0R3"},
    };
    std::string expected;
    for (const auto& [name, token] : buttons) {
        Button(*dialog, name)->click();
        expected += token;
    }
    EXPECT_EQ(dialog->FormatText(), expected);
    EXPECT_EQ(Preview(*dialog), U("2003年03月05日(水)_10時20分30秒-{Wed}['"
                                  "]"));
}

TEST_F(TimeStampFormatDialogTest, YearButtonFollowsTheYearBox) {
    const auto dialog = Open(1, 0, 1, "");
    Button(*dialog, "yearButton")->click();
    EXPECT_EQ(dialog->FormatText(), "%2YE");
}

TEST_F(TimeStampFormatDialogTest, DeleteBackAndAllClear) {
    const auto dialog = Open(1, 0, 0, "%2HO%2MI");
    Button(*dialog, "deleteBackButton")->click();
    EXPECT_EQ(dialog->FormatText(), "%2HO");
    EXPECT_EQ(Preview(*dialog), U("10"));
    Button(*dialog, "allClearButton")->click();
    EXPECT_EQ(dialog->FormatText(), "");

    // Fewer than four bytes: Delete Back leaves them.
    const auto shortText = Open(1, 0, 0, "%2H");
    Button(*shortText, "deleteBackButton")->click();
    EXPECT_EQ(shortText->FormatText(), "%2H");
}

TEST_F(TimeStampFormatDialogTest, TokenThatWouldNotFitIsRefusedWithAMessage) {
    std::string full;
    for (int i = 0; i < 63; ++i) full += "%2HO";  // 252 bytes: one more token fits
    const auto dialog = Open(1, 0, 0, full);
    Button(*dialog, "minuteButton")->click();
    EXPECT_EQ(dialog->FormatText().size(), 256u);
    EXPECT_TRUE(interaction.messages.empty());
    Button(*dialog, "secondButton")->click();
    EXPECT_EQ(dialog->FormatText().size(), 256u);
    EXPECT_EQ(dialog->FormatText().substr(252), "%2MI");
    ASSERT_EQ(interaction.messages.size(), 1u);
    EXPECT_NE(test::Utf8(interaction.messages[0]).find("259"), std::string::npos);

    // A caller that puts "%EDT" in front leaves the dialog four bytes less.
    Settings().RenameOption.Parts[0].FormatType = 1;
    const TimeStampFormatDialog exifDate(Context(), 0, full, frame.get(), 255);
    Find<QAbstractButton>(&exifDate, "minuteButton")->click();
    EXPECT_EQ(exifDate.FormatText().size(), 252u);
    EXPECT_EQ(interaction.messages.size(), 2u);
}

TEST_F(TimeStampFormatDialogTest, OkRecordsTheChoiceInThePart) {
    const auto fixed = Open(1, 0, 0, "%2HO");
    Button(*fixed, "fixedModeCheck")->click();
    Button(*fixed, "preset8")->click();
    Button(*fixed, "year2DigitCheck")->click();
    Button(*fixed, "okButton")->click();
    EXPECT_EQ(fixed->result(), QDialog::Accepted);
    EXPECT_EQ(fixed->FormatText(), "%2YE%0__%2MO%0__%2DA");
    EXPECT_EQ(Part().FormatType, 0);
    EXPECT_EQ(Part().FixedFormatNum, 8);
    EXPECT_EQ(Part().Year2Digit, 1);

    const auto free = Open(0, 4, 1, "");
    Button(*free, "freeModeCheck")->click();
    Button(*free, "dayButton")->click();
    Button(*free, "year2DigitCheck")->click();
    Button(*free, "okButton")->click();
    EXPECT_EQ(free->FormatText(), "%2DA");
    EXPECT_EQ(Part().FormatType, 1);
    EXPECT_EQ(Part().FixedFormatNum, 4);
    EXPECT_EQ(Part().Year2Digit, 0);
}

TEST_F(TimeStampFormatDialogTest, CancelGivesBackTheTextItWasGivenAndChangesNothing) {
    const auto dialog = Open(0, 2, 0, "%2HO%0__%2MI");
    EXPECT_EQ(dialog->FormatText(), "%4YE%2MO%2DA%0--%2HO%2MI%2SE");
    Button(*dialog, "preset6")->click();
    Button(*dialog, "year2DigitCheck")->click();
    Button(*dialog, "cancelButton")->click();
    EXPECT_EQ(dialog->result(), QDialog::Rejected);
    EXPECT_EQ(dialog->FormatText(), "%2HO%0__%2MI");
    EXPECT_EQ(Part().FormatType, 0);
    EXPECT_EQ(Part().FixedFormatNum, 2);
    EXPECT_EQ(Part().Year2Digit, 0);
}

TEST_F(TimeStampFormatDialogTest, EnterAndEscapeDoNotCloseTheDialog) {
    const auto dialog = Open(1, 0, 0, "%2HO");
    test::OnNextModal([&](QWidget* modal) {
        QTest::keyClick(modal, Qt::Key_Escape);
        QTest::keyClick(modal, Qt::Key_Return);
        QTest::keyClick(Button(*dialog, "hourButton"), Qt::Key_Enter);
        EXPECT_TRUE(modal->isVisible());
        Button(*dialog, "okButton")->click();
    });
    EXPECT_EQ(dialog->exec(), QDialog::Accepted);
    EXPECT_EQ(dialog->FormatText(), "%2HO");
}

TEST_F(TimeStampFormatDialogTest, HelpOpensTopic47) {
    const auto dialog = Open(0, 0, 0, "");
    Button(*dialog, "helpButton")->click();
    ASSERT_NE(frame->Help(), nullptr);
    EXPECT_EQ(frame->Help()->CurrentTopic(), 47);
}

}  // namespace
}  // namespace morvanex::pages
