#pragma once

#include "wizard/WizardDriver.h"
#include "wizard/WizardHost.h"

// The wizard as the main window runs it: the window is disabled while a wizard page is in front
// (the settings list and the help stay usable), runs go through the view, and the end gives the
// window back showing the settings as the wizard left them.
namespace morvanex::shell {

class MainFrame;

class FrameWizard final : public wizard::WizardHost {
  public:
    // Made once the frame's view has its document (the wizard works on the view's context).
    explicit FrameWizard(MainFrame& frame);
    ~FrameWizard() override;

    // Disables the main window and opens the page of the start mode.
    void Start(int mode);
    bool IsRunning() const;
    // A folder was chosen outside the wizard (dropped on the settings list): the folder page in
    // front shows it.
    void FolderChangedOutside();
    wizard::WizardDriver& Driver() { return m_driver; }
    // Work started from the wizard goes on the main window, which is usable for its stop while
    // the wizard's page waits disabled; its end gives the wizard back.
    void WorkStarted();
    void WorkEnded();

    QWidget* PageParent() override;
    void StartRun(bool preview, std::function<void()> done) override;
    void WizardEnded() override;
    void RefreshSettingsList() override;
    void ShowHelp(int context) override;

  private:
    void DisableMainWindow();

    MainFrame& m_frame;
    wizard::WizardDriver m_driver;
};

}  // namespace morvanex::shell
