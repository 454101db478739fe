// The Exif reader on arbitrary file heads: the pure parser, the reader through a file system,
// and the format expansion, with the limits they promise checked on every input.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "engine/ExifReader.h"
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

void Expand(platform::FileSystem& fileSystem, const std::optional<engine::ExifData>& parsed,
            std::string_view format) {
    std::string out;
    const int result = engine::ExpandExifFormat(fileSystem, "/f.jpg", format, out);
    Check(result == (parsed ? 0 : engine::kNoExifData));
    Check(out.size() < platform::kTextBufferSize);
    if (parsed) Check(out == engine::ExpandExifFormat(*parsed, format));
    Check(engine::ExifPlaceholder(format).size() < platform::kTextBufferSize);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const auto parsed = engine::ParseExif(bytes);
    if (parsed) {
        Check(parsed->maker.size() <= engine::kMaxExifTextBytes);
        Check(parsed->model.size() <= engine::kMaxExifTextBytes);
        Check(parsed->dateTime.size() <= 20);
        (void)engine::ExifDateTime(*parsed);
    }
    Check(engine::ExifBytesWanted(bytes) <= 0xFFFF * 12 + 26 + engine::kExifWindowBytes);

    test::MemoryFileSystem fileSystem;
    fileSystem.AddFile("/f.jpg", std::string(bytes));
    for (std::string_view format : kFormats) Expand(fileSystem, parsed, format);
    // The input's last bytes as a format of its own.
    Expand(fileSystem, parsed, bytes.substr(bytes.size() > 32 ? bytes.size() - 32 : 0));
    return 0;
}
