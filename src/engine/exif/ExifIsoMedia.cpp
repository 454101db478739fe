// Files of the ISO base media format and QuickTime: HEIF/AVIF images (an Exif item), Canon CR3
// raw files (TIFF blocks in a Canon box of the movie) and movies (the QuickTime metadata keys,
// the user-data texts and the movie header's creation time).
#include <algorithm>
#include <array>
#include <cstdio>

#include "engine/exif/ExifContainers.h"
#include "platform/Clock.h"
#include "platform/Codepage.h"

namespace morvanex::engine {

namespace {

using namespace std::string_view_literals;

// Boxes looked at on one level; real files have a dozen or so, HEIF item lists a few hundred.
constexpr int kMostBoxes = 256;
constexpr int kMostItems = 4096;
constexpr std::size_t kMostKeys = 256;
// Item data is read up to this much: Exif data of a JPEG is at most one 64 KiB segment.
constexpr std::size_t kMostItemBytes = 128 * 1024;
constexpr std::size_t kMostTextBytes = 1024;

// Seconds from 1904-01-01 (the QuickTime epoch) to 1970-01-01, both UTC.
constexpr std::int64_t kQuickTimeEpoch = 2082844800;
// Anything later than the year 9999 is no date.
constexpr std::uint64_t kLatestMovieTime = 254'000'000'000ULL;
constexpr std::uint64_t kLongestMovieSeconds = 366ULL * 24 * 3600;

constexpr std::string_view kCreationDateKey = "com.apple.quicktime.creationdate";
constexpr std::string_view kMakeKey = "com.apple.quicktime.make";
constexpr std::string_view kModelKey = "com.apple.quicktime.model";
constexpr std::string_view kMakerAtom = "\xA9mak";
constexpr std::string_view kModelAtom = "\xA9mod";
// The box in a CR3 file's movie box that holds its TIFF blocks.
constexpr std::string_view kCanonUuid =
    "\x85\xC0\xB6\x87\x82\x0F\x11\xE0\x81\x11\xF4\xCE\x46\x2B\x6A\x48";

std::uint64_t BigEndian(std::string_view bytes, std::size_t at, std::size_t width) {
    std::uint64_t value = 0;
    for (std::size_t i = 0; i < width; ++i) {
        value = (value << 8) | static_cast<unsigned char>(bytes[at + i]);
    }
    return value;
}

struct Box {
    std::uint64_t payload = 0;  // where its contents begin
    std::uint64_t end = 0;      // one past its last byte
    std::array<char, 4> type{};

    bool Is(std::string_view name) const { return std::string_view(type.data(), 4) == name; }
    std::uint64_t Size() const { return end - payload; }
};

// The box whose header stands at `at` and which must end by `end`. A size of 1 announces a
// 64-bit size, a size of 0 a box that runs to the end of what encloses it.
bool BoxAt(ExifSource& source, std::uint64_t at, std::uint64_t end, Box& box) {
    if (at >= end || end - at < 8) return false;
    const std::string_view header = source.At(at, 16);
    if (header.size() < 8) return false;
    std::uint64_t size = BigEndian(header, 0, 4);
    std::uint64_t headerBytes = 8;
    if (size == 1) {
        if (header.size() < 16) return false;
        size = BigEndian(header, 8, 8);
        headerBytes = 16;
    } else if (size == 0) {
        size = end - at;
    }
    if (size < headerBytes || size > end - at) return false;
    box.payload = at + headerBytes;
    box.end = at + size;
    std::copy_n(header.data() + 4, 4, box.type.data());
    return true;
}

// Calls visit(box) for each box in [from, end) until it returns false, a box is damaged or
// `most` boxes were seen.
template <typename Visit>
void ForEachBox(ExifSource& source, std::uint64_t from, std::uint64_t end, int most, Visit visit) {
    std::uint64_t at = from;
    for (int n = 0; n < most; ++n) {
        Box box;
        if (!BoxAt(source, at, end, box) || !visit(box)) return;
        at = box.end;
    }
}

// Reads fields one after another from bytes in memory; once a field runs past the end, every
// later one reads as 0 and ok() is false.
class Cursor {
  public:
    explicit Cursor(std::string_view bytes, std::size_t at = 0) : m_bytes(bytes), m_at(at) {}

