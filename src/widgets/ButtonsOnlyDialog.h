#pragma once

#include <QDialog>

class QCloseEvent;
class QKeyEvent;

// A modal dialog that only its buttons close: Enter and Esc do nothing (no default button
// answers for the user), and with `closeBoxCloses` false a close request from the window
// manager is refused too, for dialogs whose result is decided by which button was pressed.
namespace morvanex::widgets {

class ButtonsOnlyDialog : public QDialog {
    Q_OBJECT

  public:
    ButtonsOnlyDialog(QWidget* parent, Qt::WindowFlags flags, bool closeBoxCloses);

  protected:
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

  private:
    bool m_closeBoxCloses;
};

}  // namespace morvanex::widgets
