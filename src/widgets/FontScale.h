#pragma once

#include <QRect>
#include <QSize>

class QWidget;

// The windows whose controls sit at fixed places were drawn in pixels for a 9-point font on a
// 96-dpi screen, an em of 12 pixels. Where a window's font is larger (a desktop with larger
// text, a screen with more dots per inch), every drawn place grows by the same factor, so that
// each text keeps the room it was given; a smaller font keeps the drawn places.
namespace morvanex::widgets {

class FontScale {
  public:
    // The factor for the font the widget has (its own, its parent's or the application's).
    explicit FontScale(const QWidget& widget);
    explicit FontScale(double factor) : m_factor(factor) {}

    double Factor() const { return m_factor; }
    int operator()(int drawn) const;
    double operator()(double drawn) const { return drawn * m_factor; }
    QSize operator()(QSize drawn) const;
    // Edges are scaled, not the size: rectangles that touched as drawn still touch.
    QRect operator()(const QRect& drawn) const;
    QRect operator()(int x, int y, int width, int height) const {
        return (*this)(QRect(x, y, width, height));
    }

  private:
    double m_factor;
};

}  // namespace morvanex::widgets
