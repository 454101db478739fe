#include "widgets/Translations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>
#include <cstring>

namespace morvanex::widgets {

namespace {

// The texts QAbstractFileIconProvider gives the file dialogs for what is not a file (a file's
// type is its MIME type's comment, which the MIME database has in Japanese). The words are the
// desktop's own (the MIME database calls a folder "フォルダー").
struct Text {
    const char* source;
    const char* japanese;
};
constexpr Text kIconProviderTexts[] = {
    {"Folder", "フォルダー"}, {"File Folder", "フォルダー"}, {"Drive", "ドライブ"},
    {"Shortcut", "リンク"},   {"Alias", "リンク"},           {"Unknown", "不明"},
};

class MissingTexts final : public QTranslator {
  public:
    using QTranslator::QTranslator;

    bool isEmpty() const override { return false; }

    QString translate(const char* context, const char* sourceText, const char*,
                      int) const override {
        if (context == nullptr || sourceText == nullptr ||
            std::strcmp(context, "QAbstractFileIconProvider") != 0) {
            return QString();
        }
        for (const Text& text : kIconProviderTexts) {
            if (std::strcmp(sourceText, text.source) == 0) return QString::fromUtf8(text.japanese);
        }
        return QString();
    }
};

}  // namespace

void InstallJapaneseTranslations() {
    QCoreApplication* application = QCoreApplication::instance();
    if (application == nullptr) return;
    auto* qt = new QTranslator(application);
    if (qt->load(QLocale(QLocale::Japanese, QLocale::Japan), QStringLiteral("qtbase"),
                 QStringLiteral("_"), QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        QCoreApplication::installTranslator(qt);
    } else {
        delete qt;
    }
    // Installed last, so asked first; it answers only what Qt's catalogue has not.
    QCoreApplication::installTranslator(new MissingTexts(application));
}

}  // namespace morvanex::widgets
