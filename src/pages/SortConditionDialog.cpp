#include "pages/SortConditionDialog.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QPushButton>
#include <QVBoxLayout>
#include <array>

#include "widgets/ChoiceLayout.h"

namespace morvanex::pages {

namespace {

struct Choice {
    const char* label;
    SortConditionDialog::Order order;
};

const std::array<Choice, SortConditionDialog::kChoiceCount> kChoices{{
    {"ソートしない(検出順)", {0, 1}},
    {"ファイル名で正順", {1, 1}},
    {"ファイル名で逆順", {1, 0}},
    {"タイムスタンプで正順(古いものが先)", {2, 1}},
    {"タイムスタンプで逆順(新しいものが先)", {2, 0}},
    {"ファイルサイズで正順(小さいものが先)", {4, 1}},
    {"ファイルサイズで逆順(大きいものが先)", {4, 0}},
}};

}  // namespace

SortConditionDialog::SortConditionDialog(Order current, QWidget* parent, bool naturalOrder)
    : widgets::ButtonsOnlyDialog(parent, Qt::Dialog, true) {
    setObjectName("sortConditionDialog");
    setWindowTitle(QStringLiteral("検出ファイルのソート条件"));

    std::array<const char*, kChoiceCount> labels{};
    for (std::size_t i = 0; i < labels.size(); ++i) labels[i] = kChoices[i].label;
    const widgets::ChoiceControls controls = widgets::LayOutChoices(
        *this,
        QStringLiteral(
            "リネーム元ファイルが格納されている指定フォルダ内のファイルをソートする条件を"
            "選んでください。\n連番リネームの場合この条件で連番が付与されます。\n"
            "大文字,小文字変換の場合には関係ありません。"),
        QStringLiteral("ソート条件"), labels, QStringLiteral("sortChoice"),
        widgets::EnterKey::Ignored);
    m_choices = controls.choices;
    m_choices->button(IndexOf(current))->setChecked(true);
    m_natural = new QCheckBox(QStringLiteral("数字を数値として並べる"), this);
    m_natural->setObjectName("naturalOrderCheck");
    m_natural->setChecked(naturalOrder);

    connect(controls.ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(controls.cancel, &QPushButton::clicked, this, &QDialog::reject);
    controls.layout->addWidget(m_natural);
}

int SortConditionDialog::IndexOf(Order order) {
    const bool ascending = order.direction != 0;
    switch (order.condition) {
        case 1:
            return ascending ? 1 : 2;
        // Condition 3 sorts by name ascending whatever the direction: showing it as "no
        // sorting" would misstate the job and turn it into one on OK.
        case 3:
            return 1;
        case 2:
            return ascending ? 3 : 4;
        case 4:
            return ascending ? 5 : 6;
        default:
            return 0;
    }
}

SortConditionDialog::Order SortConditionDialog::OrderOf(int index) {
    if (index < 0 || index >= kChoiceCount) return kChoices[0].order;
    return kChoices[static_cast<std::size_t>(index)].order;
}

int SortConditionDialog::SelectedIndex() const {
    return m_choices->checkedId();
}

bool SortConditionDialog::NaturalOrder() const {
    return m_natural->isChecked();
}

}  // namespace morvanex::pages
