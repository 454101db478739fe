#pragma once

#include <QTableView>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/FileSystem.h"

namespace morvanex::pages {

class DropListModel;

// The free selection list: one full path per row, in the order a run takes them. Files and
// folders dropped from a file manager are appended as the drop rules say; the user orders the
// list with the move and sort commands and removes entries.
class FileDropList : public QTableView {
    Q_OBJECT

  public:
    // What a dropped folder stands for (the record's DropDirAction).
    enum FolderAction : int {
        kRefuseFolders = 0,
        kTakeFolder = 1,
        kTakeFiles = 2,
        kTakeFilesBelow = 3,
    };

    FileDropList(platform::FileSystem& fileSystem, QWidget* parent);
    ~FileDropList() override;

    // With `filterOn` false every dropped path is taken as it is; then the attribute mode goes
    // back to "all" and the mask to archive-and-normal.
    void SetDropRules(bool filterOn, bool allAttributes, std::uint8_t mask);
    void SetFolderAction(int action);

    // Appends the dropped paths (CP932) as the rules say: files that pass the attribute rule,
    // folders by the folder action, nothing that is already listed (letter case ignored).
    // Returns how many entries were added.
    std::size_t AddDroppedPaths(const std::vector<std::string>& paths);

    const std::vector<std::string>& Paths() const;
    void SetPaths(std::vector<std::string> paths);

    int SelectedCount() const;
    void MoveSelectedUp();
    void MoveSelectedDown();
    void DeleteSelected();
    void DeleteAll();
    // Sorts by one of the eight methods of the sort method dialog (0..7).
    void Sort(int method);

  signals:
    // An entry was double-clicked: its path (CP932).
    void EntryActivated(const std::string& path);

  protected:
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

  private:
    bool PassesMask(std::uint8_t attributes) const;
    void AddFilesOf(const std::string& folder, bool recursive, std::vector<std::string>& taken);
    std::vector<int> SelectedRows() const;
    void SelectRows(const std::vector<int>& rows);

    platform::FileSystem& m_fileSystem;
    DropListModel* m_model = nullptr;
    bool m_filterOn = true;
    bool m_allAttributes = false;
    std::uint8_t m_mask = 0xA0;
    int m_folderAction = kRefuseFolders;
};

}  // namespace morvanex::pages
