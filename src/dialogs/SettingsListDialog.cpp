#include "dialogs/SettingsListDialog.h"

#include <QCloseEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "engine/SettingsSummary.h"
#include "platform/Codepage.h"
#include "widgets/ByteLimitValidator.h"
#include "widgets/FolderDropField.h"
#include "widgets/QtText.h"
#include "widgets/WindowHints.h"

namespace morvanex::dialogs {

namespace {

// The item data of the pages the buttons select.
constexpr int kFolderSelection = 1000;
constexpr int kFreeSelection = 1001;
constexpr int kCopyDestination = 1002;
constexpr int kOptions = 1003;
constexpr int kRenamePattern = 1004;
constexpr int kLetterCase = 1005;
constexpr int kStringReplace = 1006;
constexpr int kAttributes = 1007;
constexpr int kTimeStamp = 1008;

QLineEdit* MakeField(const char* objectName, QWidget* parent) {
    auto* field = new QLineEdit(parent);
    field->setObjectName(objectName);
    field->setReadOnly(true);
    field->setFocusPolicy(Qt::NoFocus);
    return field;
}

QPushButton* MakeButton(const char* objectName, const char* text, QWidget* parent) {
    auto* button = new QPushButton(QString::fromUtf8(text), parent);
    button->setObjectName(objectName);
    // The dialog gives Enter no meaning: no button answers it.
    button->setAutoDefault(false);
    return button;
}

QLabel* MakeLabel(const char* text, QWidget* parent) {
    return new QLabel(QString::fromUtf8(text), parent);
}

void Show(QLineEdit* field, const std::string& cp932) {
    field->setText(widgets::ToQString(cp932));
    // Long texts show their beginning.
    field->setCursorPosition(0);
}

}  // namespace

SettingsListDialog::SettingsListDialog(const widgets::WindowContext& context, QWidget* parent)
    : QDialog(parent), m_context(context) {
    widgets::RemoveCloseButton(*this);
    setObjectName("settingsListDialog");
    setWindowTitle(QStringLiteral("現在設定されている項目の一覧"));
    setModal(false);

    m_folder = new widgets::FolderDropField(context.fileSystem, false, this);
    m_folder->setFocusPolicy(Qt::NoFocus);
    m_copyDestination = MakeField("copyDestinationField", this);
    m_rename = MakeField("renameField", this);
    m_letterCase = MakeField("letterCaseField", this);
    m_replaceBefore = MakeField("replaceBeforeField", this);
    m_replaceAfter = MakeField("replaceAfterField", this);
    m_attributes = MakeField("attributesField", this);
    m_creationTime = MakeField("creationTimeField", this);
    m_modificationTime = MakeField("modificationTimeField", this);
    m_accessTime = MakeField("accessTimeField", this);
    m_folderStructure = MakeField("folderStructureField", this);
    m_subfolders = MakeField("subfoldersField", this);
    m_detailedResult = MakeField("detailedResultField", this);
    m_numberReset = MakeField("numberResetField", this);
    m_log = MakeField("logField", this);
    m_targetAttributes = MakeField("targetAttributesField", this);
    m_batchLog = MakeField("batchLogField", this);
    m_foldersToo = MakeField("foldersTooField", this);
    m_logFolder = MakeField("logFolderField", this);

    auto* fileSelection = MakeButton("fileSelectionButton", "ファイル選択", this);
    auto* copyDestination = MakeButton("copyDestinationButton", "コピー先フォルダ", this);
    auto* rename = MakeButton("renameButton", "リネーム処理", this);
    auto* letterCase = MakeButton("letterCaseButton", "大(小)文字統一", this);
    auto* replace = MakeButton("stringReplaceButton", "文字列置換", this);
    auto* attributes = MakeButton("attributesButton", "ファイル属性統一", this);
    auto* timeStamp = MakeButton("timeStampButton", "タイムスタンプ統一", this);
    auto* options = MakeButton("optionsButton", "共通オプション", this);
    auto* help = MakeButton("helpButton", "ヘルプ", this);
    auto* close = MakeButton("closeButton", "ダイアログを閉じる", this);

    auto* replacement = new QHBoxLayout;
    replacement->addWidget(m_replaceBefore, 1);
    replacement->addWidget(MakeLabel("→", this));
    replacement->addWidget(m_replaceAfter, 1);

    // Four columns: button or label, short field, label, short field; the long fields span the
    // last three.
    auto* grid = new QGridLayout;
    grid->setHorizontalSpacing(6);
    grid->setVerticalSpacing(6);
    int row = 0;
    grid->addWidget(fileSelection, row, 0);
    grid->addWidget(m_folder, row++, 1, 1, 3);
    grid->addWidget(copyDestination, row, 0);
    grid->addWidget(m_copyDestination, row++, 1, 1, 3);
    grid->addWidget(rename, row, 0);
    grid->addWidget(m_rename, row++, 1, 1, 3);
    grid->addWidget(letterCase, row, 0);
    grid->addWidget(m_letterCase, row++, 1, 1, 3);
    grid->addWidget(replace, row, 0);
    grid->addLayout(replacement, row++, 1, 1, 3);
    grid->addWidget(attributes, row, 0);
    grid->addWidget(m_attributes, row++, 1, 1, 3);
    grid->addWidget(MakeLabel("+：付加  -：削除  *：変更無し", this), row++, 1, 1, 3);
    grid->addWidget(timeStamp, row, 0);
    grid->addWidget(MakeLabel("作成時刻", this), row, 1);
    grid->addWidget(m_creationTime, row++, 2, 1, 2);
    grid->addWidget(MakeLabel("更新時刻", this), row, 1);
    grid->addWidget(m_modificationTime, row++, 2, 1, 2);
    grid->addWidget(MakeLabel("最終アクセス時刻", this), row, 1);
    grid->addWidget(m_accessTime, row++, 2, 1, 2);
    grid->addWidget(options, row, 0);
    grid->addWidget(MakeLabel("フォルダ構成", this), row, 2);
    grid->addWidget(m_folderStructure, row++, 3);
    const std::pair<const char*, QLineEdit*> pairs[][2] = {
        {{"サブフォルダ以下", m_subfolders}, {"結果の詳細表示", m_detailedResult}},
        {{"連番リセット", m_numberReset}, {"ログ", m_log}},
        {{"対象ファイル属性", m_targetAttributes}, {"復元用BATログ", m_batchLog}},
    };
    for (const auto& pair : pairs) {
        grid->addWidget(MakeLabel(pair[0].first, this), row, 0);
        grid->addWidget(pair[0].second, row, 1);
        grid->addWidget(MakeLabel(pair[1].first, this), row, 2);
        grid->addWidget(pair[1].second, row++, 3);
    }
    grid->addWidget(MakeLabel("フォルダも処理", this), row, 0);
    grid->addWidget(m_foldersToo, row, 1);
    grid->addWidget(m_logFolder, row++, 2, 1, 2);
    grid->setColumnMinimumWidth(1, 64);
    grid->setColumnMinimumWidth(3, 64);
    grid->setColumnStretch(3, 1);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(help);
    buttons->addStretch(1);
    buttons->addWidget(close);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(12, 12, 12, 12);
    layout->addLayout(grid);
    layout->addSpacing(4);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    setMinimumWidth(380);

    connect(fileSelection, &QPushButton::clicked, this, &SettingsListDialog::FileSelectionClicked);
    const std::pair<QPushButton*, int> pages[] = {
        {copyDestination, kCopyDestination},
        {rename, kRenamePattern},
        {letterCase, kLetterCase},
        {replace, kStringReplace},
        {attributes, kAttributes},
        {timeStamp, kTimeStamp},
        {options, kOptions},
    };
    for (const auto& [button, itemData] : pages) {
        connect(button, &QPushButton::clicked, this,
                [this, item = itemData] { emit PageRequested(item); });
    }
    connect(help, &QPushButton::clicked, this,
            [this] { m_context.host.RequestHelp(kHelpContext); });
    connect(close, &QPushButton::clicked, this, &SettingsListDialog::CloseRequested);
    connect(m_folder, &widgets::FolderDropField::FolderDropped, this,
            &SettingsListDialog::FolderDropped);
    connect(m_folder, &widgets::FolderDropField::DroppedPathTooLong, this, [this] {
        m_context.interaction.ShowMessage(platform::Sjis(widgets::kPathTooLong),
                                          engine::MessageIcon::None);
    });
}

void SettingsListDialog::Refresh() {
    const engine::SettingsSummary summary =
        engine::SummarizeSettings(m_context.record, m_context.clock.Now());
    m_folder->SetPath(summary.targetFolder);
    Show(m_copyDestination, summary.copyDestination);
    Show(m_rename, summary.rename);
    Show(m_letterCase, summary.letterCase);
    Show(m_replaceBefore, summary.replaceBefore);
    Show(m_replaceAfter, summary.replaceAfter);
    Show(m_attributes, summary.attributes);
    Show(m_creationTime, summary.creationTime);
    Show(m_modificationTime, summary.modificationTime);
    Show(m_accessTime, summary.accessTime);
    Show(m_subfolders, summary.subfolders);
    Show(m_numberReset, summary.numberReset);
    Show(m_targetAttributes, summary.targetAttributes);
    Show(m_foldersToo, summary.foldersToo);
    Show(m_folderStructure, summary.folderStructure);
    Show(m_detailedResult, summary.detailedResult);
    Show(m_log, summary.log);
    Show(m_batchLog, summary.batchLog);
    Show(m_logFolder, summary.logFolder);
}

void SettingsListDialog::reject() {
    emit CloseRequested();
}

void SettingsListDialog::closeEvent(QCloseEvent* event) {
    // The owner destroys the dialog; hiding it here would leave it believing it open.
    event->ignore();
    emit CloseRequested();
}

void SettingsListDialog::FileSelectionClicked() {
    emit PageRequested(m_context.record.SelectFile.FreeFileSelect != 0 ? kFreeSelection
                                                                       : kFolderSelection);
}

void SettingsListDialog::FolderDropped() {
    settings::SelectFileSection& selection = m_context.record.SelectFile;
    selection.FreeFileSelect = 0;
    selection.FullPath = m_folder->Path();
    emit FolderSelected();
}

}  // namespace morvanex::dialogs
