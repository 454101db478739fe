#pragma once

#include <array>

#include "pages/Page.h"
#include "platform/Clock.h"

class QCheckBox;
class QDateEdit;
class QPushButton;
class QTimeEdit;

// The timestamp tab: what a run does to each of the three file times of every target — leave
// it, set it to the date and time of the group's pickers, copy it from another of the file's
// times, or take the Exif shooting time. Within a group the copy and Exif boxes exclude each
// other, and the pickers count only while none of them is checked.
namespace morvanex::pages {

class TimeStampPage : public Page {
    Q_OBJECT

  public:
    static constexpr int kPageId = 2060;

    TimeStampPage(const widgets::WindowContext& context, QWidget* parent);

    void ShowSettings() override;
    void StoreSettings() override;
    int PageId() const override { return kPageId; }
    QWidget* OperationSwitch() const override;

  private:
    enum GroupIndex { kCreation = 0, kModification = 1, kAccess = 2 };
    static constexpr int kGroups = 3;

    struct Group {
        QCheckBox* enable = nullptr;
        QDateEdit* date = nullptr;
        QTimeEdit* time = nullptr;
        QPushButton* now = nullptr;
        QCheckBox* exif = nullptr;
        QCheckBox* fromCreation = nullptr;      // not in the creation group
        QCheckBox* fromModification = nullptr;  // not in the modification group
    };

    void CreateControls();
    // The group's Exif and copy boxes, those it has.
    std::array<QCheckBox*, 3> SourceBoxes(int group) const;
    bool AnySourceChecked(int group) const;
    int GroupValue(int group) const;
    // Checks the box the value names; 1 (and what the caller treats like it) checks none.
    void ShowSourceChecks(int group, int value);
    void EnablePickers(int group, bool enabled);
    void EnableSources(int group, bool enabled);
    // A checked group offers its boxes, and its pickers while none of them is checked.
    void EnableCheckedGroup(int group);
    void ShowTime(int group, const platform::LocalTime& time);
    platform::LocalTime PickedTime(int group) const;

    void OnEnableClicked(bool checked);
    void OnGroupClicked(int group, bool checked);
    void OnSourceClicked(int group, QCheckBox* box, bool checked);
    void OnNow(int group);

    QCheckBox* m_enable = nullptr;
    std::array<Group, kGroups> m_groups{};
};

}  // namespace morvanex::pages
