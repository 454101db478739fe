#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Clock.h"
#include "platform/FileSystem.h"
#include "platform/MappedFile.h"

namespace morvanex::engine {

// The undo journal. Every real run writes a journal file of its own in the user's state folder
// ($XDG_STATE_HOME/morvanex/, else .local/state/morvanex/ in the home folder of the user's
// password entry): for each target it is about to change, one record of what it will do (old and
// new path, the file's identity and its status before the change), stored before the change and
// marked done after it. An undo — from the window or from the command line, also after the run
// was killed — trusts the file, not the path: it moves back only a file that is still the one
// the run moved. The last runs are kept as a history.
//
// The journals are the user's alone: the state folder is used only while it belongs to the user
// and no one else may write in it, and every header and record carries a checksum keyed with a
// random key of the user's (a file in that folder), so that a journal written by anyone else —
// or damaged — is recognised and refused. Runs are numbered in the order they began (under the
// state folder's lock), never by the clock.
//
// A run writes its records through a shared mapping: a record is in the page cache the moment
// it is stored, with no system call per target; its state word is stored last, so a record is
// never seen half-written. While a run is going its journal is locked; an undo locks the journal
// it works on too.
//
// Every call on the state folder and the journal files goes through the FileSystem the caller
// gives (a run's own): the folder and files are held open (FolderHandle, FileHandle), so a
// fault-injecting file system can fail each call.
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
    // A move to a temporary name that breaks a ring of names (a swap): the file's own record is
    // the later one that takes it from there to its new name. Not a file of its own: the history
    // does not count it.
    kParked = 8,
};

// Why the last undo left a record as it was (kept in the record, for the history).
enum class Left : std::uint32_t {
    None = 0,
    Missing = 1,    // the file is under none of its names, or is another file now
    NameTaken = 2,  // another file holds the old name
    Outside = 3,    // a path of the record lies outside the run's folders
    System = 4,     // the move failed with a system error
    // Back under its old name, but the system refused to give back (with the error kept):
    Attributes = 5,          // its attributes
    Times = 6,               // its times
    AttributesAndTimes = 7,  // both (the error is the attributes')
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
    Left left = Left::None;  // why the last undo left it (journals of the current version)
    int leftError = 0;       // the system error of Left::System
    bool damaged = false;    // the checksum does not match: nothing of it can be trusted
};

// One run's journal as read back.
struct Run {
    std::string path;  // CP932 path of the journal file
    std::string name;  // the file's name without ".journal": the run's name in messages
    std::uint32_t version = 0;
    // The run's number in the order runs began; 0 for a journal of an earlier version, which
    // is older than every numbered one.
    std::uint64_t sequence = 0;
    platform::Timestamp started = 0;
    // CP932: what the run worked on, as the history shows it: the folder, or the folder the
    // listed files share.
    std::string root;
    // CP932, each ending with the separator: where the run's files lie (the folder, the copy
    // destination, each folder of a list). A record with a path outside all of them is never
    // taken back. Empty for a journal of an earlier version, which recorded none.
    std::vector<std::string> folders;
    bool readable = false;         // an intact journal of the user, of a version this program reads
    std::string problem;           // CP932: why it is not readable
    bool running = false;          // locked by a run (or an undo) that is still going
    bool cutShort = false;         // the end of the records is missing: the file was cut or damaged
    std::uint32_t undoPasses = 0;  // how many undos have reported what they could not do
    std::vector<Record> records;

    std::size_t Count(State state) const;
    // Damaged records, and one more for a journal cut short (its lost records are not known).
    std::size_t Damaged() const;
    // Records an undo would still take back: intended or done, and intact.
    std::size_t Pending() const;
    // The files the run changed: its records that were not void, a ring's step to a temporary
    // name not counted.
    std::size_t Files() const;
    // An undo has reported what it could not give back: the plain `undo` goes on to the run
    // before; the run is taken back again only when it is named.
    bool Settled() const { return undoPasses > 0; }
};

using Key = std::array<unsigned char, 16>;

// The state folder, opened and checked: owned by the effective user and writable by no one
// else (as ssh treats its folder), holding the user's key and the lock under which runs take
// their numbers. Everything in it is reached relative to the open folder.
class StateFolder {
  public:
    StateFolder() = default;
    ~StateFolder();
    StateFolder(const StateFolder&) = delete;
    StateFolder& operator=(const StateFolder&) = delete;

    // Opens `folder` (CP932, ending with the separator). With `create`, missing folders are
    // made (0700) and so is the key. 0, or the system error; for a folder or key that fails the
    // check EPERM, and Problem() names it and says how to mend it.
    int Open(platform::FileSystem& fileSystem, const std::string& folder, bool create);
    void Close();
    bool IsOpen() const { return m_folder != nullptr; }
    // The open folder (only while IsOpen).
    platform::FolderHandle& Folder() const { return *m_folder; }
    const std::string& Path() const { return m_path; }
    const std::string& Problem() const { return m_problem; }
    // The key: absent until the first run of the user made it.
    bool HasKey() const { return m_hasKey; }
    const Key& UserKey() const { return m_key; }
    // An exclusive (or shared) lock of the folder, waited for: held until the handle ends;
    // null with `error` set when it cannot be taken.
    std::unique_ptr<platform::FileHandle> Lock(bool exclusive, int& error) const;

