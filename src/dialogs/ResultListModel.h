#pragma once

#include <QAbstractTableModel>
#include <cstdint>
#include <string>
#include <vector>

#include "engine/Interaction.h"
#include "platform/Clock.h"

// The rows of a preview or result list as a table model: texts are made only for the cells
// on screen, so a list of a hundred thousand files opens as fast as one of ten.
namespace morvanex::dialogs {

class ResultListModel : public QAbstractTableModel {
    Q_OBJECT

  public:
    enum class Column { Source, Attributes, Creation, Modification, Access, Target };
    struct ColumnInfo {
        Column column;
        bool after;  // the state after the run (right half)
        int units;   // width in column units
    };

    explicit ResultListModel(const engine::ResultList& list, QObject* parent = nullptr);

    // Rebuilds the columns from the list's show flags.
    void SetFlags(bool attributes, bool creation, bool modification, bool access, bool fullPath);
    const std::vector<ColumnInfo>& Columns() const { return m_columns; }
    // The number of units the list width is divided into.
    int UnitCount() const;
    const engine::ResultList& List() const { return m_list; }

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    // "A", "R", "H", "S" for archive, read-only, hidden and system, in that order.
    static QString AttributeLetters(std::uint8_t attributes);
    // Local time (UTC+9) as "YYYY/MM/DD hh:mm:ss".
    static QString FormatTime(platform::Timestamp time);
    // The whole path, or only what follows its last separator (never a trail byte).
    static QString DisplayName(const std::string& path, bool fullPath);

  private:
    QString CellText(int row, const ColumnInfo& info) const;

    engine::ResultList m_list;
    std::vector<ColumnInfo> m_columns;
};

}  // namespace morvanex::dialogs
