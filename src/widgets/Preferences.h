#pragma once

#include <QString>
#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "settings/RenameSettings.h"

class QSettings;

// The per-user preferences, kept in QSettings("Pelvarin", "MorvaneX"), group "Settings" (the
// file ~/.config/Pelvarin/MorvaneX.conf on Linux). Nothing is cached: every getter reads at the
// moment of the call and every setter writes at once. Integers are read with the sentinel 9999 and
// the path with "NOT_FOUND"; a missing value comes back as its default, written back where the
// table of preferences says so.
namespace morvanex::widgets {

// A window rectangle in screen pixels; right and bottom are exclusive.
struct WindowRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;

    friend bool operator==(const WindowRect&, const WindowRect&) = default;
};

class Preferences {
  public:
    static constexpr int kMissing = 9999;
    static constexpr const char* kNotFound = "NOT_FOUND";

    int StartWizardAtAppStart() const;
    void SetStartWizardAtAppStart(int value) const;
    // The stored value as it is, kMissing when absent; no write-back (the start-up check).
    int StoredStartWizardAtAppStart() const;

    // The saved main window rectangle, clamped to the screen, or nothing when any one of the
    // four values is missing.
    std::optional<WindowRect> SavedWindowRect(int screenWidth, int screenHeight) const;
    void SetWindowRect(const WindowRect& rect) const;

    int UndoFlag() const;
    void SetUndoFlag(int value) const;
    int SettingViewer() const;
    void SetSettingViewer(int value) const;
    int SettingViewerMoveSwitch() const;
    void SetSettingViewerMoveSwitch(int value) const;
    int CheckRemovableFlag() const;
    void SetCheckRemovableFlag(int value) const;
    int AppExecWithOpenMVXFlag() const;
    void SetAppExecWithOpenMVXFlag(int value) const;
    // The stored value as it is, kMissing when absent; no write-back (the start-up check).
    int StoredAppExecWithOpenMVXFlag() const;
    // The pattern file loaded at start (CP932). Missing: writes "" and returns false.
    bool AutoExecPath(std::string& path) const;
    void SetAutoExecPath(const std::string& path) const;
    // The stored path without the write-back of AutoExecPath, nothing when missing.
    std::optional<std::string> StoredAutoExecPath() const;
    int DAndDListClear() const;
    void SetDAndDListClear(int value) const;
    int FolderTreeSync() const;
    void SetFolderTreeSync(int value) const;

    // The name patterns the user registered on the pattern page (group "UserPatterns"), in the
    // order registered. Entries without a name are skipped; texts are cut to their fields.
    std::vector<settings::RegisteredPattern> UserPatterns() const;
    // Replaces the whole stored list.
    void SetUserPatterns(const std::vector<settings::RegisteredPattern>& patterns) const;
    // A pattern name is a fixed field of 256 bytes with its terminator.
    static constexpr std::size_t kMaxPatternNameBytes = 255;

    // The five copies the document keeps, read through the getters above.
    settings::PreferenceCopies ReadCopies() const;
    // The four copies the document writes back (StartWizardAtAppStart is not one of them).
    void WriteCopies(const settings::PreferenceCopies& copies) const;

    // Removes the keys the program no longer reads: the store of the "Morvane" edition and the
    // wizard's start-up value kept under "WizardSetting". Every failure is ignored.
    static void RemoveObsoleteKeys();

  private:
    int ReadInt(const char* name) const;
    int ReadIntWithDefault(const char* name, int fallback) const;
    void WriteInt(const char* name, int value) const;
};

}  // namespace morvanex::widgets
