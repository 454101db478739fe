#pragma once

#include <string>
#include <vector>

#include "engine/Interaction.h"
#include "engine/StopRequest.h"
#include "platform/Clock.h"
#include "platform/FileSystem.h"
#include "settings/RenameSettings.h"

// The run driver: turns the record into one engine run and presents its outcome; the undo of
// the last run; the export of the would-be target list.
namespace morvanex::engine {

class UndoJournal;

struct RunContext {
    platform::FileSystem& fileSystem;
    const platform::Clock& clock;
    Interaction& interaction;
    // Where real runs are recorded for the command line's undo; none in tests that do not ask.
    UndoJournal* journal = nullptr;
    // The user's stop (the window's button, the terminal's Ctrl-C); none where nobody can stop.
    const StopRequest* stop = nullptr;
};

struct RunOutcome {
    int resultCode = 0;  // 0 on success, else the code whose message was shown
    int doneCount = 0;
    int systemError = 0;
    std::string currentPath;
    std::string detail;  // shown below the message: the unusable name, the part's text
};

// Runs (preview false) or previews the job the record describes, on the free list when one is
// given, else on the folder's targets. Every message goes through the context's interaction,
// suppressed as the record's AutoExecMode says. With `newNames` (one per entry of the free list,
// each a name in its entry's own folder) those names are the plan's instead of the record's name
// rules (RenameEngine::SetExplicitNames). With `freeStatuses` (one per entry of the free list,
// read a moment ago with their stored attributes) the run takes each target's status from there
// instead of reading it again; each change still checks that the file is the one read.
RunOutcome StartRun(settings::RenameSettings& settings, const RunContext& context, bool preview,
                    const std::vector<std::string>* freeList,
                    const std::vector<std::string>* newNames = nullptr,
                    const std::vector<platform::FileStatus>* freeStatuses = nullptr);

// Moves the files of the last real run back (the view's undo command).
void Undo(settings::RenameSettings& settings, const RunContext& context);

// Collects the targets exactly as a run does; returns 0, 1001 or 2001. With `statuses`, the
// status of each target as the listing read it goes there too.
int CollectRunTargets(const settings::RenameSettings& settings, platform::FileSystem& fileSystem,
                      std::vector<std::string>& targets, int& largestPerFolder,
                      std::vector<platform::FileStatus>* statuses = nullptr);

// The view's "save target list as text": collects like a run and writes one path per line
// (CP932, CR LF) to `path`, or reports why there is nothing to write.
void SaveTargetList(const settings::RenameSettings& settings, const RunContext& context,
                    const std::string& path);

}  // namespace morvanex::engine
