#pragma once

#include <QMainWindow>
#include <QPointer>
#include <memory>

#include "engine/Interaction.h"
#include "pages/PageTable.h"
#include "widgets/Preferences.h"

class QAction;
class QToolBar;

// The main window: menu, accelerators, toolbar, help, the saved window position, and the main
// view in the middle.
namespace morvanex::shell {

class Document;
class HelpWindow;
class MainView;
class QtInteraction;

struct FrameOptions {
    // Where questions and messages go; nullptr: Qt dialogs.
    engine::Interaction* interaction = nullptr;
    // The tabs and their pages; nullptr: the program's own table.
    const pages::PageTableType* pageTable = nullptr;
    // The help file; empty: "morvanex-help.html" beside the executable, else where it is installed.
    QString helpFile;
    // No screen to show anything on (an unattended auto-exec run).
    bool headless = false;
};

class MainFrame : public QMainWindow {
    Q_OBJECT

  public:
    MainFrame(Document& document, const FrameOptions& options);
    ~MainFrame() override;

    MainView& View() const { return *m_view; }
    engine::Interaction& Interaction() const { return *m_interaction; }

    // Places the window at the saved rectangle (then fixed in size, no maximise) or leaves the
    // toolkit's default place and a sizable frame when none is saved.
    void ApplySavedGeometry(int screenWidth, int screenHeight);
    // Whether closing the window stores its rectangle (not for a run without a screen).
    void SetSaveGeometryOnClose(bool save) { m_saveGeometryOnClose = save; }

    // Opens the help at a context number (HelpWindow::kContents for the contents).
    void ShowHelp(int context);
    void ShowPageHelp();
    // The help context of a page number, 0 when it has none.
    static int HelpContextOfPage(int pageId);
    HelpWindow* Help() const;
    QToolBar* ToolBar() const { return m_toolBar; }

    int MoveSwitch() const { return m_moveSwitch; }
    void SetMoveSwitch(int value) { m_moveSwitch = value; }

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    QAction* AddAction(const char* objectName, const QString& text, const QString& prompt);
    void CreateMenusAndToolbar();
    void SaveWindowState();

    Document& m_document;
    std::unique_ptr<QtInteraction> m_ownInteraction;
    engine::Interaction* m_interaction = nullptr;
    MainView* m_view = nullptr;
    QToolBar* m_toolBar = nullptr;
    // Owned by the frame, or by the modal dialog it was opened from (gone with it).
    QPointer<HelpWindow> m_help;
    QString m_helpFile;
    int m_moveSwitch = 0;
    bool m_saveGeometryOnClose = true;
    bool m_stateSaved = false;
};

}  // namespace morvanex::shell
