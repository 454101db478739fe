#include "support/ExifSamples.h"

#include "support/JpegBuilder.h"
#include "support/MediaBuilder.h"

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

    // One seed per container of the wide reading.
    const auto camera = [](bool bigEndian) {
        return TiffBuilder(bigEndian)
            .Main(0x010F, "Camera Maker")
            .Main(0x0110, "Model X")
            .Main(0x0132, "2020:01:01 09:00:00")
            .Exif(0x9003, "2003:03:05 10:20:30")
            .Build();
    };
    HeifOptions inItemData;
    inItemData.inItemData = true;
    const std::string movieHeader = MovieHeader(1700000000ULL + 2082844800ULL);
    const std::string keys =
        QuickTimeMeta({{"com.apple.quicktime.make", "Apple"},
                       {"com.apple.quicktime.model", "iPhone"},
                       {"com.apple.quicktime.creationdate", "2023-11-14T16:05:09+0900"}});
    const std::string userData =
        Box("udta", UserDataText("\xA9mak", "Sony") + UserDataText("\xA9mod", "ILCE"));

    return {
        {"wide_jpeg_after_jfif_and_xmp",
         JpegFile({JfifSegment(), Segment(0xE1, std::string("http://ns.adobe.com/xap/1.0/\0", 29)),
                   ExifSegment(camera(true))})},
        {"wide_tiff", camera(false)},
        {"wide_raw_orf", TiffBuilder().Magic(0x4F52).Main(0x0110, "E-M1").Build()},
        {"wide_heic", HeifFile(ExifItem(camera(false)))},
        {"wide_heic_item_data", HeifFile(ExifItem(camera(true)), inItemData)},
        {"wide_cr3", Cr3File(TiffBuilder().Main(0x010F, "Canon").Build(),
                             TiffBuilder().Main(0x9003, "2003:03:05 10:20:30").Build())},
        {"wide_mov_keys", MovieFile("qt  ", {movieHeader, keys})},
        {"wide_mp4_user_data_movie_last", MovieFile("isom", {movieHeader, userData}, 64, true)},
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
