#pragma once

#include <QDialog>

#include "widgets/WindowContext.h"

class QAbstractButton;
class QButtonGroup;
class QCheckBox;
class QLineEdit;
class QPushButton;
class QRadioButton;

// The program's own options: the preferences that take effect at once or at the next start,
// and the document's copies of four of them. Nothing is written before OK, except that the two
// side buttons move the settings list beside the main window at once.
namespace morvanex::dialogs {

class EnvironmentOptionsDialog : public QDialog {
    Q_OBJECT

  public:
    EnvironmentOptionsDialog(const widgets::WindowContext& context, QWidget* parent);

    // Writes every choice, in the program's order, and closes with Accepted.
    void accept() override;
    // The Browse button: an open dialog for a pattern file; OK puts its path into the field.
    void Browse();

  signals:
    // A side button was clicked: place the settings list beside the main window now.
    void DockRightRequested();
    void DockLeftRequested();
    // OK: the main window's copy of the move switch (0 none, 1 right, 2 left).
    void MoveSwitchChosen(int moveSwitch);
    // OK: whether the main view's Undo button is usable from now on.
    void UndoAvailabilityChosen(bool enabled);

  private:
    void Initialise();
    void UpdateEnabling();

    const widgets::WindowContext m_context;
    QCheckBox* m_undoOff = nullptr;
    QCheckBox* m_noVolumeCheck = nullptr;
    QCheckBox* m_startWizard = nullptr;
    QButtonGroup* m_wizardStart = nullptr;
    QCheckBox* m_clearDropList = nullptr;
    QCheckBox* m_syncFolderTree = nullptr;
    QCheckBox* m_followFrame = nullptr;
    QButtonGroup* m_side = nullptr;
    QCheckBox* m_autoLoad = nullptr;
    QLineEdit* m_autoLoadPath = nullptr;
    QPushButton* m_browse = nullptr;
    // The chosen radio of each group: -1 until OK reads them.
    int m_wizardIndex = -1;
    int m_sideIndex = -1;
};

}  // namespace morvanex::dialogs
