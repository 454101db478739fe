#pragma once

#include <array>

#include "pages/Page.h"

class QCheckBox;
class QHideEvent;
class QLineEdit;

// The string replacement tab: whether a run replaces texts inside names, the first five of the
// record's ten pairs of a text to find and its replacement, and whether the texts to find are
// regular expressions. Pairs six to ten exist only in pattern files; the page leaves them as
// they are. Left for another page, it shows the message a run would give for pairs that cannot
// be used as regular expressions.
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
    QWidget* OperationSwitch() const override;

  protected:
    void hideEvent(QHideEvent* event) override;

  private:
    void EnableEdits(bool enable);

    QCheckBox* m_enable = nullptr;
    QCheckBox* m_regex = nullptr;
    std::array<QLineEdit*, kRows> m_before{};
    std::array<QLineEdit*, kRows> m_after{};
};

}  // namespace morvanex::pages
