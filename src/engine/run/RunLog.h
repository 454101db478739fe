#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/Clock.h"
#include "platform/FileSystem.h"

namespace morvanex::engine {

struct RunLogOptions {
    bool textLog = false;   // LogWrite
    bool batchLog = false;  // BatLogWrite
    std::string folder;     // the log folder, ending with the separator
    bool copying = false;   // EnableCopy
    std::string copyDestination;
    // The rename-back lines are written when the run ends, the last move first, so that the
    // batch run top-down takes back a run whose moves depend on each other (a chain, a ring
    // broken through a temporary name). Off: each line is appended as its target finishes.
    bool reverseBatch = false;
};

// The text log and the rename-back batch log of one real run (CP932, CR LF). Lines are
// gathered and written in blocks of 64 KiB, not one system call per target; the rest when the
// run ends (Finish, or the log's end). A run killed outright loses at most the last block of
// its logs; its journal, written before every change, is what undo reads.
class RunLog {
  public:
    RunLog(platform::FileSystem& fileSystem, RunLogOptions options);
    ~RunLog();
    RunLog(RunLog&&) = default;

    // Names the logs after the run's start time and writes their headers. Each log is a file
    // created for this run alone, never through a symbolic link: where either name is taken
    // (by another run in the same second, or by anything else) both take the next numbered
    // names, "-2", "-3" and so on. A folder where other users may replace files (writable by
    // them and not sticky) is refused. 0, or the system error of the log that could not be
    // written, with its path in `failed` and, for a refused folder, why in `detail`.
    int Open(platform::Timestamp runStart, int targetCount, std::string* failed = nullptr,
             std::string* detail = nullptr);
    // One line per finished target: its number (1-based), source, new path and old file name.
    // The batch line names both between quotes, where the command interpreter reads & ^ < > |
    // as they are; a name it could still misread (holding " % ! or a control character) gets a
    // remark in its place that says so, without the name.
    // Whether the run writes either log.
    bool Writes() const { return m_text != nullptr || m_batch != nullptr; }
    void AppendLine(int number, const std::string& source, const std::string& newPath,
                    std::string_view oldName);
    // A rename-back line alone: a move that finishes no target (to a temporary name).
    // `number` is the target's (the one whose line a remark stands for).
    void AppendBatchStep(int number, const std::string& newPath, std::string_view oldName);
    // Writes what is gathered, and the rename-back lines kept for the end, the last first.
    void Finish();

    const std::string& TextLogPath() const { return m_textPath; }
    const std::string& BatchLogPath() const { return m_batchPath; }

  private:
    int Create(const std::string& path, std::unique_ptr<platform::OutputFile>& file);
    // Writes a log's gathered lines once they fill a block.
    static void WriteFull(platform::OutputFile& file, std::string& gathered);
    void WriteGathered();

    platform::FileSystem& m_fileSystem;
    RunLogOptions m_options;
    std::string m_textPath;
    std::string m_batchPath;
    std::unique_ptr<platform::OutputFile> m_text;
    std::unique_ptr<platform::OutputFile> m_batch;
    std::string m_textGathered;  // lines not written yet, each made right here
    std::string m_batchGathered;
    std::string m_kept;                     // reversed batch: the lines, one after another
    std::vector<std::size_t> m_keptStarts;  // where each kept line begins
};

}  // namespace morvanex::engine
