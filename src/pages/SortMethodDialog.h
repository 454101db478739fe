#pragma once

#include <QDialog>

class QButtonGroup;

namespace morvanex::pages {

// How to order the free selection list once: by the whole path, the name alone, the time or
// the size, either way. It opens on the first choice every time and stores nothing; the caller
// reads the choice after OK.
class SortMethodDialog : public QDialog {
    Q_OBJECT

  public:
    static constexpr int kChoiceCount = 8;

    explicit SortMethodDialog(QWidget* parent);

    int SelectedIndex() const;

  private:
    QButtonGroup* m_choices = nullptr;
};

}  // namespace morvanex::pages
