#include "engine/naming/PartTable.h"

#include <iterator>
#include <utility>

namespace morvanex::engine {

PartTable::PartTable(std::vector<PartEntry> parts, std::vector<PartEntry> fallbacks)
    : m_exifFallback(!fallbacks.empty()) {
    const std::size_t most = m_exifFallback ? kMaxPartEntries / 2 : kMaxPartEntries;
    if (parts.size() > most) parts.resize(most);
    m_partCount = static_cast<int>(parts.size());
    m_entries = std::move(parts);
    if (m_exifFallback) {
        fallbacks.resize(m_entries.size());
        m_entries.insert(m_entries.end(), std::make_move_iterator(fallbacks.begin()),
                         std::make_move_iterator(fallbacks.end()));
    }
}

}  // namespace morvanex::engine
