#include "shell/MainView.h"

#include <QHBoxLayout>
#include <QProgressBar>
#include <QPushButton>
#include <QStyle>
#include <QTabBar>
#include <QTabWidget>
#include <QVBoxLayout>

#include "platform/Codepage.h"
#include "shell/Document.h"
#include "shell/MultiRowTabBar.h"
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
    m_progressBar = new QProgressBar(this);
    m_progressBar->setObjectName("progressBar");
    m_progressBar->setRange(0, 100);
    m_progressBar->setValue(0);
    m_progressBar->setTextVisible(false);
    m_progressBar->setMinimumHeight(widgets::FontScale(*this)(kButtonRowHeight));
    m_undoButton = MakeButton("undoButton", QStringLiteral("Undo"), this);
    auto* previewButton =
        MakeButton("previewButton", QStringLiteral(" リネーム\nプレビュー"), this);
    auto* renameButton = MakeButton("renameButton", QStringLiteral("リネーム\n  実行"), this);

    auto* buttons = new QHBoxLayout;
    buttons->setSpacing(6);
    buttons->addWidget(exitButton);
    buttons->addWidget(m_progressBar, 1);
    buttons->addWidget(m_undoButton);
    buttons->addWidget(previewButton);
    buttons->addWidget(renameButton);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(12, 12, 12, 12);
    layout->setSpacing(0);
    layout->addWidget(m_tabRows);
    layout->addWidget(m_tabs);
    layout->addSpacing(8);
    layout->addLayout(buttons);

    connect(m_tabs, &QTabWidget::currentChanged, this, &MainView::OnTabChanged);
    connect(exitButton, &QPushButton::clicked, this, &MainView::ExitCommand);
    connect(m_undoButton, &QPushButton::clicked, this, &MainView::UndoCommand);
    connect(previewButton, &QPushButton::clicked, this, &MainView::PreviewCommand);
    connect(renameButton, &QPushButton::clicked, this, &MainView::RenameCommand);
}

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

engine::RunOutcome MainView::StartRun(bool preview) {
    settings::RenameSettings& settings = m_document.Settings();
    const std::vector<std::string>* freeList =
        settings.SelectFile.FreeFileSelect != 0 ? &settings.FreeFileList : nullptr;
    const engine::RunOutcome outcome =
        engine::StartRun(settings, m_document.RunContext(), preview, freeList);
    // A real run may have changed what the page on top shows (the free list emptied after it).
    if (!preview && m_current != nullptr) m_current->AfterRun();
    return outcome;
}

void MainView::RenameCommand() {
    StoreCurrentPage();
    const bool allAttributes = m_document.Settings().CommonOption.AllAttributeFileRename != 0;
    const std::string question =
        platform::Sjis(allAttributes ? kRenameQuestionAllAttributes : kRenameQuestion);
    if (!m_document.Interaction().AskYesNo(engine::Question::StartRun, question)) return;
    StartRun(false);
}

void MainView::PreviewCommand() {
    StoreCurrentPage();
    StartRun(true);
}

void MainView::UndoCommand() {
    engine::Undo(m_document.Settings(), m_document.RunContext());
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
