#include "engine/exif/ExifAccessor.h"

namespace morvanex::engine {

ExifAccessor::ExifAccessor(platform::FileSystem& fileSystem, std::string_view path,
                           ExifReading reading, TagTextReading tagReading)
    : m_fileSystem(&fileSystem), m_path(path), m_reading(reading), m_tagReading(tagReading) {}

ExifAccessor::ExifAccessor(std::optional<ExifData> known, std::optional<MediaTags> knownTags)
    : m_known(true), m_tagsKnown(true), m_data(std::move(known)), m_tags(std::move(knownTags)) {}

const ExifData* ExifAccessor::Get() {
    if (!m_known) {
        m_known = true;
        if (m_fileSystem != nullptr) {
            ++m_readCount;
            ExifData data;
            if (ReadExif(*m_fileSystem, m_path, data, m_reading) == 1) m_data = std::move(data);
        }
    }
    return m_data ? &*m_data : nullptr;
}

const MediaTags* ExifAccessor::Tags() {
    if (!m_tagsKnown) {
        m_tagsKnown = true;
        if (m_fileSystem != nullptr) {
            ++m_tagReadCount;
            MediaTags tags;
            if (ReadMediaTags(*m_fileSystem, m_path, tags, m_tagReading) == 1) {
                m_tags = std::move(tags);
            }
        }
    }
    return m_tags ? &*m_tags : nullptr;
}

bool AppendExifPart(std::string_view format, ExifAccessor& exif, std::string& out) {
    const ExifFormatNeeds needs = NeedsOf(format);
    const ExifData* data = needs.exifData ? exif.Get() : nullptr;
    if (needs.exifData && data == nullptr) return false;
    const MediaTags* tags = needs.tags ? exif.Tags() : nullptr;
    if (needs.tags && (tags == nullptr || !TagsHaveValuesFor(*tags, format))) return false;
    AppendExifFormat(data, tags, format, out);
    return true;
}

}  // namespace morvanex::engine
