#include <gtest/gtest.h>

#include <QCheckBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QMessageBox>
#include <QScrollBar>
#include <QTableView>
#include <QTest>

#include "dialogs/ResultListDialog.h"
#include "dialogs/ResultListModel.h"
#include "gui/GuiTestSupport.h"
#include "platform/FileSystem.h"

namespace morvanex::dialogs {
namespace {

namespace attr = platform::attr;

settings::FileStatusRecord Record(std::uint8_t attributes, platform::Timestamp creation = 0,
                                  platform::Timestamp modification = 0,
                                  platform::Timestamp access = 0) {
    settings::FileStatusRecord record;
    record.Status.attributes = attributes;
    record.Status.creation = creation;
    record.Status.modification = modification;
    record.Status.access = access;
    return record;
}

engine::ResultList TwoRows() {
    engine::ResultList list;
    list.sources = {"/data/a.txt", "/data/b.txt"};
    list.targets = {"/data/001.txt", "/data/002.txt"};
    list.before = {Record(attr::kArchive, 0, 86400, 3600), Record(attr::kReadOnly)};
    list.after = {Record(attr::kArchive | attr::kHidden), Record(0)};
    return list;
}

QStringList Headers(const ResultListDialog& dialog) {
    QStringList headers;
    const QAbstractItemModel* model = dialog.Table()->model();
    for (int c = 0; c < model->columnCount(); ++c) {
        headers << model->headerData(c, Qt::Horizontal, Qt::DisplayRole).toString();
    }
    return headers;
}

std::vector<int> Widths(const ResultListDialog& dialog) {
    std::vector<int> widths;
    for (int c = 0; c < dialog.Table()->model()->columnCount(); ++c) {
        widths.push_back(dialog.Table()->horizontalHeader()->sectionSize(c));
    }
    return widths;
}

struct ColumnCase {
    const char* name;
    bool attributes, creation, modification, access;
    QStringList headers;
    std::vector<int> units;
    int unitDivisor;
};

TEST(ResultListDialog, ColumnsAndUnitWidthsFollowTheShowFlags) {
    const ColumnCase cases[] = {
        {"attributes_only",
         true,
         false,
         false,
         false,
         {"リネーム元ファイル", "属性", "リネーム先ファイル", "属性"},
         {5, 1, 5, 1},
         12},
        {"everything",
         true,
         true,
         true,
         true,
         {"リネーム元ファイル", "属性", "作成時刻", "更新時刻", "最終アクセス時刻",
          "リネーム先ファイル", "属性", "作成時刻", "更新時刻", "最終アクセス時刻"},
         {5, 1, 2, 2, 2, 5, 1, 2, 2, 2},
         24},
        {"names_only",
         false,
         false,
         false,
         false,
         {"リネーム元ファイル", "リネーム先ファイル"},
         {5, 5},
         10},
        {"update_time_only",
         false,
         false,
         true,
         false,
         {"リネーム元ファイル", "更新時刻", "リネーム先ファイル", "更新時刻"},
         {5, 2, 5, 2},
         14},
    };
    for (const ColumnCase& c : cases) {
        SCOPED_TRACE(c.name);
        engine::ResultList list = TwoRows();
        list.showAttributes = c.attributes;
        list.showCreation = c.creation;
        list.showModification = c.modification;
        list.showAccess = c.access;
        ResultListDialog dialog(list, nullptr);
        // Wide enough that no column falls below its title or time text.
        dialog.resize(2200, 500);
        dialog.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
        EXPECT_EQ(Headers(dialog), c.headers);
        const int unit = (dialog.Table()->width() - 20) / c.unitDivisor;
        EXPECT_EQ(dialog.ColumnUnit(), unit);
        std::vector<int> expected;
        for (const int u : c.units) expected.push_back(u * unit);
        EXPECT_EQ(Widths(dialog), expected);

        // Narrower dialog: every column shrinks with the list.
        const int wide = dialog.Table()->width();
        dialog.resize(1800, 500);
        ASSERT_TRUE(QTest::qWaitFor([&] { return dialog.Table()->width() < wide; }));
        const int narrower = (dialog.Table()->width() - 20) / c.unitDivisor;
        ASSERT_LT(narrower, unit);
        EXPECT_EQ(Widths(dialog).front(), 5 * narrower);
    }
}

TEST(ResultListDialog, CheckBoxesHideTheirColumnsOnBothSides) {
    ResultListDialog dialog(TwoRows(), nullptr);
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    ASSERT_EQ(Headers(dialog).size(), 10);
    for (const char* box : {"showCreation", "showModification", "showAccess"}) {
        QTest::mouseClick(dialog.findChild<QCheckBox*>(box), Qt::LeftButton);
    }
    EXPECT_EQ(Headers(dialog),
              (QStringList{"リネーム元ファイル", "属性", "リネーム先ファイル", "属性"}));
    const int unit = (dialog.Table()->width() - 20) / 12;
    EXPECT_EQ(Widths(dialog), (std::vector<int>{5 * unit, unit, 5 * unit, unit}));
    QTest::mouseClick(dialog.findChild<QCheckBox*>("showAttributes"), Qt::LeftButton);
    EXPECT_EQ(Headers(dialog), (QStringList{"リネーム元ファイル", "リネーム先ファイル"}));
}

TEST(ResultListDialog, CellsShowAttributesTimesAndTheCount) {
    ResultListDialog dialog(TwoRows(), nullptr);
    const QAbstractItemModel* model = dialog.Table()->model();
    const auto cell = [&](int row, int column) {
        return model->data(model->index(row, column), Qt::DisplayRole).toString();
    };
    EXPECT_EQ(cell(0, 0), "/data/a.txt");
    EXPECT_EQ(cell(0, 1), "A");
    // Times are local time, UTC+9: the epoch is 09:00 on 1 January 1970.
    EXPECT_EQ(cell(0, 2), "1970/01/01 09:00:00");
    EXPECT_EQ(cell(0, 3), "1970/01/02 09:00:00");
    EXPECT_EQ(cell(0, 4), "1970/01/01 10:00:00");
    EXPECT_EQ(cell(0, 5), "/data/001.txt");
    EXPECT_EQ(cell(0, 6), "AH");
    EXPECT_EQ(cell(1, 1), "R");
    EXPECT_EQ(cell(1, 6), "");
    EXPECT_EQ(dialog.findChild<QLineEdit*>("countEdit")->text(), "2");
    EXPECT_EQ(dialog.windowTitle(), "リネーム・プレビュー");
}

TEST(ResultListModel, AttributeLettersInFixedOrder) {
    const std::pair<std::uint8_t, const char*> cases[] = {
        {0, ""},
        {attr::kReadOnly | attr::kArchive, "AR"},
        {attr::kHidden | attr::kSystem, "HS"},
        {attr::kArchive | attr::kReadOnly | attr::kHidden | attr::kSystem, "ARHS"},
        {attr::kDirectory, ""},
        {attr::kNormal, ""},
        {attr::kSystem | attr::kDirectory | attr::kArchive, "AS"},
    };
    for (const auto& [attributes, letters] : cases) {
        EXPECT_EQ(ResultListModel::AttributeLetters(attributes), QString::fromLatin1(letters))
            << int(attributes);
    }
}

TEST(ResultListModel, TimesAreWrittenInUtcPlusNine) {
    // 2001-02-03 04:05:06 UTC is 13:05:06 in Japan.
    EXPECT_EQ(ResultListModel::FormatTime(981173106), "2001/02/03 13:05:06");
    // 15:00 UTC on 31 December is already the next year in Japan.
    EXPECT_EQ(ResultListModel::FormatTime(1704034800), "2024/01/01 00:00:00");
}

TEST(ResultListModel, NameOnlyIsCharacterAware) {
    // "ソ" is 0x83 0x5C in CP932: its second byte is a backslash, never a separator.
    const std::string so = platform::Sjis("ソ");
    ASSERT_EQ(so, std::string("\x83\x5C"));
    const struct {
        std::string path;
        bool full;
        QString shown;
    } cases[] = {
        {"/tmp/" + so + ".txt", false, "ソ.txt"},
        {"/tmp/" + so, false, "ソ"},
        {"/tmp/" + so + "/" + so + so, false, "ソソ"},
        {"/tmp/" + so + "/a.txt", true, "/tmp/ソ/a.txt"},
        {"noseparator.txt", false, ""},
        {"/tmp/folder/", false, ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ResultListModel::DisplayName(c.path, c.full), c.shown) << c.path;
    }
}

TEST(ResultListDialog, FullPathToggleShowsNamesOnly) {
    engine::ResultList list = TwoRows();
    list.sources[0] = platform::Sjis("/data/表/ソ");
    list.targets[0] = platform::Sjis("/data/表/新しいソ");
    ResultListDialog dialog(list, nullptr);
    dialog.show();
    const QAbstractItemModel* model = dialog.Table()->model();
    const int targetColumn = 5;
    EXPECT_EQ(model->data(model->index(0, 0)).toString(), "/data/表/ソ");
    QTest::mouseClick(dialog.findChild<QCheckBox*>("showFullPath"), Qt::LeftButton);
    EXPECT_EQ(model->data(model->index(0, 0)).toString(), "ソ");
    EXPECT_EQ(model->data(model->index(0, targetColumn)).toString(), "新しいソ");
    // Opening always takes the full path, whatever is shown.
    EXPECT_EQ(dialog.FileToOpen(0), "/data/表/ソ");
}

TEST(ResultListDialog, DoubleClickOpensSourceInPreviewAndTargetInResult) {
    for (const bool preview : {true, false}) {
        engine::ResultList list = TwoRows();
        list.openSourceOnDoubleClick = preview;
        ResultListDialog dialog(list, nullptr);
        QStringList opened;
        dialog.SetFileOpener([&](const QString& path) { opened << path; });
        dialog.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
        QTableView* table = dialog.Table();
        const QRect cell = table->visualRect(table->model()->index(1, 0));
        // A double-click arrives after the press and release of its first click.
        QTest::mouseClick(table->viewport(), Qt::LeftButton, {}, cell.center());
        QTest::mouseDClick(table->viewport(), Qt::LeftButton, {}, cell.center());
        EXPECT_EQ(opened, QStringList{preview ? "/data/b.txt" : "/data/002.txt"});
    }
}

TEST(ResultListDialog, CountMismatchShowsTheMessageAndReturnsMinusOne) {
    engine::ResultList list;
    list.sources = {"/a", "/b", "/c"};
    list.targets = {"/x", "/y"};
    ResultListDialog dialog(list, nullptr);
    QString text;
    test::OnNextModal([&](QWidget* modal) {
        auto* box = qobject_cast<QMessageBox*>(modal);
        ASSERT_NE(box, nullptr);
        text = box->text();
        EXPECT_EQ(box->icon(), QMessageBox::Warning);
        box->accept();
    });
    EXPECT_EQ(dialog.Show(), ResultListDialog::kMismatch);
    EXPECT_EQ(text, "Rename Files is WRONG!!!. Please Set Again.");
    EXPECT_FALSE(dialog.isVisible());
}

TEST(ResultListDialog, PredictedCollisionsAreMarkedWithTheirReason) {
    engine::ResultList list = TwoRows();
    list.sources.push_back("/data/c.txt");
    list.targets.push_back("/data/001.txt");
    list.before.push_back(Record(0));
    list.after.push_back(Record(0));
    list.conflicts = {engine::Conflict::Duplicate, engine::Conflict::None,
                      engine::Conflict::Exists};
    ResultListDialog dialog(list, nullptr);
    const QAbstractItemModel* model = dialog.Table()->model();
    EXPECT_TRUE(model->data(model->index(0, 0), Qt::BackgroundRole).isValid());
    EXPECT_TRUE(model->data(model->index(0, 5), Qt::BackgroundRole).isValid());
    EXPECT_FALSE(model->data(model->index(1, 0), Qt::BackgroundRole).isValid());
    EXPECT_TRUE(model->data(model->index(0, 0), Qt::ToolTipRole).toString().contains("重複"));
    EXPECT_TRUE(model->data(model->index(2, 0), Qt::ToolTipRole).toString().contains("すでに存在"));
    EXPECT_FALSE(model->data(model->index(1, 1), Qt::ToolTipRole).isValid());
    // A name's tooltip is the whole path, with the reason after it on a marked row.
    EXPECT_EQ(model->data(model->index(1, 0), Qt::ToolTipRole).toString(), "/data/b.txt");
    EXPECT_TRUE(model->data(model->index(2, 5), Qt::ToolTipRole)
                    .toString()
                    .startsWith("/data/001.txt\n\n新しい名前と同じ名前のファイル"));
}

// The columns share the list's width between them: together they reach its right edge (less
// the borders and scroll bar, and less than a unit per column left over), whatever its width and
// whichever columns are shown, as long as every time fits its share: nothing needs a horizontal
// scroll bar.
TEST(ResultListDialog, ColumnWidthsFillTheListWidth) {
    struct Case {
        const char* name;
        int dialogWidth;
        bool attributes, times;
    };
    const Case cases[] = {
        {"narrow/names_only", 640, false, false},
        {"screen/attributes_only", 1024, true, false},
        {"wide/every_column", 1900, true, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        engine::ResultList list = TwoRows();
        list.showAttributes = c.attributes;
        list.showCreation = list.showModification = list.showAccess = c.times;
        ResultListDialog dialog(list, nullptr);
        dialog.resize(c.dialogWidth, 400);
        dialog.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
        QHeaderView* header = dialog.Table()->horizontalHeader();
        const int columns = dialog.Table()->model()->columnCount();
        const int listWidth = dialog.Table()->width();
        const int total = header->length();
        EXPECT_EQ(dialog.ColumnUnit(), (listWidth - 20) / dialog.Model().UnitCount());
        EXPECT_LE(total, listWidth - 20);
        EXPECT_GT(total, listWidth - 20 - dialog.Model().UnitCount());
        EXPECT_LE(total, dialog.Table()->viewport()->width());
        EXPECT_EQ(dialog.Table()->horizontalScrollBar()->maximum(), 0);
        const int last = columns - 1;
        EXPECT_LE(header->sectionViewportPosition(last) + header->sectionSize(last),
                  dialog.Table()->viewport()->width())
            << "the last column is on screen";
    }
}

// Paths may be shortened, times and attribute letters never: a column of them is as wide as
// its cells need, whatever the list's width; the names give up the room, and where even their
// titles would not fit any more the list scrolls sideways.
TEST(ResultListDialog, TimesAndAttributesAreNeverCut) {
    const int widths[] = {640, 1024, 1400};
    for (const int width : widths) {
        SCOPED_TRACE(width);
        ResultListDialog dialog(TwoRows(), nullptr);
        dialog.resize(width, 400);
        dialog.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
        QTableView* table = dialog.Table();
        QHeaderView* header = table->horizontalHeader();
        int total = 0;
        for (int c = 0; c < table->model()->columnCount(); ++c) {
            const QString title = table->model()->headerData(c, Qt::Horizontal).toString();
            if (title.endsWith(QStringLiteral("ファイル"))) {
                EXPECT_GE(header->sectionSize(c),
                          std::min(header->sectionSizeHint(c), 5 * dialog.ColumnUnit()))
                    << title.toStdString();
            } else {
                // What the list itself asks for its cells (the view's own measure).
                const QAbstractItemView* view = table;
                EXPECT_GE(header->sectionSize(c), view->sizeHintForColumn(c))
                    << title.toStdString() << " in column " << c;
            }
            total += header->sectionSize(c);
        }
        const int room = table->viewport()->width();
        EXPECT_EQ(table->horizontalScrollBar()->maximum() > 0, total > room);
    }
}

// A column widened by hand keeps its width (the list then scrolls sideways) until the list is
// laid out again.
TEST(ResultListDialog, ColumnWidenedByHandKeepsItsWidthUntilTheNextResize) {
    engine::ResultList list = TwoRows();
    list.showCreation = list.showModification = list.showAccess = false;
    ResultListDialog dialog(list, nullptr);
    dialog.resize(1024, 400);
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    QHeaderView* header = dialog.Table()->horizontalHeader();
    const int computed = header->sectionSize(0);
    header->resizeSection(0, computed + 300);
    // The list takes in the wider column on a later turn of the event loop.
    EXPECT_TRUE(
        QTest::qWaitFor([&] { return dialog.Table()->horizontalScrollBar()->maximum() > 0; }));
    EXPECT_EQ(header->sectionSize(0), computed + 300);

    const int wide = dialog.Table()->width();
    dialog.resize(1000, 400);
    ASSERT_TRUE(QTest::qWaitFor([&] { return dialog.Table()->width() < wide; }));
    EXPECT_EQ(header->sectionSize(0), 5 * dialog.ColumnUnit());
}

TEST(ResultListDialog, ShortStatusListsLeaveCellsEmptyInsteadOfFailing) {
    engine::ResultList list = TwoRows();
    list.before.resize(1);
    list.after.clear();
    ResultListDialog dialog(list, nullptr);
    const QAbstractItemModel* model = dialog.Table()->model();
    EXPECT_EQ(model->data(model->index(1, 1)).toString(), "");
    EXPECT_EQ(model->data(model->index(0, 6)).toString(), "");
    EXPECT_EQ(model->data(model->index(1, 5)).toString(), "/data/002.txt");
}

}  // namespace
}  // namespace morvanex::dialogs
