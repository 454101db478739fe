#include "pages/Page.h"

namespace morvanex::pages {

QSize Page::SizeUnder(const QWidget& parent) {
    return widgets::FontScale(parent)(QSize(kWidth, kHeight));
}

Page::Page(const widgets::WindowContext& context, QWidget* parent)
    : QWidget(parent), m_context(context), m_scale(*this) {
    setFixedSize(m_scale(QSize(kWidth, kHeight)));
}

}  // namespace morvanex::pages
