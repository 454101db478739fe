#pragma once

#include <QWidget>
#include <array>

#include "engine/run/RunDriver.h"
#include "pages/PageTable.h"
#include "widgets/PageHost.h"
#include "widgets/WindowContext.h"

class QProgressBar;
class QPushButton;
class QTabWidget;

// The form that fills the main window: the tab control with the nine settings pages, the
// progress bar and the exit, undo, preview and run buttons. It owns the pages and makes the
// page being left store its controls before anything reads the settings. It is the host of its
// pages and of their dialogs: what they ask of the window comes here.
namespace morvanex::shell {

class Document;
class MultiRowTabBar;

class MainView : public QWidget, public widgets::PageHost {
    Q_OBJECT

  public:
    MainView(Document& document, const pages::PageTableType& pageTable, QWidget* parent);

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

    // One run or preview of the settings, on the free list when free selection is on; after a
    // real run the page on top learns of it.
    engine::RunOutcome StartRun(bool preview);

    QProgressBar* ProgressBar() const { return m_progressBar; }
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

  private:
    void OnTabChanged(int index);
    void ChangePage(int index);

    Document& m_document;
    const pages::PageTableType& m_pageTable;
    std::array<pages::Page*, pages::kPageCount> m_pages{};
    pages::Page* m_current = nullptr;
    QTabWidget* m_tabs = nullptr;
    MultiRowTabBar* m_tabRows = nullptr;
    QProgressBar* m_progressBar = nullptr;
    QPushButton* m_undoButton = nullptr;
    bool m_initialised = false;
    bool m_filling = false;
};

}  // namespace morvanex::shell
