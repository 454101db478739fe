#include "engine/run/RunDriver.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string_view>

#include "engine/ResultCodes.h"
#include "engine/journal/Undo.h"
#include "engine/journal/UndoJournal.h"
#include "engine/plan/CollectTargets.h"
#include "engine/plan/TargetFeed.h"
#include "engine/run/EngineConfig.h"
#include "engine/run/RenameEngine.h"
#include "platform/Codepage.h"
#include "platform/Paths.h"

namespace morvanex::engine {

namespace {

using settings::RenameSettings;

constexpr const char* kAttributeHint =
    "指定フォルダ内に\n「読み取り専用(R)」\u3000「隠し(H)」\u3000「システム(S)"
    "」\nのいずれかの属性がかかっているファイルがある可能性があります。\nこれらのファイルに対して処"
    "理を行いたい場合には\n\u30001．オプションページの「すべてのファイル属性が対象」をチェックする"
    "。\n\u30002．処理を行いたいファイルの属性をエクスプローラー等で変更する。\nのいずれかの方法を"
    "取ってください。";

void ReportNothingCollected(Interaction& ui, const RenameSettings& settings) {
    ShowRunError(ui, DINFO_ERROR_NO_FILEINDIR_APP, 0, "");
    if (settings.CommonOption.AllAttributeFileRename == 0) {
        ui.ShowNotice(Notice::AttributeHint, platform::Sjis(kAttributeHint), 0);
    }
}

std::string Format(const char* utf8, int first, int second = 0) {
    std::string text = platform::Sjis(utf8);
    for (int value : {first, second}) {
        const std::size_t at = text.find("%d");
        if (at == std::string::npos) break;
        text.replace(at, 2, std::to_string(value));
    }
    return text;
}

// What a run gives its reports, one entry per target in run order: where each target was and
// where it went (empty past the target a run stopped at), its status before and after.
struct RunLists {
    std::vector<std::string> sources;
    std::vector<std::string> newPaths;
    std::vector<settings::FileStatusRecord> before;
    std::vector<settings::FileStatusRecord> after;
    std::vector<Conflict> conflicts;  // what the plan says of each row (previews)
    std::vector<bool> done;           // each row was changed (real runs)
};

// The row's word for what the plan says of a target.
Conflict RowConflict(Verdict verdict) {
    switch (verdict) {
        case Verdict::Chain:
            return Conflict::Chain;
        case Verdict::Cycle:
            return Conflict::Cycle;
        case Verdict::Duplicate:
            return Conflict::Duplicate;
        case Verdict::Exists:
            return Conflict::Exists;
        case Verdict::Refused:
            return Conflict::Refused;
        case Verdict::Ok:
        case Verdict::Unchanged:
            break;
    }
    return Conflict::None;
}

// Shows the run's rows. The lists are lent to the list and given back afterwards: a run of many
// files must not hold them twice.
void ShowRows(const RenameSettings& s, Interaction& ui, RunLists& lists, bool preview) {
    ResultList list;
    list.showAttributes = s.AttributeOption.EnableAttribute != 0;
    const bool times = s.TimeStampOption.EnableTimeStamp != 0;
    list.showCreation = times && s.TimeStampOption.EnableMakeTime != 0;
    list.showModification = times && s.TimeStampOption.EnableUpdateTime != 0;
    list.showAccess = times && s.TimeStampOption.EnableLastAccessTime != 0;
    list.openSourceOnDoubleClick = preview;
    list.sources = std::move(lists.sources);
    list.targets = std::move(lists.newPaths);
    list.before = std::move(lists.before);
    list.after = std::move(lists.after);
    if (preview) list.conflicts = std::move(lists.conflicts);
    ui.ShowResultList(list);
    lists.sources = std::move(list.sources);
    lists.newPaths = std::move(list.targets);
    lists.before = std::move(list.before);
    lists.after = std::move(list.after);
}

}  // namespace

namespace {

// A run works on a folder named in full: never on no folder, on a relative path that would name
// whatever folder is current, or on the root of the whole system however it is written ("/.",
// "/tmp/..", a link to "/"). 0, or 1001 with a line that says why for the root.
int CheckRunFolder(const std::string& folder, platform::FileSystem& fileSystem,
                   std::string& detail) {
    if (!platform::IsAbsolutePath(folder)) return DINFO_ERROR_NO_COUNTDIR_APP;
    std::string canonical;
    if (platform::LexicallyNormal(folder) == "/" ||
        (fileSystem.CanonicalPath(folder, canonical) == 0 && canonical == "/")) {
        detail = platform::Sjis("ファイルシステムのルート(/)は処理の対象にできません。");
        return DINFO_ERROR_NO_COUNTDIR_APP;
    }
    return kSuccess;
}

// Keeps a run's folder anchored (FileSystem::Anchor) from its listing to the end of the run: the
// changes below it reach the folders listed, never a link put in their place.
class RunAnchor {
  public:
    explicit RunAnchor(platform::FileSystem& fileSystem) : m_fileSystem(fileSystem) {}
    ~RunAnchor() {
        if (m_anchored) m_fileSystem.Anchor({});
    }
    RunAnchor(const RunAnchor&) = delete;
    RunAnchor& operator=(const RunAnchor&) = delete;

