#pragma once

#include <optional>
#include <string>
#include <vector>

#include "cli/TerminalInteraction.h"

// The command line's words: which command, its arguments and its options. One table holds every
// option (long name, short form, value, the commands that take it, its help); the parser
// (getopt_long), the help texts and the completions' cross-check read it.
namespace morvanex::cli {

enum class Command { None, New, Show, Preview, Run, Apply, Edit, Undo, History, Keys };

struct Arguments {
    Command command = Command::None;
    std::vector<std::string> operands;  // JOB for new, show, preview, run, edit; RUN for undo;
                                        // MAPPING for apply
    std::optional<std::string> folder;
    std::optional<std::string> list;
    ListFormat format = ListFormat::Text;
    bool yes = false;
    bool undoOnFailure = false;
    bool noJournal = false;
    bool ini = false;
    bool quiet = false;
    char separator = '\0';          // apply's column separator; '\0': told by the file
    bool header = false;            // apply: the first row names the columns
    std::vector<std::string> sets;  // SECTION.KEY=VALUE, in the order given
    bool help = false;              // --help: the command's help, or the program's
    bool version = false;
};

// The outcome of reading the words: the arguments, or a usage error (exit status 2) with its
// message, which names the option or word at fault.
struct Parsed {
    Arguments arguments;
    std::string error;  // empty when the words are fine
};

// Reads the words after the program's name. Options may stand before or after the command and
// its operands; "--" ends the options; a long option takes its value as "--opt=value" or as the
// next word and may be shortened to any prefix that names it alone.
Parsed ParseArguments(const std::vector<std::string>& words);

// The command's word ("preview").
const char* CommandName(Command command);

// The program's help (every command and option) and one command's help.
std::string ProgramHelp();
std::string CommandHelp(Command command);
// "morvanex-cli (MorvaneX) VERSION".
std::string VersionText();

}  // namespace morvanex::cli
