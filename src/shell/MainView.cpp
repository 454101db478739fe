#include "shell/MainView.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QStyle>
#include <QTabBar>
#include <QTabWidget>
#include <QTimer>
#include <QVBoxLayout>
#include <memory>

#include "platform/Codepage.h"
#include "shell/Document.h"
#include "shell/MultiRowTabBar.h"
#include "shell/RunWorker.h"
#include "widgets/FileDialogs.h"
#include "widgets/FontScale.h"

namespace morvanex::shell {

namespace {

constexpr const char* kRenameQuestionAllAttributes =
    "上記条件でリネームを開始します。\nよろしいですか？(最終確認です)\n\n※御注意\n"
    "リードオンリー・システム・隠し属性のファイルも無条件でリネームされます！！";
constexpr const char* kRenameQuestion =
    "上記条件でリネームを開始します。\nよろしいですか？(最終確認です)\n\n※御注意\n"
    "リードオンリー・システム・隠し属性のファイルはりネームされません！！";

// The row under the tabs is as high as two lines of the buttons' text need, at least.
constexpr int kButtonRowHeight = 44;
// How often the count, the pace and the time left beside the bar are drawn anew.
constexpr int kPaceMilliseconds = 250;

QPushButton* MakeButton(const char* objectName, const QString& text, QWidget* parent) {
    auto* button = new QPushButton(text, parent);
    button->setObjectName(objectName);
    button->setMinimumHeight(widgets::FontScale(*parent)(kButtonRowHeight));
    return button;
}

}  // namespace

MainView::MainView(Document& document, const pages::PageTableType& pageTable, QWidget* parent)
    : QWidget(parent), m_document(document), m_pageTable(pageTable) {
    setObjectName("mainView");
    m_tabs = new QTabWidget(this);
    m_tabs->setObjectName("tabControl");
    // The nine captions need more than one row; the tab widget's own bar shows only one.
    m_tabs->tabBar()->hide();
    m_tabRows = new MultiRowTabBar(*m_tabs, this);

    auto* exitButton = MakeButton("exitButton", QStringLiteral("Morvelを\n 終了する"), this);
    auto* progressArea = new QWidget(this);
    progressArea->setObjectName("progressArea");
    m_progressBar = new QProgressBar(progressArea);
    m_progressBar->setObjectName("progressBar");
    m_progressBar->setRange(0, 100);
    m_progressBar->setValue(0);
    m_progressBar->setTextVisible(false);
    m_progressBar->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    // While work goes, the two lines under the bar share the row's height with it. They take the
    // width the row gives them and never ask for more: a window that widened as the count and
    // the pace grew would jump under the user's pointer in the middle of a run.
    m_progressText = new QLabel(progressArea);
    m_progressText->setObjectName("progressText");
    m_progressText->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
    m_progressText->hide();
    // The stop takes only the width of its word: the lines beside it need the rest.
    m_stopButton = MakeButton("stopButton", QStringLiteral("中止"), this);
    m_stopButton->setFixedWidth(
        m_stopButton->fontMetrics().horizontalAdvance(m_stopButton->text()) +
        2 * m_stopButton->fontMetrics().averageCharWidth() +
        2 * style()->pixelMetric(QStyle::PM_ButtonMargin));
    m_stopButton->hide();
    m_undoButton = MakeButton("undoButton", QStringLiteral("Undo"), this);
    m_previewButton = MakeButton("previewButton", QStringLiteral(" リネーム\nプレビュー"), this);
    m_renameButton = MakeButton("renameButton", QStringLiteral("リネーム\n  実行"), this);

    auto* progress = new QVBoxLayout(progressArea);
    progress->setContentsMargins(0, 0, 0, 0);
    progress->setSpacing(2);
    progress->addWidget(m_progressBar, 1);
    progress->addWidget(m_progressText);
    // The row keeps one height, at rest and at work: the two lines keep their room while hidden.
    m_progressText->setFixedHeight(
        m_progressText->fontMetrics().size(0, QStringLiteral("0 件\n0 件/秒  残り")).height());
    QSizePolicy textPolicy = m_progressText->sizePolicy();
    textPolicy.setRetainSizeWhenHidden(true);
    m_progressText->setSizePolicy(textPolicy);
    auto* buttons = new QHBoxLayout;
    buttons->setSpacing(6);
    buttons->addWidget(exitButton);
    buttons->addWidget(progressArea, 1);
    buttons->addWidget(m_stopButton);
    buttons->addWidget(m_undoButton);
    buttons->addWidget(m_previewButton);
    buttons->addWidget(m_renameButton);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(12, 12, 12, 12);
    layout->setSpacing(0);
    layout->addWidget(m_tabRows);
    layout->addWidget(m_tabs);
    layout->addSpacing(8);
    layout->addLayout(buttons);

    m_paceTimer = new QTimer(this);
    m_paceTimer->setInterval(kPaceMilliseconds);
    connect(m_paceTimer, &QTimer::timeout, this, &MainView::ShowPace);

    connect(m_tabs, &QTabWidget::currentChanged, this, &MainView::OnTabChanged);
    connect(exitButton, &QPushButton::clicked, this, &MainView::ExitCommand);
    connect(m_undoButton, &QPushButton::clicked, this, &MainView::UndoCommand);
    connect(m_previewButton, &QPushButton::clicked, this, &MainView::PreviewCommand);
    connect(m_renameButton, &QPushButton::clicked, this, &MainView::RenameCommand);
    connect(m_stopButton, &QPushButton::clicked, this, &MainView::StopWork);
}

// Work still going is stopped with the view (its thread is joined).
MainView::~MainView() = default;

widgets::WindowContext MainView::Context() {
    return widgets::WindowContext{m_document.Settings(), m_document.FileSystem(),
                                  m_document.Clock(),    m_document.Interaction(),
                                  m_document.Prefs(),    *this};
}

void MainView::DestroyPages() {
    m_filling = true;
    m_current = nullptr;
    while (m_tabs->count() > 0) {
        QWidget* widget = m_tabs->widget(0);
        m_tabs->removeTab(0);
        delete widget;
    }
    m_pages.fill(nullptr);
    m_filling = false;
}

void MainView::InitialUpdate() {
    DestroyPages();
    m_filling = true;
    const widgets::WindowContext context = Context();
    std::array<QWidget*, pages::kPageCount> tabWidgets{};
    for (const int index : pages::kCreationOrder) {
        const pages::PageEntry& entry = m_pageTable[static_cast<std::size_t>(index)];
        QWidget* widget = nullptr;
        if (entry.create != nullptr) {
            pages::Page* page = entry.create(context, m_tabs);
            page->hide();
            page->ShowSettings();
            m_pages[static_cast<std::size_t>(index)] = page;
            widget = page;
        } else {
            // A tab whose page is not built yet keeps its place, disabled and empty.
            widget = new QWidget(m_tabs);
            widget->setFixedSize(pages::Page::SizeUnder(*m_tabs));
        }
        tabWidgets[static_cast<std::size_t>(index)] = widget;
    }
    for (std::size_t i = 0; i < tabWidgets.size(); ++i) {
        const pages::PageEntry& entry = m_pageTable[i];
        const int tab = m_tabs->addTab(tabWidgets[i], QString::fromUtf8(entry.caption));
        m_tabs->tabBar()->setTabData(tab, entry.itemData);
        m_tabs->setTabEnabled(tab, m_pages[i] != nullptr);
    }
    m_tabs->setCurrentIndex(0);
    m_tabRows->Rebuild(
        pages::Page::SizeUnder(*m_tabs).width() +
        2 * m_tabs->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, m_tabs));
    m_filling = false;
    m_initialised = true;

