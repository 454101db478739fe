// The Exif reader on arbitrary files: the strict parser, the wide reading of every container
// (in memory, and through a file system with a first read so small that the rest comes from
// targeted reads), and the format expansion, with the limits they promise checked on every
// input.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "engine/exif/ExifReader.h"
#include "engine/exif/ExifSource.h"
#include "support/MemoryFileSystem.h"

namespace {

using namespace morvanex;

constexpr std::string_view kFormats[] = {
    "%EDT%4YE%2MO%2DA%2HO%2MI%2SE",
    "%EMK%EST0103%ECM%EST05FF",
    "%ECM%EDT%0WK%1WK%EMK",
    "%EMK%EST",
};

void Check(bool condition) {
    if (!condition) __builtin_trap();
}

void CheckData(const engine::ExifData& data) {
    Check(data.maker.size() <= engine::kMaxExifTextBytes);
    Check(data.model.size() <= engine::kMaxExifTextBytes);
    Check(data.dateTime.size() <= 20);
    (void)engine::ExifDateTime(data);
}

void Expand(platform::FileSystem& fileSystem, const std::optional<engine::ExifData>& parsed,
            std::string_view format, engine::ExifReading reading) {
    std::string out;
    const int result = engine::ExpandExifFormat(fileSystem, "/f.jpg", format, out,
                                                platform::kTextBufferSize, reading);
    Check(result == (parsed ? 0 : engine::kNoExifData));
    Check(out.size() < platform::kTextBufferSize);
    if (parsed) Check(out == engine::ExpandExifFormat(*parsed, format));
    Check(engine::ExifPlaceholder(format).size() < platform::kTextBufferSize);
}

// A file system that counts the targeted reads and the bytes they ask for.
class CountingFileSystem final : public test::MemoryFileSystem {
  public:
    std::size_t reads = 0;
    int ReadBytesAt(std::string_view path, std::uint64_t offset, std::size_t count,
                    std::string& bytes) override {
        ++reads;
        Check(count <= engine::kExifLargestRequest);
        return MemoryFileSystem::ReadBytesAt(path, offset, count, bytes);
    }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const auto parsed = engine::ParseExif(bytes);
    if (parsed) CheckData(*parsed);
    Check(engine::ExifBytesWanted(bytes) <= 0xFFFF * 12 + 26 + engine::kExifWindowBytes);

    const auto wide = engine::ParseMetadata(bytes);
    if (wide) {
        CheckData(*wide);
        Check(!wide->maker.empty() || !wide->model.empty() || engine::ExifDateTime(*wide));
    }

    CountingFileSystem fileSystem;
    fileSystem.AddFile("/f.jpg", std::string(bytes));
    for (std::string_view format : kFormats) {
        Expand(fileSystem, parsed, format, engine::ExifReading::StrictJpeg);
        Expand(fileSystem, wide, format, engine::ExifReading::Wide);
    }
    // The input's last bytes as a format of its own.
    Expand(fileSystem, parsed, bytes.substr(bytes.size() > 32 ? bytes.size() - 32 : 0),
           engine::ExifReading::StrictJpeg);
    Check(fileSystem.reads == 0 || bytes.size() >= engine::kExifFirstRead);

    // Heads of 16 and 512 bytes: the structures beyond them are reached by targeted reads,
    // never more of them than the budget.
    for (const std::size_t head : {std::size_t{16}, std::size_t{512}}) {
        fileSystem.reads = 0;
        engine::ExifData read;
        if (engine::ReadExif(fileSystem, "/f.jpg", read, engine::ExifReading::Wide, head) == 1) {
            CheckData(read);
        }
        Check(fileSystem.reads <= engine::kExifTargetedReads);
    }
    return 0;
}
