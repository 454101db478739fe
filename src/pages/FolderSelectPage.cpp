#include "pages/FolderSelectPage.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDesktopServices>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QStyle>
#include <QStyledItemDelegate>
#include <QTreeWidget>

#include "engine/plan/CollectTargets.h"
#include "pages/SortConditionDialog.h"
#include "platform/Codepage.h"
#include "platform/Paths.h"
#include "settings/SettingsLifecycle.h"
#include "widgets/ByteLimitValidator.h"
#include "widgets/FolderDropField.h"
#include "widgets/QtText.h"

namespace morvanex::pages {

namespace {

constexpr const char* kFolderMissing = "指定されたフォルダは存在しません。";
constexpr const char* kSubfolderWarning =
    "☆★☆★警告☆★☆★\n現在ファイル表示が「自動更新」されるようになっています。\n"
    "サブフォルダ込みのファイル検索には非常に時間がかかる場合があります。\n実行しても良いですか？";
constexpr const char* kAutoShowWarning =
    "☆★☆★警告☆★☆★\n現在ファイル表示が「サブフォルダ以下のファイルも表示」されるように"
    "なっています。\nここで自動表示を行うように設定するとファイル検索が開始されます。\n"
    "このときに非常に時間がかかる場合があります。\n実行しても良いですか？";
constexpr const char* kRefreshQuestion =
    "現在選択されているフォルダ内のファイル表示も更新しますか？";

// Where a file list entry keeps its full path (the entry shows the bare name).
constexpr int kPathRole = Qt::UserRole;

QLabel* MakeCaption(const char* objectName, const QString& text, const QRect& place,
                    QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(objectName);
    label->setGeometry(place);
    return label;
}

// Rows of one height in the file list. A name in Japanese is drawn with a fallback font taller
// than the Latin one, so measured one by one the rows of a mixed folder would differ; every row
// takes the height of a line that has both. Widths stay each name's own.
class UniformRowDelegate final : public QStyledItemDelegate {
  public:
    using QStyledItemDelegate::QStyledItemDelegate;

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        QSize size = QStyledItemDelegate::sizeHint(option, index);
        // Measured once per font: a large folder asks for every row's size.
        if (m_height < 0 || option.font != m_font) {
            m_font = option.font;
            QStyleOptionViewItem sample = option;
            initStyleOption(&sample, index);
            sample.text = QStringLiteral("Ag漢字かなカナ");
            const QWidget* widget = option.widget;
            const QStyle* style = widget != nullptr ? widget->style() : nullptr;
            m_height =
                style != nullptr
                    ? style->sizeFromContents(QStyle::CT_ItemViewItem, &sample, QSize(), widget)
                          .height()
                    : size.height();
        }
        size.setHeight(m_height);
        return size;
    }

  private:
    mutable QFont m_font;
    mutable int m_height = -1;
};

QString Bracketed(const std::string& name) {
    return QLatin1Char('[') + widgets::ToQString(name) + QLatin1Char(']');
}

std::vector<std::string> FolderNamesBelow(const std::string& path, std::size_t rootLength) {
    std::vector<std::string> names;
    std::size_t start = rootLength;
    while (start < path.size()) {
        std::size_t end = path.find(platform::kSeparator, start);
        if (end == std::string::npos) end = path.size();
        if (end > start) names.push_back(path.substr(start, end - start));
        start = end + 1;
    }
    return names;
}

}  // namespace

FolderSelectPage::FolderSelectPage(const widgets::WindowContext& context, QWidget* parent)
    : FolderSelectPage(context, parent, Kind::RenameFolder) {}

FolderSelectPage::FolderSelectPage(const widgets::WindowContext& context, QWidget* parent,
                                   Kind kind)
    : Page(context, parent),
      m_kind(kind),
      m_openFile([](const QUrl& url) { QDesktopServices::openUrl(url); }) {
    setObjectName(kind == Kind::RenameFolder ? "folderSelectPage" : "copyDestPage");
    CreateControls();

    if (kind == Kind::CopyDestination) {
        if (Settings().CopyToDir.RealTimeRefresh != 0) FillFileList(true, false);
        return;
    }
    const settings::SelectFileSection& selectFile = Settings().SelectFile;
    if (selectFile.RealTimeRefresh != 0) {
        // The first list is filtered as the record says, not by a still empty filter field.
        m_filter->setText(widgets::ToQString(selectFile.FileFilter));
        FillFileList(true, selectFile.IncludeSubDir != 0);
    }
}

