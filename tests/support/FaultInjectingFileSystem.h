#pragma once

#include <array>
#include <atomic>
#include <cstddef>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/FileSystem.h"
#include "support/ForwardingFileSystem.h"

namespace morvanex::test {

// A FileSystem that forwards every call to a real one, counts the calls of each operation, and
// fails chosen calls with a chosen error before they reach the real one (so the failed call
// changes nothing on disk), or does something first (another program's change, made at a
// chosen moment of a run). It can also answer for the traits of every folder (a real folder
// then behaves, to the caller, like one on a camera card). Files and folders opened through it
// share one count of each of their calls (every Append, every Lock…); it must outlive them.
class FaultInjectingFileSystem final : public ForwardingFileSystem {
  public:
    enum class Op {
        ListFolder,
        GetStatus,
        GetAttributes,
        SetAttributes,
        SetTimes,
        RestoreTimes,
        Move,
        Copy,
        CreateFolder,
        DeleteFile,
        CanEnter,  // a failed call answers false
        Exists,    // a failed call answers false
        ReadFirstBytes,
        ReadBytesAt,
        OpenInput,
        ReadAt,  // InputFile::ReadAt of any file opened through this one
        WriteFile,
        OpenOutput,
        Append,  // OutputFile::Append of any file opened through this one
        OpenFolder,
        // The calls of the folders and files held open (FolderHandle, FileHandle) through this
        // one. A fault by path matches the name given to the folder's call, and for the calls
        // of a folder or file itself the path or name it was opened by.
        HandleStatus,  // of a folder or a file
        ListHandle,
        OpenFile,
        RemoveName,
        LinkName,
        Lock,
        ReadHandle,
        WriteHandle,
        SyncHandle,
        Allocate,
        Truncate,
        Map,
        SyncLater,
        kCount,  // not an operation: how many there are
    };

    explicit FaultInjectingFileSystem(platform::FileSystem& real)
        : ForwardingFileSystem(real), m_real(real) {}

    // The k-th call of `op` (counting from 1 since construction) fails with `error`.
    void FailCall(Op op, int k, int error) { m_faults[{op, k}] = error; }
    // Every call of `op` on `path` (CP932, as the caller spells it) fails with `error`: a file
    // the system refuses to change, however often it is asked.
    void FailPath(Op op, std::string path, int error) {
        m_pathFaults[{op, std::move(path)}] = error;
    }
    // Before the k-th call of `op` reaches the real file system (or fails), `action` runs.
    void BeforeCall(Op op, int k, std::function<void()> action) {
        m_actions[{op, k}] = std::move(action);
    }
    // Number of calls of `op` so far, failed ones included.
    int Calls(Op op) const { return m_calls[static_cast<std::size_t>(op)]; }
    // The traits every folder answers with from now on, whatever the real file system says.
    void SetTraits(const platform::FolderTraits& traits) { m_traits = traits; }

    int ListFolder(std::string_view folder, bool withAttributes,
                   std::vector<platform::DirectoryEntry>& entries) override;
    int GetStatus(std::string_view path, platform::FileStatus& status) override;
    int GetAttributes(std::string_view path, std::uint8_t& attributes) override;
    int SetAttributes(std::string_view path, std::uint8_t attributes,
                      const platform::FileStatus* expected) override;
    int SetTimes(std::string_view path, platform::Timestamp creation,
                 platform::Timestamp modification, platform::Timestamp access,
                 const platform::FileStatus* expected) override;
    int RestoreTimes(std::string_view path, const platform::FileStatus& saved,
                     const platform::FileStatus* expected) override;
    int Move(std::string_view from, std::string_view to,
             const platform::FileStatus* expected) override;
    int Copy(std::string_view from, std::string_view to, bool* destinationFailed) override;
    int CreateFolder(std::string_view path) override;
    int DeleteFile(std::string_view path) override;
    bool CanEnter(std::string_view folder) override;
    bool Exists(std::string_view path) override;
    int ReadFirstBytes(std::string_view path, std::size_t count, std::string& bytes) override;
    int ReadBytesAt(std::string_view path, std::uint64_t offset, std::size_t count,
                    std::string& bytes) override;
    std::unique_ptr<platform::InputFile> OpenInput(std::string_view path, int& error) override;
    int WriteFile(std::string_view path, std::string_view bytes) override;
    std::unique_ptr<platform::OutputFile> OpenOutput(std::string_view path,
                                                     platform::OutputMode mode,
                                                     int& error) override;
    std::unique_ptr<platform::FolderHandle> OpenFolder(std::string_view path, bool createPrivate,
                                                       int& error) override;
    platform::FolderTraits TraitsOf(std::string_view folder) override;

  private:
    class InjectedOutputFile;
    class InjectedInputFile;
    class InjectedFileHandle;
    class InjectedFolderHandle;

    // Counts a call of `op`; the error it is to fail with, or 0 to let it through.
    int NextCall(Op op);
    // The same for a call on `path`: a fault of the path, else of the call's number.
    int NextCall(Op op, std::string_view path);

    platform::FileSystem& m_real;
    // Counted from the threads of a run (statuses are read on two) without a data race.
    std::array<std::atomic<int>, static_cast<std::size_t>(Op::kCount)> m_calls{};
    std::map<std::pair<Op, int>, int> m_faults;
    std::map<std::pair<Op, std::string>, int> m_pathFaults;
    std::map<std::pair<Op, int>, std::function<void()>> m_actions;
    std::optional<platform::FolderTraits> m_traits;
};

}  // namespace morvanex::test
