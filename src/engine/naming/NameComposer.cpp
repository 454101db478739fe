#include "engine/naming/NameComposer.h"

#include "engine/ResultCodes.h"
#include "engine/naming/NameSteps.h"
#include "engine/naming/TextRange.h"
#include "engine/naming/TimestampFormat.h"
#include "platform/Codepage.h"

namespace morvanex::engine {

namespace {

// Expansions are made in the program's 260-byte working buffers.
constexpr std::size_t kPartBytes = platform::kMaxTextBytes;

}  // namespace

void NameComposer::AppendPart(const PartEntry& entry, std::size_t counter, bool fallback,
                              PartCounters& counters, const FileFacts& facts,
                              std::string& name) const {
    switch (entry.kind) {
        case settings::kPartNone:
            return;
        case settings::kPartFixedText:
            name += entry.text;
            return;
        case settings::kPartExtension:
            name += facts.extension;
            return;
        case settings::kPartSequence:
            AppendZeroFilled(name, counters.sequence[counter], entry.digits);
            counters.sequence[counter] += entry.step;
            return;
        case settings::kPartPeriod:
            name += '.';
            return;
        case settings::kPartFileName:
            name += facts.baseName;
            return;
        case settings::kPartFolderName:
            name += FolderNameOf(facts.folder);
            return;
        case settings::kPartCreationTime:
            AppendTimestampFormat(platform::ToLocalTime(facts.creation), entry.format, name,
                                  kPartBytes);
            return;
        case settings::kPartModificationTime:
            AppendTimestampFormat(platform::ToLocalTime(facts.modification), entry.format, name,
                                  kPartBytes);
            return;
        case settings::kPartFolderSequence:
            AppendZeroFilled(name, counters.folder[counter], entry.digits);
            return;
        case settings::kPartExif:
            return;  // handled by the caller; a fallback cannot be one
        case settings::kPartExtensionRange:
            // A fallback entry cannot be a range.
            if (!fallback) name += CharacterRange(facts.extension, entry.format);
            return;
        case settings::kPartFileNameRange:
            if (!fallback) name += CharacterRange(facts.baseName, entry.format);
            return;
        case settings::kPartFolderNameRange:
            if (!fallback) name += CharacterRange(FolderNameOf(facts.folder), entry.format);
            return;
    }
    // Any other kind produces nothing.
}

void NameComposer::ComposeParts(PartCounters& counters, const FileFacts& facts, ExifAccessor& exif,
                                std::string& name) const {
    name.clear();
    name.reserve(platform::kTextBufferSize);
    const int count = m_parts.PartCount();
    for (int i = 0; i < count; ++i) {
        const PartEntry& entry = m_parts.Entry(i);
        const auto counter = static_cast<std::size_t>(i);
        if (entry.kind != settings::kPartExif) {
            AppendPart(entry, counter, false, counters, facts, name);
        } else if (const std::size_t start = name.size();
                   AppendExifPart(entry.format, exif, name)) {
            const std::string_view added(name.data() + start, name.size() - start);
            name.resize(start + platform::FitLength(added, kPartBytes));
        } else if (m_parts.ExifFallback()) {
            AppendPart(m_parts.Entry(count + i), counter, true, counters, facts, name);
        }
    }
}

int NameComposer::PrepareReplacements(std::string& detail) {
    if (!m_rules.replace || !m_rules.regex) return kSuccess;
    return m_regex.Compile(m_rules.before, m_rules.after, detail) ? kSuccess : MRVN_ERROR_BAD_REGEX;
}

int NameComposer::Compose(PartCounters& counters, const FileFacts& facts, ExifAccessor& exif,
                          std::string& name, std::string* detail) const {
    if (m_rules.rename) {
        ComposeParts(counters, facts, exif, name);
    } else {
        name.assign(facts.baseName);
        name += '.';
        name += facts.extension;
    }
    if (m_rules.alignDigits) AlignDigits(name, m_rules.digitWidth, m_rules.extensionRule);
    if (m_rules.changeCase) ChangeLetterCase(name, m_rules.caseMode, m_rules.extensionRule);
    if (name.size() > kMostNameBytes) return MRVN_ERROR_SYSTEM_ERROR;
    if (!m_rules.replace) return kSuccess;
    if (!m_rules.regex) {
        return ReplaceStrings(name, m_rules.before, m_rules.after) ? kSuccess
                                                                   : MRVN_ERROR_SYSTEM_ERROR;
    }
    if (!m_regex.Ready()) return MRVN_ERROR_BAD_REGEX;
    std::string reason;
    const int code = m_regex.Apply(name, reason);
    if (code != kSuccess && detail != nullptr) *detail = std::move(reason);
    return code;
}

}  // namespace morvanex::engine
