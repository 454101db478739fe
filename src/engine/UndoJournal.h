#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Clock.h"
#include "platform/FileSystem.h"
#include "platform/MappedFile.h"

namespace morvanex::engine {

// The undo journal. Every real run writes a journal file of its own in the user's state folder
// ($XDG_STATE_HOME/morvanex/): for each target it is about to change, one record of what it
// will do (old and new path, the file's identity and its status before the change), stored
// before the change and marked done after it. An undo — from the window or from the command
// line, also after the run was killed — trusts the file, not the path: it moves back only a
// file that is still the one the run moved. The last runs are kept as a history.
//
// A run writes its records through a shared mapping: a record is in the page cache the moment
// it is stored, with no system call per target; its state word is stored last, so a record is
// never seen half-written, and each record carries a checksum, so a damaged one is recognised.
// While a run is going its journal is locked; an undo locks the journal it works on too.
namespace journal {

// What happened to a record's target. The values are far apart in their bits: a flipped bit
// makes a state that is none of these, which reads as damage rather than as another state.
enum class State : std::uint32_t {
    Empty = 0,              // no record here: the end of the records
    Intended = 0x494E5444,  // stored before the change; the change may or may not have happened
    Done = 0x444F4E45,      // the change happened
    Void = 0x564F4944,      // the change failed and the file is as it was
    Undone = 0x554E444F,    // an undo took the change back
};

// What the run changes of a target (bits of Record::changes).
enum Change : std::uint32_t {
    kMoved = 1,       // the file gets another path
    kAttributes = 2,  // its attributes change (or are cleared for the move and given back)
    kTimes = 4,       // its times change
};

struct Record {
    State state = State::Empty;
    std::uint32_t changes = 0;
    std::string oldPath;  // CP932, absolute
    std::string newPath;  // the same as oldPath when the name stays
    // A change of letter case only goes through this temporary name where the file system
    // ignores case; empty otherwise.
    std::string viaPath;
    platform::FileStatus before;  // identity, attributes, times with their fractions, size
    // The modification time the run left (the same as before's unless the run set times).
    platform::Timestamp afterModification = 0;
    std::uint32_t afterModificationNs = 0;
    bool damaged = false;  // the checksum does not match: nothing of it can be trusted
};

// One run's journal as read back.
struct Run {
    std::string path;  // CP932 path of the journal file
    std::string name;  // the file's name without ".journal": the run's name in messages
    platform::Timestamp started = 0;
    std::string root;              // CP932: the folder the run worked on, or the list it was given
    bool readable = false;         // a journal of this version with an intact header
    bool running = false;          // locked by a run (or an undo) that is still going
    bool cutShort = false;         // the end of the records is missing: the file was cut or damaged
    std::uint32_t undoPasses = 0;  // how many undos have worked on it
    std::vector<Record> records;

    std::size_t Count(State state) const;
    // Damaged records, and one more for a journal cut short (its lost records are not known).
    std::size_t Damaged() const;
    // Records an undo would still take back: intended or done, and intact.
    std::size_t Pending() const;
};

// The journal files of the state folder, newest first (CP932 paths).
std::vector<std::string> ListRuns(const std::string& folder);

// Reads a journal. `run.readable` is false for a file that is not a journal of this version or
// whose header is damaged; `running` is true while another process holds its lock.
Run ReadRun(const std::string& path);

// A journal opened to be worked on by an undo: locked against runs and other undos, its
// records' states written one by one as they are taken back.
class RunFile {
  public:
    RunFile() = default;
    ~RunFile();
    RunFile(const RunFile&) = delete;
    RunFile& operator=(const RunFile&) = delete;

    // 0, EWOULDBLOCK while a run or another undo holds the journal, or the system error.
    int Open(const std::string& path);
    const Run& Contents() const { return m_run; }
    // Writes the state of record i to the file; 0 or the system error.
    int SetState(std::size_t i, State state);
    // Counts one more undo that worked on the journal (and reported what it could not do).
    int CountUndoPass();
    void Close();

  private:
    int m_fd = -1;
    Run m_run;
    std::vector<std::uint64_t> m_offsets;
};

}  // namespace journal

// The journal writer of one process (the window, a command-line run): it begins a journal file
// for each real run, records its targets, and remembers which file its last run wrote.
class UndoJournal {
  public:
    // `folder` (CP932, ending with the separator) holds the journal files.
    explicit UndoJournal(std::string folder);
    ~UndoJournal();
    UndoJournal(const UndoJournal&) = delete;
    UndoJournal& operator=(const UndoJournal&) = delete;

    // $XDG_STATE_HOME/morvanex/, else ~/.local/state/morvanex/ (CP932).
    static std::string DefaultFolder();
    const std::string& Folder() const { return m_folder; }

    // How many runs the folder keeps: older journals are removed as new runs begin.
    static constexpr std::size_t kRunsKept = 20;

    // Begins the journal of a new run on `root` (the folder, or a description of the list),
    // locked until EndRun. 0 or the system error; without a journal the run must not start.
    int BeginRun(std::string_view root, platform::Timestamp now);
    bool Recording() const { return m_writing; }
    // The journal file of the last run this object began ("" before the first).
    const std::string& RunPath() const { return m_runPath; }

    // Records the change about to be made to one target (Change bits), before any part of it
    // is made. 0, or the system error when the record cannot be stored (the journal cannot
    // grow, or was cut short under the run): the change must then not be made.
    int Intend(std::string_view oldPath, std::string_view newPath, std::string_view viaPath,
               const platform::FileStatus& before, std::uint32_t changes);
    // The change intended last was made; `modification` is the modification time it left.
    // False when the journal was cut short under the run.
    bool Done(platform::Timestamp modification, std::uint32_t modificationNs);
    // The change intended last was not made, and the file is as it was.
    bool Void();
    // Closes the run's journal, starts pushing it to the disk and releases its lock.
    void EndRun();

  private:
    bool SetLastState(journal::State state);

    std::string m_folder;
    std::string m_runPath;
    platform::MappedFile m_file;
    bool m_writing = false;
    std::size_t m_end = 0;         // where the next record goes
    std::size_t m_lastRecord = 0;  // the record Intend wrote last
    std::string m_buffer;          // host forms of the paths, kept from record to record
    std::string m_part;
};

}  // namespace morvanex::engine
