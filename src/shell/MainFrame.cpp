#include "shell/MainFrame.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QKeySequence>
#include <QLayout>
#include <QMenuBar>
#include <QPushButton>
#include <QShortcut>
#include <QTimer>
#include <QToolBar>
#include <QWindow>

#include "dialogs/AboutDialog.h"
#include "dialogs/EnvironmentOptionsDialog.h"
#include "dialogs/SettingsListDialog.h"
#include "pages/Page.h"
#include "platform/Codepage.h"
#include "shell/Document.h"
#include "shell/FrameWizard.h"
#include "shell/HelpWindow.h"
#include "shell/MainView.h"
#include "shell/QtInteraction.h"
#include "widgets/QtText.h"
#include "widgets/ToolbarIcons.h"

namespace morvanex::shell {

namespace {

// The prompt of a command: the status text, "\n", the tooltip.
QString TooltipOf(const QString& prompt) {
    const qsizetype newline = prompt.indexOf(QLatin1Char('\n'));
    return newline < 0 ? prompt : prompt.mid(newline + 1);
}
// The help beside the executable (a build), else where it is installed. The installed one is
// looked for from the executable's folder first, so that an installation under any prefix (or
// staged under DESTDIR) finds its own, then in the folder the build was configured for.
QString InstalledHelpFile() {
    const QString name = QStringLiteral("/morvanex-help.html");
    const QString programFolder = QApplication::applicationDirPath();
    for (const QString& folder :
         {programFolder, programFolder + QStringLiteral("/" MORVANEX_HELP_FROM_PROGRAM)}) {
        if (QFileInfo::exists(folder + name)) return QDir::cleanPath(folder + name);
    }
    return QStringLiteral(MORVANEX_HELP_FOLDER) + name;
}

QString StatusOf(const QString& prompt) {
    return prompt.section(QLatin1Char('\n'), 0, 0);
}

// Wayland lets no program place its own top-level windows: there the compositor decides where
// the settings list goes, and it does not follow the main window.
bool PlacesWindows() {
    return !QGuiApplication::platformName().startsWith(QLatin1String("wayland"));
}

constexpr int kFolderSelectionPageId = 2000;

// Whether the window manager has put a frame around a top-level window (before, Qt knows no
// frame and takes the client area for it).
bool Framed(const QWidget& window) {
    return window.frameGeometry() != window.geometry();
}

// How long after the window is shown its frame is expected, and how often it is looked for.
constexpr qint64 kPlacementMilliseconds = 3000;
constexpr int kPlacementPollMilliseconds = 20;

}  // namespace

MainFrame::MainFrame(Document& document, const FrameOptions& options)
    : m_document(document), m_moveSwitch(document.Prefs().SettingViewerMoveSwitch()) {
    setObjectName("mainFrame");
    setWindowTitle(QStringLiteral("MorvaneX"));
    setWindowIcon(widgets::ToolbarIcons::Application());
    m_helpFile = options.helpFile.isEmpty() ? InstalledHelpFile() : options.helpFile;

    m_view = new MainView(
        document, options.pageTable != nullptr ? *options.pageTable : pages::MainPageTable(), this);
    setCentralWidget(m_view);
    if (options.interaction != nullptr) {
        m_interaction = options.interaction;
    } else {
        m_ownInteraction =
            std::make_unique<QtInteraction>(this, m_view->ProgressBar(), options.headless);
        m_interaction = m_ownInteraction.get();
    }
    document.Attach(*this, *m_view, *m_interaction);
    m_wizard = std::make_unique<FrameWizard>(*this);
    CreateMenusAndToolbar();
}

MainFrame::~MainFrame() {
    // The wizard's pages are windows of the frame and refer to the view's context.
    m_wizard.reset();
}

QAction* MainFrame::AddAction(const char* objectName, const QString& text, const QString& prompt) {
    auto* action = new QAction(text, this);
    action->setObjectName(objectName);
    action->setStatusTip(StatusOf(prompt));
    action->setToolTip(TooltipOf(prompt));
    return action;
}

void MainFrame::CreateMenusAndToolbar() {
    QAction* reset =
        AddAction("actionReset", QStringLiteral("全ての設定項目をリセットする(&N)"),
                  QStringLiteral("全ての設定項目をリセットします\n全ての設定項目をリセットします"));
    reset->setIcon(widgets::ToolbarIcons::Reset());
    QAction* open =
        AddAction("actionOpen", QStringLiteral("パターンファイルを読み込む(&O)"),
                  QStringLiteral("パターンファイルを読み込みます\nパターンファイルを読み込みます"));
    open->setIcon(widgets::ToolbarIcons::Open());
    QAction* saveAs = AddAction(
        "actionSaveAs", QStringLiteral("名前を付けてパターンを保存(&A)"),
        QStringLiteral("名前を付けてパターンを保存します\n名前を付けてパターンを保存します"));
    saveAs->setIcon(widgets::ToolbarIcons::SaveAs());
    QAction* saveList =
        AddAction("actionSaveTargetList", QStringLiteral("リネーム対象ファイルをテキストで保存"),
                  QStringLiteral("リネーム対象ファイルをテキストで保存します\n"
                                 "リネーム対象ファイルをテキストで保存します"));
    QAction* exit = AddAction("actionExit", QStringLiteral("MorvaneXの終了(&X)"),
                              QStringLiteral("MorvaneXを終了します\n終了"));
    QAction* toolbarToggle =
        AddAction("actionToolBar", QStringLiteral("ﾂｰﾙ ﾊﾞｰ(&T)"),
                  QStringLiteral("ﾂｰﾙ ﾊﾞｰの 表示/非表示\nﾂｰﾙ ﾊﾞｰの表示切り替え"));
    toolbarToggle->setCheckable(true);
    toolbarToggle->setChecked(true);
    QAction* settingsList =
        AddAction("actionSettingsList", QStringLiteral("設定状況ダイアログ(&D)"),
                  QStringLiteral("設定状況ダイアログを表示します\n設定状況ダイアログを表示します"));
    settingsList->setCheckable(true);
    settingsList->setIcon(widgets::ToolbarIcons::SettingsList());
    QAction* wizard =
        AddAction("actionWizard", QStringLiteral("リネームウィザードを起動する(&W)"),
                  QStringLiteral("リネームウィザードを起動する\nリネームウィザードを起動する"));
    wizard->setIcon(widgets::ToolbarIcons::Wizard());
    QAction* options = AddAction("actionOptions", QStringLiteral("MorvaneXの動作設定(&S)"),
                                 QStringLiteral("MorvaneXの動作に関する設定を行います\n"
                                                "MorvaneXの動作に関する設定を行います"));
    options->setIcon(widgets::ToolbarIcons::Options());
    QAction* help = AddAction("actionHelp", QStringLiteral("MorvaneX ヘルプ(&H)"),
                              QStringLiteral("MorvaneXのヘルプを表示します。"));
    QAction* pageHelp =
        AddAction("actionPageHelp", QStringLiteral("現在開いているタブページのヘルプを開く(&P)"),
                  QStringLiteral("現在開いているタブページのヘルプを開きます\n"
                                 "現在開いているタブページのヘルプを開きます"));
    pageHelp->setIcon(widgets::ToolbarIcons::PageHelp());
    QAction* about = AddAction("actionAbout", QStringLiteral("MorvaneX のﾊﾞｰｼﾞｮﾝ情報(&A)..."),
                               QStringLiteral("現在開いているページ(タブ)のヘルプを表示します。\n"
                                              "このページのヘルプ"));

    m_settingsListAction = settingsList;

    QMenu* file = menuBar()->addMenu(QStringLiteral("ﾌｧｲﾙ(&F)"));
    file->setObjectName("menuFile");
    file->addAction(reset);
    file->addAction(open);
    file->addAction(saveAs);
    file->addSeparator();
    file->addAction(saveList);
    file->addSeparator();
    file->addAction(exit);
    QMenu* view = menuBar()->addMenu(QStringLiteral("表示(&V)"));
    view->setObjectName("menuView");
    view->addAction(toolbarToggle);
    view->addSeparator();
    view->addAction(settingsList);
    view->addAction(wizard);
    QMenu* optionMenu = menuBar()->addMenu(QStringLiteral("オプション(&O)"));
    optionMenu->setObjectName("menuOptions");
    optionMenu->addAction(options);
    QMenu* helpMenu = menuBar()->addMenu(QStringLiteral("ﾍﾙﾌﾟ(&H)"));
    helpMenu->setObjectName("menuHelp");
    helpMenu->addAction(help);
    helpMenu->addAction(pageHelp);
    helpMenu->addSeparator();
    helpMenu->addAction(about);

    m_toolBar = new QToolBar(QStringLiteral("ﾂｰﾙ ﾊﾞｰ"), this);
    m_toolBar->setObjectName("toolbar");
    m_toolBar->setIconSize(QSize(widgets::ToolbarIcons::kWidth, widgets::ToolbarIcons::kHeight));
    m_toolBar->setMovable(true);
    m_toolBar->setAllowedAreas(Qt::AllToolBarAreas);
    m_toolBar->addAction(reset);
    m_toolBar->addAction(open);
    m_toolBar->addAction(saveAs);
    m_toolBar->addSeparator();
    m_toolBar->addAction(wizard);
    m_toolBar->addAction(settingsList);
    m_toolBar->addSeparator();
    m_toolBar->addAction(options);
    m_toolBar->addSeparator();
    m_toolBar->addAction(pageHelp);
    addToolBar(Qt::TopToolBarArea, m_toolBar);

    // Accelerators live on the window, not on the menu entries, so that the menus show their
    // texts exactly. Ctrl+S has no save of its own: it is the save-as command, which always
    // writes a complete pattern file.
    const std::pair<QKeySequence, QAction*> accelerators[] = {
        {QKeySequence(Qt::CTRL | Qt::Key_N), reset},
        {QKeySequence(Qt::CTRL | Qt::Key_O), open},
        {QKeySequence(Qt::CTRL | Qt::Key_S), saveAs},
    };
    for (const auto& [keys, action] : accelerators) {
        auto* shortcut = new QShortcut(keys, this);
        connect(shortcut, &QShortcut::activated, action, &QAction::trigger);
    }

    connect(reset, &QAction::triggered, this, [this] { m_document.NewDocument(); });
    connect(open, &QAction::triggered, this, [this] { m_document.OpenCommand(); });
    connect(saveAs, &QAction::triggered, this, [this] { m_document.SaveAsCommand(); });
    connect(saveList, &QAction::triggered, m_view, &MainView::SaveTargetListCommand);
    connect(exit, &QAction::triggered, this, &QWidget::close);
    connect(toolbarToggle, &QAction::toggled, m_toolBar, &QToolBar::setVisible);
    connect(m_toolBar, &QToolBar::visibilityChanged, toolbarToggle, &QAction::setChecked);
    connect(help, &QAction::triggered, this, [this] { ShowHelp(HelpWindow::kContents); });
    connect(pageHelp, &QAction::triggered, this, &MainFrame::ShowPageHelp);
    connect(m_view, &MainView::HelpRequested, this, &MainFrame::ShowHelp);
    connect(settingsList, &QAction::triggered, this, &MainFrame::ToggleSettingsList);
    connect(options, &QAction::triggered, this, &MainFrame::ShowEnvironmentOptions);
    connect(wizard, &QAction::triggered, this, qOverload<>(&MainFrame::StartWizard));
    connect(m_view, &MainView::SettingsListRefreshRequested, this, &MainFrame::RefreshSettingsList);
    connect(m_view, &MainView::SettingsListToggleRequested, this, &MainFrame::ToggleSettingsList);
    connect(&m_document, &Document::SettingsReplaced, this, &MainFrame::RefreshSettingsList);
    connect(about, &QAction::triggered, this, [this] {
        dialogs::AboutDialog dialog(this);
        dialog.exec();
    });
}

void MainFrame::ApplySavedGeometry(int screenWidth, int screenHeight) {
    const std::optional<widgets::WindowRect> rect =
        m_document.Prefs().SavedWindowRect(screenWidth, screenHeight);
    if (!rect) {
        resize(sizeHint());
        return;
    }
    // A saved place makes a fixed frame without a maximise box, sized to fit the form.
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                   Qt::WindowCloseButtonHint);
    layout()->setSizeConstraint(QLayout::SetFixedSize);
    move(rect->left, rect->top);
    m_savedFramePosition = QPoint(rect->left, rect->top);
}

