// Name composition, the timestamp language and the Exif reader: the work done per target of a
// run. Each benchmark also reports the heap allocations per iteration ("allocs"). The Exif
// reads go through the real file system to a temporary file that is in the page cache.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <new>
#include <string>

#include "engine/SettingsSummary.h"
#include "engine/exif/ExifReader.h"
#include "engine/naming/NameComposer.h"
#include "engine/naming/NameSteps.h"
#include "engine/naming/TimestampFormat.h"
#include "platform/Codepage.h"
#include "platform/PosixFileSystem.h"
#include "settings/RenameSettings.h"
#include "support/FixedClock.h"
#include "support/MediaBuilder.h"

// The replaced global operator new below pairs malloc with free; GCC cannot see that the two
// replacements belong together and warns at every inlined delete.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
#endif

namespace {

std::atomic<long long> g_allocations{0};

}  // namespace

void* operator new(std::size_t size) {
    g_allocations.fetch_add(1, std::memory_order_relaxed);
    if (void* p = std::malloc(size == 0 ? 1 : size)) return p;
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept {
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
    std::free(p);
}

namespace {

using namespace morvanex;

// Counts the allocations made while the benchmark's loop runs.
class AllocationCounter {
  public:
    explicit AllocationCounter(benchmark::State& state)
        : m_state(state), m_start(g_allocations.load()) {}
    ~AllocationCounter() {
        const double iterations = static_cast<double>(m_state.iterations());
        m_state.counters["allocs"] =
            static_cast<double>(g_allocations.load() - m_start) / (iterations > 0 ? iterations : 1);
    }

  private:
    benchmark::State& m_state;
    long long m_start;
};

using test::At;

const std::string kSource = "/home/user/photos/2003-trip/IMG_0001.JPG";

engine::FileFacts Facts() {
    engine::FileFacts facts = engine::SplitSourcePath(kSource, platform::ExtensionRule::LastPeriod);
    facts.creation = At(2003, 3, 5, 10, 20, 30);
    facts.modification = At(2004, 4, 6, 11, 21, 31);
    return facts;
}

engine::ExifData Camera() {
    engine::ExifData data;
    data.maker = "Camera Maker";
    data.model = "Model X";
    data.dateTime = "2005:06:07 08:09:10";
    return data;
}

engine::PartEntry Part(int kind, const std::string& data) {
    engine::PartEntry entry;
    entry.kind = static_cast<settings::PartType>(kind);
    if (kind == settings::kPartFixedText) {
        entry.text = data;
    } else if (!data.empty()) {
        entry.format = data;
    }
    entry.digits = 4;
    return entry;
}

std::string DataFor(int kind) {
    switch (kind) {
        case settings::kPartFixedText:
            return "IMG_";
        case settings::kPartCreationTime:
        case settings::kPartModificationTime:
            return settings::kDefaultTimestampFormat;
        case settings::kPartExif:
            return settings::kDefaultExifFormat;
        case settings::kPartFileNameRange:
        case settings::kPartExtensionRange:
        case settings::kPartFolderNameRange:
            return "0103";
        default:
            return {};
    }
}

// A typical pattern: a fixed text, a range of the old name, a sequence number, the
// modification date, a period and the old extension.
engine::PartTable SixParts() {
    return engine::PartTable({Part(settings::kPartFixedText, "IMG_"),
                              Part(settings::kPartFileNameRange, "0103"),
                              Part(settings::kPartSequence, ""),
                              Part(settings::kPartModificationTime, "%0__%4YE%2MO%2DA"),
                              Part(settings::kPartPeriod, ""), Part(settings::kPartExtension, "")});
}

void Compose(benchmark::State& state, const engine::NameComposer& composer) {
    const engine::FileFacts facts = Facts();
    engine::PartCounters counters;
    counters.LoadStarts(composer.Parts());
    engine::ExifAccessor exif(Camera());
    std::string name;
    name.reserve(platform::kTextBufferSize);
    AllocationCounter allocations(state);
    for (auto _ : state) {
        composer.Compose(counters, facts, exif, name);
        benchmark::DoNotOptimize(name.data());
        counters.sequence.fill(1);
    }
}

// One part of each kind (the argument), the way the run composes it.
void BM_ComposeOneKind(benchmark::State& state) {
    const int kind = static_cast<int>(state.range(0));
    const engine::NameComposer composer(engine::PartTable({Part(kind, DataFor(kind))}), {});
    Compose(state, composer);
}
BENCHMARK(BM_ComposeOneKind)->DenseRange(0, 13);

void BM_ComposeSixParts(benchmark::State& state) {
    const engine::NameComposer composer(SixParts(), {});
    Compose(state, composer);
}
BENCHMARK(BM_ComposeSixParts);

// The same with digit alignment, letter case and two replacements after composing.
void BM_ComposeSixPartsWithAllRules(benchmark::State& state) {
    engine::NameRules rules;
    rules.alignDigits = true;
    rules.digitWidth = 6;
    rules.changeCase = true;
    rules.caseMode = 6;
    rules.replace = true;
    rules.before[0] = "IMG";
    rules.after[0] = "pic";
    rules.before[1] = "_";
    rules.after[1] = "-";
    const engine::NameComposer composer(SixParts(), rules);
    Compose(state, composer);
}
BENCHMARK(BM_ComposeSixPartsWithAllRules);

void BM_ExpandDefaultTimestampFormat(benchmark::State& state) {
    const platform::Timestamp time = At(2003, 3, 5, 10, 20, 30);
    AllocationCounter allocations(state);
    for (auto _ : state) {
        benchmark::DoNotOptimize(
            engine::ExpandTimestampFormat(time, settings::kDefaultTimestampFormat));
    }
}
BENCHMARK(BM_ExpandDefaultTimestampFormat);

void BM_ExpandJapaneseTimestampFormat(benchmark::State& state) {
    const platform::Timestamp time = At(2003, 3, 5, 10, 20, 30);
    AllocationCounter allocations(state);
    for (auto _ : state) {
        benchmark::DoNotOptimize(
            engine::ExpandTimestampFormat(time, "%4YE%0KN%2MO%0KG%2DA%0KH%0L1%0WK%0R1"));
    }
}
BENCHMARK(BM_ExpandJapaneseTimestampFormat);

// A JPEG head as a camera writes it: the Exif segment with maker, model and date-time.
std::string SmallJpeg(std::size_t imageBytes) {
    const auto put16 = [](std::string& out, unsigned v) {
        out += static_cast<char>(v & 0xFF);
        out += static_cast<char>(v >> 8);
    };
    const auto put32 = [&](std::string& out, unsigned v) {
        put16(out, v & 0xFFFF);
        put16(out, v >> 16);
    };
    const std::string maker("Camera Maker\0", 13);
    const std::string model("Model X\0", 8);
    const std::string date("2003:03:05 10:20:30\0", 20);
    const unsigned values = 8 + 2 + 4 * 12 + 4;
    std::string tiff("II\x2A\0\x08\0\0\0", 8);
    put16(tiff, 4);
    const auto entry = [&](unsigned tag, unsigned type, unsigned count, unsigned offset) {
        put16(tiff, tag);
        put16(tiff, type);
        put32(tiff, count);
        put32(tiff, offset);
    };
    entry(0x010F, 2, 13, values);
    entry(0x0110, 2, 8, values + 13);
    entry(0x0132, 2, 20, values + 21);
    entry(0x8769, 4, 1, values + 41);
    put32(tiff, 0);
    tiff += maker + model + date;
    put16(tiff, 0);
    put32(tiff, 0);
    std::string jpeg("\xFF\xD8\xFF\xE1", 4);
    jpeg += static_cast<char>((tiff.size() + 8) >> 8);
    jpeg += static_cast<char>((tiff.size() + 8) & 0xFF);
    jpeg.append("Exif\0\0", 6);
    jpeg += tiff;
    jpeg.append(imageBytes, '\x55');
    jpeg.append("\xFF\xD9", 2);
    return jpeg;
}

// A temporary file holding the bytes, removed at the end; read once so it is in the page cache.
class TemporaryJpeg {
  public:
    explicit TemporaryJpeg(const std::string& bytes) {
        char pattern[] = "/tmp/morvanex-bench-XXXXXX";
        const int fd = ::mkstemp(pattern);
        if (fd < 0) return;
        m_path = pattern;
        std::size_t done = 0;
        while (done < bytes.size()) {
            const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
            if (n <= 0) break;
            done += static_cast<std::size_t>(n);
        }
        ::close(fd);
    }
    ~TemporaryJpeg() {
        if (!m_path.empty()) ::unlink(m_path.c_str());
    }
    const std::string& Path() const { return m_path; }

  private:
    std::string m_path;
};

void ReadExifFromFile(benchmark::State& state, std::size_t imageBytes) {
    TemporaryJpeg file(SmallJpeg(imageBytes));
    platform::PosixFileSystem fileSystem;
    engine::ExifData data;
    if (file.Path().empty() || engine::ReadExif(fileSystem, file.Path(), data) != 1 ||
        data.maker != "Camera Maker") {
        state.SkipWithError("cannot write or read the temporary JPEG");
        return;
    }
    AllocationCounter allocations(state);
    for (auto _ : state) {
        benchmark::DoNotOptimize(engine::ReadExif(fileSystem, file.Path(), data));
    }
}

// A JPEG head smaller than the first read, and a 2 MiB photo of which 64 KiB are read.
void BM_ReadExifSmallJpeg(benchmark::State& state) {
    ReadExifFromFile(state, 200);
}
BENCHMARK(BM_ReadExifSmallJpeg);
void BM_ReadExifPhoto2MiB(benchmark::State& state) {
    ReadExifFromFile(state, 2 << 20);
}
BENCHMARK(BM_ReadExifPhoto2MiB);

// The wide reading per container, each a small file in the page cache (the movie with its
// metadata after 1 MiB of media data costs one positioned read more), and the strict reading
// of the JPEG it also reads.
std::string CameraTiff() {
    return test::TiffBuilder()
        .Main(0x010F, "Camera Maker")
        .Main(0x0110, "Model X")
        .Main(0x0132, "2020:01:01 09:00:00")
        .Exif(0x9003, "2003:03:05 10:20:30")
        .Build();
}

std::string ContainerFile(const std::string& kind) {
    const std::string header = test::MovieHeader(1700000000ULL + 2082844800ULL);
    const std::string keys =
        test::QuickTimeMeta({{"com.apple.quicktime.make", "Camera Maker"},
                             {"com.apple.quicktime.creationdate", "2023-11-14T16:05:09+0900"}});
    if (kind == "jpeg") return test::JpegFile({test::ExifSegment(CameraTiff())});
    if (kind == "jpeg_after_jfif") {
        return test::JpegFile({test::JfifSegment(), test::ExifSegment(CameraTiff())});
    }
    if (kind == "dng") return CameraTiff() + std::string(6000, '\x33');
    if (kind == "heic") return test::HeifFile(test::ExifItem(CameraTiff()));
    if (kind == "cr3") {
        return test::Cr3File(
            test::TiffBuilder().Main(0x010F, "Camera Maker").Main(0x0110, "Model X").Build(),
            test::TiffBuilder().Main(0x9003, "2003:03:05 10:20:30").Build());
    }
    if (kind == "mp4") return test::MovieFile("isom", {header, keys}, 8000);
    return test::MovieFile("qt  ", {header, keys}, 1 << 20, true);
}

void BM_ReadExifContainer(benchmark::State& state, const std::string& kind,
                          engine::ExifReading reading) {
    TemporaryJpeg file(ContainerFile(kind));
    platform::PosixFileSystem fileSystem;
    engine::ExifData data;
    if (file.Path().empty() || engine::ReadExif(fileSystem, file.Path(), data, reading) != 1 ||
        data.maker != "Camera Maker") {
        state.SkipWithError("cannot write or read the temporary file");
        return;
    }
    AllocationCounter allocations(state);
    for (auto _ : state) {
        benchmark::DoNotOptimize(engine::ReadExif(fileSystem, file.Path(), data, reading));
    }
}
constexpr auto kWide = engine::ExifReading::Wide;
BENCHMARK_CAPTURE(BM_ReadExifContainer, jpeg_strict, "jpeg", engine::ExifReading::StrictJpeg);
BENCHMARK_CAPTURE(BM_ReadExifContainer, jpeg, "jpeg", kWide);
BENCHMARK_CAPTURE(BM_ReadExifContainer, jpeg_after_jfif, "jpeg_after_jfif", kWide);
BENCHMARK_CAPTURE(BM_ReadExifContainer, dng, "dng", kWide);
BENCHMARK_CAPTURE(BM_ReadExifContainer, heic, "heic", kWide);
BENCHMARK_CAPTURE(BM_ReadExifContainer, cr3, "cr3", kWide);
BENCHMARK_CAPTURE(BM_ReadExifContainer, mp4, "mp4", kWide);
BENCHMARK_CAPTURE(BM_ReadExifContainer, mov_metadata_after_1mib, "mov", kWide);

void BM_ParseMetadataHeic(benchmark::State& state) {
    const std::string bytes = ContainerFile("heic");
    AllocationCounter allocations(state);
    for (auto _ : state) benchmark::DoNotOptimize(engine::ParseMetadata(bytes));
}
BENCHMARK(BM_ParseMetadataHeic);

void BM_ParseExif(benchmark::State& state) {
    const std::string bytes = SmallJpeg(200);
    AllocationCounter allocations(state);
    for (auto _ : state) benchmark::DoNotOptimize(engine::ParseExif(bytes));
}
BENCHMARK(BM_ParseExif);

void BM_SettingsSummary(benchmark::State& state) {
    settings::RenameSettings s;
    const int types[] = {1, 0, 6, 0, 5, 3};
    for (int r = 0; r < settings::kVisibleParts; ++r)
        s.RenameOption.Parts[r].SelectedPart = types[r];
    s.RenameOption.Parts[2].StrPart = "1";
    const platform::Timestamp now = At(2003, 3, 5, 10, 20, 30);
    AllocationCounter allocations(state);
    for (auto _ : state) benchmark::DoNotOptimize(engine::SummarizeSettings(s, now));
}
BENCHMARK(BM_SettingsSummary);

}  // namespace

BENCHMARK_MAIN();
