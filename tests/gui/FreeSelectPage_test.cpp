#include <gtest/gtest.h>

#include <QCheckBox>
#include <QDropEvent>
#include <QMimeData>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QUrl>

#include "gui/GuiTestSupport.h"
#include "pages/FileDropList.h"
#include "pages/FolderDropOptionDialog.h"
#include "pages/FreeSelectPage.h"
#include "pages/SortMethodDialog.h"
#include "widgets/DroppedPaths.h"

// The free selection page: what a drop adds to the list, how the list is ordered and trimmed,
// and how the list and the check box travel in the record.
namespace morvanex::pages {
namespace {

using test::Find;

class FreeSelectPageTest : public testing::Test, protected test::WindowFixture {
  protected:
    FreeSelectPageTest() : WindowFixture(test::OnTempDrives()) {
        folder.CreateFile("drop/a.txt");
        folder.CreateFile("drop/.hidden");
        folder.CreateFile("drop/ro.txt");
        folder.SetMode("drop/ro.txt", 0444);
        folder.CreateFile("drop/sub/c.txt");
        folder.CreateFile("z/a.txt", "a longer content");
        folder.CreateFile("y/b.txt", "b");
        folder.SetModificationTime("z/a.txt", 1000000000);
        folder.SetModificationTime("y/b.txt", 1100000000);
    }

    std::unique_ptr<FreeSelectPage> PageWith(std::vector<std::string> relativeEntries) {
        Settings().SelectFile.FreeFileSelect = 1;
        Settings().FreeFileList.clear();
        for (const std::string& entry : relativeEntries) {
            Settings().FreeFileList.push_back(Root() + entry);
        }
        return MakePage<FreeSelectPage>();
    }

    // The list's entries relative to the temporary folder.
    std::vector<std::string> Entries(const FreeSelectPage& page) {
        std::vector<std::string> entries;
        for (const std::string& path : List(page)->Paths()) {
            entries.push_back(path.rfind(Root(), 0) == 0 ? path.substr(Root().size()) : path);
        }
        return entries;
    }

    static FileDropList* List(const QWidget& page) {
        return Find<FileDropList>(page, "fileDropList");
    }

    // A drop of the host paths as a file manager makes it: a drag enters, then the drop.
    void Drop(const QWidget& page, const QMimeData& mime) {
        QWidget* target = List(page)->viewport();
        QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(target, &enter);
        ASSERT_TRUE(enter.isAccepted());
        QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(target, &drop);
    }
    void DropFiles(const QWidget& page, const std::vector<std::string>& relative) {
        QList<QUrl> urls;
        for (const std::string& path : relative) {
            urls.append(QUrl::fromLocalFile(QString::fromStdString(folder / path)));
        }
        QMimeData mime;
        mime.setUrls(urls);
        Drop(page, mime);
    }

