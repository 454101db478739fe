#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// Builders of the containers the wide Exif reading knows, byte by byte: TIFF blocks, JPEG
// segments, boxes of the ISO base media format, and whole small HEIF, CR3 and movie files
// around them. No image data: only the structures the reader walks. Every part can be bent
// (sizes, offsets, versions) to make hostile files.
namespace morvanex::test {

std::string Be16(std::uint32_t value);
std::string Be32(std::uint32_t value);
std::string Be64(std::uint64_t value);

// A TIFF block: header, the main directory, an Exif directory when it has entries, and the
// values after them. ASCII values get their terminating zero.
class TiffBuilder {
  public:
    explicit TiffBuilder(bool bigEndian = false);

    // The 16-bit number after the byte order (42 for TIFF).
    TiffBuilder& Magic(std::uint16_t magic);
    // The first directory stands at this offset (at least 8); the gap is filled with zeros.
    TiffBuilder& FirstDirectoryAt(std::uint32_t offset);
    // An ASCII entry in the main directory or in the Exif directory.
    TiffBuilder& Main(std::uint16_t tag, std::string_view text);
    TiffBuilder& Exif(std::uint16_t tag, std::string_view text);
    // An entry of the main directory exactly as given (value offsets relative to the header).
    TiffBuilder& MainRaw(std::uint16_t tag, std::uint16_t type, std::uint32_t count,
                         std::uint32_t value);
    // The Exif pointer's value, whatever the Exif directory's place.
    TiffBuilder& ExifPointer(std::uint32_t offset);

    std::string Build() const;

  private:
    struct Entry {
        std::uint16_t tag;
        std::uint16_t type;
        std::uint32_t count;
        std::uint32_t value;
        std::string text;  // stored after the directories when not empty
    };

    std::string U16(std::uint32_t value) const;
    std::string U32(std::uint32_t value) const;
    std::string Directory(std::vector<Entry> entries, std::uint32_t at, std::string& values,
                          std::uint32_t valuesAt) const;

    bool m_bigEndian;
    std::uint16_t m_magic = 42;
    std::uint32_t m_first = 8;
    bool m_pointerOverridden = false;
    std::uint32_t m_pointer = 0;
    std::vector<Entry> m_main;
    std::vector<Entry> m_exif;
};

// SOI, the segments, a start of scan and EOI.
std::string JpegFile(const std::vector<std::string>& segments);
// One marker segment: FF, the marker, the 16-bit length (payload + 2) and the payload.
std::string Segment(unsigned marker, std::string_view payload);
// APP1 "Exif\0\0" around a TIFF block.
std::string ExifSegment(std::string_view tiff);
std::string JfifSegment();

// A box with a 32-bit size, with a 64-bit size (size field 1), a full box (version and flags
// first), and a box whose size field is 0 (it runs to the end of what encloses it).
std::string Box(std::string_view type, std::string_view payload);
std::string LargeBox(std::string_view type, std::string_view payload);
std::string FullBox(std::string_view type, unsigned version, std::string_view payload);
std::string OpenBox(std::string_view type, std::string_view payload);
// A box header claiming `size` bytes (64-bit form when it does not fit 32 bits).
std::string BoxClaiming(std::string_view type, std::uint64_t size, std::string_view payload);

// A HEIF image whose Exif item (item 1) holds `exifItem` (the 4-byte TIFF offset and what
// follows), located in the media data (construction method 0) or in the item data box.
struct HeifOptions {
    std::string brand = "heic";
    std::string itemType = "Exif";
    unsigned ilocVersion = 1;
    bool inItemData = false;
    std::int64_t offsetDelta = 0;      // added to the item's location
    std::uint32_t lengthOverride = 0;  // when set, the extent's length
};
std::string HeifFile(std::string_view exifItem, const HeifOptions& options = {});
// The Exif item of a TIFF block: the offset field (0) and the block.
std::string ExifItem(std::string_view tiff);

// A CR3 file: the Canon box in the movie box with CMT1 (main directory) and CMT2 (Exif
// directory) TIFF blocks.
std::string Cr3File(std::string_view cmt1, std::string_view cmt2);

// The parts of a movie's metadata.
std::string MovieHeader(std::uint64_t created, unsigned version = 0);
// QuickTime metadata: a keys box and an item list with one UTF-8 data value per key.
std::string QuickTimeMeta(const std::vector<std::pair<std::string, std::string>>& keyValues);
// A user-data text atom in QuickTime's form (16-bit length, language, text).
std::string UserDataText(std::string_view type, std::string_view text);
// ftyp, the movie box with the given children, and media data; `moovLast` puts the media data
// (of `mediaBytes` bytes) before the movie box.
std::string MovieFile(std::string_view brand, const std::vector<std::string>& moovChildren,
                      std::size_t mediaBytes = 16, bool moovLast = false);

}  // namespace morvanex::test