// The saved rectangle is the frame's, and so is the position move() takes. Under X11 the frame's
// size is not known before the window manager has framed the window, so Qt places the client
// area at that corner instead, and the next save would store a frame one title bar higher: the
// window would creep on every start. Once the frame is there, a window whose client area sits at
// the saved corner is moved so that its frame does. Window managers frame a window some time
// after it is shown, and not always with a move event: the frame is looked for until then.
void MainFrame::KeepSavedFramePosition() {
    if (!m_savedFramePosition) return;
    if (m_placementClock.isValid() && m_placementClock.elapsed() > kPlacementMilliseconds) {
        StopKeepingFramePosition();
        return;
    }
    if (!isVisible()) return;
    const QPoint frame = frameGeometry().topLeft();
    const QPoint client = geometry().topLeft();
    if (frame == client) return;  // not framed yet
    const QPoint saved = *m_savedFramePosition;
    if (client == saved && frame != saved) {
        StopKeepingFramePosition();
        move(saved);
    }
}

void MainFrame::StopKeepingFramePosition() {
    m_savedFramePosition.reset();
    if (m_placementTimer != nullptr) m_placementTimer->stop();
}

void MainFrame::SaveWindowState() {
    if (m_stateSaved) return;
    m_stateSaved = true;
    if (m_saveGeometryOnClose) {
        const QRect frame = frameGeometry();
        m_document.Prefs().SetWindowRect({frame.left(), frame.top(), frame.left() + frame.width(),
                                          frame.top() + frame.height()});
    }
    m_document.Prefs().SetSettingViewerMoveSwitch(m_moveSwitch);
}

