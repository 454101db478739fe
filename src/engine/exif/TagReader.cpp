#include <taglib/aifffile.h>
#include <taglib/apefile.h>
#include <taglib/apetag.h>
#include <taglib/asffile.h>
#include <taglib/flacfile.h>
#include <taglib/id3v1genres.h>
#include <taglib/id3v1tag.h>
#include <taglib/id3v2frame.h>
#include <taglib/id3v2tag.h>
#include <taglib/infotag.h>
#include <taglib/mp4file.h>
#include <taglib/mpcfile.h>
#include <taglib/mpegfile.h>
#include <taglib/oggflacfile.h>
#include <taglib/opusfile.h>
#include <taglib/speexfile.h>
#include <taglib/textidentificationframe.h>
#include <taglib/tpropertymap.h>
#include <taglib/vorbisfile.h>
#include <taglib/wavfile.h>
#include <taglib/wavpackfile.h>
#include <taglib/xiphcomment.h>

#include <array>
#include <memory>

#include "engine/exif/ExifContainers.h"
#include "engine/exif/ExifSource.h"
#include "engine/exif/MediaTags.h"
#include "engine/exif/TagStream.h"

namespace morvanex::engine {

namespace {

using TagLib::AudioProperties;

enum class Container {
    None,
    Mpeg,
    Flac,
    OggVorbis,
    OggOpus,
    OggFlac,
    OggSpeex,
    Mp4,
    Wav,
    Aiff,
    Ape,
    WavPack,
    Mpc,
    Asf,
};

// The fields in the order of the property names TagLib gives every container, and the ID3v2
// frames that hold them (empty: no frame of its own).
enum Field {
    kArtist,
    kAlbumArtist,
    kAlbum,
    kTitle,
    kGenre,
    kTrack,
    kTrackTotal,
    kDisc,
    kDiscTotal,
    kDate,
    kFieldCount
};
constexpr std::array<const char*, kFieldCount> kPropertyNames = {
    "ARTIST",      "ALBUMARTIST", "ALBUM",      "TITLE",     "GENRE",
    "TRACKNUMBER", "TRACKTOTAL",  "DISCNUMBER", "DISCTOTAL", "DATE"};
// Other names some taggers write for the same field.
constexpr std::array<const char*, kFieldCount> kOtherNames = {
    "", "ALBUM ARTIST", "", "", "", "", "TOTALTRACKS", "", "TOTALDISCS", "YEAR"};
constexpr std::array<const char*, kFieldCount> kId3v2Frames = {
    "TPE1", "TPE2", "TALB", "TIT2", "TCON", "TRCK", "", "TPOS", "", "TDRC"};

// What the sources of one file gave, field by field; the first source that has a field wins.
struct Collected {
    std::array<std::string, kFieldCount> values;  // CP932, not yet made safe for names

