#include "engine/exif/TagStream.h"

#include <algorithm>
#include <limits>

#include "engine/exif/MediaTags.h"

namespace morvanex::engine {

namespace {

constexpr std::uint64_t kLongMax = static_cast<std::uint64_t>(std::numeric_limits<long>::max());

}  // namespace

TagStream::TagStream(platform::InputFile& file)
    : m_file(file), m_size(std::min(file.Size(), kLongMax)) {}

const TagStream::Block* TagStream::Fetch(std::uint64_t offset, std::size_t length) {
    if (offset >= m_size || length == 0) return nullptr;
    length = static_cast<std::size_t>(std::min<std::uint64_t>(length, m_size - offset));
    if (m_head.Holds(offset, length) && !m_head.bytes.empty()) return &m_head;
    if (m_recent.Holds(offset, length) && !m_recent.bytes.empty()) return &m_recent;
    if (m_failed || m_fetched >= kTagReadBudget) return nullptr;
    // A small read takes the whole block around it; near the end of the file the block ends
    // with the file, where the tail tags (ID3v1, APE) lie.
    std::uint64_t start = offset;
    std::uint64_t wanted = std::max<std::uint64_t>(length, kTagReadBlock);
    if (length < kTagReadBlock && m_size - offset < kTagReadBlock) {
        start = m_size > kTagReadBlock ? m_size - kTagReadBlock : 0;
        wanted = m_size - start;
    }
    wanted = std::min({wanted, m_size - start, kTagReadBudget - m_fetched});
    Block& block = start == 0 ? m_head : m_recent;
    block.offset = start;
    if (const int error = m_file.ReadAt(start, static_cast<std::size_t>(wanted), block.bytes);
        error != 0) {
        block.bytes.clear();
        m_failed = true;
        return nullptr;
    }
    m_fetched += block.bytes.size();
    if (block.bytes.empty()) return nullptr;
    return &block;
}

std::string_view TagStream::Peek(std::uint64_t offset, std::size_t length) {
    const Block* block = Fetch(offset, length);
    if (block == nullptr || offset < block->offset) return {};
    const auto at = static_cast<std::size_t>(offset - block->offset);
    if (at >= block->bytes.size()) return {};
    return std::string_view(block->bytes).substr(at, length);
}

TagLib::ByteVector TagStream::readBlock(unsigned long length) {
    const std::size_t wanted = std::min<std::size_t>(length, kTagLargestRead);
    const std::string_view bytes = Peek(m_position, wanted);
    m_position += bytes.size();
    return TagLib::ByteVector(bytes.data(), static_cast<unsigned int>(bytes.size()));
}

void TagStream::seek(long offset, Position position) {
    const auto base = static_cast<std::int64_t>(position == Beginning ? 0
                                                : position == Current ? m_position
                                                                      : m_size);
    // The library seeks before the start of a short file when it looks for a tail tag; it then
    // stands at the start, as a seek on a real file would refuse to move it further.
    const std::int64_t target = base + static_cast<std::int64_t>(offset);
    m_position = target < 0 ? 0 : static_cast<std::uint64_t>(target);
}

long TagStream::tell() const {
    return static_cast<long>(std::min(m_position, kLongMax));
}

long TagStream::length() {
    return static_cast<long>(m_size);
}

}  // namespace morvanex::engine
