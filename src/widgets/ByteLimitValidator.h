#pragma once

#include <QValidator>
#include <cstddef>

// Refuses edits that would make a text longer than the record's field can hold, counted in
// CP932 bytes as the record stores it. Storing would otherwise have to cut the text, and a cut
// folder path names a different folder.
namespace morvanex::widgets {

// What a page says when a dropped or browsed folder path is longer than its field (UTF-8).
inline constexpr const char* kPathTooLong =
    "フォルダのパスが長すぎるため指定できません。\n(259バイトまで)";

class ByteLimitValidator : public QValidator {
    Q_OBJECT

  public:
    ByteLimitValidator(std::size_t maxBytes, QObject* parent);

    State validate(QString& input, int& pos) const override;
    bool Fits(const QString& text) const;

  private:
    std::size_t m_maxBytes;
};

}  // namespace morvanex::widgets
