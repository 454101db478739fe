#pragma once

#include <deque>
#include <string>
#include <vector>

#include "engine/Interaction.h"

namespace morvanex::test {

// An interaction that records everything shown and answers questions from a script (No when
// the script has run out). Texts are CP932, as the core gives them.
class ScriptedInteraction final : public engine::Interaction {
  public:
    std::vector<std::string> messages;
    std::vector<engine::MessageIcon> icons;
    std::vector<std::string> questions;
    std::vector<engine::Question> questionKinds;  // one per question
    std::vector<engine::Notice> notices;          // their texts are among the messages
    std::deque<bool> answers;
    std::vector<engine::ResultList> resultLists;
    bool confirmUndo = true;
    int confirmUndoCalls = 0;
    std::vector<int> progress;             // positions, as the bar would show them
    std::vector<unsigned> progressTotals;  // the total of each Progress call
    int waits = 0;
    bool showsProgress = true;
    bool showsProgressLine = false;

    void ShowMessage(const std::string& text, engine::MessageIcon icon) override {
        messages.push_back(text);
        icons.push_back(icon);
    }
    bool AskYesNo(engine::Question kind, const std::string& text) override {
        questions.push_back(text);
        questionKinds.push_back(kind);
        if (answers.empty()) return false;
        const bool answer = answers.front();
        answers.pop_front();
        return answer;
    }
    void ShowNotice(engine::Notice notice, const std::string& text, int count) override {
        notices.push_back(notice);
        Interaction::ShowNotice(notice, text, count);
    }
    void ShowResultList(const engine::ResultList& list) override { resultLists.push_back(list); }
    bool ConfirmUndo(const engine::ResultList&) override {
        ++confirmUndoCalls;
        return confirmUndo;
    }
    void Progress(unsigned total, int current) override {
        progress.push_back(engine::ProgressPosition(total, current));
        progressTotals.push_back(total);
    }
    void ProgressDone() override { progress.push_back(100); }
    void ProgressReset() override { progress.push_back(0); }
    bool ShowsProgress() const override { return showsProgress; }
    bool ShowsProgressLine() const override { return showsProgressLine; }
    void BeginWait() override { ++waits; }
    void EndWait() override { --waits; }

    // True when some message starts with the CP932 form of a UTF-8 text.
    bool Showed(const std::string& utf8Start) const;
};

}  // namespace morvanex::test
