#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace morvanex::test {

// Builds the bytes of a JPEG that starts with an Exif APP1 segment: SOI, APP1 with "Exif\0\0",
// a TIFF header, the main image's directory, its values, an empty Exif directory and EOI. Any
// part can be bent to make hostile files: raw entries, a false entry count, a different header.
class JpegBuilder {
  public:
    explicit JpegBuilder(bool bigEndian = false);

    // ASCII values stored after the directory (a terminating zero is added to the count).
    JpegBuilder& Maker(std::string_view text);
    JpegBuilder& Model(std::string_view text);
    JpegBuilder& DateTime(std::string_view text);
    // Whether the directory has the pointer to the Exif directory (it has by default).
    JpegBuilder& ExifPointer(bool present);
    // An entry exactly as given: tag, type, count and value offset (relative to the TIFF header).
    JpegBuilder& RawEntry(std::uint16_t tag, std::uint16_t type, std::uint32_t count,
                          std::uint32_t offset);
    // An entry whose value offset points `delta` bytes into the padding.
    JpegBuilder& EntryIntoPadding(std::uint16_t tag, std::uint16_t type, std::uint32_t count,
                                  std::uint32_t delta = 0);
    // The entry count written into the directory, whatever the entries are.
    JpegBuilder& EntryCount(std::uint16_t count);
    // Bytes appended after everything else (before EOI), e.g. to make a large file.
    JpegBuilder& Padding(std::size_t bytes, char fill = '\0');

    std::string Build() const;

    // TIFF offsets (what value offsets count from) of the values and of the padding.
    std::uint32_t ValuesOffset() const;
    std::uint32_t PaddingOffset() const;

  private:
    struct Entry {
        std::uint16_t tag;
        std::uint16_t type;
        std::uint32_t count;
        std::uint32_t offset;
        std::string value;  // stored in the value area when not empty
        bool intoPadding = false;
    };

    void Put16(std::string& out, std::uint32_t value) const;
    void Put32(std::string& out, std::uint32_t value) const;
    void SetText(std::uint16_t tag, std::string_view text);

    bool m_bigEndian;
    bool m_exifPointer = true;
    bool m_countOverridden = false;
    std::uint16_t m_count = 0;
    std::size_t m_padding = 0;
    char m_fill = '\0';
    std::vector<Entry> m_entries;
};

}  // namespace morvanex::test
