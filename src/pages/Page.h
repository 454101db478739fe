#pragma once

#include <QWidget>

#include "widgets/FontScale.h"
#include "widgets/WindowContext.h"

// One tab page of the main view. Every page copies its slice of the settings record into its
// controls and back; the view calls these at the moments the page protocol fixes (page created,
// page shown, page left, before any command reads the settings). What the page needs beyond its
// controls comes through the window context; what it asks of the window goes to its host.
namespace morvanex::pages {

class Page : public QWidget {
    Q_OBJECT

  public:
    // Every page has this size inside the tab control, as drawn (see widgets::FontScale).
    static constexpr int kWidth = 560;
    static constexpr int kHeight = 280;
    // The size a page made under `parent` has: the drawn size grown with the font.
    static QSize SizeUnder(const QWidget& parent);

    Page(const widgets::WindowContext& context, QWidget* parent);

    // Fills every control from the settings (the folder pages also rebuild their drive lists).
    virtual void ShowSettings() = 0;
    // Refreshes the controls without rebuilding drive lists; only the two folder pages differ
    // from ShowSettings here, so the default does nothing.
    virtual void RefreshSettings() {}
    // Writes the controls into the settings.
    virtual void StoreSettings() = 0;
    // A run has ended; it may have changed run-time members a page shows (the free list is
    // emptied after a run when the user asks for that). The page stored itself before the run.
    virtual void AfterRun() {}
    // The page's own switch for its operation (the copy, free selection, letter case, string
    // replacement, attribute or timestamp box), nullptr for a page without one. The wizard hides
    // it where its own pages decide whether the operation runs.
    virtual QWidget* OperationSwitch() const { return nullptr; }
    // The page number: 2000, 2010, ... 2080 (the help topic is chosen by it).
    virtual int PageId() const = 0;

  protected:
    // A place as drawn, grown with the page's font.
    QRect Drawn(int x, int y, int width, int height) const { return m_scale(x, y, width, height); }
    QRect Drawn(const QRect& drawn) const { return m_scale(drawn); }
    int Drawn(int pixels) const { return m_scale(pixels); }

    const widgets::WindowContext& Context() const { return m_context; }
    settings::RenameSettings& Settings() const { return m_context.record; }
    platform::FileSystem& FileSystem() const { return m_context.fileSystem; }
    const platform::Clock& Clock() const { return m_context.clock; }
    engine::Interaction& Interaction() const { return m_context.interaction; }
    const widgets::Preferences& Prefs() const { return m_context.preferences; }
    widgets::PageHost& Host() const { return m_context.host; }

  private:
    const widgets::WindowContext m_context;
    const widgets::FontScale m_scale;
};

}  // namespace morvanex::pages
