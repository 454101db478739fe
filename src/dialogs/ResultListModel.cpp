#include "dialogs/ResultListModel.h"

#include <QBrush>
#include <QColor>
#include <cstdio>

#include "platform/Codepage.h"
#include "platform/FileSystem.h"
#include "platform/Paths.h"
#include "widgets/QtText.h"

namespace morvanex::dialogs {

ResultListModel::ResultListModel(const engine::ResultList& list, QObject* parent)
    : QAbstractTableModel(parent), m_list(list) {
    SetFlags(list.showAttributes, list.showCreation, list.showModification, list.showAccess,
             list.showFullPath);
}

void ResultListModel::SetFlags(bool attributes, bool creation, bool modification, bool access,
                               bool fullPath) {
    beginResetModel();
    m_list.showAttributes = attributes;
    m_list.showCreation = creation;
    m_list.showModification = modification;
    m_list.showAccess = access;
    m_list.showFullPath = fullPath;
    m_columns.clear();
    for (const bool after : {false, true}) {
        m_columns.push_back({after ? Column::Target : Column::Source, after, 5});
        if (attributes) m_columns.push_back({Column::Attributes, after, 1});
        if (creation) m_columns.push_back({Column::Creation, after, 2});
        if (modification) m_columns.push_back({Column::Modification, after, 2});
        if (access) m_columns.push_back({Column::Access, after, 2});
    }
    endResetModel();
}

int ResultListModel::UnitCount() const {
    const int a = m_list.showAttributes ? 1 : 0;
    const int times = (m_list.showCreation ? 1 : 0) + (m_list.showModification ? 1 : 0) +
                      (m_list.showAccess ? 1 : 0);
    return 2 * a + 4 * times + 10;
}

int ResultListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_list.sources.size());
}

int ResultListModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_columns.size());
}

QString ResultListModel::AttributeLetters(std::uint8_t attributes) {
    QString letters;
    if (attributes & platform::attr::kArchive) letters += QLatin1Char('A');
    if (attributes & platform::attr::kReadOnly) letters += QLatin1Char('R');
    if (attributes & platform::attr::kHidden) letters += QLatin1Char('H');
    if (attributes & platform::attr::kSystem) letters += QLatin1Char('S');
    return letters;
}

QString ResultListModel::FormatTime(platform::Timestamp time) {
    const platform::LocalTime local = platform::ToLocalTime(time);
    char text[64];
    std::snprintf(text, sizeof text, "%04d/%02d/%02d %02d:%02d:%02d", local.year, local.month,
                  local.day, local.hour, local.minute, local.second);
    return QString::fromLatin1(text);
}

QString ResultListModel::DisplayName(const std::string& path, bool fullPath) {
    if (fullPath) return widgets::ToQString(path);
    const std::size_t separator = platform::FindLastChar(path, platform::kSeparator);
    if (separator == std::string::npos) return QString();
    return widgets::ToQString(std::string_view(path).substr(separator + 1));
}

QString ResultListModel::CellText(int row, const ColumnInfo& info) const {
    const auto i = static_cast<std::size_t>(row);
    if (info.column == Column::Source) {
        return i < m_list.sources.size() ? DisplayName(m_list.sources[i], m_list.showFullPath)
                                         : QString();
    }
    if (info.column == Column::Target) {
        if (i >= m_list.targets.size()) return QString();
        QString text = DisplayName(m_list.targets[i], m_list.showFullPath);
        // A row the run resolves by its order says so beside the name.
        const engine::Conflict conflict =
            i < m_list.conflicts.size() ? m_list.conflicts[i] : engine::Conflict::None;
        if (conflict == engine::Conflict::Chain) text += QStringLiteral("  (玉突き)");
        if (conflict == engine::Conflict::Cycle) text += QStringLiteral("  (入れ替え)");
        return text;
    }
    const std::vector<settings::FileStatusRecord>& records =
        info.after ? m_list.after : m_list.before;
    if (i >= records.size()) return QString();
    const platform::FileStatus& status = records[i].Status;
    switch (info.column) {
        case Column::Attributes:
            return AttributeLetters(status.attributes);
        case Column::Creation:
            return FormatTime(status.creation);
        case Column::Modification:
            return FormatTime(status.modification);
        case Column::Access:
            return FormatTime(status.access);
        default:
            return QString();
    }
}

