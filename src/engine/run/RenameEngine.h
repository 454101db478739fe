#pragma once

#include <array>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "engine/Interaction.h"
#include "engine/StopRequest.h"
#include "engine/exif/ExifAccessor.h"
#include "engine/naming/NameComposer.h"
#include "engine/naming/PartCounters.h"
#include "engine/plan/Change.h"
#include "engine/plan/FolderTraits.h"
#include "engine/plan/TargetFeed.h"
#include "engine/run/EngineConfig.h"
#include "engine/run/RunLog.h"
#include "platform/Clock.h"
#include "platform/FileSystem.h"
#include "settings/RenameSettings.h"

namespace morvanex::engine {

class UndoJournal;

struct EngineResult {
    int code = 0;
    int doneCount = 0;
    int systemError = 0;
    std::string currentPath;
    std::string detail;  // what was wrong beyond the path: the unusable name, the part's text
};

// One run over a target list: composes each new name, moves or copies the file, changes its
// attributes and times, logs it and records it for undo; or, as a preview, computes all of
// that and touches nothing. Set up whole from the record's configuration, run once.
class RenameEngine {
  public:
    // Set up whole: nothing of the configuration changes afterwards.
    RenameEngine(platform::FileSystem& fileSystem, const platform::Clock& clock,
                 Interaction& interaction, EngineConfig config);

    // The run's inputs, given before Run. 0, or 12 for no targets.
    // With `statuses` (one per target, as the listing read them a moment ago) the run takes
    // each target's status from there instead of reading it again.
    int SetTargets(std::vector<std::string> targets,
                   std::vector<platform::FileStatus> statuses = {});
    // Targets that may still be arriving: the run asks for the total only where it must (the
    // logs' header, the progress bar, a sequence limit the largest possible total would break).
    int SetTargets(std::unique_ptr<TargetFeed> feed);
    // Whether the run reports its progress, and with which total: the exact one (waited for
    // before the first target, for a progress bar) or the best known so far (for a line).
    enum class Progress { Off, ExactTotal, TotalSoFar };
    void SetProgress(Progress progress) { m_progress = progress; }
    void SetJournal(UndoJournal* journal) { m_journal = journal; }
    // Looked at between targets, and between whole chains or rings of the plan (never inside
    // one): a request ends the run there with code 20.
    void SetStopRequest(const StopRequest* stop) { m_stop = stop; }
    // The names the run's listing read of its folders: the plan check takes them from there.
    void SetListedNames(ListedNames* names) { m_listedNames = names; }
    // The new names given from outside (a mapping file, names edited by hand), one per target
    // in run order, each in its target's own folder: they stand where the composition's would,
    // and the name rules (parts, digits, case, replacements) are not applied. A target whose
    // name is its own stays where it is; the plan judges the rest as it judges any run.
    void SetExplicitNames(std::vector<std::string> names);

    EngineResult Run(bool real);

    // The run's results, one entry per target (past a target whose name could not be made the
    // entries stay empty).
    // The whole target list, once the run is over; the engine gives it up.
    std::vector<std::string> TakeTargets();
    const std::vector<Change>& Changes() const { return m_changes; }
    // The new paths, given up by the changes: the path of a target that was not changed is its
    // source (in a real run; a preview gives every planned path).
    std::vector<std::string> TakeNewPaths(const std::vector<std::string>& sources, bool real);
    std::vector<settings::FileStatusRecord>& Before() { return m_before; }
    std::vector<settings::FileStatusRecord>& After() { return m_after; }

    // The set-up check alone (folder questions through the interaction when real).
    int CheckSetup(bool real);