    int Set(const std::string& folder) {
        const int error = m_fileSystem.Anchor(folder);
        m_anchored = error == 0;
        return error;
    }

  private:
    platform::FileSystem& m_fileSystem;
    bool m_anchored = false;
};

TargetRequest RunTargetRequest(const RenameSettings& s, platform::FileSystem* fileSystem = nullptr,
                               const UndoJournal* journal = nullptr) {
    const bool folders = s.SelectFile.FreeFileSelect == 0 && s.RenameOption.EnableRename == 0 &&
                         s.StringChangeOption.EnableStringChange == 0 &&
                         s.TimeStampOption.EnableTimeStamp == 0 && s.CommonOption.DirRename != 0;
    const bool allAttributes = s.CommonOption.AllAttributeFileRename != 0;
    TargetRequest request;
    request.root = s.SelectFile.FullPath;
    request.filter = s.SelectFile.FileFilter;
    request.fullPaths = true;
    request.sortCondition = s.CommonOption.SortCondition;
    request.sortDirection = s.CommonOption.SortDirection;
    request.naturalOrder = s.CommonOption.NaturalOrder != 0;
    request.listingMode = allAttributes ? (folders ? kListAll : kListFiles)
                                        : (folders ? kListAllWithinMask : kListFilesWithinMask);
    request.attributeMask = kRunAttributeMask;
    request.recursive = s.SelectFile.IncludeSubDir != 0;
    // The journals are the program's own: a run never renames them, wherever they lie.
    platform::FileIdentity state;
    if (fileSystem != nullptr && journal != nullptr &&
        fileSystem->GetIdentity(journal->Folder(), state) == 0) {
        request.skipFolders.push_back(state);
    }
    return request;
}

// True when a real run may compose its first targets while the statuses of the later ones are
// still being read: the order does not depend on the statuses (not by time or size). A real run
// makes its whole plan before it changes anything, so its bar and its logs' header still get the
// exact total before the first change.
bool CanStream(const RenameSettings& s, bool preview) {
    return !preview && !SortsByStatus(s.CommonOption.SortCondition) &&
           Admits(RunTargetRequest(s).listingMode, 0, 0) >= 0;
}

}  // namespace

int CollectRunTargets(const RenameSettings& s, platform::FileSystem& fileSystem,
                      std::vector<std::string>& targets, int& largestPerFolder,
                      std::vector<platform::FileStatus>* statuses) {
    largestPerFolder = 0;
    return CollectTargets(RunTargetRequest(s), fileSystem, targets, largestPerFolder, statuses);
}

namespace {

// The targets of a run, ready for the engine.
struct Targets {
    std::unique_ptr<TargetFeed> feed;
    int largestPerFolder = 0;
    bool listed = false;  // a given list, not a folder's listing
    std::unique_ptr<ListedNames> names = std::make_unique<ListedNames>();
};

// Collects the targets (a folder's, or the free list); 0 or the code already shown. A folder is
// anchored first.
int CollectForRun(const RenameSettings& s, const RunContext& context, Interaction& ui, bool preview,
                  const std::vector<std::string>* freeList,
                  const std::vector<platform::FileStatus>* freeStatuses, RunAnchor& anchor,
                  Targets& targets) {
    if (s.SelectFile.FreeFileSelect != 0 && (freeList == nullptr || freeList->empty())) {
        return ShowRunError(ui, MRVN_ERROR_NOT_RENFILE_STR, 0, ""), MRVN_ERROR_NOT_RENFILE_STR;
    }
    if (freeList != nullptr) {
        // A list whose files all lie right in one folder is anchored there, as a listed folder
        // is: read and changed from its handle, never through a link put in its place. A list
        // across folders, or one naming a folder by its path with the separator, is reached by
        // its paths (a folder between them may be a link).
        const std::string_view shared = platform::FolderPartOf(freeList->front());
        if (!shared.empty() &&
            std::all_of(freeList->begin(), freeList->end(), [&](const std::string& path) {
                return path.size() > shared.size() && platform::FolderPartOf(path) == shared;
            })) {
            anchor.Set(std::string(shared));
        }
        // The statuses a caller read a moment ago are taken; else they are read as a listing's
        // are, ahead of the run and on two threads for a long list.
        targets.feed =
            freeStatuses != nullptr
                ? std::make_unique<TargetFeed>(*freeList, *freeStatuses)
                : std::make_unique<TargetFeed>(context.fileSystem, *freeList, context.stop);
        targets.largestPerFolder = static_cast<int>(freeList->size());
        targets.listed = true;
        return kSuccess;
    }
    std::string detail;
    if (const int code = CheckRunFolder(s.SelectFile.FullPath, context.fileSystem, detail)) {
        return ShowRunError(ui, code, 0, "", detail), code;
    }
    if (const int error = anchor.Set(s.SelectFile.FullPath)) {
        ShowRunError(ui, DINFO_ERROR_NO_COUNTDIR_APP, 0, "",
                     s.SelectFile.FullPath + " : " + platform::Cp932FromUtf8(std::strerror(error)));
        return DINFO_ERROR_NO_COUNTDIR_APP;
    }
    ui.BeginWait();
    TargetRequest request = RunTargetRequest(s, &context.fileSystem, context.journal);
    request.stop = context.stop;
    request.listedNames = targets.names.get();
    std::vector<std::string> paths;
    int code = kSuccess;
    if (CanStream(s, preview)) {
        // The entries in their final order first (names only: quick); which of them are
        // targets, and their statuses, follow on a second thread while the run works.
        const int mode = request.listingMode;
        request.listingMode = ModeWithoutMask(mode);
        code = CollectTargets(request, context.fileSystem, paths, targets.largestPerFolder);
        if (code == kSuccess) {
            targets.feed = std::make_unique<TargetFeed>(context.fileSystem, std::move(paths), mode,
                                                        request.attributeMask, context.stop);
        }
    } else {
        // A folder's listing reads every entry's status anyway; the run takes it from there.
        std::vector<platform::FileStatus> statuses;
        code =
            CollectTargets(request, context.fileSystem, paths, targets.largestPerFolder, &statuses);
        if (code == kSuccess)
            targets.feed = std::make_unique<TargetFeed>(std::move(paths), std::move(statuses));
    }
    const std::string* first = nullptr;
    const platform::FileStatus* status = nullptr;
    const bool any = code == kSuccess && targets.feed->Get(0, first, status);
    ui.EndWait();
    // Stopped while the statuses were read: nothing was planned.
    if (code == MRVN_STOPPED_BY_USER) return code;
    if (code != kSuccess) return ShowRunError(ui, code, 0, ""), code;
    if (!any) return ReportNothingCollected(ui, s), DINFO_ERROR_NO_FILEINDIR_APP;
    return kSuccess;
}

// Runs an engine set up from the record on the targets; what the run gives its reports goes to
// `lists`.
EngineResult RunEngine(const RenameSettings& s, const RunContext& context, Interaction& ui,
                       bool preview, Targets targets, const std::vector<std::string>* newNames,
                       RunLists& lists) {
    const bool real = !preview;
    EngineConfig config = ConfigFromSettings(s, context.fileSystem.TemporaryFolder());
    config.maxPerFolder = targets.largestPerFolder;
    config.options.listedTargets = targets.listed;
    // The set-up check's folder questions reach the user also in an auto-exec run.
    RenameEngine engine(context.fileSystem, context.clock, context.interaction, std::move(config));
    engine.SetTargets(std::move(targets.feed));
    if (newNames != nullptr) engine.SetExplicitNames(*newNames);
    // Every real run is journaled, whatever the window's own Undo preference says.
    if (real) engine.SetJournal(context.journal);
    engine.SetStopRequest(context.stop);
    engine.SetListedNames(targets.names.get());

    ui.BeginWait();
    if (real) ui.ProgressReset();
    // A bar moves in real runs and waits for the total; a line follows previews too, with the
    // total known so far, so that the run can still start while the targets are being listed.
    if (real && ui.ShowsProgress()) {
        engine.SetProgress(RenameEngine::Progress::ExactTotal);
    } else if (ui.ShowsProgressLine()) {
        engine.SetProgress(RenameEngine::Progress::TotalSoFar);
    }
    const EngineResult result = engine.Run(real);
    ui.EndWait();
    lists.before = std::move(engine.Before());
    lists.after = std::move(engine.After());
    if (preview) {
        lists.conflicts.reserve(engine.Changes().size());
        for (const Change& change : engine.Changes())
            lists.conflicts.push_back(RowConflict(change.verdict));
    } else {
        lists.done.reserve(engine.Changes().size());
        for (const Change& change : engine.Changes())
            lists.done.push_back(change.outcome == Change::Outcome::Done);
    }
    lists.sources = engine.TakeTargets();
    lists.newPaths = engine.TakeNewPaths(lists.sources, real);
    return result;
}

// The document's undo data of the last real run: its paths and the statuses before and after
// (the window's Undo checks and previews them, and takes back from them where there is no
// journal). Kept only where undo is on and the run renamed; a preview leaves them to the run
// they describe.
void KeepUndoData(RenameSettings& s, bool preview, const EngineResult& result, RunLists& lists) {
    if (!preview && s.Preferences.UndoFlag != 0) {
        s.Undo = {};
        s.BeforeStatus.clear();
        s.AfterStatus.clear();
        if (s.CopyToDir.EnableCopy == 0) {
            s.Undo.ValidCount = static_cast<int>(lists.sources.size());
            s.Undo.OldPaths = std::move(lists.sources);
            s.Undo.NewPaths = std::move(lists.newPaths);
            s.BeforeStatus = std::move(lists.before);
            s.AfterStatus = std::move(lists.after);
        }
    }
    // Only the targets before the one a run stopped at were done (none of a preview). A run that
    // ordered its moves may have done others: its journal, which the undo takes them back from,
    // knows which.
    if (result.code != kSuccess) s.Undo.ValidCount = result.doneCount;
}

// Stopped on purpose: no error, and the undo is the user's own choice. The list shows what was
// done, where a finished run would have shown its list.
void ReportStopped(const RenameSettings& s, Interaction& ui, RunLists& lists, int doneCount,
                   bool preview) {
    ui.ProgressReset();
    if (preview) return;
    ui.ShowNotice(Notice::Stopped, StoppedMessage(doneCount), doneCount);
    if (s.CommonOption.ViewDetailResult == 0 || doneCount == 0) return;
    // The plan may have changed them in another order than the list's: the rows done, in the
    // list's order.
    std::size_t kept = 0;
    for (std::size_t i = 0; i < lists.done.size() && i < lists.sources.size(); ++i) {
        if (!lists.done[i]) continue;
        if (kept != i) {
            lists.sources[kept] = std::move(lists.sources[i]);
            lists.newPaths[kept] = std::move(lists.newPaths[i]);
            if (i < lists.before.size()) lists.before[kept] = lists.before[i];
            if (i < lists.after.size()) lists.after[kept] = lists.after[i];
        }
        ++kept;
    }
    lists.sources.resize(kept);
    lists.newPaths.resize(kept);
    lists.before.resize(std::min(kept, lists.before.size()));
    lists.after.resize(std::min(kept, lists.after.size()));
    ShowRows(s, ui, lists, false);
}

void ReportFailure(RenameSettings& s, const RunContext& context, Interaction& ui,
                   const EngineResult& result, bool preview) {
    ShowRunError(ui, result.code, result.systemError, result.currentPath, result.detail);
    ui.ProgressReset();
    if (preview) return;
    // A copy run leaves its sources as they were: there is nothing to take back.
    if (result.doneCount == 0 || s.CopyToDir.EnableCopy != 0) {
        ui.ShowMessage(platform::Sjis("処理が中断しました。\n指定の全ファイルの変換が行われていませ"
                                      "ん(続行は不可能です)。"),
                       MessageIcon::None);
    } else if (ui.AskYesNo(Question::UndoAfterFailure,
                           Format("処理が中断しました。\n%d個目のファイルまで変換しました。\n%"
                                  "d個目以降のファイル変換が行われていません(続行は不可能です)"
                                  "。\nリネームされてしまったファイルを元に戻しますか？(Undo)",
                                  result.doneCount, result.doneCount + 1))) {
        Undo(s, context);
    }
}

void ReportSuccess(RenameSettings& s, Interaction& ui, RunLists& lists, int doneCount) {
    if (s.CommonOption.ViewDetailResult != 0) {
        ui.ShowNotice(Notice::DoneListFollows,
                      Format("変換完了。\n%d個のファイル名を変換しました。\n[OK]"
                             "ボタンを押すと変換したファイルの一覧を表示します。",
                             doneCount),
                      doneCount);
        ShowRows(s, ui, lists, false);
    } else {
        ui.ShowMessage(RunDoneMessage(doneCount), MessageIcon::None);
    }
    if (s.SelectFile.FreeFileSelect != 0 && s.Preferences.DAndDListClear != 0)
        s.FreeFileList.clear();
    ui.ProgressReset();
}

}  // namespace

RunOutcome StartRun(RenameSettings& s, const RunContext& context, bool preview,
                    const std::vector<std::string>* freeList,
                    const std::vector<std::string>* newNames,
                    const std::vector<platform::FileStatus>* freeStatuses) {
    SilentInteraction silent(context.interaction);
    Interaction& ui = s.AutoExecMode != 0 ? silent : context.interaction;
    RunOutcome outcome;
    Targets targets;
    RunAnchor anchor(context.fileSystem);
    outcome.resultCode =
        CollectForRun(s, context, ui, preview, freeList, freeStatuses, anchor, targets);
    if (outcome.resultCode == MRVN_STOPPED_BY_USER) {
        RunLists none;
        ReportStopped(s, ui, none, 0, preview);
    }
    if (outcome.resultCode != kSuccess) return outcome;

    RunLists lists;
    const EngineResult result =
        RunEngine(s, context, ui, preview, std::move(targets), newNames, lists);
    outcome = {result.code, result.doneCount, result.systemError, result.currentPath,
               result.detail};
    if (result.code == MRVN_STOPPED_BY_USER) {
        ReportStopped(s, ui, lists, result.doneCount, preview);
        KeepUndoData(s, preview, result, lists);
    } else if (result.code != kSuccess) {
        KeepUndoData(s, preview, result, lists);
        ReportFailure(s, context, ui, result, preview);
    } else if (preview) {
        ShowRows(s, ui, lists, true);
    } else {
        ReportSuccess(s, ui, lists, result.doneCount);
        KeepUndoData(s, preview, result, lists);
    }
    return outcome;
}

namespace {

// The records of the last run as the document's undo data hold them, for a run made without a
// journal: each target's status before the run says which file it was.
journal::Run RecordsOfUndoData(const RenameSettings& s, std::size_t valid) {
    journal::Run run;
    std::uint32_t changes = 0;
    if (s.AttributeOption.EnableAttribute != 0 || s.CommonOption.AllAttributeFileRename != 0) {
        changes |= journal::kAttributes;
    }
    if (s.TimeStampOption.EnableTimeStamp != 0) changes |= journal::kTimes;
    for (std::size_t i = 0; i < valid; ++i) {
        journal::Record& record = run.records.emplace_back();
        record.state = journal::State::Done;
        record.oldPath = s.Undo.OldPaths[i];
        record.newPath = s.Undo.NewPaths[i];
        record.changes = changes | (record.oldPath != record.newPath ? journal::kMoved : 0u);
        if (i < s.BeforeStatus.size()) record.before = s.BeforeStatus[i].Status;
        const platform::FileStatus& after =
            i < s.AfterStatus.size() ? s.AfterStatus[i].Status : record.before;
        record.afterModification = after.modification;
        // Times are set in whole seconds, as the journal records them.
        record.afterModificationNs =
            s.TimeStampOption.EnableTimeStamp != 0 ? 0 : after.modificationNs;
    }
    return run;
}

// The message followed by the records the undo left as they were (the first twenty).
std::string WithProblems(std::string text, const UndoReport& report) {
    constexpr std::size_t kShown = 20;
    for (std::size_t i = 0; i < report.problems.size() && i < kShown; ++i)
        text += "\n" + report.problems[i];
    if (report.problems.size() > kShown) {
        text += platform::Sjis("\n…ほか") + std::to_string(report.problems.size() - kShown) +
                platform::Sjis("件");
    }
    return text;
}

}  // namespace

void Undo(RenameSettings& s, const RunContext& context) {
    Interaction& ui = context.interaction;
    settings::UndoData& undo = s.Undo;
    if (undo.OldPaths.empty() || undo.NewPaths.empty() || undo.ValidCount <= 0) {
        ui.ShowNotice(Notice::NoUndoData, NoUndoDataMessage(), 0);
        return;
    }
    const auto valid = std::min(
        {static_cast<std::size_t>(undo.ValidCount), undo.OldPaths.size(), undo.NewPaths.size()});
    ResultList preview;
    preview.sources.assign(undo.NewPaths.begin(),
                           undo.NewPaths.begin() + static_cast<std::ptrdiff_t>(valid));
    preview.targets.assign(undo.OldPaths.begin(),
                           undo.OldPaths.begin() + static_cast<std::ptrdiff_t>(valid));
    preview.before.assign(
        s.AfterStatus.begin(),
        s.AfterStatus.begin() + static_cast<std::ptrdiff_t>(std::min(valid, s.AfterStatus.size())));
    preview.after.assign(s.BeforeStatus.begin(),
                         s.BeforeStatus.begin() +
                             static_cast<std::ptrdiff_t>(std::min(valid, s.BeforeStatus.size())));
    if (!ui.ConfirmUndo(preview)) return;

    ui.BeginWait();
    ui.ProgressReset();
    // The window's undo takes back the last run of this window, from that run's journal: the
    // same routine as the command line's, so both restore the same things the same way.
    UndoReport report;
    const bool journaled = context.journal != nullptr && !context.journal->RunPath().empty();
    if (journaled) {
        report = UndoRun(context.journal->RunPath(), context.fileSystem, &ui, context.stop);
    } else {
        report = UndoRecords(
            RecordsOfUndoData(s, valid), context.fileSystem, &ui, [](std::size_t) { return 0; }, {},
            context.stop);
    }
    ui.EndWait();
    if (report.stopped) {
        // The undo data stay: the next Undo goes on with the files not reached.
        ui.ShowMessage(WithProblems(UndoStoppedMessage(report.restored), report),
                       MessageIcon::None);
        ui.ProgressReset();
        return;
    }
    if (!report.Complete()) {
        std::string text = UndoFailedMessage();
        if (report.error != 0) {
            text += "\n" + context.journal->RunPath() + " : " +
                    platform::Cp932FromUtf8(std::strerror(report.error));
        }
        if (report.damaged != 0) {
            text += platform::Sjis("\nUndo用の記録ファイルが壊れています(") +
                    std::to_string(report.damaged) + platform::Sjis("件)。");
        }
        ui.ShowMessage(WithProblems(std::move(text), report), MessageIcon::None);
        ui.ProgressReset();
        return;
    }
    ui.ShowMessage(UndoDoneMessage(), MessageIcon::None);
    undo = {};
    s.BeforeStatus.clear();
    s.AfterStatus.clear();
    ui.ProgressReset();
}

void SaveTargetList(const RenameSettings& s, const RunContext& context, const std::string& path) {
    std::vector<std::string> targets;
    if (s.SelectFile.FreeFileSelect != 0) {
        targets = s.FreeFileList;
    } else {
        int largest = 0;
        const int code = CollectRunTargets(s, context.fileSystem, targets, largest);
        if (code != kSuccess) {
            ShowRunError(context.interaction, code, 0, "");
            return;
        }
        if (targets.empty()) {
            ReportNothingCollected(context.interaction, s);
            return;
        }
    }
    std::string text;
    for (const auto& target : targets) text.append(target).append("\r\n");
    // A file that cannot be written is skipped without a message: the command says nothing.
    context.fileSystem.WriteFile(path, text);
}

}  // namespace morvanex::engine
