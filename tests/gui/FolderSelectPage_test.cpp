#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QDropEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QMimeData>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTreeWidget>
#include <QUrl>

#include "gui/GuiTestSupport.h"
#include "pages/FolderSelectPage.h"
#include "pages/SortConditionDialog.h"
#include "widgets/FolderDropField.h"
#include "widgets/QtText.h"

namespace morvanex::pages {
namespace {

using test::Find;
using widgets::FolderDropField;

constexpr const char* kFolderMissing = "指定されたフォルダは存在しません。";

QStringList Names(const QListWidget& list) {
    QStringList names;
    for (int i = 0; i < list.count(); ++i) names.append(list.item(i)->text());
    return names;
}

QStringList ChildTexts(const QTreeWidgetItem& item) {
    QStringList texts;
    for (int i = 0; i < item.childCount(); ++i) texts.append(item.child(i)->text(0));
    return texts;
}

QTreeWidgetItem* ChildNamed(QTreeWidgetItem* item, const QString& name) {
    for (int i = 0; item != nullptr && i < item->childCount(); ++i) {
        if (item->child(i)->text(0) == QLatin1Char('[') + name + QLatin1Char(']')) {
            return item->child(i);
        }
    }
    return nullptr;
}

QString Q(const std::string& cp932) {
    return widgets::ToQString(cp932);
}

class FolderSelectPageTest : public testing::Test, protected test::WindowFixture {
  protected:
    FolderSelectPageTest() : WindowFixture(test::OnTempDrives()) {
        folder.CreateFile("docs/b.txt", "12345");
        folder.CreateFile("docs/a.jpg", "1");
        folder.CreateFile("docs/.hidden.txt");
        folder.CreateFile("docs/ro.txt");
        folder.SetMode("docs/ro.txt", 0444);
        folder.CreateFile("docs/sub/c.txt");
        folder.CreateFolder("a/x");
        folder.CreateFolder("vol/deep");
    }

    // The page on the first drive (the temporary folder), with the folder of FullPath.
    std::unique_ptr<FolderSelectPage> PageOn(const std::string& relativeFolder) {
        Settings().SelectFile.SelectedRenameDrive = 0;
        Settings().SelectFile.FullPath = Root() + relativeFolder;
        return MakePage<FolderSelectPage>();
    }

    QTreeWidget* Tree(const QWidget& page) { return Find<QTreeWidget>(page, "folderTree"); }
    QListWidget* List(const QWidget& page) { return Find<QListWidget>(page, "fileList"); }
    FolderDropField* Field(const QWidget& page) {
        return Find<FolderDropField>(page, "folderDropField");
    }
    void TypePath(const QWidget& page, const std::string& cp932) {
        FolderDropField* field = Field(page);
        field->clear();
        QTest::keyClicks(field, Q(cp932));
    }
};

TEST_F(FolderSelectPageTest, ShowFillsDrivesInOrderAndTheRootTreeOneLevelAhead) {
    folder.CreateFolder("b");
    const auto page = PageOn("");
    auto* combo = Find<QComboBox>(*page, "driveCombo");
    ASSERT_EQ(combo->count(), 3);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(combo->itemText(i), Q(Settings().DriveList[static_cast<std::size_t>(i)].Text));
    }
    EXPECT_EQ(combo->currentIndex(), 0);

