#include "engine/naming/PartTable.h"

#include "engine/ResultCodes.h"
#include "platform/Codepage.h"
#include "settings/RenameSettings.h"

namespace morvanex::engine {

PartTable::PartTable() {
    for (auto& entry : m_entries) entry.format = settings::kDefaultTimestampFormat;
    m_entries[0].kind = PartKind::Sequence;
}

int PartTable::SetPartCount(int count) {
    const int limit = m_exifFallback ? kMaxPartsWithFallback : kMaxPartEntries;
    if (count < 0 || count > limit) return MRVN_PARAMETER_ERROR;
    m_partCount = count;
    m_entries[0].kind = PartKind::None;
    for (auto& entry : m_entries) {
        entry.text.clear();
        entry.start = 1;
        entry.step = 1;
        entry.digits = 3;
    }
    return kSuccess;
}

int PartTable::SetExifFallback(bool on) {
    if (on && m_partCount > kMaxPartsWithFallback) return MRVN_PARAMETER_ERROR;
    m_exifFallback = on;
    return kSuccess;
}

int PartTable::SetPartKind(int index, int kind) {
    if (!InRange(index) || kind < 0 || kind >= kPartKindCount) return MRVN_PARAMETER_ERROR;
    m_entries[static_cast<std::size_t>(index)].kind = static_cast<PartKind>(kind);
    return kSuccess;
}

int PartTable::SetPartText(int index, std::string_view text) {
    if (!InRange(index)) return MRVN_PARAMETER_ERROR;
    PartEntry& entry = m_entries[static_cast<std::size_t>(index)];
    if (entry.kind != PartKind::FixedText) return MRVN_PARAMETER_UNMATCH;
    entry.text = platform::CutToFit(text, platform::kMaxTextBytes);
    return kSuccess;
}

int PartTable::SetPartFormat(int index, std::string_view format) {
    if (!InRange(index)) return MRVN_PARAMETER_ERROR;
    PartEntry& entry = m_entries[static_cast<std::size_t>(index)];
    switch (entry.kind) {
        case PartKind::CreationTime:
        case PartKind::ModificationTime:
        case PartKind::Exif:
        case PartKind::ExtensionRange:
        case PartKind::BaseNameRange:
        case PartKind::FolderNameRange:
            entry.format = platform::CutToFit(format, platform::kMaxTextBytes);
            return kSuccess;
        default:
            return MRVN_PARAMETER_UNMATCH;
    }
}

int PartTable::SetSequence(int index, int start, int step, int digits) {
    if (!InRange(index)) return MRVN_PARAMETER_ERROR;
    PartEntry& entry = m_entries[static_cast<std::size_t>(index)];
    if (entry.kind != PartKind::Sequence && entry.kind != PartKind::FolderNumber) {
        return MRVN_PARAMETER_UNMATCH;
    }
    entry.start = start;
    entry.step = step;
    entry.digits = digits;
    return kSuccess;
}

}  // namespace morvanex::engine
