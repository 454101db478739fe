#include "widgets/ByteLimitValidator.h"

#include "widgets/QtText.h"

namespace morvanex::widgets {

ByteLimitValidator::ByteLimitValidator(std::size_t maxBytes, QObject* parent)
    : QValidator(parent), m_maxBytes(maxBytes) {}

QValidator::State ByteLimitValidator::validate(QString& input, int&) const {
    return Fits(input) ? Acceptable : Invalid;
}

bool ByteLimitValidator::Fits(const QString& text) const {
    return widgets::ToCp932(text).size() <= m_maxBytes;
}

}  // namespace morvanex::widgets
