// Makes the benchmark's fixtures: many empty files with random names, or small JPEGs that carry
// an Exif date-time (half little-endian, half big-endian), each with its own moment, or the
// files a phone or camera makes, each with its own shooting time.
//   bench_fixtures names DIR COUNT [SEED]
//   bench_fixtures jpegs DIR COUNT
//   bench_fixtures photojpegs DIR COUNT   JPEGs, every second one with a JFIF segment first
//   bench_fixtures media DIR COUNT        in turn: JPEG, JPEG after JFIF, HEIC, DNG, MP4, MOV
#include <fcntl.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <random>
#include <string>

namespace {

void Put16(std::string& out, unsigned value, bool big) {
    const unsigned char b[2] = {static_cast<unsigned char>(value),
                                static_cast<unsigned char>(value >> 8)};
    out += static_cast<char>(big ? b[1] : b[0]);
    out += static_cast<char>(big ? b[0] : b[1]);
}

void Put32(std::string& out, std::uint32_t value, bool big) {
    for (int i = 0; i < 4; ++i) {
        const int shift = big ? 8 * (3 - i) : 8 * i;
        out += static_cast<char>((value >> shift) & 0xFF);
    }
}

// SOI, an APP1 Exif segment whose first directory holds the date-time and the pointer to an
// (empty) Exif directory, a minimal quantisation table, SOS and EOI.
std::string Jpeg(bool big, const std::string& dateTime) {
    std::string tiff = big ? "MM" : "II";
    Put16(tiff, 42, big);
    Put32(tiff, 8, big);
    const std::uint32_t valueOffset = 8 + 2 + 2 * 12 + 4;
    Put16(tiff, 2, big);
    Put16(tiff, 0x0132, big);  // DateTime, ASCII, 20 bytes
    Put16(tiff, 2, big);
    Put32(tiff, 20, big);
    Put32(tiff, valueOffset, big);
    Put16(tiff, 0x8769, big);  // Exif directory pointer
    Put16(tiff, 4, big);
    Put32(tiff, 1, big);
    Put32(tiff, valueOffset + 20, big);
    Put32(tiff, 0, big);
    tiff += dateTime;
    tiff += '\0';
    Put16(tiff, 0, big);  // the Exif directory: no entries
    Put32(tiff, 0, big);
    std::string segment = "Exif";
    segment += '\0';
    segment += '\0';
    segment += tiff;
    std::string out = "\xFF\xD8\xFF\xE1";
    Put16(out, static_cast<unsigned>(segment.size() + 2), true);
    out += segment;
    out += "\xFF\xDA";
    Put16(out, 8, true);
    out += std::string("\x01\x01\x00\x00\x3F\x00", 6);
    out += "\xFF\xD9";
    return out;
}

std::string Be(std::uint64_t value, int bytes) {
    std::string out;
    for (int i = bytes - 1; i >= 0; --i) out += static_cast<char>((value >> (8 * i)) & 0xFF);
    return out;
}

std::string Box(const std::string& type, const std::string& payload) {
    return Be(8 + payload.size(), 4) + type + payload;
}

std::string FullBox(const std::string& type, const std::string& payload) {
    return Box(type, std::string(4, '\0') + payload);
}

// A camera's TIFF block: maker, model and the time of the last save in the main directory,
// the shooting time in the Exif directory.
std::string Tiff(bool big, const std::string& shot) {
    std::string tiff = big ? "MM" : "II";
    Put16(tiff, 42, big);
    Put32(tiff, 8, big);
    const std::string maker = std::string("Camera Maker") + '\0';
    const std::string model = std::string("Model X") + '\0';
    const std::string saved = std::string("2020:01:01 09:00:00") + '\0';
    const std::string date = shot + '\0';
    const std::uint32_t exifAt = 8 + 2 + 4 * 12 + 4;
    const std::uint32_t valuesAt = exifAt + 2 + 12 + 4;
    const auto entry = [&](unsigned tag, unsigned type, std::uint32_t count, std::uint32_t value) {
        Put16(tiff, tag, big);
        Put16(tiff, type, big);
        Put32(tiff, count, big);
        Put32(tiff, value, big);
    };
    Put16(tiff, 4, big);
    entry(0x010F, 2, static_cast<std::uint32_t>(maker.size()), valuesAt);
    entry(0x0110, 2, static_cast<std::uint32_t>(model.size()), valuesAt + 13);
    entry(0x0132, 2, 20, valuesAt + 21);
    entry(0x8769, 4, 1, exifAt);
    Put32(tiff, 0, big);
    Put16(tiff, 1, big);
    entry(0x9003, 2, 20, valuesAt + 41);
    Put32(tiff, 0, big);
    return tiff + maker + model + saved + date;
}

// SOI, optionally a JFIF APP0 segment, the Exif APP1 segment, a quantisation-table-sized
// filler, SOS and EOI: about 1.5 KB, like a small thumbnail.
std::string PhotoJpeg(bool jfif, bool big, const std::string& shot) {
    std::string out = "\xFF\xD8";
    if (jfif) out += "\xFF\xE0" + Be(16, 2) + std::string("JFIF\0\x01\x01\0\0\x01\0\x01\0\0", 14);
    const std::string exif = std::string("Exif\0\0", 6) + Tiff(big, shot);
    out += "\xFF\xE1" + Be(exif.size() + 2, 2) + exif;
    out += "\xFF\xDB" + Be(1300, 2) + std::string(1298, '\x10');
    out += "\xFF\xDA" + Be(8, 2) + std::string("\x01\x01\x00\x00\x3F\x00", 6) + "\xFF\xD9";
    return out;
}

// ftyp, meta with the Exif item (item 1) located in mdat, and mdat with some image bytes.
std::string Heic(const std::string& shot) {
    const std::string ftyp = Box("ftyp", std::string("heic") + Be(0, 4) + "mif1heic");
    const std::string item = Be(0, 4) + Tiff(false, shot);
    const std::string hdlr = FullBox("hdlr", Be(0, 4) + "pict" + std::string(13, '\0'));
    const std::string iinf = FullBox(
        "iinf",
        Be(2, 2) +
            Box("infe", "\x02" + std::string(3, '\0') + Be(2, 2) + Be(0, 2) + "hvc1" + '\0') +
            Box("infe", "\x02" + std::string(3, '\0') + Be(1, 2) + Be(0, 2) + "Exif" + '\0'));
    const auto meta = [&](std::uint32_t offset) {
        const std::string iloc = Box("iloc", "\x01" + std::string(3, '\0') + "\x44\x40" + Be(1, 2) +
                                                 Be(1, 2) + Be(0, 2) + Be(0, 2) + Be(0, 4) +
                                                 Be(1, 2) + Be(offset, 4) + Be(item.size(), 4));
        return FullBox("meta", hdlr + iinf + iloc);
    };
    const std::size_t at = ftyp.size() + meta(0).size() + 8;
    return ftyp + meta(static_cast<std::uint32_t>(at)) +
           Box("mdat", item + std::string(4000, '\x55'));
}

// A DNG: the TIFF block at the start of the file, then image bytes.
std::string Dng(bool big, const std::string& shot) {
    return Tiff(big, shot) + std::string(6000, '\x33');
}

std::uint64_t MovieSeconds(std::time_t moment) {
    return static_cast<std::uint64_t>(moment) + 2082844800ULL;
}

std::string MovieHeader(std::time_t moment) {
    return FullBox("mvhd", Be(MovieSeconds(moment), 4) + Be(MovieSeconds(moment), 4) + Be(600, 4) +
                               Be(0, 4) + std::string(80, '\0'));
}

// An MP4 as a camera writes it: the movie box first.
std::string Mp4(std::time_t moment) {
    return Box("ftyp", std::string("isom") + Be(512, 4) + "isomiso2mp41") +
           Box("moov", MovieHeader(moment) + Box("trak", std::string(2000, '\0'))) +
           Box("mdat", std::string(8000, '\x44'));
}

// A MOV as a phone writes it: media data first, the movie box with the QuickTime keys last,
// beyond the first 64 KiB.
std::string Mov(std::time_t moment, const std::string& isoDate) {
    const std::string keys =
        FullBox("keys", Be(3, 4) + Be(8 + 24, 4) + "mdta" + "com.apple.quicktime.make" +
                            Be(8 + 25, 4) + "mdta" + "com.apple.quicktime.model" + Be(8 + 32, 4) +
                            "mdta" + "com.apple.quicktime.creationdate");
    const auto item = [](std::uint32_t index, const std::string& value) {
        return Box(Be(index, 4), Box("data", Be(1, 4) + Be(0, 4) + value));
    };
    const std::string ilst =
        Box("ilst", item(1, "Apple") + item(2, "iPhone 15 Pro") + item(3, isoDate));
    const std::string meta =
        Box("meta", FullBox("hdlr", Be(0, 4) + "mdta" + std::string(13, '\0')) + keys + ilst);
    return Box("ftyp", std::string("qt  ") + Be(0, 4) + "qt  ") +
           Box("mdat", std::string(70000, '\x44')) +
           Box("moov", MovieHeader(moment) + Box("trak", std::string(3000, '\0')) + meta);
}

bool Write(const std::string& path, const std::string& bytes) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0644);
    if (fd < 0) return false;
    const bool ok = ::write(fd, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size());
    return ::close(fd) == 0 && ok;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 4) {
        std::fprintf(stderr, "usage: %s names|jpegs|photojpegs|media DIR COUNT [SEED]\n", argv[0]);
        return 2;
    }
    const std::string kind = argv[1];
    const std::string dir = std::string(argv[2]) + "/";
    const long count = std::atol(argv[3]);
    std::mt19937_64 random(argc > 4 ? std::strtoull(argv[4], nullptr, 10) : 1);
    static constexpr char kLetters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    for (long i = 0; i < count; ++i) {
        if (kind == "names") {
            std::string name;
            for (int k = 0; k < 16; ++k) name += kLetters[random() % 36];
            if (!Write(dir + name + ".jpg", {})) --i;  // a rare clash: draw again
        } else if (kind == "photojpegs" || kind == "media") {
            const std::time_t moment = 1104537600 + i * 61;
            std::tm t{};
            gmtime_r(&moment, &t);
            char shot[80];
            std::snprintf(shot, sizeof shot, "%04d:%02d:%02d %02d:%02d:%02d", t.tm_year + 1900,
                          t.tm_mon + 1, t.tm_mday, t.tm_hour, t.tm_min, t.tm_sec);
            char iso[80];
            std::snprintf(iso, sizeof iso, "%04d-%02d-%02dT%02d:%02d:%02d+0900", t.tm_year + 1900,
                          t.tm_mon + 1, t.tm_mday, t.tm_hour, t.tm_min, t.tm_sec);
            const long turn = kind == "media" ? i % 6 : i % 2;
            static constexpr const char* kExtensions[] = {"jpg", "jpg", "heic",
                                                          "dng", "mp4", "mov"};
            std::string bytes;
            switch (turn) {
                case 0:
                    bytes = PhotoJpeg(false, i % 4 == 0, shot);
                    break;
                case 1:
                    bytes = PhotoJpeg(true, i % 4 == 1, shot);
                    break;
                case 2:
                    bytes = Heic(shot);
                    break;
                case 3:
                    bytes = Dng(i % 4 == 3, shot);
                    break;
                case 4:
                    bytes = Mp4(moment - 9 * 3600);
                    break;  // UTC, shown as Japan time
                default:
                    bytes = Mov(moment, iso);
                    break;
            }
            char name[32];
            std::snprintf(name, sizeof name, "m%07ld.%s", i, kExtensions[turn]);
            if (!Write(dir + name, bytes)) return 1;
        } else {
            const std::time_t moment = 1104537600 + i * 61;  // from 2005-01-01, one per minute
            std::tm t{};
            gmtime_r(&moment, &t);
            char dateTime[80];
            std::snprintf(dateTime, sizeof dateTime, "%04d:%02d:%02d %02d:%02d:%02d",
                          t.tm_year + 1900, t.tm_mon + 1, t.tm_mday, t.tm_hour, t.tm_min, t.tm_sec);
            char name[32];
            std::snprintf(name, sizeof name, "p%07ld.jpg", i);
            if (!Write(dir + name, Jpeg(i % 2 == 1, dateTime))) return 1;
        }
    }
    return 0;
}
