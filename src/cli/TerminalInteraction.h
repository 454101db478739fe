#pragma once

#include <cstdio>
#include <string>

#include "cli/ProgressLine.h"
#include "engine/Interaction.h"

namespace morvanex::cli {

enum class ListFormat { Text, Tsv, Json };

// The interaction of a run on a terminal: messages in UTF-8 (errors on standard error), the
// set-up check's folder questions and the undo-after-failure question answered from options by
// their kind, the messages that speak of the window's buttons and pages in words of its own,
// the result list printed one row per target. With a progress line, how far the work has come
// shows on standard error; the line is wiped before anything else is printed. There is no
// progress bar that needs the total up front (ShowsProgress is false), so a run can start
// while the folder's statuses are still being read.
class TerminalInteraction final : public engine::Interaction {
  public:
    struct Answers {
        bool createFolders = false;  // --yes
        bool undoOnFailure = false;  // --undo-on-failure
        bool journaled = false;      // the run keeps a journal: `undo` takes it back later
    };

    TerminalInteraction(Answers answers, ListFormat format, bool rowsOnStdout,
                        bool progressLine = false,
                        ProgressLine::Clock clock = &ProgressLine::SteadyNanoseconds)
        : m_answers(answers),
          m_format(format),
          m_rowsOnStdout(rowsOnStdout),
          m_line(stderr, progressLine, clock) {}

    void ShowMessage(const std::string& text, engine::MessageIcon icon) override;
    bool AskYesNo(engine::Question question, const std::string& text) override;
    void ShowNotice(engine::Notice notice, const std::string& text, int count) override;
    void ShowResultList(const engine::ResultList& list) override;
    bool ConfirmUndo(const engine::ResultList&) override { return true; }
    void Progress(unsigned total, int current) override;
    void ProgressDone() override { m_line.Clear(); }
    void ProgressReset() override { m_line.Clear(); }
    bool ShowsProgress() const override { return false; }
    bool ShowsProgressLine() const override { return m_line.Enabled(); }
    // An undo reports the records left (it goes newest first); the line counts them done.
    void CountProgressDown() { m_countsDown = true; }
    void BeginWait() override {}
    void EndWait() override {}

    // True when a printed list had a row that would collide in the real run.
    bool SawConflict() const { return m_sawConflict; }

  private:
    Answers m_answers;
    ListFormat m_format;
    bool m_rowsOnStdout;
    bool m_sawConflict = false;
    bool m_countsDown = false;
    ProgressLine m_line;
};

// The terminal's words for a notice (CP932): what the window's text says, without its buttons
// and pages.
std::string TerminalNoticeText(engine::Notice notice, int count);

// The status word of a preview row. The words are the values docs/preview.schema.json allows:
// a new one (the moves a run orders, chain and cycle) joins there too.
const char* RowStatus(const engine::ResultList& list, std::size_t row);

}  // namespace morvanex::cli
