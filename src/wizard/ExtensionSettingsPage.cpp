#include "wizard/ExtensionSettingsPage.h"

#include <QLineEdit>

#include "engine/SettingsSummary.h"
#include "pages/PageText.h"
#include "widgets/QtText.h"

namespace morvanex::wizard {

namespace {

// The fixed text after the period in the extension pattern.
constexpr std::size_t kExtensionPart = 4;

}  // namespace

ExtensionSettingsPage::ExtensionSettingsPage(WizardDriver& driver)
    : WizardPage(driver, PageKind::Extension,
                 QString::fromUtf8("定型処理ウィザード：拡張子統一処理設定")) {
    AddHeading(QString::fromUtf8("◆拡張子統一に必要な情報を入力してください。"));

    AddGroup(*this, "previewGroup", "リネーム後ファイル名のプレビュー", QRect(7, 20, 316, 30));
    m_preview = new QLineEdit(this);
    m_preview->setObjectName("previewEdit");
    m_preview->setReadOnly(true);
    m_preview->setGeometry(Units(14, 32, 302, 13));

    AddText(*this, "extensionLabel", "統一する拡張子を入力してください。", QRect(7, 60, 316, 10));
    m_extension = AddFieldEdit(*this, "extensionEdit", QRect(14, 72, 100, 13));

    m_subfolders = std::make_unique<YesNoChoice>(
        *this,
        YesNoChoice::Names{"subfolderGroup", "subfolderYesRadio", "subfolderNoRadio",
                           "subfolderNote"},
        "サブフォルダ以下も変換しますか？",
        "サブフォルダ以下のファイル(フォルダ)も統一するかどうかを選択します。\n",
        QRect(7, 94, 316, 52));
    AddNavigation();

    connect(m_extension, &QLineEdit::textChanged, this, &ExtensionSettingsPage::Changed);
}

ExtensionSettingsPage::~ExtensionSettingsPage() = default;

void ExtensionSettingsPage::Load() {
    m_loading = true;
    const settings::RenameSettings& record = Settings();
    m_extension->setText(widgets::ToQString(record.RenameOption.Parts[kExtensionPart].StrPart));
    m_subfolders->Set(record.SelectFile.IncludeSubDir != 0);
    // Dropped files are the targets as they are: there are no subfolders to include.
    m_subfolders->SetEnabled(record.SelectFile.FreeFileSelect == 0);
    m_loading = false;
    ShowPreview();
}

void ExtensionSettingsPage::Store() {
    settings::RenameSettings& record = Settings();
    record.RenameOption.Parts[kExtensionPart].StrPart = pages::FieldText(*m_extension);
    record.SelectFile.IncludeSubDir = m_subfolders->Yes() ? 1 : 0;
}

void ExtensionSettingsPage::Changed() {
    if (m_loading) return;
    Store();
    ShowPreview();
}

void ExtensionSettingsPage::ShowPreview() {
    m_preview->setText(widgets::ToQString(
        engine::RenamePatternPreview(Settings(), Driver().Context().clock.Now())));
}

}  // namespace morvanex::wizard
