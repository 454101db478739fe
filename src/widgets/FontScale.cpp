#include "widgets/FontScale.h"

#include <QFont>
#include <QWidget>
#include <algorithm>
#include <cmath>

namespace morvanex::widgets {

namespace {

constexpr double kDrawnEmPixels = 12.0;

double EmPixels(const QWidget& widget) {
    const QFont font = widget.font();
    if (font.pixelSize() > 0) return font.pixelSize();
    return font.pointSizeF() * widget.logicalDpiY() / 72.0;
}

}  // namespace

FontScale::FontScale(const QWidget& widget)
    : m_factor(std::max(1.0, EmPixels(widget) / kDrawnEmPixels)) {}

int FontScale::operator()(int drawn) const {
    return static_cast<int>(std::lround(drawn * m_factor));
}

QSize FontScale::operator()(QSize drawn) const {
    return {(*this)(drawn.width()), (*this)(drawn.height())};
}

QRect FontScale::operator()(const QRect& drawn) const {
    const int left = (*this)(drawn.left());
    const int top = (*this)(drawn.top());
    return {left, top, (*this)(drawn.left() + drawn.width()) - left,
            (*this)(drawn.top() + drawn.height()) - top};
}

}  // namespace morvanex::widgets
