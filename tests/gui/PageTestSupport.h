#pragma once

#include <QAbstractButton>
#include <QWidget>
#include <memory>
#include <string>
#include <vector>

#include "gui/GuiTestSupport.h"
#include "pages/PageTable.h"
#include "platform/PosixFileSystem.h"
#include "shell/Document.h"
#include "shell/MainView.h"
#include "support/FixedClock.h"
#include "support/TempFolder.h"

namespace morvanex::test {

// The real file system with roots of the test's choosing, so the drive list is known.
class RootedFileSystem final : public platform::FileSystem {
  public:
    explicit RootedFileSystem(std::vector<platform::Root> roots) : m_roots(std::move(roots)) {}

    int ListFolder(std::string_view folder, bool withAttributes,
                   std::vector<platform::DirectoryEntry>& entries) override {
        ++listings;
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
    int SetAttributes(std::string_view path, std::uint8_t attributes) override {
        return m_real.SetAttributes(path, attributes);
    }
    int SetTimes(std::string_view path, platform::Timestamp creation,
                 platform::Timestamp modification, platform::Timestamp access) override {
        return m_real.SetTimes(path, creation, modification, access);
    }
    int Move(std::string_view from, std::string_view to) override { return m_real.Move(from, to); }
    int Copy(std::string_view from, std::string_view to) override { return m_real.Copy(from, to); }
    int CreateFolder(std::string_view path) override { return m_real.CreateFolder(path); }
    int DeleteFile(std::string_view path) override { return m_real.DeleteFile(path); }
    bool CanEnter(std::string_view folder) override { return m_real.CanEnter(folder); }
    bool Exists(std::string_view path) override { return m_real.Exists(path); }
    int ReadFirstBytes(std::string_view path, std::size_t count, std::string& bytes) override {
        return m_real.ReadFirstBytes(path, count, bytes);
    }
    int WriteFile(std::string_view path, std::string_view bytes) override {
        return m_real.WriteFile(path, bytes);
    }
    std::unique_ptr<platform::OutputFile> OpenOutput(std::string_view path, bool truncate,
                                                     int& error) override {
        return m_real.OpenOutput(path, truncate, error);
    }
    std::string TemporaryFolder() override { return m_real.TemporaryFolder(); }
    std::vector<platform::Root> Roots() override { return m_roots; }

    int listings = 0;  // folder listings so far

  private:
    platform::PosixFileSystem m_real;
    std::vector<platform::Root> m_roots;
};

// A document on a temporary folder whose drives are the folder itself, its "home/" and its
// "vol/" (the last two inside the first, as the home folder and mounted volumes are inside
// "/"), a fake interaction, and a view for the pages to belong to.
class PageFixture {
  public:
    PageFixture() {
        ClearPreferences();
        folder.CreateFolder("home");
        folder.CreateFolder("vol");
        auto fileSystem = std::make_unique<RootedFileSystem>(
            std::vector<platform::Root>{{Root(), "top", false},
                                        {Root() + "home/", "home", false},
                                        {Root() + "vol/", "vol", true}});
        files = fileSystem.get();
        document = std::make_unique<shell::Document>(preferences, std::move(fileSystem),
                                                     std::make_unique<FixedClock>(1700000000));
        view = std::make_unique<shell::MainView>(*document, pages::MainPageTable(), nullptr);
        document->Attach(*view, *view, interaction);
    }

    // The temporary folder as the core writes it (CP932, ending with '/').
    std::string Root() const { return folder.Cp932Path(""); }
    settings::RenameSettings& Settings() { return document->Settings(); }

    template <class PageClass>
    std::unique_ptr<PageClass> MakePage() {
        auto page = std::make_unique<PageClass>(*document, *view, nullptr);
        page->ShowSettings();
        return page;
    }

    TempFolder folder;
    shell::Preferences preferences;
    FakeInteraction interaction;
    RootedFileSystem* files = nullptr;
    std::unique_ptr<shell::Document> document;
    std::unique_ptr<shell::MainView> view;
};

// The child of `parent` with the object name; fails the test when there is none.
template <class Widget>
Widget* Find(const QWidget& parent, const char* objectName) {
    auto* widget = parent.findChild<Widget*>(QString::fromLatin1(objectName));
    EXPECT_NE(widget, nullptr) << "no widget named " << objectName;
    return widget;
}

}  // namespace morvanex::test
