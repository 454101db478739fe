#pragma once

#include "pages/Page.h"

class QCheckBox;
class QLineEdit;
class QPushButton;

// The options tab: how files are selected, copy mode, the result display and logging. It also
// shows two settings the folder and copy pages show (subfolders, keeping the folder tree); the
// page left last wins.
namespace morvanex::pages {

class OptionsPage : public Page {
    Q_OBJECT

  public:
    static constexpr int kPageId = 2070;

    OptionsPage(const widgets::WindowContext& context, QWidget* parent);
    ~OptionsPage() override;

    void ShowSettings() override;
    void StoreSettings() override;
    int PageId() const override { return kPageId; }

  private:
    void EnableLogControls();
    void BrowseClicked();
    void SetLogFolder(const std::string& folder);

    QCheckBox* m_includeSubDir = nullptr;
    QCheckBox* m_numberReset = nullptr;
    QCheckBox* m_allAttributes = nullptr;
    QCheckBox* m_dirRename = nullptr;
    QCheckBox* m_keepDirTree = nullptr;
    QCheckBox* m_viewDetail = nullptr;
    QCheckBox* m_planWholeRun = nullptr;
    QCheckBox* m_logWrite = nullptr;
    QCheckBox* m_batLogWrite = nullptr;
    QLineEdit* m_logFolder = nullptr;
    QPushButton* m_browse = nullptr;
    QPushButton* m_renameFolderLog = nullptr;
    QPushButton* m_copyFolderLog = nullptr;
};

}  // namespace morvanex::pages
