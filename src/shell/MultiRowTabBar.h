#pragma once

#include <QAbstractButton>
#include <QWidget>
#include <vector>

class QTabWidget;
class QVBoxLayout;

// Tabs in as many rows as the captions need, for a tab control whose captions do not fit on
// one line: a single scrolled row would hide some of them. The row of the selected tab is the
// one next to the page; the rows rotate to put it there, as multi-row tab controls do. The tab
// widget stays the model (current index, enabled tabs); this bar shows and selects its tabs.
namespace morvanex::shell {

class MultiRowTabBar : public QWidget {
    Q_OBJECT

  public:
    MultiRowTabBar(QTabWidget& tabs, QWidget* parent);

    // Lays the tabs out again in rows no wider than `width` (after the tabs changed).
    void Rebuild(int width);
    // Follows the tab widget's current tab (its row goes next to the page) and enabled states.
    void Sync();
    int RowCount() const { return m_rowCount; }
    QAbstractButton* TabButton(int index) const;

  private:
    class TabButton;

    void PutRowNextToPage(int row);

    QTabWidget& m_tabs;
    std::vector<QAbstractButton*> m_buttons;
    // The rows in the order the tabs fill them, and the row of each tab.
    std::vector<QWidget*> m_rows;
    std::vector<int> m_tabRow;
    QVBoxLayout* m_stack = nullptr;
    int m_bottomRow = -1;
    int m_rowCount = 0;
};

}  // namespace morvanex::shell
