#pragma once

#include <QAbstractButton>
#include <QWidget>
#include <vector>

class QTabWidget;

// Tabs in as many rows as the captions need, for a tab control whose captions do not fit on
// one line: a single scrolled row would hide some of them. The tab widget stays the model
// (current index, enabled tabs); this bar shows and selects its tabs.
namespace morvanex::shell {

class MultiRowTabBar : public QWidget {
    Q_OBJECT

  public:
    MultiRowTabBar(QTabWidget& tabs, QWidget* parent);

    // Lays the tabs out again in rows no wider than `width` (after the tabs changed).
    void Rebuild(int width);
    // Follows the tab widget's current tab and enabled states.
    void Sync();
    int RowCount() const { return m_rowCount; }
    QAbstractButton* TabButton(int index) const;

  private:
    class TabButton;

    QTabWidget& m_tabs;
    std::vector<QAbstractButton*> m_buttons;
    int m_rowCount = 0;
};

}  // namespace morvanex::shell
