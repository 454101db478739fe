#pragma once

#include <QPointer>
#include <array>
#include <functional>

#include "widgets/PageHost.h"
#include "widgets/WindowContext.h"
#include "wizard/WizardFlow.h"
#include "wizard/WizardHost.h"

// The wizard: one page at a time in front of the disabled main window. The driver creates and
// destroys the pages and, after a page has stored its controls, opens the page the flow names.
// Every page writes straight into the document's settings, so whatever the user set stays set
// whenever the wizard ends. The driver is also the host of the settings pages its pages embed.
namespace morvanex::wizard {

class WizardPage;

class WizardDriver final : public widgets::PageHost {
  public:
    // Makes the page of a kind; nullptr when it cannot be made (the wizard then ends).
    using PageFactory = std::function<WizardPage*(PageKind kind, WizardDriver& driver)>;

    // `context` is the main view's: the pages work on the same record, file system, clock,
    // interaction and preferences.
    WizardDriver(const widgets::WindowContext& context, WizardHost& host);
    WizardDriver(const widgets::WindowContext& context, WizardHost& host, PageFactory factory);
    ~WizardDriver() override;
    WizardDriver(const WizardDriver&) = delete;
    WizardDriver& operator=(const WizardDriver&) = delete;

    // Opens the page of a start mode (the caller has disabled the main window). The task kind
    // stays what the last run of the wizard left.
    void Start(int mode);
    // The page `from` has stored its controls and `button` was used: opens the next page and
    // destroys `from`, or ends the wizard. The flow is read from the settings; a page whose
    // choice is not (yet) in the settings gives its own.
    void Transition(PageKind from, WizardButton button);
    void Transition(PageKind from, WizardButton button, const FlowState& state);
    // The final page ran the job: that page goes and the page of the start mode opens, the main
    // window staying disabled.
    void RestartAfterRun();
    // Destroys every page and gives the main window back.
    void End();

    bool IsRunning() const;
    // The page in front, nullptr when the wizard is not running.
    WizardPage* CurrentPage() const;
    // The open page of a kind, nullptr when there is none.
    WizardPage* PageOf(PageKind kind) const;

    int TaskKind() const { return m_taskKind; }
    void SetTaskKind(int kind) { m_taskKind = kind; }

    // What the wizard's pages and the settings pages they embed work with: the view's, with the
    // wizard as the host.
    const widgets::WindowContext& Context() const { return m_context; }
    WizardHost& Host() const { return m_host; }

    // A settings page inside the wizard may ask for help; the rename command (Enter on the
    // pattern page) is not the wizard's way to run: that is the final page, with its question.
    void RequestRename() override {}
    void RequestHelp(int context) override { m_host.ShowHelp(context); }

  private:
    // Creates, fills and shows the page of a kind in the place of the page in front; false
    // (and the wizard ended) when it could not be made.
    bool Open(PageKind kind);
    void Destroy(PageKind kind);
    void DestroyAllPages();

    widgets::WindowContext m_context;
    WizardHost& m_host;
    PageFactory m_factory;
    std::array<QPointer<WizardPage>, kPageKindCount> m_slots{};
    int m_taskKind = kTaskSequence;
};

// The program's pages.
WizardPage* CreateWizardPage(PageKind kind, WizardDriver& driver);

}  // namespace morvanex::wizard
