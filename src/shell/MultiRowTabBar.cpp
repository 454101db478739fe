#include "shell/MultiRowTabBar.h"

#include <QHBoxLayout>
#include <QPainter>
#include <QStyleOptionTab>
#include <QStylePainter>
#include <QTabBar>
#include <QTabWidget>
#include <QVBoxLayout>

namespace morvanex::shell {

// One tab, painted with the style's own tab shape.
class MultiRowTabBar::TabButton : public QAbstractButton {
  public:
    TabButton(const QString& text, QWidget* parent) : QAbstractButton(parent) {
        setText(text);
        setCheckable(true);
        setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    }

    QSize sizeHint() const override {
        QStyleOptionTab option;
        Init(option);
        const QSize content(fontMetrics().horizontalAdvance(text()) + 24,
                            fontMetrics().height() + 10);
        return style()->sizeFromContents(QStyle::CT_TabBarTab, &option, content, this);
    }

  protected:
    void paintEvent(QPaintEvent*) override {
        QStylePainter painter(this);
        QStyleOptionTab option;
        Init(option);
        painter.drawControl(QStyle::CE_TabBarTab, option);
    }

  private:
    void Init(QStyleOptionTab& option) const {
        option.initFrom(this);
        option.shape = QTabBar::RoundedNorth;
        option.text = text();
        option.position = QStyleOptionTab::Middle;
        if (isChecked()) option.state |= QStyle::State_Selected;
        if (!isEnabled()) option.state &= ~QStyle::State_Enabled;
    }
};

MultiRowTabBar::MultiRowTabBar(QTabWidget& tabs, QWidget* parent) : QWidget(parent), m_tabs(tabs) {
    setObjectName("tabRows");
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    connect(&m_tabs, &QTabWidget::currentChanged, this, &MultiRowTabBar::Sync);
}

QAbstractButton* MultiRowTabBar::TabButton(int index) const {
    if (index < 0 || static_cast<std::size_t>(index) >= m_buttons.size()) return nullptr;
    return m_buttons[static_cast<std::size_t>(index)];
}

void MultiRowTabBar::Rebuild(int width) {
    for (QAbstractButton* button : m_buttons) delete button;
    m_buttons.clear();
    for (QWidget* row : m_rows) delete row;
    m_rows.clear();
    m_tabRow.clear();
    delete layout();

    m_stack = new QVBoxLayout(this);
    m_stack->setContentsMargins(0, 0, 0, 0);
    m_stack->setSpacing(0);
    std::vector<int> widths;
    for (int i = 0; i < m_tabs.count(); ++i) {
        auto* button = new class TabButton(m_tabs.tabText(i), this);
        button->setObjectName(QStringLiteral("tab%1").arg(i));
        connect(button, &QAbstractButton::clicked, this, [this, i] {
            m_tabs.setCurrentIndex(i);
            Sync();
        });
        widths.push_back(button->sizeHint().width());
        m_buttons.push_back(button);
    }
    // As few rows as the widths allow, then the tabs spread evenly over them so that no row
    // is left with a single stretched tab.
    const auto rowsNeeded = [&](std::size_t perRow) {
        int count = 0;
        int rowWidth = 0;
        std::size_t inRow = 0;
        for (const int w : widths) {
            if (count == 0 || rowWidth + w > width || inRow == perRow) {
                ++count;
                rowWidth = 0;
                inRow = 0;
            }
            rowWidth += w;
            ++inRow;
        }
        return count;
    };
    const int rowCount = rowsNeeded(widths.size());
    std::size_t perRow = widths.empty() ? 1 : (widths.size() + rowCount - 1) / rowCount;
    while (perRow > 1 && rowsNeeded(perRow) > rowCount) --perRow;
    if (rowsNeeded(perRow) > rowCount) perRow = widths.size();

    QHBoxLayout* row = nullptr;
    int rowWidth = 0;
    std::size_t inRow = 0;
    for (std::size_t i = 0; i < m_buttons.size(); ++i) {
        if (row == nullptr || rowWidth + widths[i] > width || inRow == perRow) {
            auto* rowWidget = new QWidget(this);
            rowWidget->setObjectName(QStringLiteral("tabRow%1").arg(m_rows.size()));
            row = new QHBoxLayout(rowWidget);
            row->setContentsMargins(0, 0, 0, 0);
            row->setSpacing(0);
            m_rows.push_back(rowWidget);
            m_stack->addWidget(rowWidget);
            rowWidth = 0;
            inRow = 0;
        }
        row->addWidget(m_buttons[i]);
        m_tabRow.push_back(static_cast<int>(m_rows.size()) - 1);
        rowWidth += widths[i];
        ++inRow;
    }
    m_rowCount = static_cast<int>(m_rows.size());
    m_bottomRow = -1;
    Sync();
}

void MultiRowTabBar::Sync() {
    for (std::size_t i = 0; i < m_buttons.size(); ++i) {
        const int index = static_cast<int>(i);
        m_buttons[i]->setEnabled(m_tabs.isTabEnabled(index));
        m_buttons[i]->setChecked(m_tabs.currentIndex() == index);
    }
    const int current = m_tabs.currentIndex();
    if (current >= 0 && static_cast<std::size_t>(current) < m_tabRow.size()) {
        PutRowNextToPage(m_tabRow[static_cast<std::size_t>(current)]);
    }
}

void MultiRowTabBar::PutRowNextToPage(int row) {
    if (row == m_bottomRow || m_stack == nullptr) return;
    m_bottomRow = row;
    // The rows keep their circular order: the ones after the selected row go to the top, the
    // ones before it follow, and the selected row touches the page.
    for (QWidget* rowWidget : m_rows) m_stack->removeWidget(rowWidget);
    const std::size_t count = m_rows.size();
    for (std::size_t step = 1; step <= count; ++step) {
        m_stack->addWidget(m_rows[(static_cast<std::size_t>(row) + step) % count]);
    }
}

}  // namespace morvanex::shell