void MainFrame::closeEvent(QCloseEvent* event) {
    // The window is disabled while the wizard runs: it ends when the wizard has ended.
    if (m_wizard->IsRunning() || m_pendingWizardMode) {
        event->ignore();
        return;
    }
    SaveWindowState();
    if (m_help != nullptr) m_help->close();
    // Ending the program with the list open keeps "SettingViewer" at 1: it opens again at the
    // next start.
    if (m_settingsList != nullptr) m_settingsList->hide();
    QMainWindow::closeEvent(event);
}

void MainFrame::moveEvent(QMoveEvent* event) {
    QMainWindow::moveEvent(event);
    KeepSavedFramePosition();
    if (m_settingsList == nullptr || m_settingsListPending) return;
    if (m_moveSwitch == 1) PlaceSettingsList(Side::Right);
    if (m_moveSwitch == 2) PlaceSettingsList(Side::Left);
}

void MainFrame::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (m_savedFramePosition && !m_placementClock.isValid()) {
        m_placementClock.start();
        m_placementTimer = new QTimer(this);
        m_placementTimer->setInterval(kPlacementPollMilliseconds);
        connect(m_placementTimer, &QTimer::timeout, this, &MainFrame::KeepSavedFramePosition);
        m_placementTimer->start();
    }
    if (m_settingsList == nullptr || !m_settingsListPending) return;
    m_settingsListPending = false;
    ShowSettingsListBeside(m_moveSwitch == 2 ? Side::Left : Side::Right);
}