    std::uint64_t Take(std::size_t width) {
        if (!m_ok || m_at > m_bytes.size() || m_bytes.size() - m_at < width) {
            m_ok = false;
            return 0;
        }
        const std::uint64_t value = BigEndian(m_bytes, m_at, width);
        m_at += width;
        return value;
    }
    std::string_view TakeBytes(std::size_t count) {
        if (!m_ok || m_at > m_bytes.size() || m_bytes.size() - m_at < count) {
            m_ok = false;
            return {};
        }
        const std::string_view taken = m_bytes.substr(m_at, count);
        m_at += count;
        return taken;
    }
    bool ok() const { return m_ok; }

  private:
    std::string_view m_bytes;
    std::size_t m_at;
    bool m_ok = true;
};

// The whole contents of a box, as far as they can be had in one request.
std::string_view Contents(ExifSource& source, const Box& box) {
    return source.At(box.payload, static_cast<std::size_t>(
                                      std::min<std::uint64_t>(box.Size(), kExifLargestRequest)));
}

std::string DateText(const platform::LocalTime& t) {
    char text[64];
    std::snprintf(text, sizeof text, "%04d:%02d:%02d %02d:%02d:%02d", t.year, t.month, t.day,
                  t.hour, t.minute, t.second);
    return text;
}

// "YYYY-MM-DDThh:mm:ss" with anything after it (fractions, the offset from UTC): the digits of
// the wall clock, as an Exif date-time keeps them.
std::string IsoDateText(std::string_view text) {
    if (text.size() < 19) return {};
    constexpr std::string_view kShape = "dddd-dd-ddTdd:dd:dd";
    for (std::size_t i = 0; i < kShape.size(); ++i) {
        const char c = text[i];
        const bool fits = kShape[i] == 'd'   ? c >= '0' && c <= '9'
                          : kShape[i] == 'T' ? c == 'T' || c == ' '
                                             : c == kShape[i];
        if (!fits) return {};
    }
    const auto number = [&](std::size_t at, std::size_t digits) {
        int value = 0;
        for (std::size_t i = 0; i < digits; ++i) value = value * 10 + (text[at + i] - '0');
        return value;
    };
    platform::LocalTime local;
    local.year = number(0, 4);
    local.month = number(5, 2);
    local.day = number(8, 2);
    local.hour = number(11, 2);
    local.minute = number(14, 2);
    local.second = number(17, 2);
    return platform::IsValidLocalTime(local) ? DateText(local) : std::string();
}

// A maker or model text of a movie: UTF-8, converted as host names are.
void TakeMovieText(std::string_view utf8, std::string& text) {
    if (!text.empty()) return;
    utf8 = utf8.substr(0, utf8.find('\0'));
    text = platform::CutToFit(platform::Cp932FromUtf8(utf8), kMaxExifTextBytes);
}

// The value of the first `data` box in an item list entry.
std::string_view DataValue(ExifSource& source, const Box& item) {
    std::string_view value;
    ForEachBox(source, item.payload, item.end, kMostBoxes, [&](const Box& data) {
        if (!data.Is("data")) return true;
        // A type indicator and a locale precede the value.
        if (data.Size() >= 8) {
            value = source.At(data.payload + 8, static_cast<std::size_t>(std::min<std::uint64_t>(
                                                    data.Size() - 8, kMostTextBytes)));
        }
        return false;
    });
    return value;
}

enum class Key { None, CreationDate, Make, Model };

Key KeyOf(std::string_view name) {
    if (name == kCreationDateKey) return Key::CreationDate;
    if (name == kMakeKey) return Key::Make;
    if (name == kModelKey) return Key::Model;
    return Key::None;
}

void TakeKeyValue(Key key, std::string_view value, FoundMetadata& found) {
    switch (key) {
        case Key::CreationDate:
            if (found.quickTimeDate.empty()) found.quickTimeDate = IsoDateText(value);
            break;
        case Key::Make:
            TakeMovieText(value, found.maker);
            break;
        case Key::Model:
            TakeMovieText(value, found.model);
            break;
        case Key::None:
            break;
    }
}

// A metadata box of a movie: QuickTime's keys and item list, or an iTunes-style item list.
void ReadMovieMetadata(ExifSource& source, const Box& meta, FoundMetadata& found) {
    // QuickTime's metadata box has no version and flags, the ISO one has: tell them apart by
    // where the handler box stands.
    const std::string_view start = source.At(meta.payload, 12);
    if (start.size() < 12) return;
    const std::uint64_t first = start.substr(4, 4) == "hdlr"sv ? meta.payload : meta.payload + 4;
    Box keys;
    Box list;
    bool hasKeys = false;
    bool hasList = false;
    ForEachBox(source, first, meta.end, kMostBoxes, [&](const Box& box) {
        if (box.Is("keys") && !hasKeys) {
            hasKeys = true;
            keys = box;
        } else if (box.Is("ilst") && !hasList) {
            hasList = true;
            list = box;
        }
        return true;
    });
    if (!hasList) return;

    // Key indexes count from 1 in the order of the keys box.
    std::array<Key, kMostKeys + 1> wanted{};
    if (hasKeys) {
        Cursor cursor(Contents(source, keys));
        cursor.Take(4);  // version and flags
        const std::uint64_t count = std::min<std::uint64_t>(cursor.Take(4), kMostKeys);
        for (std::size_t index = 1; index <= count && cursor.ok(); ++index) {
            const std::uint64_t size = cursor.Take(4);
            cursor.Take(4);  // the key's namespace
            if (size < 8) break;
            wanted[index] = KeyOf(cursor.TakeBytes(
                static_cast<std::size_t>(std::min<std::uint64_t>(size - 8, kExifLargestRequest))));
        }
    }
    ForEachBox(source, list.payload, list.end, kMostBoxes, [&](const Box& item) {
        const std::string_view type(item.type.data(), 4);
        Key key = Key::None;
        if (type == kMakerAtom) {
            key = Key::Make;
        } else if (type == kModelAtom) {
            key = Key::Model;
        } else if (hasKeys) {
            const std::uint64_t index = BigEndian(type, 0, 4);
            if (index >= 1 && index <= kMostKeys) key = wanted[index];
        }
        if (key != Key::None) TakeKeyValue(key, DataValue(source, item), found);
        return true;
    });
}

// User data: QuickTime text atoms (a 16-bit length and a language before the text) or
// iTunes-style atoms with a data box, and a metadata box.
void ReadUserData(ExifSource& source, const Box& userData, FoundMetadata& found) {
    ForEachBox(source, userData.payload, userData.end, kMostBoxes, [&](const Box& box) {
        const bool maker = box.Is(kMakerAtom);
        if (maker || box.Is(kModelAtom)) {
            std::string& text = maker ? found.maker : found.model;
            const std::string_view head = source.At(box.payload, 8);
            if (head.size() >= 8 && head.substr(4, 4) == "data"sv) {
                TakeMovieText(DataValue(source, box), text);
            } else if (head.size() >= 4) {
                const auto length = std::min<std::uint64_t>(BigEndian(head, 0, 2), box.Size() - 4);
                TakeMovieText(
                    source.At(box.payload + 4, static_cast<std::size_t>(std::min<std::uint64_t>(
                                                   length, kMostTextBytes))),
                    text);
            }
        } else if (box.Is("meta")) {
            ReadMovieMetadata(source, box, found);
        }
        return true;
    });
}

void ReadMovieHeader(ExifSource& source, const Box& header, FoundMetadata& found) {
    Cursor cursor(source.At(header.payload, 32));
    const std::uint64_t version = cursor.Take(1);
    cursor.Take(3);  // flags
    const std::size_t field = version == 1 ? 8 : 4;
    const std::uint64_t created = cursor.Take(field);
    const bool createdRead = cursor.ok();
    cursor.Take(field);  // modified
    const std::uint64_t timescale = cursor.Take(4);
    const std::uint64_t duration = cursor.Take(field);
    // A length of a year or more is no real movie's (all ones is the format's "unknown").
    if (cursor.ok() && timescale != 0 && duration / timescale < kLongestMovieSeconds) {
        found.movieDurationMs = static_cast<std::int64_t>(duration / timescale * 1000 +
                                                          duration % timescale * 1000 / timescale);
    }
    // Zero is what a device without a clock writes.
    if (!createdRead || created == 0 || created > kLatestMovieTime) return;
    const platform::LocalTime local =
        platform::ToLocalTime(static_cast<std::int64_t>(created) - kQuickTimeEpoch);
    if (platform::IsValidLocalTime(local)) found.movieDate = DateText(local);
}

// CR3: CMT1 holds the main image's directory, CMT2 the Exif directory, each as a TIFF block.
void ReadCanonBoxes(ExifSource& source, const Box& uuid, FoundMetadata& found) {
    if (uuid.Size() < 16 || source.At(uuid.payload, 16) != kCanonUuid) return;
    ForEachBox(source, uuid.payload + 16, uuid.end, kMostBoxes, [&](const Box& box) {
        if (box.Is("CMT1") || box.Is("CMT2")) {
            ReadTiffStructure(source, box.payload, box.Size(), false, found);
        }
        return true;
    });
}

void ReadMovie(ExifSource& source, const Box& movie, FoundMetadata& found) {
    ForEachBox(source, movie.payload, movie.end, kMostBoxes, [&](const Box& box) {
        if (box.Is("mvhd")) {
            ReadMovieHeader(source, box, found);
        } else if (box.Is("meta")) {
            ReadMovieMetadata(source, box, found);
        } else if (box.Is("udta")) {
            ReadUserData(source, box, found);
        } else if (box.Is("uuid")) {
            ReadCanonBoxes(source, box, found);
        }
        return true;
    });
}

// Where an item's data lies, from the item location box.
struct ItemLocation {
    std::uint64_t method = 0;  // 0 in the file, 1 in the item data box
    std::uint64_t offset = 0;
    std::uint64_t length = 0;  // 0: up to the end
};

bool FindExifItem(ExifSource& source, const Box& itemInfo, std::uint64_t& item) {
    const std::string_view start = source.At(itemInfo.payload, 1);
    if (start.empty()) return false;
    // Version and flags, then the entry count (16 bits in version 0, else 32).
    const std::uint64_t skip = start[0] == 0 ? 6 : 8;
    if (itemInfo.Size() < skip) return false;
    bool found = false;
    ForEachBox(source, itemInfo.payload + skip, itemInfo.end, kMostItems, [&](const Box& entry) {
        if (!entry.Is("infe")) return true;
        Cursor cursor(source.At(entry.payload, 16));
        const std::uint64_t version = cursor.Take(1);
        cursor.Take(3);
        // Only versions 2 and 3 name an item type.
        if (version < 2) return true;
        const std::uint64_t id = cursor.Take(version == 2 ? 2 : 4);
        cursor.Take(2);  // protection index
        if (cursor.TakeBytes(4) == "Exif"sv && cursor.ok()) {
            item = id;
            found = true;
            return false;
        }
        return true;
    });
    return found;
}

bool LocateItem(ExifSource& source, const Box& locations, std::uint64_t wanted,
                ItemLocation& location) {
    Cursor cursor(Contents(source, locations));
    const std::uint64_t version = cursor.Take(1);
    cursor.Take(3);
    const std::uint64_t sizes = cursor.Take(2);
    if (!cursor.ok() || version > 2) return false;
    const std::size_t offsetSize = (sizes >> 12) & 0xF;
    const std::size_t lengthSize = (sizes >> 8) & 0xF;
    const std::size_t baseSize = (sizes >> 4) & 0xF;
    const std::size_t indexSize = version == 0 ? 0 : sizes & 0xF;
    for (const std::size_t size : {offsetSize, lengthSize, baseSize, indexSize}) {
        if (size != 0 && size != 4 && size != 8) return false;
    }
    const std::uint64_t items = cursor.Take(version < 2 ? 2 : 4);
    // Every item takes at least six bytes, so the cursor ends the loop long before the count.
    for (std::uint64_t i = 0; i < items && cursor.ok(); ++i) {
        const std::uint64_t id = cursor.Take(version < 2 ? 2 : 4);
        const std::uint64_t method = version == 0 ? 0 : cursor.Take(2) & 0xF;
        cursor.Take(2);  // data reference index
        const std::uint64_t base = cursor.Take(baseSize);
        const std::uint64_t extents = cursor.Take(2);
        const std::size_t extentBytes = indexSize + offsetSize + lengthSize;
        if (!cursor.ok()) return false;
        if (id == wanted) {
            // The first extent: Exif items are written in one piece.
            if (extents == 0) return false;
            cursor.Take(indexSize);
            const std::uint64_t offset = cursor.Take(offsetSize);
            location.length = cursor.Take(lengthSize);
            if (!cursor.ok() || offset > kToEndOfFile - base) return false;
            location.method = method;
            location.offset = base + offset;
            return true;
        }
        if (extentBytes != 0)
            cursor.TakeBytes(
                static_cast<std::size_t>(std::min<std::uint64_t>(extents * extentBytes, SIZE_MAX)));
    }
    return false;
}

// HEIF and AVIF: the item of type Exif; its data begins with the offset of the TIFF header
// from the end of that offset field.
bool ReadHeifExif(ExifSource& source, const Box& meta, FoundMetadata& found) {
    if (meta.Size() < 4) return false;
    Box itemInfo;
    Box locations;
    Box itemData;
    bool hasInfo = false;
    bool hasLocations = false;
    bool hasData = false;
    ForEachBox(source, meta.payload + 4, meta.end, kMostBoxes, [&](const Box& box) {
        if (box.Is("iinf") && !hasInfo) {
            hasInfo = true;
            itemInfo = box;
        } else if (box.Is("iloc") && !hasLocations) {
            hasLocations = true;
            locations = box;
        } else if (box.Is("idat") && !hasData) {
            hasData = true;
            itemData = box;
        }
        return true;
    });
    std::uint64_t item = 0;
    ItemLocation location;
    if (!hasInfo || !hasLocations || !FindExifItem(source, itemInfo, item) ||
        !LocateItem(source, locations, item, location)) {
        return false;
    }
    std::uint64_t position = location.offset;
    std::uint64_t available = kToEndOfFile - position;
    if (location.method == 1) {
        if (!hasData || location.offset >= itemData.Size()) return false;
        position = itemData.payload + location.offset;
        available = itemData.end - position;
    } else if (location.method != 0) {
        return false;
    }
    const std::uint64_t length =
        location.length == 0 ? available : std::min(location.length, available);
    const std::string_view data = source.At(
        position, static_cast<std::size_t>(std::min<std::uint64_t>(length, kMostItemBytes)));
    if (data.size() < 4) return false;
    const std::uint64_t tiffOffset = BigEndian(data, 0, 4);
    if (tiffOffset > length - 4) return false;
    return ReadTiffStructure(source, position + 4 + tiffOffset, length - 4 - tiffOffset, false,
                             found);
}

bool HasExifDate(const FoundMetadata& found) {
    return !found.dateTimeOriginal.empty() || !found.dateTimeDigitized.empty() ||
           !found.dateTime.empty();
}

}  // namespace

bool LooksLikeIsoMedia(std::string_view head) {
    if (head.size() < 8) return false;
    const std::string_view type = head.substr(4, 4);
    for (std::string_view known :
         {"ftyp"sv, "moov"sv, "mdat"sv, "wide"sv, "free"sv, "skip"sv, "pnot"sv}) {
        if (type == known) return true;
    }
    return false;
}

void ReadIsoMediaMetadata(ExifSource& source, FoundMetadata& found) {
    // A box that claims more than the file holds (a movie cut short) is read as far as the file
    // goes, whatever the file's size: the top level is never measured against the file's end,
    // which a small file gives at once and a large one only after reads that may never come.
    ForEachBox(source, 0, kToEndOfFile, kMostBoxes, [&](const Box& box) {
        // An image's Exif item usually precedes its media data: a date found stops the walk
        // before the media data's header is read.
        if (box.Is("meta")) return !(ReadHeifExif(source, box, found) && HasExifDate(found));
        if (box.Is("moov")) {
            ReadMovie(source, box, found);
            return false;
        }
        return true;
    });
}

}  // namespace morvanex::engine
