// The tag reader through TagLib over files made by TagLib (tests/support/TagBuilder), the
// judgment of legacy Japanese text, the tag tokens of the Exif format and their fallback, and
// hostile files.
#include "engine/exif/MediaTags.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "engine/exif/ExifAccessor.h"
#include "platform/Codepage.h"
#include "support/FaultInjectingFileSystem.h"
#include "support/JpegBuilder.h"
#include "support/MediaBuilder.h"
#include "support/MemoryFileSystem.h"
#include "support/TagBuilder.h"

namespace morvanex::engine {
namespace {

using platform::Sjis;
using platform::Utf8FromCp932;
using test::TagContainer;

const std::string kPath = "/music/Track01.mp3";

test::TagValues ArtistAndTitle(std::string artist, std::string title) {
    test::TagValues values;
    values.artist = std::move(artist);
    values.title = std::move(title);
    return values;
}

std::optional<MediaTags> Read(const std::string& bytes,
                              TagTextReading reading = TagTextReading::Automatic) {
    test::MemoryFileSystem fileSystem;
    fileSystem.AddFile(kPath, bytes);
    MediaTags tags;
    if (ReadMediaTags(fileSystem, kPath, tags, reading) != 1) return std::nullopt;
    return tags;
}

// container/<format>: every field of every container TagLib writes, Japanese and Latin texts,
// several values, characters a name may not hold, and the duration.
TEST(MediaTags, EveryContainerGivesEveryField) {
    test::TagValues values;
    values.artist = "AC/DC\nザ・バンド";
    values.albumArtist = "Various Artists";
    values.album = "Amélie: Live";
    values.title = "Why? 曲名";
    values.genre = "J-Pop";
    values.track = "3/12";
    values.disc = "1/2";
    values.date = "2003-05-12";
    struct Row {
        const char* name;
        TagContainer container;
        int seconds;
    };
    const Row rows[] = {
        {"container/mp3_id3v24_utf8", TagContainer::Mp3Id3v24, 183},
        {"container/mp3_id3v23_utf16", TagContainer::Mp3Id3v23, 183},
        {"container/mp3_id3v22", TagContainer::Mp3Id3v22, 183},
        {"container/flac", TagContainer::Flac, 183},
        {"container/ogg_vorbis", TagContainer::OggVorbis, 183},
        {"container/ogg_opus", TagContainer::OggOpus, 183},
        {"container/m4a", TagContainer::M4a, 183},
        {"container/wav_id3", TagContainer::Wav, 3},
        {"container/aiff_id3", TagContainer::Aiff, 3},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const auto tags = Read(test::TaggedFile(row.container, values, row.seconds));
        ASSERT_TRUE(tags);
        EXPECT_EQ(Utf8FromCp932(tags->artist), "AC／DC; ザ・バンド");
        EXPECT_EQ(Utf8FromCp932(tags->albumArtist), "Various Artists");
        EXPECT_EQ(Utf8FromCp932(tags->album), "Amélie： Live");
        EXPECT_EQ(Utf8FromCp932(tags->title), "Why？ 曲名");
        EXPECT_EQ(tags->genre, "J-Pop");
        EXPECT_EQ(tags->track, 3);
        EXPECT_EQ(tags->trackTotal, 12);
        EXPECT_EQ(tags->disc, 1);
        EXPECT_EQ(tags->discTotal, 2);
        EXPECT_EQ(tags->year, 2003);
        EXPECT_EQ((tags->durationMs + 500) / 1000, row.seconds);
    }
}

// legacy/<case>: fields of raw bytes (ID3v2 frames marked Latin-1, ID3v1) with Shift-JIS and
// with genuine Latin-1 and Windows-1252 texts, read automatically or forced either way.
TEST(MediaTags, RawByteFieldsAreShiftJisOnlyWhenTheyLookLikeIt) {
    enum Where { kFrameV3, kFrameV4, kId3v1 };
    struct Row {
        const char* name;
        Where where;
        std::string bytes;
        TagTextReading reading;
        const char* utf8;
    };
    const std::string artist = "\x83\x41\x81\x5B\x83\x65\x83\x42\x83\x58\x83\x67";
    const std::string album = "\x83\x41\x83\x8B\x83\x6F\x83\x80";
    // "A" and sixteen あ: ID3v1 keeps 30 bytes, the last one the first half of a character.
    std::string cut = "A";
    for (int i = 0; i < 16; ++i) cut += "\x82\xA0";
    const auto automatic = TagTextReading::Automatic;
    const Row rows[] = {
        {"legacy/sjis_id3v23_frame", kFrameV3, artist, automatic, "アーティスト"},
        {"legacy/sjis_id3v24_frame", kFrameV4, album, automatic, "アルバム"},
        {"legacy/sjis_id3v1", kId3v1, artist, automatic, "アーティスト"},
        {"legacy/sjis_cut_by_id3v1", kId3v1, cut, automatic, "Aああああああああああああああ"},
        {"legacy/frederic_looks_like_kanji", kFrameV3,
         "Fr\xE9"
         "d\xE9ric Chopin",
         automatic, "Frédéric Chopin"},
        {"legacy/pokemon", kFrameV3, "Pok\xE9mon", automatic, "Pokémon"},
        {"legacy/amelie", kId3v1, "Am\xE9lie", automatic, "Amélie"},
        {"legacy/beyonce", kFrameV4, "Beyonc\xE9", automatic, "Beyoncé"},
        {"legacy/sigur_ros", kFrameV3, "Sigur R\xF3s", automatic, "Sigur Rós"},
        {"legacy/motley_crue", kId3v1,
         "M\xF6tley Cr\xFC"
         "e",
         automatic, "Mötley Crüe"},
        {"legacy/cp1252_dont", kFrameV3, "Don\x92t", automatic, "Don’t"},
        {"legacy/always_cp932", kFrameV3,
         "Fr\xE9"
         "d\xE9ric",
         TagTextReading::AlwaysCp932, "Fr馘駻ic"},
        {"legacy/always_cp932_not_cp932", kFrameV3, "Beyonc\xE9", TagTextReading::AlwaysCp932,
         "Beyoncé"},
        {"legacy/never_cp932", kFrameV3, album, TagTextReading::Latin1, "ƒAƒ‹ƒoƒ€"},
        {"legacy/control_dropped", kFrameV3,
         "A\x01"
         "B\x7F"
         "C\x81",
         automatic, "ABC"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const std::string file =
            row.where == kId3v1
                ? test::Mp3WithId3v1(row.bytes, "t")
                : test::Mp3WithLatin1Frames(row.bytes, "t", row.where == kFrameV4 ? 4 : 3);
        const auto tags = Read(file, row.reading);
        ASSERT_TRUE(tags);
        EXPECT_EQ(Utf8FromCp932(tags->artist), row.utf8);
    }
}

MediaTags Song() {
    MediaTags tags;
    tags.artist = Sjis("アーティスト");
    tags.album = Sjis("アルバム");
    tags.title = Sjis("曲名");
    tags.genre = "Rock";
    tags.track = 3;
    tags.disc = 2;
    tags.year = 1999;
    tags.durationMs = 185'400;
    return tags;
}

ExifData Photo() {
    ExifData data;
    data.maker = "Maker";
    data.dateTime = "2005:06:07 08:09:10";
    return data;
}

// token/<case> and fallback/<case>: what each tag token gives, ranges in characters, and when
// the part's fallback stands in instead (nullopt).
TEST(MediaTags, TagTokensAndTheirFallback) {
    MediaTags noAlbumArtist = Song();
    MediaTags albumArtist = Song();
    albumArtist.albumArtist = Sjis("オムニバス");
    MediaTags noTrack = Song();
    noTrack.track = 0;
    struct Row {
        const char* name;
        std::string format;
        std::optional<ExifData> exif;
        std::optional<MediaTags> tags;
        std::optional<std::string> utf8;  // nullopt: the fallback
    };
    const Row rows[] = {
        {"token/artist", "%EAR", std::nullopt, Song(), "アーティスト"},
        {"token/album_artist", "%EAA", std::nullopt, albumArtist, "オムニバス"},
        {"token/album_artist_is_artist", "%EAA", std::nullopt, noAlbumArtist, "アーティスト"},
        {"token/album_title_genre", "%EAL%ETI%EGN", std::nullopt, Song(), "アルバム曲名Rock"},
        {"token/track_two_digits", "%ET2", std::nullopt, Song(), "03"},
        {"token/track_as_needed", "%ET0", std::nullopt, Song(), "3"},
        {"token/disc_three_digits", "%ED3", std::nullopt, Song(), "002"},
        {"token/year", "%EYR", std::nullopt, Song(), "1999"},
        {"token/duration", "%ELN", std::nullopt, Song(), "3m05s"},
        {"token/range_in_characters", "%EAR%EST0204", std::nullopt, Song(), "ーティ"},
        {"token/range_of_year", "%EYR%EST0304", std::nullopt, Song(), "99"},
        {"token/ends_date_tokens", "%EDT%2YE%ET2", Photo(), Song(), "0503"},
        {"token/beside_maker", "%EMK%EAR", Photo(), Song(), "Makerアーティスト"},
        {"token/digit_out_of_range", "%ET9", std::nullopt, Song(), std::nullopt},
        {"fallback/no_tags", "%ETI", Photo(), std::nullopt, std::nullopt},
        {"fallback/missing_value", "%ET2%ETI", std::nullopt, noTrack, std::nullopt},
        {"fallback/song_without_exif", "%EDT%4YE", std::nullopt, Song(), std::nullopt},
        {"fallback/photo_without_tags_keeps_exif", "%EMK", Photo(), std::nullopt, "Maker"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        ExifAccessor accessor(row.exif, row.tags);
        std::string out = "x";
        const bool given = AppendExifPart(row.format, accessor, out);
        if (row.utf8) {
            EXPECT_TRUE(given);
            EXPECT_EQ(Utf8FromCp932(out), "x" + *row.utf8);
        } else {
            EXPECT_FALSE(given);
            EXPECT_EQ(out, "x");
        }
    }
}

TEST(MediaTags, PlaceholdersStandForTheTagTokens) {
    EXPECT_EQ(Utf8FromCp932(ExifPlaceholder("%ET2%EAR%EST0102%ETI%EAA%EAL%ED0%EYR%EGN%ELN")),
              "(トラック番号)(アーティスト名)(曲名)(アルバムアーティスト名)(アルバム名)"
              "(ディスク番号)(発売年)(ジャンル)(再生時間)");
}

// A photo's parts never read tags; a song's tag parts never read Exif data.
TEST(MediaTags, EachPartReadsOnlyWhatItNeeds) {
    test::MemoryFileSystem fileSystem;
    fileSystem.AddFile(kPath,
                       test::TaggedFile(TagContainer::Mp3Id3v24, ArtistAndTitle("", "Song")));
    ExifAccessor song(fileSystem, kPath);
    std::string out;
    EXPECT_TRUE(AppendExifPart("%ETI", song, out));
    EXPECT_FALSE(AppendExifPart("%EDT%4YE", song, out));
    EXPECT_TRUE(AppendExifPart("%ETI%EST0102", song, out));
    EXPECT_EQ(out, "SongSo");
    EXPECT_EQ(song.TagReadCount(), 1);
    EXPECT_EQ(song.ReadCount(), 1);

    fileSystem.AddFile("/photos/a.jpg", test::JpegBuilder().Maker("Maker").Build());
    ExifAccessor photo(fileSystem, "/photos/a.jpg");
    EXPECT_TRUE(AppendExifPart("%EMK", photo, out));
    EXPECT_EQ(photo.TagReadCount(), 0);
}

// A file whose size is given, with zeros in it, that costs no memory: a tag library asking
// for more than the budget would be seen here.
struct ReadCounts {
    std::size_t largestRead = 0;
    std::uint64_t total = 0;
};

class EndlessFile final : public platform::InputFile {
  public:
    EndlessFile(std::string_view head, std::uint64_t size, ReadCounts& counts)
        : m_head(head), m_size(size), m_counts(counts) {}
    std::uint64_t Size() const override { return m_size; }
    int ReadAt(std::uint64_t offset, std::size_t count, std::string& bytes) override {
        m_counts.largestRead = std::max(m_counts.largestRead, count);
        bytes.assign(static_cast<std::size_t>(std::min<std::uint64_t>(count, m_size - offset)),
                     '\0');
        for (std::size_t i = 0; i < bytes.size() && offset + i < m_head.size(); ++i) {
            bytes[i] = m_head[static_cast<std::size_t>(offset) + i];
        }
        m_counts.total += bytes.size();
        return 0;
    }

  private:
    std::string_view m_head;
    std::uint64_t m_size;
    ReadCounts& m_counts;
};

class EndlessFileSystem final : public test::MemoryFileSystem {
  public:
    EndlessFileSystem(std::string head, std::uint64_t size)
        : m_head(std::move(head)), m_size(size) {}
    std::unique_ptr<platform::InputFile> OpenInput(std::string_view, int& error) override {
        error = 0;
        ++opened;
        return std::make_unique<EndlessFile>(m_head, m_size, counts);
    }
    int opened = 0;
    ReadCounts counts;

  private:
    std::string m_head;
    std::uint64_t m_size;
};

std::string SyncSafe(std::uint32_t size) {
    std::string out;
    for (int shift = 21; shift >= 0; shift -= 7) out += static_cast<char>((size >> shift) & 0x7F);
    return out;
}

// hostile/<case>: files that lie about their sizes or their kind cost bounded reads and give
// no tags, or the tags that are really there.
TEST(MediaTags, HostileFilesCostBoundedReads) {
    const std::uint64_t kHuge = 8ULL << 30;
    struct Row {
        const char* name;
        std::string head;
        std::uint64_t size;
    };
    std::string nested;
    for (int i = 0; i < 2000; ++i) nested = test::Box("moov", nested);
    const Row rows[] = {
        {"hostile/id3v2_claims_256mb", "ID3\x04\x00\x00" + SyncSafe(256u << 20), kHuge},
        {"hostile/id3v2_then_no_frames", "ID3\x03\x00\x00" + SyncSafe(100), kHuge},
        {"hostile/mp4_atom_of_8gb",
         test::Box("ftyp", "M4A ") + test::BoxClaiming("moov", kHuge - 16, ""), kHuge},
        {"hostile/mp4_nested_atoms", test::Box("ftyp", "M4A ") + nested, kHuge},
        {"hostile/flac_blocks_of_zero", "fLaC", kHuge},
        {"hostile/ogg_pages_of_zero",
         "OggS" + std::string(22, '\0') + '\x01' + '\x1E' + "\x01vorbis", kHuge},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EndlessFileSystem fileSystem(row.head, row.size);
        MediaTags tags;
        ReadMediaTags(fileSystem, kPath, tags);
        ASSERT_EQ(fileSystem.opened, 1);
        EXPECT_LE(fileSystem.counts.total, kTagReadBudget);
        EXPECT_LE(fileSystem.counts.largestRead, kTagLargestRead);
    }
}

// broken/<case>: cut files, a wrong name, failing reads: no crash, the tags that can be had.
TEST(MediaTags, BrokenFilesAndFailedReads) {
    const test::TagValues values = ArtistAndTitle("Artist", "Title");
    const std::string mp3 = test::TaggedFile(TagContainer::Mp3Id3v23, values);
    const std::string m4a = test::TaggedFile(TagContainer::M4a, values);
    struct Row {
        const char* name;
        std::string bytes;
        bool tags;
    };
    std::string frameTooLong = mp3;
    frameTooLong.replace(14, 4, "\x7F\xFF\xFF\xFF");  // the first frame's size
    const Row rows[] = {
        {"broken/mp3_cut_in_its_header", mp3.substr(0, 8), false},
        {"broken/frame_size_past_end", frameTooLong, false},
        {"broken/m4a_cut", m4a.substr(0, m4a.size() / 2), false},
        {"broken/flac_named_mp3", test::TaggedFile(TagContainer::Flac, values), true},
        {"broken/jpeg_named_mp3", test::JpegBuilder().Maker("Maker").Build(), false},
        {"broken/empty", "", false},
        {"broken/text", "just some text, nothing more", false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const auto tags = Read(row.bytes);
        EXPECT_EQ(tags.has_value() && !tags->artist.empty(), row.tags);
    }

    test::MemoryFileSystem memory;
    memory.AddFile(kPath, mp3);
    for (const auto op : {test::FaultInjectingFileSystem::Op::OpenInput,
                          test::FaultInjectingFileSystem::Op::ReadAt}) {
        test::FaultInjectingFileSystem failing(memory);
        failing.FailCall(op, 1, EIO);
        MediaTags tags;
        EXPECT_EQ(ReadMediaTags(failing, kPath, tags), 0);
    }
}

TEST(MediaTags, OneOpenForTheWholeRead) {
    test::MemoryFileSystem memory;
    memory.AddFile(kPath, test::TaggedFile(TagContainer::Flac, ArtistAndTitle("A", "")));
    test::FaultInjectingFileSystem counting(memory);
    MediaTags tags;
    ASSERT_EQ(ReadMediaTags(counting, kPath, tags), 1);
    EXPECT_EQ(counting.Calls(test::FaultInjectingFileSystem::Op::OpenInput), 1);
    // A small file comes in one read, however many the library makes.
    EXPECT_EQ(counting.Calls(test::FaultInjectingFileSystem::Op::ReadAt), 1);
}

}  // namespace
}  // namespace morvanex::engine
