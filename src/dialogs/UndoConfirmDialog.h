#pragma once

#include <QDialog>

#include "engine/Interaction.h"

// Asked before the last run is undone; its Preview button shows the undo as a result list
// (current names on the left, the names the undo restores on the right) and keeps it open.
namespace morvanex::dialogs {

class UndoConfirmDialog : public QDialog {
    Q_OBJECT

  public:
    static constexpr int kStartUndo = 1;
    static constexpr int kCancel = 2;

    UndoConfirmDialog(const engine::ResultList& preview, QWidget* parent);

    void ShowPreview();
    // Esc cancels like the Cancel button.
    void reject() override { done(kCancel); }

  private:
    engine::ResultList m_preview;
};

}  // namespace morvanex::dialogs
