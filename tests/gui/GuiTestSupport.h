#pragma once

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QFileDialog>
#include <QFileInfo>
#include <QLineEdit>
#include <QPoint>
#include <QSettings>
#include <QTest>
#include <QTimer>
#include <QWidget>
#include <atomic>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "pages/PageTable.h"
#include "platform/Clock.h"
#include "platform/Codepage.h"
#include "platform/PosixFileSystem.h"
#include "shell/Document.h"
#include "shell/MainFrame.h"
#include "shell/MainView.h"
#include "support/FixedClock.h"
#include "support/ForwardingFileSystem.h"
#include "support/MemoryFileSystem.h"
#include "support/ScriptedInteraction.h"
#include "support/TempFolder.h"
#include "widgets/Preferences.h"
#include "widgets/WindowContext.h"

// Readable failure output for Qt strings.
inline void PrintTo(const QString& text, std::ostream* out) {
    *out << text.toStdString();
}
inline void PrintTo(const QStringList& list, std::ostream* out) {
    *out << list.join(QStringLiteral(" | ")).toStdString();
}
inline void PrintTo(const QPoint& point, std::ostream* out) {
    *out << "(" << point.x() << ", " << point.y() << ")";
}

namespace morvanex::widgets {
inline void PrintTo(const WindowRect& rect, std::ostream* out) {
    *out << "left " << rect.left << " top " << rect.top << " right " << rect.right << " bottom "
         << rect.bottom;
}
}  // namespace morvanex::widgets

namespace morvanex::test {

// A Japanese text of the program, as the widgets hold it.
inline QString U(const char* utf8) {
    return QString::fromUtf8(utf8);
}

// A text the program gave the interaction (CP932), as the source writes it.
inline std::string Utf8(std::string_view cp932) {
    return platform::Utf8FromCp932(cp932);
}

// 5 March 2003 (a Wednesday), 10:20:30 in the process time zone.
inline platform::Timestamp TestMoment() {
    return platform::FromLocalTime({2003, 3, 3, 5, 10, 20, 30, 0});
}

// The child of `root` with the object name; fails the test when there is none.
template <class Widget>
Widget* Find(const QObject* root, const QString& name) {
    auto* widget = root->findChild<Widget*>(name);
    EXPECT_NE(widget, nullptr) << "no widget named " << name.toStdString();
    return widget;
}
template <class Widget>
Widget* Find(const QObject& root, const char* name) {
    return Find<Widget>(&root, QString::fromLatin1(name));
}

// Counts the events of one kind an object is given: a window's move or resize arrives once the
// window system has delivered it, and what the window does on it has then been done.
class EventCounter : public QObject {
  public:
    EventCounter(QObject* watched, QEvent::Type type) : m_type(type) {
        watched->installEventFilter(this);
    }
    int Count() const { return m_count; }

  protected:
    bool eventFilter(QObject* /*watched*/, QEvent* event) override {
        if (event->type() == m_type) ++m_count;
        return false;
    }

  private:
    QEvent::Type m_type;
    int m_count = 0;
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

// Clicks the named button of the next modal dialog once it runs.
inline void ClickOnNextModal(const char* buttonName) {
    OnNextModal([buttonName](QWidget* modal) {
        if (auto* button = modal->findChild<QAbstractButton*>(buttonName)) {
            button->click();
        } else if (auto* dialog = qobject_cast<QDialog*>(modal)) {
            ADD_FAILURE() << "no button " << buttonName;
            dialog->done(QDialog::Rejected);
        }
    });
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
           QStringLiteral("/src/shell/help/morvanex-help.html");
}

// The real file system with roots of the test's choosing, so the drive list is known; counts
// the folder listings. (The member comes first so that it exists before the forwarding base.)
struct PosixFileSystemMember {
    platform::PosixFileSystem posix;
};
class RootedFileSystem final : private PosixFileSystemMember, public ForwardingFileSystem {
  public:
    explicit RootedFileSystem(std::vector<platform::Root> roots)
        : ForwardingFileSystem(posix), m_roots(std::move(roots)) {}

    int ListFolder(std::string_view folder, bool withAttributes,
                   std::vector<platform::DirectoryEntry>& entries) override {
        ++listings;
        return ForwardingFileSystem::ListFolder(folder, withAttributes, entries);
    }
    std::vector<platform::Root> Roots() override { return m_roots; }

    int listings = 0;  // folder listings so far

  private:
    std::vector<platform::Root> m_roots;
};

// The disk, where the run waits inside its chosen move until the test lets it go on: the window
// is looked at and used while the work is known to stand between two given files.
class GatedFileSystem final : private PosixFileSystemMember, public ForwardingFileSystem {
  public:
    explicit GatedFileSystem(int holdAt) : ForwardingFileSystem(posix), m_holdAt(holdAt) {}

    int Move(std::string_view from, std::string_view to,
             const platform::FileStatus* expected) override {
        const int result = ForwardingFileSystem::Move(from, to, expected);
        if (++m_moves == m_holdAt) {
            std::unique_lock lock(m_mutex);
            held = true;
            m_released.wait(lock, [this] { return m_open; });
        }
        return result;
    }
    void Release() {
        std::lock_guard lock(m_mutex);
        m_open = true;
        m_released.notify_all();
    }

    std::atomic<bool> held{false};

