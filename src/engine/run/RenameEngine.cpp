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

bool IsSequence(PartKind kind) {
    return kind == PartKind::Sequence || kind == PartKind::FolderNumber;
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

struct RenameEngine::Target {
    std::size_t index = 0;
    const std::string& source;
    FileFacts facts;
    ExifAccessor exif;
    std::string name;      // the new name, before the final step
    std::string& newPath;  // P: the run's new-path list entry of this target
    settings::FileStatusRecord& before;
    settings::FileStatusRecord& after;
    // Its status as listed (or read when the run came to it): a change reaches the file only
    // while it is still that file. Null when it could not be read.
    const platform::FileStatus* listed = nullptr;
    bool journaled = false;  // a record of its change is in the journal
    bool changed = false;    // something of it has been changed
};

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
                           Interaction& interaction)
    : m_fileSystem(fileSystem), m_clock(clock), m_interaction(interaction) {
    const platform::Timestamp now = clock.Now();
    m_options.fixedTimes = {now, now, now};
    m_options.copyDestination = m_options.logFolder = fileSystem.TemporaryFolder();
}

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

int RenameEngine::SetPartCount(int count) {
    return m_composer.Parts().SetPartCount(count);
}

int RenameEngine::SetMaxPerFolder(int largest) {
    if (largest < 1) return MRVN_PARAMETER_ERROR;
    m_maxPerFolder = largest;
    return kSuccess;
}

int RenameEngine::SetPartKind(int index, int kind) {
    return m_composer.Parts().SetPartKind(index, kind);
}

int RenameEngine::SetPartText(int index, std::string_view text) {
    return m_composer.Parts().SetPartText(index, text);
}

int RenameEngine::SetPartFormat(int index, std::string_view format) {
    return m_composer.Parts().SetPartFormat(index, format);
}

