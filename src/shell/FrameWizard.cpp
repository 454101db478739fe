#include "shell/FrameWizard.h"

#include "pages/FolderSelectPage.h"
#include "shell/MainFrame.h"
#include "shell/MainView.h"
#include "wizard/WizardPage.h"

namespace morvanex::shell {

FrameWizard::FrameWizard(MainFrame& frame)
    : m_frame(frame), m_driver(frame.View().Context(), *this) {}

FrameWizard::~FrameWizard() = default;

void FrameWizard::Start(int mode) {
    DisableMainWindow();
    m_driver.Start(mode);
}

bool FrameWizard::IsRunning() const {
    return m_driver.IsRunning();
}

void FrameWizard::FolderChangedOutside() {
    wizard::WizardPage* page = m_driver.CurrentPage();
    pages::Page* embedded = page != nullptr ? page->Embedded() : nullptr;
    if (embedded != nullptr && embedded->PageId() == pages::FolderSelectPage::kPageId) {
        embedded->ShowSettings();
    }
}

void FrameWizard::DisableMainWindow() {
    m_frame.setEnabled(false);
    // Disabling a window disables the windows it owns as well; the settings list and the help
    // are meant to be used beside the wizard. (Windows made later start enabled.)
    for (QWidget* child : m_frame.findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        if (child->isWindow()) child->setEnabled(true);
    }
}

QWidget* FrameWizard::PageParent() {
    return &m_frame;
}

void FrameWizard::StartRun(bool preview, std::function<void()> done) {
    m_frame.View().StartRun(preview, [done = std::move(done)](const engine::RunOutcome&) {
        if (done) done();
    });
}

void FrameWizard::WorkStarted() {
    if (!IsRunning()) return;
    m_driver.CurrentPage()->setEnabled(false);
    m_frame.setEnabled(true);
}

void FrameWizard::WorkEnded() {
    if (!IsRunning()) return;
    DisableMainWindow();
}

void FrameWizard::WizardEnded() {
    m_frame.setEnabled(true);
    m_frame.View().ShowCurrentPage();
    m_frame.RefreshSettingsList();
}

void FrameWizard::RefreshSettingsList() {
    m_frame.RefreshSettingsList();
}

void FrameWizard::ShowHelp(int context) {
    m_frame.ShowHelp(context);
}

}  // namespace morvanex::shell
