#include "pages/FolderDropOptionDialog.h"

#include <QButtonGroup>
#include <QPushButton>
#include <array>

#include "widgets/ChoiceLayout.h"

namespace morvanex::pages {

namespace {

const std::array<const char*, FolderDropOptionDialog::kChoiceCount> kLabels{
    "ドロップを許可しない",
    "フォルダをドロップする",
    "フォルダ以下のファイルをドロップする(サブフォルダ以下含まず)",
    "フォルダ以下のファイルをドロップする(サブフォルダ以下含む)",
};

}  // namespace

FolderDropOptionDialog::FolderDropOptionDialog(settings::RenameSettings& record, QWidget* parent)
    : widgets::ButtonsOnlyDialog(parent, Qt::Dialog, true), m_record(record) {
    setObjectName("folderDropOptionDialog");
    setWindowTitle(QStringLiteral("フォルダドロップオプション"));
    const widgets::ChoiceControls controls = widgets::LayOutChoices(
        *this, QStringLiteral("◆フォルダがドロップされたときの処理を選んでください"),
        QStringLiteral("フォルダがドロップされたら・・・・・"), kLabels,
        QStringLiteral("dropAction"), widgets::EnterKey::Ignored);
    m_choices = controls.choices;
    const int current = record.SelectFile.DropDirAction;
    // A value no choice stands for shows the first one, the safe "no drops".
    m_choices->button(current >= 0 && current < kChoiceCount ? current : 0)->setChecked(true);
    connect(controls.ok, &QPushButton::clicked, this, &FolderDropOptionDialog::Accept);
    connect(controls.cancel, &QPushButton::clicked, this, &QDialog::reject);
}

int FolderDropOptionDialog::SelectedIndex() const {
    return m_choices->checkedId();
}

void FolderDropOptionDialog::Accept() {
    m_record.SelectFile.DropDirAction = SelectedIndex();
    accept();
}

}  // namespace morvanex::pages
