#pragma once

#include "wizard/WizardPage.h"

// The last page of both flows: preview the job, end the wizard keeping the settings, or run it
// after one more question. After a run the wizard starts again at the page of its start mode.
namespace morvanex::wizard {

class FinalPage : public WizardPage {
    Q_OBJECT

  public:
    explicit FinalPage(WizardDriver& driver);

  private:
    struct Choice;
    static const Choice kChoices[3];

    void Preview();
    void EndWizard();
    void Run();
};

}  // namespace morvanex::wizard