FolderSelectPage::~FolderSelectPage() {
    // The copy page has stored its own group by now; this one would store the folder group
    // from controls that page does not have.
    if (m_kind == Kind::RenameFolder) StoreSettings();
}

std::string& FolderSelectPage::FolderPath() const {
    return m_kind == Kind::RenameFolder ? Settings().SelectFile.FullPath
                                        : Settings().CopyToDir.FullPath;
}

std::string& FolderSelectPage::RootDirText() const {
    return m_kind == Kind::RenameFolder ? Settings().SelectFile.RootDir
                                        : Settings().CopyToDir.RootDir;
}

int& FolderSelectPage::SelectedDrive() const {
    return m_kind == Kind::RenameFolder ? Settings().SelectFile.SelectedRenameDrive
                                        : Settings().CopyToDir.SelectedCopyToDrive;
}

int& FolderSelectPage::AutoRefresh() const {
    return m_kind == Kind::RenameFolder ? Settings().SelectFile.RealTimeRefresh
                                        : Settings().CopyToDir.RealTimeRefresh;
}

void FolderSelectPage::CreateControls() {
    const bool renameFolder = m_kind == Kind::RenameFolder;
    MakeCaption("folderChoiceCaption",
                renameFolder ? QStringLiteral("リネーム対象フォルダ選択")
                             : QStringLiteral("コピー先フォルダ選択"),
                Drawn(8, 6, 176, 18), this);
    m_driveCombo = new QComboBox(this);
    m_driveCombo->setObjectName("driveCombo");
    m_driveCombo->setGeometry(Drawn(8, 25, 176, 24));

    m_tree = new QTreeWidget(this);
    m_tree->setObjectName("folderTree");
    m_tree->setGeometry(Drawn(8, 54, 176, 220));
    m_tree->setHeaderHidden(true);
    m_tree->setColumnCount(1);
    m_tree->setRootIsDecorated(true);
    m_tree->setUniformRowHeights(true);
    m_tree->setIconSize(QSize(16, 16));
    m_tree->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    m_tree->header()->setStretchLastSection(false);
    const QStyle* style = this->style();
    m_folderIcon.addPixmap(style->standardIcon(QStyle::SP_DirClosedIcon).pixmap(16, 16),
                           QIcon::Normal);
    m_folderIcon.addPixmap(style->standardIcon(QStyle::SP_DirOpenIcon).pixmap(16, 16),
                           QIcon::Selected);

    MakeCaption(
        "folderFieldCaption",
        renameFolder ? QStringLiteral("リネーム対象フォルダ") : QStringLiteral("コピー先フォルダ"),
        Drawn(190, 6, 136, 18), this);
    MakeCaption("dropHintCaption", QStringLiteral("↓ここにフォルダをドロップできます"),
                Drawn(330, 6, 214, 18), this);
    m_folderField = new widgets::FolderDropField(FileSystem(), true, this);
    m_folderField->setGeometry(Drawn(QRect(QPoint(190, 25), QPoint(544, 48))));

    MakeCaption("fileListCaption",
                renameFolder ? QStringLiteral("リネームフォルダ内ファイル一覧")
                             : QStringLiteral("コピー先フォルダ内ファイル一覧"),
                Drawn(190, 54, 354, 18), this);
    m_fileList = new QListWidget(this);
    m_fileList->setObjectName("fileList");
    m_fileList->setGeometry(Drawn(190, 73, 354, 117));
    // Names run down in columns and the list scrolls sideways, like a file manager's list mode.
    m_fileList->setViewMode(QListView::ListMode);
    m_fileList->setFlow(QListView::TopToBottom);
    m_fileList->setWrapping(true);
    m_fileList->setResizeMode(QListView::Adjust);
    m_fileList->setLayoutMode(QListView::Batched);
    m_fileList->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_fileList->setItemDelegate(new UniformRowDelegate(m_fileList));

    m_autoShow = new QCheckBox(QStringLiteral("自動表示"), this);
    m_autoShow->setObjectName("autoShowCheck");
    m_autoShow->setGeometry(Drawn(190, 196, 90, 24));
    m_showFiles = new QPushButton(QStringLiteral("ファイルを表示する"), this);
    m_showFiles->setObjectName("showFilesButton");
    m_showFiles->setGeometry(Drawn(282, 195, 130, 26));

    connect(m_driveCombo, &QComboBox::currentIndexChanged, this, &FolderSelectPage::ChooseDrive);
    connect(m_tree, &QTreeWidget::itemExpanded, this, &FolderSelectPage::FillChildrenOf);
    // The selection, not the current item: a view makes its first item current when it gets
    // the keyboard focus, and tabbing through the page must not choose the drive's root.
    connect(m_tree, &QTreeWidget::itemSelectionChanged, this, [this] {
        const QList<QTreeWidgetItem*> selected = m_tree->selectedItems();
        TreeSelectionChanged(selected.isEmpty() ? nullptr : selected.constFirst());
    });
    connect(m_folderField, &widgets::FolderDropField::FolderDropped, this,
            &FolderSelectPage::FolderDropped);
    connect(m_folderField, &widgets::FolderDropField::DroppedPathTooLong, this, [this] {
        Interaction().ShowMessage(platform::Sjis(widgets::kPathTooLong), engine::MessageIcon::None);
    });
    connect(m_fileList, &QListWidget::itemDoubleClicked, this,
            &FolderSelectPage::EntryDoubleClicked);
    connect(m_autoShow, &QCheckBox::clicked, this,
            [this](bool checked) { AutoShowClicked(checked); });
    connect(m_showFiles, &QPushButton::clicked, this, [this] { ShowFilesClicked(); });
    if (!renameFolder) return;

    m_sortButton = new QPushButton(QStringLiteral("ソート方法変更"), this);
    m_sortButton->setObjectName("sortButton");
    m_sortButton->setGeometry(Drawn(420, 195, 124, 26));

    m_includeSubfolders =
        new QCheckBox(QStringLiteral("サブフォルダ以下のファイルも表示(リネーム)する"), this);
    m_includeSubfolders->setObjectName("includeSubfoldersCheck");
    m_includeSubfolders->setGeometry(Drawn(190, 224, 354, 24));

    MakeCaption("filterCaption", QStringLiteral("検索フィルタ"), Drawn(190, 253, 80, 22), this);
    m_filter = new QLineEdit(this);
    m_filter->setObjectName("filterEdit");
    m_filter->setGeometry(Drawn(272, 252, 140, 24));
    m_filter->setValidator(new widgets::ByteLimitValidator(platform::kMaxTextBytes, m_filter));

    connect(m_sortButton, &QPushButton::clicked, this, &FolderSelectPage::SortClicked);
    connect(m_includeSubfolders, &QCheckBox::clicked, this, &FolderSelectPage::SubfolderClicked);
}

