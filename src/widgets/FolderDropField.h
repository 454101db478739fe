#pragma once

#include <QLineEdit>
#include <QStringList>
#include <string>
#include <vector>

#include "platform/FileSystem.h"

namespace morvanex::widgets {

class ByteLimitValidator;

// A single-line field that shows one folder path and takes a folder dropped on it from a file
// manager. The folder pages create it editable, so a path may also be typed; the settings list
// shows it read-only. The text never grows past what the record's 259-byte path field holds.
class FolderDropField : public QLineEdit {
    Q_OBJECT

  public:
    FolderDropField(platform::FileSystem& fileSystem, bool editable, QWidget* parent);

    // The text as CP932, and setting it from CP932.
    std::string Path() const;
    void SetPath(const std::string& path);

    // Takes the first of the dropped host paths that is a folder, as that folder with a
    // trailing separator, and announces it; files, missing paths and everything after the
    // folder are ignored. False when none was taken (also when that folder's path is too long).
    bool TakeDroppedPaths(const std::vector<std::string>& paths);
    // The same for paths as Qt gives them.
    bool TakeDroppedPaths(const QStringList& hostPaths);

  signals:
    // A dropped folder is now the field's text.
    void FolderDropped();
    // A dropped folder was passed over because its path does not fit the field.
    void DroppedPathTooLong();

  protected:
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

  private:
    platform::FileSystem& m_fileSystem;
    ByteLimitValidator* m_limit = nullptr;
};

}  // namespace morvanex::widgets
