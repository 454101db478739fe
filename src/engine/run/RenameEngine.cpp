#include "engine/run/RenameEngine.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <unordered_set>

#include "engine/ResultCodes.h"
#include "engine/exif/ExifAccessor.h"
#include "engine/exif/ExifReader.h"
#include "engine/journal/Undo.h"
#include "engine/journal/UndoJournal.h"
#include "engine/naming/FileFacts.h"
#include "engine/naming/NameSteps.h"
#include "engine/plan/FolderTraits.h"
#include "platform/Codepage.h"
#include "platform/Paths.h"

namespace morvanex::engine {

namespace {

using platform::attr::kArchive;
using platform::attr::kDirectory;
using platform::attr::kHidden;
using platform::attr::kNormal;
using platform::attr::kReadOnly;
using platform::attr::kSystem;

constexpr std::int64_t kLimitWithoutDigits = 99999999;
// The digit lists offer one to eight digits.
constexpr int kMostDigits = 8;

std::int64_t LargestNumberOf(int digits) {
    if (digits <= 0) return kLimitWithoutDigits;
    std::int64_t largest = 1;
    for (int i = 0; i < digits && i < 18; ++i) largest *= 10;
    return largest - 1;
}

bool IsSequence(PartType kind) {
    return kind == settings::kPartSequence || kind == settings::kPartFolderSequence;
}

// The same folder as far as the run's folder change is concerned: case-insensitive, first 260
// bytes, as the program compares folder texts.
bool SameFolder(std::string_view a, std::string_view b) {
    a = a.substr(0, platform::kTextBufferSize);
    b = b.substr(0, platform::kTextBufferSize);
    return platform::EqualNoCase(a, b);
}

// A name that would leave its folder or name no file at all is never used.
bool IsUsableName(std::string_view name) {
    return !name.empty() && name != "." && name != ".." &&
           name.find('/') == std::string_view::npos && name.find('\0') == std::string_view::npos;
}

}  // namespace

bool HasForbiddenCharacter(std::string_view text) {
    for (std::size_t i = 0; i < text.size(); i += platform::CharSizeAt(text, i)) {
        if (platform::CharSizeAt(text, i) != 1) continue;
        switch (text[i]) {
            case '\\':
            case '/':
            case ':':
            case '*':
            case '?':
            case '"':
            case '<':
            case '>':
            case '|':
                return true;
            default:
                break;
        }
    }
    return false;
}

void CreateFolderTree(platform::FileSystem& fileSystem, const std::string& path) {
    if (path.empty() || fileSystem.CanEnter(path)) return;
    const std::string folder = platform::WithoutTrailingSeparator(path);
    const std::string parent = platform::DirectoryOf(folder);
    if (!parent.empty() && parent != folder) CreateFolderTree(fileSystem, parent);
    fileSystem.CreateFolder(folder);
}

RenameEngine::RenameEngine(platform::FileSystem& fileSystem, const platform::Clock& clock,
                           Interaction& interaction, EngineConfig config)
    : m_fileSystem(fileSystem),
      m_clock(clock),
      m_interaction(interaction),
      m_composer(std::move(config.parts), std::move(config.rules)),
      m_options(std::move(config.options)),
      m_maxPerFolder(std::max(1, config.maxPerFolder)) {}

int RenameEngine::SetTargets(std::vector<std::string> targets,
                             std::vector<platform::FileStatus> statuses) {
    if (targets.empty()) return MRVN_PARAMETER_ERROR;
    m_targets = std::make_unique<TargetFeed>(std::move(targets), std::move(statuses));
    return kSuccess;
}

int RenameEngine::SetTargets(std::unique_ptr<TargetFeed> feed) {
    if (feed == nullptr || feed->UpperBound() == 0) return MRVN_PARAMETER_ERROR;
    m_targets = std::move(feed);
    return kSuccess;
}

std::vector<std::string> RenameEngine::TakeTargets() {
    if (!m_targets) return {};
    std::vector<std::string> paths = m_targets->TakePaths();
    m_targets.reset();
    return paths;
}

void RenameEngine::SetExplicitNames(std::vector<std::string> names) {
    m_explicitNames = std::move(names);
}

int RenameEngine::CheckSetup(bool real) {
    EngineOptions& o = m_options;
    if (o.copy && o.copyDestination.empty()) return MRVN_ERROR_NO_COPYTOSTR;
    // A folder text that cannot take a separator (it ends inside a character) names no folder;
    // and a relative one would name whatever folder is current.
    if (!o.copyDestination.empty())
        o.copyDestination = platform::WithTrailingSeparator(o.copyDestination);
    if (o.copy && !o.copyDestination.starts_with(platform::kSeparator))
        return MRVN_ERROR_NO_COPYTOSTR;
    if (!o.logFolder.empty()) o.logFolder = platform::WithTrailingSeparator(o.logFolder);
    if ((o.textLog || o.batchLog) && !o.logFolder.starts_with(platform::kSeparator)) {
        return MRVN_ERROR_NO_LOGWRITEDIR;
    }

    const bool logging = o.textLog || o.batchLog;
    if (real) {
        if (o.copy && !m_fileSystem.CanEnter(o.copyDestination)) {
            if (!m_interaction.AskYesNo(Question::CreateCopyFolder, CopyFolderQuestion())) {
                return MRVN_ERROR_NO_COPYTO;
            }
            CreateFolderTree(m_fileSystem, o.copyDestination);
        }
        if (logging && !m_fileSystem.CanEnter(o.logFolder)) {
            if (!m_interaction.AskYesNo(Question::CreateLogFolder, LogFolderQuestion())) {
                return MRVN_ERROR_NO_LOGWRITEDIR;
            }
            CreateFolderTree(m_fileSystem, o.logFolder);
        }
    } else {
        if (o.copy && !m_fileSystem.CanEnter(o.copyDestination)) {
            m_interaction.ShowMessage(
                platform::Sjis("指定されたフォルダ(コピー先フォルダ)は存在しません(警告)。"),
                MessageIcon::None);
        }
        if (logging && !m_fileSystem.CanEnter(o.logFolder)) {
            m_interaction.ShowMessage(
                platform::Sjis("指定されたフォルダ(ログ保存フォルダ)は存在しません(警告)。"),
                MessageIcon::None);
        }
    }

    const NameRules& rules = m_composer.Rules();
    const PartTable& parts = m_composer.Parts();
    if (rules.rename) {
        const int n = parts.PartCount();
        if (n < 1) return MRVN_ERROR_NO_RENFORMAT;
        bool producesSomething = false;
        for (int i = 0; i < n; ++i) {
            const PartType kind = parts.Entry(i).kind;
            if (kind != settings::kPartNone && kind != settings::kPartPeriod) {
                producesSomething = true;
            }
        }
        if (!producesSomething) return MRVN_ERROR_NO_RENFORMAT;
        const int entries = parts.EntryCount();
        for (int i = 0; i < entries; ++i) {
            const PartEntry& entry = parts.Entry(i);
            if (entry.kind == settings::kPartFixedText && HasForbiddenCharacter(entry.text)) {
                m_setupDetail =
                    platform::Sjis("パーツ") + std::to_string(i % n + 1) + " : " + entry.text;
                return MRVN_ERROR_BAD_STRING_USED;
            }
        }
        for (int i = 0; i < entries; ++i) {
            // Beyond the list's eight digits a number would be padded without bound.
            if (IsSequence(parts.Entry(i).kind) &&
                (parts.Entry(i).digits < 0 || parts.Entry(i).digits > kMostDigits)) {
                return MRVN_ERROR_NO_DIGITNUM;
            }
        }
        // While targets are still arriving, the largest possible total decides first: a limit
        // it keeps is kept by the real total too (a run's last number grows with the total,
        // and with a negative step never exceeds the start); only a limit it breaks needs the
        // real total, waited for.
        const auto bound = static_cast<std::int64_t>(m_targets ? m_targets->UpperBound() : 0);
        int code = CheckSequenceLimits(m_options.numberReset ? m_maxPerFolder : bound);
        if (code == MRVN_ERROR_UPPER_NUM_OVER && m_targets != nullptr) {
            const auto exact = static_cast<std::int64_t>(m_targets->Count());
            if (exact < bound) {
                code = CheckSequenceLimits(
                    m_options.numberReset ? std::min<std::int64_t>(m_maxPerFolder, exact) : exact);
            }
        }
        if (code != kSuccess) return code;
    }
    if (rules.alignDigits && (rules.digitWidth < 1 || rules.digitWidth > kMostDigits)) {
        return MRVN_ERROR_NO_DIGITNUM;
    }
    if (rules.replace) {
        for (std::size_t p = 0; p < rules.after.size(); ++p) {
            if (HasForbiddenCharacter(rules.after[p])) {
                m_setupDetail = platform::Sjis("置換後の文字列") + std::to_string(p + 1) + " : " +
                                rules.after[p];
                return MRVN_ERROR_BAD_STRING_USED;
            }
        }
        // Compiled here, once for the whole run; a pattern that cannot be used stops it now.
        if (const int code = m_composer.PrepareReplacements(m_setupDetail)) return code;
    }
    return kSuccess;
}

int RenameEngine::CheckSequenceLimits(std::int64_t count) const {
    const PartTable& parts = m_composer.Parts();
    for (int i = 0; i < parts.EntryCount(); ++i) {
        const PartEntry& entry = parts.Entry(i);
        if (!IsSequence(entry.kind)) continue;
        // Counted in 64 bits: a long run with a large step must not wrap into a small number.
        const std::int64_t largest = LargestNumberOf(entry.digits);
        const std::int64_t last = entry.start + (count - 1) * std::int64_t{entry.step};
        if (entry.start > largest) return MRVN_ERROR_LOWER_NUM_OVER;
        if (last > largest) return MRVN_ERROR_UPPER_NUM_OVER;
    }
    return kSuccess;
}

EngineResult RenameEngine::Run(bool real) {
    EngineResult result;
    if (m_composer.Rules().rename) {
        m_counters.LoadStarts(m_composer.Parts());
    } else {
        m_counters.Clear();
    }
    result.code = CheckSetup(real);
    if (result.code != kSuccess) {
        result.detail = m_setupDetail;
        return result;
    }
    const std::string* source = nullptr;
    const platform::FileStatus* listed = nullptr;
    if (m_targets == nullptr || !m_targets->Get(0, source, listed)) {
        result.code = MRVN_ERROR_NOT_RENFILE_STR;
        return result;
    }
    // Given names belong to their targets one by one: a list of another length belongs to
    // another list of targets.
    if (m_explicitNames && m_explicitNames->size() != m_targets->Count()) {
        result.code = MRVN_PARAMETER_ERROR;
        return result;
    }
    const std::size_t bound = m_targets->UpperBound();
    m_changes.reserve(bound);
    m_before.reserve(bound);
    m_after.reserve(bound);

    // Every new name first: the plan is judged whole before anything changes. A name that
    // cannot be made ends the plan there.
    m_previousFolder.clear();
    // The state folder is known before the plan: nothing in it is given a new name.
    m_ownFiles.clear();
    m_stateFolder = {};
    m_folderChecked.clear();
    m_folderIsState = false;
    {
        // The preview shows it as the run will leave it.
        const std::string stateFolder =
            m_journal != nullptr ? m_journal->Folder() : UndoJournal::DefaultFolder();
        if (!stateFolder.empty()) m_fileSystem.GetIdentity(stateFolder, m_stateFolder);
    }
    const bool lineProgress = !real && m_progress != Progress::Off;
    std::size_t composed = 0;
    int composeCode = kSuccess;
    std::string composeDetail;
    for (; m_targets->Get(composed, source, listed); ++composed) {
        // A stop while the plan is made leaves everything as it was.
        if (m_stop != nullptr && m_stop->Requested()) {
            result.code = MRVN_STOPPED_BY_USER;
            return result;
        }
        m_changes.emplace_back();
        m_before.emplace_back();
        m_after.emplace_back();
        composeCode = ComposeTarget(composed, *source, listed, real, composeDetail);
        if (composeCode != kSuccess) break;
        if (lineProgress) {
            const std::size_t total =
                m_progress == Progress::ExactTotal ? m_targets->Count() : m_targets->TotalSoFar();
            m_interaction.Progress(static_cast<unsigned>(total), static_cast<int>(composed + 1));
        }
    }
    // A feed cut short by the stop ends the loop as the last target would: the plan is not whole.
    if (m_stop != nullptr && m_stop->Requested()) {
        result.code = MRVN_STOPPED_BY_USER;
        return result;
    }
    const std::size_t count = m_targets->Count();
    // Every composed target's status is in the before-status list now.
    m_targets->DropStatuses();
    m_changes.resize(count);
    m_before.resize(count);
    m_after.resize(count);
    const auto composeFailure = [&] {
        result.code = composeCode;
        result.detail = std::move(composeDetail);
        result.currentPath = m_refusedPath.empty() ? SourceOf(composed) : m_refusedPath;
        // A name that outgrew every limit.
        if (composeCode == MRVN_ERROR_SYSTEM_ERROR) result.systemError = ENAMETOOLONG;
    };

    if (!real) {
        // The preview shows the plan as the run would meet it.
        if (composeCode != kSuccess) {
            composeFailure();
            return result;
        }
        if (m_options.wholeRun) {
            if (!CheckWholePlan(composed)) {
                result.code = MRVN_STOPPED_BY_USER;
                return result;
            }
        } else {
            PlanCheck check = CheckComposed(composed, false);
            if (check.stopped) {
                result.code = MRVN_STOPPED_BY_USER;
                return result;
            }
            for (std::size_t i = 0; i < composed; ++i) m_changes[i].verdict = check.verdicts[i];
        }
        result.doneCount = static_cast<int>(composed);
        if (m_progress != Progress::Off) m_interaction.ProgressDone();
        return result;
    }

    std::vector<PlanStep> steps;
    if (m_options.wholeRun) {
        // Nothing is changed by a plan that cannot be carried out whole.
        if (composeCode != kSuccess) {
            composeFailure();
            return result;
        }
        std::optional<std::vector<PlanStep>> planned = CheckWholePlan(composed);
        if (!planned) {
            result.code = MRVN_STOPPED_BY_USER;
            return result;
        }
        steps = std::move(*planned);
        if ((result.code = RefuseConflicts(composed, result)) != kSuccess) return result;
    }
    if ((result.code = BeginRecords(result)) != kSuccess) return result;
    result.code = m_options.wholeRun ? ApplyPlan(steps, result) : ApplyInOrder(composed, result);
    // In the targets' order, the run meets a name it cannot make where it comes.
    if (result.code == kSuccess && composeCode != kSuccess) composeFailure();
    if (m_journal != nullptr) {
        // Cut by someone inside the page the run wrote last, the journal takes the stores without
        // a fault and loses them: only its size tells.
        if (const int error = m_journal->EndRun();
            error != 0 && result.code != MRVN_ERROR_NO_JOURNAL) {
            result.code = JournalFailure(error, result, m_lastJournaled);
        }
    }
    if (m_log) m_log->Finish();
    m_log.reset();
    if (result.code == kSuccess && m_progress != Progress::Off) m_interaction.ProgressDone();
    return result;
}

const std::string& RenameEngine::SourceOf(std::size_t index) {
    static const std::string kNone;
    const std::string* source = nullptr;
    const platform::FileStatus* listed = nullptr;
    return m_targets->Get(index, source, listed) ? *source : kNone;
}

PlanCheck RenameEngine::CheckComposed(std::size_t count, bool wholeRun) {
    // The composed targets, read where they are.
    class Composed final : public PlannedMoves {
      public:
        Composed(RenameEngine& engine, std::size_t count) : m_engine(engine), m_count(count) {}
        std::size_t Size() const override { return m_count; }
        PlannedMove At(std::size_t i) const override {
            const Change& change = m_engine.m_changes[i];
            return {m_engine.SourceOf(i), change.newPath, change.moves, change.folder};
        }

      private:
        RenameEngine& m_engine;
        std::size_t m_count;
    };
    // The one place that says how the destination folders compare names.
    FileSystemFolders folders(m_fileSystem, m_listedNames);
    return CheckPlan(Composed(*this, count), {m_options.copy, wholeRun, m_stop}, folders);
}

std::optional<std::vector<PlanStep>> RenameEngine::CheckWholePlan(std::size_t count) {
    PlanCheck check = CheckComposed(count, true);
    if (check.stopped) return std::nullopt;
    for (std::size_t i = 0; i < count; ++i) m_changes[i].verdict = check.verdicts[i];
    return std::move(check.steps);
}

int RenameEngine::RefuseConflicts(std::size_t count, EngineResult& result) {
    std::size_t first = count;
    std::size_t more = 0;
    for (std::size_t i = 0; i < count; ++i) {
        if (!IsConflict(m_changes[i].verdict)) continue;
        if (first == count) {
            first = i;
        } else {
            ++more;
        }
    }
    if (first == count) return kSuccess;
    const Change& change = m_changes[first];
    result.currentPath = SourceOf(first);
    int code = MRVN_ERROR_SAME_NAME_EXSIT;
    if (change.verdict == Verdict::Duplicate) code = MRVN_ERROR_SAME_NAME_EXSIT_PREVIEW;
    if (change.verdict == Verdict::Refused && change.folder &&
        !TraitsOf(platform::DirectoryOf(change.newPath)).noReplaceMove) {
        // Not the name: the folder's file system cannot move a folder safely.
        code = ChangeFailure(ENOTSUP, platform::DirectoryOf(change.newPath), true, result);
    } else if (change.verdict == Verdict::Refused) {
        code = MRVN_ERROR_BAD_STRING_USED;
        result.detail = platform::Sjis("変更後の名前 : ") + platform::FileNameOf(change.newPath);
    }
    if (more > 0) {
        if (!result.detail.empty()) result.detail += '\n';
        result.detail += platform::Sjis("ほかに") + std::to_string(more) +
                         platform::Sjis("個のファイルも変換できません。");
    }
    return code;
}

void RenameEngine::CountDone(EngineResult& result) {
    ++result.doneCount;
    if (m_progress == Progress::Off) return;
    const std::size_t total =
        m_progress == Progress::ExactTotal ? m_targets->Count() : m_targets->TotalSoFar();
    m_interaction.Progress(static_cast<unsigned>(total), result.doneCount);
}

int RenameEngine::ApplyInOrder(std::size_t count, EngineResult& result) {
    for (std::size_t i = 0; i < count; ++i) {
        if (m_stop != nullptr && m_stop->Requested()) return MRVN_STOPPED_BY_USER;
        const std::string& source = SourceOf(i);
        if (const int code = FinishTarget(i, source, result)) return code;
        CountDone(result);
    }
    return kSuccess;
}

int RenameEngine::ApplyPlan(const std::vector<PlanStep>& steps, EngineResult& result) {
    std::string parked;  // where the parked target of the ring under way waits
    std::size_t parkedIndex = 0;
    bool ringMoved = false;  // a target of that ring has its new name already
    bool unitStarts = true;
    for (const PlanStep& step : steps) {
        if (unitStarts && m_stop != nullptr && m_stop->Requested()) return MRVN_STOPPED_BY_USER;
        unitStarts = step.endsUnit;
        int code = kSuccess;
        switch (step.kind) {
            case PlanStep::Kind::Park:
                code = ParkTarget(step.target, parked, result);
                parkedIndex = step.target;
                ringMoved = false;
                break;
            // A target moved before a later write of it failed has its new name all the same.
            case PlanStep::Kind::Move:
                code = FinishTarget(step.target, SourceOf(step.target), result);
                if (m_changes[step.target].outcome == Change::Outcome::Done && !parked.empty())
                    ringMoved = true;
                break;
            case PlanStep::Kind::Unpark:
                code = FinishTarget(step.target, parked, result);
                if (m_changes[step.target].outcome == Change::Outcome::Done) parked.clear();
                break;
        }
        if (code != kSuccess) {
            if (!parked.empty() && step.kind != PlanStep::Kind::Park) {
                // Nothing else of the ring moved yet: the parked file goes back to its name.
                // Otherwise it waits under the temporary name for the undo, which the journal
                // makes possible; the message names it.
                if (ringMoved || m_fileSystem.Move(parked, SourceOf(parkedIndex),
                                                   ListedStatus(parkedIndex)) != 0) {
                    if (!result.detail.empty()) result.detail += '\n';
                    result.detail += platform::Sjis("一時的な名前で残っているファイル : ") + parked;
                }
            }
            return code;
        }
        if (step.kind != PlanStep::Kind::Park) CountDone(result);
    }
    return kSuccess;
}

int RenameEngine::ParkTarget(std::size_t index, std::string& parked, EngineResult& result) {
    const std::string& source = SourceOf(index);
    result.currentPath = source;
    const std::string folder = platform::DirectoryOf(source);
    const settings::FileStatusRecord& before = m_before[index];
    // A name of this process beside it; the move refuses one that is taken (by a file left
    // from a killed run of the same process number), and the next is tried.
    const std::string pid = std::to_string(::getpid());
    for (int attempt = 0;; ++attempt) {
        parked = folder + ".morvanex-swap-" + pid + "-" + std::to_string(index) +
                 (attempt == 0 ? "" : "-" + std::to_string(attempt));
        if (m_journal != nullptr) {
            if (const int error = m_journal->Intend(source, parked, {}, before.Status,
                                                    journal::kMoved | journal::kParked)) {
                parked.clear();
                return JournalFailure(error, result, m_lastJournaled);
            }
        }
        const int error = m_fileSystem.Move(source, parked, ListedStatus(index));
        if (error == 0) break;
        if (m_journal != nullptr && !m_journal->Void())
            return parked.clear(), JournalFailure(EIO, result, m_lastJournaled);
        if (error == EEXIST && attempt < 100) continue;
        parked.clear();
        return ChangeFailure(error, folder, m_changes[index].folder, result);
    }
    if (m_journal != nullptr &&
        !m_journal->Done(before.Status.modification, before.Status.modificationNs)) {
        return JournalFailure(EIO, result, index);
    }
    if (m_log) m_log->AppendBatchStep(result.doneCount + 1, parked, platform::FileNameOf(source));
    return kSuccess;
}

int RenameEngine::BeginRecords(EngineResult& result) {
    m_log.emplace(m_fileSystem,
                  RunLogOptions{m_options.textLog, m_options.batchLog, m_options.logFolder,
                                m_options.copy, m_options.copyDestination, m_options.wholeRun});
    m_ownFiles.clear();
    if (m_options.textLog || m_options.batchLog) {
        // A log that cannot be written is reported before anything is changed.
        std::string failed;
        if (const int error = m_log->Open(m_clock.Now(), static_cast<int>(m_targets->Count()),
                                          &failed, &result.detail)) {
            m_log.reset();
            result.systemError = error;
            result.currentPath = failed;
            return MRVN_ERROR_SYSTEM_ERROR;
        }
        for (const std::string* path : {&m_log->TextLogPath(), &m_log->BatchLogPath()}) {
            platform::FileIdentity identity;
            if (!path->empty() && m_fileSystem.GetIdentity(*path, identity) == 0)
                m_ownFiles.push_back(identity);
        }
    }
    if (m_journal != nullptr) {
        std::string root;
        std::vector<std::string> folders;
        if (m_options.listedTargets || m_options.rootFolder.empty()) {
            // A list: its files' folders, each once, and for the history the folder they share.
            std::unordered_set<std::string> seen;
            const std::string* path = nullptr;
            const platform::FileStatus* listed = nullptr;
            for (std::size_t i = 0; m_targets->Get(i, path, listed); ++i) {
                std::string folder = platform::DirectoryOf(*path);
                if (seen.insert(folder).second) folders.push_back(std::move(folder));
            }
            root = folders.empty() ? std::string() : folders.front();
            for (const std::string& folder : folders) {
                std::size_t common = 0;
                while (common < root.size() && common < folder.size() &&
                       root[common] == folder[common]) {
                    ++common;
                }
                root.resize(root.rfind(platform::kSeparator, common == 0 ? 0 : common - 1) + 1);
            }
        } else {
            root = m_options.rootFolder;
            folders.push_back(root);
        }
        if (m_options.copy && !m_options.copyDestination.empty())
            folders.push_back(m_options.copyDestination);
        m_lastJournaled = static_cast<std::size_t>(-1);
        if (const int error = m_journal->BeginRun(m_fileSystem, root, m_clock.Now(), folders))
            return JournalFailure(error, result, m_lastJournaled);
        platform::FileIdentity identity;
        if (m_fileSystem.GetIdentity(m_journal->RunPath(), identity) == 0)
            m_ownFiles.push_back(identity);
    }
    return kSuccess;
}

int RenameEngine::JournalFailure(int error, EngineResult& result, std::size_t changed) const {
    // The message names the journal (or the folder it was to be made in) and the reason.
    result.systemError = error;
    result.currentPath = m_journal == nullptr            ? std::string()
                         : !m_journal->RunPath().empty() ? m_journal->RunPath()
                                                         : m_journal->Folder();
    result.currentPath += " : " + platform::Cp932FromUtf8(std::strerror(error));
    if (m_journal == nullptr) return MRVN_ERROR_NO_JOURNAL;
    // A state folder or key that fails its check: which, and how to mend it.
    result.detail = m_journal->Problem();
    if (m_journal->RunPath().empty()) return MRVN_ERROR_NO_JOURNAL;
    // The message says that what was changed so far can be undone: true only while the journal
    // still holds every record. Cut under the run, it holds what is read back from it now.
    const long kept = m_journal->RecordedNow();
    const std::size_t written = m_journal->Written();
    if (kept >= 0 && static_cast<std::size_t>(kept) >= written) return MRVN_ERROR_NO_JOURNAL;
    result.detail = kept < 0
                        ? platform::Sjis(
                              "Undoの記録ファイルが処理中に切り詰められたため、この処理の変更は"
                              "記録に残っていません。")
                        : platform::Sjis(
                              "Undoの記録ファイルが処理中に切り詰められたため、記録に残っている"
                              "のは最初の") +
                              std::to_string(kept) + platform::Sjis("件の変更だけです。");
    const std::string* source = nullptr;
    const platform::FileStatus* listed = nullptr;
    if (changed < m_changes.size() && m_targets->Get(changed, source, listed)) {
        const std::size_t lost = written - static_cast<std::size_t>(std::max(kept, 0L));
        result.detail += platform::Sjis("\n記録されていない変更") +
                         (lost > 1 ? platform::Sjis("(最後のもの)") : std::string()) + " : " +
                         *source + " -> " + m_changes[changed].newPath;
    }
    return MRVN_ERROR_NO_JOURNAL;
}

bool RenameEngine::IsOwnFile(const platform::FileStatus& status, std::string_view path) {
    const std::string_view folder = platform::FolderPartOf(path);
    if (m_stateFolder != platform::FileIdentity{}) {
        // Targets come folder by folder: one look at each folder.
        if (folder != m_folderChecked) {
            m_folderChecked.assign(folder);
            platform::FileIdentity identity;
            m_folderIsState = m_fileSystem.GetIdentity(m_folderChecked, identity) == 0 &&
                              identity == m_stateFolder;
        }
        if (m_folderIsState || status.identity == m_stateFolder) return true;
    }
    if (status.identity == platform::FileIdentity{} ||
        std::find(m_ownFiles.begin(), m_ownFiles.end(), status.identity) == m_ownFiles.end()) {
        return false;
    }
    // The run's journal and logs are made after its targets were listed: a listed file that
    // shares one's identity was deleted since and its inode number given to it, unless its path
    // still leads there. Such a target is then no file of the run's, and its move fails.
    platform::FileIdentity now;
    return m_fileSystem.GetIdentity(path, now) == 0 && now == status.identity;
}

int RenameEngine::ComposeTarget(std::size_t index, const std::string& source,
                                const platform::FileStatus* listed, bool real,
                                std::string& detail) {
    settings::FileStatusRecord& before = m_before[index];
    platform::FileStatus status;
    Change& change = m_changes[index];
    if (listed != nullptr) {
        before.Status = *listed;
        change.known = true;
    } else if (m_fileSystem.GetStatus(source, status) == 0) {
        before.Status = status;
        change.known = true;
    }
    m_after[index] = before;
    FileFacts facts = SplitSourcePath(source, m_composer.Rules().extensionRule);
    facts.creation = before.Status.creation;
    facts.modification = before.Status.modification;

    ExifAccessor exif(m_fileSystem, source, m_options.exifReading, m_options.tagReading);
    std::string name;
    if (m_explicitNames) {
        name = (*m_explicitNames)[index];
    } else {
        if (m_composer.Rules().rename && m_options.numberReset &&
            !SameFolder(facts.folder, m_previousFolder)) {
            m_counters.RestartSequences(m_composer.Parts());
            if (index != 0) m_counters.AdvanceFolderNumbers(m_composer.Parts());
        }
        m_previousFolder.assign(facts.folder);
        if (const int code = m_composer.Compose(m_counters, facts, exif, name, &detail))
            return code;
        // The period is removed for systems that cannot hold a name ending in one; a name the
        // job leaves as the file's own already exists, and is left as it is.
        if (name != facts.fileName) RemoveTrailingPeriod(name);
    }
    if (!IsUsableName(name)) {
        detail = platform::Sjis("変更後の名前 : ") + name;
        return MRVN_ERROR_BAD_STRING_USED;
    }
    change.folder = (before.Status.attributes & kDirectory) != 0;
    if (m_options.copy) {
        const std::string folder = CopyFolderFor(std::string(facts.folder), false);
        change.newPath = folder + name;
        change.moves = true;
        if (const int code = CheckWindowsName(folder, name, detail)) {
            // The destination is refused, not the source.
            m_refusedPath = change.newPath;
            return code;
        }
    } else {
        change.newPath.reserve(facts.folder.size() + name.size());
        change.newPath.assign(facts.folder).append(name);
        const NameRules& rules = m_composer.Rules();
        change.moves = (m_explicitNames || rules.rename || rules.alignDigits || rules.changeCase ||
                        rules.replace) &&
                       change.newPath != source;
        if (change.moves && IsOwnFile(before.Status, source)) {
            // The state folder and what it holds keep their names; the plan knows it.
            change.newPath = source;
            change.moves = false;
        }
        if (change.moves) {
            if (const int code = CheckWindowsName(facts.folder, name, detail)) return code;
        }
    }
    if (!real) {
        bool changed = false;
        EngineResult unused;
        if (m_options.changeAttributes) AttributeStep(index, source, false, changed, unused);
        if (m_options.changeTimes) TimeStep(index, source, false, exif, changed, unused);
    }
    return kSuccess;
}

int RenameEngine::FinishTarget(std::size_t index, const std::string& from, EngineResult& result) {
    const std::string& source = SourceOf(index);
    Change& change = m_changes[index];
    result.currentPath = source;
    if (IsOwnFile(m_before[index].Status, source)) {
        // The run's own journal or log, or the state folder's, listed or named among the
        // targets: it stays as it is.
        change.newPath = source;
        change.outcome = Change::Outcome::Done;
        return kSuccess;
    }
    bool journaled = false;
    bool changed = false;  // something of it has been changed
    int code = m_options.copy ? CopyStep(index, source, changed, result)
                              : RenameStep(index, from, journaled, changed, result);
    if (code != kSuccess && !changed) {
        change.outcome = Change::Outcome::Failed;
        return code;
    }
    // The file as it is now: the copy or the moved file holds the source's bytes.
    const std::string& file = change.moves ? change.newPath : source;
    if (code == kSuccess && m_options.changeAttributes)
        code = AttributeStep(index, file, true, changed, result);
    if (code == kSuccess && m_options.changeTimes) {
        ExifAccessor exif(m_fileSystem, file, m_options.exifReading, m_options.tagReading);
        code = TimeStep(index, file, true, exif, changed, result);
    }
    // What was changed is recorded as done even where a later step failed, with the time it
    // kept (moves and attribute writes leave it, a refused time write too); what was not is void.
    const settings::FileStatusRecord& before = m_before[index];
    if (journaled &&
        !(!changed ? m_journal->Void()
          : code == kSuccess
              ? m_journal->Done(m_after[index].Status.modification,
                                m_options.changeTimes ? 0 : before.Status.modificationNs)
              : m_journal->Done(before.Status.modification, before.Status.modificationNs))) {
        return JournalFailure(EIO, result, index);
    }
    if (journaled && changed) m_lastJournaled = index;
    if (code != kSuccess && !changed) {
        change.outcome = Change::Outcome::Failed;
        return code;
    }
    // A target changed before a refused write is counted and logged like a finished one: its new
    // path is real, and both undos (and the rename-back log) must take it back.
    change.outcome = Change::Outcome::Done;
    if (m_log && m_log->Writes()) {
        // The rename-back line takes the file back to where this move found it.
        const std::string oldName = platform::FileNameOf(from);
        m_log->AppendLine(result.doneCount + 1, source, change.newPath, oldName);
    }
    if (code != kSuccess) CountDone(result);
    return code;
}

std::string RenameEngine::CopyFolderFor(const std::string& folder, bool real) {
    const std::string& root = m_options.rootFolder;
    if (!m_options.keepDirTree || root.empty() || folder.compare(0, root.size(), root) != 0) {
        return m_options.copyDestination;
    }
    std::string destination = m_options.copyDestination + folder.substr(root.size());
    if (real && destination != m_options.copyDestination)
        CreateFolderTree(m_fileSystem, destination);
    return destination;
}

const platform::FolderTraits& RenameEngine::TraitsOf(std::string_view folder) {
    return m_traits.Of(folder);
}

int RenameEngine::CheckWindowsName(std::string_view folder, const std::string& name,
                                   std::string& detail) {
    const platform::FolderTraits& traits = TraitsOf(folder);
    if (!traits.windowsNames || platform::IsWindowsName(name)) return kSuccess;
    detail = platform::Sjis("変更後の名前 : ") + name + "\n" +
             platform::Sjis("このフォルダのファイルシステム(") +
             platform::Cp932FromUtf8(traits.fileSystem) +
             platform::Sjis(
                 ")はWindowsの名前の規則に従うため、\\ : * ? \" < > | "
                 "を含む名前と、空白かピリオドで終わる名前は使えません。");
    return MRVN_ERROR_BAD_STRING_USED;
}

int RenameEngine::ChangeFailure(int error, std::string_view folder, bool isFolder,
                                EngineResult& result) {
    result.systemError = error;
    if (error == ESTALE) {
        result.detail = platform::Sjis(
            "一覧を作った後で、このファイルかそのフォルダが別のもの(シンボリックリンクなど)に"
            "置き換えられたため、変更しませんでした。");
    } else if (error == ENOTSUP) {
        result.detail =
            platform::Sjis("このフォルダのファイルシステム(") +
            platform::Cp932FromUtf8(TraitsOf(folder).fileSystem) +
            platform::Sjis(isFolder ? ")では、ほかのファイルを上書きしないことを確かめて"
                                      "フォルダの名前を変えることができません。"
                                    : ")では、ほかのファイルを上書きしないことを確かめて"
                                      "名前を変えることができません。");
    }
    return MRVN_ERROR_SYSTEM_ERROR;
}

int RenameEngine::CopyStep(std::size_t index, const std::string& source, bool& changed,
                           EngineResult& result) {
    const Change& change = m_changes[index];
    const settings::FileStatusRecord& before = m_before[index];
    if (m_options.keepDirTree) {
        const std::string folder = platform::DirectoryOf(change.newPath);
        if (folder != m_options.copyDestination) CreateFolderTree(m_fileSystem, folder);
    }
    if ((before.Status.attributes & kDirectory) != 0) {
        CreateFolderTree(m_fileSystem, change.newPath);
        changed = true;
        return kSuccess;
    }
    std::uint8_t saved = 0;
    const bool clearAttributes =
        m_options.allAttributes && m_fileSystem.GetAttributes(source, saved) == 0;
    // The source's attributes are cleared for the copy and given back: recorded first, so a
    // run killed in between is undone too.
    const bool journaled = clearAttributes && m_journal != nullptr;
    if (journaled) {
        if (const int failed =
                m_journal->Intend(source, source, {}, before.Status, journal::kAttributes)) {
            return JournalFailure(failed, result, m_lastJournaled);
        }
    }
    const platform::FileStatus* listed = ListedStatus(index);
    // A source whose attributes cannot be cleared is not copied; one that cannot get them back
    // keeps its record for the undo.
    const int cleared = clearAttributes ? m_fileSystem.SetAttributes(source, kNormal, listed) : 0;
    bool destinationFailed = false;
    const int error =
        cleared != 0 ? 0 : m_fileSystem.Copy(source, change.newPath, &destinationFailed);
    const int restored = clearAttributes ? m_fileSystem.SetAttributes(source, saved, listed) : 0;
    if (journaled) {
        std::uint8_t now = 0;
        const bool asBefore = m_fileSystem.GetAttributes(source, now) == 0 && now == saved;
        if (!(asBefore
                  ? m_journal->Void()
                  : m_journal->Done(before.Status.modification, before.Status.modificationNs))) {
            return JournalFailure(EIO, result, m_lastJournaled);
        }
    }
    if (error == EEXIST) return MRVN_ERROR_SAME_NAME_EXSIT;
    if (error != 0) {
        // The message names the end that failed: a destination the card refused is no fault
        // of the source.
        if (destinationFailed) result.currentPath = change.newPath;
        result.systemError = error;
        return MRVN_ERROR_SYSTEM_ERROR;
    }
    // Refused writes name the source; the copy, once made, counts.
    if (cleared != 0) return ChangeFailure(cleared, platform::DirectoryOf(source), false, result);
    changed = true;
    if (restored != 0) return WriteFailed(index, restored, source, changed, result);
    return kSuccess;
}

int RenameEngine::RenameStep(std::size_t index, const std::string& from, bool& journaled,
                             bool& changed, EngineResult& result) {
    const Change& change = m_changes[index];
    const settings::FileStatusRecord& before = m_before[index];
    const bool moving = change.moves;
    std::uint8_t saved = 0;
    const bool clearAttributes =
        moving && m_options.allAttributes && m_fileSystem.GetAttributes(from, saved) == 0;
    // A change of letter case only goes through a temporary name where the file system
    // ignores case; that name is recorded before it is used.
    std::string via;
    if (moving && DiffersOnlyInCase(from, change.newPath)) {
        via = platform::DirectoryOf(change.newPath) + ".morvanex-case-" +
              std::to_string(::getpid()) + "-" + std::to_string(index);
    }
    // Everything the run changes of this file is recorded before the first of it happens.
    const std::uint32_t changes =
        (moving ? journal::kMoved : 0u) |
        (m_options.changeAttributes || clearAttributes ? journal::kAttributes : 0u) |
        (m_options.changeTimes ? journal::kTimes : 0u);
    if (changes != 0 && m_journal != nullptr) {
        if (const int error = m_journal->Intend(from, change.newPath, via, before.Status, changes))
            return JournalFailure(error, result, m_lastJournaled);
        journaled = true;
    }
    if (!moving) return kSuccess;

    // The move itself refuses an existing target (also one that differs only in letter case
    // on a file system that tells case apart), so there is no window between test and move.
    // A file whose attributes cannot be cleared is not moved.
    const platform::FileStatus* listed = ListedStatus(index);
    const int cleared = clearAttributes ? m_fileSystem.SetAttributes(from, kNormal, listed) : 0;
    const int error =
        cleared != 0 ? 0 : MoveKeepingCase(m_fileSystem, from, change.newPath, via, listed);
    if (error != 0 || cleared != 0) {
        // The source keeps what it had: attributes given back before the failure is reported.
        // Where they cannot be, its record stays (done) for the undo.
        const bool restored =
            !clearAttributes || m_fileSystem.SetAttributes(from, saved, listed) == 0;
        if (journaled && !(restored ? m_journal->Void()
                                    : m_journal->Done(before.Status.modification,
                                                      before.Status.modificationNs))) {
            return JournalFailure(EIO, result, m_lastJournaled);
        }
        journaled = false;
        if (error == EEXIST) return MRVN_ERROR_SAME_NAME_EXSIT;
        return ChangeFailure(error != 0 ? error : cleared, platform::DirectoryOf(from),
                             change.folder, result);
    }
    changed = true;
    if (clearAttributes) {
        if (const int failed = m_fileSystem.SetAttributes(change.newPath, saved, listed))
            return WriteFailed(index, failed, change.newPath, changed, result);
    }
    return kSuccess;
}

int RenameEngine::AttributeStep(std::size_t index, const std::string& file, bool real,
                                bool& changed, EngineResult& result) {
    std::uint8_t value = m_before[index].Status.attributes;
    if (real && m_options.copy) m_fileSystem.GetAttributes(file, value);
    unsigned mask = 0xFF;
    const auto apply = [&](AttributeAction action, std::uint8_t bit) {
        if (action == AttributeAction::Set) value = static_cast<std::uint8_t>(value | bit);
        if (action == AttributeAction::Clear) mask &= ~static_cast<unsigned>(bit);
    };
    apply(m_options.archive, kArchive);
    apply(m_options.readOnly, kReadOnly);
    apply(m_options.hidden, kHidden);
    apply(m_options.system, kSystem);
    value = static_cast<std::uint8_t>(value & mask);
    m_after[index].Status.attributes = value;
    if (!real) return kSuccess;
    // A copy is the run's own new file; the file renamed (or left in place) must still be the
    // one listed.
    const int error =
        m_fileSystem.SetAttributes(file, value, m_options.copy ? nullptr : ListedStatus(index));
    if (error != 0) return WriteFailed(index, error, file, changed, result);
    changed = true;
    return kSuccess;
}

int RenameEngine::TimeStep(std::size_t index, const std::string& file, bool real,
                           ExifAccessor& exif, bool& changed, EngineResult& result) {
    platform::FileStatus current = m_before[index].Status;
    if (real) m_fileSystem.GetStatus(file, current);
    const platform::Timestamp old[3] = {current.creation, current.modification, current.access};
    platform::Timestamp times[3] = {old[0], old[1], old[2]};
    for (int t = 0; t < 3; ++t) {
        switch (m_options.timeModes[static_cast<std::size_t>(t)]) {
            case TimeSource::Fixed:
                times[t] = m_options.fixedTimes[static_cast<std::size_t>(t)];
                break;
            case TimeSource::Creation:
                times[t] = old[0];
                break;
            case TimeSource::Modification:
                times[t] = old[1];
                break;
            case TimeSource::Access:
                times[t] = old[2];
                break;
            case TimeSource::ExifShot:
                // The copy and the moved file hold the source's bytes: its Exif data is theirs.
                if (const ExifData* data = exif.Get()) {
                    if (const auto shot = ExifDateTime(*data)) times[t] = *shot;
                }
                break;
            default:
                break;
        }
    }
    settings::FileStatusRecord& after = m_after[index];
    after.Status.creation = times[0];
    after.Status.modification = times[1];
    after.Status.access = times[2];
    if (!real) return kSuccess;
    // A folder's times too; only the creation time, which Linux cannot set, is left as it is
    // without a failure.
    const int error = m_fileSystem.SetTimes(file, times[0], times[1], times[2],
                                            m_options.copy ? nullptr : ListedStatus(index));
    if (error != 0) return WriteFailed(index, error, file, changed, result);
    changed = true;
    return kSuccess;
}

int RenameEngine::WriteFailed(std::size_t index, int error, const std::string& file, bool& changed,
                              EngineResult& result) {
    const settings::FileStatusRecord& before = m_before[index];
    if (error != ESTALE) {  // a file swapped since the listing was not written at all
        result.currentPath = file;
        std::uint8_t now = 0;
        if (m_fileSystem.GetAttributes(file, now) != 0 || now != before.Status.attributes)
            changed = true;
    }
    return ChangeFailure(error, platform::DirectoryOf(file),
                         (before.Status.attributes & kDirectory) != 0, result);
}

const platform::FileStatus* RenameEngine::ListedStatus(std::size_t index) const {
    return m_changes[index].known ? &m_before[index].Status : nullptr;
}

std::vector<std::string> RenameEngine::TakeNewPaths(const std::vector<std::string>& sources,
                                                    bool real) {
    std::vector<std::string> paths;
    paths.reserve(m_changes.size());
    for (std::size_t i = 0; i < m_changes.size(); ++i) {
        Change& change = m_changes[i];
        if (real && change.outcome != Change::Outcome::Done && i < sources.size()) {
            paths.push_back(sources[i]);
        } else {
            paths.push_back(std::move(change.newPath));
        }
    }
    return paths;
}

}  // namespace morvanex::engine
