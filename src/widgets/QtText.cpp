#include "widgets/QtText.h"

#include <QFile>

#include "platform/Codepage.h"

namespace morvanex::widgets {

QString ToQString(std::string_view cp932) {
    const std::u16string utf16 = platform::Utf16FromCp932(cp932);
    return QString::fromUtf16(utf16.data(), static_cast<qsizetype>(utf16.size()));
}

std::string ToCp932(const QString& text) {
    return platform::Cp932FromUtf16(std::u16string_view(
        reinterpret_cast<const char16_t*>(text.utf16()), static_cast<std::size_t>(text.size())));
}

QString ToHostPath(std::string_view cp932Path) {
    const std::string utf8 = platform::Utf8FromCp932(cp932Path);
    return QFile::decodeName(QByteArray(utf8.data(), static_cast<qsizetype>(utf8.size())));
}

}  // namespace morvanex::widgets
