#pragma once

#include "wizard/WizardPage.h"

class QButtonGroup;
class QCheckBox;
class QLabel;

// The choice of one of the five template tasks, whether the renamed files are copies and
// whether the files are dropped instead of found in a folder. Storing a task switches the
// operations it needs and loads its registered pattern into the working pattern.
namespace morvanex::wizard {

class TaskSelectionPage : public WizardPage {
    Q_OBJECT

  public:
    explicit TaskSelectionPage(WizardDriver& driver);

    void Load() override;
    void Store() override;

  protected:
    void Next() override;

  private:
    void ShowDescription(int task);

    QButtonGroup* m_tasks = nullptr;
    QLabel* m_description = nullptr;
    QCheckBox* m_copy = nullptr;
    QCheckBox* m_dropSelect = nullptr;
};

}  // namespace morvanex::wizard
