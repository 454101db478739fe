#include "support/ExifSamples.h"

#include "support/JpegBuilder.h"

namespace morvanex::test {

std::vector<ExifSample> ExifSeedSamples() {
    const auto full = [](bool bigEndian) {
        return JpegBuilder(bigEndian)
            .Maker("Camera Maker")
            .Model("Model X")
            .DateTime("2003:03:05 10:20:30")
            .Build();
    };
    std::string hundredBytes = JpegBuilder().Maker("M").Model("X").EntryCount(0xFFFF).Build();
    hundredBytes.resize(100);
    std::string app0 = "\xFF\xD8\xFF\xE0" + std::string("\x00\x10JFIF\x00\x01\x01\x00", 10);
    app0 += full(false).substr(2);

    return {
        {"ii_full", full(false)},
        {"mm_full", full(true)},
        {"app0_first", app0},
        {"no_exif_pointer", JpegBuilder().Maker("Camera Maker").ExifPointer(false).Build()},
        {"entry_count_ffff_100_bytes", hundredBytes},
        {"offset_near_2_32", JpegBuilder().RawEntry(0x010F, 2, 16, 0xFFFFFFF8).Build()},
        {"count_ffffffff",
         JpegBuilder().EntryIntoPadding(0x0110, 2, 0xFFFFFFFF).Padding(300, 'A').Build()},
        {"count_zero", JpegBuilder().RawEntry(0x010F, 2, 0, 40).Build()},
        {"invalid_date", JpegBuilder().DateTime("0000:00:00 00:00:00").Build()},
        {"truncated_header", full(false).substr(0, 19)},
        {"exif_format_tail", full(false) + "%EDT%4YE%2MO%EMK%EST0103%ECM"},
    };
}

}  // namespace morvanex::test
