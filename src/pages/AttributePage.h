#pragma once

#include <array>

#include "pages/Page.h"

class QButtonGroup;
class QCheckBox;

// The attribute tab: whether a run changes the archive, read-only, hidden and system attributes,
// and for each whether it is left, set or cleared (the radio index is the stored value).
namespace morvanex::pages {

class AttributePage : public Page {
    Q_OBJECT

  public:
    static constexpr int kPageId = 2050;

    AttributePage(const widgets::WindowContext& context, QWidget* parent);
    ~AttributePage() override;

    void ShowSettings() override;
    void StoreSettings() override;
    int PageId() const override { return kPageId; }
    QWidget* OperationSwitch() const override;

  private:
    void EnableChoices(bool enable);

    QCheckBox* m_enable = nullptr;
    // Archive, read-only, hidden, system.
    std::array<QButtonGroup*, 4> m_groups{};
};

}  // namespace morvanex::pages
