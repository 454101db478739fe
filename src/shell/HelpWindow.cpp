#include "shell/HelpWindow.h"

#include <QDesktopServices>
#include <QFile>
#include <QKeyEvent>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

namespace morvanex::shell {

HelpWindow::HelpWindow(const QString& helpFile, QWidget* owner)
    : QWidget(owner, Qt::Window), m_helpFile(helpFile), m_browser(new QTextBrowser(this)) {
    setObjectName("helpWindow");
    setWindowTitle(QStringLiteral("MorvaneX ヘルプ"));
    m_browser->setObjectName("helpBrowser");
    // Links inside the file jump to their topic; others go to the desktop's browser.
    m_browser->setOpenLinks(false);
    connect(m_browser, &QTextBrowser::anchorClicked, this, [this](const QUrl& url) {
        if (url.scheme().isEmpty() && url.path().isEmpty()) {
            m_browser->scrollToAnchor(url.fragment());
        } else {
            QDesktopServices::openUrl(url);
        }
    });
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_browser);
    resize(720, 560);
}

QString HelpWindow::AnchorOf(int context) {
    return context == kContents ? QStringLiteral("contents") : QStringLiteral("ctx%1").arg(context);
}

bool HelpWindow::OpenTopic(int context) {
    QFile file(m_helpFile);
    if (!file.open(QIODevice::ReadOnly)) return false;
    m_browser->setHtml(QString::fromUtf8(file.readAll()));
    m_topic = context;
    show();
    raise();
    activateWindow();
    m_browser->scrollToAnchor(AnchorOf(context));
    return true;
}

void HelpWindow::keyPressEvent(QKeyEvent* event) {
    // Esc closes a viewer window, as it does the desktop's own help and document viewers.
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        close();
        return;
    }
    QWidget::keyPressEvent(event);
}

}  // namespace morvanex::shell
