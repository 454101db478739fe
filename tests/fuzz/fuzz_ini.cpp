// Any bytes as a pattern file: the reader must neither crash nor hang, and loading them into a
// record must keep every fixed text within its 259 bytes.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "platform/Codepage.h"
#include "platform/IniFile.h"
#include "settings/PatternFile.h"
#include "settings/RenameSettings.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const morvanex::platform::IniReader reader(text);
    (void)reader.GetString("SelectFile", "FullPath", "NOT_FOUND");
    morvanex::settings::RenameSettings settings;
    if (morvanex::settings::LoadPatternText(settings, text)) {
        if (settings.SelectFile.FullPath.size() > morvanex::platform::kMaxTextBytes)
            __builtin_trap();
        for (const auto& part : settings.RenameOption.Parts) {
            if (part.StrPart.size() > morvanex::platform::kMaxTextBytes) __builtin_trap();
        }
        // What was loaded must save and load back to the same record.
        morvanex::settings::RenameSettings again;
        if (!morvanex::settings::LoadPatternText(
                again, morvanex::settings::SerializePatternFile(settings)) ||
            !again.SamePersistentFields(settings)) {
            __builtin_trap();
        }
    }
    return 0;
}
