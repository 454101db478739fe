#pragma once

// morvanex-cli: the program's jobs from a terminal or a script.
namespace morvanex::cli {

// Exit statuses: 0 success, 1 the job failed (its message on standard error), 2 usage error or
// a job file that does not load, 3 a preview that predicts conflicts.
int RunCommandLine(int argc, char** argv);

}  // namespace morvanex::cli
