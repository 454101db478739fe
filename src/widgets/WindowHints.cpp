#include "widgets/WindowHints.h"

#include <QWidget>

namespace morvanex::widgets {

void RemoveCloseButton(QWidget& window) {
    Qt::WindowFlags flags = window.windowFlags();
    // Without the customise hint Qt puts every default button back; the system menu hint is the
    // close box on Windows.
    flags |= Qt::CustomizeWindowHint | Qt::WindowTitleHint;
    flags &= ~(Qt::WindowCloseButtonHint | Qt::WindowSystemMenuHint);
    if (flags == window.windowFlags()) return;
    const bool visible = window.isVisible();
    window.setWindowFlags(flags);
    if (visible) window.show();
}

}  // namespace morvanex::widgets
