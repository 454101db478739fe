#include "settings/SettingsLifecycle.h"

#include "platform/Codepage.h"
#include "platform/Paths.h"
#include "settings/RegisteredPatterns.h"

namespace morvanex::settings {

namespace {

void SetDefaults(RenameSettings& settings, const SettingsEnvironment& environment, int changeMode) {
    settings = RenameSettings{};
    settings.LetterChangeOption.ChangeMode = changeMode;
    const platform::LocalTime now = platform::ToLocalTime(environment.clock.Now());
    settings.MakeTimeValue = settings.UpdateTimeValue = settings.LastAccessTimeValue = now;
    settings.CommonOption.LogWritePath =
        platform::CutToFit(environment.fileSystem.TemporaryFolder(), platform::kMaxTextBytes);
    settings.RegisteredPatterns = BuiltInPatterns();
    ApplyPatternToSlots(settings.RegisteredPatterns[0], settings);
    settings.Preferences = environment.preferences;
    BuildDriveList(settings, environment.fileSystem);
}

}  // namespace

RenameSettings ConstructSettings(const SettingsEnvironment& environment) {
    RenameSettings settings;
    SetDefaults(settings, environment, 1);
    return settings;
}

void ResetSettings(RenameSettings& settings, const SettingsEnvironment& environment) {
    SetDefaults(settings, environment, 0);
}

std::string DriveNameOf(const std::string& root) {
    return platform::WithoutTrailingSeparator(root);
}

void BuildDriveList(RenameSettings& settings, platform::FileSystem& fileSystem) {
    settings.DriveList.clear();
    int index = 0;
    bool chosen = false;
    for (const platform::Root& root : fileSystem.Roots()) {
        const bool probe = settings.Preferences.CheckRemovableFlag != 0 || !root.removable;
        if (!chosen) {
            if (probe && fileSystem.CanEnter(root.path)) {
                chosen = true;
                const std::string path = platform::CutToFit(root.path, platform::kMaxTextBytes);
                settings.SelectFile.RootDir = settings.CopyToDir.RootDir = DriveNameOf(path);
                settings.SelectFile.FullPath = settings.CopyToDir.FullPath = path;
            } else {
                ++index;
            }
        }
        DriveEntry entry;
        entry.Root = root.path;
        entry.Label = probe ? root.label : std::string();
        entry.Text = DriveNameOf(root.path) + ": " + entry.Label;
        settings.DriveList.push_back(std::move(entry));
    }
    settings.SelectFile.SelectedRenameDrive = index;
    settings.CopyToDir.SelectedCopyToDrive = index;
}

int DriveIndexOf(const RenameSettings& settings, const std::string& path) {
    const std::string folder = platform::WithTrailingSeparator(path);
    int best = -1;
    std::size_t bestLength = 0;
    for (std::size_t i = 0; i < settings.DriveList.size(); ++i) {
        const std::string& root = settings.DriveList[i].Root;
        if (root.size() > bestLength && folder.compare(0, root.size(), root) == 0) {
            best = static_cast<int>(i);
            bestLength = root.size();
        }
    }
    return best;
}

}  // namespace morvanex::settings
