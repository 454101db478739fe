#pragma once

#include <QUrl>
#include <functional>

#include "pages/Page.h"

class QCheckBox;
class QPushButton;

namespace morvanex::pages {

class FileDropList;

// The second tab: the files to rename chosen by hand. With the check box on, a run takes the
// paths of the page's list in list order instead of a folder's files; the user drops files and
// folders on the list, orders it and removes entries. The list travels in the record's free
// list (never in pattern files); the check box and the folder action do.
class FreeSelectPage : public Page {
    Q_OBJECT

  public:
    static constexpr int kPageId = 2010;

    FreeSelectPage(const widgets::WindowContext& context, QWidget* parent);
    ~FreeSelectPage() override;

    void ShowSettings() override;
    void StoreSettings() override;
    int PageId() const override { return kPageId; }
    QWidget* OperationSwitch() const override;
    void AfterRun() override;

    // How a double-clicked entry is opened: the desktop's default application unless replaced.
    using FileOpener = std::function<void(const QUrl&)>;
    void SetFileOpener(FileOpener opener) { m_openFile = std::move(opener); }

  private:
    void EnableList(bool enable);
    void ApplyDropRules();
    void FolderOptionClicked();
    void SortClicked();

    QCheckBox* m_freeSelect = nullptr;
    FileDropList* m_list = nullptr;
    QPushButton* m_moveUp = nullptr;
    QPushButton* m_moveDown = nullptr;
    QPushButton* m_deleteSelected = nullptr;
    QPushButton* m_clear = nullptr;
    QPushButton* m_sort = nullptr;
    QPushButton* m_folderOption = nullptr;
    FileOpener m_openFile;
};

}  // namespace morvanex::pages
