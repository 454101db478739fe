#include "pages/FileDropList.h"

#include <QAbstractTableModel>
#include <QDragEnterEvent>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QHeaderView>
#include <QItemSelection>
#include <QMimeData>
#include <algorithm>
#include <array>
#include <optional>
#include <unordered_set>
#include <utility>

#include "engine/journal/UndoJournal.h"
#include "engine/plan/CollectTargets.h"
#include "platform/Codepage.h"
#include "platform/Paths.h"
#include "widgets/DroppedPaths.h"
#include "widgets/QtText.h"

namespace morvanex::pages {

// The list's rows: the paths themselves, in CP932, shown as the UI's text only when drawn.
class DropListModel : public QAbstractTableModel {
  public:
    using QAbstractTableModel::QAbstractTableModel;

    int rowCount(const QModelIndex& parent) const override {
        return parent.isValid() ? 0 : static_cast<int>(paths.size());
    }
    int columnCount(const QModelIndex& parent) const override { return parent.isValid() ? 0 : 1; }
    QVariant data(const QModelIndex& index, int role) const override {
        if (!index.isValid() || role != Qt::DisplayRole) return {};
        return widgets::ToQString(paths[static_cast<std::size_t>(index.row())]);
    }
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override {
        if (orientation != Qt::Horizontal || section != 0) return {};
        if (role == Qt::DisplayRole) return QStringLiteral("リネーム対象ファイル");
        if (role == Qt::TextAlignmentRole) {
            return QVariant::fromValue(Qt::Alignment(Qt::AlignLeft | Qt::AlignVCenter));
        }
        return {};
    }

    void Reset(std::vector<std::string> newPaths) {
        beginResetModel();
        paths = std::move(newPaths);
        endResetModel();
    }
    void Append(std::vector<std::string>& more) {
        if (more.empty()) return;
        const int first = static_cast<int>(paths.size());
        beginInsertRows({}, first, first + static_cast<int>(more.size()) - 1);
        paths.insert(paths.end(), std::make_move_iterator(more.begin()),
                     std::make_move_iterator(more.end()));
        endInsertRows();
    }
    void Changed(int first, int last) { emit dataChanged(index(first, 0), index(last, 0)); }

    std::vector<std::string> paths;
};

namespace {

struct SortMethod {
    bool withPath;
    int key;  // a sort condition: name, time or size
    bool ascending;
};

const std::array<SortMethod, 8> kSortMethods{{
    {true, engine::kSortByName, true},
    {true, engine::kSortByName, false},
    {false, engine::kSortByName, true},
    {false, engine::kSortByName, false},
    {true, engine::kSortByTime, true},
    {true, engine::kSortByTime, false},
    {true, engine::kSortBySize, true},
    {true, engine::kSortBySize, false},
}};

// Two paths with equal keys are the same entry to the duplicate test: ASCII letters folded,
// double-byte characters left whole, as the case-insensitive comparison sees them.
std::string FoldedKey(const std::string& path) {
    std::string key = path;
    platform::ToLowerAscii(key);
    return key;
}

std::string_view NameOf(const std::string& path) {
    const std::size_t separator = platform::FindLastChar(path, platform::kSeparator);
    return separator == std::string::npos ? std::string_view(path)
                                          : std::string_view(path).substr(separator + 1);
}

}  // namespace

FileDropList::FileDropList(platform::FileSystem& fileSystem, QWidget* parent)
    : QTableView(parent), m_fileSystem(fileSystem), m_model(new DropListModel(this)) {
    setObjectName("fileDropList");
    setModel(m_model);
    setShowGrid(true);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setWordWrap(false);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    verticalHeader()->hide();
    // Rows of one height: a list of tens of thousands of paths lays out without measuring each.
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 4);
    horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    setColumnWidth(0, 420);
    // The selection stays as visible when the focus goes to the buttons that act on it.
    QPalette shades = palette();
    for (const QPalette::ColorRole role : {QPalette::Highlight, QPalette::HighlightedText}) {
        shades.setColor(QPalette::Inactive, role, shades.color(QPalette::Active, role));
    }
    setPalette(shades);

    setAcceptDrops(true);
    viewport()->setAcceptDrops(true);
    setDragDropMode(QAbstractItemView::DropOnly);
    setDropIndicatorShown(false);

    connect(this, &QAbstractItemView::doubleClicked, this, [this](const QModelIndex& index) {
        if (index.isValid())
            emit EntryActivated(m_model->paths[static_cast<std::size_t>(index.row())]);
    });
}

