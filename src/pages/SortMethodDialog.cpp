#include "pages/SortMethodDialog.h"

#include <QButtonGroup>
#include <QPushButton>
#include <array>

#include "widgets/ChoiceLayout.h"

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
    const widgets::ChoiceControls controls = widgets::LayOutChoices(
        *this, QStringLiteral("◆ソート方法を選択してください"), QStringLiteral("ソート方法"),
        kLabels, QStringLiteral("sortMethod"), widgets::EnterKey::PressesOk);
    m_choices = controls.choices;
    m_choices->button(0)->setChecked(true);
    connect(controls.ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(controls.cancel, &QPushButton::clicked, this, &QDialog::reject);
}

int SortMethodDialog::SelectedIndex() const {
    return m_choices->checkedId();
}

}  // namespace morvanex::pages
