// The TIFF structure of Exif data, wherever it stands, and the JPEG segments that carry it.
#include <algorithm>

#include "engine/exif/ExifContainers.h"

namespace morvanex::engine {

namespace {

constexpr std::uint16_t kTagDateTimeOriginal = 0x9003;
constexpr std::uint16_t kTagDateTimeDigitized = 0x9004;

constexpr std::uint16_t kTiffMagic = 42;
// Olympus ("IIRO", "IIRS", "MMOR") and Panasonic ("IIU\0") raw files.
constexpr std::uint16_t kOlympusMagic = 0x4F52;
constexpr std::uint16_t kOlympusSMagic = 0x5352;
constexpr std::uint16_t kPanasonicMagic = 0x0055;

constexpr std::size_t kEntryBytes = 12;
// Real directories hold a few dozen entries; the ones looked at are the first this many.
constexpr std::size_t kMostEntries = 1024;
constexpr std::size_t kMaxText = kMaxExifTextBytes;
constexpr std::size_t kDateBytes = 20;

// JPEG markers that stand alone, without a length.
constexpr unsigned kStartOfImage = 0xD8;
constexpr unsigned kEndOfImage = 0xD9;
constexpr unsigned kStartOfScan = 0xDA;
constexpr unsigned kApp1 = 0xE1;
// Files seen in practice carry fewer than twenty segments before the image data.
constexpr int kMostSegments = 64;

class TiffReader {
  public:
    TiffReader(ExifSource& source, std::uint64_t base, std::uint64_t limit, ByteOrder order)
        : m_source(source), m_base(base), m_limit(limit), m_order(order) {}

    // Bytes at a TIFF offset, only when all of them lie inside the structure.
    std::string_view Bytes(std::uint64_t offset, std::size_t length) {
        if (offset > m_limit || length > m_limit - offset) return {};
        if (m_base > kToEndOfFile - offset) return {};
        return m_source.At(m_base + offset, length);
    }

    // Visits one directory; the offset of the Exif directory it points to, or 0.
    std::uint32_t ReadDirectory(std::uint32_t offset, FoundMetadata& found) {
        const std::string_view countBytes = Bytes(offset, 2);
        if (countBytes.size() < 2) return 0;
        const std::size_t count =
            std::min<std::size_t>(Read16(countBytes, 0, m_order), kMostEntries);
        const std::string_view entries = Bytes(std::uint64_t{offset} + 2, count * kEntryBytes);
        std::uint32_t exifDirectory = 0;
        for (std::size_t at = 0; at + kEntryBytes <= entries.size(); at += kEntryBytes) {
            const std::uint16_t tag = Read16(entries, at, m_order);
            switch (tag) {
                case kTagMaker:
                    Text(entries, at, kMaxText, found.maker);
                    break;
                case kTagModel:
                    Text(entries, at, kMaxText, found.model);
                    break;
                case kTagDateTime:
                    Text(entries, at, kDateBytes, found.dateTime);
                    break;
                case kTagDateTimeOriginal:
                    Text(entries, at, kDateBytes, found.dateTimeOriginal);
                    break;
                case kTagDateTimeDigitized:
                    Text(entries, at, kDateBytes, found.dateTimeDigitized);
                    break;
                case kTagExifPointer:
                    exifDirectory = Read32(entries, at + 8, m_order);
                    break;
                default:
                    break;
            }
        }
        return exifDirectory;
    }

  private:
    // A text value: up to `most` bytes, ending at its first zero byte. Values of four bytes or
    // fewer stand in the entry itself. The first text of each kind is kept.
    void Text(std::string_view entries, std::size_t at, std::size_t most, std::string& text) {
        if (!text.empty()) return;
        const std::uint32_t count = Read32(entries, at + 4, m_order);
        const std::size_t length = std::min<std::size_t>(count, most);
        std::string_view value;
        if (count <= 4) {
            value = entries.substr(at + 8, length);
        } else {
            value = Bytes(Read32(entries, at + 8, m_order), length);
            if (value.size() < length) return;
        }
        text.assign(value.substr(0, value.find('\0')));
    }

    ExifSource& m_source;
    std::uint64_t m_base;
    std::uint64_t m_limit;
    ByteOrder m_order;
};

}  // namespace

bool LooksLikeTiff(std::string_view head) {
    if (head.size() < 8) return false;
    const ByteOrder order = head.starts_with("II") ? ByteOrder::LittleEndian : ByteOrder::BigEndian;
    if (!head.starts_with("II") && !head.starts_with("MM")) return false;
    const std::uint16_t magic = Read16(head, 2, order);
    return magic == kTiffMagic || magic == kOlympusMagic || magic == kOlympusSMagic ||
           magic == kPanasonicMagic;
}

bool ReadTiffStructure(ExifSource& source, std::uint64_t base, std::uint64_t limit, bool rawMagic,
                       FoundMetadata& found) {
    if (limit < 8 || base > kToEndOfFile - 8) return false;
    const std::string_view header = source.At(base, 8);
    if (header.size() < 8) return false;
    ByteOrder order;
    if (header.starts_with("II")) {
        order = ByteOrder::LittleEndian;
    } else if (header.starts_with("MM")) {
        order = ByteOrder::BigEndian;
    } else {
        return false;
    }
    const std::uint16_t magic = Read16(header, 2, order);
    const bool raw = magic == kOlympusMagic || magic == kOlympusSMagic || magic == kPanasonicMagic;
    if (magic != kTiffMagic && !(rawMagic && raw)) return false;

    TiffReader reader(source, base, limit, order);
    const std::uint32_t first = Read32(header, 4, order);
    if (reader.Bytes(first, 2).size() < 2) return false;
    if (!found.orderKnown) {
        found.order = order;
        found.orderKnown = true;
    }
    const std::uint32_t exifDirectory = reader.ReadDirectory(first, found);
    // The Exif directory is read once, and never the first directory a second time.
    if (exifDirectory != 0 && exifDirectory != first) reader.ReadDirectory(exifDirectory, found);
    return true;
}

bool ReadJpegMetadata(ExifSource& source, FoundMetadata& found) {
    using namespace std::string_view_literals;
    std::uint64_t position = 2;
    for (int segment = 0; segment < kMostSegments; ++segment) {
        const std::string_view marker = source.At(position, 4);
        if (marker.size() < 2 || Byte(marker, 0) != 0xFF) return false;
        const unsigned code = Byte(marker, 1);
        if (code == 0xFF) {  // a fill byte before the marker
            position += 1;
            continue;
        }
        if (code == kStartOfImage || (code >= 0xD0 && code <= 0xD7) || code == 0x01) {
            position += 2;
            continue;
        }
        if (code == kStartOfScan || code == kEndOfImage || marker.size() < 4) return false;
        const std::uint16_t length = Read16(marker, 2, ByteOrder::BigEndian);
        if (length < 2) return false;
        if (code == kApp1 && length >= 8 + 8 && source.At(position + 4, 6) == "Exif\0\0"sv &&
            ReadTiffStructure(source, position + 10, length - 8u, false, found)) {
            return true;
        }
        position += 2u + length;
    }
    return false;
}

}  // namespace morvanex::engine
