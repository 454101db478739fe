#pragma once

#include <QDialog>

class QCloseEvent;
class QKeyEvent;

// A modal dialog that only its buttons close: Enter and Esc do nothing (no default button
// answers for the user), and with `closeBoxCloses` false the window has no close button where
// the window manager honours that, and a close request is refused where it does not, for dialogs
// whose result is decided by which button was pressed.
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
