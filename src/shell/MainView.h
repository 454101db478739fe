#pragma once

#include <QElapsedTimer>
#include <QWidget>
#include <array>
#include <functional>

#include "engine/run/RunDriver.h"
#include "pages/PageTable.h"
#include "shell/WorkPace.h"
#include "widgets/PageHost.h"
#include "widgets/WindowContext.h"

class QLabel;
class QProgressBar;
class QPushButton;
class QTabWidget;
class QTimer;

// The form that fills the main window: the tab control with the nine settings pages, the
// progress bar and the exit, undo, preview and run buttons. It owns the pages and makes the
// page being left store its controls before anything reads the settings. It is the host of its
// pages and of their dialogs: what they ask of the window comes here.
namespace morvanex::shell {

class Document;
class MultiRowTabBar;
class RunWorker;

class MainView : public QWidget, public widgets::PageHost {
    Q_OBJECT

  public:
    MainView(Document& document, const pages::PageTableType& pageTable, QWidget* parent);
    ~MainView() override;

    // What the pages and their dialogs work with; valid once the document is attached.
    widgets::WindowContext Context();

    // Creates the pages anew, fills the tabs and makes the folder selection page current.
    void InitialUpdate();
    void DestroyPages();
    // False until the first initial update has filled the tab control.
    bool HasTabControl() const { return m_initialised; }

    // The page on top, or nullptr when its tab has no page yet.
    pages::Page* CurrentPage() const { return m_current; }
    pages::Page* PageOf(int itemData) const;
    int CurrentItemData() const;
    void StoreCurrentPage();
    void ShowCurrentPage();
    // Brings the page of the item data (1000..1008) to the top, storing the one left.
    void SelectPage(int itemData);

    void RenameCommand();
    void PreviewCommand();
    void UndoCommand();
    void ExitCommand();
    void SaveTargetListCommand();

    void RequestRename() override { RenameCommand(); }
    void RequestHelp(int context) override { emit HelpRequested(context); }

    // One run or preview of the settings, on the free list when free selection is on, on a
    // thread of its own over a copy of the record: the pages and the settings list keep the
    // record, and what the run leaves in it (the undo data, the statuses, the emptied free list)
    // comes back when it ends. Then, on the window's thread, a real run's page on top learns of
    // it and `done` gets the outcome. Nothing starts while other work goes.
    void StartRun(bool preview, std::function<void(const engine::RunOutcome&)> done = {});
    // True from the start of a run, a preview or an undo to the moment it has ended.
    bool Working() const;
    // The stop button, Esc, or a close of the window: the work ends between two of its steps.
    // An auto-exec run cannot be stopped.
    void StopWork();

    QProgressBar* ProgressBar() const { return m_progressBar; }
    QPushButton* StopButton() const { return m_stopButton; }
    QLabel* ProgressText() const { return m_progressText; }
    QPushButton* UndoButton() const { return m_undoButton; }
    QTabWidget* TabControl() const { return m_tabs; }
    MultiRowTabBar* TabRows() const { return m_tabRows; }
    Document& Doc() const { return m_document; }

  signals:
    // The current page stored its controls on a tab change or the pages were created anew.
    void SettingsListRefreshRequested();
    // The pages were created anew while "SettingViewer" is set: at start this reopens the
    // settings list; a reset while it is open closes it.
    void SettingsListToggleRequested();
    // A page or a dialog asked for the help at a context number.
    void HelpRequested(int context);
    // Work began: everything that could change the job is to be disabled until WorkEnded.
    void WorkStarted();
    void WorkEnded();

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    enum class Work { Run, Preview, Undo };
    void OnTabChanged(int index);
    void ChangePage(int index);
    // The record the work gets: a copy, except the results of the last run, which move.
    settings::RenameSettings CopyForWork();
    // What the work left in its copy, back into the record.
    void TakeResults(settings::RenameSettings& worked, bool realRun);
    RunWorker& Worker();
    void BeginWork(Work kind);
    void EndWork();
    void ShowPace();

    Document& m_document;
    const pages::PageTableType& m_pageTable;
    std::array<pages::Page*, pages::kPageCount> m_pages{};
    pages::Page* m_current = nullptr;
    QTabWidget* m_tabs = nullptr;
    MultiRowTabBar* m_tabRows = nullptr;
    QProgressBar* m_progressBar = nullptr;
    QPushButton* m_undoButton = nullptr;
    QPushButton* m_previewButton = nullptr;
    QPushButton* m_renameButton = nullptr;
    QPushButton* m_stopButton = nullptr;
    QLabel* m_progressText = nullptr;
    RunWorker* m_worker = nullptr;
    Work m_work = Work::Run;
    bool m_undoWasEnabled = false;
    QTimer* m_paceTimer = nullptr;
    QElapsedTimer m_workClock;
    WorkPace m_pace;
    bool m_initialised = false;
    bool m_filling = false;
};

}  // namespace morvanex::shell