FileDropList::~FileDropList() = default;

void FileDropList::SetDropRules(bool filterOn, bool allAttributes, std::uint8_t mask) {
    m_filterOn = filterOn;
    m_allAttributes = filterOn ? allAttributes : true;
    m_mask = filterOn ? mask : engine::kRunAttributeMask;
}

void FileDropList::SetFolderAction(int action) {
    m_folderAction = action;
}

bool FileDropList::PassesMask(std::uint8_t attributes) const {
    return (attributes & ~(m_mask | platform::attr::kDirectory)) == 0;
}

std::size_t FileDropList::AddDroppedPaths(const std::vector<std::string>& paths) {
    std::vector<std::string> taken;
    if (!m_filterOn) {
        taken = paths;
        m_model->Append(taken);
        return paths.size();
    }

    // The program's journals are its own: a drop never makes them targets.
    std::optional<platform::FileIdentity> stateFolder;
    if (platform::FileIdentity identity;
        m_fileSystem.GetIdentity(engine::UndoJournal::DefaultFolder(), identity) == 0) {
        stateFolder = identity;
    }
    // One hash of folded keys instead of comparing each path with every entry: a drop of
    // thousands of files into a list of thousands stays linear.
    std::unordered_set<std::string> listed;
    listed.reserve(m_model->paths.size() + paths.size());
    for (const std::string& path : m_model->paths) listed.insert(FoldedKey(path));

    std::string lastParent;
    bool lastParentIsState = false;
    auto inStateFolder = [&](const std::string& path) {
        if (!stateFolder) return false;
        const std::size_t separator = platform::FindLastChar(path, platform::kSeparator);
        const std::string parent =
            separator == std::string::npos ? std::string() : path.substr(0, separator + 1);
        if (parent != lastParent) {
            lastParent = parent;
            platform::FileIdentity identity;
            lastParentIsState = !parent.empty() &&
                                m_fileSystem.GetIdentity(parent, identity) == 0 &&
                                identity == *stateFolder;
        }
        return lastParentIsState;
    };
    auto take = [&](const std::string& path) {
        if (listed.insert(FoldedKey(path)).second) taken.push_back(path);
    };

    for (const std::string& path : paths) {
        std::uint8_t attributes = 0;
        // A path that went away between the drag and the drop is nothing to rename.
        if (path.empty() || m_fileSystem.GetAttributes(path, attributes) != 0) continue;
        if (inStateFolder(path)) continue;
        if ((attributes & platform::attr::kDirectory) == 0) {
            if (m_allAttributes || PassesMask(attributes)) take(path);
            continue;
        }
        if (platform::FileIdentity identity; stateFolder &&
                                             m_fileSystem.GetIdentity(path, identity) == 0 &&
                                             identity == *stateFolder) {
            continue;
        }
        switch (m_folderAction) {
            case kTakeFolder:
                if (m_allAttributes || PassesMask(attributes)) take(path);
                break;
            case kTakeFiles:
            case kTakeFilesBelow: {
                engine::TargetRequest request;
                request.root = platform::WithTrailingSeparator(path);
                if (request.root.empty()) break;
                request.filter = "*.*";
                request.fullPaths = true;
                request.sortCondition = engine::kSortByName;
                request.sortDirection = 1;
                request.listingMode =
                    m_allAttributes ? engine::kListFiles : engine::kListFilesWithinMask;
                request.attributeMask = m_mask;
                request.recursive = m_folderAction == kTakeFilesBelow;
                if (stateFolder) request.skipFolders.push_back(*stateFolder);
                std::vector<std::string> files;
                int largest = 0;
                engine::CollectTargets(request, m_fileSystem, files, largest);
                for (const std::string& file : files) take(file);
                break;
            }
            default:
                break;
        }
    }
    const std::size_t added = taken.size();
    m_model->Append(taken);
    return added;
}

const std::vector<std::string>& FileDropList::Paths() const {
    return m_model->paths;
}

void FileDropList::SetPaths(std::vector<std::string> paths) {
    m_model->Reset(std::move(paths));
}

std::vector<int> FileDropList::SelectedRows() const {
    std::vector<int> rows;
    for (const QModelIndex& index : selectionModel()->selectedRows()) rows.push_back(index.row());
    std::sort(rows.begin(), rows.end());
    return rows;
}