QVariant ResultListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount() || index.column() >= columnCount()) {
        return {};
    }
    const auto row = static_cast<std::size_t>(index.row());
    const engine::Conflict conflict =
        row < m_list.conflicts.size() ? m_list.conflicts[row] : engine::Conflict::None;
    switch (role) {
        case Qt::DisplayRole:
            return CellText(index.row(), m_columns[static_cast<std::size_t>(index.column())]);
        case Qt::BackgroundRole:
            if (engine::IsFailing(conflict)) return QBrush(QColor(255, 214, 204));
            return {};
        case Qt::ForegroundRole:
            if (engine::IsFailing(conflict)) return QBrush(QColor(150, 0, 0));
            return {};
        case Qt::ToolTipRole: {
            // A name column may be too narrow for a long path: its tooltip has it whole.
            const ColumnInfo& info = m_columns[static_cast<std::size_t>(index.column())];
            QString tip;
            if (info.column == Column::Source && row < m_list.sources.size()) {
                tip = widgets::ToQString(m_list.sources[row]);
            } else if (info.column == Column::Target && row < m_list.targets.size()) {
                tip = widgets::ToQString(m_list.targets[row]);
            }
            QString reason;
            if (conflict == engine::Conflict::Duplicate) {
                reason = QStringLiteral(
                    "新しい名前が他のリネーム対象ファイルの新しい名前と重複しています。\n"
                    "このまま実行するとエラーで処理が中断します。");
            } else if (conflict == engine::Conflict::Exists) {
                reason = QStringLiteral(
                    "新しい名前と同じ名前のファイルがすでに存在します。\n"
                    "このまま実行するとエラーで処理が中断します。");
            } else if (conflict == engine::Conflict::Refused) {
                reason = QStringLiteral(
                    "新しい名前は変更先のフォルダでは使えません。\n"
                    "このまま実行するとエラーで処理が中断します。");
            } else if (conflict == engine::Conflict::Chain) {
                reason = QStringLiteral(
                    "玉突き: 新しい名前は他のリネーム対象ファイルが使っていますが、\n"
                    "そのファイルを先にリネームして名前を空けます。");
            } else if (conflict == engine::Conflict::Cycle) {
                reason = QStringLiteral(
                    "入れ替え: 名前を入れ替えるファイルの一つを一時的な名前に移してから\n"
                    "リネームします。");
            }
            if (!reason.isEmpty())
                tip = tip.isEmpty() ? reason : tip + QStringLiteral("\n\n") + reason;
            if (tip.isEmpty()) return {};
            return tip;
        }
        default:
            return {};
    }
}

QVariant ResultListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || section < 0 || section >= columnCount()) {
        return QAbstractTableModel::headerData(section, orientation, role);
    }
    if (role == Qt::TextAlignmentRole) return QVariant::fromValue(Qt::AlignLeft | Qt::AlignVCenter);
    if (role != Qt::DisplayRole) return {};
    switch (m_columns[static_cast<std::size_t>(section)].column) {
        case Column::Source:
            return QStringLiteral("リネーム元ファイル");
        case Column::Attributes:
            return QStringLiteral("属性");
        case Column::Creation:
            return QStringLiteral("作成時刻");
        case Column::Modification:
            return QStringLiteral("更新時刻");
        case Column::Access:
            return QStringLiteral("最終アクセス時刻");
        case Column::Target:
            return QStringLiteral("リネーム先ファイル");
    }
    return {};
}

}  // namespace morvanex::dialogs