void FolderSelectPage::FillDriveCombo() {
    {
        // The combo keeps the drive list's order: its index is what the record stores.
        const QSignalBlocker blocker(m_driveCombo);
        m_driveCombo->clear();
        for (const settings::DriveEntry& drive : Settings().DriveList) {
            m_driveCombo->addItem(widgets::ToQString(drive.Text));
        }
        const int selected = SelectedDrive();
        m_driveCombo->setCurrentIndex(selected >= 0 && selected < m_driveCombo->count() ? selected
                                                                                        : -1);
    }
    ChooseDrive(m_driveCombo->currentIndex());
}

void FolderSelectPage::ShowSettings() {
    const settings::SelectFileSection& selectFile = Settings().SelectFile;
    FillDriveCombo();
    m_filter->setText(widgets::ToQString(selectFile.FileFilter));
    m_autoShow->setChecked(selectFile.RealTimeRefresh != 0);
    m_includeSubfolders->setChecked(selectFile.IncludeSubDir != 0);
    m_folderField->SetPath(selectFile.FullPath);
    EnableControls(selectFile.FreeFileSelect == 0);
    FollowFolderPath();
}

void FolderSelectPage::RefreshSettings() {
    const settings::SelectFileSection& selectFile = Settings().SelectFile;
    m_includeSubfolders->setChecked(selectFile.IncludeSubDir != 0);
    m_folderField->SetPath(selectFile.FullPath);
    FollowFolderPath();
    EnableControls(selectFile.FreeFileSelect == 0);
}

