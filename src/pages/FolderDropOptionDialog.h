#pragma once

#include "settings/RenameSettings.h"
#include "widgets/ButtonsOnlyDialog.h"

class QButtonGroup;

namespace morvanex::pages {

// What a folder dropped on the free selection list stands for: nothing, the folder itself, its
// files, or its files and those of every folder below. OK writes the choice into the record's
// DropDirAction; Cancel writes nothing. Enter and Esc do nothing.
class FolderDropOptionDialog : public widgets::ButtonsOnlyDialog {
    Q_OBJECT

  public:
    static constexpr int kChoiceCount = 4;

    FolderDropOptionDialog(settings::RenameSettings& record, QWidget* parent);

    int SelectedIndex() const;

  private:
    void Accept();

    settings::RenameSettings& m_record;
    QButtonGroup* m_choices = nullptr;
};

}  // namespace morvanex::pages
