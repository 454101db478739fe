#include <gtest/gtest.h>

#include <QAbstractFileIconProvider>
#include <QFileDialog>
#include <QFileInfo>

#include "gui/GuiTestSupport.h"
#include "support/TempFolder.h"
#include "widgets/Translations.h"

namespace morvanex::widgets {
namespace {

// The file dialogs show a type for every entry: what is not a file (a folder, the root, a link
// to nothing) is named in Japanese, as the files are by their MIME types.
TEST(Translations, FileDialogsNameWhatIsNotAFileInJapanese) {
    InstallJapaneseTranslations();
    test::TempFolder folder;
    folder.CreateFolder("写真");
    folder.CreateSymlink("消えたファイル", "リンク");
    const struct {
        const char* name;
        std::string path;
        const char* type;
    } rows[] = {
        {"entry/folder", folder / "写真", "フォルダー"},
        {"entry/root", "/", "ドライブ"},
        {"entry/dangling_link", folder / "リンク", "リンク"},
    };
    QFileDialog dialog;
    const QAbstractFileIconProvider* provider = dialog.iconProvider();
    ASSERT_NE(provider, nullptr);
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(provider->type(QFileInfo(QString::fromStdString(row.path))), test::U(row.type));
    }
}

}  // namespace
}  // namespace morvanex::widgets
