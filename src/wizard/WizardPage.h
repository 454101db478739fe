#pragma once

#include <QDialog>

#include "pages/Page.h"
#include "wizard/WizardDriver.h"

class QLabel;

// One page of the wizard: a window of its own in front of the disabled main window, with a
// heading and the Back, Close and Next buttons. Each button stores the page into the settings
// first, then the driver opens what follows. Esc, Enter and the window's close request are
// Close: no page may vanish while the main window waits for the wizard.
namespace morvanex::wizard {

class WizardPage : public QDialog {
    Q_OBJECT

  public:
    // The page's size, and where its parts go, in the units its layout was drawn in: one unit
    // is kUnitX by kUnitY pixels at the drawn font and grows with the font as a dialog unit
    // does (widgets::FontScale); a line of text is never taller than kUnitsPerLine units.
    static constexpr double kUnitX = 2.0;
    static constexpr double kUnitY = 1.75;
    static constexpr double kUnitsPerLine = 10.0;
    // The pixels of a rectangle in units on a page (or a control of it), at its font.
    static QRect UnitsOn(const QWidget& page, const QRect& units);
    QRect Units(int x, int y, int width, int height) const;

    WizardPage(WizardDriver& driver, PageKind kind, const QString& caption);
    ~WizardPage() override;

    PageKind Kind() const { return m_kind; }

    // Fills the controls from the settings; called once, before the page is shown.
    virtual void Load();
    // Writes the controls into the settings; called before every button does its work.
    virtual void Store();

    // The settings page shown inside this one, nullptr when there is none.
    pages::Page* Embedded() const { return m_embedded; }

    // Called by the driver when the page goes: the embedded page is destroyed at once (its own
    // clean-up may store into the settings, which must not happen after the next page loaded),
    // the window later, as the button that asked for it may still be on the stack.
    void Leave();

  protected:
    WizardDriver& Driver() const { return m_driver; }
    settings::RenameSettings& Settings() const { return m_driver.Context().record; }

    // The heading line at the top left.
    QLabel* AddHeading(const QString& text);
    enum Buttons { kBack = 1, kClose = 2, kNext = 4, kAll = kBack | kClose | kNext };
    // The navigation buttons at the bottom, wired to Back(), Close() and Next().
    void AddNavigation(int which = kAll);

    // The three buttons' work; the defaults store the page and ask the driver to go on.
    virtual void Back();
    virtual void Next();
    virtual void Close();
    void StoreAndGo(WizardButton button);

    // Shows `page` (made with the driver's context and this page as the parent) inside this
    // one, under the heading: it is filled from the settings, its own on/off box hidden when
    // `hideSwitch` is set, and it replaces the page embedded before (stored and destroyed first).
    void Embed(pages::Page* page, bool hideSwitch);
    // Stores and destroys the embedded page.
    void DestroyEmbedded();

    void reject() override;
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

  private:
    WizardDriver& m_driver;
    const PageKind m_kind;
    pages::Page* m_embedded = nullptr;
    bool m_leaving = false;
};

}  // namespace morvanex::wizard
