#pragma once

#include <QApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QLineEdit>
#include <QSettings>
#include <QTimer>
#include <QWidget>
#include <deque>
#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "engine/Interaction.h"
#include "platform/Codepage.h"

// Readable failure output for Qt strings.
inline void PrintTo(const QString& text, std::ostream* out) {
    *out << text.toStdString();
}
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

// Answers a file dialog with a path (OK) or cancels it (empty path).
inline void AnswerFileDialog(QWidget* modal, const QString& path) {
    auto* dialog = qobject_cast<QFileDialog*>(modal);
    if (dialog == nullptr) {
        modal->close();
        return;
    }
    if (path.isEmpty()) {
        dialog->reject();
        return;
    }
    // The typed name is taken relative to the dialog's folder: go there first.
    const QFileInfo file(path);
    dialog->setDirectory(file.absolutePath());
    // selectFile() leaves the name field alone while it has the focus: type into it.
    if (auto* name = dialog->findChild<QLineEdit*>("fileNameEdit")) {
        name->setText(file.fileName());
    } else {
        dialog->selectFile(file.fileName());
    }
    // QFileDialog hides accept(); through QDialog it still takes the typed name.
    static_cast<QDialog*>(dialog)->accept();
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

#include <QLineEdit>
#include <memory>

#include "pages/PageTable.h"
#include "platform/PosixFileSystem.h"
#include "shell/Document.h"
#include "shell/MainFrame.h"
#include "shell/MainView.h"

namespace morvanex::test {

// What the recording pages were asked to do, in order: "Show 1004", "Store 1000", ...
inline std::vector<std::string>& PageLog() {
    static std::vector<std::string> log;
    return log;
}

// A page that logs the protocol calls and keeps one line edit: ShowSettings puts the part
// text of slot 0 into it, StoreSettings writes it back.
template <int ItemData, int Id>
class RecordingPage : public pages::Page {
  public:
    RecordingPage(shell::Document& document, shell::MainView& view, QWidget* parent)
        : Page(document, view, parent), m_edit(new QLineEdit(this)) {
        m_edit->setObjectName(QStringLiteral("edit%1").arg(ItemData));
    }
    void ShowSettings() override {
        Log("Show");
        m_edit->setText(QString::fromStdString(Doc().Settings().RenameOption.Parts[0].StrPart));
    }
    void RefreshSettings() override { Log("Refresh"); }
    void StoreSettings() override {
        Log("Store");
        Doc().Settings().RenameOption.Parts[0].StrPart = m_edit->text().toStdString();
    }
    int PageId() const override { return Id; }
    QLineEdit* Edit() const { return m_edit; }

  private:
    static void Log(const char* what) {
        PageLog().push_back(what + (" " + std::to_string(ItemData)));
    }
    QLineEdit* m_edit;
};

// The program's tabs without any page behind them.
inline const pages::PageTableType& TabsWithoutPages() {
    static const pages::PageTableType table = [] {
        pages::PageTableType t = pages::MainPageTable();
        for (pages::PageEntry& entry : t) entry.create = nullptr;
        return t;
    }();
    return table;
}

// The program's tabs with recording pages behind four of them (folder selection, copy
// destination, rename pattern, letter case) and behind string replacement.
inline const pages::PageTableType& RecordingPageTable() {
    static const pages::PageTableType table = [] {
        pages::PageTableType t = TabsWithoutPages();
        t[0].create = &pages::CreatePage<RecordingPage<1000, 2000>>;
        t[2].create = &pages::CreatePage<RecordingPage<1002, 2020>>;
        t[4].create = &pages::CreatePage<RecordingPage<1004, 2030>>;
        t[5].create = &pages::CreatePage<RecordingPage<1005, 2040>>;
        t[6].create = &pages::CreatePage<RecordingPage<1006, 2080>>;
        return t;
    }();
    return table;
}

// A document with its main window as the program builds them at start, with a recording
// interaction and the recording pages.
struct ShellFixture {
    explicit ShellFixture(const pages::PageTableType& table = RecordingPageTable(),
                          QString helpFile = HelpFileOfSource()) {
        PageLog().clear();
        document = std::make_unique<shell::Document>(preferences,
                                                     std::make_unique<platform::PosixFileSystem>(),
                                                     std::make_unique<platform::SystemClock>());
        shell::FrameOptions options;
        options.interaction = &interaction;
        options.pageTable = &table;
        options.helpFile = std::move(helpFile);
        frame = std::make_unique<shell::MainFrame>(*document, options);
        document->NewDocument();
        frame->View().InitialUpdate();
    }
    ~ShellFixture() {
        frame.reset();
        document.reset();
    }
    shell::MainView& View() const { return frame->View(); }
    settings::RenameSettings& Settings() const { return document->Settings(); }

    shell::Preferences preferences;
    FakeInteraction interaction;
    std::unique_ptr<shell::Document> document;
    std::unique_ptr<shell::MainFrame> frame;
};

}  // namespace morvanex::test
