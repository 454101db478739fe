#include "engine/run/EngineConfig.h"

#include "platform/Codepage.h"
#include "platform/Paths.h"
#include "settings/PatternFile.h"

namespace morvanex::engine {

namespace {

using settings::RenameSettings;

// A slot's part. Only the data its type uses is taken; the rest keeps the entry's defaults.
PartEntry EntryOf(const settings::PartSlot& slot) {
    PartEntry entry;
    const int type = slot.SelectedPart;
    if (type < settings::kPartNone || type >= settings::kPartTypeCount) return entry;
    entry.kind = static_cast<PartType>(type);
    switch (entry.kind) {
        case settings::kPartFixedText:
            entry.text = platform::CutToFit(slot.StrPart, platform::kMaxTextBytes);
            break;
        case settings::kPartSequence:
        case settings::kPartFolderSequence:
            entry.start = settings::ParseInteger(slot.StrPart);
            entry.step = slot.SkipNum;
            // Checked by the run (a width beyond the list's eight digits is refused there).
            entry.digits = slot.DigitNum;
            break;
        case settings::kPartCreationTime:
        case settings::kPartModificationTime:
        case settings::kPartExif:
        case settings::kPartFileNameRange:
        case settings::kPartExtensionRange:
        case settings::kPartFolderNameRange:
            entry.format = platform::CutToFit(slot.StrPart, platform::kMaxTextBytes);
            break;
        default:
            break;
    }
    return entry;
}

PartTable PartsOf(const RenameSettings& s) {
    std::vector<PartEntry> parts, fallbacks;
    for (int i = 0; i < settings::kVisibleParts; ++i) {
        parts.push_back(EntryOf(s.RenameOption.Parts[static_cast<std::size_t>(i)]));
        fallbacks.push_back(
            EntryOf(s.RenameOption.Parts[static_cast<std::size_t>(settings::kVisibleParts + i)]));
    }
    return PartTable(std::move(parts), std::move(fallbacks));
}

NameRules RulesOf(const RenameSettings& s) {
    NameRules rules;
    rules.rename = s.RenameOption.EnableRename != 0;
    rules.alignDigits = s.RenameOption.EnableDigitChange != 0;
    // A list index beyond its range must not overflow into a valid width: 0 is refused by the
    // run's set-up check.
    const int index = s.RenameOption.DigitChangeNum;
    rules.digitWidth = index >= 0 && index < 8 ? index + 1 : 0;
    rules.changeCase = s.LetterChangeOption.EnableLetterChange != 0;
    rules.caseMode = s.LetterChangeOption.ChangeMode;
    rules.replace = s.StringChangeOption.EnableStringChange != 0;
    rules.regex = s.StringChangeOption.UseRegex != 0;
    for (std::size_t p = 0; p < settings::kReplacePairs; ++p) {
        rules.before[p] = s.StringChangeOption.ChangeBefore[p];
        rules.after[p] = s.StringChangeOption.ChangeAfter[p];
    }
    rules.extensionRule = platform::ExtensionRule::LastPeriod;
    return rules;
}

AttributeAction AttributeActionOf(int selected) {
    return selected == 1   ? AttributeAction::Set
           : selected == 2 ? AttributeAction::Clear
                           : AttributeAction::Leave;
}

TimeSource TimeSourceOf(int mode) {
    return mode >= 1 && mode <= 5 ? static_cast<TimeSource>(mode) : TimeSource::Leave;
}

// A value outside the three choices is the default, as an unknown key value is elsewhere.
TagTextReading TagTextReadingOf(int setting) {
    return setting == 1   ? TagTextReading::AlwaysCp932
           : setting == 2 ? TagTextReading::Latin1
                          : TagTextReading::Automatic;
}

EngineOptions OptionsOf(const RenameSettings& s, const std::string& temporaryFolder) {
    // A free list is no folder tree: no numbers per folder, no tree kept under the destination.
    const bool freeSelect = s.SelectFile.FreeFileSelect != 0;
    EngineOptions o;
    o.rootFolder = s.SelectFile.FullPath.empty()
                       ? std::string()
                       : platform::WithTrailingSeparator(s.SelectFile.FullPath);
    o.copy = s.CopyToDir.EnableCopy != 0;
    o.copyDestination = s.CopyToDir.FullPath;
    o.keepDirTree = !freeSelect && s.CopyToDir.KeepDirTree != 0;
    o.numberReset = !freeSelect && s.CommonOption.NumberReset != 0;
    o.allAttributes = s.CommonOption.AllAttributeFileRename != 0;
    o.changeAttributes = s.AttributeOption.EnableAttribute != 0;
    o.archive = AttributeActionOf(s.AttributeOption.SelectedArchive);
    o.readOnly = AttributeActionOf(s.AttributeOption.SelectedReadOnly);
    o.hidden = AttributeActionOf(s.AttributeOption.SelectedHidden);
    o.system = AttributeActionOf(s.AttributeOption.SelectedSystem);
    o.changeTimes = s.TimeStampOption.EnableTimeStamp != 0;
    o.timeModes = {TimeSourceOf(s.TimeStampOption.EnableMakeTime),
                   TimeSourceOf(s.TimeStampOption.EnableUpdateTime),
                   TimeSourceOf(s.TimeStampOption.EnableLastAccessTime)};
    o.fixedTimes = {platform::FromLocalTime(s.MakeTimeValue),
                    platform::FromLocalTime(s.UpdateTimeValue),
                    platform::FromLocalTime(s.LastAccessTimeValue)};
    o.exifReading =
        s.RenameOption.ExifStrictJpeg != 0 ? ExifReading::StrictJpeg : ExifReading::Wide;
    o.tagReading = TagTextReadingOf(s.RenameOption.ExifTagCp932);
    o.textLog = s.CommonOption.LogWrite != 0;
    o.batchLog = s.CommonOption.BatLogWrite != 0;
    o.logFolder =
        s.CommonOption.LogWritePath.empty() ? temporaryFolder : s.CommonOption.LogWritePath;
    o.wholeRun = s.CommonOption.PlanWholeRun != 0;
    return o;
}

}  // namespace

EngineConfig ConfigFromSettings(const RenameSettings& s, const std::string& temporaryFolder) {
    return {PartsOf(s), RulesOf(s), OptionsOf(s, temporaryFolder), 1};
}

}  // namespace morvanex::engine
