#pragma once

#include <array>

#include "widgets/ButtonsOnlyDialog.h"

class QButtonGroup;
class QCheckBox;

// Chooses how the folder page orders the files of each folder: the sort condition and direction
// of the record as one of seven choices, and whether names compare their numbers by value
// (NaturalOrder). Enter and Esc do nothing; only the buttons close it.
namespace morvanex::pages {

class SortConditionDialog : public widgets::ButtonsOnlyDialog {
    Q_OBJECT

  public:
    struct Order {
        int condition = 0;
        int direction = 1;

        friend bool operator==(const Order&, const Order&) = default;
    };

    static constexpr int kChoiceCount = 7;

    SortConditionDialog(Order current, QWidget* parent, bool naturalOrder = false);

    // The choice that shows an order, and the order a choice stands for.
    static int IndexOf(Order order);
    static Order OrderOf(int index);

    int SelectedIndex() const;
    Order Chosen() const { return OrderOf(SelectedIndex()); }
    bool NaturalOrder() const;

  private:
    QButtonGroup* m_choices = nullptr;
    QCheckBox* m_natural = nullptr;
};

}  // namespace morvanex::pages