// Placed before the window manager has framed it, the list's client area would sit where its
// frame belongs, a title bar higher than the window; placed against a window not yet framed (or
// still on its way to its saved place), it would be off as much. Whatever the move switch, the
// list is placed once more when both frames are there and the window is where it stays.
void MainFrame::ShowSettingsListBeside(Side side) {
    m_settingsList->show();
    PlaceSettingsList(side);
    if (Framed(*this) && Framed(*m_settingsList) && !m_savedFramePosition) return;
    m_listSide = side;
    m_listPlacementClock.start();
    if (m_listPlacementTimer == nullptr) {
        m_listPlacementTimer = new QTimer(this);
        m_listPlacementTimer->setInterval(kPlacementPollMilliseconds);
        connect(m_listPlacementTimer, &QTimer::timeout, this, &MainFrame::KeepSettingsListPlaced);
    }
    m_listPlacementTimer->start();
}

void MainFrame::KeepSettingsListPlaced() {
    if (m_settingsList == nullptr || m_listPlacementClock.elapsed() > kPlacementMilliseconds) {
        m_listPlacementTimer->stop();
        return;
    }
    if (!Framed(*this) || !Framed(*m_settingsList) || m_savedFramePosition) return;
    m_listPlacementTimer->stop();
    PlaceSettingsList(m_listSide);
}

