#include "support/JpegBuilder.h"

#include <algorithm>

namespace morvanex::test {

namespace {

constexpr std::uint16_t kAscii = 2;
constexpr std::uint16_t kLong = 4;
constexpr std::uint16_t kExifPointerTag = 0x8769;

}  // namespace

JpegBuilder::JpegBuilder(bool bigEndian) : m_bigEndian(bigEndian) {}

void JpegBuilder::Put16(std::string& out, std::uint32_t value) const {
    const auto lo = static_cast<char>(value & 0xFF);
    const auto hi = static_cast<char>((value >> 8) & 0xFF);
    if (m_bigEndian) {
        out += hi;
        out += lo;
    } else {
        out += lo;
        out += hi;
    }
}

void JpegBuilder::Put32(std::string& out, std::uint32_t value) const {
    if (m_bigEndian) {
        Put16(out, value >> 16);
        Put16(out, value & 0xFFFF);
    } else {
        Put16(out, value & 0xFFFF);
        Put16(out, value >> 16);
    }
}

void JpegBuilder::SetText(std::uint16_t tag, std::string_view text) {
    std::string value(text);
    value += '\0';
    m_entries.push_back({tag, kAscii, static_cast<std::uint32_t>(value.size()), 0, value});
}

JpegBuilder& JpegBuilder::Maker(std::string_view text) {
    SetText(0x010F, text);
    return *this;
}

JpegBuilder& JpegBuilder::Model(std::string_view text) {
    SetText(0x0110, text);
    return *this;
}

JpegBuilder& JpegBuilder::DateTime(std::string_view text) {
    SetText(0x0132, text);
    return *this;
}

JpegBuilder& JpegBuilder::ExifPointer(bool present) {
    m_exifPointer = present;
    return *this;
}

JpegBuilder& JpegBuilder::RawEntry(std::uint16_t tag, std::uint16_t type, std::uint32_t count,
                                   std::uint32_t offset) {
    m_entries.push_back({tag, type, count, offset, {}});
    return *this;
}

JpegBuilder& JpegBuilder::EntryIntoPadding(std::uint16_t tag, std::uint16_t type,
                                           std::uint32_t count, std::uint32_t delta) {
    m_entries.push_back({tag, type, count, delta, {}, true});
    return *this;
}

JpegBuilder& JpegBuilder::EntryCount(std::uint16_t count) {
    m_countOverridden = true;
    m_count = count;
    return *this;
}

JpegBuilder& JpegBuilder::Padding(std::size_t bytes, char fill) {
    m_padding = bytes;
    m_fill = fill;
    return *this;
}

std::uint32_t JpegBuilder::ValuesOffset() const {
    const std::size_t entries = m_entries.size() + (m_exifPointer ? 1 : 0);
    // TIFF header (8), count (2), entries, next-directory offset (4).
    return static_cast<std::uint32_t>(8 + 2 + entries * 12 + 4);
}

std::uint32_t JpegBuilder::PaddingOffset() const {
    std::size_t values = 0;
    for (const Entry& entry : m_entries) values += entry.value.size();
    // The values, then the empty Exif directory (count and next-directory offset).
    return ValuesOffset() + static_cast<std::uint32_t>(values + 6);
}

std::string JpegBuilder::Build() const {
    std::vector<Entry> entries = m_entries;
    if (m_exifPointer) entries.push_back({kExifPointerTag, kLong, 1, 0, {}});
    const std::uint32_t padding = PaddingOffset();
    // Directories list their entries in ascending tag order.
    std::stable_sort(entries.begin(), entries.end(),
                     [](const Entry& a, const Entry& b) { return a.tag < b.tag; });

    std::uint32_t next = ValuesOffset();
    std::string values;
    for (Entry& entry : entries) {
        if (!entry.value.empty()) {
            entry.offset = next + static_cast<std::uint32_t>(values.size());
            values += entry.value;
        }
    }
    const std::uint32_t exifDirectory = next + static_cast<std::uint32_t>(values.size());
    for (Entry& entry : entries) {
        if (entry.intoPadding) entry.offset += padding;
        if (entry.tag == kExifPointerTag && entry.type == kLong && entry.offset == 0) {
            entry.offset = exifDirectory;
        }
    }

    std::string tiff =
        m_bigEndian ? std::string("MM\0\x2A\0\0\0\x08", 8) : std::string("II\x2A\0\x08\0\0\0", 8);
    Put16(tiff, m_countOverridden ? m_count : static_cast<std::uint32_t>(entries.size()));
    for (const Entry& entry : entries) {
        Put16(tiff, entry.tag);
        Put16(tiff, entry.type);
        Put32(tiff, entry.count);
        Put32(tiff, entry.offset);
    }
    Put32(tiff, 0);
    tiff += values;
    Put16(tiff, 0);  // the Exif directory: no entries
    Put32(tiff, 0);
    tiff.append(m_padding, m_fill);

    std::string jpeg("\xFF\xD8\xFF\xE1", 4);
    const std::size_t segment = std::min<std::size_t>(2 + 6 + tiff.size(), 0xFFFF);
    jpeg += static_cast<char>(segment >> 8);
    jpeg += static_cast<char>(segment & 0xFF);
    jpeg.append("Exif\0\0", 6);
    jpeg += tiff;
    jpeg.append("\xFF\xD9", 2);
    return jpeg;
}

}  // namespace morvanex::test
