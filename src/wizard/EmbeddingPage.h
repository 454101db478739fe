#pragma once

#include "wizard/WizardPage.h"

// A wizard page that is one of the main window's settings pages: the folder or the dropped
// files to work on, the copy destination, the attributes, and every page of the all-options flow
// but the first two. It makes its own instance of the settings page, and the page stores itself
// before each of the wizard's buttons.
namespace morvanex::wizard {

// Makes the settings page shown inside a wizard page.
using SettingsPageMaker = pages::Page* (*)(const widgets::WindowContext& context, QWidget* parent);

struct EmbeddingPageSpec {
    PageKind kind;
    const char* caption;  // UTF-8
    const char* heading;  // UTF-8
    SettingsPageMaker make;
    // The settings page's own on/off box is hidden: the wizard's choices decide the operation.
    bool hideSwitch;
};

class EmbeddingPage : public WizardPage {
    Q_OBJECT

  public:
    EmbeddingPage(WizardDriver& driver, const EmbeddingPageSpec& spec);

    void Load() override;

  private:
    const EmbeddingPageSpec m_spec;
};

// The folder pages open their tree at the folder the settings hold, as a page of the main window
// does when the settings list asks for it.
void FollowStoredFolder(pages::Page& page);

}  // namespace morvanex::wizard
