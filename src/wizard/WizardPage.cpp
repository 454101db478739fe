#include "wizard/WizardPage.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <algorithm>
#include <cmath>

#include "widgets/FontScale.h"
#include "widgets/WindowHints.h"

namespace morvanex::wizard {

namespace {

int Pixels(int units, double scale) {
    return static_cast<int>(std::lround(units * scale));
}

// Where an embedded settings page sits: below the heading line, in the middle (drawn pixels).
constexpr int kEmbeddedTop = 26;

}  // namespace

QRect WizardPage::UnitsOn(const QWidget& page, const QRect& units) {
    const double x = kUnitX * widgets::FontScale(page).Factor();
    // A line of text is ten units high, as the layout was drawn; a font whose lines are taller
    // for its size (the Japanese ones) makes the units taller too.
    const int line = page.fontMetrics().size(Qt::TextSingleLine, QStringLiteral("あ")).height();
    const double y = std::max(kUnitY * widgets::FontScale(page).Factor(), line / kUnitsPerLine);
    const int left = Pixels(units.x(), x);
    const int top = Pixels(units.y(), y);
    return {left, top, Pixels(units.x() + units.width(), x) - left,
            Pixels(units.y() + units.height(), y) - top};
}

QRect WizardPage::Units(int x, int y, int width, int height) const {
    return UnitsOn(*this, QRect(x, y, width, height));
}

WizardPage::WizardPage(WizardDriver& driver, PageKind kind, const QString& caption)
    : QDialog(driver.Host().PageParent()), m_driver(driver), m_kind(kind) {
    setWindowTitle(caption);
    setModal(false);
    setFixedSize(Units(0, 0, 330, 240).size());
    widgets::RemoveCloseButton(*this);
}

WizardPage::~WizardPage() = default;

void WizardPage::Load() {}

void WizardPage::Store() {
    if (m_embedded != nullptr) m_embedded->StoreSettings();
}

void WizardPage::Leave() {
    if (m_leaving) return;
    m_leaving = true;
    delete m_embedded;
    m_embedded = nullptr;
    hide();
    deleteLater();
}

QLabel* WizardPage::AddHeading(const QString& text) {
    auto* heading = new QLabel(text, this);
    heading->setObjectName("headingLabel");
    const widgets::FontScale scale(*this);
    heading->move(scale(12), scale(6));
    heading->adjustSize();
    return heading;
}

void WizardPage::AddNavigation(int which) {
    struct Navigation {
        int flag;
        const char* name;
        const char* text;
        int x;
        void (WizardPage::*act)();
    };
    static constexpr Navigation kButtons[] = {
        {kBack, "backButton", "＜ 戻る", 7, &WizardPage::Back},
        {kClose, "closeButton", "閉じる ×", 140, &WizardPage::Close},
        {kNext, "nextButton", "次へ ＞", 273, &WizardPage::Next},
    };
    for (const Navigation& navigation : kButtons) {
        if ((which & navigation.flag) == 0) continue;
        auto* button = new QPushButton(QString::fromUtf8(navigation.text), this);
        button->setObjectName(navigation.name);
        button->setGeometry(Units(navigation.x, 219, 50, 14));
        // Enter is Close (keyPressEvent), whichever button has the focus.
        button->setAutoDefault(false);
        // Through the virtual functions: a page may give a button work of its own.
        connect(button, &QPushButton::clicked, this,
                [this, act = navigation.act] { (this->*act)(); });
    }
}

void WizardPage::Back() {
    StoreAndGo(WizardButton::Back);
}

void WizardPage::Next() {
    StoreAndGo(WizardButton::Next);
}

void WizardPage::Close() {
    StoreAndGo(WizardButton::Close);
}

void WizardPage::StoreAndGo(WizardButton button) {
    if (m_leaving) return;
    Store();
    m_driver.Transition(m_kind, button);
}

void WizardPage::Embed(pages::Page* page, bool hideSwitch) {
    DestroyEmbedded();
    m_embedded = page;
    page->move((width() - page->width()) / 2, widgets::FontScale(*this)(kEmbeddedTop));
    if (hideSwitch) {
        if (QWidget* own = page->OperationSwitch()) own->hide();
    }
    page->ShowSettings();
    page->show();
}

void WizardPage::DestroyEmbedded() {
    if (m_embedded == nullptr) return;
    m_embedded->StoreSettings();
    delete m_embedded;
    m_embedded = nullptr;
}

void WizardPage::reject() {
    // Esc: the dialog would hide itself and leave the main window disabled.
    Close();
}

void WizardPage::closeEvent(QCloseEvent* event) {
    event->ignore();
    // The driver's own destruction of the page hides it without a close event; this one came
    // from the window system (where it gave the page a close box after all) or the user.
    Close();
}

void WizardPage::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        event->accept();
        Close();
        return;
    }
    QDialog::keyPressEvent(event);
}

}  // namespace morvanex::wizard
