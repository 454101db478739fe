#include "widgets/FolderDropField.h"

#include <QDragEnterEvent>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QMimeData>

#include "platform/Codepage.h"
#include "platform/Paths.h"
#include "widgets/ByteLimitValidator.h"
#include "widgets/DroppedPaths.h"
#include "widgets/QtText.h"

namespace morvanex::widgets {

namespace {

bool OffersFiles(const QMimeData* mime) {
    return mime != nullptr && mime->hasFormat(QStringLiteral("text/uri-list"));
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
    std::vector<std::string> paths;
    for (const QString& hostPath : hostPaths) paths.push_back(widgets::ToCp932(hostPath));
    return TakeDroppedPaths(paths);
}

bool FolderDropField::TakeDroppedPaths(const std::vector<std::string>& paths) {
    for (const std::string& path : paths) {
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
    if (OffersFiles(event->mimeData())) {
        event->acceptProposedAction();
    } else {
        event->ignore();
    }
}

void FolderDropField::dragMoveEvent(QDragMoveEvent* event) {
    if (OffersFiles(event->mimeData())) {
        event->acceptProposedAction();
    } else {
        event->ignore();
    }
}

void FolderDropField::dropEvent(QDropEvent* event) {
    // The names as the host spells them: a folder whose name is not UTF-8 is still found.
    const std::vector<std::string> paths = DroppedPaths(event->mimeData());
    if (paths.empty()) {
        event->ignore();
        return;
    }
    event->acceptProposedAction();
    TakeDroppedPaths(paths);
}

}  // namespace morvanex::widgets
