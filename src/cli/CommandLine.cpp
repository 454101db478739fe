#include "cli/CommandLine.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iostream>
#include <optional>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "cli/TerminalInteraction.h"
#include "engine/ResultCodes.h"
#include "engine/RunDriver.h"
#include "engine/SettingsSummary.h"
#include "engine/Undo.h"
#include "engine/UndoJournal.h"
#include "platform/Codepage.h"
#include "platform/Paths.h"
#include "platform/PosixFileSystem.h"
#include "settings/PatternFile.h"
#include "settings/SettingsLifecycle.h"

namespace morvanex::cli {

namespace {

constexpr int kExitOk = 0;
constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;
constexpr int kExitConflicts = 3;

constexpr const char* kUsage =
    "Usage: morvanex-cli COMMAND [OPTIONS]\n"
    "\n"
    "Renames many files at once as a MorvaneX job file describes: a pattern file (.mvx)\n"
    "or an auto-exec file (.mxs), both saved by the program.\n"
    "\n"
    "Commands:\n"
    "  new [JOB]            Write a fresh job with every key at its default (the file the\n"
    "                       program saves for a new document) to JOB, or to standard output.\n"
    "                       An existing JOB is never replaced.\n"
    "  show JOB [--set SECTION.KEY=VALUE]...\n"
    "                       Print what JOB does, one labelled row per group of settings.\n"
    "  show --ini JOB [--set SECTION.KEY=VALUE]...\n"
    "                       Load JOB into fresh settings and write the job file the program\n"
    "                       would save for them (CP932, CR LF lines): normalises a job, and\n"
    "                       with --set saves a tuned copy of it.\n"
    "  preview JOB [--folder DIR] [--list FILE] [--format text|tsv|json] [--set ...]\n"
    "          [--quiet]\n"
    "                       Work out every new name without touching anything; one row\n"
    "                       per target: source, new path and a status:\n"
    "                         ok         the file gets the new path\n"
    "                         unchanged  the new path is the source itself\n"
    "                         duplicate  an earlier target gets the same new path\n"
    "                         exists     a file that no earlier target moves away is\n"
    "                                    already at the new path\n"
    "                       (the real run would stop at a duplicate or exists row).\n"
    "                       tsv rows are SOURCE<TAB>NEW_PATH<TAB>STATUS; in a path a\n"
    "                       backslash, tab, carriage return and line break are written\n"
    "                       \\\\, \\t, \\r and \\n, any other control byte \\xHH.\n"
    "  run JOB [--folder DIR] [--list FILE] [--yes] [--undo-on-failure] [--no-journal]\n"
    "          [--set ...] [--quiet]\n"
    "                       Rename (or copy) for real.\n"
    "  undo [--yes] [--quiet]\n"
    "                       Take back the newest run that is not undone yet: its files move\n"
    "                       back, newest first, and get back the attributes and times the run\n"
    "                       changed; also after a run that was killed. A file is moved back\n"
    "                       only while it is still the file the run moved, never over another\n"
    "                       file. Run again, it takes back the run before. It refuses while a\n"
    "                       newer run is still going. Without --yes it shows what it would do\n"
    "                       and asks.\n"
    "  history              List the kept runs, newest first: name, start, state, number of\n"
    "                       files changed, folder.\n"
    "  --help               Show this text.\n"
    "\n"
    "Options:\n"
    "  --folder DIR         Take the targets from DIR instead of the job's folder.\n"
    "  --list FILE          Take the targets from FILE, one path per line (UTF-8), in that\n"
    "                       order, instead of a folder.\n"
    "  --format FORMAT      How preview prints its rows: text (default), tsv or json.\n"
    "  --yes                run: answer Yes when the copy or log folder is missing and the\n"
    "                       job asks whether to create it (without it: No, and the run stops).\n"
    "                       undo: do not ask.\n"
    "  --undo-on-failure    run: when the run stops midway, move the files it renamed back.\n"
    "  --no-journal         run: do not record the run for undo (a run that cannot record\n"
    "                       itself otherwise stops before changing anything).\n"
    "  --set SECTION.KEY=VALUE\n"
    "                       show, preview, run: after JOB is loaded, set one of its keys as\n"
    "                       the line KEY=VALUE in section [SECTION] of the file would (names\n"
    "                       in any letter case, the value trimmed and unquoted, texts cut to\n"
    "                       their limit, folders absolute). Repeatable; applied in order,\n"
    "                       before --folder and --list. An unknown key, or a value other\n"
    "                       than digits (with a sign) for a numeric key, is a usage error.\n"
    "                       The file itself is not changed. Examples:\n"
    "                         --set StringChangeOption.UseRegex=1\n"
    "                         --set CommonOption.NaturalOrder=1\n"
    "                         --set \"StringChangeOption.ChangeBefore001=^IMG_(\\d+)\"\n"
    "  --quiet              run, preview, undo: no progress line. Without it, work that\n"
    "                       takes longer than half a second shows one updating line on\n"
    "                       standard error (count / total, files per second, time left)\n"
    "                       when standard error is a terminal, wiped when the work ends.\n"
    "\n"
    "Keys of note: StringChangeOption.UseRegex=1 makes every ChangeBefore a regular\n"
    "expression (PCRE2, over characters) and lets its ChangeAfter use $0-$9, ${name} and\n"
    "$$; CommonOption.NaturalOrder=1 sorts names with their numbers by value (file2 before\n"
    "file10).\n"
    "\n"
    "Every real run is recorded in a journal of its own in $XDG_STATE_HOME/morvanex/\n"
    "(default ~/.local/state/morvanex/; the last 20 runs are kept) so that `undo` can take\n"
    "it back. Folder and list paths are taken relative to the current folder.\n"
    "\n"
    "Exit status: 0 success; 1 the job (or the undo) failed, its message on standard error\n"
    "(for a job, first line \"Error Code : N\"); 2 usage error or a job file that does not\n"
    "load; 3 preview found duplicate or exists rows.\n";

void PrintCp932(FILE* stream, const std::string& cp932Text) {
    std::fprintf(stream, "%s\n", platform::Utf8FromCp932(cp932Text).c_str());
}

int UsageError(const std::string& message) {
    std::fprintf(stderr, "morvanex-cli: %s\nTry 'morvanex-cli --help'.\n", message.c_str());
    return kExitUsage;
}

std::string Absolute(const std::string& path) {
    if (path.starts_with("/")) return path;
    char buffer[4096];
    const char* cwd = ::getcwd(buffer, sizeof buffer);
    return std::string(cwd != nullptr ? cwd : ".") + "/" + path;
}

struct Options {
    std::string job;
    std::optional<std::string> folder;
    std::optional<std::string> list;
    ListFormat format = ListFormat::Text;
    bool yes = false;
    bool undoOnFailure = false;
    bool noJournal = false;
    bool ini = false;
    bool quiet = false;
    std::vector<std::string> sets;  // SECTION.KEY=VALUE, in the order given
};

// Parses the arguments a command allows; false (message printed) on anything else.
bool Parse(const std::vector<std::string>& args, std::string_view allowed, Options& options,
           bool needJob) {
    const auto allows = [&](std::string_view flag) {
        return allowed.find(flag) != std::string_view::npos;
    };
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        const auto value = [&]() -> const std::string* {
            return i + 1 < args.size() ? &args[++i] : nullptr;
        };
        if (arg == "--folder" && allows("folder")) {
            // An empty value (an unset shell variable) must not fall back to anything.
            const std::string* v = value();
            if (v == nullptr || v->empty()) return UsageError("--folder needs a folder"), false;
            options.folder = *v;
        } else if (arg == "--list" && allows("list")) {
            const std::string* v = value();
            if (v == nullptr || v->empty()) return UsageError("--list needs a file"), false;
            options.list = *v;
        } else if (arg == "--format" && allows("format")) {
            const std::string* v = value();
            if (v == nullptr || (*v != "text" && *v != "tsv" && *v != "json")) {
                return UsageError("--format takes text, tsv or json"), false;
            }
            options.format = *v == "tsv"    ? ListFormat::Tsv
                             : *v == "json" ? ListFormat::Json
                                            : ListFormat::Text;
        } else if (arg == "--yes" && allows("yes")) {
            options.yes = true;
        } else if (arg == "--undo-on-failure" && allows("undo-on-failure")) {
            options.undoOnFailure = true;
        } else if (arg == "--no-journal" && allows("no-journal")) {
            options.noJournal = true;
        } else if (arg == "--ini" && allows("ini")) {
            options.ini = true;
        } else if (arg == "--quiet" && allows("quiet")) {
            options.quiet = true;
        } else if (arg == "--set" && allows("set")) {
            const std::string* v = value();
            if (v == nullptr) return UsageError("--set needs SECTION.KEY=VALUE"), false;
            options.sets.push_back(*v);
        } else if (!arg.starts_with("--") && needJob && options.job.empty()) {
            options.job = arg;
        } else {
            return UsageError("unexpected argument '" + arg + "'"), false;
        }
    }
    if (needJob && options.job.empty()) return UsageError("no job file given"), false;
    if (options.folder && options.list) return UsageError("give either --folder or --list"), false;
    return true;
}

struct Job {
    platform::PosixFileSystem fileSystem;
    platform::SystemClock clock;
    settings::RenameSettings settings;
};

// Fresh settings with the job file loaded into them; false (message printed) when it fails.
bool LoadJob(Job& job, const std::string& path) {
    job.settings = settings::ConstructSettings({job.fileSystem, job.clock, {}});
    const std::string cp932 = platform::Cp932FromUtf8(Absolute(path));
    if (const settings::LoadResult result =
            settings::LoadPatternFile(job.settings, cp932, job.fileSystem);
        !result) {
        PrintCp932(stderr, settings::LoadFailureMessage(result, cp932));
        return false;
    }
    return true;
}

// Applies the --set overrides in order; false (message printed) at the first that is not a key
// of a job or not a value the key takes.
bool ApplyOverrides(Job& job, const Options& options) {
    for (const std::string& set : options.sets) {
        const std::size_t equals = set.find('=');
        const std::size_t dot = set.find('.');
        if (equals == std::string::npos || dot == std::string::npos || dot > equals || dot == 0 ||
            dot + 1 == equals) {
            return UsageError("--set takes SECTION.KEY=VALUE, not '" + set + "'"), false;
        }
        const std::string section = set.substr(0, dot);
        const std::string key = set.substr(dot + 1, equals - dot - 1);
        const std::string value = set.substr(equals + 1);
        const settings::LoadResult result =
            settings::SetPatternKey(job.settings, platform::Cp932FromUtf8(section),
                                    platform::Cp932FromUtf8(key), platform::Cp932FromUtf8(value));
        const std::string name = platform::Utf8FromCp932(result.section + "." + result.key);
        switch (result.error) {
            case settings::LoadError::None:
                continue;
            case settings::LoadError::UnknownKey:
                return UsageError("--set: a job has no key '" + name + "'"), false;
            case settings::LoadError::NotANumber:
                return UsageError("--set: " + name + " takes a number, not '" + value + "'"), false;
            default:
                return UsageError("--set: " +
                                  platform::Utf8FromCp932(settings::LoadErrorReason(result))),
                       false;
        }
    }
    return true;
}

// Applies --folder and --list; false (message printed) when the list cannot be read or the
// job needs a list that was not given.
bool ApplyTargets(Job& job, const Options& options) {
    if (options.folder) {
        // Resolved once, here: the run, its journal and its logs see only absolute paths.
        job.settings.SelectFile.FullPath =
            platform::WithTrailingSeparator(platform::Cp932FromUtf8(Absolute(*options.folder)));
        job.settings.SelectFile.FreeFileSelect = 0;
    }
    if (!options.list && job.settings.SelectFile.FreeFileSelect != 0) {
        UsageError("the job takes its targets from a list of files: give it with --list FILE");
        return false;
    }
    if (options.list) {
        std::ifstream in(*options.list, std::ios::binary);
        if (!in) {
            std::fprintf(stderr, "morvanex-cli: cannot read the list '%s'\n",
                         options.list->c_str());
            return false;
        }
        job.settings.FreeFileList.clear();
        std::string line;
        while (std::getline(in, line)) {
            if (!line.empty() && line.back() == '\r') line.pop_back();
            if (line.empty()) continue;
            job.settings.FreeFileList.push_back(platform::Cp932FromUtf8(Absolute(line)));
        }
        job.settings.SelectFile.FreeFileSelect = 1;
    }
    return true;
}

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

int New(const std::vector<std::string>& args) {
    if (args.size() > 1) return UsageError("new takes at most one job file");
    if (args.size() == 1 && (args[0].empty() || args[0].starts_with("--"))) {
        return UsageError("unexpected argument '" + args[0] + "'");
    }
    Job job;
    job.settings = settings::ConstructSettings({job.fileSystem, job.clock, {}});
    const std::string bytes = settings::SerializePatternFile(job.settings);
    if (args.empty()) {
        std::fwrite(bytes.data(), 1, bytes.size(), stdout);
        return std::fflush(stdout) == 0 ? kExitOk : kExitFailed;
    }
    const std::string& path = args[0];
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

int Show(const std::vector<std::string>& args) {
    Options options;
    if (!Parse(args, "ini set", options, true)) return kExitUsage;
    Job job;
    if (!LoadJob(job, options.job) || !ApplyOverrides(job, options)) return kExitUsage;
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

int Preview(const std::vector<std::string>& args) {
    Options options;
    if (!Parse(args, "folder list format set quiet", options, true)) return kExitUsage;
    Job job;
    if (!LoadJob(job, options.job) || !ApplyOverrides(job, options) ||
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

int Run(const std::vector<std::string>& args) {
    Options options;
    if (!Parse(args, "folder list yes undo-on-failure no-journal set quiet", options, true))
        return kExitUsage;
    Job job;
    if (!LoadJob(job, options.job) || !ApplyOverrides(job, options) ||
        !ApplyTargets(job, options)) {
        return kExitUsage;
    }
    const bool copying = job.settings.CopyToDir.EnableCopy != 0;
    TerminalInteraction terminal({options.yes, options.undoOnFailure && !copying}, ListFormat::Text,
                                 false, WantsProgressLine(STDERR_FILENO, options.quiet));
    engine::UndoJournal journal(engine::UndoJournal::DefaultFolder());
    const engine::RunContext context{job.fileSystem, job.clock, terminal,
                                     options.noJournal ? nullptr : &journal};
    const bool freeSelect = job.settings.SelectFile.FreeFileSelect != 0;
    const engine::RunOutcome outcome = engine::StartRun(
        job.settings, context, false, freeSelect ? &job.settings.FreeFileList : nullptr);
    return outcome.resultCode == 0 ? kExitOk : kExitFailed;
}

bool AskOnTerminal(const char* question) {
    std::fprintf(stderr, "%s [y/N] ", question);
    std::fflush(stderr);
    std::string answer;
    if (!std::getline(std::cin, answer)) return false;
    return answer == "y" || answer == "Y" || answer == "yes";
}

int Undo(const std::vector<std::string>& args) {
    Options options;
    if (!Parse(args, "yes quiet", options, false)) return kExitUsage;
    platform::PosixFileSystem fileSystem;
    const std::string folder = engine::UndoJournal::DefaultFolder();
    const engine::UndoChoice choice = engine::ChooseRunToUndo(folder);
    if (!choice.refusal.empty()) {
        PrintCp932(stderr, choice.refusal);
        return kExitFailed;
    }
    if (choice.run.path.empty()) {
        PrintCp932(stderr, engine::NoUndoDataMessage());
        return kExitFailed;
    }
    const std::vector<engine::UndoStep> steps = engine::PlanUndo(choice.run);
    std::fprintf(stderr, "Run %s (%s): %zu files to take back.\n", choice.run.name.c_str(),
                 platform::Utf8FromCp932(choice.run.root).c_str(), steps.size());
    if (!options.yes) {
        for (const auto& step : steps) {
            std::printf("%s -> %s\n", platform::Utf8FromCp932(step.from).c_str(),
                        platform::Utf8FromCp932(step.to).c_str());
        }
        std::fflush(stdout);
        const std::string question = "Take these " + std::to_string(steps.size()) + " files back?";
        if (!AskOnTerminal(question.c_str())) return kExitFailed;
    }
    TerminalInteraction terminal({}, ListFormat::Text, false,
                                 WantsProgressLine(STDERR_FILENO, options.quiet));
    terminal.CountProgressDown();
    const engine::UndoReport report = engine::UndoRun(choice.run.path, fileSystem, &terminal);
    if (report.error != 0) {
        std::fprintf(stderr, "morvanex-cli: %s: %s\n",
                     platform::Utf8FromCp932(choice.run.path).c_str(),
                     report.error == EWOULDBLOCK ? "the journal is in use by a run or another undo"
                                                 : std::strerror(report.error));
        return kExitFailed;
    }
    for (const auto& problem : report.problems) PrintCp932(stderr, problem);
    if (report.damaged != 0) {
        PrintCp932(stderr,
                   platform::Sjis("Undo用の記録ファイルが壊れています: ") + choice.run.path);
        std::fprintf(stderr, "%zu damaged records; every record that verified was taken back.\n",
                     report.damaged);
    }
    if (!report.Complete()) {
        std::fprintf(stderr, "%zu of %zu files taken back.\n", report.restored + report.alreadyBack,
                     steps.size());
        return kExitFailed;
    }
    PrintCp932(stdout, engine::UndoDoneMessage());
    return kExitOk;
}

int History(const std::vector<std::string>& args) {
    Options options;
    if (!Parse(args, "", options, false)) return kExitUsage;
    for (const std::string& line : engine::DescribeHistory(engine::UndoJournal::DefaultFolder())) {
        PrintCp932(stdout, line);
    }
    return std::fflush(stdout) == 0 ? kExitOk : kExitFailed;
}

}  // namespace

int RunCommandLine(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    if (args.empty()) {
        std::fputs(kUsage, stderr);
        return kExitUsage;
    }
    const std::string command = args.front();
    args.erase(args.begin());
    if (command == "--help" || command == "-h" || command == "help") {
        std::fputs(kUsage, stdout);
        return kExitOk;
    }
    if (command == "new") return New(args);
    if (command == "show") return Show(args);
    if (command == "preview") return Preview(args);
    if (command == "run") return Run(args);
    if (command == "undo") return Undo(args);
    if (command == "history") return History(args);
    return UsageError("unknown command '" + command + "'");
}

}  // namespace morvanex::cli
