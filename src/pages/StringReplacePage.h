#pragma once

#include <array>

#include "pages/Page.h"

class QCheckBox;
class QLineEdit;

// The string replacement tab: whether a run replaces texts inside names, and the first five of
// the record's ten pairs of a text to find and its replacement. Pairs six to ten exist only in
// pattern files; the page leaves them as they are.
namespace morvanex::pages {

class StringReplacePage : public Page {
    Q_OBJECT

  public:
    static constexpr int kPageId = 2080;
    static constexpr int kRows = 5;

    StringReplacePage(const widgets::WindowContext& context, QWidget* parent);
    ~StringReplacePage() override;

    void ShowSettings() override;
    void StoreSettings() override;
    int PageId() const override { return kPageId; }

  private:
    void EnableEdits(bool enable);

    QCheckBox* m_enable = nullptr;
    std::array<QLineEdit*, kRows> m_before{};
    std::array<QLineEdit*, kRows> m_after{};
};

}  // namespace morvanex::pages