void FolderSelectPage::StoreSettings() {
    settings::SelectFileSection& selectFile = Settings().SelectFile;
    // With no drive to choose from there is no choice to store; the stored one stays.
    if (m_driveCombo->currentIndex() >= 0) {
        selectFile.SelectedRenameDrive = m_driveCombo->currentIndex();
    }
    selectFile.FileFilter = widgets::ToCp932(m_filter->text());
    selectFile.RealTimeRefresh = m_autoShow->isChecked() ? 1 : 0;
    selectFile.IncludeSubDir = m_includeSubfolders->isChecked() ? 1 : 0;
    selectFile.FullPath = m_folderField->Path();
}

void FolderSelectPage::EnableControls(bool enable) {
    for (QWidget* control : std::initializer_list<QWidget*>{
             m_filter, m_showFiles, m_fileList, m_folderField, m_autoShow, m_includeSubfolders,
             m_tree, m_driveCombo, m_sortButton}) {
        control->setEnabled(enable);
    }
}

void FolderSelectPage::ChooseDrive(int index) {
    settings::RenameSettings& record = Settings();
    m_rebuildingTree = true;
    m_tree->clear();
    m_rebuildingTree = false;
    if (index < 0 || index >= static_cast<int>(record.DriveList.size())) {
        m_treeRoot.clear();
        return;
    }
    m_treeRoot = record.DriveList[static_cast<std::size_t>(index)].Root;
    RootDirText() = settings::DriveNameOf(m_treeRoot);

    auto* root = new QTreeWidgetItem(QStringList(Bracketed(RootDirText())));
    root->setIcon(0, m_folderIcon);
    QList<QTreeWidgetItem*> children;
    for (const std::string& name : SubfoldersOf(m_treeRoot)) children.append(MakeFolderItem(name));
    root->addChildren(children);
    m_tree->addTopLevelItem(root);
    root->setExpanded(true);
}

std::vector<std::string> FolderSelectPage::SubfoldersOf(const std::string& folder) {
    engine::TargetRequest request;
    request.root = folder;
    request.filter = "*.*";
    request.fullPaths = false;
    request.sortCondition = 1;
    request.sortDirection = 1;
    request.listingMode = engine::kListFolders;
    request.recursive = false;
    std::vector<std::string> names;
    int largest = 0;
    engine::CollectTargets(request, FileSystem(), names, largest);
    return names;
}

QTreeWidgetItem* FolderSelectPage::MakeFolderItem(const std::string& name) const {
    auto* item = new QTreeWidgetItem(QStringList(Bracketed(name)));
    item->setIcon(0, m_folderIcon);
    return item;
}

void FolderSelectPage::FillChildrenOf(QTreeWidgetItem* item) {
    // Each child learns its own subfolders before the user sees it, so every child that has any
    // shows an expand button: the tree stays one level ahead of what is open.
    for (int i = 0; i < item->childCount(); ++i) {
        QTreeWidgetItem* child = item->child(i);
        if (child->childCount() > 0) continue;
        QList<QTreeWidgetItem*> grandchildren;
        for (const std::string& name : SubfoldersOf(PathOf(child))) {
            grandchildren.append(MakeFolderItem(name));
        }
        if (!grandchildren.isEmpty()) child->addChildren(grandchildren);
    }
}

std::string FolderSelectPage::PathOf(const QTreeWidgetItem* item) const {
    if (item->parent() == nullptr) return m_treeRoot;
    const QString text = item->text(0);
    return PathOf(item->parent()) + widgets::ToCp932(text.mid(1, text.size() - 2)) +
           platform::kSeparator;
}

