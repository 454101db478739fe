#include "support/FaultInjectingFileSystem.h"

namespace morvanex::test {

class FaultInjectingFileSystem::InjectedOutputFile final : public platform::OutputFile {
  public:
    InjectedOutputFile(std::unique_ptr<platform::OutputFile> real, FaultInjectingFileSystem& owner)
        : m_real(std::move(real)), m_owner(owner) {}

    int Append(std::string_view bytes) override {
        if (const int error = m_owner.NextCall(Op::Append)) return error;
        return m_real->Append(bytes);
    }

  private:
    std::unique_ptr<platform::OutputFile> m_real;
    FaultInjectingFileSystem& m_owner;
};

class FaultInjectingFileSystem::InjectedInputFile final : public platform::InputFile {
  public:
    InjectedInputFile(std::unique_ptr<platform::InputFile> real, FaultInjectingFileSystem& owner)
        : m_real(std::move(real)), m_owner(owner) {}

    std::uint64_t Size() const override { return m_real->Size(); }
    int ReadAt(std::uint64_t offset, std::size_t count, std::string& bytes) override {
        bytes.clear();
        if (const int error = m_owner.NextCall(Op::ReadAt)) return error;
        return m_real->ReadAt(offset, count, bytes);
    }

  private:
    std::unique_ptr<platform::InputFile> m_real;
    FaultInjectingFileSystem& m_owner;
};

class FaultInjectingFileSystem::InjectedFileHandle final : public platform::FileHandle {
  public:
    InjectedFileHandle(std::unique_ptr<platform::FileHandle> real, std::string_view name,
                       FaultInjectingFileSystem& owner)
        : m_real(std::move(real)), m_name(name), m_owner(owner) {}

    int Lock(bool exclusive, bool wait) override {
        if (const int error = m_owner.NextCall(Op::Lock, m_name)) return error;
        return m_real->Lock(exclusive, wait);
    }
    int Status(platform::HandleStatus& status) override {
        if (const int error = m_owner.NextCall(Op::HandleStatus, m_name)) return error;
        return m_real->Status(status);
    }
    int ReadAt(std::uint64_t offset, std::size_t count, std::string& bytes) override {
        bytes.clear();
        if (const int error = m_owner.NextCall(Op::ReadHandle, m_name)) return error;
        return m_real->ReadAt(offset, count, bytes);
    }
    int WriteAt(std::uint64_t offset, std::string_view bytes) override {
        if (const int error = m_owner.NextCall(Op::WriteHandle, m_name)) return error;
        return m_real->WriteAt(offset, bytes);
    }
    int Sync() override {
        if (const int error = m_owner.NextCall(Op::SyncHandle, m_name)) return error;
        return m_real->Sync();
    }
    int Allocate(std::uint64_t size) override {
        if (const int error = m_owner.NextCall(Op::Allocate, m_name)) return error;
        return m_real->Allocate(size);
    }
    int Truncate(std::uint64_t size) override {
        if (const int error = m_owner.NextCall(Op::Truncate, m_name)) return error;
        return m_real->Truncate(size);
    }
    int Map(std::size_t size, unsigned char*& data) override {
        if (const int error = m_owner.NextCall(Op::Map, m_name)) return error;
        return m_real->Map(size, data);
    }
    int SyncLater() override {
        if (const int error = m_owner.NextCall(Op::SyncLater, m_name)) return error;
        return m_real->SyncLater();
    }

  private:
    std::unique_ptr<platform::FileHandle> m_real;
    std::string m_name;  // as it was opened
    FaultInjectingFileSystem& m_owner;
};

class FaultInjectingFileSystem::InjectedFolderHandle final : public platform::FolderHandle {
  public:
    InjectedFolderHandle(std::unique_ptr<platform::FolderHandle> real, std::string_view path,
                         FaultInjectingFileSystem& owner)
        : m_real(std::move(real)), m_path(path), m_owner(owner) {}

    int Status(platform::HandleStatus& status) override {
        if (const int error = m_owner.NextCall(Op::HandleStatus, m_path)) return error;
        return m_real->Status(status);
    }
    int List(std::vector<std::string>& names) override {
        names.clear();
        if (const int error = m_owner.NextCall(Op::ListHandle, m_path)) return error;
        return m_real->List(names);
    }
    std::unique_ptr<platform::FileHandle> Open(std::string_view name, platform::FileAccess access,
                                               int& error) override {
        if ((error = m_owner.NextCall(Op::OpenFile, name)) != 0) return nullptr;
        auto real = m_real->Open(name, access, error);
        if (real == nullptr) return nullptr;
        return std::make_unique<InjectedFileHandle>(std::move(real), name, m_owner);
    }
    int Remove(std::string_view name) override {
        if (const int error = m_owner.NextCall(Op::RemoveName, name)) return error;
        return m_real->Remove(name);
    }
    int Link(std::string_view from, std::string_view to) override {
        if (const int error = m_owner.NextCall(Op::LinkName, from)) return error;
        return m_real->Link(from, to);
    }

