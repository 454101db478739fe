// The tag read of one small file in the page cache: ReadMediaTags through the real file system
// over a folder of MP3, FLAC, M4A and Ogg Vorbis files (made with the tests' tag builder). The
// median of the single reads is reported as median_us beside Google Benchmark's mean.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "engine/exif/MediaTags.h"
#include "platform/PosixFileSystem.h"
#include "support/TagBuilder.h"

namespace {

using namespace morvanex;
namespace fs = std::filesystem;

constexpr int kFiles = 2000;

struct Folder {
    fs::path path;
    std::vector<std::string> files;

    Folder() {
        path = fs::temp_directory_path() / ("tag_bench." + std::to_string(::getpid()));
        fs::create_directories(path);
        const test::TagContainer kinds[] = {test::TagContainer::Mp3Id3v24, test::TagContainer::Flac,
                                            test::TagContainer::M4a, test::TagContainer::OggVorbis};
        const char* extensions[] = {".mp3", ".flac", ".m4a", ".ogg"};
        for (int i = 0; i < kFiles; ++i) {
            test::TagValues values;
            values.artist = "Artist " + std::to_string(i % 97);
            values.album = "Album " + std::to_string(i % 13);
            values.title = "Title " + std::to_string(i);
            values.track = std::to_string(i % 20 + 1) + "/20";
            values.date = "2003";
            const std::string bytes = test::TaggedFile(kinds[i % 4], values, 180);
            const fs::path file = path / ("t" + std::to_string(i) + extensions[i % 4]);
            std::ofstream(file, std::ios::binary)
                .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
            files.push_back(file.string());
        }
    }
    ~Folder() { fs::remove_all(path); }
};

void BM_ReadMediaTags(benchmark::State& state) {
    static const Folder folder;
    platform::PosixFileSystem fileSystem;
    std::vector<double> micros;
    micros.reserve(1 << 20);
    std::size_t next = 0;
    for (auto _ : state) {
        engine::MediaTags tags;
        const auto start = std::chrono::steady_clock::now();
        const int found = engine::ReadMediaTags(fileSystem, folder.files[next], tags);
        const auto end = std::chrono::steady_clock::now();
        if (found != 1) state.SkipWithError("a file without tags");
        micros.push_back(std::chrono::duration<double, std::micro>(end - start).count());
        benchmark::DoNotOptimize(tags);
        next = (next + 1) % folder.files.size();
    }
    std::nth_element(micros.begin(), micros.begin() + static_cast<long>(micros.size() / 2),
                     micros.end());
    state.counters["median_us"] = micros[micros.size() / 2];
}
BENCHMARK(BM_ReadMediaTags)->MinTime(2.0);

}  // namespace

BENCHMARK_MAIN();
