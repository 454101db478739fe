#pragma once

#include "wizard/WizardPage.h"

class QCheckBox;

// The first page: the way into either flow, the end of the wizard, and whether the wizard
// opens when the program starts. It has no Back, Next or Close buttons.
namespace morvanex::wizard {

class WelcomePage : public WizardPage {
    Q_OBJECT

  public:
    explicit WelcomePage(WizardDriver& driver);

    void Load() override;

  private:
    QCheckBox* m_startAtLaunch = nullptr;
};

}  // namespace morvanex::wizard
