#include "support/MediaBuilder.h"

#include <algorithm>

namespace morvanex::test {

namespace {

constexpr std::uint16_t kAscii = 2;
constexpr std::uint16_t kLong = 4;
constexpr std::uint16_t kExifPointerTag = 0x8769;

std::string BigEndian(std::uint64_t value, int bytes) {
    std::string out;
    for (int i = bytes - 1; i >= 0; --i) out += static_cast<char>((value >> (8 * i)) & 0xFF);
    return out;
}

}  // namespace

std::string Be16(std::uint32_t value) {
    return BigEndian(value, 2);
}
std::string Be32(std::uint32_t value) {
    return BigEndian(value, 4);
}
std::string Be64(std::uint64_t value) {
    return BigEndian(value, 8);
}

TiffBuilder::TiffBuilder(bool bigEndian) : m_bigEndian(bigEndian) {}

TiffBuilder& TiffBuilder::Magic(std::uint16_t magic) {
    m_magic = magic;
    return *this;
}

TiffBuilder& TiffBuilder::FirstDirectoryAt(std::uint32_t offset) {
    m_first = std::max<std::uint32_t>(offset, 8);
    return *this;
}

TiffBuilder& TiffBuilder::Main(std::uint16_t tag, std::string_view text) {
    std::string value(text);
    value += '\0';
    m_main.push_back({tag, kAscii, static_cast<std::uint32_t>(value.size()), 0, value});
    return *this;
}

TiffBuilder& TiffBuilder::Exif(std::uint16_t tag, std::string_view text) {
    std::string value(text);
    value += '\0';
    m_exif.push_back({tag, kAscii, static_cast<std::uint32_t>(value.size()), 0, value});
    return *this;
}

TiffBuilder& TiffBuilder::MainRaw(std::uint16_t tag, std::uint16_t type, std::uint32_t count,
                                  std::uint32_t value) {
    m_main.push_back({tag, type, count, value, {}});
    return *this;
}

TiffBuilder& TiffBuilder::ExifPointer(std::uint32_t offset) {
    m_pointerOverridden = true;
    m_pointer = offset;
    return *this;
}

std::string TiffBuilder::U16(std::uint32_t value) const {
    std::string out = Be16(value);
    if (!m_bigEndian) std::reverse(out.begin(), out.end());
    return out;
}

std::string TiffBuilder::U32(std::uint32_t value) const {
    std::string out = Be32(value);
    if (!m_bigEndian) std::reverse(out.begin(), out.end());
    return out;
}

std::string TiffBuilder::Directory(std::vector<Entry> entries, std::uint32_t at,
                                   std::string& values, std::uint32_t valuesAt) const {
    (void)at;
    std::stable_sort(entries.begin(), entries.end(),
                     [](const Entry& a, const Entry& b) { return a.tag < b.tag; });
    std::string out = U16(static_cast<std::uint32_t>(entries.size()));
    for (const Entry& entry : entries) {
        out += U16(entry.tag) + U16(entry.type) + U32(entry.count);
        if (entry.text.empty()) {
            out += U32(entry.value);
        } else if (entry.text.size() <= 4) {
            // Values of four bytes or fewer stand in the entry itself.
            out += entry.text + std::string(4 - entry.text.size(), '\0');
        } else {
            out += U32(valuesAt + static_cast<std::uint32_t>(values.size()));
            values += entry.text;
        }
    }
    out += U32(0);
    return out;
}

std::string TiffBuilder::Build() const {
    std::string out = m_bigEndian ? "MM" : "II";
    out += U16(m_magic) + U32(m_first);
    out.resize(m_first, '\0');
    const bool pointer = !m_exif.empty() || m_pointerOverridden;
    const auto directoryBytes = [](std::size_t entries) {
        return static_cast<std::uint32_t>(2 + entries * 12 + 4);
    };
    const std::uint32_t mainBytes = directoryBytes(m_main.size() + (pointer ? 1 : 0));
    const std::uint32_t exifAt = m_first + mainBytes;
    const std::uint32_t exifBytes = m_exif.empty() ? 0 : directoryBytes(m_exif.size());
    const std::uint32_t valuesAt = exifAt + exifBytes;

    std::vector<Entry> main = m_main;
    if (pointer) {
        main.push_back({kExifPointerTag, kLong, 1, m_pointerOverridden ? m_pointer : exifAt, {}});
    }
    std::string values;
    out += Directory(main, m_first, values, valuesAt);
    if (!m_exif.empty()) out += Directory(m_exif, exifAt, values, valuesAt);
    out += values;
    return out;
}

std::string Segment(unsigned marker, std::string_view payload) {
    std::string out = "\xFF";
    out += static_cast<char>(marker);
    out += Be16(static_cast<std::uint32_t>(payload.size() + 2));
    out += payload;
    return out;
}

std::string ExifSegment(std::string_view tiff) {
    return Segment(0xE1, std::string("Exif\0\0", 6) + std::string(tiff));
}

std::string JfifSegment() {
    return Segment(0xE0, std::string("JFIF\0\x01\x01\0\0\x01\0\x01\0\0", 14));
}

std::string JpegFile(const std::vector<std::string>& segments) {
    std::string out = "\xFF\xD8";
    for (const std::string& segment : segments) out += segment;
    out += Segment(0xDA, std::string("\x01\x01\x00\x00\x3F\x00", 6));
    out += "\xFF\xD9";
    return out;
}

std::string Box(std::string_view type, std::string_view payload) {
    return Be32(static_cast<std::uint32_t>(8 + payload.size())) + std::string(type) +
           std::string(payload);
}

std::string LargeBox(std::string_view type, std::string_view payload) {
    return Be32(1) + std::string(type) + Be64(16 + payload.size()) + std::string(payload);
}

std::string FullBox(std::string_view type, unsigned version, std::string_view payload) {
    std::string body(1, static_cast<char>(version));
    body += std::string(3, '\0');
    body += payload;
    return Box(type, body);
}

std::string OpenBox(std::string_view type, std::string_view payload) {
    return Be32(0) + std::string(type) + std::string(payload);
}

std::string BoxClaiming(std::string_view type, std::uint64_t size, std::string_view payload) {
    if (size > 0xFFFFFFFFu) return Be32(1) + std::string(type) + Be64(size) + std::string(payload);
    return Be32(static_cast<std::uint32_t>(size)) + std::string(type) + std::string(payload);
}

std::string ExifItem(std::string_view tiff) {
    return Be32(0) + std::string(tiff);
}

std::string HeifFile(std::string_view exifItem, const HeifOptions& options) {
    const std::string ftyp = Box("ftyp", options.brand + Be32(0) + "mif1" + options.brand);
    const std::string hdlr = FullBox("hdlr", 0, Be32(0) + "pict" + std::string(13, '\0'));
    const std::string pitm = FullBox("pitm", 0, Be16(2));
    // Item 2 is the image (no data here), item 1 the Exif data.
    const std::string infeImage = FullBox("infe", 2, Be16(2) + Be16(0) + "hvc1" + '\0');
    const std::string infeExif = FullBox("infe", 2, Be16(1) + Be16(0) + options.itemType + '\0');
    const std::string iinf = FullBox("iinf", 0, Be16(2) + infeImage + infeExif);
    const std::string idat = options.inItemData ? Box("idat", std::string(exifItem)) : "";
    const std::uint32_t length = options.lengthOverride != 0
                                     ? options.lengthOverride
                                     : static_cast<std::uint32_t>(exifItem.size());
    const auto iloc = [&](std::uint32_t offset) {
        const unsigned v = options.ilocVersion;
        std::string body = std::string("\x44", 1) + (v == 0 ? std::string(1, '\0') : "\x40");
        body += v < 2 ? Be16(1) : Be32(1);
        body += v < 2 ? Be16(1) : Be32(1);  // item 1
        if (v != 0) body += Be16(options.inItemData ? 1 : 0);
        body += Be16(0);              // data reference
        if (v != 0) body += Be32(0);  // base offset (4 bytes)
        body += Be16(1) + Be32(offset) + Be32(length);
        return FullBox("iloc", v, body);
    };
    const auto meta = [&](std::uint32_t offset) {
        return FullBox("meta", 0, hdlr + pitm + iinf + iloc(offset) + idat);
    };
    // The item's place depends on the boxes before it; their size does not depend on it.
    const std::size_t mediaAt = ftyp.size() + meta(0).size() + 8;
    const std::int64_t at = options.inItemData
                                ? options.offsetDelta
                                : static_cast<std::int64_t>(mediaAt) + options.offsetDelta;
    const std::string media = options.inItemData ? "" : std::string(exifItem);
    return ftyp + meta(static_cast<std::uint32_t>(at)) + Box("mdat", media);
}

std::string Cr3File(std::string_view cmt1, std::string_view cmt2) {
    const std::string uuid("\x85\xC0\xB6\x87\x82\x0F\x11\xE0\x81\x11\xF4\xCE\x46\x2B\x6A\x48", 16);
    const std::string canon = Box("uuid", uuid + Box("CNCV", "CanonCR3_001/00.09.00/00.00.00") +
                                              Box("CMT1", cmt1) + Box("CMT2", cmt2));
    return Box("ftyp", std::string("crx ") + Be32(1) + "crx isom") +
           Box("moov", canon + Box("mvhd", std::string(100, '\0'))) + Box("mdat", "x");
}

std::string MovieHeader(std::uint64_t created, unsigned version) {
    std::string body = version == 1 ? Be64(created) + Be64(created)
                                    : Be32(static_cast<std::uint32_t>(created)) +
                                          Be32(static_cast<std::uint32_t>(created));
    body += Be32(600) + (version == 1 ? Be64(0) : Be32(0)) + std::string(80, '\0');
    return FullBox("mvhd", version, body);
}

std::string QuickTimeMeta(const std::vector<std::pair<std::string, std::string>>& keyValues) {
    std::string keys = Be32(static_cast<std::uint32_t>(keyValues.size()));
    std::string items;
    std::uint32_t index = 1;
    for (const auto& [key, value] : keyValues) {
        keys += Be32(static_cast<std::uint32_t>(8 + key.size())) + "mdta" + key;
        items += Box(Be32(index++), Box("data", Be32(1) + Be32(0) + value));
    }
    // QuickTime's metadata box has no version and flags.
    const std::string hdlr = FullBox("hdlr", 0, Be32(0) + "mdta" + std::string(13, '\0'));
    return Box("meta", hdlr + FullBox("keys", 0, keys) + Box("ilst", items));
}

std::string UserDataText(std::string_view type, std::string_view text) {
    return Box(type,
               Be16(static_cast<std::uint32_t>(text.size())) + Be16(0x15C7) + std::string(text));
}

std::string MovieFile(std::string_view brand, const std::vector<std::string>& moovChildren,
                      std::size_t mediaBytes, bool moovLast) {
    std::string children;
    for (const std::string& child : moovChildren) children += child;
    const std::string ftyp = Box("ftyp", std::string(brand) + Be32(0) + std::string(brand));
    const std::string moov = Box("moov", children);
    const std::string mdat = Box("mdat", std::string(mediaBytes, '\0'));
    return moovLast ? ftyp + mdat + moov : ftyp + moov + mdat;
}

}  // namespace morvanex::test
