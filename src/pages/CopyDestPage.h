#pragma once

#include "pages/FolderSelectPage.h"

class QCheckBox;

namespace morvanex::pages {

// The third tab: whether a run also copies the files into a second folder, which folder, and
// whether the copies keep the source's folder structure. The folder page's drive, tree, drop
// field and list on the record's copy group; the list shows every file already in the
// destination.
class CopyDestPage : public FolderSelectPage {
    Q_OBJECT

  public:
    static constexpr int kPageId = 2020;

    CopyDestPage(const widgets::WindowContext& context, QWidget* parent);
    ~CopyDestPage() override;

    void ShowSettings() override;
    void RefreshSettings() override;
    void StoreSettings() override;
    int PageId() const override { return kPageId; }
    QWidget* OperationSwitch() const override;

  protected:
    void ShowFilesClicked() override;
    void AutoShowClicked(bool checked) override;

  private:
    void ShowKeepTree();
    void EnableCopyControls(bool enable, bool autoShow);
    void EnableKeepTreeBySelection();
    void ShowFolderPath();

    QCheckBox* m_enableCopy = nullptr;
    QCheckBox* m_keepTree = nullptr;
};

}  // namespace morvanex::pages
