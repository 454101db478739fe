#pragma once

#include <array>

#include "pages/Page.h"

// The nine tabs of the main view and the pages behind them. A page is registered by giving its
// entry a factory (one line in PageTable.cpp); an entry without one shows a disabled tab.
namespace morvanex::pages {

using PageFactory = Page* (*)(const widgets::WindowContext& context, QWidget* parent);

template <class PageClass>
Page* CreatePage(const widgets::WindowContext& context, QWidget* parent) {
    return new PageClass(context, parent);
}

struct PageEntry {
    int itemData;         // 1000 + tab index: the page's key everywhere in the shell
    const char* caption;  // UTF-8
    int pageId;
    PageFactory create;  // nullptr: the page does not exist yet and its tab is disabled
};

inline constexpr int kPageCount = 9;
inline constexpr int kFirstItemData = 1000;
inline constexpr int kFolderSelectionItem = 1000;
inline constexpr int kCopyDestinationItem = 1002;

using PageTableType = std::array<PageEntry, kPageCount>;

// The tabs in tab order.
const PageTableType& MainPageTable();

// The order in which the view creates the pages (indexes into the table): the three selection
// pages, then rename pattern, letter case, attributes, timestamp, options, string replacement.
inline constexpr std::array<int, kPageCount> kCreationOrder{0, 1, 2, 4, 5, 7, 8, 3, 6};

}  // namespace morvanex::pages
