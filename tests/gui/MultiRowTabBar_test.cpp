#include "shell/MultiRowTabBar.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QCoreApplication>
#include <QTabWidget>
#include <QTest>
#include <algorithm>
#include <map>
#include <vector>

namespace morvanex::shell {
namespace {

// The tabs of the bar row by row as they are seen, top row first, each left to right.
std::vector<std::vector<int>> RowsOnScreen(const MultiRowTabBar& bar, int tabCount) {
    QCoreApplication::processEvents();
    std::map<int, std::vector<std::pair<int, int>>> byTop;
    for (int i = 0; i < tabCount; ++i) {
        const QPoint place = bar.TabButton(i)->mapTo(&bar, QPoint(0, 0));
        byTop[place.y()].push_back({place.x(), i});
    }
    std::vector<std::vector<int>> rows;
    for (auto& [top, tabs] : byTop) {
        std::sort(tabs.begin(), tabs.end());
        std::vector<int> row;
        for (const auto& [left, tab] : tabs) row.push_back(tab);
        rows.push_back(row);
    }
    return rows;
}

// Nine tabs of one width, three to a row: rows {0,1,2}, {3,4,5}, {6,7,8}.
class MultiRowTabBarTest : public testing::Test {
  protected:
    void SetUp() override {
        for (int i = 0; i < 9; ++i) tabs.addTab(new QWidget, QStringLiteral("タブ %1").arg(i));
        bar.Rebuild(1);  // one tab a row, to learn a tab's width
        const int tabWidth = bar.TabButton(0)->sizeHint().width();
        bar.Rebuild(3 * tabWidth + tabWidth / 2);
        bar.resize(3 * tabWidth + tabWidth / 2, bar.sizeHint().height());
        bar.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&bar));
        ASSERT_EQ(bar.RowCount(), 3);
    }

    QTabWidget tabs;
    MultiRowTabBar bar{tabs, nullptr};
};

// The selected tab's row is the bottom one, next to the page; the rows keep their circular
// order, so the rows after it come first from the top.
TEST_F(MultiRowTabBarTest, SelectedRowMovesNextToThePage) {
    using Rows = std::vector<std::vector<int>>;
    const Rows first = {{3, 4, 5}, {6, 7, 8}, {0, 1, 2}};
    const Rows second = {{6, 7, 8}, {0, 1, 2}, {3, 4, 5}};
    const Rows third = {{0, 1, 2}, {3, 4, 5}, {6, 7, 8}};
    const struct {
        const char* name;
        int click;
        Rows expected;
    } cases[] = {
        {"start/first_tab_selected", -1, first}, {"row_two/first_tab", 3, second},
        {"row_two/same_row_again", 5, second},   {"row_three/last_tab", 8, third},
        {"row_one/middle_tab", 1, first},        {"row_three/from_row_one", 7, third},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.click >= 0) QTest::mouseClick(bar.TabButton(c.click), Qt::LeftButton);
        const int selected = c.click >= 0 ? c.click : 0;
        EXPECT_EQ(tabs.currentIndex(), selected);
        EXPECT_TRUE(bar.TabButton(selected)->isChecked());
        EXPECT_EQ(RowsOnScreen(bar, tabs.count()), c.expected);
    }
}

// A change of the tab from outside the bar (a page chosen from the settings list) moves the rows
// as a click does; laying the tabs out again keeps the selected row next to the page.
TEST_F(MultiRowTabBarTest, CurrentTabSetElsewhereAndRebuildKeepTheRowAtThePage) {
    tabs.setCurrentIndex(4);
    EXPECT_EQ(RowsOnScreen(bar, tabs.count()).back(), (std::vector<int>{3, 4, 5}));
    bar.Rebuild(bar.width());
    EXPECT_EQ(RowsOnScreen(bar, tabs.count()).back(), (std::vector<int>{3, 4, 5}));
}

}  // namespace
}  // namespace morvanex::shell