void MainFrame::PlaceSettingsList(Side side) {
    if (m_settingsList == nullptr || !PlacesWindows()) return;
    const QRect frame = frameGeometry();
    const int left = side == Side::Right ? frame.left() + frame.width()
                                         : frame.left() - m_settingsList->frameGeometry().width();
    m_settingsList->move(left, frame.top());
}

void MainFrame::DockSettingsListRight() {
    PlaceSettingsList(Side::Right);
}

void MainFrame::DockSettingsListLeft() {
    PlaceSettingsList(Side::Left);
}

void MainFrame::ToggleSettingsList() {
    if (m_settingsList != nullptr) {
        CloseSettingsList();
    } else {
        m_settingsList = new dialogs::SettingsListDialog(m_view->Context(), this);
        connect(m_settingsList, &dialogs::SettingsListDialog::PageRequested, this,
                &MainFrame::SettingsListPageRequested);
        connect(m_settingsList, &dialogs::SettingsListDialog::CloseRequested, this,
                &MainFrame::CloseSettingsList);
        connect(m_settingsList, &dialogs::SettingsListDialog::FolderSelected, this,
                &MainFrame::SettingsListFolderSelected);
        // Filled and laid out before it is placed: the left placement needs its final width.
        m_settingsList->Refresh();
        m_settingsList->ensurePolished();
        m_settingsList->layout()->activate();
        if (isVisible()) {
            ShowSettingsListBeside(m_moveSwitch == 2 ? Side::Left : Side::Right);
        } else {
            m_settingsListPending = true;
        }
        m_document.Prefs().SetSettingViewer(1);
    }
    m_settingsListAction->setChecked(m_settingsList != nullptr);
    activateWindow();
}

void MainFrame::CloseSettingsList() {
    if (m_settingsList == nullptr) return;
    // Deleted later: the request may come from one of the dialog's own buttons.
    m_settingsList->hide();
    m_settingsList->deleteLater();
    m_settingsList = nullptr;
    m_settingsListPending = false;
    m_document.Prefs().SetSettingViewer(0);
    m_settingsListAction->setChecked(false);
}

void MainFrame::RefreshSettingsList() {
    if (m_settingsList != nullptr) m_settingsList->Refresh();
}

