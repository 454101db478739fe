#include "cli/GivenNames.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

#include "cli/CommandSupport.h"
#include "cli/EditFile.h"
#include "cli/Interrupt.h"
#include "cli/MappingFile.h"
#include "cli/TerminalInteraction.h"
#include "engine/ResultCodes.h"
#include "engine/journal/UndoJournal.h"
#include "engine/run/RunDriver.h"
#include "platform/Codepage.h"
#include "platform/Paths.h"
#include "platform/PosixFileSystem.h"
#include "settings/SettingsLifecycle.h"

namespace morvanex::cli {

namespace {

// A path's folder part (up to its last separator) and name. The separator is never part of
// another character, in the host's text or in CP932, and names here may be long in CP932.
std::string_view FolderPart(std::string_view path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string_view::npos ? std::string_view() : path.substr(0, slash + 1);
}
std::string_view NamePart(std::string_view path) {
    return path.substr(FolderPart(path).size());
}

// Enough to mend a file by; the count says how many more there are.
constexpr std::size_t kErrorsShown = 20;

int RefuseInput(const std::string& file, const std::vector<std::string>& errors) {
    for (std::size_t i = 0; i < errors.size() && i < kErrorsShown; ++i)
        std::fprintf(stderr, "morvanex-cli: %s: %s\n", file.c_str(), errors[i].c_str());
    if (errors.size() > kErrorsShown)
        std::fprintf(stderr, "morvanex-cli: %s: %zu more\n", file.c_str(),
                     errors.size() - kErrorsShown);
    std::fputs("Nothing was renamed.\n", stderr);
    return kExitUsage;
}

// The folder names are resolved in: one the user can enter, never the root of the whole system
// however it is written. Empty (message printed) when it is not such a folder.
std::string BaseFolder(platform::FileSystem& fileSystem, const std::string& path) {
    // Without "." and "..": the paths the preview, the journal and history show read plainly.
    const std::string cp932 = platform::WithTrailingSeparator(
        platform::LexicallyNormal(platform::Cp932FromUtf8(AbsolutePath(path))));
    const std::string folder = platform::Utf8FromCp932(cp932);
    std::string canonical;
    if (cp932 == "/" || (fileSystem.CanonicalPath(cp932, canonical) == 0 && canonical == "/")) {
        std::fputs("morvanex-cli: the root of the file system (/) cannot be the folder\n", stderr);
        return {};
    }
    if (!fileSystem.CanEnter(cp932)) {
        std::fprintf(stderr, "morvanex-cli: %s: not a folder that can be entered\n",
                     folder.c_str());
        return {};
    }
    return folder;
}

// A record that renames only: every other operation of a job off, whatever a default says.
settings::RenameSettings NamesOnly(platform::FileSystem& fileSystem, const platform::Clock& clock,
                                   std::vector<std::string> sources) {
    settings::RenameSettings s = settings::ConstructSettings({fileSystem, clock, {}});
    s.SelectFile.FreeFileSelect = 1;
    s.FreeFileList = std::move(sources);
    s.RenameOption.EnableRename = 0;
    s.RenameOption.EnableDigitChange = 0;
    s.LetterChangeOption.EnableLetterChange = 0;
    s.StringChangeOption.EnableStringChange = 0;
    s.AttributeOption.EnableAttribute = 0;
    s.TimeStampOption.EnableTimeStamp = 0;
    s.CopyToDir.EnableCopy = 0;
    s.CommonOption.LogWrite = 0;
    s.CommonOption.BatLogWrite = 0;
    s.CommonOption.ViewDetailResult = 0;
    s.CommonOption.PlanWholeRun = 1;
    return s;
}

// The plan of the given names: previewed and asked for (unless --yes), then run and journaled.
// `statuses` (one per source, or none) were read just before: a run that follows at once (--yes)
// takes them; after a question the run reads its own.
int RenameToGivenNames(std::vector<std::string> sources, std::vector<std::string> names,
                       const Arguments& options, std::vector<platform::FileStatus> statuses = {}) {
    platform::PosixFileSystem fileSystem;
    platform::SystemClock clock;
    // Only the files whose name changes are the run's: the plan still sees the others where
    // they are (a name they hold is taken), and the preview, the journal and the count show
    // what changes.
    std::size_t changes = 0;
    for (std::size_t i = 0; i < names.size(); ++i) {
        if (NamePart(sources[i]) == names[i]) continue;
        if (changes != i) {
            sources[changes] = std::move(sources[i]);
            names[changes] = std::move(names[i]);
            if (!statuses.empty()) statuses[changes] = statuses[i];
        }
        ++changes;
    }
    sources.resize(changes);
    names.resize(changes);
    if (!options.yes || statuses.size() < changes) statuses.clear();
    statuses.resize(statuses.empty() ? 0 : changes);
    if (changes == 0) {
        std::fputs("Nothing to rename: every new name is the file's own.\n", stderr);
        return kExitOk;
    }
    settings::RenameSettings s = NamesOnly(fileSystem, clock, std::move(sources));
    const bool progressLine = WantsProgressLine(STDERR_FILENO, options.quiet);
    if (!options.yes) {
        TerminalInteraction preview({}, options.format, true, progressLine);
        const engine::RunContext context{fileSystem, clock, preview, nullptr};
        const engine::RunOutcome outcome =
            engine::StartRun(s, context, true, &s.FreeFileList, &names);
        std::fflush(stdout);
        if (outcome.resultCode != 0) return kExitFailed;
        if (preview.SawConflict()) {
            std::fputs(
                "morvanex-cli: nothing was renamed: the rows marked duplicate, exists or "
                "refused cannot be renamed as given\n",
                stderr);
            return kExitConflicts;
        }
        if (!AskOnTerminal("Rename these " + std::to_string(changes) + " files?")) {
            std::fputs("Nothing was renamed.\n", stderr);
            return kExitFailed;
        }
    }
    TerminalInteraction terminal({false, false, true}, ListFormat::Text, false, progressLine);
    engine::UndoJournal journal(engine::UndoJournal::DefaultFolder());
    const InterruptStop interrupt;
    const engine::RunContext context{fileSystem, clock, terminal, &journal, &interrupt.Request()};
    const engine::RunOutcome outcome = engine::StartRun(s, context, false, &s.FreeFileList, &names,
                                                        statuses.empty() ? nullptr : &statuses);
    if (outcome.resultCode == engine::MRVN_STOPPED_BY_USER) return interrupt.ExitStatus();
    return outcome.resultCode == 0 ? kExitOk : kExitFailed;
}

// The plan of a preview kept instead of printed (the names a job would give); everything else
// goes to the terminal.
class PlanCapture final : public engine::Interaction {
  public:
    explicit PlanCapture(TerminalInteraction& terminal) : m_terminal(terminal) {}
    void ShowMessage(const std::string& text, engine::MessageIcon icon) override {
        m_terminal.ShowMessage(text, icon);
    }
    bool AskYesNo(engine::Question question, const std::string& text) override {
        return m_terminal.AskYesNo(question, text);
    }
    void ShowNotice(engine::Notice notice, const std::string& text, int count) override {
        m_terminal.ShowNotice(notice, text, count);
    }
    void ShowResultList(const engine::ResultList& list) override {
        sources = list.sources;
        targets = list.targets;
    }
    bool ConfirmUndo(const engine::ResultList&) override { return false; }
    void Progress(unsigned total, int current) override { m_terminal.Progress(total, current); }
    void ProgressDone() override { m_terminal.ProgressDone(); }
    void ProgressReset() override { m_terminal.ProgressReset(); }
    bool ShowsProgress() const override { return false; }
    bool ShowsProgressLine() const override { return m_terminal.ShowsProgressLine(); }
    void BeginWait() override {}
    void EndWait() override {}

