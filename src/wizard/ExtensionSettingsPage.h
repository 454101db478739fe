#pragma once

#include <memory>

#include "wizard/WizardControls.h"
#include "wizard/WizardPage.h"

class QLineEdit;

// The extension task's values: the one extension every name gets and whether subfolders are
// included, with a preview of the new names that follows the extension as it is typed.
namespace morvanex::wizard {

class ExtensionSettingsPage : public WizardPage {
    Q_OBJECT

  public:
    explicit ExtensionSettingsPage(WizardDriver& driver);
    ~ExtensionSettingsPage() override;

    void Load() override;
    void Store() override;

  private:
    void Changed();
    void ShowPreview();

    QLineEdit* m_extension = nullptr;
    QLineEdit* m_preview = nullptr;
    std::unique_ptr<YesNoChoice> m_subfolders;
    // On while Load fills the controls: their signals are not the user's changes.
    bool m_loading = false;
};

}  // namespace morvanex::wizard
