#pragma once

#include <optional>
#include <string_view>

#include "engine/ExifReader.h"
#include "platform/FileSystem.h"

namespace morvanex::engine {

// The Exif data of one file, read on first request and kept: composition asks only when a part
// needs it, and a file with several Exif parts is read once.
class ExifAccessor {
  public:
    // No file at hand: never any Exif data.
    ExifAccessor() = default;
    // The path is not copied: it must outlive the accessor.
    ExifAccessor(platform::FileSystem& fileSystem, std::string_view path,
                 ExifReading reading = ExifReading::Wide);
    // Data already known (nothing, or what an earlier read found).
    explicit ExifAccessor(std::optional<ExifData> known);

    // The file's Exif data, or nullptr when it has none.
    const ExifData* Get();
    // How many times the file was read (0 or 1).
    int ReadCount() const { return m_readCount; }

  private:
    platform::FileSystem* m_fileSystem = nullptr;
    std::string_view m_path;
    ExifReading m_reading = ExifReading::Wide;
    bool m_known = false;
    int m_readCount = 0;
    std::optional<ExifData> m_data;
};

}  // namespace morvanex::engine
