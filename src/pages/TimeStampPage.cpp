#include "pages/TimeStampPage.h"

#include <QCheckBox>
#include <QDateEdit>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QTimeEdit>
#include <QVBoxLayout>

#include "settings/RenameSettings.h"

namespace morvanex::pages {

namespace {

// What a run does to a time, as the page writes it.
constexpr int kLeave = 0;
constexpr int kFixed = 1;
constexpr int kFromCreation = 2;
constexpr int kFromModification = 3;
constexpr int kFromExif = 5;

struct GroupText {
    const char* prefix;  // object names
    const char* title;
    const char* enable;
};

constexpr std::array<GroupText, 3> kGroupTexts{{
    {"creation", "ファイル作成日時", "作成日時を変更する"},
    {"modification", "ファイル最終更新日時", "最終更新日時を変更する"},
    {"access", "ファイル最終アクセス日時", "最終アクセス日時を変更する"},
}};

QString Utf8(const char* text) {
    return QString::fromUtf8(text);
}

QString Name(const char* prefix, const char* rest) {
    return QString::fromLatin1(prefix) + QString::fromLatin1(rest);
}

void SetEnabled(QWidget* widget, bool enabled) {
    if (widget != nullptr) widget->setEnabled(enabled);
}

}  // namespace

TimeStampPage::TimeStampPage(const widgets::WindowContext& context, QWidget* parent)
    : Page(context, parent) {
    setObjectName("timeStampPage");
    CreateControls();
}

void TimeStampPage::CreateControls() {
    m_enable = new QCheckBox(Utf8("タイムスタンプの変更を行う"), this);
    m_enable->setObjectName("timeStampCheck");
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(10, 6, 10, 6);
    layout->setSpacing(4);
    layout->addWidget(m_enable);

    for (int g = 0; g < kGroups; ++g) {
        const GroupText& text = kGroupTexts[static_cast<std::size_t>(g)];
        Group& group = m_groups[static_cast<std::size_t>(g)];
        auto* box = new QGroupBox(Utf8(text.title), this);
        box->setObjectName(Name(text.prefix, "Group"));
        group.enable = new QCheckBox(Utf8(text.enable), box);
        group.enable->setObjectName(Name(text.prefix, "Check"));
        group.date = new QDateEdit(box);
        group.date->setObjectName(Name(text.prefix, "Date"));
        group.date->setDisplayFormat(QStringLiteral("yyyy/MM/dd"));
        group.date->setCalendarPopup(true);
        group.time = new QTimeEdit(box);
        group.time->setObjectName(Name(text.prefix, "Time"));
        group.time->setDisplayFormat(QStringLiteral("HH:mm:ss"));
        group.now = new QPushButton(Utf8("現在日時取得"), box);
        group.now->setObjectName(Name(text.prefix, "NowButton"));
        group.now->setAutoDefault(false);
        group.exif = new QCheckBox(Utf8("Exif情報内の撮影時刻にあわせる"), box);
        group.exif->setObjectName(Name(text.prefix, "ExifCheck"));
        if (g != kCreation) {
            group.fromCreation = new QCheckBox(Utf8("作成日時にあわせる"), box);
            group.fromCreation->setObjectName(Name(text.prefix, "FromCreationCheck"));
        }
        if (g != kModification) {
            group.fromModification = new QCheckBox(Utf8("更新日時にあわせる"), box);
            group.fromModification->setObjectName(Name(text.prefix, "FromModificationCheck"));
        }

        // The same widths in every group keep the three groups' columns in line.
        group.enable->setFixedWidth(Drawn(196));
        group.date->setFixedWidth(Drawn(120));
        group.time->setFixedWidth(Drawn(96));
        auto* pickers = new QHBoxLayout;
        pickers->addWidget(group.enable);
        pickers->addWidget(group.date);
        pickers->addWidget(group.time);
        pickers->addWidget(group.now);
        pickers->addStretch(1);
        auto* sources = new QHBoxLayout;
        sources->addWidget(group.exif);
        for (QCheckBox* copy : {group.fromCreation, group.fromModification}) {
            if (copy != nullptr) sources->addWidget(copy);
        }
        sources->addStretch(1);
        auto* members = new QVBoxLayout(box);
        members->setContentsMargins(8, 2, 8, 4);
        members->setSpacing(2);
        members->addLayout(pickers);
        members->addLayout(sources);
        layout->addWidget(box);

        connect(group.enable, &QCheckBox::clicked, this,
                [this, g](bool checked) { OnGroupClicked(g, checked); });
        connect(group.now, &QPushButton::clicked, this, [this, g] { OnNow(g); });
        for (QCheckBox* source : SourceBoxes(g)) {
            if (source == nullptr) continue;
            connect(source, &QCheckBox::clicked, this,
                    [this, g, source](bool checked) { OnSourceClicked(g, source, checked); });
        }
    }
    layout->addStretch(1);
    connect(m_enable, &QCheckBox::clicked, this, &TimeStampPage::OnEnableClicked);
}

std::array<QCheckBox*, 3> TimeStampPage::SourceBoxes(int g) const {
    const Group& group = m_groups[static_cast<std::size_t>(g)];
    return {group.exif, group.fromCreation, group.fromModification};
}

bool TimeStampPage::AnySourceChecked(int g) const {
    for (QCheckBox* box : SourceBoxes(g)) {
        if (box != nullptr && box->isChecked()) return true;
    }
    return false;
}

int TimeStampPage::GroupValue(int g) const {
    const Group& group = m_groups[static_cast<std::size_t>(g)];
    if (!group.enable->isChecked()) return kLeave;
    if (group.fromCreation != nullptr && group.fromCreation->isChecked()) return kFromCreation;
    if (group.fromModification != nullptr && group.fromModification->isChecked()) {
        return kFromModification;
    }
    if (group.exif->isChecked()) return kFromExif;
    return kFixed;
}

void TimeStampPage::ShowSourceChecks(int g, int value) {
    const Group& group = m_groups[static_cast<std::size_t>(g)];
    QCheckBox* checked = nullptr;
    if (value == kFromExif) {
        checked = group.exif;
    } else if (value != kFixed) {
        // Each group reads the remaining values as the copy it offers; the last-access group,
        // which offers two, reads 2 as the creation time and the rest as the update time.
        switch (g) {
            case kCreation:
                checked = group.fromModification;
                break;
            case kModification:
                if (value != kLeave) checked = group.fromCreation;
                break;
            default:
                checked = value == kFromCreation ? group.fromCreation : group.fromModification;
                break;
        }
    }
    for (QCheckBox* box : SourceBoxes(g)) {
        if (box != nullptr) box->setChecked(box == checked);
    }
}

void TimeStampPage::EnablePickers(int g, bool enabled) {
    const Group& group = m_groups[static_cast<std::size_t>(g)];
    group.date->setEnabled(enabled);
    group.time->setEnabled(enabled);
    group.now->setEnabled(enabled);
}

void TimeStampPage::EnableSources(int g, bool enabled) {
    for (QCheckBox* box : SourceBoxes(g)) SetEnabled(box, enabled);
}

void TimeStampPage::EnableCheckedGroup(int g) {
    EnableSources(g, true);
    EnablePickers(g, !AnySourceChecked(g));
}

void TimeStampPage::ShowTime(int g, const platform::LocalTime& time) {
    const Group& group = m_groups[static_cast<std::size_t>(g)];
    group.date->setDate(QDate(time.year, time.month, time.day));
    group.time->setTime(QTime(time.hour, time.minute, time.second));
}

platform::LocalTime TimeStampPage::PickedTime(int g) const {
    const Group& group = m_groups[static_cast<std::size_t>(g)];
    const QDate date = group.date->date();
    const QTime time = group.time->time();
    platform::LocalTime picked;
    picked.year = date.year();
    picked.month = date.month();
    picked.weekday = date.dayOfWeek() % 7;  // Qt counts Monday 1 .. Sunday 7
    picked.day = date.day();
    picked.hour = time.hour();
    picked.minute = time.minute();
    picked.second = time.second();
    picked.millisecond = time.msec();
    return picked;
}

void TimeStampPage::ShowSettings() {
    const settings::RenameSettings& record = Settings();
    const settings::TimeStampOptionSection& option = record.TimeStampOption;
    const std::array<int, kGroups> values{option.EnableMakeTime, option.EnableUpdateTime,
                                          option.EnableLastAccessTime};
    ShowTime(kCreation, record.MakeTimeValue);
    ShowTime(kModification, record.UpdateTimeValue);
    ShowTime(kAccess, record.LastAccessTimeValue);

    const bool on = option.EnableTimeStamp != 0;
    m_enable->setChecked(on);
    for (int g = 0; g < kGroups; ++g) {
        const int value = values[static_cast<std::size_t>(g)];
        Group& group = m_groups[static_cast<std::size_t>(g)];
        group.enable->setChecked(value != kLeave);
        group.enable->setEnabled(on);
        if (on && value != kLeave) {
            EnableSources(g, true);
            ShowSourceChecks(g, value);
            EnablePickers(g, value == kFixed);
            continue;
        }
        EnableSources(g, false);
        EnablePickers(g, false);
        // A group left alone shows no source, except the creation group while the switch is
        // on: it shows its one copy box checked.
        const bool creationShowsCopy = on && g == kCreation;
        ShowSourceChecks(g, value == kLeave && !creationShowsCopy ? kFixed : value);
    }
}

void TimeStampPage::StoreSettings() {
    settings::RenameSettings& record = Settings();
    settings::TimeStampOptionSection& option = record.TimeStampOption;
    option.EnableTimeStamp = m_enable->isChecked() ? 1 : 0;
    option.EnableMakeTime = GroupValue(kCreation);
    option.EnableUpdateTime = GroupValue(kModification);
    option.EnableLastAccessTime = GroupValue(kAccess);
    // The pickers are kept whatever the groups say, for the next time they are wanted.
    record.MakeTimeValue = PickedTime(kCreation);
    record.UpdateTimeValue = PickedTime(kModification);
    record.LastAccessTimeValue = PickedTime(kAccess);
}

void TimeStampPage::OnEnableClicked(bool checked) {
    for (int g = 0; g < kGroups; ++g) {
        Group& group = m_groups[static_cast<std::size_t>(g)];
        group.enable->setEnabled(checked);
        if (checked && group.enable->isChecked()) {
            EnableCheckedGroup(g);
        } else {
            EnableSources(g, false);
            EnablePickers(g, false);
        }
    }
}

void TimeStampPage::OnGroupClicked(int g, bool checked) {
    if (checked) {
        EnableCheckedGroup(g);
    } else {
        EnableSources(g, false);
        EnablePickers(g, false);
    }
}

void TimeStampPage::OnSourceClicked(int g, QCheckBox* box, bool checked) {
    if (checked) {
        for (QCheckBox* other : SourceBoxes(g)) {
            if (other != nullptr && other != box) other->setChecked(false);
        }
    }
    EnablePickers(g, !checked);
}

void TimeStampPage::OnNow(int g) {
    ShowTime(g, platform::ToLocalTime(Clock().Now()));
}

QWidget* TimeStampPage::OperationSwitch() const {
    return m_enable;
}

}  // namespace morvanex::pages