    QTreeWidget* tree = Tree(*page);
    ASSERT_EQ(tree->topLevelItemCount(), 1);
    QTreeWidgetItem* root = tree->topLevelItem(0);
    const std::string rootDir = Root().substr(0, Root().size() - 1);
    EXPECT_EQ(root->text(0), "[" + Q(rootDir) + "]");
    EXPECT_EQ(Settings().SelectFile.RootDir, rootDir);
    EXPECT_TRUE(root->isExpanded());
    EXPECT_EQ(ChildTexts(*root), (QStringList{"[a]", "[b]", "[docs]", "[home]", "[vol]"}));
    // Filled before anyone opens them: the expand buttons are right.
    EXPECT_EQ(ChildTexts(*ChildNamed(root, "a")), QStringList{"[x]"});
    EXPECT_EQ(ChildNamed(root, "b")->childCount(), 0);
    EXPECT_EQ(ChildTexts(*ChildNamed(root, "docs")), QStringList{"[sub]"});
}

// root/one_separator, root/system_root, folder/appends_name
TEST_F(FolderSelectPageTest, TreeItemPathsEndWithOneSeparator) {
    Settings().DriveList.insert(Settings().DriveList.begin(), {"/", "system", "/: system"});
    struct Case {
        const char* name;
        int drive;
        std::vector<QString> items;  // below the root item
        std::string expected;
    };
    const Case cases[] = {
        {"root/one_separator", 1, {}, Root()},
        {"root/system_root", 0, {}, "/"},
        {"folder/appends_name", 1, {"a", "x"}, Root() + "a/x/"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Settings().SelectFile.SelectedRenameDrive = c.drive;
        Settings().SelectFile.FullPath.clear();
        const auto page = MakePage<FolderSelectPage>();
        QTreeWidgetItem* item = Tree(*page)->topLevelItem(0);
        for (const QString& name : c.items) {
            item->setExpanded(true);
            item = ChildNamed(item, name);
            ASSERT_NE(item, nullptr);
        }
        Tree(*page)->setCurrentItem(item);
        EXPECT_EQ(Settings().SelectFile.FullPath, c.expected);
        EXPECT_EQ(Field(*page)->Path(), c.expected);
    }
}

TEST_F(FolderSelectPageTest, FollowFolderPathTakesTheDriveWithTheLongestRoot) {
    struct Case {
        const char* name;
        std::string path;
        bool sync;
        bool found;
        int drive;
        std::string selected;  // "" = no tree item selected
    };
    const Case cases[] = {
        {"drive/volume_inside_top", Root() + "vol/deep/", true, true, 2, Root() + "vol/deep/"},
        {"drive/home_root", Root() + "home/", true, true, 1, Root() + "home/"},
        {"drive/top", Root() + "a/x/", true, true, 0, Root() + "a/x/"},
        {"path/separator_added", Root() + "vol/deep", true, true, 2, Root() + "vol/deep/"},
        {"path/missing_folder_selects_nothing", Root() + "a/none/", true, true, 0, ""},
        {"sync/off_selects_nothing", Root() + "vol/deep/", false, true, 2, ""},
        {"drive/none_for_relative_path", "vol/deep/", true, false, 1, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Settings().Preferences.FolderTreeSync = c.sync ? 1 : 0;
        Settings().SelectFile.SelectedRenameDrive = 1;
        Settings().SelectFile.FullPath.clear();
        const auto page = MakePage<FolderSelectPage>();
        Settings().SelectFile.FullPath = c.path;
        EXPECT_EQ(page->FollowFolderPath(), c.found);
        EXPECT_EQ(Find<QComboBox>(*page, "driveCombo")->currentIndex(), c.drive);
        const std::string& root = Settings().DriveList[static_cast<std::size_t>(c.drive)].Root;
        EXPECT_EQ(Settings().SelectFile.RootDir, root.substr(0, root.size() - 1));
        QTreeWidgetItem* current = Tree(*page)->currentItem();
        if (c.selected.empty()) {
            EXPECT_EQ(current, nullptr);
        } else {
            ASSERT_NE(current, nullptr);
            EXPECT_EQ(Settings().SelectFile.FullPath, c.selected);
            EXPECT_EQ(Field(*page)->Path(), c.selected);
        }
    }
}

TEST_F(FolderSelectPageTest, ChoosingAFolderInTheTreeRefillsTheListOnlyUnderAutomaticDisplay) {
    for (const bool automatic : {false, true}) {
        SCOPED_TRACE(automatic ? "automatic" : "manual");
        Settings().SelectFile.RealTimeRefresh = automatic ? 1 : 0;
        const auto page = PageOn("");
        Tree(*page)->setCurrentItem(ChildNamed(Tree(*page)->topLevelItem(0), "docs"));
        EXPECT_EQ(Settings().SelectFile.FullPath, Root() + "docs/");
        EXPECT_EQ(Names(*List(*page)), (automatic ? QStringList{"a.jpg", "b.txt"} : QStringList{}));
        EXPECT_EQ(interaction.waits, 0);
    }
}

TEST_F(FolderSelectPageTest, TabbingIntoTheTreeChoosesNothing) {
    const auto page = PageOn("docs/");
    QFocusEvent focus(QEvent::FocusIn, Qt::TabFocusReason);
    QApplication::sendEvent(Tree(*page), &focus);
    EXPECT_NE(Tree(*page)->currentItem(), nullptr) << "the view made an item current";
    EXPECT_EQ(Settings().SelectFile.FullPath, Root() + "docs/");
    EXPECT_EQ(Field(*page)->Path(), Root() + "docs/");
}

TEST_F(FolderSelectPageTest, MissingFolderOnTheWayLeavesTheTreeOpenAsFarAsItGot) {
    Settings().Preferences.FolderTreeSync = 1;
    const auto page = PageOn("a/x/none/");
    QTreeWidgetItem* a = ChildNamed(Tree(*page)->topLevelItem(0), "a");
    ASSERT_NE(a, nullptr);
    EXPECT_TRUE(a->isExpanded());
    EXPECT_TRUE(ChildNamed(a, "x")->isExpanded());
    EXPECT_EQ(Tree(*page)->currentItem(), nullptr);
}

TEST_F(FolderSelectPageTest, FreeSelectionDisablesEveryControlButTheValuesStillTravel) {
    settings::SelectFileSection& selectFile = Settings().SelectFile;
    selectFile.FreeFileSelect = 1;
    selectFile.FileFilter = "*.jpg";
    selectFile.RealTimeRefresh = 1;
    selectFile.IncludeSubDir = 1;
    selectFile.SelectedRenameDrive = 2;
    selectFile.FullPath = Root() + "vol/deep/";
    const auto page = MakePage<FolderSelectPage>();

    const char* controls[] = {"filterEdit",      "showFilesButton", "fileList",
                              "folderDropField", "autoShowCheck",   "includeSubfoldersCheck",
                              "folderTree",      "driveCombo",      "sortButton"};
    for (const char* name : controls) {
        EXPECT_FALSE(Find<QWidget>(*page, name)->isEnabled()) << name;
    }
    EXPECT_EQ(Find<QLineEdit>(*page, "filterEdit")->text(), "*.jpg");
    EXPECT_TRUE(Find<QCheckBox>(*page, "autoShowCheck")->isChecked());
    EXPECT_TRUE(Find<QCheckBox>(*page, "includeSubfoldersCheck")->isChecked());
    EXPECT_EQ(Field(*page)->Path(), Root() + "vol/deep/");

    selectFile = settings::SelectFileSection{};
    selectFile.FreeFileSelect = 1;
    page->StoreSettings();
    EXPECT_EQ(selectFile.FileFilter, "*.jpg");
    EXPECT_EQ(selectFile.RealTimeRefresh, 1);
    EXPECT_EQ(selectFile.IncludeSubDir, 1);
    EXPECT_EQ(selectFile.SelectedRenameDrive, 2);
    EXPECT_EQ(selectFile.FullPath, Root() + "vol/deep/");

    // Back in folder mode every control is usable again, the show button too although the
    // automatic display is on.
    selectFile.FreeFileSelect = 0;
    page->ShowSettings();
    for (const char* name : controls) {
        EXPECT_TRUE(Find<QWidget>(*page, name)->isEnabled()) << name;
    }
}

TEST_F(FolderSelectPageTest, TypedPathIsStoredFirstThenTested) {
    const auto page = PageOn("");
    TypePath(*page, Root() + "docs");
    Find<QPushButton>(*page, "showFilesButton")->click();
    EXPECT_TRUE(interaction.messages.empty());
    EXPECT_EQ(Settings().SelectFile.FullPath, Root() + "docs/");
    EXPECT_EQ(Names(*List(*page)), (QStringList{"a.jpg", "b.txt"}));
    EXPECT_EQ(interaction.waits, 0);

    struct Case {
        const char* name;
        std::string typed;
    };
    const Case missing[] = {
        {"missing/absent_folder", Root() + "nothing"},
        {"missing/a_file", Root() + "docs/a.jpg"},
        {"missing/relative_path", "docs"},
        {"missing/empty", ""},
    };
    for (const Case& c : missing) {
        SCOPED_TRACE(c.name);
        interaction.messages.clear();
        TypePath(*page, c.typed);
        Find<QPushButton>(*page, "showFilesButton")->click();
        ASSERT_EQ(interaction.messages.size(), 1u);
        EXPECT_EQ(test::Utf8(interaction.messages[0]), kFolderMissing);
        EXPECT_EQ(Settings().SelectFile.FullPath, c.typed) << "stored before the test";
        EXPECT_EQ(Names(*List(*page)), (QStringList{"a.jpg", "b.txt"})) << "list kept";
    }
}

// filter/empty_means_all, filter/wildcard, attributes/all, subfolders/bare_names
TEST_F(FolderSelectPageTest, ListShowsWhatARunWouldTake) {
    struct Case {
        const char* name;
        QString filter;
        int allAttributes;
        bool subfolders;
        QStringList expected;
    };
    const Case cases[] = {
        {"filter/empty_means_all", "", 0, false, {"a.jpg", "b.txt"}},
        {"filter/wildcard", "*.txt", 0, false, {"b.txt"}},
        {"attributes/all", "", 1, false, {".hidden.txt", "a.jpg", "b.txt", "ro.txt"}},
        {"subfolders/bare_names", "*.txt", 0, true, {"b.txt", "c.txt"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Settings().CommonOption.AllAttributeFileRename = c.allAttributes;
        Settings().SelectFile.IncludeSubDir = c.subfolders ? 1 : 0;
        const auto page = PageOn("docs/");
        Find<QLineEdit>(*page, "filterEdit")->setText(c.filter);
        Find<QPushButton>(*page, "showFilesButton")->click();
        EXPECT_EQ(Names(*List(*page)), c.expected);
    }
}

// Every row of the list has one height, whatever script its name is in (a Japanese font is
// taller than a Latin one); the names still get the width they need.
TEST_F(FolderSelectPageTest, ListRowsHaveOneHeightWhateverTheScript) {
    const char* names[] = {"abc.txt",        "写真2021.jpg", "IMG_0001.JPG",
                           "ファイル名.txt", "한글.txt",     "mixed_漢字_name.txt"};
    for (const char* name : names) folder.CreateFile(std::string("scripts/") + name);
    const auto page = PageOn("scripts/");
    page->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(page.get()));
    Find<QPushButton>(*page, "showFilesButton")->click();
    QListWidget* list = List(*page);
    ASSERT_EQ(list->count(), 6);
    // The list lays its items out in batches, on later turns of the event loop.
    const QListWidgetItem* last = list->item(list->count() - 1);
    ASSERT_TRUE(QTest::qWaitFor([&] { return list->visualItemRect(last).height() > 0; }));
    const int height = list->visualItemRect(list->item(0)).height();
    EXPECT_GT(height, 0);
    for (int i = 0; i < list->count(); ++i) {
        const QListWidgetItem* item = list->item(i);
        SCOPED_TRACE(item->text().toStdString());
        const QRect rect = list->visualItemRect(item);
        EXPECT_EQ(rect.height(), height);
        EXPECT_GE(rect.width(), list->fontMetrics().horizontalAdvance(item->text()));
    }
}

TEST_F(FolderSelectPageTest, AutomaticDisplayFillsTheListAtCreation) {
    settings::SelectFileSection& selectFile = Settings().SelectFile;
    selectFile.RealTimeRefresh = 1;
    selectFile.IncludeSubDir = 1;
    selectFile.FileFilter = "*.txt";
    selectFile.FullPath = Root() + "docs/";
    const FolderSelectPage page(Context(), nullptr);
    EXPECT_EQ(Names(*List(page)), (QStringList{"b.txt", "c.txt"}));
}

TEST_F(FolderSelectPageTest, DoubleClickOpensTheFileWhereItWasFound) {
    Settings().SelectFile.IncludeSubDir = 1;
    const auto page = PageOn("docs/");
    std::vector<QUrl> opened;
    page->SetFileOpener([&opened](const QUrl& url) { opened.push_back(url); });
    page->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(page.get()));
    Find<QPushButton>(*page, "showFilesButton")->click();
    QListWidget* list = List(*page);
    QApplication::processEvents();
    const QList<QListWidgetItem*> found = list->findItems("c.txt", Qt::MatchExactly);
    ASSERT_EQ(found.size(), 1);
    const QPoint center = list->visualItemRect(found[0]).center();
    // A double click as the window system delivers it: a click, then the second press.
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, center);
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, center);
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_EQ(opened[0], QUrl::fromLocalFile(QString::fromStdString(folder / "docs/sub/c.txt")));
}

TEST_F(FolderSelectPageTest, TurningAutomaticDisplayOnWarnsWhenSubfoldersAreIncluded) {
    struct Case {
        const char* name;
        bool subfolders;
        std::deque<bool> answers;
        std::size_t questions;
        bool autoOn;
        bool showEnabled;
        QStringList listed;
    };
    const Case cases[] = {
        {"plain/no_question", false, {}, 0, true, false, {"a.jpg", "b.txt"}},
        {"subfolders/no_keeps_it_off", true, {false}, 1, false, true, {}},
        {"subfolders/yes_fills", true, {true}, 1, true, false, {"a.jpg", "b.txt", "c.txt"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Settings().SelectFile.IncludeSubDir = c.subfolders ? 1 : 0;
        Settings().SelectFile.RealTimeRefresh = 0;
        const auto page = PageOn("docs/");
        interaction.questions.clear();
        interaction.answers = c.answers;
        Find<QCheckBox>(*page, "autoShowCheck")->click();
        ASSERT_EQ(interaction.questions.size(), c.questions);
        if (c.questions > 0) {
            EXPECT_TRUE(test::Utf8(interaction.questions[0])
                            .starts_with("☆★☆★警告☆★☆★\n現在ファイル表示が"
                                         "「サブフォルダ以下のファイルも表示」"));
        }
        EXPECT_EQ(Find<QCheckBox>(*page, "autoShowCheck")->isChecked(), c.autoOn);
        EXPECT_EQ(Find<QPushButton>(*page, "showFilesButton")->isEnabled(), c.showEnabled);
        EXPECT_EQ(Names(*List(*page)), c.listed);

        if (c.autoOn) {
            Find<QCheckBox>(*page, "autoShowCheck")->click();
            EXPECT_TRUE(Find<QPushButton>(*page, "showFilesButton")->isEnabled());
        }
    }
}

TEST_F(FolderSelectPageTest, IncludingSubfoldersUnderAutomaticDisplayAsksFirst) {
    struct Case {
        const char* name;
        bool autoOn;
        std::deque<bool> answers;
        std::size_t questions;
        bool subfoldersOn;
        QStringList listed;
    };
    const Case cases[] = {
        {"manual/no_question_no_refill", false, {}, 0, true, {}},
        {"auto/no_unchecks", true, {false}, 1, false, {"a.jpg", "b.txt"}},
        {"auto/yes_refills", true, {true}, 1, true, {"a.jpg", "b.txt", "c.txt"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Settings().SelectFile.IncludeSubDir = 0;
        Settings().SelectFile.RealTimeRefresh = 0;
        const auto page = PageOn("docs/");
        if (c.autoOn) Find<QCheckBox>(*page, "autoShowCheck")->click();
        interaction.questions.clear();
        interaction.answers = c.answers;
        Find<QCheckBox>(*page, "includeSubfoldersCheck")->click();
        ASSERT_EQ(interaction.questions.size(), c.questions);
        if (c.questions > 0) {
            EXPECT_TRUE(test::Utf8(interaction.questions[0]).find("「自動更新」") !=
                        std::string::npos);
        }
        EXPECT_EQ(Find<QCheckBox>(*page, "includeSubfoldersCheck")->isChecked(), c.subfoldersOn);
        EXPECT_EQ(Names(*List(*page)), c.listed);
    }
}

// The dialog's seven choices and the record's pairs, both ways.
TEST(SortConditionDialogTest, ChoicesMapToTheRecordBothWays) {
    using Order = SortConditionDialog::Order;
    const Order byIndex[] = {{0, 1}, {1, 1}, {1, 0}, {2, 1}, {2, 0}, {4, 1}, {4, 0}};
    for (int i = 0; i < SortConditionDialog::kChoiceCount; ++i) {
        EXPECT_EQ(SortConditionDialog::OrderOf(i), byIndex[i]) << i;
        EXPECT_EQ(SortConditionDialog::IndexOf(byIndex[i]), i) << i;
    }
    struct Case {
        const char* name;
        Order order;
        int index;
    };
    const Case cases[] = {
        {"direction/any_nonzero_is_ascending", {2, 7}, 3},
        {"condition/none_with_descending", {0, 0}, 0},
        {"condition/out_of_range", {9, 1}, 0},
        {"condition/negative", {-1, 0}, 0},
        {"condition/name_ascending_whatever_direction", {3, 0}, 1},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(SortConditionDialog::IndexOf(c.order), c.index) << c.name;
    }
}

TEST(SortConditionDialogTest, OpensOnTheCurrentOrderAndIgnoresEnterAndEsc) {
    SortConditionDialog dialog({4, 0}, nullptr);
    EXPECT_TRUE(Find<QRadioButton>(dialog, "sortChoice6")->isChecked());
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("検出ファイルのソート条件"));
    EXPECT_EQ(Find<QPushButton>(dialog, "cancelButton")->text(), QStringLiteral("ｷｬﾝｾﾙ"));
    dialog.show();
    for (const int key : {Qt::Key_Return, Qt::Key_Enter, Qt::Key_Escape}) {
        QTest::keyClick(&dialog, static_cast<Qt::Key>(key));
        QTest::keyClick(Find<QRadioButton>(dialog, "sortChoice6"), static_cast<Qt::Key>(key));
        EXPECT_TRUE(dialog.isVisible()) << key;
    }
    EXPECT_EQ(dialog.result(), 0);
}

TEST_F(FolderSelectPageTest, SortButtonStoresTheChoiceAndRefillsOnYes) {
    const auto page = PageOn("docs/");
    Find<QPushButton>(*page, "showFilesButton")->click();
    ASSERT_EQ(Names(*List(*page)), (QStringList{"a.jpg", "b.txt"}));

    // Cancel: nothing changes, nothing is asked.
    test::OnNextModal([](QWidget* dialog) {
        Find<QRadioButton>(*dialog, "sortChoice6")->click();
        Find<QPushButton>(*dialog, "cancelButton")->click();
    });
    Find<QPushButton>(*page, "sortButton")->click();
    EXPECT_EQ(Settings().CommonOption.SortCondition, 1);
    EXPECT_EQ(Settings().CommonOption.SortDirection, 1);
    EXPECT_TRUE(interaction.questions.empty());

    // OK with "largest first", then Yes to the refill question.
    interaction.answers = {true};
    test::OnNextModal([](QWidget* dialog) {
        EXPECT_TRUE(Find<QRadioButton>(*dialog, "sortChoice1")->isChecked());
        Find<QRadioButton>(*dialog, "sortChoice6")->click();
        Find<QPushButton>(*dialog, "okButton")->click();
    });
    Find<QPushButton>(*page, "sortButton")->click();
    EXPECT_EQ(Settings().CommonOption.SortCondition, 4);
    EXPECT_EQ(Settings().CommonOption.SortDirection, 0);
    ASSERT_EQ(interaction.questions.size(), 1u);
    EXPECT_EQ(test::Utf8(interaction.questions[0]),
              "現在選択されているフォルダ内のファイル表示も更新しますか？");
    EXPECT_EQ(Names(*List(*page)), (QStringList{"b.txt", "a.jpg"}));
}

TEST_F(FolderSelectPageTest, TheSortDialogsNaturalOrderOrdersTheList) {
    for (const char* name : {"f10.txt", "F9.txt", "f100.txt"})
        folder.CreateFile(std::string("nums/") + name);
    const auto page = PageOn("nums/");
    Find<QPushButton>(*page, "showFilesButton")->click();
    ASSERT_EQ(Names(*List(*page)), (QStringList{"f10.txt", "f100.txt", "F9.txt"}));
    struct Row {
        const char* name;
        bool check;  // click the box
        const char* button;
        int stored;
        QStringList listed;
    } rows[] = {
        {"ok/on", true, "okButton", 1, {"F9.txt", "f10.txt", "f100.txt"}},
        {"cancel/keeps_it_on", true, "cancelButton", 1, {"F9.txt", "f10.txt", "f100.txt"}},
        {"ok/off_again", true, "okButton", 0, {"f10.txt", "f100.txt", "F9.txt"}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const bool wasOn = Settings().CommonOption.NaturalOrder != 0;
        interaction.answers = {true};  // refill the list
        test::OnNextModal([&](QWidget* dialog) {
            auto* box = Find<QCheckBox>(*dialog, "naturalOrderCheck");
            EXPECT_EQ(box->text(), QStringLiteral("数字を数値として並べる"));
            EXPECT_EQ(box->isChecked(), wasOn);
            if (row.check) box->click();
            Find<QPushButton>(*dialog, row.button)->click();
        });
        Find<QPushButton>(*page, "sortButton")->click();
        EXPECT_EQ(Settings().CommonOption.NaturalOrder, row.stored);
        EXPECT_EQ(Settings().CommonOption.SortCondition, 1);  // the choice of order is untouched
        EXPECT_EQ(Names(*List(*page)), row.listed);
    }
}

// A drop handed to the page: the field takes the first folder and the page follows it.
TEST_F(FolderSelectPageTest, DroppedFolderBecomesThePathAndPicksItsDrive) {
    Settings().Preferences.FolderTreeSync = 1;
    const auto page = PageOn("");
    QMimeData mime;
    mime.setUrls({QUrl::fromLocalFile(QString::fromStdString(folder / "docs/a.jpg")),
                  QUrl::fromLocalFile(QString::fromStdString(folder / "vol/deep")),
                  QUrl::fromLocalFile(QString::fromStdString(folder / "a"))});
    // The toolkit hands a drop only to the widget that accepted the drag entering it.
    QMimeData text;
    text.setText("not a file");
    QDragEnterEvent textEnter(QPoint(5, 5), Qt::CopyAction, &text, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(Field(*page), &textEnter);
    EXPECT_FALSE(textEnter.isAccepted());
    QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(Field(*page), &enter);
    EXPECT_TRUE(enter.isAccepted());
    QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(Field(*page), &drop);
    EXPECT_TRUE(drop.isAccepted());
    EXPECT_EQ(Field(*page)->Path(), Root() + "vol/deep/");
    EXPECT_EQ(Settings().SelectFile.FullPath, Root() + "vol/deep/");
    EXPECT_EQ(Find<QComboBox>(*page, "driveCombo")->currentIndex(), 2);
    ASSERT_NE(Tree(*page)->currentItem(), nullptr);
    EXPECT_EQ(Tree(*page)->currentItem()->text(0), "[deep]");
}

TEST_F(FolderSelectPageTest, UserChoosingADriveRebuildsTheTreeForIt) {
    folder.CreateFolder("home/music");
    const auto page = PageOn("");
    Find<QComboBox>(*page, "driveCombo")->setCurrentIndex(1);
    EXPECT_EQ(Settings().SelectFile.RootDir, Root() + "home");
    QTreeWidgetItem* root = Tree(*page)->topLevelItem(0);
    ASSERT_NE(root, nullptr);
    EXPECT_EQ(root->text(0), "[" + Q(Root() + "home") + "]");
    EXPECT_EQ(ChildTexts(*root), QStringList{"[music]"});
    page->StoreSettings();
    EXPECT_EQ(Settings().SelectFile.SelectedRenameDrive, 1);
}

TEST_F(FolderSelectPageTest, RefreshKeepsTheDriveListFilterAndAutomaticDisplay) {
    const auto page = PageOn("");
    settings::SelectFileSection& selectFile = Settings().SelectFile;
    Settings().DriveList.push_back({"/x/", "", "/x: "});
    selectFile.FileFilter = "*.zzz";
    selectFile.RealTimeRefresh = 1;
    selectFile.IncludeSubDir = 1;
    selectFile.FullPath = Root() + "home/";
    page->RefreshSettings();
    EXPECT_EQ(Find<QComboBox>(*page, "driveCombo")->count(), 3);
    EXPECT_EQ(Find<QLineEdit>(*page, "filterEdit")->text(), "*.*");
    EXPECT_FALSE(Find<QCheckBox>(*page, "autoShowCheck")->isChecked());
    EXPECT_TRUE(Find<QCheckBox>(*page, "includeSubfoldersCheck")->isChecked());
    EXPECT_EQ(Field(*page)->Path(), Root() + "home/");
    EXPECT_EQ(Find<QComboBox>(*page, "driveCombo")->currentIndex(), 1);
}

TEST_F(FolderSelectPageTest, PageStoresWhenItIsDestroyed) {
    auto page = PageOn("");
    Find<QLineEdit>(*page, "filterEdit")->setText("*.png");
    page.reset();
    EXPECT_EQ(Settings().SelectFile.FileFilter, "*.png");
}

// Opening a folder lists each of its children once, and nothing deeper: 2,000 siblings cost
// 2,000 listings, not a walk of the whole tree.
TEST_F(FolderSelectPageTest, TreeOfManySiblingsStaysLazy) {
    constexpr int kSiblings = 2000;
    for (int i = 0; i < kSiblings; ++i) {
        const std::string name = "many/f" + std::to_string(10000 + i);
        folder.CreateFolder(i % 2 == 0 ? name + "/inner/deeper" : name);
    }
    const auto page = PageOn("");
    QTreeWidgetItem* many = ChildNamed(Tree(*page)->topLevelItem(0), "many");
    ASSERT_NE(many, nullptr);
    ASSERT_EQ(many->childCount(), kSiblings);
    EXPECT_EQ(many->child(0)->childCount(), 0) << "a grandchild was listed before its turn";

    const int before = files->listings;
    many->setExpanded(true);
    EXPECT_EQ(files->listings - before, kSiblings);
    for (int i = 0; i < kSiblings; ++i) {
        EXPECT_EQ(many->child(i)->childCount(), i % 2 == 0 ? 1 : 0) << i;
        if (i % 2 == 0) {
            EXPECT_EQ(many->child(i)->child(0)->childCount(), 0) << i;
        }
    }
}

// first_folder_wins, only_files, trailing_separator_kept_single, too_long
TEST_F(FolderSelectPageTest, DropFieldTakesTheFirstFolderOnly) {
    const std::string longFolder = folder.CreateFolder(
        std::string(120, 'l') + "/" + std::string(120, 'm') + "/" + std::string(60, 'n'));
    struct Case {
        const char* name;
        QStringList dropped;
        bool taken;
        std::string expected;  // the field's text afterwards
        int tooLong;
    };
    const QString docs = QString::fromStdString(folder / "docs");
    const Case cases[] = {
        {"first_folder_wins",
         {docs + "/a.jpg", docs + "/missing", docs, QString::fromStdString(folder / "a")},
         true,
         Root() + "docs/",
         0},
        {"only_files", {docs + "/a.jpg", docs + "/b.txt"}, false, "start", 0},
        {"trailing_separator_kept_single", {docs + "/sub/"}, true, Root() + "docs/sub/", 0},
        {"too_long", {QString::fromStdString(longFolder), docs}, false, "start", 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FolderDropField field(*files, true, nullptr);
        field.SetPath("start");
        int dropped = 0;
        int tooLong = 0;
        QObject::connect(&field, &FolderDropField::FolderDropped, [&dropped] { ++dropped; });
        QObject::connect(&field, &FolderDropField::DroppedPathTooLong, [&tooLong] { ++tooLong; });
        EXPECT_EQ(field.TakeDroppedPaths(c.dropped), c.taken);
        EXPECT_EQ(field.Path(), c.expected);
        EXPECT_EQ(dropped, c.taken ? 1 : 0);
        EXPECT_EQ(tooLong, c.tooLong);
    }
}

TEST_F(FolderSelectPageTest, DroppedFolderWhoseNameIsNotUtf8IsFound) {
    folder.CreateFolder("caf\xe9");
    const auto page = PageOn("docs/");
    QMimeData mime;
    mime.setData("text/uri-list",
                 QByteArray::fromStdString("file://" + (folder / "caf%E9") + "\r\n"));
    QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(Field(*page), &enter);
    QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(Field(*page), &drop);
    EXPECT_EQ(Settings().SelectFile.FullPath, Root() + platform::Cp932FromUtf8("caf\xe9/"));
    EXPECT_TRUE(files->CanEnter(Settings().SelectFile.FullPath));
}

TEST_F(FolderSelectPageTest, DropFieldRefusesTypingPastTheRecordsLimit) {
    FolderDropField field(*files, true, nullptr);
    field.setText(QString(258, QLatin1Char('a')));
    field.setCursorPosition(258);
    field.insert(QStringLiteral("b"));
    field.insert(QStringLiteral("c"));
    EXPECT_EQ(field.Path(), std::string(258, 'a') + "b");
    // A double-byte character counts twice: it no longer fits.
    field.setText(QString(258, QLatin1Char('a')));
    field.setCursorPosition(258);
    field.insert(QStringLiteral("あ"));
    EXPECT_EQ(field.Path(), std::string(258, 'a'));
}

TEST_F(FolderSelectPageTest, TooLongDroppedFolderIsReportedByThePage) {
    const std::string longFolder =
        folder.CreateFolder(std::string(200, 'l') + "/" + std::string(100, 'm'));
    const auto page = PageOn("docs/");
    Field(*page)->TakeDroppedPaths({QString::fromStdString(longFolder)});
    ASSERT_EQ(interaction.messages.size(), 1u);
    EXPECT_EQ(Settings().SelectFile.FullPath, Root() + "docs/");
}

}  // namespace
}  // namespace morvanex::pages
