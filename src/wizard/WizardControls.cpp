#include "wizard/WizardControls.h"

#include <QButtonGroup>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>

#include "platform/Codepage.h"
#include "widgets/ByteLimitValidator.h"
#include "wizard/WizardPage.h"

namespace morvanex::wizard {

namespace {

QRect Pixels(const QWidget& page, QRect units) {
    return WizardPage::UnitsOn(page, units);
}

}  // namespace

QLabel* AddText(QWidget& page, const char* name, const char* text, QRect units) {
    auto* label = new QLabel(QString::fromUtf8(text), &page);
    label->setObjectName(name);
    label->setWordWrap(true);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    label->setGeometry(Pixels(page, units));
    return label;
}

QGroupBox* AddGroup(QWidget& page, const char* name, const char* text, QRect units) {
    auto* group = new QGroupBox(QString::fromUtf8(text), &page);
    group->setObjectName(name);
    group->setGeometry(Pixels(page, units));
    // Only a frame: the controls drawn inside it are the page's, so keep it behind them.
    group->lower();
    return group;
}

QRadioButton* AddRadio(QWidget& page, QButtonGroup& group, int id, const char* name,
                       const char* text, QRect units) {
    auto* radio = new QRadioButton(QString::fromUtf8(text), &page);
    radio->setObjectName(name);
    radio->setGeometry(Pixels(page, units));
    group.addButton(radio, id);
    return radio;
}

QLineEdit* AddFieldEdit(QWidget& page, const char* name, QRect units) {
    auto* edit = new QLineEdit(&page);
    edit->setObjectName(name);
    edit->setGeometry(Pixels(page, units));
    edit->setValidator(new widgets::ByteLimitValidator(platform::kMaxTextBytes, edit));
    return edit;
}

YesNoChoice::YesNoChoice(QWidget& page, const Names& names, const char* question, const char* note,
                         QRect units) {
    const int x = units.x();
    const int y = units.y();
    AddGroup(page, names.group, question, units);
    auto* radios = new QButtonGroup(&page);
    m_yes = AddRadio(page, *radios, 1, names.yes, "はい", QRect(x + 8, y + 12, 60, 10));
    m_no = AddRadio(page, *radios, 0, names.no, "いいえ。", QRect(x + 80, y + 12, 60, 10));
    AddText(page, names.note, note, QRect(x + 8, y + 24, units.width() - 16, units.height() - 27));
}

bool YesNoChoice::Yes() const {
    return m_yes->isChecked();
}

void YesNoChoice::Set(bool yes) {
    (yes ? m_yes : m_no)->setChecked(true);
}

void YesNoChoice::SetEnabled(bool enabled) {
    m_yes->setEnabled(enabled);
    m_no->setEnabled(enabled);
}

}  // namespace morvanex::wizard
