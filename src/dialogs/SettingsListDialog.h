#pragma once

#include <QDialog>

#include "widgets/WindowContext.h"

class QCloseEvent;
class QLineEdit;

namespace morvanex::widgets {
class FolderDropField;
}

// The modeless list beside the main window that sums up every group of settings in one line
// each, as the pages last stored them. Its buttons ask for the page that edits a group; a
// folder dropped on its top field becomes the selected folder. The window that owns it opens,
// places, refreshes and closes it: the dialog only asks (CloseRequested), so that the owner's
// record of whether it is open stays true.
namespace morvanex::dialogs {

class SettingsListDialog : public QDialog {
    Q_OBJECT

  public:
    // The help topic of the dialog's help button.
    static constexpr int kHelpContext = 44;

    SettingsListDialog(const widgets::WindowContext& context, QWidget* parent);

    // Rebuilds every field from the settings, for the current time.
    void Refresh();

    // Esc asks the owner to close the dialog, as its close button does.
    void reject() override;

  signals:
    // A button asks for the page with this item data (1000..1008).
    void PageRequested(int itemData);
    // The close button, Esc or the window system asked to close the dialog.
    void CloseRequested();
    // A folder dropped on the top field is now the selected folder of the settings.
    void FolderSelected();

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    void FileSelectionClicked();
    void FolderDropped();

    const widgets::WindowContext m_context;
    widgets::FolderDropField* m_folder = nullptr;
    QLineEdit* m_copyDestination = nullptr;
    QLineEdit* m_rename = nullptr;
    QLineEdit* m_letterCase = nullptr;
    QLineEdit* m_replaceBefore = nullptr;
    QLineEdit* m_replaceAfter = nullptr;
    QLineEdit* m_attributes = nullptr;
    QLineEdit* m_creationTime = nullptr;
    QLineEdit* m_modificationTime = nullptr;
    QLineEdit* m_accessTime = nullptr;
    QLineEdit* m_folderStructure = nullptr;
    QLineEdit* m_subfolders = nullptr;
    QLineEdit* m_detailedResult = nullptr;
    QLineEdit* m_numberReset = nullptr;
    QLineEdit* m_log = nullptr;
    QLineEdit* m_targetAttributes = nullptr;
    QLineEdit* m_batchLog = nullptr;
    QLineEdit* m_foldersToo = nullptr;
    QLineEdit* m_logFolder = nullptr;
};

}  // namespace morvanex::dialogs
