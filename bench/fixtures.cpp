// Makes the benchmark's fixtures: many empty files with random names, or small JPEGs that carry
// an Exif date-time (half little-endian, half big-endian), each with its own moment.
//   bench_fixtures names DIR COUNT [SEED]
//   bench_fixtures jpegs DIR COUNT
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
    const unsigned char b[2] = {static_cast<unsigned char>(value), static_cast<unsigned char>(value >> 8)};
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

bool Write(const std::string& path, const std::string& bytes) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0644);
    if (fd < 0) return false;
    const bool ok = ::write(fd, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size());
    return ::close(fd) == 0 && ok;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 4) {
        std::fprintf(stderr, "usage: %s names|jpegs DIR COUNT [SEED]\n", argv[0]);
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
        } else {
            const std::time_t moment = 1104537600 + i * 61;  // from 2005-01-01, one per minute
            std::tm t{};
            gmtime_r(&moment, &t);
            char dateTime[80];
            std::snprintf(dateTime, sizeof dateTime, "%04d:%02d:%02d %02d:%02d:%02d", t.tm_year + 1900,
                          t.tm_mon + 1, t.tm_mday, t.tm_hour, t.tm_min, t.tm_sec);
            char name[32];
            std::snprintf(name, sizeof name, "p%07ld.jpg", i);
            if (!Write(dir + name, Jpeg(i % 2 == 1, dateTime))) return 1;
        }
    }
    return 0;
}
