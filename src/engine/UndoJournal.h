#pragma once

#include <sys/types.h>

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/Clock.h"
#include "platform/FileSystem.h"
#include "platform/MappedFile.h"

namespace morvanex::engine {

// The undo journal: every real run records each move just before making it and marks it done
// just after, in a file of the user's state folder, so the last run can be undone later, by
// another process, even when the run was killed midway. The file is written through a shared
// mapping: a record is in the page cache the moment it is stored, with no system call per
// target, and the state word is stored last so a record is never seen half-written.
class UndoJournal {
  public:
    enum class State : std::uint32_t { Empty = 0, Intended = 1, Done = 2, Undone = 3 };

    struct Entry {
        State state = State::Empty;
        std::string oldPath;
        std::string newPath;
        platform::FileStatus before;
    };

    // `folder` (CP932, ending with the separator) holds the journal file.
    explicit UndoJournal(std::string folder);
    ~UndoJournal();
    UndoJournal(const UndoJournal&) = delete;
    UndoJournal& operator=(const UndoJournal&) = delete;

    // What the run did besides moving files, so an undo does no more than needed: a move by
    // itself keeps a file's attributes and times.
    enum RunFlag : std::uint32_t {
        kCopyRun = 1,  // the sources were copied, never moved: nothing to undo
        kChangedAttributes = 2,
        kChangedTimes = 4,
    };

    // $XDG_STATE_HOME/morvanex/, else ~/.local/state/morvanex/ (CP932).
    static std::string DefaultFolder();
    const std::string& Path() const { return m_path; }

    // Starts the journal of a new run (RunFlag bits), replacing the last one. A copy run
    // records no moves, so after it there is nothing to undo. Failures leave the journal off
    // for this run (the run itself goes on) and are returned.
    int BeginRun(std::uint32_t flags);
    bool Recording() const { return m_writing; }
    void BeforeMove(const std::string& oldPath, const std::string& newPath,
                    const platform::FileStatus& before);
    void AfterMove();
    // Starts pushing the journal to the disk and closes it (after a run, or an undo of it).
    void EndRun();

    // After this object's last run was undone by other means: empties the journal so it does
    // not offer that run a second time, unless another run has taken the journal over since.
    void DiscardRun();

    // Reads the last run's journal and its RunFlag bits: false when there is none (or it
    // cannot be read).
    bool Load(std::vector<Entry>& entries, std::uint32_t& flags);
    // Marks entry `index` of the loaded journal as undone.
    void MarkUndone(std::size_t index);

  private:
    std::string m_folder;
    std::string m_path;
    platform::MappedFile m_file;
    bool m_writing = false;
    std::size_t m_end = 0;         // where the next record goes
    std::size_t m_lastRecord = 0;  // the record BeforeMove wrote last
    std::vector<std::size_t> m_loadedOffsets;
    // The device and inode of the journal file this object's last run made.
    std::optional<std::pair<dev_t, ino_t>> m_run;
    std::string m_oldHost;  // buffers of the host forms, kept from record to record
    std::string m_newHost;
};

}  // namespace morvanex::engine
