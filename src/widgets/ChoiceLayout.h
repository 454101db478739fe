#pragma once

#include <QString>
#include <span>

class QButtonGroup;
class QDialog;
class QPushButton;
class QVBoxLayout;

// The layout the small choice dialogs share: a text on top, a titled group of radio buttons,
// OK and Cancel beside it. The dialog connects the buttons and picks the checked radio.
namespace morvanex::widgets {

struct ChoiceControls {
    QButtonGroup* choices;  // the radios, with their index as the id
    QPushButton* ok;
    QPushButton* cancel;
    QVBoxLayout* layout;  // the dialog's, for what a dialog adds below
};

enum class EnterKey {
    PressesOk,  // the usual dialog
    Ignored,    // the dialog closes only by a click
};

// `labels` are UTF-8; the radios are named `radioPrefix` followed by their index.
ChoiceControls LayOutChoices(QDialog& dialog, const QString& text, const QString& groupTitle,
                             std::span<const char* const> labels, const QString& radioPrefix,
                             EnterKey enter);

}  // namespace morvanex::widgets