  private:
    const int m_holdAt;
    std::atomic<int> m_moves{0};
    std::mutex m_mutex;
    std::condition_variable m_released;
    bool m_open = false;
};

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
    RecordingPage(const widgets::WindowContext& context, QWidget* parent)
        : Page(context, parent), m_edit(new QLineEdit(this)) {
        m_edit->setObjectName(QStringLiteral("edit%1").arg(ItemData));
    }
    void ShowSettings() override {
        Log("Show");
        m_edit->setText(QString::fromStdString(Settings().RenameOption.Parts[0].StrPart));
    }
    void RefreshSettings() override { Log("Refresh"); }
    void StoreSettings() override {
        Log("Store");
        Settings().RenameOption.Parts[0].StrPart = m_edit->text().toStdString();
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

// How the fixture builds the window. The defaults are the program's own start: the host's file
// system, the system clock, the program's pages, the help file of the source tree.
struct WindowSetup {
    enum class Files {
        Host,        // the host's file system
        Memory,      // an in-memory file system whose one drive is "/"
        TempDrives,  // the host's, whose drives are the fixture's folder, its "home/" and "vol/"
    };

    WindowSetup& WithPages(const pages::PageTableType& table) {
        pageTable = &table;
        return *this;
    }
    WindowSetup& WithHelpFile(const QString& file) {
        helpFile = file;
        return *this;
    }
    // The preferences the test stored beforehand stay; otherwise the store starts empty.
    WindowSetup& KeepingPreferences() {
        keepPreferences = true;
        return *this;
    }

    Files files = Files::Host;
    // The moment the clock stands at; nothing: the system clock.
    std::optional<platform::Timestamp> now;
    // The tabs and their pages; nullptr: the program's own.
    const pages::PageTableType* pageTable = nullptr;
    QString helpFile = HelpFileOfSource();
    bool keepPreferences = false;
    // The document's file system made by the test (then `files` does not count).
    std::function<std::unique_ptr<platform::FileSystem>()> makeFileSystem;
    // The view creates its pages as the program's start does; off, the test makes the pages.
    bool fillTabs = true;
};

// The shell's own tests: the host's file system and recording pages behind the tabs.
inline WindowSetup RecordingPages() {
    return WindowSetup().WithPages(RecordingPageTable());
}

// The pattern pages and their dialogs: the whole window on an in-memory file system, with the
// clock at TestMoment().
inline WindowSetup InMemory() {
    WindowSetup setup;
    setup.files = WindowSetup::Files::Memory;
    setup.now = TestMoment();
    return setup;
}

// Pages the test makes on their own, on real folders under a temporary folder with known drives
// (the last two inside the first, as the home folder and mounted volumes are inside "/").
inline WindowSetup OnTempDrives() {
    WindowSetup setup;
    setup.files = WindowSetup::Files::TempDrives;
    setup.now = 1700000000;
    setup.fillTabs = false;
    return setup;
}

// The document and the main window as the program builds them at start, with a scripted
// interaction; the test reaches everything through the members.
class WindowFixture {
  public:
    explicit WindowFixture(const WindowSetup& setup) {
        PageLog().clear();
        if (!setup.keepPreferences) ClearPreferences();
        std::unique_ptr<platform::Clock> clock;
        if (setup.now) {
            clock = std::make_unique<FixedClock>(*setup.now);
        } else {
            clock = std::make_unique<platform::SystemClock>();
        }
        document = std::make_unique<shell::Document>(
            preferences,
            setup.makeFileSystem ? setup.makeFileSystem() : MakeFileSystem(setup.files),
            std::move(clock));
        shell::FrameOptions options;
        options.interaction = &interaction;
        options.pageTable = setup.pageTable;
        options.helpFile = setup.helpFile;
        frame = std::make_unique<shell::MainFrame>(*document, options);
        // The start-up call: the view has no tabs yet, so it asks and changes nothing.
        document->NewDocument();
        if (setup.fillTabs) View().InitialUpdate();
    }
    ~WindowFixture() {
        frame.reset();
        document.reset();
    }
    WindowFixture(const WindowFixture&) = delete;
    WindowFixture& operator=(const WindowFixture&) = delete;

    shell::MainView& View() const { return frame->View(); }
    // Waits until the window's work (a run, a preview, an undo) has ended and its end has been
    // shown; false when it does not end.
    [[nodiscard]] bool WaitForWork() const {
        return QTest::qWaitFor([this] { return !View().Working(); }, 60000);
    }
    settings::RenameSettings& Settings() const { return document->Settings(); }
    // What the pages and dialogs a test makes work with: the same as the view's own pages.
    widgets::WindowContext Context() const { return View().Context(); }
    // The temporary folder as the core writes it (CP932, ending with '/').
    std::string Root() const { return folder.Cp932Path(""); }

    // A page of its own, outside the view, showing the settings.
    template <class PageClass>
    std::unique_ptr<PageClass> MakePage() const {
        auto page = std::make_unique<PageClass>(Context(), nullptr);
        page->ShowSettings();
        return page;
    }

    TempFolder folder;
    widgets::Preferences preferences;
    ScriptedInteraction interaction;
    RootedFileSystem* files = nullptr;  // with Files::TempDrives
    std::unique_ptr<shell::Document> document;
    std::unique_ptr<shell::MainFrame> frame;

  private:
    std::unique_ptr<platform::FileSystem> MakeFileSystem(WindowSetup::Files kind) {
        switch (kind) {
            case WindowSetup::Files::Memory: {
                auto memory = std::make_unique<MemoryFileSystem>();
                memory->AddFolder("/");
                memory->roots = {{"/", "", false}};
                return memory;
            }
            case WindowSetup::Files::TempDrives: {
                folder.CreateFolder("home");
                folder.CreateFolder("vol");
                auto rooted = std::make_unique<RootedFileSystem>(
                    std::vector<platform::Root>{{Root(), "top", false},
                                                {Root() + "home/", "home", false},
                                                {Root() + "vol/", "vol", true}});
                files = rooted.get();
                return rooted;
            }
            case WindowSetup::Files::Host:
                break;
        }
        return std::make_unique<platform::PosixFileSystem>();
    }
};

}  // namespace morvanex::test
