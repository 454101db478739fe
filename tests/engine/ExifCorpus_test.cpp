// The Exif fuzzer's seed corpus is made by the tests' JPEG builder, the tag fuzzer's by the tag
// builder: these tests keep the committed files equal to what the builders make. Run them with
// MORVANEX_WRITE_EXIF_CORPUS=1 to write them anew after changing the samples.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "support/ExifSamples.h"
#include "support/TagBuilder.h"

namespace morvanex::test {
namespace {

namespace fs = std::filesystem;

std::string ReadAll(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream content;
    content << in.rdbuf();
    return content.str();
}

// The folder's files are exactly the samples (written first when asked to).
void ExpectCorpus(const char* name, const std::vector<ExifSample>& samples) {
    const char* source = std::getenv("MORVANEX_SOURCE_DIR");
    if (source == nullptr) GTEST_SKIP() << "MORVANEX_SOURCE_DIR is not set (run through ctest)";
    const fs::path folder = fs::path(source) / "tests/fuzz/corpus" / name;
    const char* write = std::getenv("MORVANEX_WRITE_EXIF_CORPUS");
    if (write != nullptr && std::string(write) == "1") {
        fs::create_directories(folder);
        for (const ExifSample& sample : samples) {
            std::ofstream(folder / sample.name, std::ios::binary | std::ios::trunc)
                .write(sample.bytes.data(), static_cast<std::streamsize>(sample.bytes.size()));
        }
    }
    std::size_t files = 0;
    for (const auto& entry : fs::directory_iterator(folder)) files += entry.is_regular_file();
    EXPECT_EQ(files, samples.size());
    for (const ExifSample& sample : samples) {
        EXPECT_TRUE(fs::exists(folder / sample.name)) << sample.name;
        EXPECT_EQ(ReadAll(folder / sample.name), sample.bytes) << sample.name;
    }
}

TEST(ExifCorpus, SeedFilesAreTheBuiltSamples) {
    ExpectCorpus("exif", ExifSeedSamples());
}

// One short file of each container, and the raw-byte fields of MP3.
TEST(ExifCorpus, TagSeedFilesAreTheBuiltFiles) {
    TagValues values;
    values.artist = "Artist";
    values.album = "Album";
    values.title = "Title";
    values.track = "3/12";
    values.date = "2003";
    const std::string sjis = "\x83\x41\x83\x8B\x83\x6F\x83\x80";
    ExpectCorpus("tags", {{"mp3_id3v24", TaggedFile(TagContainer::Mp3Id3v24, values, 1)},
                          {"mp3_id3v23", TaggedFile(TagContainer::Mp3Id3v23, values, 1)},
                          {"mp3_id3v22", TaggedFile(TagContainer::Mp3Id3v22, values, 1)},
                          {"mp3_latin1_frames", Mp3WithLatin1Frames(sjis, "Title")},
                          {"mp3_id3v1", Mp3WithId3v1(sjis, "Title", 3)},
                          {"flac", TaggedFile(TagContainer::Flac, values, 1)},
                          {"ogg_vorbis", TaggedFile(TagContainer::OggVorbis, values, 1)},
                          {"ogg_opus", TaggedFile(TagContainer::OggOpus, values, 1)},
                          {"m4a", TaggedFile(TagContainer::M4a, values, 1)},
                          {"wav", TaggedFile(TagContainer::Wav, values, 1)},
                          {"aiff", TaggedFile(TagContainer::Aiff, values, 1)}});
}

}  // namespace
}  // namespace morvanex::test
