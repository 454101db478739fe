#include "pages/AttributePage.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QCheckBox>
#include <QGroupBox>
#include <QRadioButton>
#include <QVBoxLayout>

namespace morvanex::pages {

namespace {

struct AttributeGroup {
    const char* objectName;
    const char* caption;
    int settings::AttributeOptionSection::*value;
    QRect place;
};

// Archive and read-only on the left, hidden and system on the right.
const std::array<AttributeGroup, 4> kGroups{{
    {"archiveGroup", "アーカイブ属性", &settings::AttributeOptionSection::SelectedArchive,
     QRect(20, 44, 250, 112)},
    {"readOnlyGroup", "リードオンリー属性", &settings::AttributeOptionSection::SelectedReadOnly,
     QRect(20, 162, 250, 112)},
    {"hiddenGroup", "隠し属性", &settings::AttributeOptionSection::SelectedHidden,
     QRect(290, 44, 250, 112)},
    {"systemGroup", "システム属性", &settings::AttributeOptionSection::SelectedSystem,
     QRect(290, 162, 250, 112)},
}};

constexpr std::array<const char*, 3> kChoiceLabels{"変更無し", "オン", "オフ"};
constexpr std::array<const char*, 3> kChoiceNames{"Unchanged", "On", "Off"};

void SelectChoice(QButtonGroup& group, int value) {
    if (QAbstractButton* radio = group.button(value)) {
        radio->setChecked(true);
        return;
    }
    // An exclusive group never lets its checked radio go; a value out of range selects none.
    group.setExclusive(false);
    for (QAbstractButton* radio : group.buttons()) radio->setChecked(false);
    group.setExclusive(true);
}

}  // namespace

AttributePage::AttributePage(const widgets::WindowContext& context, QWidget* parent)
    : Page(context, parent) {
    setObjectName("attributePage");
    m_enable = new QCheckBox(QStringLiteral("ファイルアトリビュート(属性)の変更を行う"), this);
    m_enable->setObjectName("enableAttributeCheck");
    m_enable->setGeometry(Drawn(20, 12, 500, 24));

    for (std::size_t g = 0; g < kGroups.size(); ++g) {
        auto* box = new QGroupBox(QString::fromUtf8(kGroups[g].caption), this);
        box->setObjectName(kGroups[g].objectName);
        box->setGeometry(Drawn(kGroups[g].place));
        auto* layout = new QVBoxLayout(box);
        m_groups[g] = new QButtonGroup(this);
        for (int choice = 0; choice < 3; ++choice) {
            const auto index = static_cast<std::size_t>(choice);
            auto* radio = new QRadioButton(QString::fromUtf8(kChoiceLabels[index]), box);
            radio->setObjectName(QString::fromLatin1(kGroups[g].objectName) +
                                 QString::fromLatin1(kChoiceNames[index]));
            m_groups[g]->addButton(radio, choice);
            layout->addWidget(radio);
        }
    }

    connect(m_enable, &QCheckBox::clicked, this, &AttributePage::EnableChoices);
}

AttributePage::~AttributePage() {
    StoreSettings();
}

void AttributePage::ShowSettings() {
    const settings::AttributeOptionSection& option = Settings().AttributeOption;
    for (std::size_t g = 0; g < kGroups.size(); ++g) {
        SelectChoice(*m_groups[g], option.*kGroups[g].value);
    }
    m_enable->setChecked(option.EnableAttribute != 0);
    EnableChoices(option.EnableAttribute != 0);
}

void AttributePage::StoreSettings() {
    settings::AttributeOptionSection& option = Settings().AttributeOption;
    // A group with no radio selected stores -1.
    for (std::size_t g = 0; g < kGroups.size(); ++g) {
        option.*kGroups[g].value = m_groups[g]->checkedId();
    }
    option.EnableAttribute = m_enable->isChecked() ? 1 : 0;
}

void AttributePage::EnableChoices(bool enable) {
    for (QButtonGroup* group : m_groups) {
        for (QAbstractButton* radio : group->buttons()) radio->setEnabled(enable);
    }
}

QWidget* AttributePage::OperationSwitch() const {
    return m_enable;
}

}  // namespace morvanex::pages
