#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/Clock.h"
#include "platform/Codepage.h"
#include "platform/FileSystem.h"

// The small Exif reader: camera maker, camera model and date-time of the main image's first
// directory of a JPEG whose first segment is the Exif APP1 segment, and the Exif format tokens
// "%EDT" (date-time, followed by timestamp tokens), "%EMK" (maker), "%ECM" (model) and "%EST"
// (a byte range of the maker or model text).
namespace morvanex::engine {

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

// The three texts of one file's Exif data (each up to its first zero byte; empty when absent).
struct ExifData {
    ByteOrder order = ByteOrder::LittleEndian;
    std::string maker;     // at most 255 bytes
    std::string model;     // at most 255 bytes
    std::string dateTime;  // "YYYY:MM:DD hh:mm:ss", at most 20 bytes

    friend bool operator==(const ExifData&, const ExifData&) = default;
};

// The pure parser: the Exif data of a file whose first bytes are `bytes`, or nothing when the
// file has none. `bytes` may be any prefix of the file; values beyond it count as absent.
std::optional<ExifData> ParseExif(std::string_view bytes);

// How many bytes from the start of the file the parser would look at, judged from a prefix.
std::size_t ExifBytesWanted(std::string_view bytes);

// Reads the first bytes of a file (never the whole file) and parses them. 1 with `data` filled
// when the file carries Exif data; 0 otherwise (missing, unreadable, a folder, not Exif).
int ReadExif(platform::FileSystem& fileSystem, std::string_view path, ExifData& data);

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

// The expansion of an Exif format for the data, cut to bufferSize - 1 bytes on a character
// boundary.
std::string ExpandExifFormat(const ExifData& data, std::string_view format,
                             std::size_t bufferSize = platform::kTextBufferSize);

// Reads the file and expands the format: 0 with the expansion in `out`, or kNoExifData (18)
// with `out` unchanged when the file has no Exif data.
int ExpandExifFormat(platform::FileSystem& fileSystem, std::string_view path,
                     std::string_view format, std::string& out,
                     std::size_t bufferSize = platform::kTextBufferSize);

// What stands for an Exif format where no file is at hand: "(撮影時間)" for "%EDT",
// "(メーカー名)" for "%EMK", "(機種名)" for "%ECM", nothing for any other chunk.
std::string ExifPlaceholder(std::string_view format,
                            std::size_t bufferSize = platform::kTextBufferSize);
void AppendExifPlaceholder(std::string_view format, std::string& out);

}  // namespace morvanex::engine
