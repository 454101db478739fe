#pragma once

#include <QElapsedTimer>
#include <QMainWindow>
#include <QPoint>
#include <QPointer>
#include <memory>
#include <optional>

#include "engine/Interaction.h"
#include "pages/PageTable.h"
#include "widgets/Preferences.h"

class QAction;
class QTimer;
class QToolBar;

namespace morvanex::dialogs {
class SettingsListDialog;
}

// The main window: menu, accelerators, toolbar, help, the saved window position, and the main
// view in the middle.
namespace morvanex::shell {

class Document;
class FrameWizard;
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

    // The settings list beside the window: nullptr while it is closed.
    dialogs::SettingsListDialog* SettingsList() const { return m_settingsList; }
    // Opens the list (placed by the move switch, "SettingViewer" 1) or closes it.
    void ToggleSettingsList();
    // Closes the list if it is open and stores that it is closed ("SettingViewer" 0).
    void CloseSettingsList();
    // Rebuilds the list's summary if it is open.
    void RefreshSettingsList();
    // Places an open list once beside the window, whatever the move switch says.
    void DockSettingsListRight();
    void DockSettingsListLeft();

    // The environment options, after the current page has stored its controls.
    void ShowEnvironmentOptions();

    // The wizard command: the current page stores its controls, the window is disabled and the
    // wizard opens at the page of the start mode the preferences hold.
    void StartWizard();
    // The wizard at a start mode, the window disabled (the start-up's wizard).
    void StartWizard(int mode);
    FrameWizard& Wizard() const { return *m_wizard; }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void showEvent(QShowEvent* event) override;

  private:
    QAction* AddAction(const char* objectName, const QString& text, const QString& prompt);
    void CreateMenusAndToolbar();
    void SaveWindowState();
    void KeepSavedFramePosition();
    void StopKeepingFramePosition();
    enum class Side { Right, Left };
    void PlaceSettingsList(Side side);
    // Shows the list beside the window and places it again once the window manager has framed
    // both windows.
    void ShowSettingsListBeside(Side side);
    void KeepSettingsListPlaced();
    void SettingsListFolderSelected();
    void SettingsListPageRequested(int itemData);

    Document& m_document;
    std::unique_ptr<QtInteraction> m_ownInteraction;
    engine::Interaction* m_interaction = nullptr;
    MainView* m_view = nullptr;
    QToolBar* m_toolBar = nullptr;
    // Owned by the frame, or by the modal dialog it was opened from (gone with it).
    QPointer<HelpWindow> m_help;
    std::unique_ptr<FrameWizard> m_wizard;
    // The start-up's wizard waits for the window to be on the screen.
    std::optional<int> m_pendingWizardMode;
    QAction* m_settingsListAction = nullptr;
    dialogs::SettingsListDialog* m_settingsList = nullptr;
    // The list was opened before the window was shown: it is placed and shown with the window.
    bool m_settingsListPending = false;
    QString m_helpFile;
    int m_moveSwitch = 0;
    bool m_saveGeometryOnClose = true;
    bool m_stateSaved = false;
    // Where the frame's corner belongs (the saved rectangle), while the window manager may still
    // be framing the window: since the window was shown, looked for by the timer.
    std::optional<QPoint> m_savedFramePosition;
    QElapsedTimer m_placementClock;
    // The list just shown waits for its frame and the window's: since then, looked for by the
    // timer.
    QTimer* m_listPlacementTimer = nullptr;
    QElapsedTimer m_listPlacementClock;
    Side m_listSide = Side::Right;
    QTimer* m_placementTimer = nullptr;
};

}  // namespace morvanex::shell
