#pragma once

class QWidget;

namespace morvanex::widgets {

// Asks the window system for a title bar without a close button on a top-level window (a dialog
// whose result only its own buttons may decide). Minimise and maximise buttons the window asked
// for stay. Window managers are free to ignore the request (some always give a close button),
// so a window that calls this still answers a close request itself. A visible window is shown
// again, as changing the flags hides it.
void RemoveCloseButton(QWidget& window);

}  // namespace morvanex::widgets
