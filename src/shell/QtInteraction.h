#pragma once

#include <QPointer>
#include <QProgressBar>
#include <QWidget>

#include "engine/Interaction.h"

// The core's questions and messages as Qt dialogs, its progress on the main view's bar.
// Without a screen (the offscreen platform of an unattended auto-exec run) nothing can be shown
// or answered: messages go to the standard error stream and every question is answered No.
namespace morvanex::shell {

class QtInteraction final : public engine::Interaction {
  public:
    QtInteraction(QWidget* owner, QProgressBar* progressBar, bool headless);

    void ShowMessage(const std::string& text, engine::MessageIcon icon) override;
    bool AskYesNo(engine::Question question, const std::string& text) override;
    void ShowResultList(const engine::ResultList& list) override;
    bool ConfirmUndo(const engine::ResultList& preview) override;

    void Progress(unsigned total, int current) override;
    void ProgressDone() override;
    void ProgressReset() override;

    void BeginWait() override;
    void EndWait() override;

    bool Headless() const { return m_headless; }

    // The caption of every message box of the program.
    static QString Caption();

  private:
    void SetProgress(int position);

    QPointer<QWidget> m_owner;
    QPointer<QProgressBar> m_progressBar;
    bool m_headless;
    int m_waitDepth = 0;
};

}  // namespace morvanex::shell
