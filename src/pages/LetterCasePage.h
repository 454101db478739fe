#pragma once

#include "pages/Page.h"

class QButtonGroup;
class QCheckBox;

// The letter-case tab: whether a run unifies the letter case of names, and how. The radios are
// in the page's order; each stands for a ChangeMode value, which is not its position.
namespace morvanex::pages {

class LetterCasePage : public Page {
    Q_OBJECT

  public:
    static constexpr int kPageId = 2040;

    LetterCasePage(const widgets::WindowContext& context, QWidget* parent);
    ~LetterCasePage() override;

    void ShowSettings() override;
    void StoreSettings() override;
    int PageId() const override { return kPageId; }
    QWidget* OperationSwitch() const override;

  private:
    void EnableModes(bool enable);

    QCheckBox* m_enable = nullptr;
    // Button ids are the ChangeMode values.
    QButtonGroup* m_modes = nullptr;
};

}  // namespace morvanex::pages
