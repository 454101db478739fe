#include "engine/exif/ExifSource.h"

#include <algorithm>

namespace morvanex::engine {

ExifSource::ExifSource(std::string_view wholeFile) : m_head(wholeFile) {}

ExifSource::ExifSource(platform::FileSystem& fileSystem, std::string_view path)
    : m_fileSystem(&fileSystem), m_path(path) {}

int ExifSource::Load(std::size_t headBytes) {
    if (m_fileSystem == nullptr) return 0;
    if (const int error = m_fileSystem->ReadFirstBytes(m_path, headBytes, m_headBytes)) {
        return error;
    }
    m_head = m_headBytes;
    m_headIsWholeFile = m_headBytes.size() < headBytes;
    return 0;
}

std::optional<std::uint64_t> ExifSource::KnownSize() const {
    if (m_headIsWholeFile) return m_head.size();
    for (std::size_t i = 0; i < m_used; ++i) {
        const Chunk& chunk = m_chunks[i];
        if (chunk.bytes.size() < chunk.requested) return chunk.offset + chunk.bytes.size();
    }
    return std::nullopt;
}

std::string_view ExifSource::At(std::uint64_t offset, std::size_t length) {
    length = std::min(length, kExifLargestRequest);
    if (offset < m_head.size()) {
        const auto at = static_cast<std::size_t>(offset);
        if (m_head.size() - at >= length || m_headIsWholeFile) return m_head.substr(at, length);
    } else if (m_headIsWholeFile) {
        return {};
    }
    for (std::size_t i = 0; i < m_used; ++i) {
        const Chunk& chunk = m_chunks[i];
        if (offset < chunk.offset || offset - chunk.offset > chunk.bytes.size()) continue;
        const auto at = static_cast<std::size_t>(offset - chunk.offset);
        const bool endsFile = chunk.bytes.size() < chunk.requested;
        if (chunk.bytes.size() - at >= length || endsFile) {
            return std::string_view(chunk.bytes).substr(at, length);
        }
    }
    if (const auto size = KnownSize(); size && offset >= *size) return {};
    if (m_fileSystem == nullptr || m_failed || m_used == m_chunks.size()) return {};
    Chunk& chunk = m_chunks[m_used];
    chunk.offset = offset;
    chunk.requested = std::max(length, kExifTargetedReadBytes);
    if (m_fileSystem->ReadBytesAt(m_path, offset, chunk.requested, chunk.bytes) != 0) {
        chunk.bytes.clear();
        // A failed read is not retried: the reader goes on as if the bytes were absent.
        m_failed = true;
        return {};
    }
    ++m_used;
    return std::string_view(chunk.bytes).substr(0, length);
}

}  // namespace morvanex::engine
