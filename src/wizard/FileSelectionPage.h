#pragma once

#include "wizard/WizardPage.h"

class QCheckBox;

// The all-options flow's choice of files: the folder page, or the dropped-files list when the
// box below it is ticked. Every way to the flow's final page passes here.
namespace morvanex::wizard {

class FileSelectionPage : public WizardPage {
    Q_OBJECT

  public:
    explicit FileSelectionPage(WizardDriver& driver);

    void Load() override;

  protected:
    void Next() override;

  private:
    void EmbedFor(bool freeSelect);
    void SwitchClicked(bool freeSelect);

    QCheckBox* m_dropSwitch = nullptr;
};

}  // namespace morvanex::wizard
