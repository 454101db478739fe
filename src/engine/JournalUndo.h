#pragma once

#include <string>
#include <vector>

#include "engine/UndoJournal.h"
#include "platform/FileSystem.h"

namespace morvanex::engine {

// The undo of the journal's last run, as the command line offers it: every move that finished
// is taken back, newest first, never over an existing file.
struct JournalUndoPlan {
    struct Move {
        std::size_t entry = 0;
        std::string from;  // the name the run gave
        std::string to;    // the name before the run
        platform::FileStatus before;
    };
    bool found = false;              // a journal exists
    bool copying = false;            // the last run copied: its sources were never touched
    bool restoreAttributes = false;  // the run changed attributes: give back the old ones
    bool restoreTimes = false;       // the run changed times: give back the old ones
    std::vector<Move> moves;
};

// Reads the journal and works out what undo would do, in the order it would do it. A move
// the run only intended counts when its file is found under the new name and not the old one
// (the run was stopped between the move and its record). Finished moves are not looked at
// here: the undo's own move refuses a taken old name or a missing new one, and says so.
JournalUndoPlan PlanJournalUndo(UndoJournal& journal, platform::FileSystem& fileSystem);

// Carries the plan out; each restored entry gets back its attributes and times and is marked
// undone in the journal. Returns the number restored; what could not be is added to problems.
int ExecuteJournalUndo(UndoJournal& journal, platform::FileSystem& fileSystem,
                       const JournalUndoPlan& plan, std::vector<std::string>& problems);

}  // namespace morvanex::engine
