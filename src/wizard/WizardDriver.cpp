#include "wizard/WizardDriver.h"

#include <utility>

#include "wizard/WizardPage.h"

namespace morvanex::wizard {

namespace {

std::size_t SlotOf(PageKind kind) {
    return static_cast<std::size_t>(kind);
}

}  // namespace

WizardDriver::WizardDriver(const widgets::WindowContext& context, WizardHost& host)
    : WizardDriver(context, host, &CreateWizardPage) {}

WizardDriver::WizardDriver(const widgets::WindowContext& context, WizardHost& host,
                           PageFactory factory)
    : m_context{context.record,      context.fileSystem,  context.clock,
                context.interaction, context.preferences, *this},
      m_host(host),
      m_factory(std::move(factory)) {}

WizardDriver::~WizardDriver() {
    DestroyAllPages();
}

void WizardDriver::Start(int mode) {
    DestroyAllPages();
    Open(StartPage(mode));
}

void WizardDriver::Transition(PageKind from, WizardButton button) {
    Transition(from, button, FlowState::Of(m_context.record, m_taskKind));
}

void WizardDriver::Transition(PageKind from, WizardButton button, const FlowState& state) {
    if (button == WizardButton::TemplateFlow) m_taskKind = kTaskSequence;
    if (button == WizardButton::AllOptionsFlow) m_taskKind = kTaskAllOptions;
    const std::optional<PageKind> next = NextPage(from, button, state);
    if (!next) {
        End();
        return;
    }
    if (!Open(*next)) return;
    Destroy(from);
    m_host.RefreshSettingsList();
}

void WizardDriver::RestartAfterRun() {
    WizardPage* finalPage = CurrentPage();
    if (!Open(StartPage(m_context.preferences.StartWizardAtAppStart()))) return;
    // The start page is never the final page, which asked for this.
    if (finalPage != nullptr) Destroy(finalPage->Kind());
}

void WizardDriver::End() {
    DestroyAllPages();
    m_host.WizardEnded();
}

bool WizardDriver::IsRunning() const {
    return CurrentPage() != nullptr;
}

WizardPage* WizardDriver::CurrentPage() const {
    for (const QPointer<WizardPage>& page : m_slots) {
        if (page != nullptr) return page;
    }
    return nullptr;
}

WizardPage* WizardDriver::PageOf(PageKind kind) const {
    return m_slots[SlotOf(kind)];
}

bool WizardDriver::Open(PageKind kind) {
    const WizardPage* previous = CurrentPage();
    const QPoint place = previous != nullptr ? previous->pos() : QPoint();
    const bool placed = previous != nullptr;
    WizardPage* page = m_factory ? m_factory(kind, *this) : nullptr;
    if (page == nullptr) {
        End();
        return false;
    }
    Destroy(kind);
    m_slots[SlotOf(kind)] = page;
    page->Load();
    // The pages follow one another in one place, wherever the user moved the wizard to; the
    // first stands over the middle of the main window.
    if (placed) {
        page->move(place);
    } else if (const QWidget* window = page->parentWidget()) {
        const QRect area = window->frameGeometry();
        page->move(area.center() - QPoint(page->width() / 2, page->height() / 2));
    }
    page->show();
    page->raise();
    page->activateWindow();
    return true;
}

void WizardDriver::Destroy(PageKind kind) {
    QPointer<WizardPage>& slot = m_slots[SlotOf(kind)];
    if (slot == nullptr) return;
    WizardPage* page = slot;
    slot = nullptr;
    page->Leave();
}

void WizardDriver::DestroyAllPages() {
    for (int kind = 0; kind < kPageKindCount; ++kind) Destroy(static_cast<PageKind>(kind));
}

}  // namespace morvanex::wizard