    void Select(const QWidget& page, const std::vector<int>& rows) {
        FileDropList* list = List(page);
        list->clearSelection();
        for (const int row : rows) {
            list->selectionModel()->select(list->model()->index(row, 0),
                                           QItemSelectionModel::Select | QItemSelectionModel::Rows);
        }
    }
    static std::vector<int> SelectedRows(const QWidget& page) {
        std::vector<int> rows;
        for (const QModelIndex& index : List(page)->selectionModel()->selectedRows()) {
            rows.push_back(index.row());
        }
        std::sort(rows.begin(), rows.end());
        return rows;
    }
};

struct DropCase {
    const char* name;
    int allAttributes;
    int folderAction;
    std::vector<std::string> listed;
    std::vector<std::string> dropped;
    std::vector<std::string> expected;
};

const DropCase kDropCases[] = {
    {"duplicates/same_path_twice", 0, 0, {}, {"drop/a.txt", "drop/a.txt"}, {"drop/a.txt"}},
    {"duplicates/letter_case_ignored", 0, 0, {"DROP/A.TXT"}, {"drop/a.txt"}, {"DROP/A.TXT"}},
    {"attributes/plain_only_refuses_hidden_and_read_only",
     0,
     0,
     {},
     {"drop/.hidden", "drop/ro.txt", "drop/a.txt"},
     {"drop/a.txt"}},
    {"attributes/all_takes_hidden_and_read_only",
     1,
     0,
     {},
     {"drop/.hidden", "drop/ro.txt", "drop/a.txt"},
     {"drop/.hidden", "drop/ro.txt", "drop/a.txt"}},
    {"missing/skipped", 0, 0, {}, {"gone.txt", "y/b.txt"}, {"y/b.txt"}},
    {"folder/refused", 0, 0, {"y/b.txt"}, {"drop", "z/a.txt"}, {"y/b.txt", "z/a.txt"}},
    {"folder/taken_itself", 0, 1, {}, {"drop"}, {"drop"}},
    {"folder/files_without_subfolders", 0, 2, {}, {"drop"}, {"drop/a.txt"}},
    {"folder/files_with_subfolders", 0, 3, {}, {"drop"}, {"drop/a.txt", "drop/sub/c.txt"}},
    {"folder/all_attributes", 1, 2, {}, {"drop"}, {"drop/.hidden", "drop/a.txt", "drop/ro.txt"}},
    {"folder/listed_files_skipped_one_by_one",
     0,
     3,
     {"drop/A.txt"},
     {"drop"},
     {"drop/A.txt", "drop/sub/c.txt"}},
};

TEST_F(FreeSelectPageTest, DropAddsWhatTheRulesAdmit) {
    for (const DropCase& c : kDropCases) {
        SCOPED_TRACE(c.name);
        Settings().CommonOption.AllAttributeFileRename = c.allAttributes;
        Settings().SelectFile.DropDirAction = c.folderAction;
        const auto page = PageWith(c.listed);
        DropFiles(*page, c.dropped);
        EXPECT_EQ(Entries(*page), c.expected);
    }
}

TEST_F(FreeSelectPageTest, DroppedNameThatIsNotUtf8NamesTheSameFile) {
    const std::string hostName = "drop/caf\xe9-\xff.txt";
    folder.CreateFile(hostName);
    const auto page = PageWith({});
    QMimeData mime;
    // As a file manager sends it: the name's own bytes, percent-encoded.
    mime.setData(
        "text/uri-list",
        QByteArray::fromStdString(
            "# from a file manager\r\nfile://" +
            QUrl::toPercentEncoding(QString::fromStdString(folder / "drop/"), "/").toStdString() +
            "caf%E9-%FF.txt\r\n"));
    Drop(*page, mime);
    ASSERT_EQ(List(*page)->Paths().size(), 1u);
    const std::string entry = List(*page)->Paths()[0];
    EXPECT_EQ(platform::Utf8FromCp932(entry), folder / hostName);
    EXPECT_TRUE(files->Exists(entry));
}

TEST_F(FreeSelectPageTest, ProgramsOwnJournalsAreNeverTaken) {
    // The state folder as a run finds it; the test's own, restored afterwards.
    const std::string saved = std::getenv("XDG_STATE_HOME");
    setenv("XDG_STATE_HOME", (folder / "state").c_str(), 1);
    folder.CreateFile("state/morvanex/run.journal");
    folder.CreateFile("state/keep.txt");
    Settings().CommonOption.AllAttributeFileRename = 1;
    struct Case {
        const char* name;
        int folderAction;
        std::vector<std::string> dropped;
        std::vector<std::string> expected;
    };
    const Case cases[] = {
        {"file/in_state_folder", 0, {"state/morvanex/run.journal"}, {}},
        {"folder/state_folder_itself", 1, {"state/morvanex"}, {}},
        {"folder/files_of_state_folder", 2, {"state/morvanex"}, {}},
        {"folder/walk_passes_state_folder_by", 3, {"state"}, {"state/keep.txt"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Settings().SelectFile.DropDirAction = c.folderAction;
        const auto page = PageWith({});
        DropFiles(*page, c.dropped);
        EXPECT_EQ(Entries(*page), c.expected);
    }
    setenv("XDG_STATE_HOME", saved.c_str(), 1);
}

TEST(DroppedPathsTest, FileUrlsDecodeToHostBytes) {
    struct Case {
        const char* name;
        const char* url;
        std::string expected;
    };
    const Case cases[] = {
        {"plain/path", "file:///tmp/a.txt", "/tmp/a.txt"},
        {"plain/localhost", "file://localhost/tmp/a.txt", "/tmp/a.txt"},
        {"escape/space_and_stray_byte", "file:///tmp/a%20b%ff", "/tmp/a b\xff"},
        {"escape/incomplete_kept", "file:///tmp/100%", "/tmp/100%"},
        {"refused/other_host", "file://server/share/a.txt", ""},
        {"refused/not_a_file_url", "https://example.com/a.txt", ""},
        {"refused/nul_byte", "file:///tmp/a%00b", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(widgets::HostPathOfFileUrl(c.url), c.expected);
    }
}

struct MoveCase {
    const char* name;
    const char* button;
    std::vector<int> selected;
    std::vector<std::string> expected;
    std::vector<int> selectedAfter;
};

const MoveCase kMoveCases[] = {
    {"up/block_moves_together", "moveUpButton", {1, 2}, {"b", "c", "a", "d"}, {0, 1}},
    {"up/gap_between_blocks", "moveUpButton", {1, 3}, {"b", "a", "d", "c"}, {0, 2}},
    {"up/first_selected_moves_nothing", "moveUpButton", {0, 2}, {"a", "b", "c", "d"}, {0, 2}},
    {"up/nothing_selected", "moveUpButton", {}, {"a", "b", "c", "d"}, {}},
    {"down/block_moves_together", "moveDownButton", {0, 1}, {"c", "a", "b", "d"}, {1, 2}},
    {"down/last_selected_moves_nothing", "moveDownButton", {1, 3}, {"a", "b", "c", "d"}, {1, 3}},
    {"delete/selected", "deleteSelectedButton", {1, 3}, {"a", "c"}, {}},
    {"delete/nothing_selected", "deleteSelectedButton", {}, {"a", "b", "c", "d"}, {}},
    {"clear/everything", "clearListButton", {2}, {}, {}},
};

TEST_F(FreeSelectPageTest, ButtonsMoveAndRemoveTheSelectedEntries) {
    for (const MoveCase& c : kMoveCases) {
        SCOPED_TRACE(c.name);
        const auto page = PageWith({"a", "b", "c", "d"});
        Select(*page, c.selected);
        Find<QPushButton>(*page, c.button)->click();
        EXPECT_EQ(Entries(*page), c.expected);
        EXPECT_EQ(SelectedRows(*page), c.selectedAfter);
        page->StoreSettings();
        EXPECT_EQ(Settings().FreeFileList.size(), c.expected.size());
    }
}

struct SortCase {
    const char* name;
    int method;  // -1: the dialog is cancelled
    std::vector<std::string> expected;
};

const SortCase kSortCases[] = {
    {"name/without_path_ascending", 2, {"z/a.txt", "y/b.txt"}},
    {"name/without_path_descending", 3, {"y/b.txt", "z/a.txt"}},
    {"name/with_path_ascending", 0, {"y/b.txt", "z/a.txt"}},
    {"name/with_path_descending", 1, {"z/a.txt", "y/b.txt"}},
    {"time/oldest_first", 4, {"z/a.txt", "y/b.txt"}},
    {"time/newest_first", 5, {"y/b.txt", "z/a.txt"}},
    {"size/smallest_first", 6, {"y/b.txt", "z/a.txt"}},
    {"size/largest_first", 7, {"z/a.txt", "y/b.txt"}},
    {"cancel/changes_nothing", -1, {"y/b.txt", "z/a.txt"}},
};

TEST_F(FreeSelectPageTest, SortOrdersTheListByTheChosenMethod) {
    for (const SortCase& c : kSortCases) {
        SCOPED_TRACE(c.name);
        // The order the sort must change in half of the rows.
        const auto page = PageWith({"y/b.txt", "z/a.txt"});
        test::OnNextModal([&c](QWidget* modal) {
            // The dialog always opens on the first method.
            EXPECT_TRUE(Find<QRadioButton>(*modal, "sortMethod0")->isChecked());
            if (c.method < 0) {
                Find<QPushButton>(*modal, "cancelButton")->click();
                return;
            }
            Find<QRadioButton>(modal, QStringLiteral("sortMethod%1").arg(c.method))->click();
            Find<QPushButton>(*modal, "okButton")->click();
        });
        Find<QPushButton>(*page, "sortFilesButton")->click();
        EXPECT_EQ(Entries(*page), c.expected);
    }
}

TEST_F(FreeSelectPageTest, NameSortComparesLettersWithoutCase) {
    const auto page = PageWith({"y/B.txt", "z/a.txt", "x/C.txt"});
    List(*page)->Sort(2);
    EXPECT_EQ(Entries(*page), (std::vector<std::string>{"z/a.txt", "y/B.txt", "x/C.txt"}));
}

TEST_F(FreeSelectPageTest, FolderDropOptionWritesOnlyOnOk) {
    struct Case {
        const char* name;
        const char* choice;
        const char* button;
        int expected;
    };
    const Case cases[] = {
        {"ok/writes_choice", "dropAction3", "okButton", 3},
        {"cancel/keeps_value", "dropAction3", "cancelButton", 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Settings().SelectFile.DropDirAction = 1;
        Settings().CommonOption.AllAttributeFileRename = 0;
        const auto page = PageWith({});
        test::OnNextModal([&c](QWidget* modal) {
            EXPECT_TRUE(Find<QRadioButton>(*modal, "dropAction1")->isChecked());
            Find<QRadioButton>(*modal, c.choice)->click();
            Find<QPushButton>(*modal, c.button)->click();
        });
        Find<QPushButton>(*page, "dropOptionButton")->click();
        EXPECT_EQ(Settings().SelectFile.DropDirAction, c.expected);
        // The list works with the action the record now holds.
        DropFiles(*page, {"drop"});
        EXPECT_EQ(Entries(*page), c.expected == 3
                                      ? (std::vector<std::string>{"drop/a.txt", "drop/sub/c.txt"})
                                      : (std::vector<std::string>{"drop"}));
    }
}

TEST_F(FreeSelectPageTest, CheckBoxEnablesTheListAndBothTravelInTheRecord) {
    const auto page = PageWith({"y/b.txt"});
    const char* controls[] = {"fileDropList",         "moveUpButton",    "moveDownButton",
                              "deleteSelectedButton", "clearListButton", "sortFilesButton",
                              "dropOptionButton"};
    for (const char* name : controls) EXPECT_TRUE(Find<QWidget>(*page, name)->isEnabled()) << name;
    DropFiles(*page, {"z/a.txt"});
    Find<QCheckBox>(*page, "freeSelectCheck")->click();
    for (const char* name : controls) EXPECT_FALSE(Find<QWidget>(*page, name)->isEnabled()) << name;
    // Nothing is written before the page is stored.
    EXPECT_EQ(Settings().SelectFile.FreeFileSelect, 1);
    EXPECT_EQ(Settings().FreeFileList.size(), 1u);
    page->StoreSettings();
    EXPECT_EQ(Settings().SelectFile.FreeFileSelect, 0);
    EXPECT_EQ(Settings().FreeFileList,
              (std::vector<std::string>{Root() + "y/b.txt", Root() + "z/a.txt"}));

    // A run that emptied the free list leaves an empty page behind.
    Settings().FreeFileList.clear();
    page->AfterRun();
    page->StoreSettings();
    EXPECT_TRUE(Settings().FreeFileList.empty());
    EXPECT_TRUE(Entries(*page).empty());
}

TEST_F(FreeSelectPageTest, DoubleClickOpensTheEntry) {
    const auto page = PageWith({"y/b.txt", "z/a.txt"});
    std::vector<QUrl> opened;
    page->SetFileOpener([&opened](const QUrl& url) { opened.push_back(url); });
    page->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(page.get()));
    FileDropList* list = List(*page);
    const QPoint center = list->visualRect(list->model()->index(1, 0)).center();
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, center);
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, center);
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_EQ(opened[0], QUrl::fromLocalFile(QString::fromStdString(folder / "z/a.txt")));
}

}  // namespace
}  // namespace morvanex::pages
