#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/FileSystem.h"

namespace morvanex::test {

// A file system that hands every call to another one: the base of the test doubles that change
// a few calls of a real file system (fail them, count them, give other roots) and must pass all
// the others through unchanged — also those the interface gains later.
class ForwardingFileSystem : public platform::FileSystem {
  public:
    explicit ForwardingFileSystem(platform::FileSystem& real) : m_real(real) {}

    int ListFolder(std::string_view folder, bool withAttributes,
                   std::vector<platform::DirectoryEntry>& entries) override {
        return m_real.ListFolder(folder, withAttributes, entries);
    }
    int GetStatus(std::string_view path, platform::FileStatus& status) override {
        return m_real.GetStatus(path, status);
    }
    int GetIdentity(std::string_view path, platform::FileIdentity& identity) override {
        return m_real.GetIdentity(path, identity);
    }
    int GetAttributes(std::string_view path, std::uint8_t& attributes) override {
        return m_real.GetAttributes(path, attributes);
    }
    int SetAttributes(std::string_view path, std::uint8_t attributes,
                      const platform::FileStatus* expected) override {
        return m_real.SetAttributes(path, attributes, expected);
    }
    int SetTimes(std::string_view path, platform::Timestamp creation,
                 platform::Timestamp modification, platform::Timestamp access,
                 const platform::FileStatus* expected) override {
        return m_real.SetTimes(path, creation, modification, access, expected);
    }
    int RestoreTimes(std::string_view path, const platform::FileStatus& saved,
                     const platform::FileStatus* expected) override {
        return m_real.RestoreTimes(path, saved, expected);
    }
    int Move(std::string_view from, std::string_view to,
             const platform::FileStatus* expected) override {
        return m_real.Move(from, to, expected);
    }
    int Copy(std::string_view from, std::string_view to, bool* destinationFailed) override {
        return m_real.Copy(from, to, destinationFailed);
    }
    int CreateFolder(std::string_view path) override { return m_real.CreateFolder(path); }
    int DeleteFile(std::string_view path) override { return m_real.DeleteFile(path); }
    platform::FolderTraits TraitsOf(std::string_view folder) override {
        return m_real.TraitsOf(folder);
    }
    int CanonicalPath(std::string_view path, std::string& canonical) override {
        return m_real.CanonicalPath(path, canonical);
    }
    int Anchor(std::string_view folder) override { return m_real.Anchor(folder); }
    bool CanEnter(std::string_view folder) override { return m_real.CanEnter(folder); }
    bool Exists(std::string_view path) override { return m_real.Exists(path); }
    int ReadFirstBytes(std::string_view path, std::size_t count, std::string& bytes) override {
        return m_real.ReadFirstBytes(path, count, bytes);
    }
    int ReadBytesAt(std::string_view path, std::uint64_t offset, std::size_t count,
                    std::string& bytes) override {
        return m_real.ReadBytesAt(path, offset, count, bytes);
    }
    std::unique_ptr<platform::InputFile> OpenInput(std::string_view path, int& error) override {
        return m_real.OpenInput(path, error);
    }
    int WriteFile(std::string_view path, std::string_view bytes) override {
        return m_real.WriteFile(path, bytes);
    }
    std::unique_ptr<platform::OutputFile> OpenOutput(std::string_view path,
                                                     platform::OutputMode mode,
                                                     int& error) override {
        return m_real.OpenOutput(path, mode, error);
    }
    std::unique_ptr<platform::FolderHandle> OpenFolder(std::string_view path, bool createPrivate,
                                                       int& error) override {
        return m_real.OpenFolder(path, createPrivate, error);
    }
    std::string TemporaryFolder() override { return m_real.TemporaryFolder(); }
    std::vector<platform::Root> Roots() override { return m_real.Roots(); }

  protected:
    platform::FileSystem& Real() { return m_real; }

  private:
    platform::FileSystem& m_real;
};

}  // namespace morvanex::test
