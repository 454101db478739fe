#include "pages/ByteLimitValidator.h"

#include "shell/QtText.h"

namespace morvanex::pages {

ByteLimitValidator::ByteLimitValidator(std::size_t maxBytes, QObject* parent)
    : QValidator(parent), m_maxBytes(maxBytes) {}

QValidator::State ByteLimitValidator::validate(QString& input, int&) const {
    return Fits(input) ? Acceptable : Invalid;
}

bool ByteLimitValidator::Fits(const QString& text) const {
    return shell::ToCp932(text).size() <= m_maxBytes;
}

}  // namespace morvanex::pages