int RenameEngine::SetSequence(int index, int start, int step, int digits) {
    return m_composer.Parts().SetSequence(index, start, step, digits);
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
            const PartKind kind = parts.Entry(i).kind;
            if (kind != PartKind::None && kind != PartKind::Period) producesSomething = true;
        }
        if (!producesSomething) return MRVN_ERROR_NO_RENFORMAT;
        const int entries = parts.EntryCount();
        for (int i = 0; i < entries; ++i) {
            const PartEntry& entry = parts.Entry(i);
            if (entry.kind == PartKind::FixedText && HasForbiddenCharacter(entry.text)) {
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
    const std::size_t bound = m_targets->UpperBound();
    m_newPaths.reserve(bound);
    m_newNames.reserve(bound);
    m_before.reserve(bound);
    m_after.reserve(bound);
    // The total, where it must be known before the first target: for the progress bar.
    const std::size_t exactTotal = m_progress == Progress::ExactTotal ? m_targets->Count() : 0;
    if (real && (result.code = BeginRecords(result)) != kSuccess) return result;
    m_previousFolder.clear();
    for (std::size_t i = 0; m_targets->Get(i, source, listed); ++i) {
        m_newPaths.emplace_back();
        m_newNames.emplace_back();
        m_before.emplace_back();
        m_after.emplace_back();
        if (m_stop != nullptr && m_stop->Requested()) {
            result.code = MRVN_STOPPED_BY_USER;
            break;
        }
        result.code = ProcessTarget(i, *source, listed, real, result);
        if (result.code != kSuccess) break;
        ++result.doneCount;
        if (m_progress != Progress::Off) {
            const std::size_t total =
                m_progress == Progress::ExactTotal ? exactTotal : m_targets->TotalSoFar();
            m_interaction.Progress(static_cast<unsigned>(total), result.doneCount);
        }
    }
    if (m_journal != nullptr) m_journal->EndRun();
    m_log.reset();
    // Every list has one entry per target, also when the run stopped before the last one.
    const std::size_t count = m_targets->Count();
    m_newPaths.resize(count);
    m_newNames.resize(count);
    m_before.resize(count);
    m_after.resize(count);
    if (result.code == kSuccess && m_progress != Progress::Off) m_interaction.ProgressDone();
    return result;
}

int RenameEngine::BeginRecords(EngineResult& result) {
    m_log.emplace(m_fileSystem,
                  RunLogOptions{m_options.textLog, m_options.batchLog, m_options.logFolder,
                                m_options.copy, m_options.copyDestination});
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
        if (const int error = m_journal->BeginRun(root, m_clock.Now(), folders))
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
    if (changed < m_newPaths.size() && m_targets->Get(changed, source, listed)) {
        const std::size_t lost = written - static_cast<std::size_t>(std::max(kept, 0L));
        result.detail += platform::Sjis("\n記録されていない変更") +
                         (lost > 1 ? platform::Sjis("(最後のもの)") : std::string()) + " : " +
                         *source + " -> " + m_newPaths[changed];
    }
    return MRVN_ERROR_NO_JOURNAL;
}

bool RenameEngine::IsOwnFile(const platform::FileStatus& status) const {
    return status.identity != platform::FileIdentity{} &&
           std::find(m_ownFiles.begin(), m_ownFiles.end(), status.identity) != m_ownFiles.end();
}

int RenameEngine::ProcessTarget(std::size_t index, const std::string& source,
                                const platform::FileStatus* listed, bool real,
                                EngineResult& result) {
    Target target{index,
                  source,
                  SplitSourcePath(source, m_composer.Rules().extensionRule),
                  ExifAccessor(m_fileSystem, source, m_options.exifReading, m_options.tagReading),
                  {},
                  m_newPaths[index],
                  m_before[index],
                  m_after[index]};
    platform::FileStatus status;
    if (listed != nullptr) {
        target.before.Status = *listed;
        target.after = target.before;
        target.listed = &target.before.Status;
    } else if (m_fileSystem.GetStatus(source, status) == 0) {
        target.before.Status = status;
        target.after = target.before;
        target.listed = &target.before.Status;
    }
    target.facts.creation = target.before.Status.creation;
    target.facts.modification = target.before.Status.modification;
    result.currentPath = source;

    if (m_composer.Rules().rename && m_options.numberReset &&
        !SameFolder(target.facts.folder, m_previousFolder)) {
        m_counters.RestartSequences(m_composer.Parts());
        if (index != 0) m_counters.AdvanceFolderNumbers(m_composer.Parts());
    }
    m_previousFolder.assign(target.facts.folder);
    if (const int code = m_composer.Compose(m_counters, target.facts, target.exif, target.name,
                                            &result.detail)) {
        if (code == MRVN_ERROR_SYSTEM_ERROR) result.systemError = ENAMETOOLONG;
        return code;
    }
    // The period is removed for systems that cannot hold a name ending in one; a name the job
    // leaves as the file's own already exists, and is left as it is.
    if (target.name != target.facts.fileName) RemoveTrailingPeriod(target.name);
    if (!IsUsableName(target.name)) {
        result.detail = platform::Sjis("変更後の名前 : ") + target.name;
        return MRVN_ERROR_BAD_STRING_USED;
    }
    if (real && IsOwnFile(target.before.Status)) {
        // The run's own journal or log, listed or named among the targets: it stays as it is.
        m_newNames[index] = target.name;
        target.newPath = source;
        return kSuccess;
    }

    int code = m_options.copy ? CopyStep(target, real, result) : RenameStep(target, real, result);
    if (code != kSuccess) return code;
    if (m_options.changeAttributes) code = AttributeStep(target, real, result);
    if (code == kSuccess && m_options.changeTimes) code = TimeStep(target, real, result);
    // What was changed is recorded as done even where a later step failed; what was not is void.
    if (target.journaled &&
        !(target.changed ? m_journal->Done(target.after.Status.modification,
                                           m_options.changeTimes && code == kSuccess
                                               ? 0
                                               : target.before.Status.modificationNs)
                         : m_journal->Void())) {
        return JournalFailure(EIO, result, index);
    }
    if (target.journaled && target.changed) m_lastJournaled = index;
    if (code != kSuccess) return code;
    if (real && m_log) {
        m_log->AppendLine(result.doneCount + 1, source, target.newPath, target.facts.fileName);
    }
    return kSuccess;
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
    if (!m_traitsKnown || folder != m_traitsFolder) {
        m_traits = m_fileSystem.TraitsOf(folder);
        m_traitsFolder = folder;
        m_traitsKnown = true;
    }
    return m_traits;
}

int RenameEngine::CheckWindowsName(std::string_view folder, const std::string& name,
                                   EngineResult& result) {
    const platform::FolderTraits& traits = TraitsOf(folder);
    if (!traits.windowsNames || platform::IsWindowsName(name)) return kSuccess;
    result.detail = platform::Sjis("変更後の名前 : ") + name + "\n" +
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

int RenameEngine::CopyStep(Target& target, bool real, EngineResult& result) {
    m_newNames[target.index] = target.name;
    const std::string folder = CopyFolderFor(std::string(target.facts.folder), real);
    target.newPath = folder + target.name;
    if (const int code = CheckWindowsName(folder, target.name, result)) {
        // The destination is refused, not the source.
        result.currentPath = target.newPath;
        return code;
    }
    if (!real) return kSuccess;

    if ((target.before.Status.attributes & kDirectory) != 0) {
        CreateFolderTree(m_fileSystem, target.newPath);
        return kSuccess;
    }
    std::uint8_t saved = 0;
    const bool clearAttributes =
        m_options.allAttributes && m_fileSystem.GetAttributes(target.source, saved) == 0;
    // The source's attributes are cleared for the copy and given back: recorded first, so a
    // run killed in between is undone too.
    const bool journaled = clearAttributes && m_journal != nullptr;
    if (journaled) {
        if (const int failed = m_journal->Intend(target.source, target.source, {},
                                                 target.before.Status, journal::kAttributes)) {
            return JournalFailure(failed, result, m_lastJournaled);
        }
    }
    if (clearAttributes) m_fileSystem.SetAttributes(target.source, kNormal, target.listed);
    bool destinationFailed = false;
    const int error = m_fileSystem.Copy(target.source, target.newPath, &destinationFailed);
    if (clearAttributes) m_fileSystem.SetAttributes(target.source, saved, target.listed);
    if (journaled && !m_journal->Void()) return JournalFailure(EIO, result, m_lastJournaled);
    if (error == EEXIST) return MRVN_ERROR_SAME_NAME_EXSIT;
    if (error != 0) {
        // The message names the end that failed: a destination the card refused is no fault
        // of the source.
        if (destinationFailed) result.currentPath = target.newPath;
        result.systemError = error;
        return MRVN_ERROR_SYSTEM_ERROR;
    }
    return kSuccess;
}

int RenameEngine::RenameStep(Target& target, bool real, EngineResult& result) {
    m_newNames[target.index] = target.name;
    target.newPath.reserve(target.facts.folder.size() + target.name.size());
    target.newPath.assign(target.facts.folder).append(target.name);
    const NameRules& rules = m_composer.Rules();
    const bool moving = (rules.rename || rules.alignDigits || rules.changeCase || rules.replace) &&
                        target.newPath != target.source;
    if (moving) {
        if (const int code = CheckWindowsName(target.facts.folder, target.name, result))
            return code;
    }
    if (!real) return kSuccess;

    std::uint8_t saved = 0;
    const bool clearAttributes =
        moving && m_options.allAttributes && m_fileSystem.GetAttributes(target.source, saved) == 0;
    // A change of letter case only goes through a temporary name where the file system
    // ignores case; that name is recorded before it is used.
    std::string via;
    if (moving && DiffersOnlyInCase(target.source, target.newPath)) {
        via = std::string(target.facts.folder) + ".morvanex-case-" + std::to_string(::getpid()) +
              "-" + std::to_string(target.index);
    }
    // Everything the run changes of this file is recorded before the first of it happens.
    const std::uint32_t changes =
        (moving ? journal::kMoved : 0u) |
        (m_options.changeAttributes || clearAttributes ? journal::kAttributes : 0u) |
        (m_options.changeTimes ? journal::kTimes : 0u);
    if (changes != 0 && m_journal != nullptr) {
        if (const int error = m_journal->Intend(target.source, target.newPath, via,
                                                target.before.Status, changes)) {
            return JournalFailure(error, result, m_lastJournaled);
        }
        target.journaled = true;
    }
    if (!moving) return kSuccess;

    // The move itself refuses an existing target (also one that differs only in letter case
    // on a file system that tells case apart), so there is no window between test and move.
    if (clearAttributes) m_fileSystem.SetAttributes(target.source, kNormal, target.listed);
    const int error =
        MoveKeepingCase(m_fileSystem, target.source, target.newPath, via, target.listed);
    if (error != 0) {
        // The source keeps what it had: attributes given back before the failure is reported.
        if (clearAttributes) m_fileSystem.SetAttributes(target.source, saved, target.listed);
        if (target.journaled && !m_journal->Void())
            return JournalFailure(EIO, result, m_lastJournaled);
        target.journaled = false;
        if (error == EEXIST) return MRVN_ERROR_SAME_NAME_EXSIT;
        return ChangeFailure(error, target.facts.folder,
                             (target.before.Status.attributes & kDirectory) != 0, result);
    }
    target.changed = true;
    if (clearAttributes) m_fileSystem.SetAttributes(target.newPath, saved, target.listed);
    return kSuccess;
}

int RenameEngine::AttributeStep(Target& target, bool real, EngineResult& result) {
    std::uint8_t value = target.before.Status.attributes;
    if (real && m_options.copy) m_fileSystem.GetAttributes(target.newPath, value);
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
    target.after.Status.attributes = value;
    if (!real) return kSuccess;
    // A copy is the run's own new file; the file renamed (or left in place) must still be the
    // one listed. Other failures leave the attributes as they are, as they always have.
    const int error =
        m_fileSystem.SetAttributes(target.newPath, value, m_options.copy ? nullptr : target.listed);
    if (error == ESTALE) return ChangeFailure(error, target.facts.folder, false, result);
    // A write that failed part way may still have changed something: undo takes it back.
    target.changed = true;
    return kSuccess;
}

int RenameEngine::TimeStep(Target& target, bool real, EngineResult& result) {
    const std::string& file = real ? target.newPath : target.source;
    platform::FileStatus current = target.before.Status;
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
                if (const ExifData* exif = target.exif.Get()) {
                    if (const auto shot = ExifDateTime(*exif)) times[t] = *shot;
                }
                break;
            default:
                break;
        }
    }
    target.after.Status.creation = times[0];
    target.after.Status.modification = times[1];
    target.after.Status.access = times[2];
    if (!real) return kSuccess;
    const int error = m_fileSystem.SetTimes(file, times[0], times[1], times[2],
                                            m_options.copy ? nullptr : target.listed);
    if (error == ESTALE) return ChangeFailure(error, target.facts.folder, false, result);
    // A write that failed part way may still have changed something: undo takes it back.
    target.changed = true;
    return kSuccess;
}

}  // namespace morvanex::engine
