#include "cli/Options.h"

#include <getopt.h>

#include <algorithm>
#include <cstring>
#include <string_view>

#ifndef MORVANEX_VERSION
#error "MORVANEX_VERSION is the project's version, given by the build"
#endif

namespace morvanex::cli {

namespace {

constexpr unsigned Bit(Command command) {
    return 1u << static_cast<unsigned>(command);
}
constexpr unsigned kEveryCommand = ~0u;

struct CommandSpec {
    Command command;
    const char* name;
    const char* synopsis;  // after "morvanex-cli "; lines after the first are indented
    std::size_t minOperands;
    std::size_t maxOperands;
    const char* missingOperand;  // the usage error when fewer are given
    const char* text;            // what it does, wrapped to the help's width
    bool hidden;                 // for the completions, not in the help
};

// `undo` reads one operand: the run to take back, by the name history shows.
constexpr CommandSpec kCommands[] = {
    {Command::New, "new", "new [JOB]", 0, 1, "",
     "Write a fresh job with every key at its default (the\n"
     "file the program saves for a new document) to JOB, or\n"
     "to standard output. An existing JOB is never replaced.",
     false},
    {Command::Show, "show", "show [--ini] JOB [--set SECTION.KEY=VALUE]...", 1, 1,
     "no job file given",
     "Print what JOB does, one labelled row per group of\n"
     "settings. With --ini, write the job file the program\n"
     "would save for it instead (CP932, CR LF lines):\n"
     "normalises a job, and with --set saves a tuned copy.",
     false},
    {Command::Preview, "preview",
     "preview JOB [--folder DIR | --list FILE] [-f text|tsv|json]\n"
     "[-q] [--set SECTION.KEY=VALUE]...",
     1, 1, "no job file given",
     "Work out every new name without touching anything; one\n"
     "row per target: source, new path and a status:\n"
     "  ok         the file gets the new path\n"
     "  unchanged  the new path is the source itself\n"
     "  chain      the new path is freed by another target,\n"
     "             which the run moves first\n"
     "  cycle      one of a ring of names (a swap), broken\n"
     "             through a temporary name\n"
     "  duplicate  an earlier target gets the same new path\n"
     "  exists     a file the run does not move away is\n"
     "             already at the new path\n"
     "  refused    the folder refuses the name (FAT, exFAT)\n"
     "(the real run stops before its first move at a\n"
     "duplicate, exists or refused row; with\n"
     "--set CommonOption.PlanWholeRun=0 it moves the targets\n"
     "in their order and stops at the first name taken).\n"
     "tsv rows are SOURCE<TAB>NEW_PATH<TAB>STATUS; in a path a\n"
     "backslash, tab, carriage return and line break are\n"
     "written \\\\, \\t, \\r and \\n, any other control byte\n"
     "\\xHH. json is an array of {\"source\", \"target\",\n"
     "\"status\"} objects.",
     false},
    {Command::Run, "run",
     "run JOB [--folder DIR | --list FILE] [-y] [-q]\n"
     "[--undo-on-failure] [--no-journal]\n"
     "[--set SECTION.KEY=VALUE]...",
     1, 1, "no job file given", "Rename (or copy) for real.", false},
    {Command::Apply, "apply",
     "apply MAPPING [--folder DIR] [--separator C] [--header]\n"
     "[-f text|tsv|json] [-y] [-q]",
     1, 1, "no mapping file given",
     "Rename the files a mapping file names: each row holds\n"
     "an old name and a new one (a spreadsheet's CSV or TSV\n"
     "export). TSV when the first line holds a tab (fields\n"
     "escaped as preview's tsv writes them), else CSV with\n"
     "RFC 4180 quoting; UTF-8 (with or without a byte-order\n"
     "mark) or CP932. An old name is a path below DIR (by\n"
     "default the mapping file's folder); a new name is a\n"
     "name, or a path in the old one's folder. Rows that\n"
     "cannot be renamed (the old file missing, named twice,\n"
     "a new name in another folder or empty, fewer than two\n"
     "columns) are listed by line and nothing moves. The\n"
     "plan is then checked and ordered as a run's (swaps and\n"
     "chains of names included), shown as preview shows it\n"
     "and asked for (--yes skips both), and recorded for\n"
     "undo.",
     false},
    {Command::Edit, "edit",
     "edit [JOB] [--folder DIR | --list FILE] [-f text|tsv|json]\n"
     "[-y] [-q] [--set SECTION.KEY=VALUE]...",
     0, 1, "",
     "Rename in a text editor ($VISUAL, else $EDITOR, else vi):\n"
     "the targets are written one per line, as the path below\n"
     "the folder they share, to a temporary file; without JOB\n"
     "the files of DIR, of the list FILE or of the current\n"
     "folder with their own names, with JOB the targets it\n"
     "selects with the names it would give them (only the\n"
     "names: its other changes are not made). Change a line\n"
     "to rename its file in its own folder; a line that holds\n"
     "the file's own name leaves it alone. A name a line\n"
     "cannot hold as it is (a line break, a backslash, bytes\n"
     "that are not UTF-8, a leading #, blanks at the end) is\n"
     "written with the escapes of preview's tsv. Lines added\n"
     "or removed, an empty name, a changed folder part or a\n"
     "bad escape refuse the edit by line, and an editor that\n"
     "exits with an error cancels it: nothing moves. The plan\n"
     "is then a run's, as apply's: checked whole, swaps and\n"
     "chains ordered, shown and asked for (--yes skips both),\n"
     "recorded for undo.",
     false},
    {Command::Undo, "undo", "undo [RUN] [-y] [-q]", 0, 1, "",
     "Take back the newest run that is not undone yet: its\n"
     "files move back, newest first, and get back the\n"
     "attributes and times the run changed; also after a run\n"
     "that was killed. A file is moved back only while it is\n"
     "still the file the run moved, never over another file,\n"
     "and never from or to a place outside the run's folders.\n"
     "Run again, it takes back the run before, also after an\n"
     "undo that reported files it could not give back\n"
     "(history lists them). With RUN (a name from history) it\n"
     "takes back that run, again if need be, unless a newer\n"
     "run changed one of its files further. It refuses while\n"
     "a newer run is still going. Without --yes it shows what\n"
     "it would do and asks.",
     false},
    {Command::History, "history", "history", 0, 0, "",
     "List the kept runs, newest first: name, start, state,\n"
     "number of files changed, folder (for a list, the folder\n"
     "its files share); below a run an undo could not take\n"
     "back fully, the files it left and why.",
     false},
    {Command::Keys, "keys", "keys", 0, 0, "",
     "List every key of a job as SECTION.KEY, in file order.", true},
};

// Long-only options get values above every character.
enum OptionId : int {
    kYes = 'y',
    kQuiet = 'q',
    kFormat = 'f',
    kHelp = 'h',
    kVersion = 'V',
    kFolder = 256,
    kList,
    kSet,
    kIni,
    kUndoOnFailure,
    kNoJournal,
    kSeparator,
    kHeader,
};

struct OptionSpec {
    OptionId id;
    const char* name;
    bool shortForm;       // the id is also the short option
    const char* value;    // the value's name in the help; nullptr for a switch
    const char* missing;  // what "needs …" says when the value is missing
    unsigned commands;    // the commands that take it
    const char* help;     // wrapped to the help's width
};

constexpr OptionSpec kOptions[] = {
    {kFolder, "folder", false, "DIR", "a folder",
     Bit(Command::Preview) | Bit(Command::Run) | Bit(Command::Apply) | Bit(Command::Edit),
     "Take the targets from DIR instead of the job's folder\n"
     "(apply: the folder the old names are below)."},
    {kList, "list", false, "FILE", "a file",
     Bit(Command::Preview) | Bit(Command::Run) | Bit(Command::Edit),
     "Take the targets from FILE, one path per line (UTF-8),\n"
     "in that order, instead of a folder."},
    {kFormat, "format", true, "FORMAT", "text, tsv or json",
     Bit(Command::Preview) | Bit(Command::Apply) | Bit(Command::Edit),
     "How preview prints its rows: text (default), tsv or\n"
     "json."},
    {kYes, "yes", true, nullptr, nullptr,
     Bit(Command::Run) | Bit(Command::Apply) | Bit(Command::Edit) | Bit(Command::Undo),
     "run: answer Yes when the copy or log folder is missing\n"
     "and the job asks whether to create it (without it: No,\n"
     "and the run stops). apply, edit, undo: do not show the\n"
     "plan and ask."},
    {kSeparator, "separator", false, "C", "one character", Bit(Command::Apply),
     "The mapping's columns are separated by C (a spreadsheet\n"
     "that exports with ';'); \\t or tab for a tab."},
    {kHeader, "header", false, nullptr, nullptr, Bit(Command::Apply),
     "The mapping's first row names its columns: skip it."},
    {kUndoOnFailure, "undo-on-failure", false, nullptr, nullptr, Bit(Command::Run),
     "When the run stops midway, move the files it renamed\n"
     "back."},
    {kNoJournal, "no-journal", false, nullptr, nullptr, Bit(Command::Run),
     "Do not record the run for undo (a run that cannot\n"
     "record itself otherwise stops before changing\n"
     "anything)."},
    {kIni, "ini", false, nullptr, nullptr, Bit(Command::Show),
     "Print the job file instead of the summary."},
    {kSet, "set", false, "SECTION.KEY=VALUE", "SECTION.KEY=VALUE",
     Bit(Command::Show) | Bit(Command::Preview) | Bit(Command::Run) | Bit(Command::Edit),
     "After JOB is loaded, set one of its keys as the line\n"
     "KEY=VALUE in section [SECTION] of the file would\n"
     "(names in any letter case, the value trimmed and\n"
     "unquoted, texts cut to their limit, folders absolute).\n"
     "Repeatable; applied in order, before --folder and\n"
     "--list. An unknown key, or a value other than digits\n"
     "(with a sign) for a numeric key, is a usage error. The\n"
     "file itself is not changed. Examples:\n"
     "  --set StringChangeOption.UseRegex=1\n"
     "  --set CommonOption.NaturalOrder=1\n"
     "  --set \"StringChangeOption.ChangeBefore001=^IMG_(\\d+)\""},
    {kQuiet, "quiet", true, nullptr, nullptr,
     Bit(Command::Preview) | Bit(Command::Run) | Bit(Command::Apply) | Bit(Command::Edit) |
         Bit(Command::Undo),
     "No progress line. Without it, work that takes longer\n"
     "than half a second shows one updating line on standard\n"
     "error (count / total, files per second, time left) when\n"
     "standard error is a terminal, wiped when the work ends."},
    {kHelp, "help", true, nullptr, nullptr, kEveryCommand,
     "Show this text; after a command, that command's help."},
    {kVersion, "version", true, nullptr, nullptr, kEveryCommand, "Show the program's version."},
};

const CommandSpec* FindCommand(std::string_view name) {
    for (const CommandSpec& spec : kCommands) {
        if (name == spec.name) return &spec;
    }
    return nullptr;
}

const CommandSpec& SpecOf(Command command) {
    for (const CommandSpec& spec : kCommands) {
        if (spec.command == command) return spec;
    }
    return kCommands[0];
}

const OptionSpec* FindOption(int id) {
    for (const OptionSpec& spec : kOptions) {
        if (spec.id == id) return &spec;
    }
    return nullptr;
}

std::string Dashed(const OptionSpec& spec) {
    return std::string("--") + spec.name;
}

// A long option getopt_long did not take: unknown, or a prefix of more than one option.
std::string LongOptionError(std::string_view word) {
    std::string_view name = word.substr(2);
    name = name.substr(0, name.find('='));
    std::string matches;
    for (const OptionSpec& spec : kOptions) {
        if (std::string_view(spec.name).starts_with(name)) {
            matches += (matches.empty() ? "" : ", ") + Dashed(spec);
        }
    }
    if (matches.find(',') != std::string::npos) {
        return "option '--" + std::string(name) + "' is ambiguous: " + matches;
    }
    return "unknown option '--" + std::string(name) + "'";
}

// The words getopt_long could not read, as a message naming the option.
std::string OptionError(int result, int optionCharacter, std::string_view word) {
    const OptionSpec* spec = FindOption(optionCharacter);
    if (result == ':') {
        return spec != nullptr ? Dashed(*spec) + " needs " + spec->missing : "a value is missing";
    }
    if (spec != nullptr) return Dashed(*spec) + " takes no value";
    if (optionCharacter != 0) return std::string("unknown option '-") + char(optionCharacter) + "'";
    return LongOptionError(word);
}

// Takes one option's value into the arguments; a message when the value is not one it takes.
std::string TakeOption(Arguments& a, const OptionSpec& spec, const char* value) {
    switch (spec.id) {
        case kFolder:
        case kList:
            // An empty value (an unset shell variable) must not fall back to anything.
            if (*value == '\0') return Dashed(spec) + " needs " + spec.missing;
            (spec.id == kFolder ? a.folder : a.list) = value;
            break;
        case kFormat:
            if (std::strcmp(value, "text") == 0) {
                a.format = ListFormat::Text;
            } else if (std::strcmp(value, "tsv") == 0) {
                a.format = ListFormat::Tsv;
            } else if (std::strcmp(value, "json") == 0) {
                a.format = ListFormat::Json;
            } else {
                return "--format takes text, tsv or json, not '" + std::string(value) + "'";
            }
            break;
        case kSet:
            a.sets.emplace_back(value);
            break;
        case kYes:
            a.yes = true;
            break;
        case kQuiet:
            a.quiet = true;
            break;
        case kUndoOnFailure:
            a.undoOnFailure = true;
            break;
        case kNoJournal:
            a.noJournal = true;
            break;
        case kIni:
            a.ini = true;
            break;
        case kSeparator:
            if (std::strcmp(value, "\\t") == 0 || std::strcmp(value, "tab") == 0) {
                a.separator = '\t';
            } else if (std::strlen(value) == 1 && value[0] != '"' && value[0] != '\n' &&
                       value[0] != '\r') {
                a.separator = value[0];
            } else {
                return "--separator takes one character (or \\t), not '" + std::string(value) + "'";
            }
            break;
        case kHeader:
            a.header = true;
            break;
        case kHelp:
            a.help = true;
            break;
        case kVersion:
            a.version = true;
            break;
    }
    return {};
}

// Checks the command and its operands against its row; the command's options against theirs.
std::string CheckCommand(Arguments& a, const std::vector<std::string>& words,
                         const std::vector<const OptionSpec*>& given) {
    if (words.empty()) return "no command given";
    const CommandSpec* command = FindCommand(words.front());
    if (command == nullptr) return "unknown command '" + words.front() + "'";
    a.command = command->command;
    a.operands.assign(words.begin() + 1, words.end());
    if (a.help || a.version) return {};
    for (const OptionSpec* spec : given) {
        if ((spec->commands & Bit(a.command)) == 0) {
            return Dashed(*spec) + " is not an option of " + command->name;
        }
    }
    if (a.operands.size() > command->maxOperands) {
        return "unexpected argument '" + a.operands[command->maxOperands] + "'";
    }
    if (a.operands.size() < command->minOperands) return command->missingOperand;
    if (a.folder && a.list) return "give either --folder or --list";
    return {};
}

constexpr std::size_t kHelpColumn = 25;

void AppendColumns(std::string& out, const std::string& left, std::string_view text) {
    out += left;
    if (left.size() + 1 < kHelpColumn) {
        out.append(kHelpColumn - left.size(), ' ');
    } else {
        out += '\n';
        out.append(kHelpColumn, ' ');
    }
    for (const char c : text) {
        out += c;
        if (c == '\n') out.append(kHelpColumn, ' ');
    }
    out += '\n';
}

void AppendOption(std::string& out, const OptionSpec& spec) {
    std::string left = spec.shortForm ? std::string("  -") + char(spec.id) + ", " : "      ";
    left += Dashed(spec);
    if (spec.value != nullptr) left += std::string(" ") + spec.value;
    AppendColumns(out, left, spec.help);
}

void AppendSynopsis(std::string& out, const char* prefix, const CommandSpec& spec) {
    std::string_view synopsis = spec.synopsis;
    out += prefix;
    for (std::size_t line = 0; !synopsis.empty(); ++line) {
        const std::size_t end = synopsis.find('\n');
        if (line > 0) out.append(std::string_view(prefix).size() + 4, ' ');
        out += synopsis.substr(0, end);
        out += '\n';
        synopsis = end == std::string_view::npos ? std::string_view() : synopsis.substr(end + 1);
    }
}

constexpr const char* kProgramText =
    "Renames many files at once as a MorvaneX job file describes: a pattern file\n"
    "(.mvx) or an auto-exec file (.mxs), both saved by the program.\n";

constexpr const char* kOptionRules =
    "Options may stand before or after the command. A long option takes its value\n"
    "as --folder=DIR or --folder DIR and may be shortened to any beginning that\n"
    "names it alone (--undo for --undo-on-failure); -- ends the options (for a job\n"
    "file whose name starts with -).\n";

constexpr const char* kProgramNotes =
    "Keys of note: StringChangeOption.UseRegex=1 makes every ChangeBefore a regular\n"
    "expression (PCRE2, over characters) and lets its ChangeAfter use $0-$9,\n"
    "${name} and $$; CommonOption.NaturalOrder=1 sorts names with their numbers by\n"
    "value (file2 before file10).\n"
    "\n"
    "Every real run is recorded in a journal of its own in\n"
    "$XDG_STATE_HOME/morvanex/ (default: .local/state/morvanex/ in the home folder\n"
    "of your password entry; the last 20 runs are kept) so that `undo` can take it\n"
    "back. The folder must be yours and writable by no one else, or nothing runs;\n"
    "journals are checked with a key of yours kept there, so one written by anyone\n"
    "else is refused. Folder and list paths are taken relative to the current\n"
    "folder.\n";

constexpr const char* kExitStatus =
    "Exit status: 0 success; 1 the job (or the undo) failed, its message on\n"
    "standard error (for a job, first line \"Error Code : N\"); 2 usage error or a\n"
    "job file or a mapping that does not load; 3 preview (or apply, edit) found\n"
    "duplicate, exists or refused rows; 130 (143 for SIGTERM) run, apply, edit or\n"
    "undo stopped by Ctrl-C between two files, all it changed journaled: `undo`\n"
    "takes it back (a second Ctrl-C ends at once).\n";

}  // namespace

Parsed ParseArguments(const std::vector<std::string>& words) {
    Parsed parsed;
    Arguments& a = parsed.arguments;

    std::vector<std::string> storage;
    storage.reserve(words.size() + 1);
    storage.emplace_back("morvanex-cli");
    storage.insert(storage.end(), words.begin(), words.end());
    std::vector<char*> argv;
    for (std::string& word : storage) argv.push_back(word.data());
    argv.push_back(nullptr);
    const int argc = static_cast<int>(storage.size());

    // "-": operands come back in order as option 1, whatever POSIXLY_CORRECT says, so the
    // command is the first of them; ":": a missing value is told apart from an unknown option.
    std::string shortOptions = "-:";
    std::vector<option> longOptions;
    for (const OptionSpec& spec : kOptions) {
        const int hasValue = spec.value != nullptr ? required_argument : no_argument;
        longOptions.push_back({spec.name, hasValue, nullptr, spec.id});
        if (spec.shortForm) {
            shortOptions += static_cast<char>(spec.id);
            if (spec.value != nullptr) shortOptions += ':';
        }
    }
    longOptions.push_back({nullptr, 0, nullptr, 0});

    std::vector<std::string> operands;  // the command first
    std::vector<const OptionSpec*> given;
    optind = 0;  // glibc: start afresh, also after an earlier parse
    opterr = 0;  // the messages are ours, and name the option as it was meant
    for (;;) {
        const int result =
            getopt_long(argc, argv.data(), shortOptions.c_str(), longOptions.data(), nullptr);
        if (result == -1) break;
        if (result == 1) {
            operands.emplace_back(optarg);
            continue;
        }
        if (result == '?' || result == ':') {
            const std::string_view word = optind > 0 && optind <= argc ? argv[optind - 1] : "";
            parsed.error = OptionError(result, optopt, word);
            // The command, when it came first, says whose help to point to.
            if (!operands.empty()) {
                if (const CommandSpec* command = FindCommand(operands.front()))
                    a.command = command->command;
            }
            return parsed;
        }
        const OptionSpec* spec = FindOption(result);
        given.push_back(spec);
        parsed.error = TakeOption(a, *spec, spec->value != nullptr ? optarg : "");
        if (!parsed.error.empty()) return parsed;
    }
    // After "--" everything is an operand.
    for (int i = optind; i < argc; ++i) operands.emplace_back(argv[static_cast<std::size_t>(i)]);

    // "help COMMAND" is "COMMAND --help"; the program's own help and version need no command.
    if (!operands.empty() && operands.front() == "help") {
        operands.erase(operands.begin());
        a.help = true;
    }
    if (operands.empty() && (a.help || a.version)) return parsed;
    parsed.error = CheckCommand(a, operands, given);
    return parsed;
}

const char* CommandName(Command command) {
    return SpecOf(command).name;
}

std::string ProgramHelp() {
    std::string out = "Usage: morvanex-cli COMMAND [ARGUMENTS] [OPTIONS]\n\n";
    out += kProgramText;
    out += "\nCommands:\n";
    for (const CommandSpec& spec : kCommands) {
        if (spec.hidden) continue;
        if (std::strchr(spec.synopsis, '\n') == nullptr &&
            std::strlen(spec.synopsis) + 3 < kHelpColumn) {
            AppendColumns(out, std::string("  ") + spec.synopsis, spec.text);
            continue;
        }
        AppendSynopsis(out, "  ", spec);
        out.append(kHelpColumn, ' ');
        for (const char c : std::string_view(spec.text)) {
            out += c;
            if (c == '\n') out.append(kHelpColumn, ' ');
        }
        out += '\n';
    }
    AppendColumns(out, "  help [COMMAND]", "The help of one command (as COMMAND --help).");
    out += "\nOptions:\n";
    for (const OptionSpec& spec : kOptions) AppendOption(out, spec);
    out += '\n';
    out += kOptionRules;
    out += '\n';
    out += kProgramNotes;
    out += '\n';
    out += kExitStatus;
    return out;
}

std::string CommandHelp(Command command) {
    const CommandSpec& spec = SpecOf(command);
    std::string out;
    AppendSynopsis(out, "Usage: morvanex-cli ", spec);
    out += '\n';
    out += spec.text;
    out += "\n\nOptions:\n";
    for (const OptionSpec& option : kOptions) {
        if ((option.commands & Bit(command)) != 0) AppendOption(out, option);
    }
    out += '\n';
    out += kExitStatus;
    return out;
}

std::string VersionText() {
    return "morvanex-cli (MorvaneX) " MORVANEX_VERSION "\n";
}

}  // namespace morvanex::cli
