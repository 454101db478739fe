#pragma once

#include <QIcon>

// The toolbar's 16 x 15 images and the application icon, drawn here rather than shipped as
// image files so that they need no resource step.
namespace morvanex::widgets {

class ToolbarIcons {
  public:
    static constexpr int kWidth = 16;
    static constexpr int kHeight = 15;

    static QIcon Reset();
    static QIcon Open();
    static QIcon SaveAs();
    static QIcon Wizard();
    static QIcon SettingsList();
    static QIcon Options();
    static QIcon PageHelp();
    static QIcon Application();
};

}  // namespace morvanex::widgets
