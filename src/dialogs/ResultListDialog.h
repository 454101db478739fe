#pragma once

#include <QDialog>
#include <functional>

#include "dialogs/ResultListModel.h"
#include "engine/Interaction.h"

class QCheckBox;
class QLineEdit;
class QTableView;

// The preview and result list: which file gets which name, with attributes and times before
// and after. The columns share the list width in units: names 5, attributes 1, each time 2;
// together they fill it, and a column the user widens by hand keeps its width until the list is
// resized or a check box changes the columns.
namespace morvanex::dialogs {

class ResultListDialog : public QDialog {
    Q_OBJECT

  public:
    static constexpr int kMismatch = -1;

    ResultListDialog(const engine::ResultList& list, QWidget* parent);

    // Shows the dialog modally; kMismatch, with a message and no list, when the source and
    // target counts differ.
    int Show();
    // True when the two name lists have the same length (the dialog can be shown).
    bool CountsMatch() const;

    // The column unit for the current list width: (width - 20) / UnitCount().
    int ColumnUnit() const;
    QTableView* Table() const { return m_table; }
    const ResultListModel& Model() const { return *m_model; }

    // What a double-click opens: the row's source in a preview, its target in a result list.
    QString FileToOpen(int row) const;
    // Replaces the desktop's default opener (tests).
    void SetFileOpener(std::function<void(const QString&)> opener) { m_opener = std::move(opener); }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;

  private:
    void ApplyFlags();
    void ApplyColumnWidths();
    void OpenRow(const QModelIndex& index);

    ResultListModel* m_model;
    QTableView* m_table;
    QCheckBox* m_attributes;
    QCheckBox* m_creation;
    QCheckBox* m_modification;
    QCheckBox* m_access;
    QCheckBox* m_fullPath;
    QLineEdit* m_count;
    std::function<void(const QString&)> m_opener;
};

}  // namespace morvanex::dialogs