    std::vector<std::string> sources;
    std::vector<std::string> targets;

  private:
    TerminalInteraction& m_terminal;
};

// The folder every path lies in (host form, ending with the separator).
std::string_view SharedFolder(const std::vector<std::string>& paths) {
    std::string_view shared = FolderPart(paths.front());
    for (const std::string& path : paths) {
        while (!path.starts_with(shared)) shared = FolderPart(shared.substr(0, shared.size() - 1));
    }
    return shared;
}

// Runs the editor on the file, through the shell (the variable may hold arguments), on this
// terminal; its exit status, or -1 when it could not be started or did not exit.
int RunEditor(const std::string& file) {
    const char* editor = std::getenv("VISUAL");
    if (editor == nullptr || *editor == '\0') editor = std::getenv("EDITOR");
    if (editor == nullptr || *editor == '\0') editor = "vi";
    const std::string command = std::string(editor) + " \"$1\"";
    const char* argv[] = {"sh", "-c", command.c_str(), "sh", file.c_str(), nullptr};
    // Ctrl-C in the editor is the editor's: this program waits for it, its file still there
    // (as git does); the editor gets the signals' defaults.
    struct sigaction ignore = {};
    ignore.sa_handler = SIG_IGN;
    sigemptyset(&ignore.sa_mask);
    struct sigaction previous[2];
    ::sigaction(SIGINT, &ignore, &previous[0]);
    ::sigaction(SIGQUIT, &ignore, &previous[1]);
    posix_spawnattr_t attributes;
    ::posix_spawnattr_init(&attributes);
    sigset_t defaults;
    sigemptyset(&defaults);
    sigaddset(&defaults, SIGINT);
    sigaddset(&defaults, SIGQUIT);
    ::posix_spawnattr_setsigdefault(&attributes, &defaults);
    ::posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGDEF);
    pid_t child = 0;
    int status = 0;
    int result = ::posix_spawn(&child, "/bin/sh", nullptr, &attributes,
                               const_cast<char* const*>(argv), environ);
    ::posix_spawnattr_destroy(&attributes);
    while (result == 0 && ::waitpid(child, &status, 0) < 0) {
        if (errno != EINTR) result = errno;
    }
    ::sigaction(SIGINT, &previous[0], nullptr);
    ::sigaction(SIGQUIT, &previous[1], nullptr);
    if (result != 0) return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// A private temporary file that goes when the edit ends, however it ends.
class TemporaryFile {
  public:
    TemporaryFile() {
        const char* folder = std::getenv("TMPDIR");
        m_path = std::string(folder != nullptr && *folder == '/' ? folder : "/tmp") +
                 "/morvanex-edit-XXXXXX.txt";
        m_fd = ::mkstemps(m_path.data(), 4);
        if (m_fd < 0) m_path.clear();
    }
    ~TemporaryFile() {
        if (m_fd >= 0) ::close(m_fd);
        if (!m_path.empty()) ::unlink(m_path.c_str());
    }
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;