    m_current = m_pages[0];
    if (m_current != nullptr) {
        m_current->show();
        m_current->ShowSettings();
    }
    m_undoButton->setEnabled(m_document.Settings().Preferences.UndoFlag != 0);
    emit SettingsListRefreshRequested();
    if (m_document.Prefs().SettingViewer() != 0) emit SettingsListToggleRequested();
}

pages::Page* MainView::PageOf(int itemData) const {
    const int index = itemData - pages::kFirstItemData;
    if (index < 0 || index >= pages::kPageCount) return nullptr;
    return m_pages[static_cast<std::size_t>(index)];
}

int MainView::CurrentItemData() const {
    return m_tabs->tabBar()->tabData(m_tabs->currentIndex()).toInt();
}

void MainView::StoreCurrentPage() {
    if (m_current != nullptr) m_current->StoreSettings();
}

void MainView::ShowCurrentPage() {
    if (m_current != nullptr) m_current->ShowSettings();
}

void MainView::ChangePage(int index) {
    StoreCurrentPage();
    const int itemData = m_tabs->tabBar()->tabData(index).toInt();
    m_current = PageOf(itemData);
    if (m_current == nullptr) return;
    // The folder pages keep their drive lists when shown again.
    if (itemData == pages::kFolderSelectionItem || itemData == pages::kCopyDestinationItem) {
        m_current->RefreshSettings();
    } else {
        m_current->ShowSettings();
    }
}