void FolderSelectPage::TreeSelectionChanged(QTreeWidgetItem* current) {
    if (m_rebuildingTree || current == nullptr) return;
    const std::string path = PathOf(current);
    if (path.size() > platform::kMaxTextBytes) {
        Interaction().ShowMessage(platform::Sjis(widgets::kPathTooLong), engine::MessageIcon::None);
        return;
    }
    FolderPath() = path;
    m_folderField->SetPath(path);
    FillFileList(false, false);
}

void FolderSelectPage::MakeFullPathAFolder() {
    std::string& fullPath = FolderPath();
    // An empty path stays empty: with a separator added it would name the root of everything.
    if (fullPath.empty() || platform::EndsWithSeparator(fullPath)) return;
    if (fullPath.size() < platform::kMaxTextBytes) fullPath += platform::kSeparator;
}

bool FolderSelectPage::IsEnterableFolder(const std::string& path) {
    return !path.empty() && path.front() == platform::kSeparator && FileSystem().CanEnter(path);
}

void FolderSelectPage::FillFileList(bool fillNow, bool forceRecursive) {
    if (!m_autoShow->isChecked() && !fillNow) return;
    const bool renameFolder = m_kind == Kind::RenameFolder;
    engine::Interaction& interaction = Interaction();
    // The destination's one folder is listed without subfolders: no wait worth a cursor.
    if (renameFolder) interaction.BeginWait();
    m_fileList->clear();
    MakeFullPathAFolder();
    const settings::RenameSettings& record = Settings();
    const std::string& folder = FolderPath();

    std::vector<std::string> paths;
    // A relative path would be taken from wherever the program happened to start.
    if (!folder.empty() && folder.front() == platform::kSeparator) {
        engine::TargetRequest request;
        request.root = folder;
        // Full paths, though only names are shown: a file found in a subfolder must open from
        // there, not from the chosen folder. The order is the same as for bare names.
        request.fullPaths = true;
        request.attributeMask = engine::kRunAttributeMask;
        if (renameFolder) {
            request.filter = widgets::ToCp932(m_filter->text());
            request.sortCondition = record.CommonOption.SortCondition;
            request.sortDirection = record.CommonOption.SortDirection;
            request.naturalOrder = record.CommonOption.NaturalOrder != 0;
            request.listingMode = record.CommonOption.AllAttributeFileRename != 0
                                      ? engine::kListFiles
                                      : engine::kListFilesWithinMask;
            request.recursive = m_includeSubfolders->isChecked() || forceRecursive;
        } else {
            // Everything already in the destination, whatever its attributes: these are the
            // names a copy could meet there.
            request.filter = "*.*";
            request.sortCondition = engine::kSortByName;
            request.sortDirection = 1;
            request.listingMode = engine::kListFiles;
            request.recursive = false;
        }
        int largest = 0;
        engine::CollectTargets(request, FileSystem(), paths, largest);
    }
    m_fileList->setUpdatesEnabled(false);
    for (const std::string& path : paths) {
        const std::size_t slash = platform::FindLastChar(path, platform::kSeparator);
        auto* item = new QListWidgetItem(
            widgets::ToQString(slash == std::string::npos ? path : path.substr(slash + 1)));
        item->setData(kPathRole, QByteArray(path.data(), static_cast<qsizetype>(path.size())));
        m_fileList->addItem(item);
    }
    m_fileList->setUpdatesEnabled(true);
    if (renameFolder) interaction.EndWait();
}