    const std::string& Path() const { return m_path; }
    bool Write(const std::string& text) {
        std::size_t done = 0;
        while (m_fd >= 0 && done < text.size()) {
            const ssize_t n = ::write(m_fd, text.data() + done, text.size() - done);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) return false;
            done += static_cast<std::size_t>(n);
        }
        return m_fd >= 0 && ::close(std::exchange(m_fd, -1)) == 0;
    }

  private:
    std::string m_path;
    int m_fd = -1;
};

// The targets as the job selects them and the names it would give them (without a job, their
// own): false (message printed) when there are none or the job cannot say.
bool PlanToEdit(Job& job, const Arguments& options, std::vector<std::string>& sources,
                std::vector<std::string>& proposed) {
    TerminalInteraction terminal({}, ListFormat::Text, true,
                                 WantsProgressLine(STDERR_FILENO, options.quiet));
    PlanCapture capture(terminal);
    const engine::RunContext context{job.fileSystem, job.clock, capture, nullptr};
    const bool listed = job.settings.SelectFile.FreeFileSelect != 0;
    const engine::RunOutcome outcome = engine::StartRun(
        job.settings, context, true, listed ? &job.settings.FreeFileList : nullptr);
    if (outcome.resultCode != 0) return false;
    sources = std::move(capture.sources);
    proposed = std::move(capture.targets);
    return !sources.empty() && sources.size() == proposed.size();
}

}  // namespace