void MainView::OnTabChanged(int index) {
    if (m_filling || index < 0) return;
    ChangePage(index);
    emit SettingsListRefreshRequested();
}

void MainView::SelectPage(int itemData) {
    const int index = itemData - pages::kFirstItemData;
    if (index < 0 || index >= m_tabs->count() || !m_tabs->isTabEnabled(index)) return;
    // The settings list is the caller here and refreshes itself.
    m_filling = true;
    m_tabs->setCurrentIndex(index);
    m_filling = false;
    m_tabRows->Sync();
    ChangePage(index);
}

settings::RenameSettings MainView::CopyForWork() {
    settings::RenameSettings& record = m_document.Settings();
    // A run replaces these and an undo reads them: they move rather than being copied twice.
    settings::UndoData undo = std::move(record.Undo);
    std::vector<settings::FileStatusRecord> before = std::move(record.BeforeStatus);
    std::vector<settings::FileStatusRecord> after = std::move(record.AfterStatus);
    record.Undo = {};
    record.BeforeStatus.clear();
    record.AfterStatus.clear();
    settings::RenameSettings copy = record;
    copy.Undo = std::move(undo);
    copy.BeforeStatus = std::move(before);
    copy.AfterStatus = std::move(after);
    return copy;
}

void MainView::TakeResults(settings::RenameSettings& worked, bool realRun) {
    settings::RenameSettings& record = m_document.Settings();
    record.Undo = std::move(worked.Undo);
    record.BeforeStatus = std::move(worked.BeforeStatus);
    record.AfterStatus = std::move(worked.AfterStatus);
    // The run empties the free list when the user asks for that; nothing else changes it while
    // the window waits.
    if (realRun && worked.FreeFileList.empty()) record.FreeFileList.clear();
}

namespace {

// The document's context for work on another thread: its interaction and the stop are the work's.
engine::RunContext WorkContext(const engine::RunContext& window, engine::Interaction& ui,
                               const engine::StopRequest& stop) {
    return engine::RunContext{window.fileSystem, window.clock, ui, window.journal, &stop};
}

}  // namespace

RunWorker& MainView::Worker() {
    // Made on first use: the document has its interaction only once the frame attached it.
    if (m_worker == nullptr) m_worker = new RunWorker(m_document.Interaction(), this);
    return *m_worker;
}

bool MainView::Working() const {
    return m_worker != nullptr && m_worker->Busy();
}

void MainView::StartRun(bool preview, std::function<void(const engine::RunOutcome&)> done) {
    if (Working()) return;
    auto worked = std::make_shared<settings::RenameSettings>(CopyForWork());
    auto outcome = std::make_shared<engine::RunOutcome>();
    const engine::RunContext window = m_document.RunContext();
    BeginWork(preview ? Work::Preview : Work::Run);
    Worker().Start(
        [window, worked, outcome, preview](engine::Interaction& ui,
                                           const engine::StopRequest& stop) {
            const std::vector<std::string>* freeList =
                worked->SelectFile.FreeFileSelect != 0 ? &worked->FreeFileList : nullptr;
            *outcome = engine::StartRun(*worked, WorkContext(window, ui, stop), preview, freeList);
        },
        [this, worked, outcome, preview, done = std::move(done)] {
            TakeResults(*worked, !preview);
            EndWork();
            // A real run may have changed what the page on top shows (the free list emptied).
            if (!preview && m_current != nullptr) m_current->AfterRun();
            if (done) done(*outcome);
        });
}

