#include "engine/naming/TimestampFormat.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/Codepage.h"
#include "support/FixedClock.h"

namespace morvanex::engine {
namespace {

using platform::Sjis;

using test::At;

std::string Repeat(const std::string& text, int times) {
    std::string result;
    for (int i = 0; i < times; ++i) result += text;
    return result;
}

struct Row {
    const char* name;
    platform::Timestamp time;
    std::string format;
    std::string expected;
    std::size_t bufferSize = 260;
};

void RunRows(const std::vector<Row>& rows) {
    for (const Row& row : rows) {
        EXPECT_EQ(ExpandTimestampFormat(row.time, row.format, row.bufferSize), row.expected)
            << row.name;
    }
}

const platform::Timestamp kMarch5 = At(2003, 3, 5, 10, 20, 30);  // a Wednesday
const platform::Timestamp kSunday = At(2003, 3, 2, 7, 8, 9);

TEST(TimestampFormat, Tokens) {
    RunRows({
        {"timestamp/year_month_day", kMarch5, "%4YE%2MO%2DA", "20030305"},
        {"timestamp/two_digit_year_with_dash", kMarch5, "%2YE%0--%2MO", "03-03"},
        {"timestamp/default_format", kMarch5, "%4YE%2MO%2DA%2HO%2MI%2SE", "20030305102030"},
        {"timestamp/time_of_day_zero_filled", kSunday, "%2HO%2MI%2SE", "070809"},
        {"timestamp/midnight", At(2003, 3, 5), "%2HO", "00"},
        {"timestamp/year_2000_two_digits", At(2000, 1, 1), "%2YE", "00"},
        {"timestamp/year_below_100", At(5, 6, 7), "%4YE%2YE", "000505"},
        {"timestamp/weekday_japanese_sunday", kSunday, "%0WK", "\x93\xFA"},
        {"timestamp/weekday_english_sunday", kSunday, "%1WK", "Sun"},
        {"timestamp/weekday_english_wednesday", kMarch5, "%1WK", "Wed"},
        {"timestamp/character_tokens", kMarch5, "%0__%0--%0''%0L1%0R1%0L2%0R2%0L3%0R3",
         "_-'(){}[]"},
        {"timestamp/kanji_tokens", kMarch5, "%0KN%0KG%0KH%0KZ%0KF%0KB", Sjis("年月日時分秒")},
        {"timestamp/mixed", kMarch5, "%4YE%0KN%2MO%0KG%2DA%0KH%0L1%0WK%0R1",
         Sjis("2003年03月05日(水)")},
    });
}

TEST(TimestampFormat, WhatIsNotATokenGivesNothing) {
    RunRows({
        {"timestamp/lower_case_chunk", kMarch5, "%4ye", ""},
        {"timestamp/misaligned_by_one_byte", kMarch5, "X%4YE", ""},
        {"timestamp/literal_text_dropped", kMarch5, "IMG_%4YE", "2003"},
        {"timestamp/trailing_bytes_ignored", kMarch5, "%4YE%2M", "2003"},
        {"timestamp/shorter_than_a_chunk", kMarch5, "%4Y", ""},
        {"timestamp/empty_format", kMarch5, "", ""},
        {"timestamp/exif_item_is_not_a_token", kMarch5, "%EDT%4YE", "2003"},
        {"timestamp/percent_alone", kMarch5, "%%%%", ""},
    });
}

TEST(TimestampFormat, EveryWeekdayInBothLanguages) {
    const char* english[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
    const char* japanese[] = {"日", "月", "火", "水", "木", "金", "土"};
    for (int day = 0; day < 7; ++day) {
        const platform::Timestamp time = At(2003, 3, 2 + day, 23, 59, 59);
        EXPECT_EQ(ExpandTimestampFormat(time, "%1WK"), english[day]) << day;
        EXPECT_EQ(ExpandTimestampFormat(time, "%0WK"), Sjis(japanese[day])) << day;
    }
}

TEST(TimestampFormat, CutToTheBuffer) {
    const std::string kanji = Sjis("年");
    RunRows({
        {"timestamp/fits_exactly", kMarch5, "%4YE%2MO", "200303", 7},
        {"timestamp/cut_to_size_minus_one", kMarch5, "%4YE%2MO", "2003", 5},
        {"timestamp/size_one_is_empty", kMarch5, "%4YE", "", 1},
        {"timestamp/size_zero_is_empty", kMarch5, "%4YE", "", 0},
        // A cut in the middle of a double-byte character drops the whole character.
        {"timestamp/cut_never_splits_a_character", kMarch5, "%4YE%0KN", "2003", 6},
        {"timestamp/cut_after_a_whole_character", kMarch5, "%4YE%0KN", "2003" + kanji, 7},
        {"timestamp/long_expansion_cut_on_boundary", kMarch5, Repeat("%4YE%0KN", 50),
         Repeat("2003" + kanji, 43) + "2"},
        {"timestamp/double_byte_run_cut_on_boundary", kMarch5, Repeat("%0KN", 200),
         Repeat(kanji, 129)},
    });
}

}  // namespace
}  // namespace morvanex::engine
