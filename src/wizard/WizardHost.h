#pragma once

#include <functional>

#include "engine/run/RunDriver.h"

class QWidget;

// What the wizard asks of the main window. The wizard sits below the shell and never sees its
// classes; the main frame implements this.
namespace morvanex::wizard {

class WizardHost {
  public:
    virtual ~WizardHost() = default;

    // The window the wizard's pages stand in front of (their parent).
    virtual QWidget* PageParent() = 0;
    // One run or preview of the settings as the main view starts it (on the free list when free
    // selection is on), taking the record as it is now; after a real run the view's pages learn
    // of it as after their own runs, then `done` is called. The run goes on while the window's
    // events are handled: the wizard's page waits disabled until then.
    virtual void StartRun(bool preview, std::function<void()> done) = 0;
    // The wizard has ended: the main window is usable again and shows the settings as they are.
    virtual void WizardEnded() = 0;
    // The settings changed on a wizard page; the settings list shows them if it is open.
    virtual void RefreshSettingsList() = 0;
    // The help at a context number, asked for by a page the wizard shows.
    virtual void ShowHelp(int context) = 0;
};

}  // namespace morvanex::wizard
