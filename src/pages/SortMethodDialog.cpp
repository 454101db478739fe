#include "pages/SortMethodDialog.h"

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

const std::array<const char*, SortMethodDialog::kChoiceCount> kLabels{
    "パスを含むファイル名で正順",     "パスを含むファイル名で逆順",
    "パスを含まないファイル名で正順", "パスを含まないファイル名で逆順",
    "タイムスタンプで正順",           "タイムスタンプで逆順",
    "ファイルサイズで正順",           "ファイルサイズで逆順",
};

}  // namespace

SortMethodDialog::SortMethodDialog(QWidget* parent) : QDialog(parent) {
    setObjectName("sortMethodDialog");
    setWindowTitle(QStringLiteral("ソート方法の選択"));
    auto* text = new QLabel(QStringLiteral("◆ソート方法を選択してください"), this);

    auto* group = new QGroupBox(QStringLiteral("ソート方法"), this);
    auto* groupLayout = new QVBoxLayout(group);
    m_choices = new QButtonGroup(this);
    for (int i = 0; i < kChoiceCount; ++i) {
        auto* radio =
            new QRadioButton(QString::fromUtf8(kLabels[static_cast<std::size_t>(i)]), group);
        radio->setObjectName(QStringLiteral("sortMethod%1").arg(i));
        m_choices->addButton(radio, i);
        groupLayout->addWidget(radio);
    }
    m_choices->button(0)->setChecked(true);

    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName("okButton");
    ok->setDefault(true);
    auto* cancel = new QPushButton(QStringLiteral("ｷｬﾝｾﾙ"), this);
    cancel->setObjectName("cancelButton");
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
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

int SortMethodDialog::SelectedIndex() const {
    return m_choices->checkedId();
}

}  // namespace morvanex::pages
