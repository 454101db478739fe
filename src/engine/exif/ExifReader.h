#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "engine/exif/MediaTags.h"
#include "platform/Clock.h"
#include "platform/Codepage.h"
#include "platform/FileSystem.h"

// The Exif reader: camera maker, camera model and shooting date-time of a photo or a movie, and
// the Exif format tokens "%EDT" (date-time, followed by timestamp tokens), "%EMK" (maker),
// "%ECM" (model) and "%EST" (a byte range of the maker or model text).
//
// Two readings. The wide one (the default) reads JPEG files with the Exif segment anywhere
// among their leading segments, TIFF files and TIFF-based raw files, HEIF/AVIF images, CR3 raw
// files and MP4/MOV/3GP movies; its date is the shooting time (DateTimeOriginal, else
// DateTimeDigitized, else the main directory's DateTime; for a movie the QuickTime creation
// date, else the movie header's creation time). The strict one reads only a JPEG whose first
// segment is the Exif APP1 segment with its first directory right after the TIFF header, and
// takes the main directory's DateTime (the time of the last save, for an edited photo).
//
// The same format carries the tokens of music and media tags (MediaTags), each four bytes and
// each beginning "%E", so that they too end a date's timestamp tokens:
//   "%EAR" artist, "%EAA" album artist (the artist where none is tagged), "%EAL" album,
//   "%ETI" title, "%EGN" genre, "%EYR" year,
//   "%ET0".."%ET8" track number and "%ED0".."%ED8" disc number, zero-filled to that many
//   digits (0: as many as needed),
//   "%ELN" duration as minutes and seconds ("3m05s", rounded to the second).
// "%EST" and four hexadecimal digits after any tag token take characters SS..EE of its text
// (the maker and model keep their byte range).
namespace morvanex::engine {

enum class ExifReading { Wide, StrictJpeg };

// What ExpandExifFormat returns for a file without Exif data; the caller then uses the part's
// fallback. It is a return value, not a result code of a run.
inline constexpr int kNoExifData = 18;

// The first read takes this many bytes from the start of the file, enough for directories of
// up to a few thousand entries and their window. A larger directory needs one more read.
inline constexpr std::size_t kExifFirstRead = 64 * 1024;
// Bytes read after the first directory, where its values are looked for.
inline constexpr std::size_t kExifWindowBytes = 25000;
// Where the TIFF header lies in the file: value offsets count from here.
inline constexpr std::size_t kTiffHeaderPosition = 12;
inline constexpr std::size_t kMaxExifTextBytes = 255;

enum class ByteOrder { LittleEndian, BigEndian };

// The byte, 16-bit and 32-bit values at a position of a TIFF block (the caller keeps within it).
inline unsigned Byte(std::string_view bytes, std::size_t at) {
    return static_cast<unsigned char>(bytes[at]);
}

inline std::uint16_t Read16(std::string_view bytes, std::size_t at, ByteOrder order) {
    const unsigned a = Byte(bytes, at);
    const unsigned b = Byte(bytes, at + 1);
    return static_cast<std::uint16_t>(order == ByteOrder::LittleEndian ? a | (b << 8)
                                                                       : (a << 8) | b);
}

inline std::uint32_t Read32(std::string_view bytes, std::size_t at, ByteOrder order) {
    const std::uint32_t a = Read16(bytes, at, order);
    const std::uint32_t b = Read16(bytes, at + 2, order);
    return order == ByteOrder::LittleEndian ? a | (b << 16) : (a << 16) | b;
}

// The three texts of one file's Exif data (each up to its first zero byte; empty when absent).
struct ExifData {
    ByteOrder order = ByteOrder::LittleEndian;
    std::string maker;     // at most 255 bytes
    std::string model;     // at most 255 bytes
    std::string dateTime;  // "YYYY:MM:DD hh:mm:ss", at most 20 bytes

    friend bool operator==(const ExifData&, const ExifData&) = default;
};

// The strict reading's pure parser: the Exif data of a file whose first bytes are `bytes`, or
// nothing when the file has none. `bytes` may be any prefix of the file; values beyond it count
// as absent.
std::optional<ExifData> ParseExif(std::string_view bytes);

// The wide reading of a whole file held in memory: its data, or nothing when none of the three
// values was found (a date that forms no valid date and time counts as none).
std::optional<ExifData> ParseMetadata(std::string_view wholeFile);

// How many bytes from the start of the file the parser would look at, judged from a prefix.
std::size_t ExifBytesWanted(std::string_view bytes);

// Reads the first bytes of a file (never the whole file: the wide reading adds at most a few
// reads of what they point to) and parses them. 1 with `data` filled when the file carries
// Exif data; 0 otherwise (missing, unreadable, a folder, no data). In the wide reading a file
// carries data when its maker, its model or a valid date-time was found.
int ReadExif(platform::FileSystem& fileSystem, std::string_view path, ExifData& data,
             ExifReading reading = ExifReading::Wide);
// The same with the size of the first read chosen (tests and the fuzzer make files larger
// than it with small ones).
int ReadExif(platform::FileSystem& fileSystem, std::string_view path, ExifData& data,
             ExifReading reading, std::size_t firstRead);

// The date-time as a moment of local time; nothing when the text is empty or does not form a
// valid date and time (an all-zero date counts as no date-time).
std::optional<platform::Timestamp> ExifDateTime(const ExifData& data);

// The maker or model text into `text` when it fits a buffer of `size` bytes with its terminator
// (1); otherwise 0 and `text` is left unchanged.
int ExifMaker(const ExifData& data, std::string& text,
              std::size_t size = platform::kTextBufferSize);
int ExifModel(const ExifData& data, std::string& text,
              std::size_t size = platform::kTextBufferSize);

// Appends the expansion of an Exif format for the data to `out`, unbounded.
void AppendExifFormat(const ExifData& data, std::string_view format, std::string& out);
// The same with the file's tags; either may be missing (its tokens then add nothing).
void AppendExifFormat(const ExifData* data, const MediaTags* tags, std::string_view format,
                      std::string& out);

// What a format asks of a file: Exif data (a date, maker or model token, or no tag token at
// all, as every Exif format was before tags), and whether it has tag tokens.
struct ExifFormatNeeds {
    bool exifData = false;
    bool tags = false;
};
ExifFormatNeeds NeedsOf(std::string_view format);
// True when the tags hold a value for every tag token of the format (the album artist counts
// as present when the artist is).
bool TagsHaveValuesFor(const MediaTags& tags, std::string_view format);

// The expansion of an Exif format for the data, cut to bufferSize - 1 bytes on a character
// boundary.
std::string ExpandExifFormat(const ExifData& data, std::string_view format,
                             std::size_t bufferSize = platform::kTextBufferSize);

// Reads the file and expands the format: 0 with the expansion in `out`, or kNoExifData (18)
// with `out` unchanged when the file has no Exif data.
int ExpandExifFormat(platform::FileSystem& fileSystem, std::string_view path,
                     std::string_view format, std::string& out,
                     std::size_t bufferSize = platform::kTextBufferSize,
                     ExifReading reading = ExifReading::Wide);

// What stands for an Exif format where no file is at hand: "(撮影時間)" for "%EDT",
// "(メーカー名)" for "%EMK", "(機種名)" for "%ECM", "(アーティスト名)", "(曲名)" and the like
// for the tag tokens, nothing for any other chunk.
std::string ExifPlaceholder(std::string_view format,
                            std::size_t bufferSize = platform::kTextBufferSize);
void AppendExifPlaceholder(std::string_view format, std::string& out);

}  // namespace morvanex::engine
