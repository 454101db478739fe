#include "pages/Page.h"

namespace morvanex::pages {

Page::Page(shell::Document& document, shell::MainView& view, QWidget* parent)
    : QWidget(parent), m_document(document), m_view(view) {
    setFixedSize(kWidth, kHeight);
}

}  // namespace morvanex::pages
