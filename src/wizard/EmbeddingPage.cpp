#include "wizard/EmbeddingPage.h"

#include "pages/FolderSelectPage.h"

namespace morvanex::wizard {

EmbeddingPage::EmbeddingPage(WizardDriver& driver, const EmbeddingPageSpec& spec)
    : WizardPage(driver, spec.kind, QString::fromUtf8(spec.caption)), m_spec(spec) {
    AddHeading(QString::fromUtf8(spec.heading));
    AddNavigation();
}

void EmbeddingPage::Load() {
    pages::Page* page = m_spec.make(Driver().Context(), this);
    Embed(page, m_spec.hideSwitch);
    FollowStoredFolder(*page);
}

void FollowStoredFolder(pages::Page& page) {
    if (auto* folderPage = qobject_cast<pages::FolderSelectPage*>(&page)) {
        folderPage->FollowFolderPath();
    }
}

}  // namespace morvanex::wizard
