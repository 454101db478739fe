#pragma once

#include <QWidget>

namespace morvanex::shell {
class Document;
class MainView;
}  // namespace morvanex::shell

// One tab page of the main view. Every page copies its slice of the document's settings into
// its controls and back; the view calls these at the moments the page protocol fixes (page
// created, page shown, page left, before any command reads the settings).
namespace morvanex::pages {

class Page : public QWidget {
    Q_OBJECT

  public:
    // Every page has this size inside the tab control.
    static constexpr int kWidth = 560;
    static constexpr int kHeight = 280;

    Page(shell::Document& document, shell::MainView& view, QWidget* parent);

    // Fills every control from the settings (the folder pages also rebuild their drive lists).
    virtual void ShowSettings() = 0;
    // Refreshes the controls without rebuilding drive lists; only the two folder pages differ
    // from ShowSettings here, so the default does nothing.
    virtual void RefreshSettings() {}
    // Writes the controls into the settings.
    virtual void StoreSettings() = 0;
    // The page number: 2000, 2010, ... 2080 (the help topic is chosen by it).
    virtual int PageId() const = 0;

  protected:
    shell::Document& Doc() const { return m_document; }
    shell::MainView& View() const { return m_view; }

  private:
    shell::Document& m_document;
    shell::MainView& m_view;
};

}  // namespace morvanex::pages
