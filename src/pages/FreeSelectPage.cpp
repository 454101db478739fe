#include "pages/FreeSelectPage.h"

#include <QCheckBox>
#include <QDesktopServices>
#include <QPushButton>

#include "engine/plan/CollectTargets.h"
#include "pages/FileDropList.h"
#include "pages/FolderDropOptionDialog.h"
#include "pages/SortMethodDialog.h"
#include "widgets/QtText.h"

namespace morvanex::pages {

namespace {

QPushButton* MakeButton(const char* objectName, const QString& text, const QRect& place,
                        QWidget* parent) {
    auto* button = new QPushButton(text, parent);
    button->setObjectName(objectName);
    button->setGeometry(place);
    return button;
}

}  // namespace

FreeSelectPage::FreeSelectPage(const widgets::WindowContext& context, QWidget* parent)
    : Page(context, parent), m_openFile([](const QUrl& url) { QDesktopServices::openUrl(url); }) {
    setObjectName("freeSelectPage");
    m_freeSelect =
        new QCheckBox(QStringLiteral("ファイル選択をドラッグアンドドロップにて行う。"), this);
    m_freeSelect->setObjectName("freeSelectCheck");
    m_freeSelect->setGeometry(Drawn(10, 4, 430, 22));

    m_list = new FileDropList(FileSystem(), this);
    m_list->setGeometry(Drawn(QRect(QPoint(10, 30), QPoint(440, 260))));
    ApplyDropRules();

    m_moveUp =
        MakeButton("moveUpButton", QStringLiteral("▲ (上へ移動)"), Drawn(450, 30, 100, 30), this);
    m_moveDown =
        MakeButton("moveDownButton", QStringLiteral("▼ (下へ移動)"), Drawn(450, 64, 100, 30), this);
    m_deleteSelected = MakeButton("deleteSelectedButton", QStringLiteral("選択ファイル削除"),
                                  Drawn(450, 108, 100, 30), this);
    m_clear = MakeButton("clearListButton", QStringLiteral("リストをクリア"),
                         Drawn(450, 142, 100, 30), this);
    m_sort = MakeButton("sortFilesButton", QStringLiteral("ファイルをソート"),
                        Drawn(450, 186, 100, 30), this);
    m_folderOption =
        MakeButton("dropOptionButton", QStringLiteral("フォルダドロップ\n   オプション"),
                   Drawn(450, 220, 100, 40), this);

    connect(m_freeSelect, &QCheckBox::clicked, this, &FreeSelectPage::EnableList);
    connect(m_moveUp, &QPushButton::clicked, m_list, &FileDropList::MoveSelectedUp);
    connect(m_moveDown, &QPushButton::clicked, m_list, &FileDropList::MoveSelectedDown);
    connect(m_deleteSelected, &QPushButton::clicked, m_list, &FileDropList::DeleteSelected);
    connect(m_clear, &QPushButton::clicked, m_list, &FileDropList::DeleteAll);
    connect(m_sort, &QPushButton::clicked, this, &FreeSelectPage::SortClicked);
    connect(m_folderOption, &QPushButton::clicked, this, &FreeSelectPage::FolderOptionClicked);
    connect(m_list, &FileDropList::EntryActivated, this, [this](const std::string& path) {
        m_openFile(QUrl::fromLocalFile(widgets::ToHostPath(path)));
    });
}

FreeSelectPage::~FreeSelectPage() {
    StoreSettings();
}

void FreeSelectPage::ShowSettings() {
    const settings::RenameSettings& record = Settings();
    m_freeSelect->setChecked(record.SelectFile.FreeFileSelect != 0);
    EnableList(record.SelectFile.FreeFileSelect != 0);
    m_list->SetPaths(record.FreeFileList);
    ApplyDropRules();
}

void FreeSelectPage::StoreSettings() {
    settings::RenameSettings& record = Settings();
    record.SelectFile.FreeFileSelect = m_freeSelect->isChecked() ? 1 : 0;
    record.FreeFileList = m_list->Paths();
}

void FreeSelectPage::AfterRun() {
    // The run may have emptied the free list (the user asks for that after each run); the
    // list must not bring the old entries back when the page is next stored.
    m_list->SetPaths(Settings().FreeFileList);
}

void FreeSelectPage::EnableList(bool enable) {
    for (QWidget* control : std::initializer_list<QWidget*>{
             m_list, m_moveUp, m_moveDown, m_deleteSelected, m_clear, m_sort, m_folderOption}) {
        control->setEnabled(enable);
    }
}

void FreeSelectPage::ApplyDropRules() {
    const settings::RenameSettings& record = Settings();
    m_list->SetDropRules(true, record.CommonOption.AllAttributeFileRename != 0,
                         engine::kRunAttributeMask);
    m_list->SetFolderAction(record.SelectFile.DropDirAction);
}

void FreeSelectPage::FolderOptionClicked() {
    FolderDropOptionDialog dialog(Settings(), this);
    dialog.exec();
    m_list->SetFolderAction(Settings().SelectFile.DropDirAction);
}

void FreeSelectPage::SortClicked() {
    SortMethodDialog dialog(this);
    if (dialog.exec() != QDialog::Accepted) return;
    m_list->Sort(dialog.SelectedIndex());
}

QWidget* FreeSelectPage::OperationSwitch() const {
    return m_freeSelect;
}

}  // namespace morvanex::pages
