#include "engine/exif/ExifReader.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "platform/Codepage.h"
#include "support/ExifSamples.h"
#include "support/FixedClock.h"
#include "support/JpegBuilder.h"
#include "support/RecordingFileSystem.h"

namespace morvanex::engine {
namespace {

using platform::Sjis;
using test::JpegBuilder;
using test::RecordingFileSystem;

using test::At;

// These tables describe the strict reading; the wide one has its own in ExifContainers_test.
constexpr ExifReading kStrict = ExifReading::StrictJpeg;

std::string Full(bool bigEndian = false) {
    return JpegBuilder(bigEndian)
        .Maker("Camera Maker")
        .Model("Model X")
        .DateTime("2003:03:05 10:20:30")
        .Build();
}

std::string Sample(const std::string& name) {
    for (const auto& sample : test::ExifSeedSamples()) {
        if (sample.name == name) return sample.bytes;
    }
    ADD_FAILURE() << "no sample " << name;
    return {};
}

// What a file's Exif data should read as: nothing, or the three texts.
struct Expected {
    bool present;
    std::string maker;
    std::string model;
    std::string dateTime;
};

struct FileRow {
    const char* name;
    std::string bytes;
    Expected expected;
};

void RunFileRows(const std::vector<FileRow>& rows) {
    for (const FileRow& row : rows) {
        RecordingFileSystem fileSystem;
        fileSystem.AddFile("/p/a.jpg", row.bytes);
        ExifData data;
        const int result = ReadExif(fileSystem, "/p/a.jpg", data, kStrict);
        EXPECT_EQ(result, row.expected.present ? 1 : 0) << row.name;
        if (result == 1) {
            EXPECT_EQ(data.maker, row.expected.maker) << row.name;
            EXPECT_EQ(data.model, row.expected.model) << row.name;
            EXPECT_EQ(data.dateTime, row.expected.dateTime) << row.name;
        }
        // The parser agrees with the reader on the same bytes.
        EXPECT_EQ(ParseExif(row.bytes).has_value(), row.expected.present) << row.name;
    }
}

const Expected kNone{false, "", "", ""};
const Expected kEmpty{true, "", "", ""};
const Expected kCamera{true, "Camera Maker", "Model X", "2003:03:05 10:20:30"};

std::string WithByte(std::string bytes, std::size_t at, char value) {
    bytes[at] = value;
    return bytes;
}

TEST(ExifReader, OrdinaryFiles) {
    RunFileRows({
        {"exif/little_endian", Full(false), kCamera},
        {"exif/big_endian", Full(true), kCamera},
        {"exif/maker_only", JpegBuilder().Maker("Only").Build(), {true, "Only", "", ""}},
        {"exif/pointer_without_texts", JpegBuilder().Build(), kEmpty},
        {"exif/maker_capped_at_255_bytes",
         JpegBuilder().Maker(std::string(300, 'm')).Build(),
         {true, std::string(255, 'm'), "", ""}},
        {"exif/date_time_of_20_bytes_without_terminator",
         JpegBuilder().EntryIntoPadding(0x0132, 2, 20).Padding(40, '7').Build(),
         {true, "", "", std::string(20, '7')}},
    });
}

TEST(ExifReader, FilesWithoutExifData) {
    RunFileRows({
        {"exif/app0_before_app1", Sample("app0_first"), kNone},
        {"exif/no_exif_pointer", Sample("no_exif_pointer"), kNone},
        {"exif/not_a_jpeg", "GIF89a" + Full().substr(6), kNone},
        {"exif/app1_not_exif", WithByte(Full(), 6, 'X'), kNone},
        {"exif/exif_id_without_zeros", WithByte(Full(), 11, '\x01'), kNone},
        {"exif/unknown_byte_order", WithByte(WithByte(Full(), 12, 'I'), 13, 'M'), kNone},
        {"exif/wrong_tiff_magic", WithByte(Full(), 14, '\x2B'), kNone},
        {"exif/directory_not_right_after_header", WithByte(Full(), 16, '\x0A'), kNone},
        {"exif/mixed_order_header", WithByte(WithByte(Full(true), 12, 'I'), 13, 'I'), kNone},
        {"exif/entry_count_zero", JpegBuilder().ExifPointer(false).Build(), kNone},
        {"exif/zero_length_file", "", kNone},
        {"exif/truncated_header", Sample("truncated_header"), kNone},
        {"exif/header_without_entry_count", Full().substr(0, 21), kNone},
        {"exif/pointer_entry_cut_off", Full().substr(0, 22 + 3 * 12 + 5), kNone},
    });
}

std::string WithoutLastBytes(std::string bytes, std::size_t count) {
    bytes.resize(bytes.size() - count);
    return bytes;
}

TEST(ExifReader, ValuesOutsideTheWindowAreIgnored) {
    // Two entries (maker and Exif pointer): W = 2 * 12 + 26 = 50, the window ends at 25,050,
    // and the padding starts at file position 56.
    const auto makerInPadding = [](std::uint32_t delta) {
        return JpegBuilder().EntryIntoPadding(0x010F, 2, 5, delta).Padding(25100, 'z').Build();
    };
    const std::string date = JpegBuilder().EntryIntoPadding(0x0132, 2, 20).Padding(19, '1').Build();
    RunFileRows({
        // Offsets count from the TIFF header: offset 8 is the directory itself, before W.
        {"exif/value_inside_the_directory", JpegBuilder().RawEntry(0x010F, 2, 4, 8).Build(),
         kEmpty},
        {"exif/value_past_end_of_file", JpegBuilder().RawEntry(0x010F, 2, 4, 5000).Build(), kEmpty},
        {"exif/value_straddles_end_of_file",
         JpegBuilder().EntryIntoPadding(0x010F, 2, 20, 5).Padding(10, 'q').Build(), kEmpty},
        {"exif/offset_near_2_32", Sample("offset_near_2_32"), kEmpty},
        {"exif/offset_ffffffff", JpegBuilder().RawEntry(0x0110, 2, 4, 0xFFFFFFFF).Build(), kEmpty},
        {"exif/count_zero", Sample("count_zero"), kEmpty},
        {"exif/count_ffffffff_takes_255_bytes",
         Sample("count_ffffffff"),
         {true, "", std::string(255, 'A'), ""}},
        // The date-time always takes 20 bytes, whatever its count says.
        {"exif/date_time_ends_at_end_of_file",
         WithoutLastBytes(date, 1),
         {true, "", "", std::string(19, '1') + "\xFF"}},
        {"exif/date_time_cut_by_end_of_file", WithoutLastBytes(date, 2), kEmpty},
        {"exif/value_ending_at_window_end", makerInPadding(24989), {true, "zzzzz", "", ""}},
        {"exif/value_one_byte_past_window_end", makerInPadding(24990), kEmpty},
    });
}

TEST(ExifReader, HostileDirectoriesAreReadWithinBounds) {
    RecordingFileSystem fileSystem;
    // The count claims 65535 entries in a 100-byte file: the entries present are looked at,
    // the window lies past the end.
    fileSystem.AddFile("/p/short.jpg", Sample("entry_count_ffff_100_bytes"));
    ExifData data;
    EXPECT_EQ(ReadExif(fileSystem, "/p/short.jpg", data, kStrict), 1);
    EXPECT_EQ(data, ExifData{});
    EXPECT_EQ(fileSystem.readRequests, (std::vector<std::size_t>{kExifFirstRead}));

    // The same claim in a long file: one more read, of exactly the bytes the window needs.
    std::string longFile = JpegBuilder().Maker("M").EntryCount(0xFFFF).Padding(900000).Build();
    fileSystem.AddFile("/p/long.jpg", longFile);
    EXPECT_EQ(ReadExif(fileSystem, "/p/long.jpg", data, kStrict), 1);
    EXPECT_EQ(data, ExifData{});
    EXPECT_EQ(fileSystem.readRequests,
              (std::vector<std::size_t>{kExifFirstRead, kExifFirstRead,
                                        0xFFFFu * 12 + 26 + kExifWindowBytes}));
}

TEST(ExifReader, ReadsOnlyTheFirstBytes) {
    RecordingFileSystem fileSystem;
    fileSystem.AddFile("/p/big.jpg", Full() + std::string(5'000'000, '\0'));
    ExifData data;
    EXPECT_EQ(ReadExif(fileSystem, "/p/big.jpg", data, kStrict), 1);
    EXPECT_EQ(data.maker, "Camera Maker");
    EXPECT_EQ(fileSystem.readRequests, (std::vector<std::size_t>{kExifFirstRead}));
}

TEST(ExifReader, LargeDirectoryIsReadInASecondRead) {
    // 6,000 entries put the directory's end, and the values after it, past the first read.
    JpegBuilder builder;
    builder.Maker("Far Maker");
    for (int i = 0; i < 6000; ++i) builder.RawEntry(0x9000, 2, 0, 0);
    RecordingFileSystem fileSystem;
    fileSystem.AddFile("/p/many.jpg", builder.Padding(100000).Build());
    ExifData data;
    EXPECT_EQ(ReadExif(fileSystem, "/p/many.jpg", data, kStrict), 1);
    EXPECT_EQ(data.maker, "Far Maker");
    EXPECT_EQ(fileSystem.readRequests.size(), 2u);
}

TEST(ExifReader, WhatIsNotAReadableFile) {
    RecordingFileSystem fileSystem;
    fileSystem.AddFolder("/p");
    fileSystem.AddFolder("/p/folder.jpg");
    fileSystem.AddFile("/p/empty.jpg", "");
    struct Row {
        const char* name;
        const char* path;
    } rows[] = {
        {"exif/directory_instead_of_file", "/p/folder.jpg"},
        {"exif/missing_file", "/p/none.jpg"},
        {"exif/zero_length_file", "/p/empty.jpg"},
    };
    for (const Row& row : rows) {
        ExifData data;
        data.maker = "kept";
        EXPECT_EQ(ReadExif(fileSystem, row.path, data), 0) << row.name;
        EXPECT_EQ(data.maker, "kept") << row.name;
        std::string out = "unchanged";
        EXPECT_EQ(ExpandExifFormat(fileSystem, row.path, "%EMK", out), kNoExifData) << row.name;
        EXPECT_EQ(out, "unchanged") << row.name;
    }
}

TEST(ExifReader, DateTime) {
    struct Row {
        const char* name;
        std::string text;
        std::optional<platform::Timestamp> expected;
    } rows[] = {
        {"exif/date_time", "2003:03:05 10:20:30", At(2003, 3, 5, 10, 20, 30)},
        {"exif/date_time_last_second_of_year", "1999:12:31 23:59:59", At(1999, 12, 31, 23, 59, 59)},
        {"exif/date_time_leap_day", "2004:02:29 00:00:00", At(2004, 2, 29, 0, 0, 0)},
        {"exif/date_time_empty", "", std::nullopt},
        {"exif/date_time_all_zeros", "0000:00:00 00:00:00", std::nullopt},
        {"exif/date_time_unknown_as_blanks", "    :  :     :  :  ", std::nullopt},
        {"exif/date_time_no_such_day", "2003:02:29 10:00:00", std::nullopt},
        {"exif/date_time_hour_24", "2003:03:05 24:00:00", std::nullopt},
        {"exif/date_time_month_13", "2003:13:05 10:00:00", std::nullopt},
        {"exif/date_time_letters", "abcd:ef:gh ij:kl:mn", std::nullopt},
        {"exif/date_time_without_time", "2003:03:05", At(2003, 3, 5, 0, 0, 0)},
    };
    for (const Row& row : rows) {
        ExifData data;
        data.dateTime = row.text;
        EXPECT_EQ(ExifDateTime(data), row.expected) << row.name;
    }
}

TEST(ExifReader, MakerAndModelCopyWhenTheyFit) {
    ExifData data;
    data.maker = "Camera";
    data.model = "X1";
    std::string text = "before";
    EXPECT_EQ(ExifMaker(data, text, 6), 0);
    EXPECT_EQ(text, "before");
    EXPECT_EQ(ExifMaker(data, text, 7), 1);
    EXPECT_EQ(text, "Camera");
    EXPECT_EQ(ExifModel(data, text, 2), 0);
    EXPECT_EQ(ExifModel(data, text), 1);
    EXPECT_EQ(text, "X1");
}

TEST(ExifReader, ExpandExifFormat) {
    ExifData camera;
    camera.maker = "Camera Maker";
    camera.model = "Model X";
    camera.dateTime = "2003:03:05 10:20:30";
    ExifData noDate = camera;
    noDate.dateTime = "0000:00:00 00:00:00";
    struct Row {
        const char* name;
        const ExifData& data;
        std::string format;
        std::string expected;
        std::size_t bufferSize = 260;
    } rows[] = {
        {"exif/date_as_year_month_day", camera, "%EDT%4YE%2MO%2DA", "20030305"},
        {"exif/date_default_format", camera, "%EDT%4YE%2MO%2DA%2HO%2MI%2SE", "20030305102030"},
        {"exif/date_with_kanji", camera, "%EDT%2HO%0KZ", "10" + Sjis("時")},
        {"exif/date_alone_gives_nothing", camera, "%EDT", ""},
        {"exif/maker", camera, "%EMK", "Camera Maker"},
        {"exif/model", camera, "%ECM", "Model X"},
        {"exif/maker_range", camera, "%EMK%EST0103", "Cam"},
        {"exif/model_range", camera, "%ECM%EST0507", "l X"},
        {"exif/range_lower_case_hex", camera, "%EMK%EST0a0c", "ker"},
        {"exif/range_end_past_text", camera, "%EMK%EST08FF", "Maker"},
        {"exif/range_start_past_text", camera, "%EMK%ESTFF03", "m"},
        {"exif/range_reversed", camera, "%EMK%EST0502", "a"},
        {"exif/range_zero_zero_is_empty", camera, "%EMK%EST0000", ""},
        {"exif/range_start_zero_counts_as_one", camera, "%EMK%EST0002", "Ca"},
        {"exif/range_not_hex", camera, "%EMK%ESTZZ03", "Cam"},
        {"exif/range_missing", camera, "%EMK%EST", ""},
        {"exif/range_chunk_is_taken_whatever_it_is", camera, "%EMK%EST%ECM", ""},
        {"exif/date_runs_to_next_exif_item", camera, "%EDT%4YE%EMK", "2003Camera Maker"},
        {"exif/items_in_sequence", camera, "%EMK%EDT%2DA%ECM", "Camera Maker05Model X"},
        {"exif/two_dates", camera, "%EDT%4YE%EDT%2MO", "200303"},
        {"exif/invalid_date_gives_nothing", noDate, "%EDT%4YE%EMK", "Camera Maker"},
        {"exif/lower_case_item", camera, "%emk", ""},
        {"exif/misaligned_item", camera, "X%EMK", ""},
        {"exif/timestamp_token_outside_date", camera, "%4YE%EMK", "Camera Maker"},
        {"exif/cut_to_buffer", camera, "%EMK", "Cam", 4},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(ExpandExifFormat(row.data, row.format, row.bufferSize), row.expected) << row.name;
    }
}

TEST(ExifReader, ExpandExifFormatFromAFile) {
    RecordingFileSystem fileSystem;
    fileSystem.AddFile("/p/mm.jpg", Full(true));
    fileSystem.AddFile("/p/plain.jpg", JpegBuilder().ExifPointer(false).Build());
    std::string out;
    EXPECT_EQ(ExpandExifFormat(fileSystem, "/p/mm.jpg", "%EDT%4YE%2MO%2DA%ECM", out), 0);
    EXPECT_EQ(out, "20030305Model X");
    EXPECT_EQ(ExpandExifFormat(fileSystem, "/p/plain.jpg", "%EMK", out), kNoExifData);
    EXPECT_EQ(out, "20030305Model X");
}

TEST(ExifReader, Placeholder) {
    struct Row {
        const char* name;
        std::string format;
        std::string expected;
    } rows[] = {
        {"exif/placeholder_date", "%EDT%4YE%2MO%2DA", Sjis("(撮影時間)")},
        {"exif/placeholder_maker_with_range", "%EMK%EST0103", Sjis("(メーカー名)")},
        {"exif/placeholder_model", "%ECM", Sjis("(機種名)")},
        {"exif/placeholder_all", "%EDT%2DA%EMK%ECM", Sjis("(撮影時間)(メーカー名)(機種名)")},
        {"exif/placeholder_no_items", "%4YE%2MO", ""},
        {"exif/placeholder_misaligned", "X%EDT", ""},
        {"exif/placeholder_empty", "", ""},
    };
    for (const Row& row : rows) EXPECT_EQ(ExifPlaceholder(row.format), row.expected) << row.name;
    // Cut like any expansion, never inside a character.
    EXPECT_EQ(ExifPlaceholder("%EDT", 5), Sjis("(撮"));
}

}  // namespace
}  // namespace morvanex::engine
