#pragma once

#include <QIcon>
#include <QUrl>
#include <functional>
#include <string>
#include <vector>

#include "pages/Page.h"

class QCheckBox;
class QComboBox;
class QLineEdit;
class QListWidget;
class QListWidgetItem;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

namespace morvanex::widgets {
class FolderDropField;
}

namespace morvanex::pages {

// The first tab: the folder whose files a run renames. The user picks a drive (a root to browse
// from), a folder in the lazily filled tree below it, or types or drops a folder path; the list
// shows the files a run would take from there with the page's filter, subfolder and attribute
// rules. The page edits the folder group of the record and reads the sort order and the
// attribute rule.
//
// The copy destination page is the same page on the record's copy group: the drive, tree,
// drop-field and list mechanics live here once, and the kind chosen at construction decides
// which group they work on and which of the controls exist.
class FolderSelectPage : public Page {
    Q_OBJECT

  public:
    static constexpr int kPageId = 2000;

    FolderSelectPage(const widgets::WindowContext& context, QWidget* parent);
    ~FolderSelectPage() override;

    void ShowSettings() override;
    void RefreshSettings() override;
    void StoreSettings() override;
    int PageId() const override { return kPageId; }

    // Makes the folder path end with a separator, selects the drive that holds it and, with
    // folder tree sync on, opens the tree down to it and selects it. False when no drive holds
    // the path.
    bool FollowFolderPath();

    // How a double-clicked file is opened: the desktop's default application unless replaced.
    using FileOpener = std::function<void(const QUrl&)>;
    void SetFileOpener(FileOpener opener) { m_openFile = std::move(opener); }

  protected:
    enum class Kind {
        RenameFolder,     // the folder group: filter, subfolders, sort order, attribute rule
        CopyDestination,  // the copy group: every file of the one folder, nothing more
    };
    FolderSelectPage(const widgets::WindowContext& context, QWidget* parent, Kind kind);

    // The fields of the group the page edits.
    std::string& FolderPath() const;
    std::string& RootDirText() const;
    int& SelectedDrive() const;
    int& AutoRefresh() const;

    void FillDriveCombo();
    void FillFileList(bool fillNow, bool forceRecursive);
    virtual void ShowFilesClicked();
    virtual void AutoShowClicked(bool checked);

    QComboBox* m_driveCombo = nullptr;
    QTreeWidget* m_tree = nullptr;
    widgets::FolderDropField* m_folderField = nullptr;
    QListWidget* m_fileList = nullptr;
    QCheckBox* m_autoShow = nullptr;
    QPushButton* m_showFiles = nullptr;

  private:
    void CreateControls();
    void ChooseDrive(int index);
    void FillChildrenOf(QTreeWidgetItem* item);
    std::vector<std::string> SubfoldersOf(const std::string& folder);
    QTreeWidgetItem* MakeFolderItem(const std::string& name) const;
    // Brings a folder of the tree into view.
    void ScrollTreeTo(QTreeWidgetItem* item);
    std::string PathOf(const QTreeWidgetItem* item) const;
    void TreeSelectionChanged(QTreeWidgetItem* current);
    bool IsEnterableFolder(const std::string& path);
    void EnableControls(bool enable);
    void MakeFullPathAFolder();

    void SubfolderClicked(bool checked);
    void SortClicked();
    void FolderDropped();
    void EntryDoubleClicked(QListWidgetItem* item);

    const Kind m_kind;
    // Only on the rename folder page.
    QCheckBox* m_includeSubfolders = nullptr;
    QLineEdit* m_filter = nullptr;
    QPushButton* m_sortButton = nullptr;

    QIcon m_folderIcon;
    // The folder the tree's root item stands for (the chosen drive's root).
    std::string m_treeRoot;
    bool m_rebuildingTree = false;
    FileOpener m_openFile;
};

}  // namespace morvanex::pages
