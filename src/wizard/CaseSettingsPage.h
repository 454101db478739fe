#pragma once

#include <memory>

#include "wizard/WizardControls.h"
#include "wizard/WizardPage.h"

class QButtonGroup;

// The letter-case task's values: how names change case, whether subfolders are included and
// whether folder names change too. The template flow's own page, not the settings page.
namespace morvanex::wizard {

class CaseSettingsPage : public WizardPage {
    Q_OBJECT

  public:
    explicit CaseSettingsPage(WizardDriver& driver);
    ~CaseSettingsPage() override;

    void Load() override;
    void Store() override;

  private:
    QButtonGroup* m_modes = nullptr;
    std::unique_ptr<YesNoChoice> m_subfolders;
    std::unique_ptr<YesNoChoice> m_folderNames;
};

}  // namespace morvanex::wizard
