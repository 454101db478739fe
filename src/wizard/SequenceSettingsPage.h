#pragma once

#include "wizard/WizardPage.h"

class QButtonGroup;
class QLineEdit;

// The values of the two numbering tasks: the fixed text (or, with the folder name in front,
// the text after it), the first number, the step, the digit count and a new extension, with a
// preview of the new names that follows every change.
namespace morvanex::wizard {

class SequenceSettingsPage : public WizardPage {
    Q_OBJECT

  public:
    explicit SequenceSettingsPage(WizardDriver& driver);

    void Load() override;
    void Store() override;

  private:
    // The part whose fixed text the string edit holds: 0 for the plain task, 1 after the folder
    // name.
    std::size_t TextPart() const;
    void EnableExtensionEdit();
    // A control changed: the pattern is stored and shown anew.
    void Changed();
    void ShowPreview();

    const bool m_folderKind;
    QLineEdit* m_text = nullptr;
    QLineEdit* m_start = nullptr;
    QLineEdit* m_skip = nullptr;
    QButtonGroup* m_digits = nullptr;
    QButtonGroup* m_extension = nullptr;
    QLineEdit* m_newExtension = nullptr;
    QLineEdit* m_preview = nullptr;
    // On while Load fills the controls: their signals are not the user's changes.
    bool m_loading = false;
};

}  // namespace morvanex::wizard
