// Files made at test time by the tools people's files come from (ffmpeg for movies, exiftool
// for Exif data in JPEG and TIFF files, heif-enc for HEIC), read through the real file system.
// Each case is skipped, saying what to install, when its tools are missing.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "engine/exif/ExifReader.h"
#include "platform/PosixFileSystem.h"
#include "support/TempFolder.h"

namespace morvanex::engine {
namespace {

bool Has(const std::string& tool) {
    return std::system(("command -v " + tool + " >/dev/null 2>&1").c_str()) == 0;
}

// Runs the commands in the folder; false when one fails.
bool Make(const test::TempFolder& folder, const std::vector<std::string>& commands) {
    for (const std::string& command : commands) {
        const std::string line = "cd '" + folder.Path() + "' && " + command + " >/dev/null 2>&1";
        if (std::system(line.c_str()) != 0) {
            ADD_FAILURE() << "failed: " << command;
            return false;
        }
    }
    return true;
}

ExifData Read(const test::TempFolder& folder, const std::string& name) {
    platform::PosixFileSystem fileSystem;
    ExifData data;
    EXPECT_EQ(ReadExif(fileSystem, test::Cp932(folder / name), data), 1) << name;
    return data;
}

const std::string kStill = "ffmpeg -v error -f lavfi -i color=c=red:s=64x64 -frames:v 1 ";
const std::string kClip = "ffmpeg -v error -f lavfi -i color=c=black:s=16x16:d=0.2 -c:v mpeg4 ";

TEST(ExifEndToEnd, MoviesWrittenByFfmpeg) {
    if (!Has("ffmpeg")) GTEST_SKIP() << "ffmpeg is missing (apt-get install ffmpeg)";
    test::TempFolder folder;
    ASSERT_TRUE(Make(folder, {kClip + "-metadata creation_time=2021-06-07T08:09:10Z clip.mp4",
                              kClip + "-movflags use_metadata_tags -metadata "
                                      "com.apple.quicktime.creationdate=2021-06-07T08:09:10+0200 "
                                      "-metadata com.apple.quicktime.make=Apple clip.mov"}));
    // The movie header's UTC time in Japan time; the QuickTime key's own wall clock.
    EXPECT_EQ(Read(folder, "clip.mp4").dateTime, "2021:06:07 17:09:10");
    const ExifData mov = Read(folder, "clip.mov");
    EXPECT_EQ(mov.dateTime, "2021:06:07 08:09:10");
    EXPECT_EQ(mov.maker, "Apple");
}

TEST(ExifEndToEnd, JpegAndTiffWrittenByExiftool) {
    if (!Has("ffmpeg") || !Has("exiftool")) {
        GTEST_SKIP()
            << "ffmpeg or exiftool is missing (apt-get install ffmpeg libimage-exiftool-perl)";
    }
    test::TempFolder folder;
    const std::string tag = "exiftool -q -overwrite_original ";
    ASSERT_TRUE(Make(folder, {kStill + "photo.jpg", kStill + "scan.tiff",
                              tag + "'-DateTimeOriginal=2019:02:03 04:05:06' -Make=TestMaker "
                                    "-Model=TestModel photo.jpg",
                              tag + "'-DateTimeOriginal=2018:01:02 03:04:05' -Make=TiffMaker "
                                    "scan.tiff"}));
    // ffmpeg's JPEG starts with a JFIF segment: only the wide reading finds its Exif data.
    const ExifData photo = Read(folder, "photo.jpg");
    EXPECT_EQ(photo.dateTime, "2019:02:03 04:05:06");
    EXPECT_EQ(photo.maker, "TestMaker");
    EXPECT_EQ(photo.model, "TestModel");
    const ExifData scan = Read(folder, "scan.tiff");
    EXPECT_EQ(scan.dateTime, "2018:01:02 03:04:05");
    EXPECT_EQ(scan.maker, "TiffMaker");
}

TEST(ExifEndToEnd, HeicWrittenByHeifEnc) {
    if (!Has("ffmpeg") || !Has("exiftool") || !Has("heif-enc")) {
        GTEST_SKIP() << "ffmpeg, exiftool or heif-enc is missing (apt-get install ffmpeg "
                        "libimage-exiftool-perl libheif-examples)";
    }
    test::TempFolder folder;
    ASSERT_TRUE(Make(folder, {kStill + "photo.jpg",
                              "exiftool -q -overwrite_original "
                              "'-DateTimeOriginal=2019:02:03 04:05:06' -Make=TestMaker photo.jpg",
                              "heif-enc -q 50 photo.jpg -o photo.heic"}));
    const ExifData heic = Read(folder, "photo.heic");
    EXPECT_EQ(heic.dateTime, "2019:02:03 04:05:06");
    EXPECT_EQ(heic.maker, "TestMaker");
}

}  // namespace
}  // namespace morvanex::engine