void MainFrame::SettingsListPageRequested(int itemData) {
    // The view's pages wait behind the wizard; storing one now would undo what the wizard set.
    if (m_wizard->IsRunning()) return;
    m_view->SelectPage(itemData);
}

void MainFrame::SettingsListFolderSelected() {
    if (m_wizard->IsRunning()) {
        m_wizard->FolderChangedOutside();
        return;
    }
    pages::Page* page = m_view->CurrentPage();
    if (page != nullptr && page->PageId() == kFolderSelectionPageId) page->ShowSettings();
}

void MainFrame::ShowEnvironmentOptions() {
    m_view->StoreCurrentPage();
    dialogs::EnvironmentOptionsDialog dialog(m_view->Context(), this);
    connect(&dialog, &dialogs::EnvironmentOptionsDialog::DockRightRequested, this,
            &MainFrame::DockSettingsListRight);
    connect(&dialog, &dialogs::EnvironmentOptionsDialog::DockLeftRequested, this,
            &MainFrame::DockSettingsListLeft);
    connect(&dialog, &dialogs::EnvironmentOptionsDialog::MoveSwitchChosen, this,
            &MainFrame::SetMoveSwitch);
    connect(&dialog, &dialogs::EnvironmentOptionsDialog::UndoAvailabilityChosen,
            m_view->UndoButton(), &QWidget::setEnabled);
    dialog.exec();
}

void MainFrame::StartWizard() {
    m_view->StoreCurrentPage();
    StartWizard(m_document.Prefs().StartWizardAtAppStart());
}

void MainFrame::StartWizard(int mode) {
    // At the program's start the window is shown but not yet where the window manager puts it;
    // the wizard opens over it once it is there.
    QWindow* window = windowHandle();
    if (window != nullptr && isVisible() && !window->isExposed()) {
        m_pendingWizardMode = mode;
        setEnabled(false);
        window->installEventFilter(this);
        return;
    }
    m_wizard->Start(mode);
}

bool MainFrame::eventFilter(QObject* watched, QEvent* event) {
    if (watched == windowHandle() && event->type() == QEvent::Expose && m_pendingWizardMode &&
        windowHandle()->isExposed()) {
        windowHandle()->removeEventFilter(this);
        const int mode = *m_pendingWizardMode;
        m_pendingWizardMode.reset();
        m_wizard->Start(mode);
    }
    return QMainWindow::eventFilter(watched, event);
}

int MainFrame::HelpContextOfPage(int pageId) {
    static constexpr std::pair<int, int> kTopics[] = {
        {2000, 22}, {2010, 23}, {2020, 24}, {2030, 25}, {2040, 26},
        {2050, 27}, {2060, 28}, {2070, 29}, {2080, 51},
    };
    for (const auto& [page, context] : kTopics) {
        if (page == pageId) return context;
    }
    return 0;
}

HelpWindow* MainFrame::Help() const {
    return m_help.data();
}

void MainFrame::ShowHelp(int context) {
    // Asked from a modal dialog, the help window belongs to that dialog: a window of the frame
    // would be blocked behind it, unreadable until the dialog closes.
    QWidget* owner =
        QApplication::activeModalWidget() != nullptr ? QApplication::activeModalWidget() : this;
    if (m_help == nullptr) {
        m_help = new HelpWindow(m_helpFile, owner);
    } else if (m_help->parentWidget() != owner) {
        m_help->setParent(owner, m_help->windowFlags());
    }
    if (!m_help->OpenTopic(context)) {
        const std::string message =
            platform::Sjis("ヘルプファイルを開けませんでした。\n") + widgets::ToCp932(m_helpFile);
        m_interaction->ShowMessage(message, engine::MessageIcon::Exclamation);
    }
}

void MainFrame::ShowPageHelp() {
    const pages::Page* page = m_view->CurrentPage();
    if (page == nullptr) return;
    if (const int context = HelpContextOfPage(page->PageId()); context != 0) ShowHelp(context);
}

}  // namespace morvanex::shell