bool FolderSelectPage::FollowFolderPath() {
    MakeFullPathAFolder();
    const settings::RenameSettings& record = Settings();
    const std::string& fullPath = FolderPath();
    if (fullPath.empty()) return false;
    // The drive is the root with the longest matching prefix: "/" holds every path, the home
    // folder and mounted volumes only theirs.
    const int drive = settings::DriveIndexOf(record, fullPath);
    if (drive < 0) return false;
    if (m_driveCombo->currentIndex() != drive) {
        {
            const QSignalBlocker blocker(m_driveCombo);
            m_driveCombo->setCurrentIndex(drive);
        }
        ChooseDrive(drive);
    }
    if (record.Preferences.FolderTreeSync == 0) return true;

    QTreeWidgetItem* item = m_tree->topLevelItem(0);
    if (item == nullptr) return true;
    item->setExpanded(true);
    const std::string& root = record.DriveList[static_cast<std::size_t>(drive)].Root;
    for (const std::string& name : FolderNamesBelow(fullPath, root.size())) {
        const QString wanted = Bracketed(name);
        QTreeWidgetItem* found = nullptr;
        for (int i = 0; i < item->childCount() && found == nullptr; ++i) {
            if (item->child(i)->text(0) == wanted) found = item->child(i);
        }
        // A folder the tree does not have: leave the tree open as far as it got.
        if (found == nullptr) return true;
        found->setExpanded(true);
        item = found;
    }
    m_tree->setCurrentItem(item);
    ScrollTreeTo(item);
    return true;
}

void FolderSelectPage::ScrollTreeTo(QTreeWidgetItem* item) {
    // Down to the folder, in the middle; sideways the names stay readable from their start.
    // Centred sideways as well, a long name would push the names above it out on the left.
    m_tree->scrollToItem(item, QAbstractItemView::PositionAtCenter);
    QScrollBar* sideways = m_tree->horizontalScrollBar();
    const int start = m_tree->visualItemRect(item).left() + sideways->value();
    // Only a folder so deep that even the start of its name is out of sight scrolls, and then
    // by as little as shows its name after one level of its parents' lines.
    const int room = m_tree->viewport()->width();
    const int nameStart = start + m_tree->iconSize().width();
    sideways->setValue(nameStart + m_tree->fontMetrics().averageCharWidth() * 4 <= room
                           ? 0
                           : start - m_tree->indentation());
}

void FolderSelectPage::ShowFilesClicked() {
    StoreSettings();
    if (!IsEnterableFolder(Settings().SelectFile.FullPath)) {
        Interaction().ShowMessage(platform::Sjis(kFolderMissing), engine::MessageIcon::None);
        return;
    }
    FillFileList(true, false);
    FollowFolderPath();
}

void FolderSelectPage::SubfolderClicked(bool checked) {
    if (!checked || !m_autoShow->isChecked()) return;
    if (Interaction().AskYesNo(engine::Question::ListSubfolders,
                               platform::Sjis(kSubfolderWarning))) {
        FillFileList(false, false);
    } else {
        m_includeSubfolders->setChecked(false);
    }
}

void FolderSelectPage::AutoShowClicked(bool checked) {
    if (!checked) {
        m_showFiles->setEnabled(true);
        return;
    }
    if (m_includeSubfolders->isChecked() &&
        !Interaction().AskYesNo(engine::Question::AutoListWithSubfolders,
                                platform::Sjis(kAutoShowWarning))) {
        m_autoShow->setChecked(false);
        m_showFiles->setEnabled(true);
        return;
    }
    FillFileList(false, false);
    m_showFiles->setEnabled(false);
}

void FolderSelectPage::SortClicked() {
    settings::CommonOptionSection& common = Settings().CommonOption;
    SortConditionDialog dialog({common.SortCondition, common.SortDirection}, this,
                               common.NaturalOrder != 0);
    if (dialog.exec() != QDialog::Accepted) return;
    const SortConditionDialog::Order order = dialog.Chosen();
    common.SortCondition = order.condition;
    common.SortDirection = order.direction;
    common.NaturalOrder = dialog.NaturalOrder() ? 1 : 0;
    if (Interaction().AskYesNo(engine::Question::RefreshFileList, platform::Sjis(kRefreshQuestion)))
        FillFileList(true, false);
}

void FolderSelectPage::FolderDropped() {
    FolderPath() = m_folderField->Path();
    FollowFolderPath();
}

void FolderSelectPage::EntryDoubleClicked(QListWidgetItem* item) {
    if (item == nullptr) return;
    const QByteArray path = item->data(kPathRole).toByteArray();
    m_openFile(QUrl::fromLocalFile(widgets::ToHostPath(
        std::string_view(path.constData(), static_cast<std::size_t>(path.size())))));
}

}  // namespace morvanex::pages
