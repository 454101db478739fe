#include "widgets/ChoiceLayout.h"

#include <QButtonGroup>
#include <QDialog>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace morvanex::widgets {

namespace {

QPushButton* MakeButton(const char* objectName, const QString& text, QWidget* parent) {
    auto* button = new QPushButton(text, parent);
    button->setObjectName(objectName);
    return button;
}

}  // namespace

ChoiceControls LayOutChoices(QDialog& dialog, const QString& text, const QString& groupTitle,
                             std::span<const char* const> labels, const QString& radioPrefix,
                             EnterKey enter) {
    auto* label = new QLabel(text, &dialog);
    label->setObjectName("choiceText");
    auto* group = new QGroupBox(groupTitle, &dialog);
    group->setObjectName("choiceGroup");
    auto* groupLayout = new QVBoxLayout(group);
    auto* choices = new QButtonGroup(&dialog);
    for (std::size_t i = 0; i < labels.size(); ++i) {
        auto* radio = new QRadioButton(QString::fromUtf8(labels[i]), group);
        radio->setObjectName(radioPrefix + QString::number(i));
        choices->addButton(radio, static_cast<int>(i));
        groupLayout->addWidget(radio);
    }

    auto* ok = MakeButton("okButton", QStringLiteral("OK"), &dialog);
    auto* cancel = MakeButton("cancelButton", QStringLiteral("ｷｬﾝｾﾙ"), &dialog);
    for (QPushButton* button : {ok, cancel}) button->setAutoDefault(false);
    ok->setDefault(enter == EnterKey::PressesOk);

    auto* buttons = new QVBoxLayout;
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    buttons->addStretch(1);
    auto* body = new QHBoxLayout;
    body->addWidget(group, 1);
    body->addLayout(buttons);
    auto* layout = new QVBoxLayout(&dialog);
    layout->addWidget(label);
    layout->addLayout(body);
    return {choices, ok, cancel, layout};
}

}  // namespace morvanex::widgets
