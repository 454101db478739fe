#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

#include "engine/Interaction.h"
#include "engine/UndoJournal.h"
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
    std::vector<std::string> problems;  // CP932, one line per record left as it is

    bool Complete() const { return error == 0 && damaged == 0 && problems.empty(); }
};

// One move an undo of a run would make, newest first: for the question before it starts.
struct UndoStep {
    std::string from;  // the path the run gave
    std::string to;    // the path before the run
};
std::vector<UndoStep> PlanUndo(const journal::Run& run);

// Takes back every record of the journal that is still pending, newest first. A record is
// taken back only when its file is found and is still the file the run changed: the same
// identity (device and inode), or — where the file system keeps no inode numbers (FAT, exFAT,
// some FUSE file systems) — the same kind, size and modification time (within the two seconds
// of FAT). A file is never moved over another. The file gets back its attributes and times
// where the run changed them. Everything else is reported by path and left as it is. A name a
// killed run had only reserved (an empty file of its own, made where the file system cannot
// refuse a taken name by itself) is removed.
UndoReport UndoRun(const std::string& journalPath, platform::FileSystem& fileSystem,
                   Interaction* progress);
// The same over records held in memory (a run made without a journal); `markUndone` is told
// each record taken back and returns 0 or the error that stops the undo.
UndoReport UndoRecords(const journal::Run& run, platform::FileSystem& fileSystem,
                       Interaction* progress, const std::function<int(std::size_t)>& markUndone);

// The run the command line's undo takes back: the newest with records not yet undone (or with
// damage an undo has not reported yet). It refuses, naming the run, while a newer run is still
// going or a newer journal cannot be read, so a newer run is never passed over silently.
struct UndoChoice {
    journal::Run run;     // the chosen run (path empty when there is none)
    std::string refusal;  // CP932; set when it refuses
};
UndoChoice ChooseRunToUndo(const std::string& journalFolder);

// The lines of the command line's history: one per kept run, newest first (CP932).
std::vector<std::string> DescribeHistory(const std::string& journalFolder);

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
