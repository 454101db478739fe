#pragma once

#include <QValidator>
#include <cstddef>

// Keeps an edit within a fixed text field: input whose CP932 form would need more bytes than
// the field holds is refused as it is typed or pasted, instead of being cut later unseen.
namespace morvanex::pages {

class Cp932LengthValidator : public QValidator {
    Q_OBJECT

  public:
    Cp932LengthValidator(std::size_t maxBytes, QObject* parent);

    State validate(QString& input, int& position) const override;

  private:
    std::size_t m_maxBytes;
};

}  // namespace morvanex::pages
