#pragma once

#include <optional>
#include <string>

class QWidget;

// The program's file dialogs; each returns the chosen path (CP932) or nothing on Cancel.
namespace morvanex::widgets {

class FileDialogs {
  public:
    static std::optional<std::string> OpenPatternFile(QWidget* owner);
    static std::optional<std::string> SavePatternFile(QWidget* owner);
    static std::optional<std::string> SaveTextFile(QWidget* owner);
};

}  // namespace morvanex::widgets
