#pragma once

#include <QApplication>
#include <QSettings>
#include <QTimer>
#include <QWidget>
#include <deque>
#include <ostream>
#include <functional>
#include <string>
#include <vector>

#include "engine/Interaction.h"
#include "platform/Codepage.h"

// Readable failure output for Qt strings.
inline void PrintTo(const QString& text, std::ostream* out) { *out << text.toStdString(); }
inline void PrintTo(const QStringList& list, std::ostream* out) {
    *out << list.join(QStringLiteral(" | ")).toStdString();
}

namespace morvanex::test {

// Records everything the program shows or asks; questions are answered from a script (No when
// the script is empty).
class FakeInteraction final : public engine::Interaction {
public:
    struct Message {
        std::string text;  // UTF-8
        engine::MessageIcon icon;
    };

    std::vector<Message> messages;
    std::vector<std::string> questions;  // UTF-8
    std::deque<bool> answers;
    std::vector<engine::ResultList> resultLists;
    std::vector<int> progress;
    int waitDepth = 0;

    void ShowMessage(const std::string& text, engine::MessageIcon icon) override {
        messages.push_back({platform::Utf8FromCp932(text), icon});
    }
    bool AskYesNo(const std::string& text) override {
        questions.push_back(platform::Utf8FromCp932(text));
        if (answers.empty()) return false;
        const bool answer = answers.front();
        answers.pop_front();
        return answer;
    }
    void ShowResultList(const engine::ResultList& list) override { resultLists.push_back(list); }
    bool ConfirmUndo(const engine::ResultList&) override { return AskYesNo("undo?"); }
    void Progress(unsigned total, int current) override {
        progress.push_back(engine::ProgressPosition(total, current));
    }
    void ProgressDone() override { progress.push_back(100); }
    void ProgressReset() override { progress.push_back(0); }
    void BeginWait() override { ++waitDepth; }
    void EndWait() override { --waitDepth; }
};

// Runs `action` on the next modal window that opens (a file dialog, a message box), from the
// event loop that window's exec() runs.
inline void OnNextModal(std::function<void(QWidget*)> action) {
    auto* timer = new QTimer;
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, [timer, action] {
        QWidget* modal = QApplication::activeModalWidget();
        if (modal == nullptr) return;
        timer->stop();
        timer->deleteLater();
        action(modal);
    });
    timer->start();
}

// Every preference of the program removed (the store is the test's own temporary folder).
inline void ClearPreferences() {
    QSettings("Pelvarin", "MorvaneX").clear();
    QSettings("Pelvarin", "Morvane").clear();
}

inline QString HelpFileOfSource() {
    return QString::fromLocal8Bit(qgetenv("MORVANEX_SOURCE_DIR")) +
           QStringLiteral("/src/shell/help/Morva.hlp");
}

}  // namespace morvanex::test