int Apply(const Arguments& options) {
    const std::string& file = options.operands[0];
    errno = 0;
    std::ifstream in(file, std::ios::binary);
    const std::string bytes =
        in ? std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>())
           : std::string();
    if (!in || in.bad()) {
        std::fprintf(stderr, "morvanex-cli: cannot read the mapping '%s': %s\n", file.c_str(),
                     std::strerror(errno != 0 ? errno : EIO));
        return kExitUsage;
    }
    platform::PosixFileSystem fileSystem;
    const std::string folder = BaseFolder(
        fileSystem, options.folder ? *options.folder : std::string(FolderPart(AbsolutePath(file))));
    if (folder.empty()) return kExitUsage;

    const MappingRead read = ReadMapping(bytes, {options.separator, options.header});
    if (!read.errors.empty()) return RefuseInput(file, read.errors);
    if (read.rows.empty()) return RefuseInput(file, {"no rows to apply"});
    MappedTargets mapped = ResolveMapping(read.rows, folder, fileSystem);
    if (!mapped.errors.empty()) return RefuseInput(file, mapped.errors);
    return RenameToGivenNames(std::move(mapped.sources), std::move(mapped.names), options,
                              std::move(mapped.statuses));
}

int Edit(const Arguments& options) {
    Job job;
    if (!options.operands.empty()) {
        if (!LoadJob(job, options.operands[0]) || !ApplyOverrides(job, options)) return kExitUsage;
        // The edit renames in place; where a job would put its copies is no name of a file.
        if (job.settings.CopyToDir.EnableCopy != 0) {
            return UsageError("the job copies its files; edit renames them in place",
                              options.command);
        }
    } else {
        if (!options.sets.empty()) return UsageError("--set needs a JOB", options.command);
        job.settings = NamesOnly(job.fileSystem, job.clock, {});
        job.settings.SelectFile.FreeFileSelect = 0;
        // Every file of the folder, whatever its attributes: the user sees each by its name.
        job.settings.SelectFile.FileFilter = "*";
        job.settings.CommonOption.AllAttributeFileRename = 1;
        if (!options.folder && !options.list) {
            job.settings.SelectFile.FullPath = platform::WithTrailingSeparator(
                platform::LexicallyNormal(platform::Cp932FromUtf8(AbsolutePath("."))));
        }
    }
    if (!ApplyTargets(job, options)) return kExitUsage;

    std::vector<std::string> sources;
    std::vector<std::string> proposed;
    if (!PlanToEdit(job, options, sources, proposed)) return kExitFailed;
    // The lines: each target's path below the folder they share, with the name proposed.
    std::vector<std::string> before;
    std::vector<std::string> lines;
    before.reserve(sources.size());
    lines.reserve(sources.size());
    for (std::size_t i = 0; i < sources.size(); ++i) {
        before.push_back(platform::Utf8FromCp932(sources[i]));
        lines.push_back(platform::Utf8FromCp932(proposed[i]));
    }
    const std::string folder(SharedFolder(before));
    for (std::size_t i = 0; i < sources.size(); ++i) {
        before[i].erase(0, folder.size());
        lines[i] = std::string(FolderPart(before[i])).append(NamePart(lines[i]));
    }

    TemporaryFile file;
    if (file.Path().empty() || !file.Write(EditFileText(lines, folder))) {
        std::fprintf(stderr, "morvanex-cli: cannot write the file to edit: %s\n",
                     std::strerror(errno != 0 ? errno : EIO));
        return kExitFailed;
    }
    lines = {};
    const int status = RunEditor(file.Path());
    if (status != 0) {
        std::fprintf(stderr,
                     status < 0 ? "morvanex-cli: the editor did not end normally; nothing was "
                                  "renamed\n"
                                : "morvanex-cli: the editor exited with status %d; nothing was "
                                  "renamed\n",
                     status);
        return kExitFailed;
    }
    // Read by its path: an editor may have saved a new file in its place.
    errno = 0;
    std::ifstream in(file.Path(), std::ios::binary);
    const std::string text =
        in ? std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>())
           : std::string();
    if (!in || in.bad()) {
        std::fprintf(stderr, "morvanex-cli: cannot read the edited file %s: %s\n",
                     file.Path().c_str(), std::strerror(errno != 0 ? errno : EIO));
        std::fputs("Nothing was renamed.\n", stderr);
        return kExitFailed;
    }
    EditedNames edited = ReadEditFile(text, before);
    if (!edited.errors.empty()) {
        RefuseInput("the edited names", edited.errors);
        return kExitFailed;
    }
    std::vector<std::string> names;
    names.reserve(edited.names.size());
    for (const std::string& name : edited.names) names.push_back(platform::Cp932FromUtf8(name));
    return RenameToGivenNames(std::move(sources), std::move(names), options);
}

}  // namespace morvanex::cli
