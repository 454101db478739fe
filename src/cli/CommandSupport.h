#pragma once

#include <cstdio>
#include <string>

#include "cli/Options.h"
#include "platform/Clock.h"
#include "platform/PosixFileSystem.h"
#include "settings/RenameSettings.h"

// What the commands share beside the interaction: exit statuses, usage errors, a job loaded and
// tuned from the command line, paths given relative to the folder the program was started in,
// and the terminal's yes/no question.
namespace morvanex::cli {

constexpr int kExitOk = 0;
constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;
constexpr int kExitConflicts = 3;

// A CP932 text as a line of the terminal's (UTF-8).
void PrintCp932(FILE* stream, const std::string& cp932Text);

// The message, and where the help is: the command's own once the command is known. Returns the
// usage error's exit status.
int UsageError(const std::string& message, Command command = Command::None);

struct Job {
    platform::PosixFileSystem fileSystem;
    platform::SystemClock clock;
    settings::RenameSettings settings;
};

// Fresh settings with the job file loaded into them; false (message printed) when it fails.
bool LoadJob(Job& job, const std::string& path);

// Applies the --set overrides in order; false (message printed) at the first that is not a key
// of a job or not a value the key takes.
bool ApplyOverrides(Job& job, const Arguments& options);

// Applies --folder and --list; false (message printed) when the list cannot be read or the
// job needs a list that was not given.
bool ApplyTargets(Job& job, const Arguments& options);

// The path as given when absolute, else below the current folder (resolved once, here: the
// run, its journal and its logs see only absolute paths).
std::string AbsolutePath(const std::string& path);

// Asks on standard error and reads the answer from standard input: Yes only for "y", "Y" or
// "yes"; anything else, or the end of the input, is No.
bool AskOnTerminal(const std::string& question);

}  // namespace morvanex::cli