void FileDropList::SelectRows(const std::vector<int>& rows) {
    QItemSelection selection;
    for (std::size_t i = 0; i < rows.size();) {
        std::size_t end = i + 1;
        while (end < rows.size() && rows[end] == rows[end - 1] + 1) ++end;
        selection.select(m_model->index(rows[i], 0), m_model->index(rows[end - 1], 0));
        i = end;
    }
    selectionModel()->select(selection,
                             QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
}

int FileDropList::SelectedCount() const {
    return static_cast<int>(selectionModel()->selectedRows().size());
}

void FileDropList::MoveSelectedUp() {
    std::vector<int> rows = SelectedRows();
    // With the first entry selected nothing moves, not even a block further down.
    if (rows.empty() || rows.front() == 0) return;
    std::vector<std::string>& paths = m_model->paths;
    for (int& row : rows) {
        std::swap(paths[static_cast<std::size_t>(row - 1)], paths[static_cast<std::size_t>(row)]);
        --row;
    }
    m_model->Changed(rows.front(), rows.back() + 1);
    SelectRows(rows);
}

void FileDropList::MoveSelectedDown() {
    std::vector<int> rows = SelectedRows();
    std::vector<std::string>& paths = m_model->paths;
    if (rows.empty() || rows.back() == static_cast<int>(paths.size()) - 1) return;
    for (auto row = rows.rbegin(); row != rows.rend(); ++row) {
        std::swap(paths[static_cast<std::size_t>(*row)], paths[static_cast<std::size_t>(*row + 1)]);
        ++*row;
    }
    m_model->Changed(rows.front() - 1, rows.back());
    SelectRows(rows);
}

void FileDropList::DeleteSelected() {
    const std::vector<int> rows = SelectedRows();
    if (rows.empty()) return;
    std::vector<std::string> kept;
    kept.reserve(m_model->paths.size() - rows.size());
    std::size_t next = 0;
    for (std::size_t i = 0; i < m_model->paths.size(); ++i) {
        if (next < rows.size() && static_cast<std::size_t>(rows[next]) == i) {
            ++next;
        } else {
            kept.push_back(std::move(m_model->paths[i]));
        }
    }
    m_model->Reset(std::move(kept));
}

void FileDropList::DeleteAll() {
    m_model->Reset({});
}

void FileDropList::Sort(int method) {
    if (method < 0 || method >= static_cast<int>(kSortMethods.size())) return;
    const SortMethod& how = kSortMethods[static_cast<std::size_t>(method)];
    std::vector<std::string> paths = m_model->paths;
    if (how.withPath || how.key != engine::kSortByName) {
        engine::SortEntries(paths, nullptr, 0, paths.size(), how.key, how.ascending ? 1 : 0, false,
                            std::string(), true, m_fileSystem);
    } else {
        // An exchange sort, as the list has always sorted by name alone: entries whose names
        // differ only in their folders keep the order it gives them.
        // The exchanges work on positions, so the names stay where the paths keep them.
        std::vector<std::size_t> order(paths.size());
        for (std::size_t i = 0; i < order.size(); ++i) order[i] = i;
        for (std::size_t i = 0; i + 1 < order.size(); ++i) {
            for (std::size_t j = i + 1; j < order.size(); ++j) {
                const int comparison =
                    platform::CompareNoCase(NameOf(paths[order[i]]), NameOf(paths[order[j]]));
                if (how.ascending ? comparison > 0 : comparison < 0) std::swap(order[i], order[j]);
            }
        }
        std::vector<std::string> sorted;
        sorted.reserve(paths.size());
        for (const std::size_t index : order) sorted.push_back(std::move(paths[index]));
        paths = std::move(sorted);
    }
    m_model->Reset(std::move(paths));
}

void FileDropList::dragEnterEvent(QDragEnterEvent* event) {
    if (event->mimeData()->hasFormat(QStringLiteral("text/uri-list"))) {
        event->acceptProposedAction();
    } else {
        event->ignore();
    }
}

void FileDropList::dragMoveEvent(QDragMoveEvent* event) {
    if (event->mimeData()->hasFormat(QStringLiteral("text/uri-list"))) {
        event->acceptProposedAction();
    } else {
        event->ignore();
    }
}

void FileDropList::dropEvent(QDropEvent* event) {
    const std::vector<std::string> paths = widgets::DroppedPaths(event->mimeData());
    if (paths.empty()) {
        event->ignore();
        return;
    }
    event->acceptProposedAction();
    AddDroppedPaths(paths);
}

}  // namespace morvanex::pages
