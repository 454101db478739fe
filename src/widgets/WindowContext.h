#pragma once

#include "engine/Interaction.h"
#include "platform/Clock.h"
#include "platform/FileSystem.h"
#include "settings/RenameSettings.h"
#include "widgets/PageHost.h"
#include "widgets/Preferences.h"

// What a page or a dialog of the window works with: the settings record it shows and edits, the
// file system and the clock the core works with, where messages and questions go, the per-user
// preferences and the window that shows it. The shell owns all of them and outlives the pages.
namespace morvanex::widgets {

struct WindowContext {
    settings::RenameSettings& record;
    platform::FileSystem& fileSystem;
    const platform::Clock& clock;
    engine::Interaction& interaction;
    const Preferences& preferences;
    PageHost& host;
};

}  // namespace morvanex::widgets
