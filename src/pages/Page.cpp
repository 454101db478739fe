#include "pages/Page.h"

namespace morvanex::pages {

Page::Page(const widgets::WindowContext& context, QWidget* parent)
    : QWidget(parent), m_context(context) {
    setFixedSize(kWidth, kHeight);
}

}  // namespace morvanex::pages
