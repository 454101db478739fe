#include "pages/FolderDropOptionDialog.h"

#include <QButtonGroup>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>
#include <array>

namespace morvanex::pages {

namespace {

const std::array<const char*, FolderDropOptionDialog::kChoiceCount> kLabels{
    "ドロップを許可しない",
    "フォルダをドロップする",
    "フォルダ以下のファイルをドロップする(サブフォルダ以下含まず)",
    "フォルダ以下のファイルをドロップする(サブフォルダ以下含む)",
};

QPushButton* MakeButton(const char* objectName, const QString& text, QWidget* parent) {
    auto* button = new QPushButton(text, parent);
    button->setObjectName(objectName);
    // Enter must not press a button: the dialog closes only by a click.
    button->setAutoDefault(false);
    button->setDefault(false);
    return button;
}

}  // namespace

FolderDropOptionDialog::FolderDropOptionDialog(settings::RenameSettings& record, QWidget* parent)
    : widgets::ButtonsOnlyDialog(parent, Qt::Dialog, true), m_record(record) {
    setObjectName("folderDropOptionDialog");
    setWindowTitle(QStringLiteral("フォルダドロップオプション"));
    auto* text =
        new QLabel(QStringLiteral("◆フォルダがドロップされたときの処理を選んでください"), this);

    auto* group = new QGroupBox(QStringLiteral("フォルダがドロップされたら・・・・・"), this);
    auto* groupLayout = new QVBoxLayout(group);
    m_choices = new QButtonGroup(this);
    for (int i = 0; i < kChoiceCount; ++i) {
        auto* radio =
            new QRadioButton(QString::fromUtf8(kLabels[static_cast<std::size_t>(i)]), group);
        radio->setObjectName(QStringLiteral("dropAction%1").arg(i));
        m_choices->addButton(radio, i);
        groupLayout->addWidget(radio);
    }
    const int current = record.SelectFile.DropDirAction;
    // A value no choice stands for shows the first one, the safe "no drops".
    m_choices->button(current >= 0 && current < kChoiceCount ? current : 0)->setChecked(true);

    auto* ok = MakeButton("okButton", QStringLiteral("OK"), this);
    auto* cancel = MakeButton("cancelButton", QStringLiteral("ｷｬﾝｾﾙ"), this);
    connect(ok, &QPushButton::clicked, this, &FolderDropOptionDialog::Accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);

    auto* buttons = new QVBoxLayout;
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    buttons->addStretch(1);
    auto* body = new QHBoxLayout;
    body->addWidget(group, 1);
    body->addLayout(buttons);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(text);
    layout->addLayout(body);
}

int FolderDropOptionDialog::SelectedIndex() const {
    return m_choices->checkedId();
}

void FolderDropOptionDialog::Accept() {
    m_record.SelectFile.DropDirAction = SelectedIndex();
    accept();
}

}  // namespace morvanex::pages
