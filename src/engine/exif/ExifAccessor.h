#pragma once

#include <optional>
#include <string_view>

#include "engine/exif/ExifReader.h"
#include "engine/exif/MediaTags.h"
#include "platform/FileSystem.h"

namespace morvanex::engine {

// The Exif data and the music tags of one file, each read on first request and kept:
// composition asks only when a part needs it, and a file with several Exif parts is read once.
// A photo's parts never cost a tag read, a song's date-free parts never an Exif read.
class ExifAccessor {
  public:
    // No file at hand: never any Exif data or tags.
    ExifAccessor() = default;
    // The path is not copied: it must outlive the accessor.
    ExifAccessor(platform::FileSystem& fileSystem, std::string_view path,
                 ExifReading reading = ExifReading::Wide,
                 TagTextReading tagReading = TagTextReading::Automatic);
    // Data already known (nothing, or what an earlier read found).
    explicit ExifAccessor(std::optional<ExifData> known,
                          std::optional<MediaTags> knownTags = std::nullopt);

    // The file's Exif data, or nullptr when it has none.
    const ExifData* Get();
    // The file's tags, or nullptr when it has none.
    const MediaTags* Tags();
    // How many times the file was read for Exif data (0 or 1), and for tags.
    int ReadCount() const { return m_readCount; }
    int TagReadCount() const { return m_tagReadCount; }

  private:
    platform::FileSystem* m_fileSystem = nullptr;
    std::string_view m_path;
    ExifReading m_reading = ExifReading::Wide;
    TagTextReading m_tagReading = TagTextReading::Automatic;
    bool m_known = false;
    bool m_tagsKnown = false;
    int m_readCount = 0;
    int m_tagReadCount = 0;
    std::optional<ExifData> m_data;
    std::optional<MediaTags> m_tags;
};

// Appends the expansion of a name part's Exif format for the accessor's file. False, with `out`
// unchanged, when the file lacks what the part needs: Exif data for a date, maker or model
// token (or a format without tag tokens), a value for each tag token. The part's fallback then
// stands in, as for a photo without Exif data.
bool AppendExifPart(std::string_view format, ExifAccessor& exif, std::string& out);

}  // namespace morvanex::engine
