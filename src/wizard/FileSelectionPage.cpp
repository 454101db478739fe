#include "wizard/FileSelectionPage.h"

#include <QCheckBox>

#include "pages/FolderSelectPage.h"
#include "pages/FreeSelectPage.h"
#include "wizard/EmbeddingPage.h"

namespace morvanex::wizard {

FileSelectionPage::FileSelectionPage(WizardDriver& driver)
    : WizardPage(driver, PageKind::FileSelection, QStringLiteral("リネーム対象ファイルの選択")) {
    AddHeading(QStringLiteral("◆リネーム対象ファイルを選択してください"));
    m_dropSwitch = new QCheckBox(
        QStringLiteral("ファイルをエクスプローラーからドラッグアンドドロップして選択する。"), this);
    m_dropSwitch->setObjectName("dropSwitchCheck");
    m_dropSwitch->setGeometry(Units(7, 203, 316, 12));
    connect(m_dropSwitch, &QCheckBox::clicked, this, &FileSelectionPage::SwitchClicked);
    AddNavigation();
}

void FileSelectionPage::Load() {
    const bool freeSelect = Settings().SelectFile.FreeFileSelect != 0;
    m_dropSwitch->setChecked(freeSelect);
    EmbedFor(freeSelect);
}

void FileSelectionPage::EmbedFor(bool freeSelect) {
    const widgets::WindowContext& context = Driver().Context();
    if (freeSelect) {
        Embed(new pages::FreeSelectPage(context, this), true);
    } else {
        Embed(new pages::FolderSelectPage(context, this), false);
        FollowStoredFolder(*Embedded());
    }
}

void FileSelectionPage::SwitchClicked(bool freeSelect) {
    // The page in view keeps what the user did on it before it goes; then the choice is stored,
    // so that the other page shows itself switched on.
    DestroyEmbedded();
    Settings().SelectFile.FreeFileSelect = freeSelect ? 1 : 0;
    EmbedFor(freeSelect);
}

void FileSelectionPage::Next() {
    Store();
    Driver().SetTaskKind(kTaskAllOptions);
    Driver().Transition(Kind(), WizardButton::Next);
}

}  // namespace morvanex::wizard