void MainView::BeginWork(Work kind) {
    m_work = kind;
    m_undoWasEnabled = m_undoButton->isEnabled();
    for (QWidget* control : std::initializer_list<QWidget*>{m_tabs, m_tabRows, m_undoButton,
                                                            m_previewButton, m_renameButton}) {
        control->setEnabled(false);
    }
    // An auto-exec run has no one to stop it: no button, and Esc does nothing.
    const bool stoppable = m_document.Settings().AutoExecMode == 0;
    m_stopButton->setEnabled(stoppable);
    m_stopButton->setVisible(stoppable);
    if (stoppable) qApp->installEventFilter(this);
    m_progressText->clear();
    m_progressText->show();
    m_workClock.start();
    m_pace.Start(0);
    m_paceTimer->start();
    window()->setCursor(Qt::BusyCursor);
    emit WorkStarted();
}

void MainView::EndWork() {
    qApp->removeEventFilter(this);
    m_paceTimer->stop();
    m_progressText->hide();
    m_progressText->clear();
    m_stopButton->hide();
    for (QWidget* control :
         std::initializer_list<QWidget*>{m_tabs, m_tabRows, m_previewButton, m_renameButton}) {
        control->setEnabled(true);
    }
    m_undoButton->setEnabled(m_undoWasEnabled);
    // A preview's bar is the window's own (the run driver resets a run's).
    if (m_work == Work::Preview) m_document.Interaction().ProgressReset();
    window()->unsetCursor();
    emit WorkEnded();
}

void MainView::ShowPace() {
    if (m_worker == nullptr) return;
    const RunWorker::Reached reached = m_worker->Progress();
    // An undo reports the record it comes to, counting down from the newest.
    const int done = m_work == Work::Undo && reached.total > 0
                         ? std::max(0, static_cast<int>(reached.total) - 1 - reached.current)
                         : reached.current;
    m_pace.Sample(m_workClock.elapsed(), done);
    QString text = m_pace.Text(reached.total, done);
    // A pace and a time left mean nothing once the work is stopping.
    if (m_worker->Stopping()) text = text.section('\n', 0, 0) + QStringLiteral("\n中止しています…");
    m_progressText->setText(text);
}

void MainView::StopWork() {
    if (!Working() || m_document.Settings().AutoExecMode != 0) return;
    m_worker->Stop();
    m_stopButton->setEnabled(false);
    ShowPace();
}

bool MainView::eventFilter(QObject* watched, QEvent* event) {
    // Esc stops the work from the main window or from a window the work disabled (the wizard's
    // page in front); a dialog the work opened takes its Esc itself.
    if (event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape &&
        QApplication::activeModalWidget() == nullptr) {
        QWidget* active = QApplication::activeWindow();
        if (active != nullptr && (active == window() || !active->isEnabled())) {
            StopWork();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void MainView::RenameCommand() {
    if (Working()) return;
    StoreCurrentPage();
    const bool allAttributes = m_document.Settings().CommonOption.AllAttributeFileRename != 0;
    const std::string question =
        platform::Sjis(allAttributes ? kRenameQuestionAllAttributes : kRenameQuestion);
    if (!m_document.Interaction().AskYesNo(engine::Question::StartRun, question)) return;
    StartRun(false);
}

void MainView::PreviewCommand() {
    if (Working()) return;
    StoreCurrentPage();
    StartRun(true);
}

void MainView::UndoCommand() {
    if (Working()) return;
    auto worked = std::make_shared<settings::RenameSettings>(CopyForWork());
    const engine::RunContext window = m_document.RunContext();
    BeginWork(Work::Undo);
    Worker().Start(
        [window, worked](engine::Interaction& ui, const engine::StopRequest& stop) {
            engine::Undo(*worked, WorkContext(window, ui, stop));
        },
        [this, worked] {
            TakeResults(*worked, false);
            EndWork();
        });
}

void MainView::ExitCommand() {
    if (QWidget* frame = window(); frame != nullptr && frame != this) frame->close();
}

void MainView::SaveTargetListCommand() {
    StoreCurrentPage();
    const std::optional<std::string> path = widgets::FileDialogs::SaveTextFile(window());
    if (!path) return;
    engine::SaveTargetList(m_document.Settings(), m_document.RunContext(), *path);
}

}  // namespace morvanex::shell
