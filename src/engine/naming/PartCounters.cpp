#include "engine/naming/PartCounters.h"

namespace morvanex::engine {

void PartCounters::LoadStarts(const PartTable& table) {
    Clear();
    for (int i = 0; i < table.EntryCount(); ++i) {
        sequence[static_cast<std::size_t>(i)] = table.Entry(i).start;
        folder[static_cast<std::size_t>(i)] = table.Entry(i).start;
    }
}

void PartCounters::Clear() {
    sequence.fill(0);
    folder.fill(0);
}

void PartCounters::RestartSequences(const PartTable& table) {
    for (int i = 0; i < table.EntryCount(); ++i) {
        sequence[static_cast<std::size_t>(i)] = table.Entry(i).start;
    }
}

void PartCounters::AdvanceFolderNumbers(const PartTable& table) {
    for (int i = 0; i < table.EntryCount(); ++i)
        folder[static_cast<std::size_t>(i)] += table.Entry(i).step;
}

}  // namespace morvanex::engine
