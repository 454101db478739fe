// The Exif fuzzer's seed corpus is made by the tests' JPEG builder: this test keeps the
// committed files equal to what the builder makes. Run it with MORVANEX_WRITE_EXIF_CORPUS=1 to
// write them anew after changing the samples.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "support/ExifSamples.h"

namespace morvanex::test {
namespace {

namespace fs = std::filesystem;

std::string ReadAll(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream content;
    content << in.rdbuf();
    return content.str();
}

TEST(ExifCorpus, SeedFilesAreTheBuiltSamples) {
    const char* source = std::getenv("MORVANEX_SOURCE_DIR");
    if (source == nullptr) GTEST_SKIP() << "MORVANEX_SOURCE_DIR is not set (run through ctest)";
    const fs::path folder = fs::path(source) / "tests/fuzz/corpus/exif";
    const char* write = std::getenv("MORVANEX_WRITE_EXIF_CORPUS");
    if (write != nullptr && std::string(write) == "1") {
        fs::create_directories(folder);
        for (const ExifSample& sample : ExifSeedSamples()) {
            std::ofstream(folder / sample.name, std::ios::binary | std::ios::trunc)
                .write(sample.bytes.data(), static_cast<std::streamsize>(sample.bytes.size()));
        }
    }
    std::size_t files = 0;
    for (const auto& entry : fs::directory_iterator(folder)) files += entry.is_regular_file();
    const auto samples = ExifSeedSamples();
    EXPECT_EQ(files, samples.size());
    for (const ExifSample& sample : samples) {
        EXPECT_TRUE(fs::exists(folder / sample.name)) << sample.name;
        EXPECT_EQ(ReadAll(folder / sample.name), sample.bytes) << sample.name;
    }
}

}  // namespace
}  // namespace morvanex::test