    void Offer(Field field, std::string value) {
        if (values[field].empty()) values[field] = std::move(value);
    }
};

constexpr std::string_view kAsfGuid = "\x30\x26\xB2\x75\x8E\x66\xCF\x11";

bool IsMpegFrameHeader(std::string_view head) {
    if (head.size() < 4) return false;
    const auto b1 = static_cast<unsigned char>(head[1]);
    const auto b2 = static_cast<unsigned char>(head[2]);
    return static_cast<unsigned char>(head[0]) == 0xFF && (b1 & 0xE0) == 0xE0 &&
           ((b1 >> 3) & 3) != 1 && ((b1 >> 1) & 3) != 0 && (b2 >> 4) != 0xF && ((b2 >> 2) & 3) != 3;
}

// Images of the ISO base media format carry no tags: TagLib is not asked about them.
bool IsImageBrand(std::string_view brand) {
    for (const std::string_view image :
         {"heic", "heix", "heim", "heis", "hevc", "hevx", "mif1", "msf1", "avif", "avis", "crx "}) {
        if (brand == image) return true;
    }
    return false;
}

Container OggKind(TagStream& stream) {
    const std::string_view page = stream.Peek(0, 27);
    if (page.size() < 27) return Container::None;
    const auto segments = static_cast<unsigned char>(page[26]);
    const std::string_view packet = stream.Peek(27 + segments, 8);
    if (packet.starts_with("\x01vorbis")) return Container::OggVorbis;
    if (packet.starts_with("OpusHead")) return Container::OggOpus;
    if (packet.starts_with("\x7F"
                           "FLAC"))
        return Container::OggFlac;
    if (packet.starts_with("Speex   ")) return Container::OggSpeex;
    return Container::None;
}

// What the file is, by its first bytes (a name may lie). An ID3v2 tag in front is skipped to
// see what it stands before: MP3 mostly, sometimes FLAC or Monkey's Audio.
Container Identify(TagStream& stream) {
    std::string_view head = stream.Peek(0, 12);
    std::uint64_t tagEnd = 0;
    if (head.size() >= 10 && head.starts_with("ID3")) {
        std::uint64_t size = 0;
        for (std::size_t i = 6; i < 10; ++i) size = size << 7 | (head[i] & 0x7F);
        const bool footer = (static_cast<unsigned char>(head[5]) & 0x10) != 0;
        tagEnd = 10 + size + (footer ? 10 : 0);
        const std::string_view after = stream.Peek(tagEnd, 4);
        if (after == "fLaC") return Container::Flac;
        if (after == "MAC ") return Container::Ape;
        return Container::Mpeg;
    }
    if (head.size() < 4) return Container::None;
    if (head.starts_with("fLaC")) return Container::Flac;
    if (head.starts_with("OggS")) return OggKind(stream);
    if (head.starts_with("MAC ")) return Container::Ape;
    if (head.starts_with("wvpk")) return Container::WavPack;
    if (head.starts_with("MPCK") || head.starts_with("MP+")) return Container::Mpc;
    if (head.starts_with(kAsfGuid)) return Container::Asf;
    if (head.size() >= 12 && head.starts_with("RIFF") && head.substr(8, 4) == "WAVE") {
        return Container::Wav;
    }
    if (head.size() >= 12 && head.starts_with("FORM") &&
        (head.substr(8, 4) == "AIFF" || head.substr(8, 4) == "AIFC")) {
        return Container::Aiff;
    }
    if (head.size() >= 12 && head.substr(4, 4) == "ftyp") {
        return IsImageBrand(head.substr(8, 4)) ? Container::None : Container::Mp4;
    }
    if (head.size() >= 8 && (head.substr(4, 4) == "moov" || head.substr(4, 4) == "mdat" ||
                             head.substr(4, 4) == "wide")) {
        return Container::Mp4;
    }
    if (IsMpegFrameHeader(head)) return Container::Mpeg;
    return Container::None;
}

std::string JoinedUtf8(const TagLib::StringList& values) {
    std::string joined;
    for (const TagLib::String& value : values) {
        const std::string text = value.to8Bit(true);
        if (text.empty()) continue;
        if (!joined.empty()) joined += kTagValueSeparator;
        joined += text;
    }
    return joined;
}

// A container's own tag, in the names TagLib gives every format (Unicode throughout).
void OfferProperties(const TagLib::PropertyMap& properties, Collected& collected) {
    for (int field = 0; field < kFieldCount; ++field) {
        for (const char* name : {kPropertyNames[field], kOtherNames[field]}) {
            if (*name == '\0') continue;
            const auto found = properties.find(name);
            if (found == properties.end()) continue;
            collected.Offer(static_cast<Field>(field), TagTextFromUtf8(JoinedUtf8(found->second)));
        }
    }
}

// "17" in a genre frame is the ID3v1 genre of that number.
TagLib::String GenreName(const TagLib::String& value) {
    if (value.isEmpty() || value.size() > 3) return value;
    for (const wchar_t c : value) {
        if (c < L'0' || c > L'9') return value;
    }
    const TagLib::String name = TagLib::ID3v1::genre(value.toInt());
    return name.isEmpty() ? value : name;
}

// ID3v2 text frames: a Latin-1 frame holds raw bytes (TagLib decoded them as Latin-1, which
// gives each byte back), judged by the reading; UTF-16 and UTF-8 frames are taken as they are.
void OfferId3v2(const TagLib::ID3v2::Tag* tag, TagTextReading reading, Collected& collected) {
    if (tag == nullptr) return;
    const TagLib::ID3v2::FrameListMap& frames = tag->frameListMap();
    for (int field = 0; field < kFieldCount; ++field) {
        if (*kId3v2Frames[field] == '\0') continue;
        const auto found = frames.find(kId3v2Frames[field]);
        if (found == frames.end()) continue;
        for (const TagLib::ID3v2::Frame* frame : found->second) {
            const auto* text = dynamic_cast<const TagLib::ID3v2::TextIdentificationFrame*>(frame);
            if (text == nullptr) continue;
            const bool raw = text->textEncoding() == TagLib::String::Latin1;
            std::string joined;
            for (TagLib::String value : text->fieldList()) {
                if (field == kGenre) value = GenreName(value);
                const std::string part = raw ? TagTextFromBytes(value.to8Bit(false), reading)
                                             : TagTextFromUtf8(value.to8Bit(true));
                if (part.empty()) continue;
                if (!joined.empty()) joined += kTagValueSeparator;
                joined += part;
            }
            collected.Offer(static_cast<Field>(field), std::move(joined));
        }
    }
}

// ID3v1 fields are raw bytes of a fixed width (30 bytes: a Shift-JIS text may be cut there).
void OfferId3v1(const TagLib::ID3v1::Tag* tag, TagTextReading reading, Collected& collected) {
    if (tag == nullptr) return;
    const auto raw = [&](const TagLib::String& value) {
        return TagTextFromBytes(value.to8Bit(false), reading, true);
    };
    collected.Offer(kArtist, raw(tag->artist()));
    collected.Offer(kAlbum, raw(tag->album()));
    collected.Offer(kTitle, raw(tag->title()));
    collected.Offer(kGenre, TagTextFromUtf8(tag->genre().to8Bit(true)));
    if (tag->track() > 0) collected.Offer(kTrack, std::to_string(tag->track()));
    if (tag->year() > 0) collected.Offer(kDate, std::to_string(tag->year()));
}

template <class Tag>
void OfferPropertiesOf(const Tag* tag, Collected& collected) {
    if (tag != nullptr) OfferProperties(tag->properties(), collected);
}

// Reads the container's tags in the order its format gives them weight; the duration too.
void ReadContainer(Container container, TagStream& stream, TagTextReading reading,
                   Collected& collected, std::int64_t& durationMs) {
    using Style = AudioProperties::ReadStyle;
    constexpr Style kFast = AudioProperties::Fast;
    std::unique_ptr<TagLib::File> file;
    switch (container) {
        case Container::Mpeg: {
            auto mpeg = std::make_unique<TagLib::MPEG::File>(
                &stream, TagLib::ID3v2::FrameFactory::instance(), true, kFast);
            OfferId3v2(mpeg->ID3v2Tag(), reading, collected);
            OfferPropertiesOf(mpeg->APETag(), collected);
            OfferId3v1(mpeg->ID3v1Tag(), reading, collected);
            file = std::move(mpeg);
            break;
        }
        case Container::Flac: {
            auto flac = std::make_unique<TagLib::FLAC::File>(
                &stream, TagLib::ID3v2::FrameFactory::instance(), true, kFast);
            OfferPropertiesOf(flac->xiphComment(), collected);
            OfferId3v2(flac->ID3v2Tag(), reading, collected);
            OfferId3v1(flac->ID3v1Tag(), reading, collected);
            file = std::move(flac);
            break;
        }
        case Container::OggVorbis: {
            auto ogg = std::make_unique<TagLib::Ogg::Vorbis::File>(&stream, true, kFast);
            OfferPropertiesOf(ogg->tag(), collected);
            file = std::move(ogg);
            break;
        }
        case Container::OggOpus: {
            auto ogg = std::make_unique<TagLib::Ogg::Opus::File>(&stream, true, kFast);
            OfferPropertiesOf(ogg->tag(), collected);
            file = std::move(ogg);
            break;
        }
        case Container::OggFlac: {
            auto ogg = std::make_unique<TagLib::Ogg::FLAC::File>(&stream, true, kFast);
            OfferPropertiesOf(ogg->tag(), collected);
            file = std::move(ogg);
            break;
        }
        case Container::OggSpeex: {
            auto ogg = std::make_unique<TagLib::Ogg::Speex::File>(&stream, true, kFast);
            OfferPropertiesOf(ogg->tag(), collected);
            file = std::move(ogg);
            break;
        }
        case Container::Mp4: {
            auto mp4 = std::make_unique<TagLib::MP4::File>(&stream, true, kFast);
            OfferPropertiesOf(mp4->tag(), collected);
            file = std::move(mp4);
            break;
        }
        case Container::Wav: {
            auto wav = std::make_unique<TagLib::RIFF::WAV::File>(&stream, true, kFast);
            OfferId3v2(wav->ID3v2Tag(), reading, collected);
            OfferPropertiesOf(wav->InfoTag(), collected);
            file = std::move(wav);
            break;
        }
        case Container::Aiff: {
            auto aiff = std::make_unique<TagLib::RIFF::AIFF::File>(&stream, true, kFast);
            OfferId3v2(aiff->tag(), reading, collected);
            file = std::move(aiff);
            break;
        }
        case Container::Ape: {
            auto ape = std::make_unique<TagLib::APE::File>(&stream, true, kFast);
            OfferPropertiesOf(ape->APETag(), collected);
            OfferId3v1(ape->ID3v1Tag(), reading, collected);
            file = std::move(ape);
            break;
        }
        case Container::WavPack: {
            auto wavPack = std::make_unique<TagLib::WavPack::File>(&stream, true, kFast);
            OfferPropertiesOf(wavPack->APETag(), collected);
            OfferId3v1(wavPack->ID3v1Tag(), reading, collected);
            file = std::move(wavPack);
            break;
        }
        case Container::Mpc: {
            auto mpc = std::make_unique<TagLib::MPC::File>(&stream, true, kFast);
            OfferPropertiesOf(mpc->APETag(), collected);
            OfferId3v1(mpc->ID3v1Tag(), reading, collected);
            file = std::move(mpc);
            break;
        }
        case Container::Asf: {
            auto asf = std::make_unique<TagLib::ASF::File>(&stream, true, kFast);
            OfferPropertiesOf(asf->tag(), collected);
            file = std::move(asf);
            break;
        }
        case Container::None:
            return;
    }
    if (const AudioProperties* audio = file->audioProperties()) {
        if (audio->lengthInMilliseconds() > 0) durationMs = audio->lengthInMilliseconds();
    }
}

// The leading number of "3", "03" or "3/12" and the one after the slash; 0 for none.
std::pair<int, int> NumberPair(std::string_view text) {
    const auto number = [](std::string_view digits) {
        std::size_t i = 0;
        while (i < digits.size() && digits[i] == ' ') ++i;
        int value = 0;
        for (; i < digits.size() && digits[i] >= '0' && digits[i] <= '9'; ++i) {
            if (value > 99'999) return 0;  // no track, disc or year is that large
            value = value * 10 + (digits[i] - '0');
        }
        return value;
    };
    const std::size_t slash = text.find('/');
    if (slash == std::string_view::npos) return {number(text), 0};
    return {number(text.substr(0, slash)), number(text.substr(slash + 1))};
}

void Conclude(const Collected& collected, MediaTags& tags) {
    const auto& v = collected.values;
    tags.artist = NameSafeTagText(v[kArtist]);
    tags.albumArtist = NameSafeTagText(v[kAlbumArtist]);
    tags.album = NameSafeTagText(v[kAlbum]);
    tags.title = NameSafeTagText(v[kTitle]);
    tags.genre = NameSafeTagText(v[kGenre]);
    std::tie(tags.track, tags.trackTotal) = NumberPair(v[kTrack]);
    std::tie(tags.disc, tags.discTotal) = NumberPair(v[kDisc]);
    if (tags.trackTotal == 0) tags.trackTotal = NumberPair(v[kTrackTotal]).first;
    if (tags.discTotal == 0) tags.discTotal = NumberPair(v[kDiscTotal]).first;
    // A date is "2003", "2003-05-12" or "2003-05-12T10:20:30": its year comes first.
    const std::string_view date = v[kDate];
    if (date.size() >= 4 &&
        date.substr(0, 4).find_first_not_of("0123456789") == std::string::npos) {
        tags.year = NumberPair(date.substr(0, 4)).first;
    }
}

// A movie without a sound track has its length only in the movie header.
std::int64_t MovieDuration(platform::FileSystem& fileSystem, std::string_view path) {
    ExifSource source(fileSystem, path);
    if (source.Load(kExifFirstRead) != 0 || !LooksLikeIsoMedia(source.Head())) return -1;
    FoundMetadata found;
    ReadIsoMediaMetadata(source, found);
    return found.movieDurationMs;
}

}  // namespace

bool MediaTags::HasAny() const {
    return !artist.empty() || !albumArtist.empty() || !album.empty() || !title.empty() ||
           !genre.empty() || track > 0 || disc > 0 || year > 0 || durationMs >= 0;
}

int ReadMediaTags(platform::FileSystem& fileSystem, std::string_view path, MediaTags& tags,
                  TagTextReading reading) {
    int error = 0;
    const std::unique_ptr<platform::InputFile> input = fileSystem.OpenInput(path, error);
    if (input == nullptr) return 0;
    TagStream stream(*input);
    const Container container = Identify(stream);
    if (container == Container::None) return 0;
    Collected collected;
    MediaTags found;
    ReadContainer(container, stream, reading, collected, found.durationMs);
    Conclude(collected, found);
    if (container == Container::Mp4 && found.durationMs < 0) {
        found.durationMs = MovieDuration(fileSystem, path);
    }
    if (!found.HasAny()) return 0;
    tags = std::move(found);
    return 1;
}

}  // namespace morvanex::engine
