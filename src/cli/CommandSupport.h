#pragma once

#include <string>

// What the commands share beside the interaction: paths given relative to the folder the
// program was started in, and the terminal's yes/no question.
namespace morvanex::cli {

// The path as given when absolute, else below the current folder (resolved once, here: the
// run, its journal and its logs see only absolute paths).
std::string AbsolutePath(const std::string& path);

// Asks on standard error and reads the answer from standard input: Yes only for "y", "Y" or
// "yes"; anything else, or the end of the input, is No.
bool AskOnTerminal(const std::string& question);

}  // namespace morvanex::cli
