#pragma once

#include <cstdio>
#include <string>

#include "engine/Interaction.h"

namespace morvanex::cli {

enum class ListFormat { Text, Tsv, Json };

// The interaction of a run on a terminal: messages in UTF-8 (errors on standard error), the
// set-up check's folder questions and the undo-after-failure question answered from options,
// the result list printed one row per target.
class TerminalInteraction final : public engine::Interaction {
public:
    struct Answers {
        bool createFolders = false;   // --yes
        bool undoOnFailure = false;   // --undo-on-failure
    };

    TerminalInteraction(Answers answers, ListFormat format, bool rowsOnStdout)
        : m_answers(answers), m_format(format), m_rowsOnStdout(rowsOnStdout) {}

    void ShowMessage(const std::string& text, engine::MessageIcon icon) override;
    bool AskYesNo(const std::string& text) override;
    void ShowResultList(const engine::ResultList& list) override;
    bool ConfirmUndo(const engine::ResultList&) override { return true; }
    void Progress(unsigned, int) override {}
    void ProgressDone() override {}
    void ProgressReset() override {}
    bool ShowsProgress() const override { return false; }
    void BeginWait() override {}
    void EndWait() override {}

    // True when a printed list had a row that would collide in the real run.
    bool SawConflict() const { return m_sawConflict; }

private:
    Answers m_answers;
    ListFormat m_format;
    bool m_rowsOnStdout;
    bool m_sawConflict = false;
};

// The status word of a preview row.
const char* RowStatus(const engine::ResultList& list, std::size_t row);

}  // namespace morvanex::cli
