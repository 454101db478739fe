#include "pages/LetterCasePage.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QCheckBox>
#include <QGroupBox>
#include <QRadioButton>
#include <QVBoxLayout>
#include <array>

namespace morvanex::pages {

namespace {

struct ModeRadio {
    const char* objectName;
    const char* label;
    int changeMode;
};

// Top to bottom as the page shows them. The values do not follow that order: capitalising the
// first letter is the last radio and ChangeMode 2.
constexpr std::array<ModeRadio, 7> kModes{{
    {"allUpperRadio", "全て大文字に統一する", 0},
    {"allLowerRadio", "全て小文字に統一する", 1},
    {"nameUpperRadio", "ファイル名のみ大文字に統一する", 3},
    {"nameLowerRadio", "ファイル名のみ小文字に統一する", 4},
    {"extensionUpperRadio", "拡張子のみ大文字に統一する", 5},
    {"extensionLowerRadio", "拡張子のみ小文字に統一する", 6},
    {"capitaliseRadio", "ファイル名の先頭のみ大文字にする", 2},
}};

}  // namespace

LetterCasePage::LetterCasePage(const widgets::WindowContext& context, QWidget* parent)
    : Page(context, parent) {
    setObjectName("letterCasePage");
    m_enable = new QCheckBox(QStringLiteral("大文字・小文字統一を行う"), this);
    m_enable->setObjectName("enableLetterChangeCheck");
    m_enable->setGeometry(Drawn(20, 12, 400, 24));

    auto* group = new QGroupBox(QStringLiteral("変換パターン"), this);
    group->setObjectName("changeModeGroup");
    group->setGeometry(Drawn(20, 44, 320, 226));
    auto* layout = new QVBoxLayout(group);
    m_modes = new QButtonGroup(this);
    for (const ModeRadio& mode : kModes) {
        auto* radio = new QRadioButton(QString::fromUtf8(mode.label), group);
        radio->setObjectName(mode.objectName);
        m_modes->addButton(radio, mode.changeMode);
        layout->addWidget(radio);
    }

    connect(m_enable, &QCheckBox::clicked, this, &LetterCasePage::EnableModes);
}

LetterCasePage::~LetterCasePage() {
    StoreSettings();
}

void LetterCasePage::ShowSettings() {
    const settings::LetterChangeOptionSection& option = Settings().LetterChangeOption;
    // A value no radio stands for leaves the radios as they are.
    if (QAbstractButton* radio = m_modes->button(option.ChangeMode)) radio->setChecked(true);
    m_enable->setChecked(option.EnableLetterChange != 0);
    EnableModes(option.EnableLetterChange != 0);
}

void LetterCasePage::StoreSettings() {
    settings::LetterChangeOptionSection& option = Settings().LetterChangeOption;
    if (const int mode = m_modes->checkedId(); mode >= 0) option.ChangeMode = mode;
    option.EnableLetterChange = m_enable->isChecked() ? 1 : 0;
}

void LetterCasePage::EnableModes(bool enable) {
    // The radios keep their choice while disabled, and it is stored all the same.
    for (QAbstractButton* radio : m_modes->buttons()) radio->setEnabled(enable);
}

QWidget* LetterCasePage::OperationSwitch() const {
    return m_enable;
}

}  // namespace morvanex::pages
