#pragma once

#include <array>

#include "wizard/WizardPage.h"

class QCheckBox;

// The first page of the all-options flow: which operations the job does. The pages that follow
// are those of the operations ticked here.
namespace morvanex::wizard {

class OperationSelectionPage : public WizardPage {
    Q_OBJECT

  public:
    explicit OperationSelectionPage(WizardDriver& driver);

    void Load() override;
    void Store() override;

  protected:
    void Next() override;

  private:
    struct Box;
    static const std::array<Box, 6> kBoxes;

    std::array<QCheckBox*, 6> m_boxes{};
};

}  // namespace morvanex::wizard
