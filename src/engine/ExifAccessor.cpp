#include "engine/ExifAccessor.h"

namespace morvanex::engine {

ExifAccessor::ExifAccessor(platform::FileSystem& fileSystem, std::string_view path,
                           ExifReading reading)
    : m_fileSystem(&fileSystem), m_path(path), m_reading(reading) {}

ExifAccessor::ExifAccessor(std::optional<ExifData> known)
    : m_known(true), m_data(std::move(known)) {}

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

}  // namespace morvanex::engine
