#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "engine/Interaction.h"
#include "engine/StopRequest.h"
#include "engine/journal/UndoJournal.h"
#include "platform/FileSystem.h"

// Undo from a run's journal, one routine for the window and the command line: names,
// attributes and times come back the same way whoever asks.
namespace morvanex::engine {

// What an undo of one run did.
struct UndoReport {
    int error = 0;                // the journal could not be opened (EWOULDBLOCK: it is in use)
    std::size_t restored = 0;     // records taken back now
    std::size_t alreadyBack = 0;  // found as they were before the run (an undo was interrupted)
    std::size_t damaged = 0;      // records that do not verify (a journal cut short counts one)
    // CP932, one line per record left as it is, or back under its name without the attributes
    // or times the system refused to give back.
    std::vector<std::string> problems;
    bool stopped = false;  // the user stopped it: the older records are still pending

    bool Complete() const { return error == 0 && damaged == 0 && problems.empty() && !stopped; }
};

// One move an undo of a run would make, newest first: for the question before it starts. The
// paths are the run's own records', valid while the run is.
struct UndoStep {
    std::string_view from;  // the path the run gave
    std::string_view to;    // the path before the run
};
std::vector<UndoStep> PlanUndo(const journal::Run& run);

// Takes back every record of the journal that is still pending, newest first. A record is
// taken back only when its paths lie inside the folders the run recorded and its file is found
// and is still the file the run changed: the same identity (device and inode) and the same birth
// time where one is recorded, else also the size and the modification time the run left; or —
// where the file system keeps no inode numbers (FAT, exFAT, some FUSE file systems) — the same
// kind, size and modification time (within the two seconds of FAT). A record without an identity
// is never matched. A file is never moved over another. The file gets back its attributes and
// times where the run changed them; what of them the system refuses is reported and the record
// stays pending (an undo of the run named later tries again), and the undo goes on. Everything
// else is reported by path, left as it is, and marked in the journal with the reason; an undo
// that reported anything settles the run (the plain `undo` goes on to the run before). A name a
// killed run had only reserved (an empty file of its own, made where the file system cannot
// refuse a taken name by itself) is removed.
// A stop, looked at between two records, leaves the records not reached pending and the run
// unsettled: the next undo goes on with them.
UndoReport UndoRun(const std::string& journalPath, platform::FileSystem& fileSystem,
                   Interaction* progress, const StopRequest* stop = nullptr);
// The same on a journal already opened (ChooseRunToUndo's held choice).
UndoReport UndoRun(journal::RunFile& file, platform::FileSystem& fileSystem, Interaction* progress,
                   const StopRequest* stop = nullptr);
// The same over records held in memory: a journal's, or a run's made without one. A run that
// records no folders (made without a journal, or a journal of an earlier version) does not
// confine its records. `markUndone` is told each record
// taken back and returns 0 or the error that stops the undo; `markLeft`, when given, each record
// left as it was and why.
UndoReport UndoRecords(const journal::Run& run, platform::FileSystem& fileSystem,
                       Interaction* progress, const std::function<int(std::size_t)>& markUndone,
                       const std::function<void(std::size_t, journal::Left, int)>& markLeft = {},
                       const StopRequest* stop = nullptr);

// One line for a record an undo left as it was: its path and the reason (CP932).
std::string LeftProblem(const journal::Record& record, journal::Left reason, int error);

// The run the command line's undo takes back. Without a name: the newest run with records not
// yet undone (or with damage not reported yet) that no undo has settled. With `name` (as the
// history shows it): that run, settled or not. It refuses, naming the run, while a newer run is
// still going or a newer journal cannot be read (so a newer run is never passed over silently),
// and while a newer run holds one of the chosen run's files: a change of the newer run that is
// not taken back (intended or done, intact) starts at the path where the chosen run left one of
// its pending files (its new path; its old path when the name stayed), or was made to the same
// file (the same device and inode, and the same birth time where both record one). A state
// folder that cannot be listed is refused with the system's error, never taken for one without
// runs. With `hold`, each journal looked at is opened as an undo opens it (locked; one that a
// run or an undo holds is refused as one still going), and the chosen one is handed over open in
// `file`, `run` left empty: an undo made at once reads its journal once, and no other undo comes
// between.
struct UndoChoice {
    journal::Run run;     // the chosen run (path empty when there is none, or when held)
    std::string refusal;  // CP932; set when it refuses
    std::unique_ptr<journal::RunFile> file;  // the chosen run's journal, held open
};
UndoChoice ChooseRunToUndo(const std::string& journalFolder, platform::FileSystem& fileSystem,
                           std::string_view name = {}, bool hold = false);

// The lines of the command line's history: one per kept run, newest first, each followed by
// indented lines for what an undo left of it, or why its journal cannot be read (CP932). A state
// folder that fails its check or cannot be listed gives no lines and says why in `refusal`.
std::vector<std::string> DescribeHistory(const std::string& journalFolder,
                                         platform::FileSystem& fileSystem,
                                         std::string* refusal = nullptr);

// Moves `from` to `to` never over another file. Where that fails only because the file system
// ignores case and the two names differ only in letter case, the file goes through `via`
// (never over another file either) and comes back to `from` if the second step fails. Every
// step moves only the file `expected` describes, where given (FileSystem::Move).
int MoveKeepingCase(platform::FileSystem& fileSystem, const std::string& from,
                    const std::string& to, const std::string& via,
                    const platform::FileStatus* expected);

// True when the two paths differ in the letter case of ASCII letters only.
bool DiffersOnlyInCase(std::string_view a, std::string_view b);

}  // namespace morvanex::engine
