#include "widgets/FileDialogs.h"

#include <QFileDialog>

#include "widgets/QtText.h"

namespace morvanex::widgets {

namespace {

const QString kPatternFilter = QStringLiteral(
    "MorvaneX Setting Files (*.mvx);;MorvaneX Auto Exec Setting Files (*.mxs);;"
    "All Files (*.*)");
const QString kTextFilter = QStringLiteral("Text Files (*.txt);;All Files (*.*)");

std::optional<std::string> Choose(QWidget* owner, QFileDialog::AcceptMode mode,
                                  const QString& filter, const QString& suffix) {
    QFileDialog dialog(owner);
    dialog.setObjectName(mode == QFileDialog::AcceptOpen ? "openFileDialog" : "saveFileDialog");
    dialog.setAcceptMode(mode);
    dialog.setFileMode(mode == QFileDialog::AcceptOpen ? QFileDialog::ExistingFile
                                                       : QFileDialog::AnyFile);
    dialog.setNameFilter(filter);
    dialog.setDefaultSuffix(suffix);
    // Overwriting asks first (the dialog's default); there is no read-only check box to hide.
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return std::nullopt;
    }
    return ToCp932(dialog.selectedFiles().constFirst());
}

}  // namespace

std::optional<std::string> FileDialogs::OpenPatternFile(QWidget* owner) {
    return Choose(owner, QFileDialog::AcceptOpen, kPatternFilter, QStringLiteral("mvx"));
}

std::optional<std::string> FileDialogs::SavePatternFile(QWidget* owner) {
    return Choose(owner, QFileDialog::AcceptSave, kPatternFilter, QStringLiteral("mvx"));
}

std::optional<std::string> FileDialogs::SaveTextFile(QWidget* owner) {
    return Choose(owner, QFileDialog::AcceptSave, kTextFilter, QStringLiteral("txt"));
}

}  // namespace morvanex::widgets
