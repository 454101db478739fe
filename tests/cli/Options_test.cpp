// The command line's words read into a command, its operands and options.
#include "cli/Options.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

namespace morvanex::cli {
namespace {

// The arguments in one line: the command, [operands], then the options given.
std::string Describe(const Parsed& parsed) {
    if (!parsed.error.empty()) return "error: " + parsed.error;
    const Arguments& a = parsed.arguments;
    std::string out = a.command == Command::None ? "-" : CommandName(a.command);
    for (const std::string& operand : a.operands) out += " [" + operand + "]";
    if (a.folder) out += " folder=" + *a.folder;
    if (a.list) out += " list=" + *a.list;
    if (a.format == ListFormat::Tsv) out += " format=tsv";
    if (a.format == ListFormat::Json) out += " format=json";
    for (const std::string& set : a.sets) out += " set=" + set;
    if (a.separator == '\t') out += " separator=tab";
    if (a.separator != '\0' && a.separator != '\t') out += std::string(" separator=") + a.separator;
    const std::pair<bool, const char*> flags[] = {{a.yes, "yes"},
                                                  {a.undoOnFailure, "undo-on-failure"},
                                                  {a.noJournal, "no-journal"},
                                                  {a.ini, "ini"},
                                                  {a.quiet, "quiet"},
                                                  {a.header, "header"},
                                                  {a.help, "help"},
                                                  {a.version, "version"}};
    for (const auto& [on, name] : flags) {
        if (on) out += std::string(" ") + name;
    }
    return out;
}

TEST(Options, WordsBecomeACommandWithItsOperandsAndOptions) {
    struct Row {
        const char* name;
        std::vector<std::string> words;
        const char* expected;
    } rows[] = {
        {"value/after_equals",
         {"preview", "job.mvx", "--folder=/p"},
         "preview [job.mvx] folder=/p"},
        {"value/next_word",
         {"preview", "job.mvx", "--folder", "/p"},
         "preview [job.mvx] folder=/p"},
        {"value/next_word_even_with_dashes",
         {"show", "job.mvx", "--set", "--odd=1"},
         "show [job.mvx] set=--odd=1"},
        {"value/missing", {"preview", "job.mvx", "--folder"}, "error: --folder needs a folder"},
        {"value/missing_after_short",
         {"preview", "job.mvx", "-f"},
         "error: --format needs text, tsv or json"},
        // An unset shell variable gives an empty value: never a fall-back to another folder.
        {"value/empty", {"run", "job.mvx", "--folder="}, "error: --folder needs a folder"},
        {"value/given_to_a_switch", {"run", "job.mvx", "--yes=1"}, "error: --yes takes no value"},
        {"value/format_unknown",
         {"preview", "job.mvx", "--format", "xml"},
         "error: --format takes text, tsv or json, not 'xml'"},
        {"value/set_repeated_in_order",
         {"show", "j", "--set", "A.b=1", "--set=A.b=2"},
         "show [j] set=A.b=1 set=A.b=2"},
        {"value/separator_character",
         {"apply", "m.csv", "--separator", ";", "--header"},
         "apply [m.csv] separator=; header"},
        {"value/separator_tab_by_name",
         {"apply", "m.csv", "--separator=\\t"},
         "apply [m.csv] separator=tab"},
        {"value/separator_more_than_one",
         {"apply", "m.csv", "--separator=;;"},
         "error: --separator takes one character (or \\t), not ';;'"},
        // A quote opens a quoted field: it cannot also separate them.
        {"value/separator_quote",
         {"apply", "m.csv", "--separator=\""},
         "error: --separator takes one character (or \\t), not '\"'"},
        {"place/before_the_command",
         {"--folder=/tmp", "preview", "job.mvx"},
         "preview [job.mvx] folder=/tmp"},
        {"place/between_operands", {"run", "--yes", "job.mvx", "-q"}, "run [job.mvx] yes quiet"},
        {"end/double_dash", {"preview", "--", "-job.mvx"}, "preview [-job.mvx]"},
        {"end/options_after_it_are_operands", {"run", "--", "--yes"}, "run [--yes]"},
        {"short/bundled", {"run", "-yq", "job.mvx"}, "run [job.mvx] yes quiet"},
        {"short/value_attached", {"preview", "job.mvx", "-fjson"}, "preview [job.mvx] format=json"},
        {"short/value_next_word",
         {"preview", "-f", "tsv", "job.mvx"},
         "preview [job.mvx] format=tsv"},
        {"short/unknown", {"run", "-x", "job.mvx"}, "error: unknown option '-x'"},
        {"short/unknown_in_a_bundle", {"run", "-yz", "job.mvx"}, "error: unknown option '-z'"},
        {"long/unique_beginning",
         {"run", "job.mvx", "--undo", "--no-j"},
         "run [job.mvx] undo-on-failure no-journal"},
        {"long/ambiguous",
         {"preview", "job.mvx", "--fo=x"},
         "error: option '--fo' is ambiguous: --folder, --format"},
        {"long/unknown", {"preview", "job.mvx", "--nope"}, "error: unknown option '--nope'"},
        {"command/option_not_its_own",
         {"show", "--yes", "job.mvx"},
         "error: --yes is not an option of show"},
        {"command/mapping_option_not_for_run",
         {"run", "job.mvx", "--header"},
         "error: --header is not an option of run"},
        {"command/unknown", {"frobnicate"}, "error: unknown command 'frobnicate'"},
        {"command/none", {"--quiet"}, "error: no command given"},
        {"command/hidden_keys", {"keys"}, "keys"},
        {"operands/job_missing", {"run", "--yes"}, "error: no job file given"},
        {"operands/one_too_many",
         {"preview", "a.mvx", "b.mvx"},
         "error: unexpected argument 'b.mvx'"},
        {"operands/new_without_file", {"new"}, "new"},
        {"operands/mapping_missing", {"apply", "--yes"}, "error: no mapping file given"},
        {"operands/history_takes_none", {"history", "x"}, "error: unexpected argument 'x'"},
        {"operands/undo_run_name", {"undo", "20261207-101010-1"}, "undo [20261207-101010-1]"},
        {"operands/folder_and_list",
         {"run", "j", "--folder", "d", "--list", "l"},
         "error: give either --folder or --list"},
        {"help/program", {"--help"}, "- help"},
        {"help/word_alone", {"help"}, "- help"},
        {"help/command", {"preview", "--help"}, "preview help"},
        {"help/word_before_command", {"help", "run"}, "run help"},
        {"help/before_missing_operands", {"run", "-h"}, "run help"},
        {"help/unknown_command", {"help", "frobnicate"}, "error: unknown command 'frobnicate'"},
        {"version/program", {"-V"}, "- version"},
        {"version/after_a_command", {"history", "--version"}, "history version"},
    };
    // getopt_long permutes differently under POSIXLY_CORRECT; the reading must not change.
    for (const bool posixlyCorrect : {false, true}) {
        if (posixlyCorrect) {
            ::setenv("POSIXLY_CORRECT", "1", 1);
        } else {
            ::unsetenv("POSIXLY_CORRECT");
        }
        for (const Row& row : rows) {
            EXPECT_EQ(Describe(ParseArguments(row.words)), row.expected)
                << row.name << (posixlyCorrect ? " (POSIXLY_CORRECT)" : "");
        }
    }
    ::unsetenv("POSIXLY_CORRECT");
}

}  // namespace
}  // namespace morvanex::cli
