#include "pages/CopyDestPage.h"

#include <QCheckBox>
#include <QComboBox>
#include <QListWidget>
#include <QPushButton>
#include <QTreeWidget>

#include "widgets/FolderDropField.h"

namespace morvanex::pages {

CopyDestPage::CopyDestPage(const widgets::WindowContext& context, QWidget* parent)
    : FolderSelectPage(context, parent, Kind::CopyDestination) {
    m_enableCopy = new QCheckBox(QStringLiteral("リネームと同時にコピーも行う"), this);
    m_enableCopy->setObjectName("enableCopyCheck");
    m_enableCopy->setGeometry(Drawn(190, 224, 354, 24));
    m_keepTree = new QCheckBox(QStringLiteral("コピー元フォルダ構成を維持しつつコピーする"), this);
    m_keepTree->setObjectName("keepTreeCheck");
    m_keepTree->setGeometry(Drawn(190, 250, 354, 24));

    connect(m_enableCopy, &QCheckBox::clicked, this, [this](bool checked) {
        EnableCopyControls(checked, m_autoShow->isChecked());
        // Copies of a free selection have no common source folder whose structure they could
        // keep, so the box stays off whatever the copy switch says.
        EnableKeepTreeBySelection();
    });
}

CopyDestPage::~CopyDestPage() {
    StoreSettings();
}

void CopyDestPage::ShowSettings() {
    const settings::CopyToDirSection& copy = Settings().CopyToDir;
    FillDriveCombo();
    m_autoShow->setChecked(copy.RealTimeRefresh != 0);
    m_showFiles->setEnabled(copy.RealTimeRefresh == 0);
    ShowKeepTree();
    EnableCopyControls(copy.EnableCopy != 0, copy.RealTimeRefresh != 0);
    EnableKeepTreeBySelection();
    ShowFolderPath();
}

void CopyDestPage::RefreshSettings() {
    const settings::CopyToDirSection& copy = Settings().CopyToDir;
    ShowKeepTree();
    ShowFolderPath();
    EnableCopyControls(copy.EnableCopy != 0, copy.RealTimeRefresh != 0);
    EnableKeepTreeBySelection();
}

void CopyDestPage::StoreSettings() {
    settings::CopyToDirSection& copy = Settings().CopyToDir;
    // With no drive to choose from there is no choice to store; the stored one stays.
    if (m_driveCombo->currentIndex() >= 0) copy.SelectedCopyToDrive = m_driveCombo->currentIndex();
    copy.RealTimeRefresh = m_autoShow->isChecked() ? 1 : 0;
    copy.EnableCopy = m_enableCopy->isChecked() ? 1 : 0;
    copy.KeepDirTree = m_keepTree->isChecked() ? 1 : 0;
    copy.FullPath = m_folderField->Path();
}

void CopyDestPage::ShowKeepTree() {
    m_keepTree->setChecked(Settings().CopyToDir.KeepDirTree != 0);
}

void CopyDestPage::ShowFolderPath() {
    m_folderField->SetPath(Settings().CopyToDir.FullPath);
    FollowFolderPath();
}

void CopyDestPage::EnableCopyControls(bool enable, bool autoShow) {
    m_enableCopy->setChecked(enable);
    for (QWidget* control : std::initializer_list<QWidget*>{m_tree, m_fileList, m_folderField,
                                                            m_driveCombo, m_autoShow, m_keepTree}) {
        control->setEnabled(enable);
    }
    m_showFiles->setEnabled(enable && !autoShow);
}

void CopyDestPage::EnableKeepTreeBySelection() {
    m_keepTree->setEnabled(Settings().SelectFile.FreeFileSelect == 0);
}

void CopyDestPage::ShowFilesClicked() {
    // The list shows the folder the field shows, typed or chosen: listing the previous one
    // under a newly typed path would misstate what is in the destination.
    FolderPath() = m_folderField->Path();
    FillFileList(true, false);
    FollowFolderPath();
}

void CopyDestPage::AutoShowClicked(bool checked) {
    if (checked) FillFileList(false, false);
    m_showFiles->setEnabled(!checked);
}

QWidget* CopyDestPage::OperationSwitch() const {
    return m_enableCopy;
}

}  // namespace morvanex::pages
