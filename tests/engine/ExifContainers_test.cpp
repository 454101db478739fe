// The wide reading: every container the reader knows, built byte by byte, with the fallback
// cases and the hostile ones; the reads it makes; the strict reading beside it; a run over a
// folder of mixed files.
#include <gtest/gtest.h>

#include <cerrno>
#include <string>
#include <vector>

#include "engine/exif/ExifReader.h"
#include "engine/exif/ExifSource.h"
#include "engine/run/RunDriver.h"
#include "platform/Codepage.h"
#include "platform/PosixFileSystem.h"
#include "settings/SettingsLifecycle.h"
#include "support/FaultInjectingFileSystem.h"
#include "support/FixedClock.h"
#include "support/MediaBuilder.h"
#include "support/RecordingFileSystem.h"
#include "support/ScriptedInteraction.h"
#include "support/TempFolder.h"

namespace morvanex::engine {
namespace {

using namespace test;

constexpr std::uint16_t kMaker = 0x010F;
constexpr std::uint16_t kModel = 0x0110;
constexpr std::uint16_t kDateTime = 0x0132;
constexpr std::uint16_t kOriginal = 0x9003;
constexpr std::uint16_t kDigitized = 0x9004;

constexpr const char* kShot = "2003:03:05 10:20:30";
constexpr const char* kSaved = "2020:01:01 09:00:00";

// 2023-11-14 22:13:20 UTC, in seconds since 1904.
constexpr std::uint64_t kMovieSeconds = 1700000000ULL + 2082844800ULL;
constexpr const char* kMovieJapanTime = "2023:11:15 07:13:20";

struct Expected {
    bool present;
    std::string maker;
    std::string model;
    std::string dateTime;
};

const Expected kNone{false, "", "", ""};
const Expected kCamera{true, "Camera Maker", "Model X", kShot};

// A camera's TIFF block: maker, model and the time of the last save in the main directory, the
// shooting time in the Exif directory.
TiffBuilder Camera(bool bigEndian = false) {
    TiffBuilder tiff(bigEndian);
    tiff.Main(kMaker, "Camera Maker").Main(kModel, "Model X").Main(kDateTime, kSaved);
    tiff.Exif(kOriginal, kShot).Exif(kDigitized, "2003:03:05 10:20:31");
    return tiff;
}

std::string Xmp() {
    return Segment(0xE1, std::string("http://ns.adobe.com/xap/1.0/\0<x/>", 33));
}
std::string Icc() {
    return Segment(0xE2, "ICC_PROFILE" + std::string(3000, '\x01'));
}

std::string HeaderThen(std::string_view header, std::uint32_t firstDirectory) {
    std::string out(header);
    out += static_cast<char>(firstDirectory & 0xFF);
    out += static_cast<char>((firstDirectory >> 8) & 0xFF);
    out += static_cast<char>((firstDirectory >> 16) & 0xFF);
    out += static_cast<char>(firstDirectory >> 24);
    return out + std::string(40, '\0');
}

std::string Moov(const std::vector<std::string>& children) {
    std::string body;
    for (const std::string& child : children) body += child;
    return Box("moov", body);
}

std::string Nested(int depth) {
    std::string inner = MovieHeader(kMovieSeconds);
    for (int i = 0; i < depth; ++i) inner = Box("moov", inner);
    return Box("ftyp", "isom" + Be32(0)) + inner;
}

struct Row {
    const char* name;
    std::string bytes;
    Expected expected;
};

void Check(const Row& row, const std::optional<ExifData>& data, const char* how) {
    EXPECT_EQ(data.has_value(), row.expected.present) << row.name << " " << how;
    if (!data || !row.expected.present) return;
    EXPECT_EQ(data->maker, row.expected.maker) << row.name << " " << how;
    EXPECT_EQ(data->model, row.expected.model) << row.name << " " << how;
    EXPECT_EQ(data->dateTime, row.expected.dateTime) << row.name << " " << how;
}

// Each file is read three ways with the same outcome: from memory, through a file system with
// the usual first read, and with a first read so small that everything else comes from
// targeted reads.
void RunRows(const std::vector<Row>& rows) {
    for (const Row& row : rows) {
        Check(row, ParseMetadata(row.bytes), "in memory");
        for (const std::size_t firstRead : {kExifFirstRead, std::size_t{24}}) {
            RecordingFileSystem fileSystem;
            fileSystem.AddFile("/p/f", row.bytes);
            ExifData data;
            const int result = ReadExif(fileSystem, "/p/f", data, ExifReading::Wide, firstRead);
            Check(row, result == 1 ? std::optional<ExifData>(data) : std::nullopt,
                  firstRead == kExifFirstRead ? "from a file" : "by targeted reads");
            EXPECT_LE(fileSystem.readsAt.size(), kExifTargetedReads) << row.name;
        }
    }
}

TEST(ExifContainers, Jpeg) {
    RunRows({
        {"jpeg/exif_first", JpegFile({ExifSegment(Camera().Build())}), kCamera},
        {"jpeg/after_jfif", JpegFile({JfifSegment(), ExifSegment(Camera().Build())}), kCamera},
        {"jpeg/after_jfif_icc_and_xmp",
         JpegFile({JfifSegment(), Icc(), Xmp(), ExifSegment(Camera().Build())}), kCamera},
        {"jpeg/fill_bytes_before_a_marker",
         JpegFile({JfifSegment(), "\xFF\xFF" + ExifSegment(Camera().Build())}), kCamera},
        {"jpeg/big_endian", JpegFile({JfifSegment(), ExifSegment(Camera(true).Build())}), kCamera},
        {"jpeg/first_directory_at_offset_100",
         JpegFile({ExifSegment(Camera().FirstDirectoryAt(100).Build())}), kCamera},
        {"jpeg/digitized_without_original",
         JpegFile(
             {ExifSegment(TiffBuilder().Main(kDateTime, kSaved).Exif(kDigitized, kShot).Build())}),
         {true, "", "", kShot}},
        {"jpeg/saved_time_without_exif_directory",
         JpegFile({ExifSegment(TiffBuilder().Main(kDateTime, kSaved).Build())}),
         {true, "", "", kSaved}},
        {"jpeg/zero_original_gives_way",
         JpegFile({ExifSegment(TiffBuilder()
                                   .Main(kDateTime, kSaved)
                                   .Exif(kOriginal, "0000:00:00 00:00:00")
                                   .Build())}),
         {true, "", "", kSaved}},
        {"jpeg/zero_date_alone_is_no_data",
         JpegFile({ExifSegment(TiffBuilder().Exif(kOriginal, "0000:00:00 00:00:00").Build())}),
         kNone},
        {"jpeg/no_date_keeps_the_maker",
         JpegFile({JfifSegment(), ExifSegment(TiffBuilder().Main(kMaker, "Maker").Build())}),
         {true, "Maker", "", ""}},
        {"jpeg/short_text_inside_its_entry",
         JpegFile({ExifSegment(TiffBuilder().Main(kModel, "X1").Build())}),
         {true, "", "X1", ""}},
        {"jpeg/no_values_is_no_data", JpegFile({ExifSegment(TiffBuilder().Build())}), kNone},
        {"jpeg/exif_after_the_image_data",
         JpegFile({JfifSegment()}) + ExifSegment(Camera().Build()), kNone},
        {"jpeg/segment_length_below_two",
         "\xFF\xD8\xFF\xE0" + Be16(1) + ExifSegment(Camera().Build()), kNone},
        {"jpeg/segment_running_past_the_end", "\xFF\xD8\xFF\xE0" + Be16(0xFFFF) + "JFIF", kNone},
        {"jpeg/exif_pointer_past_the_segment",
         JpegFile({ExifSegment(TiffBuilder().Main(kMaker, "M").ExifPointer(60000).Build())}),
         {true, "M", "", ""}},
        {"jpeg/exif_pointer_to_the_main_directory",
         JpegFile({ExifSegment(TiffBuilder().Main(kDateTime, kSaved).ExifPointer(8).Build())}),
         {true, "", "", kSaved}},
        {"jpeg/value_offset_near_2_32",
         JpegFile({ExifSegment(TiffBuilder().MainRaw(kMaker, 2, 20, 0xFFFFFFF0).Build())}), kNone},
        {"jpeg/value_count_ffffffff",
         JpegFile({ExifSegment(TiffBuilder().MainRaw(kModel, 2, 0xFFFFFFFF, 8).Build())}), kNone},
        {"jpeg/value_beyond_its_segment_in_the_file",
         JpegFile({ExifSegment(TiffBuilder().MainRaw(kMaker, 2, 5, 200).Build()),
                   Segment(0xFE, std::string(400, 'c'))}),
         kNone},
        {"jpeg/tiff_header_cut_short", JpegFile({Segment(0xE1, std::string("Exif\0\0II*", 9))}),
         kNone},
        {"sidecar/thm_without_exif", JpegFile({JfifSegment()}), kNone},
    });
}

TEST(ExifContainers, TiffAndRawFiles) {
    RunRows({
        {"tiff/little_endian", Camera().Build(), kCamera},
        {"tiff/big_endian_nef_pef", Camera(true).Build(), kCamera},
        {"tiff/directory_after_the_image_data", Camera().FirstDirectoryAt(5000).Build(), kCamera},
        {"raw/cr2_directory_at_16", Camera().FirstDirectoryAt(16).Build(), kCamera},
        {"raw/orf_iiro", Camera().Magic(0x4F52).Build(), kCamera},
        {"raw/orf_iirs", Camera().Magic(0x5352).Build(), kCamera},
        {"raw/orf_mmor", Camera(true).Magic(0x4F52).Build(), kCamera},
        {"raw/rw2_iiu", Camera().Magic(0x0055).Build(), kCamera},
        {"tiff/scanned_with_date_only",
         TiffBuilder().Main(kDateTime, kSaved).Build(),
         {true, "", "", kSaved}},
        {"tiff/bigtiff_not_read", Camera().Magic(43).Build(), kNone},
        {"tiff/first_directory_past_the_end", HeaderThen(std::string_view("II*\0", 4), 0x7FFFFFFF),
         kNone},
        {"tiff/first_directory_at_ffffffff", HeaderThen(std::string_view("II*\0", 4), 0xFFFFFFFF),
         kNone},
        {"tiff/header_only", std::string("II*\0\x08\0\0\0", 8), kNone},
    });
}

TEST(ExifContainers, HeifAndAvif) {
    const std::string item = ExifItem(Camera().Build());
    HeifOptions avif;
    avif.brand = "avif";
    HeifOptions version0;
    version0.ilocVersion = 0;
    HeifOptions version2;
    version2.ilocVersion = 2;
    HeifOptions inItemData;
    inItemData.inItemData = true;
    HeifOptions noExif;
    noExif.itemType = "mime";
    HeifOptions pastEnd;
    pastEnd.offsetDelta = 1 << 20;
    HeifOptions idatPastEnd;
    idatPastEnd.inItemData = true;
    idatPastEnd.offsetDelta = 5000;
    HeifOptions huge;
    huge.lengthOverride = 0xFFFFFFFF;
    HeifOptions whole;
    whole.lengthOverride = 0;
    const std::string exifPrefixed = Be32(6) + std::string("Exif\0\0", 6) + Camera().Build();
    std::string metaClaims2To64 = Box("ftyp", "heic" + Be32(0)) +
                                  BoxClaiming("meta", 0xFFFFFFFFFFFFFFFFULL, std::string(64, 'm'));
    RunRows({
        {"heif/heic", HeifFile(item), kCamera},
        {"heif/avif", HeifFile(item, avif), kCamera},
        {"heif/item_location_version_0", HeifFile(item, version0), kCamera},
        {"heif/item_location_version_2", HeifFile(item, version2), kCamera},
        {"heif/item_in_the_item_data_box", HeifFile(item, inItemData), kCamera},
        {"heif/exif_header_before_the_tiff", HeifFile(exifPrefixed), kCamera},
        {"heif/extent_length_claims_4_gib", HeifFile(item, huge), kCamera},
        {"heif/no_exif_item", HeifFile(item, noExif), kNone},
        {"heif/item_location_outside_the_file", HeifFile(item, pastEnd), kNone},
        {"heif/item_location_outside_the_item_data", HeifFile(item, idatPastEnd), kNone},
        {"heif/tiff_offset_past_the_item", HeifFile(Be32(0xFFFFFF00) + Camera().Build()), kNone},
        {"heif/meta_claims_2_64_bytes", metaClaims2To64, kNone},
    });
}

TEST(ExifContainers, CanonCr3) {
    const std::string cmt1 = TiffBuilder()
                                 .Main(kMaker, "Canon")
                                 .Main(kModel, "Canon EOS R5")
                                 .Main(kDateTime, kSaved)
                                 .Build();
    const std::string cmt2 = TiffBuilder().Main(kOriginal, kShot).Build();
    std::string otherUuid = Cr3File(cmt1, cmt2);
    otherUuid[otherUuid.find("\x85\xC0\xB6\x87")] = '\x86';
    RunRows({
        {"cr3/cmt1_and_cmt2", Cr3File(cmt1, cmt2), {true, "Canon", "Canon EOS R5", kShot}},
        {"cr3/cmt1_only", Cr3File(cmt1, ""), {true, "Canon", "Canon EOS R5", kSaved}},
        {"cr3/another_uuid_box", otherUuid, kNone},
    });
}

TEST(ExifContainers, Movies) {
    const std::string header = MovieHeader(kMovieSeconds);
    const Expected fromHeader{true, "", "", kMovieJapanTime};
    const std::string keys =
        QuickTimeMeta({{"com.apple.quicktime.make", "Apple"},
                       {"com.apple.quicktime.model", "iPhone 15 Pro"},
                       {"com.apple.quicktime.software", "17.1"},
                       {"com.apple.quicktime.creationdate", "2023-11-14T16:05:09-0800"}});
    const std::string japaneseModel =
        QuickTimeMeta({{"com.apple.quicktime.model", "\xE3\x82\xAB\xE3\x83\xA1\xE3\x83\xA9"}});
    const std::string badDate =
        QuickTimeMeta({{"com.apple.quicktime.creationdate", "2023-13-40T25:00:00+0900"}});
    const std::string userData =
        Box("udta", UserDataText("\xA9mak", "Sony") + UserDataText("\xA9mod", "ILCE-7M4"));
    const std::string itunes = Box(
        "udta", FullBox("meta", 0,
                        FullBox("hdlr", 0, Be32(0) + "mdir" + std::string(13, '\0')) +
                            Box("ilst", Box("\xA9mak", Box("data", Be32(1) + Be32(0) + "GoPro")))));
    const std::string isoStyleMeta =
        FullBox("meta", 0, QuickTimeMeta({{"com.apple.quicktime.make", "Apple"}}).substr(8));
    const std::string unknownIndex =
        Box("meta", FullBox("hdlr", 0, Be32(0) + "mdta" + std::string(13, '\0')) +
                        FullBox("keys", 0, Be32(0)) +
                        Box("ilst", Box(Be32(999), Box("data", Be32(1) + Be32(0) + "x"))));
    const std::string ftyp = Box("ftyp", "isom" + Be32(0));
    // A movie header claiming more than its movie box holds: damaged, not read.
    std::string childTooLarge = Box("moov", Be32(5000) + header.substr(4));
    // A movie box claiming more than the file holds (a file cut short): the same answer in a
    // file smaller than the first read and in one larger than it.
    const std::string cutShort = BoxClaiming("moov", 8 + header.size() + 5000, header);
    const std::string padding = LargeBox("mdat", std::string(100'000, '\0'));
    RunRows({
        {"movie/mp4_header_version_0", MovieFile("isom", {header}), fromHeader},
        {"movie/mp4_header_version_1", MovieFile("isom", {MovieHeader(kMovieSeconds, 1)}),
         fromHeader},
        {"movie/3gp", MovieFile("3gp4", {header}), fromHeader},
        {"movie/m4v", MovieFile("M4V ", {header}), fromHeader},
        {"movie/mov_keys_keep_their_wall_clock",
         MovieFile("qt  ", {header, keys}),
         {true, "Apple", "iPhone 15 Pro", "2023:11:14 16:05:09"}},
        {"movie/utf8_model_converted",
         MovieFile("qt  ", {header, japaneseModel}),
         {true, "", platform::Sjis("カメラ"), kMovieJapanTime}},
        {"movie/invalid_creation_date_gives_way", MovieFile("qt  ", {header, badDate}), fromHeader},
        {"movie/user_data_texts",
         MovieFile("isom", {header, userData}),
         {true, "Sony", "ILCE-7M4", kMovieJapanTime}},
        {"movie/user_data_item_list", MovieFile("isom", {itunes}), {true, "GoPro", "", ""}},
        {"movie/metadata_box_with_version",
         MovieFile("qt  ", {isoStyleMeta}),
         {true, "Apple", "", ""}},
        {"movie/key_index_out_of_range", MovieFile("qt  ", {header, unknownIndex}), fromHeader},
        {"movie/movie_box_after_the_media", MovieFile("isom", {header}, 100000, true), fromHeader},
        {"movie/media_with_64_bit_size",
         ftyp + LargeBox("mdat", std::string(300, '\0')) + Moov({header}), fromHeader},
        {"movie/movie_box_to_the_end_of_file", ftyp + OpenBox("moov", header), fromHeader},
        {"movie/zero_creation_time", MovieFile("isom", {MovieHeader(0)}), kNone},
        {"movie/creation_time_past_year_9999",
         MovieFile("isom", {MovieHeader(0xFFFFFFFFFFFFFFFFULL, 1)}), kNone},
        {"movie/media_claims_2_64_bytes",
         ftyp + BoxClaiming("mdat", 0xFFFFFFFFFFFFFFFFULL, "") + Moov({header}), kNone},
        {"movie/box_smaller_than_its_header", ftyp + Be32(4) + "free" + Moov({header}), kNone},
        {"movie/child_larger_than_its_parent", ftyp + childTooLarge, kNone},
        {"movie/movie_box_past_the_end_of_a_small_file", ftyp + cutShort, fromHeader},
        {"movie/movie_box_past_the_end_of_a_large_file", ftyp + padding + cutShort, fromHeader},
        {"movie/movie_boxes_nested_200_deep", Nested(200), kNone},
        {"movie/header_cut_short", ftyp + Moov({Box("mvhd", "\0\0")}), kNone},
    });
}

TEST(ExifContainers, FilesWithoutShootingData) {
    RunRows({
        {"sidecar/xmp",
         "<?xpacket begin='' id='W5M0MpCehiHzreSzNTczkc9d'?><x:xmpmeta xmlns:x='adobe:ns:meta/' "
         "exif:DateTimeOriginal='2003-03-05T10:20:30'/>",
         kNone},
        {"sidecar/aae", "<?xml version=\"1.0\" encoding=\"UTF-8\"?><plist version=\"1.0\"/>",
         kNone},
        {"other/empty", "", kNone},
        {"other/gif", "GIF89a" + Camera().Build(), kNone},
        {"other/ftyp_alone", Box("ftyp", "isom"), kNone},
    });
}

TEST(ExifContainers, StrictReadingIsTheJpegOnlyReader) {
    struct StrictRow {
        const char* name;
        std::string bytes;
        bool strictFinds;
    } rows[] = {
        {"strict/exif_first_directory_at_8", JpegFile({ExifSegment(Camera().Build())}), true},
        {"strict/after_jfif", JpegFile({JfifSegment(), ExifSegment(Camera().Build())}), false},
        {"strict/first_directory_at_100",
         JpegFile({ExifSegment(Camera().FirstDirectoryAt(100).Build())}), false},
        {"strict/heic", HeifFile(ExifItem(Camera().Build())), false},
        {"strict/tiff", Camera().Build(), false},
        {"strict/movie", MovieFile("qt  ", {MovieHeader(kMovieSeconds)}), false},
    };
    for (const StrictRow& row : rows) {
        MemoryFileSystem fileSystem;
        fileSystem.AddFile("/p/f", row.bytes);
        ExifData data;
        EXPECT_EQ(ReadExif(fileSystem, "/p/f", data, ExifReading::StrictJpeg),
                  row.strictFinds ? 1 : 0)
            << row.name;
        // The strict reading takes the main directory's time of the last save.
        if (row.strictFinds) {
            EXPECT_EQ(data.dateTime, kSaved) << row.name;
        }
        EXPECT_EQ(ReadExif(fileSystem, "/p/f", data), 1) << row.name;
    }
}

TEST(ExifContainers, ReadsStayBounded) {
    // The movie box after 5 MB of media: the head and one read where the movie box begins.
    RecordingFileSystem fileSystem;
    const std::string movie = MovieFile("isom", {MovieHeader(kMovieSeconds)}, 5'000'000, true);
    fileSystem.AddFile("/p/long.mp4", movie);
    ExifData data;
    ASSERT_EQ(ReadExif(fileSystem, "/p/long.mp4", data), 1);
    EXPECT_EQ(data.dateTime, kMovieJapanTime);
    EXPECT_EQ(fileSystem.readRequests, (std::vector<std::size_t>{kExifFirstRead}));
    ASSERT_EQ(fileSystem.readsAt.size(), 1u);
    EXPECT_EQ(fileSystem.readsAt[0].first, movie.rfind("moov") - 4);

    // Large tracks before the metadata: one read per jump, never more than the budget, and
    // never the whole file.
    std::vector<std::string> children{MovieHeader(kMovieSeconds)};
    for (int i = 0; i < 20; ++i) children.push_back(Box("trak", std::string(300'000, 't')));
    children.push_back(QuickTimeMeta({{"com.apple.quicktime.make", "Apple"}}));
    RecordingFileSystem tracks;
    tracks.AddFile("/p/tracks.mov", MovieFile("qt  ", children));
    ASSERT_EQ(ReadExif(tracks, "/p/tracks.mov", data), 1);
    EXPECT_EQ(data.dateTime, kMovieJapanTime);
    EXPECT_EQ(data.maker, "");  // its metadata lies beyond what the reads may reach
    EXPECT_EQ(tracks.readsAt.size(), kExifTargetedReads);
    for (const auto& [offset, count] : tracks.readsAt) EXPECT_LE(count, kExifLargestRequest);

    // A box claiming 2^64 bytes in a file larger than the head: nothing read past the end.
    RecordingFileSystem claims;
    claims.AddFile("/p/claims.mp4",
                   Box("ftyp", "isom" + Be32(0)) +
                       BoxClaiming("mdat", 0xFFFFFFFFFFFFFFF0ULL, std::string(100'000, '\0')));
    EXPECT_EQ(ReadExif(claims, "/p/claims.mp4", data), 0);
    EXPECT_LE(claims.readsAt.size(), 1u);
}

TEST(ExifContainers, FailedReadsMeanNoData) {
    const std::string movie = MovieFile("isom", {MovieHeader(kMovieSeconds)}, 100'000, true);
    struct FailRow {
        const char* name;
        FaultInjectingFileSystem::Op op;
    } rows[] = {
        {"fail/first_read", FaultInjectingFileSystem::Op::ReadFirstBytes},
        {"fail/targeted_read", FaultInjectingFileSystem::Op::ReadBytesAt},
    };
    for (const FailRow& row : rows) {
        MemoryFileSystem memory;
        memory.AddFile("/p/m.mp4", movie);
        FaultInjectingFileSystem faulty(memory);
        faulty.FailCall(row.op, 1, EIO);
        ExifData data;
        data.maker = "kept";
        EXPECT_EQ(ReadExif(faulty, "/p/m.mp4", data), 0) << row.name;
        EXPECT_EQ(data.maker, "kept") << row.name;
        EXPECT_EQ(ReadExif(faulty, "/p/m.mp4", data), 1) << row.name;
    }
}

// A preview and a real run over a folder of mixed files, through the job settings.
TEST(ExifContainers, RunNamesAndDatesEveryKindOfFile) {
    TempFolder temp;
    temp.CreateFile("a.jpg", JpegFile({JfifSegment(), ExifSegment(Camera().Build())}));
    temp.CreateFile(
        "b.heic", HeifFile(ExifItem(TiffBuilder().Exif(kOriginal, "2004:01:02 03:04:05").Build())));
    temp.CreateFile("c.mov", MovieFile("qt  ", {MovieHeader(kMovieSeconds)}, 200'000, true));
    temp.CreateFile("d.xmp", "<x:xmpmeta/>");
    platform::PosixFileSystem fileSystem;
    FixedClock clock{platform::FromLocalTime({2024, 5, 0, 6, 7, 8, 9, 0})};
    ScriptedInteraction ui;
    settings::RenameSettings job = settings::ConstructSettings({fileSystem, clock, {}});
    job.SelectFile.FullPath = Cp932(temp.Path());
    auto& parts = job.RenameOption.Parts;
    for (auto& part : parts) part = settings::PartSlot{};
    parts[0].SelectedPart = settings::kPartExif;
    parts[0].StrPart = settings::kDefaultExifFormat;
    parts[1].SelectedPart = settings::kPartPeriod;
    parts[2].SelectedPart = settings::kPartExtension;
    parts[6].SelectedPart = settings::kPartFileName;  // files without a date keep their name

    struct Expectation {
        int strict;
        std::vector<std::string> names;
    } expectations[] = {
        {0, {"20030305102030.jpg", "20040102030405.heic", "20231115071320.mov", "d.xmp"}},
        {1, {"a.jpg", "b.heic", "c.mov", "d.xmp"}},
    };
    for (const Expectation& e : expectations) {
        job.RenameOption.ExifStrictJpeg = e.strict;
        ui.resultLists.clear();
        ASSERT_EQ(StartRun(job, {fileSystem, clock, ui}, true, nullptr).resultCode, 0);
        ASSERT_EQ(ui.resultLists.size(), 1u);
        std::vector<std::string> names;
        for (const std::string& target : ui.resultLists[0].targets) {
            names.push_back(target.substr(target.rfind('/') + 1));
        }
        EXPECT_EQ(names, e.names) << "ExifStrictJpeg=" << e.strict;
    }

    // The time-stamp step's Exif mode reads the same way.
    job.RenameOption.ExifStrictJpeg = 0;
    job.RenameOption.EnableRename = 0;
    job.TimeStampOption.EnableTimeStamp = 1;
    job.TimeStampOption.EnableUpdateTime = 5;
    temp.SetModificationTime("d.xmp", 1000);
    ASSERT_EQ(StartRun(job, {fileSystem, clock, ui}, false, nullptr).resultCode, 0);
    EXPECT_EQ(temp.ModificationTime("c.mov"), 1700000000);
    EXPECT_EQ(temp.ModificationTime("a.jpg"),
              platform::FromLocalTime({2003, 3, 0, 5, 10, 20, 30, 0}));
    EXPECT_EQ(temp.ModificationTime("d.xmp"), 1000);
}

}  // namespace
}  // namespace morvanex::engine
