#include "support/TagBuilder.h"

#include <taglib/aifffile.h>
#include <taglib/flacfile.h>
#include <taglib/id3v1tag.h>
#include <taglib/id3v2tag.h>
#include <taglib/mp4file.h>
#include <taglib/mpegfile.h>
#include <taglib/opusfile.h>
#include <taglib/tbytevectorstream.h>
#include <taglib/textidentificationframe.h>
#include <taglib/tpropertymap.h>
#include <taglib/vorbisfile.h>
#include <taglib/wavfile.h>

#include <array>
#include <cstdint>
#include <vector>

#include "support/MediaBuilder.h"

namespace morvanex::test {

namespace {

using TagLib::ByteVector;
using TagLib::String;

std::string Le16(std::uint32_t v) {
    return {static_cast<char>(v & 0xFF), static_cast<char>((v >> 8) & 0xFF)};
}
std::string Le32(std::uint32_t v) {
    return Le16(v & 0xFFFF) + Le16(v >> 16);
}

// MPEG-1 layer III, 128 kbit/s, 44.1 kHz, joint stereo: 417 bytes and 1152 samples a frame.
constexpr std::size_t kMpegFrameBytes = 417;
constexpr std::string_view kMpegHeader = "\xFF\xFB\x90\x64";

// A few silent frames; the first carries a Xing header that counts the frames of the whole
// length, which is what a player (and TagLib) takes the duration from.
std::string MpegFrames(int seconds) {
    const auto frames = static_cast<std::uint32_t>(seconds * 44100.0 / 1152.0 + 1);
    std::string first(kMpegHeader);
    first += std::string(32, '\0');  // side information
    // Frame count and byte count present (TagLib wants both).
    first += "Xing" + Be32(3) + Be32(frames) + Be32(frames * kMpegFrameBytes);
    first.resize(kMpegFrameBytes, '\0');
    std::string out = first;
    for (int i = 0; i < 4; ++i) {
        std::string frame(kMpegHeader);
        frame.resize(kMpegFrameBytes, '\0');
        out += frame;
    }
    return out;
}

std::string FlacStream(int seconds) {
    // STREAMINFO: block sizes, frame sizes unknown, 44.1 kHz, 2 channels, 16 bits, samples.
    const std::uint64_t samples = static_cast<std::uint64_t>(seconds) * 44100;
    std::string info = Be16(4096) + Be16(4096) + std::string(6, '\0');
    const std::uint64_t packed = (std::uint64_t{44100} << 44) | (std::uint64_t{1} << 41) |
                                 (std::uint64_t{15} << 36) | samples;
    info += Be64(packed) + std::string(16, '\0');
    std::string out = "fLaC";
    out += '\x80';  // last metadata block, STREAMINFO
    out += std::string(1, '\0') + Be16(static_cast<std::uint32_t>(info.size()));
    out += info;
    out += "\xFF\xF8" + std::string(14, '\0');
    return out;
}

std::uint32_t OggCrc(std::string_view bytes) {
    std::uint32_t crc = 0;
    for (const char c : bytes) {
        crc ^= static_cast<std::uint32_t>(static_cast<unsigned char>(c)) << 24;
        for (int bit = 0; bit < 8; ++bit)
            crc = crc & 0x80000000u ? (crc << 1) ^ 0x04C11DB7u : crc << 1;
    }
    return crc;
}

// One Ogg page holding whole packets (each under 255 bytes).
std::string OggPage(const std::vector<std::string>& packets, std::uint64_t granule, int sequence,
                    unsigned flags) {
    std::string page = "OggS";
    page += '\0';
    page += static_cast<char>(flags);
    for (int i = 0; i < 8; ++i) page += static_cast<char>((granule >> (8 * i)) & 0xFF);
    page += Le32(1) + Le32(static_cast<std::uint32_t>(sequence)) + Le32(0);
    page += static_cast<char>(packets.size());
    for (const std::string& packet : packets) page += static_cast<char>(packet.size());
    for (const std::string& packet : packets) page += packet;
    const std::uint32_t crc = OggCrc(page);
    page.replace(22, 4, Le32(crc));
    return page;
}

std::string OggVorbisStream(int seconds) {
    const std::string identification = std::string("\x01vorbis") + Le32(0) + '\x02' + Le32(44100) +
                                       Le32(0) + Le32(128000) + Le32(0) + '\xB8' + '\x01';
    const std::string comment = std::string("\x03vorbis") + Le32(4) + "test" + Le32(0) + '\x01';
    const std::string setup = std::string("\x05vorbis") + std::string(8, '\0');
    return OggPage({identification}, 0, 0, 0x02) + OggPage({comment, setup}, 0, 1, 0) +
           OggPage({std::string(16, '\0')}, static_cast<std::uint64_t>(seconds) * 44100, 2, 0x04);
}

std::string OggOpusStream(int seconds) {
    const std::string head =
        std::string("OpusHead\x01\x02") + Le16(312) + Le32(48000) + Le16(0) + '\0';
    const std::string tags = std::string("OpusTags") + Le32(4) + "test" + Le32(0);
    return OggPage({head}, 0, 0, 0x02) + OggPage({tags}, 0, 1, 0) +
           OggPage({std::string(16, '\0')}, static_cast<std::uint64_t>(seconds) * 48000 + 312, 2,
                   0x04);
}

std::string M4aFile(int seconds) {
    const auto duration = static_cast<std::uint32_t>(seconds);
    const std::string matrix = Be32(0x10000) + Be32(0) + Be32(0) + Be32(0) + Be32(0x10000) +
                               Be32(0) + Be32(0) + Be32(0) + Be32(0x40000000);
    const std::string mvhd =
        FullBox("mvhd", 0,
                Be32(0) + Be32(0) + Be32(1000) + Be32(duration * 1000) + Be32(0x10000) +
                    Be16(0x100) + std::string(10, '\0') + matrix + std::string(24, '\0') + Be32(2));
    const std::string tkhd = FullBox("tkhd", 0,
                                     Be32(0) + Be32(0) + Be32(1) + Be32(0) + Be32(duration * 1000) +
                                         std::string(8, '\0') + Be16(0) + Be16(0) + Be16(0x100) +
                                         Be16(0) + matrix + Be32(0) + Be32(0));
    const std::string mdhd =
        FullBox("mdhd", 0,
                Be32(0) + Be32(0) + Be32(44100) + Be32(duration * 44100) + Be16(0x55C4) + Be16(0));
    const std::string hdlr =
        FullBox("hdlr", 0, Be32(0) + "soun" + std::string(12, '\0') + "SoundHandler" + '\0');
    const std::string mp4a =
        Box("mp4a", std::string(6, '\0') + Be16(1) + std::string(8, '\0') + Be16(2) + Be16(16) +
                        Be16(0) + Be16(0) + Be32(44100u << 16));
    const std::string stbl =
        Box("stbl", FullBox("stsd", 0, Be32(1) + mp4a) + FullBox("stts", 0, Be32(0)) +
                        FullBox("stsc", 0, Be32(0)) + FullBox("stsz", 0, Be32(0) + Be32(0)) +
                        FullBox("stco", 0, Be32(0)));
    const std::string dinf = Box("dinf", FullBox("dref", 0, Be32(1) + Box("url ", "\0\0\0\x01")));
    const std::string minf = Box("minf", FullBox("smhd", 0, Be32(0)) + dinf + stbl);
    const std::string trak = Box("trak", tkhd + Box("mdia", mdhd + hdlr + minf));
    return Box("ftyp", std::string("M4A ") + Be32(0) + "M4A mp42isom") + Box("moov", mvhd + trak) +
           Box("mdat", std::string(16, '\0'));
}

// 8 kHz, one channel, 8 bits: a second is 8000 bytes.
std::string WavFile(int seconds) {
    const std::string fmt = Le16(1) + Le16(1) + Le32(8000) + Le32(8000) + Le16(1) + Le16(8);
    const std::string data(static_cast<std::size_t>(seconds) * 8000, '\x80');
    const std::string body = "WAVE" + std::string("fmt ") + Le32(16) + fmt + "data" +
                             Le32(static_cast<std::uint32_t>(data.size())) + data;
    return "RIFF" + Le32(static_cast<std::uint32_t>(body.size())) + body;
}

std::string AiffFile(int seconds) {
    const auto frames = static_cast<std::uint32_t>(seconds) * 8000;
    // 8000 as an 80-bit extended number: exponent 16383 + 12, mantissa 8000 << 51.
    const std::string rate = Be16(0x400B) + Be64(std::uint64_t{8000} << 51);
    const std::string comm = "COMM" + Be32(18) + Be16(1) + Be32(frames) + Be16(8) + rate;
    const std::string ssnd =
        "SSND" + Be32(8 + frames) + Be32(0) + Be32(0) + std::string(frames, '\0');
    const std::string body = "AIFF" + comm + ssnd;
    return "FORM" + Be32(static_cast<std::uint32_t>(body.size())) + body;
}

std::string BareFile(TagContainer container, int seconds) {
    switch (container) {
        case TagContainer::Mp3Id3v24:
        case TagContainer::Mp3Id3v23:
        case TagContainer::Mp3Id3v22:
            return MpegFrames(seconds);
        case TagContainer::Flac:
            return FlacStream(seconds);
        case TagContainer::OggVorbis:
            return OggVorbisStream(seconds);
        case TagContainer::OggOpus:
            return OggOpusStream(seconds);
        case TagContainer::M4a:
            return M4aFile(seconds);
        case TagContainer::Wav:
            return WavFile(seconds);
        case TagContainer::Aiff:
            return AiffFile(seconds);
    }
    return {};
}

String Utf8(const std::string& text) {
    return String(text, String::UTF8);
}

TagLib::PropertyMap Properties(const TagValues& v) {
    TagLib::PropertyMap map;
    const std::array<std::pair<const char*, const std::string*>, 8> fields{{
        {"ARTIST", &v.artist},
        {"ALBUMARTIST", &v.albumArtist},
        {"ALBUM", &v.album},
        {"TITLE", &v.title},
        {"GENRE", &v.genre},
        {"TRACKNUMBER", &v.track},
        {"DISCNUMBER", &v.disc},
        {"DATE", &v.date},
    }};
    for (const auto& [name, value] : fields) {
        if (value->empty()) continue;
        TagLib::StringList values;
        // Several values are given with "\n" between them.
        std::size_t start = 0;
        while (true) {
            const std::size_t end = value->find('\n', start);
            values.append(Utf8(value->substr(start, end - start)));
            if (end == std::string::npos) break;
            start = end + 1;
        }
        map.insert(name, values);
    }
    return map;
}

// Text frames of the chosen encoding for the values (ID3v2 tags of MP3, WAV, AIFF).
void AddFrames(TagLib::ID3v2::Tag& tag, const TagValues& v, String::Type encoding) {
    const std::array<std::pair<const char*, const std::string*>, 8> frames{{
        {"TPE1", &v.artist},
        {"TPE2", &v.albumArtist},
        {"TALB", &v.album},
        {"TIT2", &v.title},
        {"TCON", &v.genre},
        {"TRCK", &v.track},
        {"TPOS", &v.disc},
        {"TDRC", &v.date},
    }};
    for (const auto& [id, value] : frames) {
        if (value->empty()) continue;
        auto* frame = new TagLib::ID3v2::TextIdentificationFrame(ByteVector(id), encoding);
        TagLib::StringList values;
        std::size_t start = 0;
        while (true) {
            const std::size_t end = value->find('\n', start);
            values.append(Utf8(value->substr(start, end - start)));
            if (end == std::string::npos) break;
            start = end + 1;
        }
        frame->setText(values);
        tag.addFrame(frame);
    }
}

std::string Bytes(TagLib::ByteVectorStream& stream) {
    const ByteVector* data = stream.data();
    return std::string(data->data(), data->size());
}

std::string SyncSafe(std::uint32_t size) {
    std::string out;
    for (int shift = 21; shift >= 0; shift -= 7) out += static_cast<char>((size >> shift) & 0x7F);
    return out;
}

// ID3v2.2: three-letter frames with three-byte sizes, UTF-16 with a byte order mark.
std::string Id3v22Tag(const TagValues& v) {
    const std::array<std::pair<const char*, const std::string*>, 8> frames{{
        {"TP1", &v.artist},
        {"TP2", &v.albumArtist},
        {"TAL", &v.album},
        {"TT2", &v.title},
        {"TCO", &v.genre},
        {"TRK", &v.track},
        {"TPA", &v.disc},
        {"TYE", &v.date},
    }};
    std::string body;
    for (const auto& [id, value] : frames) {
        if (value->empty()) continue;
        // Several values stand apart by a zero character, each with its byte order mark.
        std::string data(1, '\x01');
        std::size_t start = 0;
        while (true) {
            const std::size_t end = value->find('\n', start);
            const ByteVector utf16 = Utf8(value->substr(start, end - start)).data(String::UTF16);
            if (start != 0) data += std::string(2, '\0');
            data += std::string(utf16.data(), utf16.size());
            if (end == std::string::npos) break;
            start = end + 1;
        }
        const auto size = static_cast<std::uint32_t>(data.size());
        body += std::string(id) + static_cast<char>(size >> 16) + static_cast<char>(size >> 8) +
                static_cast<char>(size) + data;
    }
    return std::string("ID3\x02\x00\x00", 6) + SyncSafe(static_cast<std::uint32_t>(body.size())) +
           body;
}

}  // namespace

std::string UntaggedFile(TagContainer container, int seconds) {
    return BareFile(container, seconds);
}

std::string TaggedFile(TagContainer container, const TagValues& values, int seconds) {
    const std::string bare = BareFile(container, seconds);
    if (container == TagContainer::Mp3Id3v22) return Id3v22Tag(values) + bare;
    TagLib::ByteVectorStream stream(ByteVector(bare.data(), static_cast<unsigned>(bare.size())));
    switch (container) {
        case TagContainer::Mp3Id3v24:
        case TagContainer::Mp3Id3v23: {
            TagLib::MPEG::File file(&stream, TagLib::ID3v2::FrameFactory::instance(), false);
            const bool v4 = container == TagContainer::Mp3Id3v24;
            AddFrames(*file.ID3v2Tag(true), values, v4 ? String::UTF8 : String::UTF16);
            file.save(TagLib::MPEG::File::ID3v2, TagLib::File::StripOthers,
                      v4 ? TagLib::ID3v2::v4 : TagLib::ID3v2::v3);
            break;
        }
        case TagContainer::Flac: {
            TagLib::FLAC::File file(&stream, TagLib::ID3v2::FrameFactory::instance(), false);
            file.xiphComment(true)->setProperties(Properties(values));
            file.save();
            break;
        }
        case TagContainer::OggVorbis: {
            TagLib::Ogg::Vorbis::File file(&stream, false);
            file.tag()->setProperties(Properties(values));
            file.save();
            break;
        }
        case TagContainer::OggOpus: {
            TagLib::Ogg::Opus::File file(&stream, false);
            file.tag()->setProperties(Properties(values));
            file.save();
            break;
        }
        case TagContainer::M4a: {
            TagLib::MP4::File file(&stream, false);
            file.tag()->setProperties(Properties(values));
            file.save();
            break;
        }
        case TagContainer::Wav: {
            TagLib::RIFF::WAV::File file(&stream, false);
            AddFrames(*file.ID3v2Tag(), values, String::UTF8);
            file.save(TagLib::RIFF::WAV::File::ID3v2);
            break;
        }
        case TagContainer::Aiff: {
            TagLib::RIFF::AIFF::File file(&stream, false);
            AddFrames(*file.tag(), values, String::UTF16);
            file.save(TagLib::ID3v2::v3);
            break;
        }
        case TagContainer::Mp3Id3v22:
            break;
    }
    return Bytes(stream);
}

std::string Mp3WithLatin1Frames(std::string_view artistBytes, std::string_view titleBytes,
                                int version) {
    const std::string bare = MpegFrames(10);
    TagLib::ByteVectorStream stream(ByteVector(bare.data(), static_cast<unsigned>(bare.size())));
    TagLib::MPEG::File file(&stream, TagLib::ID3v2::FrameFactory::instance(), false);
    TagLib::ID3v2::Tag& tag = *file.ID3v2Tag(true);
    for (const auto& [id, bytes] :
         {std::pair{"TPE1", artistBytes}, std::pair{"TIT2", titleBytes}}) {
        if (bytes.empty()) continue;
        auto* frame = new TagLib::ID3v2::TextIdentificationFrame(ByteVector(id), String::Latin1);
        // Latin-1 gives every byte back as it was when the frame is written.
        frame->setText(
            String(ByteVector(bytes.data(), static_cast<unsigned>(bytes.size())), String::Latin1));
        tag.addFrame(frame);
    }
    file.save(TagLib::MPEG::File::ID3v2, TagLib::File::StripOthers,
              version == 4 ? TagLib::ID3v2::v4 : TagLib::ID3v2::v3);
    return Bytes(stream);
}

std::string Mp3WithId3v1(std::string_view artistBytes, std::string_view titleBytes, int track) {
    const std::string bare = MpegFrames(10);
    TagLib::ByteVectorStream stream(ByteVector(bare.data(), static_cast<unsigned>(bare.size())));
    TagLib::MPEG::File file(&stream, TagLib::ID3v2::FrameFactory::instance(), false);
    TagLib::ID3v1::Tag& tag = *file.ID3v1Tag(true);
    const auto latin1 = [](std::string_view bytes) {
        return String(ByteVector(bytes.data(), static_cast<unsigned>(bytes.size())),
                      String::Latin1);
    };
    tag.setArtist(latin1(artistBytes));
    tag.setTitle(latin1(titleBytes));
    tag.setTrack(static_cast<unsigned>(track));
    file.save(TagLib::MPEG::File::ID3v1, TagLib::File::StripOthers);
    return Bytes(stream);
}

}  // namespace morvanex::test
