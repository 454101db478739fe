#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "settings/RenameSettings.h"

// Everything the core asks of the user, and everything it shows: the GUI implements this with
// dialogs, the command line with the terminal, tests with a scripted fake. Texts are CP932.
namespace morvanex::engine {

enum class MessageIcon { None, Exclamation };

// What the plan says of a preview's row beyond "the file gets its new path": the name is freed
// by another target first (Chain) or the target is one of a ring of names broken through a
// temporary name (Cycle) — both resolved by the run; or the move would fail: another target gets
// the same name (Duplicate), a file that stays holds it (Exists), or the destination folder
// refuses it (Refused).
enum class Conflict : std::uint8_t { None, Duplicate, Exists, Chain, Cycle, Refused };

// True for the rows whose move would fail.
inline bool IsFailing(Conflict conflict) {
    return conflict == Conflict::Duplicate || conflict == Conflict::Exists ||
           conflict == Conflict::Refused;
}

// Which question is asked. A front end without the window's dialogs (the terminal) chooses its
// answer and its wording by the kind; the text is the window's defined text.
enum class Question {
    CreateCopyFolder,         // the copy destination is missing: make it?
    CreateLogFolder,          // the log folder is missing: make it?
    UndoAfterFailure,         // a real run stopped midway: take back what it changed?
    StartRun,                 // the last confirmation before a real run (view, wizard)
    ResetSettings,            // every setting back to its default
    ListSubfolders,           // a listing with subfolders may take long: go on?
    AutoListWithSubfolders,   // automatic listing switched on while subfolders are listed
    RefreshFileList,          // list the folder again in the new order?
    DeleteRegisteredPattern,  // a registered name pattern is removed
    StopAndClose,             // the window is closed while work goes: stop it and close?
};

// Messages whose defined text speaks of the window (its buttons, pages or Explorer): a front end
// without them says the same in its own words, chosen by the kind. The count is the number the
// text carries (the files converted), 0 where it carries none.
enum class Notice {
    NoUndoData,       // nothing to take back ("…このボタンを押すまで…")
    DoneListFollows,  // a run ended well and its list follows ("[OK]ボタンを押すと…")
    AttributeHint,    // nothing collected: files with attributes may have been left out
    Stopped,          // the user stopped a run; the count is the files it changed
};

// The rows of the preview and result list: one per target.
struct ResultList {
    bool showAttributes = true;
    bool showCreation = true;
    bool showModification = true;
    bool showAccess = true;
    bool openSourceOnDoubleClick = true;
    bool showFullPath = true;
    std::vector<std::string> sources;  // full paths
    std::vector<std::string> targets;  // full paths
    std::vector<settings::FileStatusRecord> before;
    std::vector<settings::FileStatusRecord> after;
    std::vector<Conflict> conflicts;  // empty, or one per row (previews only)
};

class Interaction {
  public:
    virtual ~Interaction() = default;

    // A message box with an OK button.
    virtual void ShowMessage(const std::string& text, MessageIcon icon) = 0;
    // A question with Yes and No buttons; true for Yes.
    virtual bool AskYesNo(Question question, const std::string& text) = 0;
    // One of the messages that speak of the window; the window shows its text as ShowMessage
    // does (the attribute hint with the exclamation icon).
    virtual void ShowNotice(Notice notice, const std::string& text, int count);
    // The preview and result list, modal.
    virtual void ShowResultList(const ResultList& list) = 0;
    // The undo confirmation; `preview` is what its Preview button shows. True to start undo.
    virtual bool ConfirmUndo(const ResultList& preview) = 0;

    // Progress of a run or undo: `current` of `total` done; Done sets the bar full, Reset empty.
    virtual void Progress(unsigned total, int current) = 0;
    virtual void ProgressDone() = 0;
    virtual void ProgressReset() = 0;
    // False for a front end without a progress bar: a run need not know its total before it
    // starts and may begin on the first targets while the rest are still being listed.
    virtual bool ShowsProgress() const { return true; }
    // True for a front end without a bar that still shows how far a run or a preview has come
    // (a line on a terminal). It gets Progress calls without the run waiting for the total:
    // `total` is the best known so far, an upper bound while targets are still being listed.
    virtual bool ShowsProgressLine() const { return false; }

    virtual void BeginWait() = 0;
    virtual void EndWait() = 0;
};

// What an auto-exec run shows: no message, no list, no question of its own (each answered No);
// progress and the wait cursor still go through to the front end.
class SilentInteraction final : public Interaction {
  public:
    explicit SilentInteraction(Interaction& inner) : m_inner(inner) {}
    void ShowMessage(const std::string&, MessageIcon) override {}
    bool AskYesNo(Question, const std::string&) override { return false; }
    void ShowNotice(Notice, const std::string&, int) override {}
    void ShowResultList(const ResultList&) override {}
    bool ConfirmUndo(const ResultList&) override { return false; }
    void Progress(unsigned total, int current) override { m_inner.Progress(total, current); }
    void ProgressDone() override { m_inner.ProgressDone(); }
    void ProgressReset() override { m_inner.ProgressReset(); }
    bool ShowsProgress() const override { return m_inner.ShowsProgress(); }
    bool ShowsProgressLine() const override { return m_inner.ShowsProgressLine(); }
    void BeginWait() override { m_inner.BeginWait(); }
    void EndWait() override { m_inner.EndWait(); }

  private:
    Interaction& m_inner;
};

// The progress bar position for `current` of `total`: current / total * 100, truncated.
int ProgressPosition(unsigned total, int current);

}  // namespace morvanex::engine
