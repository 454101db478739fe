#include "cli/CommandLine.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "cli/CommandSupport.h"
#include "cli/GivenNames.h"
#include "cli/Interrupt.h"
#include "cli/Options.h"
#include "cli/TerminalInteraction.h"
#include "engine/ResultCodes.h"
#include "engine/SettingsSummary.h"
#include "engine/journal/Undo.h"
#include "engine/journal/UndoJournal.h"
#include "engine/run/RunDriver.h"
#include "platform/Codepage.h"
#include "platform/Paths.h"
#include "platform/PosixFileSystem.h"
#include "settings/PatternFile.h"
#include "settings/SettingsLifecycle.h"

namespace morvanex::cli {

namespace {

bool WriteAll(int fd, const std::string& bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

int New(const Arguments& options) {
    if (!options.operands.empty() && options.operands[0].empty()) {
        return UsageError("new needs a file name, not ''", options.command);
    }
    Job job;
    job.settings = settings::ConstructSettings({job.fileSystem, job.clock, {}});
    const std::string bytes = settings::SerializePatternFile(job.settings);
    if (options.operands.empty()) {
        std::fwrite(bytes.data(), 1, bytes.size(), stdout);
        return std::fflush(stdout) == 0 ? kExitOk : kExitFailed;
    }
    const std::string& path = options.operands[0];
    // A job someone wrote must not be lost to a fresh one: the file is made only if it is new.
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0) {
        const int error = errno;
        std::fprintf(stderr, "morvanex-cli: %s: %s\n", path.c_str(),
                     error == EEXIST ? "already exists; a new job never replaces a file"
                                     : std::strerror(error));
        return kExitFailed;
    }
    const bool written = WriteAll(fd, bytes);
    const int error = written ? 0 : errno;
    if (::close(fd) != 0 || !written) {
        ::unlink(path.c_str());
        std::fprintf(stderr, "morvanex-cli: %s: %s\n", path.c_str(),
                     std::strerror(error != 0 ? error : EIO));
        return kExitFailed;
    }
    return kExitOk;
}

int Show(const Arguments& options) {
    Job job;
    if (!LoadJob(job, options.operands[0]) || !ApplyOverrides(job, options)) return kExitUsage;
    if (options.ini) {
        const std::string bytes = settings::SerializePatternFile(job.settings);
        std::fwrite(bytes.data(), 1, bytes.size(), stdout);
    } else {
        const auto summary = engine::SummarizeSettings(job.settings, job.clock.Now());
        for (const auto& row : engine::SummaryRows(summary)) {
            std::printf("%s: %s\n", platform::Utf8FromCp932(row.label).c_str(),
                        platform::Utf8FromCp932(row.text).c_str());
        }
    }
    return std::fflush(stdout) == 0 ? kExitOk : kExitFailed;
}

int Preview(const Arguments& options) {
    Job job;
    if (!LoadJob(job, options.operands[0]) || !ApplyOverrides(job, options) ||
        !ApplyTargets(job, options)) {
        return kExitUsage;
    }
    TerminalInteraction terminal({}, options.format, true,
                                 WantsProgressLine(STDERR_FILENO, options.quiet));
    const engine::RunContext context{job.fileSystem, job.clock, terminal, nullptr};
    const bool freeSelect = job.settings.SelectFile.FreeFileSelect != 0;
    const engine::RunOutcome outcome = engine::StartRun(
        job.settings, context, true, freeSelect ? &job.settings.FreeFileList : nullptr);
    std::fflush(stdout);
    if (outcome.resultCode != 0) return kExitFailed;
    return terminal.SawConflict() ? kExitConflicts : kExitOk;
}

int Run(const Arguments& options) {
    Job job;
    if (!LoadJob(job, options.operands[0]) || !ApplyOverrides(job, options) ||
        !ApplyTargets(job, options)) {
        return kExitUsage;
    }
    const bool copying = job.settings.CopyToDir.EnableCopy != 0;
    TerminalInteraction terminal(
        {options.yes, options.undoOnFailure && !copying, !options.noJournal}, ListFormat::Text,
        false, WantsProgressLine(STDERR_FILENO, options.quiet));
    engine::UndoJournal journal(engine::UndoJournal::DefaultFolder());
    const InterruptStop interrupt;
    const engine::RunContext context{job.fileSystem, job.clock, terminal,
                                     options.noJournal ? nullptr : &journal, &interrupt.Request()};
    const bool freeSelect = job.settings.SelectFile.FreeFileSelect != 0;
    const engine::RunOutcome outcome = engine::StartRun(
        job.settings, context, false, freeSelect ? &job.settings.FreeFileList : nullptr);
    if (outcome.resultCode == engine::MRVN_STOPPED_BY_USER) return interrupt.ExitStatus();
    return outcome.resultCode == 0 ? kExitOk : kExitFailed;
}

int Undo(const Arguments& options) {
    // The run may be named, as history shows it.
    const std::string name = options.operands.empty() ? std::string() : options.operands[0];
    platform::PosixFileSystem fileSystem;
    const std::string folder = engine::UndoJournal::DefaultFolder();
    // The chosen journal stays open and locked until it is taken back: read once, and no other
    // undo comes between the question and the answer.
    const engine::UndoChoice choice =
        engine::ChooseRunToUndo(folder, fileSystem, platform::Cp932FromUtf8(name), true);
    if (!choice.refusal.empty()) {
        PrintCp932(stderr, choice.refusal);
        return kExitFailed;
    }
    if (choice.file == nullptr) {
        PrintCp932(stderr, TerminalNoticeText(engine::Notice::NoUndoData, 0));
        return kExitFailed;
    }
    const engine::journal::Run& run = choice.file->Contents();
    const std::vector<engine::UndoStep> steps = engine::PlanUndo(run);
    std::fprintf(stderr, "Run %s (%s): %zu files to take back.\n", run.name.c_str(),
                 platform::Utf8FromCp932(run.root).c_str(), steps.size());
    if (!options.yes) {
        for (const auto& step : steps) {
            std::printf("%s -> %s\n", platform::Utf8FromCp932(step.from).c_str(),
                        platform::Utf8FromCp932(step.to).c_str());
        }
        std::fflush(stdout);
        const std::string question = "Take these " + std::to_string(steps.size()) + " files back?";
        if (!AskOnTerminal(question)) return kExitFailed;
    }
    TerminalInteraction terminal({}, ListFormat::Text, false,
                                 WantsProgressLine(STDERR_FILENO, options.quiet));
    terminal.CountProgressDown();
    const InterruptStop interrupt;
    const engine::UndoReport report =
        engine::UndoRun(*choice.file, fileSystem, &terminal, &interrupt.Request());
    if (report.error != 0) {
        std::fprintf(stderr, "morvanex-cli: %s: %s\n", platform::Utf8FromCp932(run.path).c_str(),
                     report.error == EWOULDBLOCK ? "the journal is in use by a run or another undo"
                                                 : std::strerror(report.error));
        return kExitFailed;
    }
    for (const auto& problem : report.problems) PrintCp932(stderr, problem);
    if (report.damaged != 0) {
        PrintCp932(stderr, platform::Sjis("Undo用の記録ファイルが壊れています: ") + run.path);
        std::fprintf(stderr, "%zu damaged records; every record that verified was taken back.\n",
                     report.damaged);
    }
    if (report.stopped) {
        std::fprintf(stderr,
                     "Stopped by the user: %zu of %zu files taken back; 'morvanex-cli undo' "
                     "takes back the rest.\n",
                     report.restored + report.alreadyBack, steps.size());
        return interrupt.ExitStatus();
    }
    if (!report.Complete()) {
        std::fprintf(stderr, "%zu of %zu files taken back.\n", report.restored + report.alreadyBack,
                     steps.size());
        return kExitFailed;
    }
    PrintCp932(stdout, engine::UndoDoneMessage());
    return kExitOk;
}

int History() {
    std::string refusal;
    platform::PosixFileSystem fileSystem;
    const std::string folder = engine::UndoJournal::DefaultFolder();
    for (const std::string& line : engine::DescribeHistory(folder, fileSystem, &refusal)) {
        PrintCp932(stdout, line);
    }
    if (!refusal.empty()) {
        PrintCp932(stderr, refusal);
        return kExitFailed;
    }
    return std::fflush(stdout) == 0 ? kExitOk : kExitFailed;
}

// The keys a job has, for the shells' completion of --set: from the reader's own list.
int Keys() {
    for (const std::string& key : settings::PatternKeys()) PrintCp932(stdout, key);
    return std::fflush(stdout) == 0 ? kExitOk : kExitFailed;
}

}  // namespace

int RunCommandLine(int argc, char** argv) {
    if (argc < 2) {
        std::fputs(ProgramHelp().c_str(), stderr);
        return kExitUsage;
    }
    const Parsed parsed = ParseArguments(std::vector<std::string>(argv + 1, argv + argc));
    const Arguments& arguments = parsed.arguments;
    if (!parsed.error.empty()) return UsageError(parsed.error, arguments.command);
    if (arguments.version) {
        std::fputs(VersionText().c_str(), stdout);
        return std::fflush(stdout) == 0 ? kExitOk : kExitFailed;
    }
    if (arguments.help) {
        const std::string help =
            arguments.command == Command::None ? ProgramHelp() : CommandHelp(arguments.command);
        std::fputs(help.c_str(), stdout);
        return std::fflush(stdout) == 0 ? kExitOk : kExitFailed;
    }
    switch (arguments.command) {
        case Command::New:
            return New(arguments);
        case Command::Show:
            return Show(arguments);
        case Command::Preview:
            return Preview(arguments);
        case Command::Run:
            return Run(arguments);
        case Command::Apply:
            return Apply(arguments);
        case Command::Edit:
            return Edit(arguments);
        case Command::Undo:
            return Undo(arguments);
        case Command::History:
            return History();
        case Command::Keys:
            return Keys();
        case Command::None:
            break;
    }
    return UsageError("no command given");
}

}  // namespace morvanex::cli
