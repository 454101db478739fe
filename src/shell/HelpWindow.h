#pragma once

#include <QString>
#include <QWidget>

class QKeyEvent;
class QTextBrowser;

// The viewer of the help file "morvanex-help.html": an HTML document of our own whose topics are
// anchors named "ctx" and the context number ("ctx22"); the contents are at "contents".
namespace morvanex::shell {

class HelpWindow : public QWidget {
    Q_OBJECT

  public:
    static constexpr int kContents = 0;

    HelpWindow(const QString& helpFile, QWidget* owner);

    // Loads the file (again, so that an edited file shows) and shows the topic of the context
    // number, or the contents for kContents. False when the file cannot be read.
    bool OpenTopic(int context);
    int CurrentTopic() const { return m_topic; }
    QTextBrowser* Browser() const { return m_browser; }

    static QString AnchorOf(int context);

  protected:
    void keyPressEvent(QKeyEvent* event) override;

  private:
    QString m_helpFile;
    QTextBrowser* m_browser;
    int m_topic = -1;
};

}  // namespace morvanex::shell