  private:
    std::unique_ptr<platform::FolderHandle> m_real;
    std::string m_path;  // as it was opened
    FaultInjectingFileSystem& m_owner;
};

int FaultInjectingFileSystem::NextCall(Op op) {
    const int call = ++m_calls[static_cast<std::size_t>(op)];
    if (const auto action = m_actions.find({op, call}); action != m_actions.end()) {
        action->second();
    }
    const auto fault = m_faults.find({op, call});
    return fault == m_faults.end() ? 0 : fault->second;
}

int FaultInjectingFileSystem::NextCall(Op op, std::string_view path) {
    const int error = NextCall(op);
    if (m_pathFaults.empty()) return error;
    const auto fault = m_pathFaults.find(std::pair(op, std::string(path)));
    return fault == m_pathFaults.end() ? error : fault->second;
}

int FaultInjectingFileSystem::ListFolder(std::string_view folder, bool withAttributes,
                                         std::vector<platform::DirectoryEntry>& entries) {
    if (const int error = NextCall(Op::ListFolder)) return error;
    return m_real.ListFolder(folder, withAttributes, entries);
}

int FaultInjectingFileSystem::GetStatus(std::string_view path, platform::FileStatus& status) {
    if (const int error = NextCall(Op::GetStatus, path)) return error;
    return m_real.GetStatus(path, status);
}

int FaultInjectingFileSystem::GetAttributes(std::string_view path, std::uint8_t& attributes) {
    if (const int error = NextCall(Op::GetAttributes, path)) return error;
    return m_real.GetAttributes(path, attributes);
}

int FaultInjectingFileSystem::SetAttributes(std::string_view path, std::uint8_t attributes,
                                            const platform::FileStatus* expected) {
    if (const int error = NextCall(Op::SetAttributes, path)) return error;
    return m_real.SetAttributes(path, attributes, expected);
}

int FaultInjectingFileSystem::SetTimes(std::string_view path, platform::Timestamp creation,
                                       platform::Timestamp modification, platform::Timestamp access,
                                       const platform::FileStatus* expected) {
    if (const int error = NextCall(Op::SetTimes, path)) return error;
    return m_real.SetTimes(path, creation, modification, access, expected);
}

int FaultInjectingFileSystem::RestoreTimes(std::string_view path, const platform::FileStatus& saved,
                                           const platform::FileStatus* expected) {
    if (const int error = NextCall(Op::RestoreTimes, path)) return error;
    return m_real.RestoreTimes(path, saved, expected);
}

int FaultInjectingFileSystem::Move(std::string_view from, std::string_view to,
                                   const platform::FileStatus* expected) {
    if (const int error = NextCall(Op::Move, from)) return error;
    return m_real.Move(from, to, expected);
}

int FaultInjectingFileSystem::Copy(std::string_view from, std::string_view to,
                                   bool* destinationFailed) {
    if (const int error = NextCall(Op::Copy, from)) return error;
    return m_real.Copy(from, to, destinationFailed);
}

int FaultInjectingFileSystem::CreateFolder(std::string_view path) {
    if (const int error = NextCall(Op::CreateFolder, path)) return error;
    return m_real.CreateFolder(path);
}

int FaultInjectingFileSystem::DeleteFile(std::string_view path) {
    if (const int error = NextCall(Op::DeleteFile, path)) return error;
    return m_real.DeleteFile(path);
}

bool FaultInjectingFileSystem::CanEnter(std::string_view folder) {
    return NextCall(Op::CanEnter) == 0 && m_real.CanEnter(folder);
}

bool FaultInjectingFileSystem::Exists(std::string_view path) {
    return NextCall(Op::Exists) == 0 && m_real.Exists(path);
}

int FaultInjectingFileSystem::ReadFirstBytes(std::string_view path, std::size_t count,
                                             std::string& bytes) {
    if (const int error = NextCall(Op::ReadFirstBytes)) return error;
    return m_real.ReadFirstBytes(path, count, bytes);
}

int FaultInjectingFileSystem::ReadBytesAt(std::string_view path, std::uint64_t offset,
                                          std::size_t count, std::string& bytes) {
    if (const int error = NextCall(Op::ReadBytesAt)) return error;
    return m_real.ReadBytesAt(path, offset, count, bytes);
}

std::unique_ptr<platform::InputFile> FaultInjectingFileSystem::OpenInput(std::string_view path,
                                                                         int& error) {
    if ((error = NextCall(Op::OpenInput)) != 0) return nullptr;
    auto real = m_real.OpenInput(path, error);
    if (real == nullptr) return nullptr;
    return std::make_unique<InjectedInputFile>(std::move(real), *this);
}

int FaultInjectingFileSystem::WriteFile(std::string_view path, std::string_view bytes) {
    if (const int error = NextCall(Op::WriteFile)) return error;
    return m_real.WriteFile(path, bytes);
}

std::unique_ptr<platform::OutputFile> FaultInjectingFileSystem::OpenOutput(
    std::string_view path, platform::OutputMode mode, int& error) {
    if ((error = NextCall(Op::OpenOutput)) != 0) return nullptr;
    auto real = m_real.OpenOutput(path, mode, error);
    if (real == nullptr) return nullptr;
    return std::make_unique<InjectedOutputFile>(std::move(real), *this);
}

std::unique_ptr<platform::FolderHandle> FaultInjectingFileSystem::OpenFolder(std::string_view path,
                                                                             bool createPrivate,
                                                                             int& error) {
    if ((error = NextCall(Op::OpenFolder, path)) != 0) return nullptr;
    auto real = m_real.OpenFolder(path, createPrivate, error);
    if (real == nullptr) return nullptr;
    return std::make_unique<InjectedFolderHandle>(std::move(real), path, *this);
}

platform::FolderTraits FaultInjectingFileSystem::TraitsOf(std::string_view folder) {
    return m_traits ? *m_traits : m_real.TraitsOf(folder);
}

}  // namespace morvanex::test
