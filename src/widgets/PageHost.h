#pragma once

// What a page or a dialog asks of the window that shows it. Pages and dialogs sit below the
// shell and never see its classes: the main view implements this, and a wizard that embeds
// pages implements it too.
namespace morvanex::widgets {

class PageHost {
  public:
    virtual ~PageHost() = default;

    // The rename command, as the window's run button gives it: the current page is stored, the
    // user is asked, then the run starts.
    virtual void RequestRename() = 0;
    // The help at a context number (0 for the contents).
    virtual void RequestHelp(int context) = 0;
};

}  // namespace morvanex::widgets
