#pragma once

#include <cstdint>
#include <limits>
#include <string>
#include <string_view>

#include "engine/exif/ExifReader.h"
#include "engine/exif/ExifSource.h"

// The readers of the wide reading, one per kind of container, and what they find before it
// becomes a file's ExifData. Every length and offset they meet is the file's claim, checked
// before use: sums are made in 64 bits and compared against what remains, loops are counted.
namespace morvanex::engine {

// No end known: a container read up to where the file ends.
inline constexpr std::uint64_t kToEndOfFile = std::numeric_limits<std::uint64_t>::max();

// The TIFF tags both readings look for. The Exif pointer leads from the main image's directory
// to the Exif directory.
inline constexpr std::uint16_t kTagMaker = 0x010F;
inline constexpr std::uint16_t kTagModel = 0x0110;
inline constexpr std::uint16_t kTagDateTime = 0x0132;
inline constexpr std::uint16_t kTagExifPointer = 0x8769;

// The values found in a file, each the first of its kind (texts as stored, up to 20 bytes for
// the Exif dates, up to 255 for maker and model).
struct FoundMetadata {
    ByteOrder order = ByteOrder::LittleEndian;
    bool orderKnown = false;
    std::string maker;
    std::string model;
    std::string dateTimeOriginal;       // Exif directory, 0x9003
    std::string dateTimeDigitized;      // Exif directory, 0x9004
    std::string dateTime;               // main image's directory, 0x0132
    std::string quickTimeDate;          // the creation-date key, "YYYY:MM:DD hh:mm:ss"
    std::string movieDate;              // the movie header's creation time, likewise
    std::int64_t movieDurationMs = -1;  // the movie header's length, -1 when unknown
};

// A TIFF structure (header, first directory, the Exif directory it points to) whose header
// stands at `base` and whose offsets may reach at most `limit` bytes past it. `rawMagic` also
// accepts the header numbers of Olympus and Panasonic raw files. False when there is no
// readable header and first directory.
bool ReadTiffStructure(ExifSource& source, std::uint64_t base, std::uint64_t limit, bool rawMagic,
                       FoundMetadata& found);

// The first Exif APP1 segment among a JPEG's leading segments (those before the image data).
bool ReadJpegMetadata(ExifSource& source, FoundMetadata& found);

// True when the head starts like a TIFF file or a TIFF-based raw file.
bool LooksLikeTiff(std::string_view head);
// True when the head starts with a box of the ISO base media file format or QuickTime.
bool LooksLikeIsoMedia(std::string_view head);

// HEIF/AVIF Exif items, Canon CR3 metadata boxes, and movie metadata.
void ReadIsoMediaMetadata(ExifSource& source, FoundMetadata& found);

}  // namespace morvanex::engine
