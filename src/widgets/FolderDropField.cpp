#include "widgets/FolderDropField.h"

#include <QDragEnterEvent>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QUrl>

#include "platform/Codepage.h"
#include "platform/Paths.h"
#include "widgets/ByteLimitValidator.h"
#include "widgets/QtText.h"

namespace morvanex::widgets {

namespace {

QStringList LocalFilesOf(const QMimeData* mime) {
    QStringList paths;
    if (mime == nullptr || !mime->hasUrls()) return paths;
    for (const QUrl& url : mime->urls()) {
        if (url.isLocalFile()) paths.append(url.toLocalFile());
    }
    return paths;
}

}  // namespace

FolderDropField::FolderDropField(platform::FileSystem& fileSystem, bool editable, QWidget* parent)
    : QLineEdit(parent), m_fileSystem(fileSystem) {
    setObjectName("folderDropField");
    setReadOnly(!editable);
    setAcceptDrops(true);
    m_limit = new ByteLimitValidator(platform::kMaxTextBytes, this);
    setValidator(m_limit);
}

std::string FolderDropField::Path() const {
    return widgets::ToCp932(text());
}

void FolderDropField::SetPath(const std::string& path) {
    setText(widgets::ToQString(path));
    // A long path shows its beginning, where the folders a user recognises are.
    setCursorPosition(0);
}

bool FolderDropField::TakeDroppedPaths(const QStringList& hostPaths) {
    for (const QString& hostPath : hostPaths) {
        const std::string path = widgets::ToCp932(hostPath);
        std::uint8_t attributes = 0;
        if (path.empty() || m_fileSystem.GetAttributes(path, attributes) != 0 ||
            (attributes & platform::attr::kDirectory) == 0) {
            continue;
        }
        const std::string folder = platform::WithTrailingSeparator(path);
        // The first folder is the one the user meant: one that does not fit is reported, not
        // replaced by a later one.
        if (folder.size() > platform::kMaxTextBytes) {
            emit DroppedPathTooLong();
            return false;
        }
        SetPath(folder);
        emit FolderDropped();
        return true;
    }
    return false;
}

void FolderDropField::dragEnterEvent(QDragEnterEvent* event) {
    if (!LocalFilesOf(event->mimeData()).isEmpty()) {
        event->acceptProposedAction();
    } else {
        event->ignore();
    }
}

void FolderDropField::dragMoveEvent(QDragMoveEvent* event) {
    if (!LocalFilesOf(event->mimeData()).isEmpty()) {
        event->acceptProposedAction();
    } else {
        event->ignore();
    }
}

void FolderDropField::dropEvent(QDropEvent* event) {
    const QStringList paths = LocalFilesOf(event->mimeData());
    if (paths.isEmpty()) {
        event->ignore();
        return;
    }
    event->acceptProposedAction();
    TakeDroppedPaths(paths);
}

}  // namespace morvanex::widgets
