#include "pages/Cp932LengthValidator.h"

#include "shell/QtText.h"

namespace morvanex::pages {

Cp932LengthValidator::Cp932LengthValidator(std::size_t maxBytes, QObject* parent)
    : QValidator(parent), m_maxBytes(maxBytes) {}

QValidator::State Cp932LengthValidator::validate(QString& input, int& /*position*/) const {
    return shell::ToCp932(input).size() <= m_maxBytes ? Acceptable : Invalid;
}

}  // namespace morvanex::pages
