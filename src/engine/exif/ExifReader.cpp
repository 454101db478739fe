#include "engine/exif/ExifReader.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "engine/exif/ExifContainers.h"
#include "engine/exif/ExifSource.h"
#include "engine/naming/TextRange.h"
#include "engine/naming/TimestampFormat.h"

namespace morvanex::engine {

namespace {

constexpr std::size_t kHeaderBytes = 20;
constexpr std::size_t kCountPosition = 20;
constexpr std::size_t kEntriesPosition = 22;
constexpr std::size_t kEntryBytes = 12;
constexpr std::size_t kDateTimeBytes = 20;

constexpr char kEdt[] = "%EDT";
constexpr char kEmk[] = "%EMK";
constexpr char kEcm[] = "%ECM";
constexpr char kEst[] = "%EST";

bool Matches(std::string_view bytes, std::size_t at, std::string_view expected) {
    return bytes.substr(at, expected.size()) == expected;
}

// Start of image, then the APP1 marker at once (its length is not examined), "Exif" and two
// zero bytes, then a TIFF header whose first directory follows it directly (offset 8).
std::optional<ByteOrder> HeaderOrder(std::string_view bytes) {
    using namespace std::string_view_literals;
    if (bytes.size() < kHeaderBytes) return std::nullopt;
    if (!Matches(bytes, 0, "\xFF\xD8\xFF\xE1"sv) || !Matches(bytes, 6, "Exif\0\0"sv)) {
        return std::nullopt;
    }
    if (Matches(bytes, 12, "II\x2A\0\x08\0\0\0"sv)) return ByteOrder::LittleEndian;
    if (Matches(bytes, 12, "MM\0\x2A\0\0\0\x08"sv)) return ByteOrder::BigEndian;
    return std::nullopt;
}

struct Directory {
    ByteOrder order;
    std::size_t count;        // entries the directory claims
    std::size_t present;      // entries wholly inside the bytes
    std::size_t windowBegin;  // W: file position right after the directory
};

std::optional<Directory> FirstDirectory(std::string_view bytes) {
    const auto order = HeaderOrder(bytes);
    if (!order || bytes.size() < kEntriesPosition) return std::nullopt;
    Directory d{*order, Read16(bytes, kCountPosition, *order), 0, 0};
    d.present = std::min(d.count, (bytes.size() - kEntriesPosition) / kEntryBytes);
    // The entries and the four-byte offset of the next directory.
    d.windowBegin = kEntriesPosition + d.count * kEntryBytes + 4;
    return d;
}

std::uint16_t TagOf(std::string_view bytes, const Directory& d, std::size_t entry) {
    return Read16(bytes, kEntriesPosition + entry * kEntryBytes, d.order);
}

bool HasExifPointer(std::string_view bytes, const Directory& d) {
    for (std::size_t i = 0; i < d.present; ++i) {
        if (TagOf(bytes, d, i) == kTagExifPointer) return true;
    }
    return false;
}

// A value is taken only when it lies wholly inside the window; it ends at its first zero byte.
void CopyValue(std::string_view bytes, std::size_t windowBegin, std::size_t windowEnd,
               std::uint32_t offset, std::size_t length, std::string& text) {
    const std::uint64_t position = std::uint64_t{offset} + kTiffHeaderPosition;
    if (position < windowBegin || position + length > windowEnd) return;
    const std::string_view value = bytes.substr(static_cast<std::size_t>(position), length);
    text.assign(value.substr(0, value.find('\0')));
}

bool IsChunk(std::string_view format, std::size_t k, const char* token) {
    return std::memcmp(format.data() + k * kTokenBytes, token, kTokenBytes) == 0;
}

// Parses a date-time field the way a decimal conversion reads it: leading blanks, digits up to
// the first other character; none give 0.
int DecimalField(std::string_view text, std::size_t first, std::size_t length) {
    if (first >= text.size()) return 0;
    std::string_view field = text.substr(first, length);
    std::size_t i = 0;
    while (i < field.size() && field[i] == ' ') ++i;
    int value = 0;
    for (; i < field.size() && field[i] >= '0' && field[i] <= '9'; ++i) {
        value = value * 10 + (field[i] - '0');
    }
    return value;
}

enum class TagItem { Artist, AlbumArtist, Album, Title, Genre, Year, Track, Disc, Duration };
constexpr int kTagItems = 9;

struct TagTokenDef {
    std::string_view code;  // four bytes; for the numbers the first three, a digit follows
    TagItem item;
    const char* placeholder;  // UTF-8
};

constexpr std::array<TagTokenDef, kTagItems> kTagTokens{{
    {"%EAR", TagItem::Artist, "(アーティスト名)"},
    {"%EAA", TagItem::AlbumArtist, "(アルバムアーティスト名)"},
    {"%EAL", TagItem::Album, "(アルバム名)"},
    {"%ETI", TagItem::Title, "(曲名)"},
    {"%EGN", TagItem::Genre, "(ジャンル)"},
    {"%EYR", TagItem::Year, "(発売年)"},
    {"%ET", TagItem::Track, "(トラック番号)"},
    {"%ED", TagItem::Disc, "(ディスク番号)"},
    {"%ELN", TagItem::Duration, "(再生時間)"},
}};

constexpr int kMaxTagDigits = 8;

struct TagToken {
    TagItem item;
    int digits = 0;
    std::size_t def = 0;  // index into kTagTokens
};

std::optional<TagToken> TagTokenAt(std::string_view format, std::size_t k) {
    const std::string_view chunk = format.substr(k * kTokenBytes, kTokenBytes);
    for (std::size_t i = 0; i < kTagTokens.size(); ++i) {
        const TagTokenDef& def = kTagTokens[i];
        if (def.code.size() == kTokenBytes) {
            if (chunk == def.code) return TagToken{def.item, 0, i};
        } else if (chunk.starts_with(def.code) && chunk[3] >= '0' &&
                   chunk[3] <= '0' + kMaxTagDigits) {
            return TagToken{def.item, chunk[3] - '0', i};
        }
    }
    return std::nullopt;
}

const std::string& ArtistOfAlbum(const MediaTags& tags) {
    return tags.albumArtist.empty() ? tags.artist : tags.albumArtist;
}

bool HasValue(const MediaTags& tags, TagItem item) {
    switch (item) {
        case TagItem::Artist:
            return !tags.artist.empty();
        case TagItem::AlbumArtist:
            return !ArtistOfAlbum(tags).empty();
        case TagItem::Album:
            return !tags.album.empty();
        case TagItem::Title:
            return !tags.title.empty();
        case TagItem::Genre:
            return !tags.genre.empty();
        case TagItem::Year:
            return tags.year > 0;
        case TagItem::Track:
            return tags.track > 0;
        case TagItem::Disc:
            return tags.disc > 0;
        case TagItem::Duration:
            return tags.durationMs >= 0;
    }
    return false;
}

std::string ZeroFilled(int value, int digits) {
    std::string text = std::to_string(value);
    if (static_cast<int>(text.size()) < digits) {
        text.insert(0, static_cast<std::size_t>(digits) - text.size(), '0');
    }
    return text;
}

std::string TagValue(const MediaTags& tags, const TagToken& token) {
    switch (token.item) {
        case TagItem::Artist:
            return tags.artist;
        case TagItem::AlbumArtist:
            return ArtistOfAlbum(tags);
        case TagItem::Album:
            return tags.album;
        case TagItem::Title:
            return tags.title;
        case TagItem::Genre:
            return tags.genre;
        case TagItem::Year:
            return tags.year > 0 ? std::to_string(tags.year) : std::string();
        case TagItem::Track:
            return tags.track > 0 ? ZeroFilled(tags.track, token.digits) : std::string();
        case TagItem::Disc:
            return tags.disc > 0 ? ZeroFilled(tags.disc, token.digits) : std::string();
        case TagItem::Duration: {
            if (tags.durationMs < 0) return {};
            const std::int64_t seconds = (tags.durationMs + 500) / 1000;
            return std::to_string(seconds / 60) + "m" +
                   ZeroFilled(static_cast<int>(seconds % 60), 2) + "s";
        }
    }
    return {};
}

struct Placeholders {
    std::string shotTime;
    std::string maker;
    std::string model;
    std::array<std::string, kTagItems> tags;
};

const Placeholders& GetPlaceholders() {
    static const Placeholders texts = [] {
        Placeholders p{platform::Sjis("(撮影時間)"),
                       platform::Sjis("(メーカー名)"),
                       platform::Sjis("(機種名)"),
                       {}};
        for (std::size_t i = 0; i < kTagTokens.size(); ++i) {
            p.tags[i] = platform::Sjis(kTagTokens[i].placeholder);
        }
        return p;
    }();
    return texts;
}

std::string CutExpansion(std::string text, std::size_t bufferSize) {
    if (bufferSize == 0) return {};
    text.resize(platform::FitLength(text, bufferSize - 1));
    return text;
}

bool IsValidDate(const std::string& text) {
    ExifData probe;
    probe.dateTime = text;
    return ExifDateTime(probe).has_value();
}

// The shooting time first: an Exif date that forms no valid moment (a camera without a set
// clock writes zeros) gives way to the next one.
std::optional<ExifData> Conclude(const FoundMetadata& found) {
    ExifData data;
    data.order = found.order;
    data.maker = found.maker;
    data.model = found.model;
    for (const std::string* date : {&found.dateTimeOriginal, &found.dateTimeDigitized,
                                    &found.dateTime, &found.quickTimeDate, &found.movieDate}) {
        if (IsValidDate(*date)) {
            data.dateTime = *date;
            break;
        }
    }
    if (data.maker.empty() && data.model.empty() && data.dateTime.empty()) return std::nullopt;
    return data;
}

std::optional<ExifData> ReadMetadata(ExifSource& source) {
    const std::string_view head = source.Head();
    FoundMetadata found;
    if (head.starts_with("\xFF\xD8")) {
        ReadJpegMetadata(source, found);
    } else if (LooksLikeTiff(head)) {
        ReadTiffStructure(source, 0, kToEndOfFile, true, found);
    } else if (LooksLikeIsoMedia(head)) {
        ReadIsoMediaMetadata(source, found);
    }
    return Conclude(found);
}

}  // namespace

std::size_t ExifBytesWanted(std::string_view bytes) {
    if (bytes.size() < kEntriesPosition) return kEntriesPosition;
    const auto d = FirstDirectory(bytes);
    if (!d) return bytes.size();
    const std::size_t windowEnd = d->windowBegin + kExifWindowBytes;
    if (d->present < d->count) return windowEnd;
    return HasExifPointer(bytes, *d) ? windowEnd : d->windowBegin;
}

std::optional<ExifData> ParseExif(std::string_view bytes) {
    const auto d = FirstDirectory(bytes);
    if (!d || !HasExifPointer(bytes, *d)) return std::nullopt;

    ExifData data;
    data.order = d->order;
    const std::size_t windowEnd = std::min(bytes.size(), d->windowBegin + kExifWindowBytes);
    for (std::size_t i = 0; i < d->present; ++i) {
        const std::size_t at = kEntriesPosition + i * kEntryBytes;
        const std::uint16_t tag = Read16(bytes, at, d->order);
        const std::uint32_t count = Read32(bytes, at + 4, d->order);
        const std::uint32_t offset = Read32(bytes, at + 8, d->order);
        const std::size_t textBytes = std::min<std::size_t>(count, kMaxExifTextBytes);
        if (tag == kTagMaker) {
            CopyValue(bytes, d->windowBegin, windowEnd, offset, textBytes, data.maker);
        } else if (tag == kTagModel) {
            CopyValue(bytes, d->windowBegin, windowEnd, offset, textBytes, data.model);
        } else if (tag == kTagDateTime) {
            CopyValue(bytes, d->windowBegin, windowEnd, offset, kDateTimeBytes, data.dateTime);
        }
    }
    return data;
}

std::optional<ExifData> ParseMetadata(std::string_view wholeFile) {
    ExifSource source(wholeFile);
    return ReadMetadata(source);
}

int ReadExif(platform::FileSystem& fileSystem, std::string_view path, ExifData& data,
             ExifReading reading) {
    return ReadExif(fileSystem, path, data, reading, kExifFirstRead);
}

int ReadExif(platform::FileSystem& fileSystem, std::string_view path, ExifData& data,
             ExifReading reading, std::size_t firstRead) {
    if (reading == ExifReading::Wide) {
        ExifSource source(fileSystem, path);
        if (source.Load(firstRead) != 0) return 0;
        auto found = ReadMetadata(source);
        if (!found) return 0;
        data = std::move(*found);
        return 1;
    }
    std::string bytes;
    if (fileSystem.ReadFirstBytes(path, firstRead, bytes) != 0) return 0;
    // Only a file that filled the first read can hold more of what the directory points to.
    if (bytes.size() >= firstRead) {
        const std::size_t wanted = ExifBytesWanted(bytes);
        if (wanted > bytes.size() && fileSystem.ReadFirstBytes(path, wanted, bytes) != 0) {
            return 0;
        }
    }
    auto parsed = ParseExif(bytes);
    if (!parsed) return 0;
    data = std::move(*parsed);
    return 1;
}

std::optional<platform::Timestamp> ExifDateTime(const ExifData& data) {
    const std::string_view text = data.dateTime;
    if (text.empty()) return std::nullopt;
    platform::LocalTime local;
    local.year = DecimalField(text, 0, 4);
    local.month = DecimalField(text, 5, 2);
    local.day = DecimalField(text, 8, 2);
    local.hour = DecimalField(text, 11, 2);
    local.minute = DecimalField(text, 14, 2);
    local.second = DecimalField(text, 17, 2);
    if (!platform::IsValidLocalTime(local)) return std::nullopt;
    return platform::FromLocalTime(local);
}

int ExifMaker(const ExifData& data, std::string& text, std::size_t size) {
    if (data.maker.size() + 1 > size) return 0;
    text = data.maker;
    return 1;
}

int ExifModel(const ExifData& data, std::string& text, std::size_t size) {
    if (data.model.size() + 1 > size) return 0;
    text = data.model;
    return 1;
}

void AppendExifFormat(const ExifData& data, std::string_view format, std::string& out) {
    AppendExifFormat(&data, nullptr, format, out);
}

void AppendExifFormat(const ExifData* data, const MediaTags* tags, std::string_view format,
                      std::string& out) {
    static const ExifData kNoData;
    const ExifData& exif = data != nullptr ? *data : kNoData;
    const std::size_t chunks = format.size() / kTokenBytes;
    const auto rangeAfter = [&](std::size_t k) {
        return k + 2 < chunks ? format.substr((k + 2) * kTokenBytes, kTokenBytes)
                              : std::string_view();
    };
    for (std::size_t k = 0; k < chunks; ++k) {
        if (IsChunk(format, k, kEdt)) {
            // The timestamp tokens run up to the next chunk that could be an Exif item.
            std::size_t end = k + 1;
            while (end < chunks && format[end * kTokenBytes + 1] != 'E') ++end;
            const std::string_view timeFormat =
                format.substr((k + 1) * kTokenBytes, (end - k - 1) * kTokenBytes);
            if (const auto time = ExifDateTime(exif)) {
                AppendTimestampFormat(platform::ToLocalTime(*time), timeFormat, out,
                                      platform::kMaxTextBytes);
            }
        } else if (IsChunk(format, k, kEmk) || IsChunk(format, k, kEcm)) {
            const std::string& text = IsChunk(format, k, kEmk) ? exif.maker : exif.model;
            if (k + 1 >= chunks || !IsChunk(format, k + 1, kEst)) {
                out += text;
                continue;
            }
            auto [first, last] = ParseRange(rangeAfter(k));
            const auto length = static_cast<int>(text.size());
            if (first > length) first = length;
            if (last > length) last = length;
            if (last < first) first = last;
            if (first == 0) first = 1;
            if (first <= last) {
                out.append(text, static_cast<std::size_t>(first - 1),
                           static_cast<std::size_t>(last - first + 1));
            }
            k += 2;
        } else if (const auto token = TagTokenAt(format, k)) {
            const std::string value = tags != nullptr ? TagValue(*tags, *token) : std::string();
            if (k + 1 < chunks && IsChunk(format, k + 1, kEst)) {
                // Tag texts are counted in characters: a range never splits a kana.
                out += CharacterRange(value, rangeAfter(k));
                k += 2;
            } else {
                out += value;
            }
        }
    }
}

ExifFormatNeeds NeedsOf(std::string_view format) {
    ExifFormatNeeds needs;
    bool exifItem = false;
    const std::size_t chunks = format.size() / kTokenBytes;
    for (std::size_t k = 0; k < chunks; ++k) {
        if (IsChunk(format, k, kEdt) || IsChunk(format, k, kEmk) || IsChunk(format, k, kEcm)) {
            exifItem = true;
        } else if (TagTokenAt(format, k)) {
            needs.tags = true;
        }
    }
    needs.exifData = exifItem || !needs.tags;
    return needs;
}

bool TagsHaveValuesFor(const MediaTags& tags, std::string_view format) {
    const std::size_t chunks = format.size() / kTokenBytes;
    for (std::size_t k = 0; k < chunks; ++k) {
        if (IsChunk(format, k, kEst)) {
            ++k;  // its range digits are no token
        } else if (const auto token = TagTokenAt(format, k);
                   token && !HasValue(tags, token->item)) {
            return false;
        }
    }
    return true;
}

std::string ExpandExifFormat(const ExifData& data, std::string_view format,
                             std::size_t bufferSize) {
    std::string result;
    AppendExifFormat(data, format, result);
    return CutExpansion(std::move(result), bufferSize);
}

int ExpandExifFormat(platform::FileSystem& fileSystem, std::string_view path,
                     std::string_view format, std::string& out, std::size_t bufferSize,
                     ExifReading reading) {
    ExifData data;
    if (ReadExif(fileSystem, path, data, reading) == 0) return kNoExifData;
    out = ExpandExifFormat(data, format, bufferSize);
    return 0;
}

void AppendExifPlaceholder(std::string_view format, std::string& out) {
    const Placeholders& texts = GetPlaceholders();
    const std::size_t chunks = format.size() / kTokenBytes;
    for (std::size_t k = 0; k < chunks; ++k) {
        const auto token = TagTokenAt(format, k);
        if (IsChunk(format, k, kEdt)) {
            out += texts.shotTime;
            continue;
        }
        if (IsChunk(format, k, kEmk) || IsChunk(format, k, kEcm)) {
            out += IsChunk(format, k, kEmk) ? texts.maker : texts.model;
        } else if (token) {
            out += texts.tags[token->def];
        } else {
            continue;
        }
        // The range after "%EST" belongs to this item, as in the expansion.
        if (k + 1 < chunks && IsChunk(format, k + 1, kEst)) k += 2;
    }
}

std::string ExifPlaceholder(std::string_view format, std::size_t bufferSize) {
    std::string result;
    AppendExifPlaceholder(format, result);
    return CutExpansion(std::move(result), bufferSize);
}

}  // namespace morvanex::engine
