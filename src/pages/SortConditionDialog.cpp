#include "pages/SortConditionDialog.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

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

QPushButton* MakeButton(const char* objectName, const QString& text, QWidget* parent) {
    auto* button = new QPushButton(text, parent);
    button->setObjectName(objectName);
    // Enter must not press a button: the dialog closes only by a click.
    button->setAutoDefault(false);
    button->setDefault(false);
    return button;
}

}  // namespace

SortConditionDialog::SortConditionDialog(Order current, QWidget* parent, bool naturalOrder)
    : widgets::ButtonsOnlyDialog(parent, Qt::Dialog, true) {
    setObjectName("sortConditionDialog");
    setWindowTitle(QStringLiteral("検出ファイルのソート条件"));

    auto* text = new QLabel(
        QStringLiteral(
            "リネーム元ファイルが格納されている指定フォルダ内のファイルをソートする条件を"
            "選んでください。\n連番リネームの場合この条件で連番が付与されます。\n"
            "大文字,小文字変換の場合には関係ありません。"),
        this);
    text->setObjectName("sortConditionText");

    auto* group = new QGroupBox(QStringLiteral("ソート条件"), this);
    group->setObjectName("sortConditionGroup");
    auto* groupLayout = new QVBoxLayout(group);
    m_choices = new QButtonGroup(this);
    for (int i = 0; i < kChoiceCount; ++i) {
        auto* radio =
            new QRadioButton(QString::fromUtf8(kChoices[static_cast<std::size_t>(i)].label), group);
        radio->setObjectName(QStringLiteral("sortChoice%1").arg(i));
        m_choices->addButton(radio, i);
        groupLayout->addWidget(radio);
    }
    m_choices->button(IndexOf(current))->setChecked(true);
    m_natural = new QCheckBox(QStringLiteral("数字を数値として並べる"), this);
    m_natural->setObjectName("naturalOrderCheck");
    m_natural->setChecked(naturalOrder);

    auto* ok = MakeButton("okButton", QStringLiteral("OK"), this);
    auto* cancel = MakeButton("cancelButton", QStringLiteral("ｷｬﾝｾﾙ"), this);
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
    layout->addWidget(m_natural);
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