  private:
    int LoadKey(bool create);
    int Refuse(int error, std::string problem);

    std::unique_ptr<platform::FolderHandle> m_folder;
    std::string m_path;
    std::string m_problem;
    Key m_key{};
    bool m_hasKey = false;
};

// The journal files of a state folder, newest first: by their numbers, journals of the earlier
// versions after all numbered ones (by their names, which hold their start), and a file that
// cannot be verified where its name puts it (CP932 paths). Nothing when the folder is missing
// or fails its check, or cannot be listed: `error` (when given) then says why (ENOENT: missing).
std::vector<std::string> ListRuns(const std::string& folder, platform::FileSystem& fileSystem,
                                  int* error = nullptr);

// Reads a journal. `run.readable` is false (with `problem` saying why) for a file that is not
// a journal of the user — another key, another owner, a state folder that fails its check —
// or whose header is damaged; `running` is true while another process holds its lock.
Run ReadRun(const std::string& path, platform::FileSystem& fileSystem);

// A journal opened to be worked on by an undo: locked against runs and other undos, its
// records' states written one by one as they are taken back.
class RunFile {
  public:
    RunFile() = default;
    ~RunFile();
    RunFile(const RunFile&) = delete;
    RunFile& operator=(const RunFile&) = delete;

    // 0, EWOULDBLOCK while a run or another undo holds the journal, or the system error.
    int Open(const std::string& path, platform::FileSystem& fileSystem);
    const Run& Contents() const { return m_run; }
    // Writes the state of record i to the file; 0 or the system error.
    int SetState(std::size_t i, State state);
    // Writes why the undo left record i as it was (journals of the current version keep it).
    int SetLeft(std::size_t i, Left reason, int error);
    // Counts one more undo that worked on the journal and reported what it could not do.
    int CountUndoPass();
    void Close();

  private:
    // A word of the file: stored into its mapping (no system call per record), or written where
    // the file could not be mapped. EIO when the file was cut under the mapping.
    int WriteWord(std::uint64_t offset, std::uint32_t value);

    std::unique_ptr<platform::FileHandle> m_file;
    unsigned char* m_data = nullptr;  // the file mapped, when it could be
    std::size_t m_mapped = 0;
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

    // $XDG_STATE_HOME/morvanex/ when that is absolute, else .local/state/morvanex/ in the home
    // folder of the effective user's password entry (CP932); "" when there is neither — never
    // a folder others share.
    static std::string DefaultFolder();
    const std::string& Folder() const { return m_folder; }

    // How many runs the folder keeps: the oldest journals (by number) are removed as new runs
    // begin, and before them any file there that cannot be verified.
    static constexpr std::size_t kRunsKept = 20;

    // Begins the journal of a new run, locked until EndRun. `root` is what the run works on as
    // the history names it; `folders` (each ending with the separator) where its files lie —
    // every path recorded must lie inside one of them for an undo to take it back; none: the
    // root alone. The journal's files are reached through `fileSystem` (the run's) until the
    // next BeginRun. 0 or the system error (Problem() then says more where there is more to
    // say); without a journal the run must not start.
    int BeginRun(platform::FileSystem& fileSystem, std::string_view root, platform::Timestamp now,
                 const std::vector<std::string>& folders = {});
    // Why BeginRun failed beyond its error: the state folder or the key that fails its check,
    // or that there is no state folder (CP932; empty otherwise).
    const std::string& Problem() const { return m_problem; }
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
    // Closes the run's journal, starts pushing it to the disk and releases its lock. 0, or EIO
    // when the file holds less than the run wrote into it: someone cut it inside the last page
    // the run wrote, where a store does not fault and is lost.
    int EndRun();

    // The records this run has stored so far.
    std::size_t Written() const { return m_written; }
    // How many of them the journal file holds intact now, read back from it (-1 when its header
    // is lost): after the file was cut under the run, what an undo can still take back.
    long RecordedNow() const;

  private:
    bool SetLastState(journal::State state);
    int CreateRunFile(std::uint64_t sequence);

    std::string m_folder;
    platform::FileSystem* m_fileSystem = nullptr;  // the last run's
    std::string m_runPath;
    std::string m_problem;
    journal::StateFolder m_state;  // open while a run begins
    platform::MappedFile m_file;
    journal::Key m_runKey{};
    bool m_writing = false;
    std::size_t m_end = 0;         // where the next record goes
    std::size_t m_lastRecord = 0;  // the record Intend wrote last
    std::size_t m_written = 0;
    std::string m_buffer;  // host forms of the paths, kept from record to record
    std::string m_part;
};

}  // namespace morvanex::engine
