#pragma once

#include "cli/Options.h"

// The commands that rename files to names given from outside a job: `apply` (a mapping file)
// and `edit` (the names edited in a text editor). Both end in the same run as `run`: the plan
// checked whole and ordered (chains and rings of names), shown as `preview` shows it and asked
// for unless --yes, journaled, so that `undo` takes it back and `history` lists it. Ctrl-C
// stops the run as it stops `run`.
namespace morvanex::cli {

// Each returns the program's exit status.
int Apply(const Arguments& options);
int Edit(const Arguments& options);

}  // namespace morvanex::cli
