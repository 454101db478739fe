#pragma once

#include <QRect>

class QButtonGroup;
class QGroupBox;
class QLabel;
class QLineEdit;
class QRadioButton;
class QWidget;

// The controls of the wizard's own pages, placed as their layout was drawn: every control is a
// child of the page at a rectangle in dialog units (WizardPage::Units), a group box only a frame
// drawn behind the controls it holds. Radios of one choice share a QButtonGroup, as they all
// share the page as their parent. Texts are UTF-8.
namespace morvanex::wizard {

QLabel* AddText(QWidget& page, const char* name, const char* text, QRect units);
QGroupBox* AddGroup(QWidget& page, const char* name, const char* text, QRect units);
QRadioButton* AddRadio(QWidget& page, QButtonGroup& group, int id, const char* name,
                       const char* text, QRect units);
// An edit whose text must fit a text field of the settings record.
QLineEdit* AddFieldEdit(QWidget& page, const char* name, QRect units);

// A question answered by "はい" or "いいえ。", with a note under the two radios; the group,
// the radios and the note sit in `units`.
class YesNoChoice {
  public:
    struct Names {
        const char* group;
        const char* yes;
        const char* no;
        const char* note;
    };
    YesNoChoice(QWidget& page, const Names& names, const char* question, const char* note,
                QRect units);

    bool Yes() const;
    void Set(bool yes);
    void SetEnabled(bool enabled);

  private:
    QRadioButton* m_yes;
    QRadioButton* m_no;
};

}  // namespace morvanex::wizard