  private:
    int CheckSequenceLimits(std::int64_t count) const;
    int BeginRecords(EngineResult& result);
    // The run's own files, and the state folder with everything in it (the user's key, the
    // lock, other runs' journals): a list may name them, a run never changes them. `status` is
    // the target's at `path` as listed.
    bool IsOwnFile(const platform::FileStatus& status, std::string_view path);
    // Code 18: the journal could not be made or written. `changed` is the target whose change
    // was made last (or npos): named when the journal lost its record.
    int JournalFailure(int error, EngineResult& result, std::size_t changed) const;
    // Composes target i's new name into its change; the preview's attributes and times too.
    int ComposeTarget(std::size_t index, const std::string& source,
                      const platform::FileStatus* listed, bool real, std::string& detail);
    // The check of the first `count` targets, composed.
    PlanCheck CheckComposed(std::size_t count, bool wholeRun);
    // Judges the whole plan (the composed targets) and returns its ordered steps; none when the
    // user stopped the check.
    std::optional<std::vector<PlanStep>> CheckWholePlan(std::size_t count);
    // The first conflict of a checked plan as the run reports it (16, 17 or 10), or 0.
    int RefuseConflicts(std::size_t count, EngineResult& result);
    int ApplyInOrder(std::size_t count, EngineResult& result);
    int ApplyPlan(const std::vector<PlanStep>& steps, EngineResult& result);
    void CountDone(EngineResult& result);
    // The last move of one target (from its source, or from the name it was parked under),
    // then its attributes, times, journal mark and log line.
    int FinishTarget(std::size_t index, const std::string& from, EngineResult& result);
    // Moves a target of a ring aside to a free temporary name beside it (journaled first).
    int ParkTarget(std::size_t index, std::string& parked, EngineResult& result);
    // The steps say in `changed` whether they changed anything (for the journal's mark, the
    // count and the log: a target changed before a later step failed is taken back by undo).
    int CopyStep(std::size_t index, const std::string& source, bool& changed, EngineResult& result);
    int RenameStep(std::size_t index, const std::string& from, bool& journaled, bool& changed,
                   EngineResult& result);
    int AttributeStep(std::size_t index, const std::string& file, bool real, bool& changed,
                      EngineResult& result);
    int TimeStep(std::size_t index, const std::string& file, bool real, ExifAccessor& exif,
                 bool& changed, EngineResult& result);
    // 999 for an attribute or time write the system refused, naming the file it was written to;
    // what the write changed of the file all the same (attributes written in part) counts.
    int WriteFailed(std::size_t index, int error, const std::string& file, bool& changed,
                    EngineResult& result);
    // Target i's status as listed (or read when its name was made): a change reaches the file
    // only while it is still that file. Null when it could not be read.
    const platform::FileStatus* ListedStatus(std::size_t index) const;
    const std::string& SourceOf(std::size_t index);
    std::string CopyFolderFor(const std::string& folder, bool real);
    // The traits of the folder a name goes into (asked once per folder in a row).
    const platform::FolderTraits& TraitsOf(std::string_view folder);
    // 10 where the folder follows Windows' name rules and the name breaks them.
    int CheckWindowsName(std::string_view folder, const std::string& name, std::string& detail);
    // 999 for a change that failed with `error`, with a line that says why where the system's
    // text would not (a file swapped since the listing, a move the file system cannot make
    // safely).
    int ChangeFailure(int error, std::string_view folder, bool isFolder, EngineResult& result);

    platform::FileSystem& m_fileSystem;
    const platform::Clock& m_clock;
    Interaction& m_interaction;
    NameComposer m_composer;
    PartCounters m_counters;
    EngineOptions m_options;
    int m_maxPerFolder = 1;
    Progress m_progress = Progress::Off;
    UndoJournal* m_journal = nullptr;
    const StopRequest* m_stop = nullptr;
    ListedNames* m_listedNames = nullptr;
    std::optional<std::vector<std::string>> m_explicitNames;

    std::unique_ptr<TargetFeed> m_targets;
    std::vector<Change> m_changes;
    std::vector<settings::FileStatusRecord> m_before;
    std::vector<settings::FileStatusRecord> m_after;

    std::string m_previousFolder;
    std::optional<RunLog> m_log;
    // The run's own files (its journal, its logs): never targets, wherever they lie.
    std::vector<platform::FileIdentity> m_ownFiles;
    platform::FileIdentity m_stateFolder;  // {} when there is none
    std::string m_folderChecked;           // the folder last checked against the state folder
    bool m_folderIsState = false;
    std::size_t m_lastJournaled = static_cast<std::size_t>(-1);  // the last target recorded done
    std::string m_setupDetail;  // what the set-up check found wrong, for its message
    LastFolderTraits m_traits{m_fileSystem};
    std::string m_refusedPath;  // a copy's destination that its folder refuses
};

// Creates a folder and every missing folder above it; failures are not reported (the move or
// copy that needs the folder reports them).
void CreateFolderTree(platform::FileSystem& fileSystem, const std::string& path);

// True when the text holds one of \ / : * ? " < > | (double-byte characters never match).
bool HasForbiddenCharacter(std::string_view text);

}  // namespace morvanex::engine
