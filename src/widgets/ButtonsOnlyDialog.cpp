#include "widgets/ButtonsOnlyDialog.h"

#include <QCloseEvent>
#include <QKeyEvent>

#include "widgets/WindowHints.h"

namespace morvanex::widgets {

ButtonsOnlyDialog::ButtonsOnlyDialog(QWidget* parent, Qt::WindowFlags flags, bool closeBoxCloses)
    : QDialog(parent, flags), m_closeBoxCloses(closeBoxCloses) {
    if (!m_closeBoxCloses) RemoveCloseButton(*this);
}

void ButtonsOnlyDialog::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
        case Qt::Key_Escape:
            event->accept();
            return;
        default:
            QDialog::keyPressEvent(event);
    }
}

void ButtonsOnlyDialog::closeEvent(QCloseEvent* event) {
    if (m_closeBoxCloses) {
        QDialog::closeEvent(event);
    } else {
        event->ignore();
    }
}

}  // namespace morvanex::widgets
