#include "shell/QtInteraction.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <cstdio>

#include "dialogs/ResultListDialog.h"
#include "dialogs/UndoConfirmDialog.h"
#include "platform/Codepage.h"
#include "widgets/QtText.h"

namespace morvanex::shell {

QtInteraction::QtInteraction(QWidget* owner, QProgressBar* progressBar, bool headless)
    : m_owner(owner), m_progressBar(progressBar), m_headless(headless) {}

QString QtInteraction::Caption() {
    return QStringLiteral("MorvaneX");
}

void QtInteraction::ShowMessage(const std::string& text, engine::MessageIcon icon) {
    if (m_headless) {
        std::fprintf(stderr, "%s\n", platform::Utf8FromCp932(text).c_str());
        return;
    }
    QMessageBox box(
        icon == engine::MessageIcon::Exclamation ? QMessageBox::Warning : QMessageBox::NoIcon,
        Caption(), widgets::ToQString(text), QMessageBox::Ok, m_owner);
    box.setObjectName("messageBox");
    box.exec();
}

// The window shows every question as its defined text; the kind matters to other front ends.
bool QtInteraction::AskYesNo(engine::Question, const std::string& text) {
    if (m_headless) {
        std::fprintf(stderr, "%s\n-> No\n", platform::Utf8FromCp932(text).c_str());
        return false;
    }
    // Questions are plain boxes: the icon is kept for the messages that ask for one.
    QMessageBox box(QMessageBox::NoIcon, Caption(), widgets::ToQString(text),
                    QMessageBox::Yes | QMessageBox::No, m_owner);
    box.setObjectName("questionBox");
    box.button(QMessageBox::Yes)->setText(QStringLiteral("はい(&Y)"));
    box.button(QMessageBox::No)->setText(QStringLiteral("いいえ(&N)"));
    box.setDefaultButton(QMessageBox::Yes);
    return box.exec() == QMessageBox::Yes;
}

void QtInteraction::ShowResultList(const engine::ResultList& list) {
    if (m_headless) return;
    dialogs::ResultListDialog dialog(list, m_owner);
    dialog.Show();
}

bool QtInteraction::ConfirmUndo(const engine::ResultList& preview) {
    if (m_headless) return false;
    dialogs::UndoConfirmDialog dialog(preview, m_owner);
    return dialog.exec() == dialogs::UndoConfirmDialog::kStartUndo;
}

void QtInteraction::SetProgress(int position) {
    if (m_progressBar == nullptr) return;
    m_progressBar->setValue(position);
    // The run holds the event loop: paint now, or the bar would only move at the end.
    m_progressBar->repaint();
}

void QtInteraction::Progress(unsigned total, int current) {
    SetProgress(engine::ProgressPosition(total, current));
}
void QtInteraction::ProgressDone() {
    SetProgress(100);
}
void QtInteraction::ProgressReset() {
    SetProgress(0);
}

void QtInteraction::BeginWait() {
    if (m_waitDepth++ == 0) QApplication::setOverrideCursor(Qt::WaitCursor);
}

void QtInteraction::EndWait() {
    if (m_waitDepth == 0) return;
    if (--m_waitDepth == 0) QApplication::restoreOverrideCursor();
}

}  // namespace morvanex::shell
