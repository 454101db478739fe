#include "pages/OptionsPage.h"

#include <QCheckBox>
#include <QFileDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "platform/Codepage.h"
#include "platform/Paths.h"
#include "widgets/ByteLimitValidator.h"
#include "widgets/QtText.h"

namespace morvanex::pages {

namespace {

QGroupBox* MakeGroup(const char* objectName, const QString& caption, const QRect& place,
                     QWidget* parent) {
    auto* group = new QGroupBox(caption, parent);
    group->setObjectName(objectName);
    group->setGeometry(place);
    return group;
}

QCheckBox* AddCheck(const char* objectName, const QString& text, QGroupBox* group) {
    auto* check = new QCheckBox(text, group);
    check->setObjectName(objectName);
    static_cast<QVBoxLayout*>(group->layout())->addWidget(check);
    return check;
}

QPushButton* MakeButton(const char* objectName, const QString& text, QWidget* parent) {
    auto* button = new QPushButton(text, parent);
    button->setObjectName(objectName);
    return button;
}

}  // namespace

OptionsPage::OptionsPage(const widgets::WindowContext& context, QWidget* parent)
    : Page(context, parent) {
    setObjectName("optionsPage");

    auto* selection = MakeGroup("fileSelectionGroup", QStringLiteral("ファイル選択設定"),
                                Drawn(8, 4, 286, 136), this);
    new QVBoxLayout(selection);
    m_includeSubDir =
        AddCheck("includeSubDirCheck", QStringLiteral("サブフォルダ以下のファイルもリネームする"),
                 selection);
    m_numberReset =
        AddCheck("numberResetCheck", QStringLiteral("フォルダごとに連番をリセットする"), selection);
    m_allAttributes =
        AddCheck("allAttributesCheck", QStringLiteral("すべてのファイル属性が対象"), selection);
    m_dirRename = AddCheck("dirRenameCheck", QStringLiteral("フォルダも処理対象にする"), selection);

    auto* copy = MakeGroup("copyModeGroup", QStringLiteral("コピーモードの設定"),
                           Drawn(8, 146, 286, 62), this);
    new QVBoxLayout(copy);
    m_keepDirTree =
        AddCheck("keepDirTreeCheck", QStringLiteral("コピー元フォルダ構成を維持"), copy);

    auto* other =
        MakeGroup("otherGroup", QStringLiteral("その他全体設定"), Drawn(8, 214, 286, 62), this);
    new QVBoxLayout(other);
    m_viewDetail =
        AddCheck("viewDetailResultCheck", QStringLiteral("処理結果を詳細に表示する"), other);

    auto* log =
        MakeGroup("logGroup", QStringLiteral("ログ記録設定"), Drawn(300, 4, 252, 272), this);
    auto* logLayout = new QVBoxLayout(log);
    logLayout->setContentsMargins(6, 6, 6, 6);
    m_logWrite = AddCheck("logWriteCheck", QStringLiteral("ログ記録"), log);
    m_batLogWrite = AddCheck("batLogWriteCheck", QStringLiteral("復元用BAT形式ログ記録"), log);
    auto* caption = new QLabel(QStringLiteral("ログ保存フォルダ"), log);
    caption->setObjectName("logFolderCaption");
    logLayout->addWidget(caption);
    m_logFolder = new QLineEdit(log);
    m_logFolder->setObjectName("logFolderEdit");
    m_logFolder->setValidator(
        new widgets::ByteLimitValidator(platform::kMaxTextBytes, m_logFolder));
    logLayout->addWidget(m_logFolder);
    m_browse = MakeButton("browseButton", QStringLiteral("Browse"), log);
    logLayout->addWidget(m_browse, 0, Qt::AlignRight);
    m_renameFolderLog = MakeButton("renameFolderLogButton",
                                   QStringLiteral("リネーム対象フォルダにログを保存する"), log);
    logLayout->addWidget(m_renameFolderLog);
    m_copyFolderLog =
        MakeButton("copyFolderLogButton", QStringLiteral("コピー先フォルダにログを保存する"), log);
    logLayout->addWidget(m_copyFolderLog);
    logLayout->addStretch(1);

    connect(m_logWrite, &QCheckBox::clicked, this, &OptionsPage::EnableLogControls);
    connect(m_batLogWrite, &QCheckBox::clicked, this, &OptionsPage::EnableLogControls);
    connect(m_includeSubDir, &QCheckBox::clicked, m_numberReset, &QWidget::setEnabled);
    connect(m_browse, &QPushButton::clicked, this, &OptionsPage::BrowseClicked);
    // Both take the folders as last stored by the folder and copy pages.
    connect(m_renameFolderLog, &QPushButton::clicked, this,
            [this] { SetLogFolder(Settings().SelectFile.FullPath); });
    connect(m_copyFolderLog, &QPushButton::clicked, this,
            [this] { SetLogFolder(Settings().CopyToDir.FullPath); });
}

OptionsPage::~OptionsPage() {
    StoreSettings();
}

void OptionsPage::ShowSettings() {
    const settings::RenameSettings& record = Settings();
    const settings::CommonOptionSection& common = record.CommonOption;
    m_includeSubDir->setChecked(record.SelectFile.IncludeSubDir != 0);
    m_numberReset->setChecked(common.NumberReset != 0);
    m_allAttributes->setChecked(common.AllAttributeFileRename != 0);
    m_dirRename->setChecked(common.DirRename != 0);
    m_keepDirTree->setChecked(record.CopyToDir.KeepDirTree != 0);
    m_viewDetail->setChecked(common.ViewDetailResult != 0);
    m_logWrite->setChecked(common.LogWrite != 0);
    m_batLogWrite->setChecked(common.BatLogWrite != 0);

    EnableLogControls();
    const bool folderSelection = record.SelectFile.FreeFileSelect == 0;
    m_includeSubDir->setEnabled(folderSelection);
    // Folders can only be renamed by a job that neither composes names nor replaces texts in
    // them; resetting numbers per folder only means something with subfolders.
    m_dirRename->setEnabled(record.RenameOption.EnableRename == 0 &&
                            record.StringChangeOption.EnableStringChange == 0);
    m_numberReset->setEnabled(record.SelectFile.IncludeSubDir != 0);
    m_keepDirTree->setEnabled(record.CopyToDir.EnableCopy != 0);
    m_logFolder->setText(widgets::ToQString(common.LogWritePath));
}

void OptionsPage::StoreSettings() {
    settings::RenameSettings& record = Settings();
    settings::CommonOptionSection& common = record.CommonOption;
    // Disabled boxes are stored as they show.
    record.SelectFile.IncludeSubDir = m_includeSubDir->isChecked() ? 1 : 0;
    common.NumberReset = m_numberReset->isChecked() ? 1 : 0;
    common.AllAttributeFileRename = m_allAttributes->isChecked() ? 1 : 0;
    common.DirRename = m_dirRename->isChecked() ? 1 : 0;
    record.CopyToDir.KeepDirTree = m_keepDirTree->isChecked() ? 1 : 0;
    common.ViewDetailResult = m_viewDetail->isChecked() ? 1 : 0;
    common.LogWrite = m_logWrite->isChecked() ? 1 : 0;
    common.BatLogWrite = m_batLogWrite->isChecked() ? 1 : 0;
    common.LogWritePath = widgets::ToCp932(m_logFolder->text());
}

void OptionsPage::EnableLogControls() {
    const settings::RenameSettings& record = Settings();
    const bool logging = m_logWrite->isChecked() || m_batLogWrite->isChecked();
    m_logFolder->setEnabled(logging);
    m_browse->setEnabled(logging);
    m_renameFolderLog->setEnabled(logging && record.SelectFile.FreeFileSelect == 0);
    m_copyFolderLog->setEnabled(logging && record.CopyToDir.EnableCopy != 0);
}

void OptionsPage::SetLogFolder(const std::string& folder) {
    m_logFolder->setText(widgets::ToQString(folder));
    m_logFolder->setCursorPosition(0);
}

void OptionsPage::BrowseClicked() {
    QFileDialog dialog(this, QStringLiteral("ログを保存するフォルダを選択してください。"));
    dialog.setObjectName("logFolderDialog");
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOption(QFileDialog::ShowDirsOnly);
    const std::string current = widgets::ToCp932(m_logFolder->text());
    dialog.setDirectory(FileSystem().CanEnter(current) ? widgets::ToHostPath(current)
                                                       : QStringLiteral("/"));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return;
    const std::string folder =
        platform::WithTrailingSeparator(widgets::ToCp932(dialog.selectedFiles().constFirst()));
    if (folder.size() > platform::kMaxTextBytes) {
        Interaction().ShowMessage(platform::Sjis(widgets::kPathTooLong), engine::MessageIcon::None);
        return;
    }
    SetLogFolder(folder);
}

}  // namespace morvanex::pages
