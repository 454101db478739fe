#include <gtest/gtest.h>

#include <QAbstractScrollArea>
#include <QApplication>
#include <QCheckBox>
#include <QFontDatabase>
#include <QFontInfo>
#include <QGroupBox>
#include <QLabel>
#include <QLayout>
#include <QPushButton>
#include <QRadioButton>
#include <QStyleOptionButton>
#include <QStyleOptionGroupBox>
#include <QTest>
#include <QToolButton>
#include <functional>
#include <memory>
#include <optional>

#include "dialogs/AboutDialog.h"
#include "dialogs/EnvironmentOptionsDialog.h"
#include "dialogs/ResultListDialog.h"
#include "dialogs/SettingsListDialog.h"
#include "dialogs/UndoConfirmDialog.h"
#include "gui/GuiTestSupport.h"
#include "pages/ExifSettingsDialog.h"
#include "pages/FolderDropOptionDialog.h"
#include "pages/SortConditionDialog.h"
#include "pages/SortMethodDialog.h"
#include "pages/TimeStampFormatDialog.h"
#include "shell/FrameWizard.h"
#include "shell/WorkPace.h"
#include "wizard/WizardDriver.h"
#include "wizard/WizardPage.h"

// Every page and dialog, shown with the Japanese font at the application font's size and larger:
// no text is cut and no control covers another. The font itself grows (not a scale factor, which
// would grow the geometry with it and prove nothing).
namespace morvanex {
namespace {

constexpr const char* kJapaneseFamily = "Noto Sans CJK JP";
constexpr double kSizes[] = {1.0, 1.25, 1.5};

using Fit = std::optional<std::pair<QSize, QSize>>;  // what a text needs, what it has

// The room a style leaves a button's text, and the size the text needs there.
Fit ButtonText(const QAbstractButton& button) {
    const auto* tool = qobject_cast<const QToolButton*>(&button);
    if (button.text().isEmpty() || (tool && tool->toolButtonStyle() == Qt::ToolButtonIconOnly)) {
        return std::nullopt;
    }
    QSize needed = button.fontMetrics().size(Qt::TextShowMnemonic, button.text());
    QStyleOptionButton option;
    option.initFrom(&button);
    option.text = button.text();
    option.icon = button.icon();
    option.iconSize = button.iconSize();
    QStyle::SubElement contents = QStyle::SE_PushButtonContents;
    if (qobject_cast<const QCheckBox*>(&button) != nullptr) {
        contents = QStyle::SE_CheckBoxContents;
    } else if (qobject_cast<const QRadioButton*>(&button) != nullptr) {
        contents = QStyle::SE_RadioButtonContents;
    } else if (const auto* push = qobject_cast<const QPushButton*>(&button)) {
        if (push->autoDefault()) option.features |= QStyleOptionButton::AutoDefaultButton;
        if (!button.icon().isNull()) needed.rwidth() += button.iconSize().width() + 4;
    } else {
        // Buttons of our own draw their text inside their contents.
        return std::make_pair(needed, button.contentsRect().size());
    }
    return std::make_pair(needed,
                          button.style()->subElementRect(contents, &option, &button).size());
}

// A label's text fits when the label is as large as the text asks, at the label's width where
// it wraps (and no word that cannot be broken is wider than it).
Fit LabelText(const QLabel& label) {
    if (label.text().isEmpty()) return std::nullopt;
    if (!label.wordWrap()) return std::make_pair(label.sizeHint(), label.size());
    QSize needed(label.width(), label.heightForWidth(label.width()));
    if (!Qt::mightBeRichText(label.text())) {
        const int margins = label.width() - label.contentsRect().width() + 2 * label.margin();
        needed.setWidth(margins + label.fontMetrics()
                                      .boundingRect(QRect(0, 0, label.width() - margins, 100000),
                                                    Qt::TextWordWrap, label.text())
                                      .width());
    }
    return std::make_pair(needed, label.size());
}

QRect GroupPart(const QGroupBox& group, QStyle::SubControl part) {
    QStyleOptionGroupBox option;
    option.initFrom(&group);
    option.text = group.title();
    option.lineWidth = 1;
    option.textAlignment = group.alignment();
    option.subControls = QStyle::SC_GroupBoxFrame | QStyle::SC_GroupBoxLabel;
    if (group.isCheckable()) option.subControls |= QStyle::SC_GroupBoxCheckBox;
    return group.style()->subControlRect(QStyle::CC_GroupBox, &option, part, &group);
}

// Whether a control (in the group box's coordinates) lies inside its frame, clear of its title.
bool InsideGroup(const QGroupBox& group, const QRect& control) {
    const int line = group.style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, &group);
    const QRect inside =
        GroupPart(group, QStyle::SC_GroupBoxFrame).adjusted(line, line, -line, -line);
    QRect title = GroupPart(group, QStyle::SC_GroupBoxLabel);
    if (group.isCheckable()) title |= GroupPart(group, QStyle::SC_GroupBoxCheckBox);
    return inside.contains(control) && (group.title().isEmpty() || !title.intersects(control));
}

QString Describe(const QWidget& widget) {
    QString text;
    if (const auto* label = qobject_cast<const QLabel*>(&widget)) text = label->text();
    if (const auto* button = qobject_cast<const QAbstractButton*>(&widget)) text = button->text();
    if (const auto* group = qobject_cast<const QGroupBox*>(&widget)) text = group->title();
    const QString name = widget.objectName().isEmpty()
                             ? QString::fromLatin1(widget.metaObject()->className())
                             : widget.objectName();
    return text.isEmpty() ? name : name + " \"" + text.simplified().left(24) + '"';
}

QString Text(QRect rect) {
    return QStringLiteral("%1,%2 %3x%4")
        .arg(rect.x())
        .arg(rect.y())
        .arg(rect.width())
        .arg(rect.height());
}

// Every fault of a shown window's layout, one line each.
class LayoutCheck {
  public:
    QStringList Run(const QWidget& window) {
        Visit(window);
        return m_problems;
    }

  private:
    void Visit(const QWidget& widget) {
        CheckText(widget);
        std::vector<const QWidget*> children;
        for (const QObject* object : widget.children()) {
            const auto* child = qobject_cast<const QWidget*>(object);
            if (child != nullptr && !child->isWindow() && child->isVisible()) {
                children.push_back(child);
            }
        }
        const auto* area = qobject_cast<const QAbstractScrollArea*>(widget.parentWidget());
        const auto* group = qobject_cast<const QGroupBox*>(&widget);
        for (const QWidget* child : children) {
            // What a scroll area shows may be larger than it: the area scrolls.
            const bool scrolls = area != nullptr && area->viewport() == &widget;
            if (!scrolls && !widget.rect().contains(child->geometry())) {
                Report(*child,
                       "sticks out of " + Describe(widget) + " at " + Text(child->geometry()));
            }
            if (group != nullptr && !InsideGroup(*group, child->geometry())) {
                Report(*child, "covers the frame or title of " + Describe(widget));
            }
        }
        for (std::size_t i = 0; i < children.size(); ++i) {
            for (std::size_t j = i + 1; j < children.size(); ++j) {
                CheckOverlap(*children[i], *children[j]);
            }
        }
        for (const QWidget* child : children) Visit(*child);
    }

    void CheckOverlap(const QWidget& a, const QWidget& b) {
        if (!a.geometry().intersects(b.geometry())) return;
        // A group box drawn behind controls that are its siblings frames them.
        for (const auto& [frame, framed] : {std::pair(&a, &b), std::pair(&b, &a)}) {
            const auto* group = qobject_cast<const QGroupBox*>(frame);
            if (group && InsideGroup(*group, framed->geometry().translated(-group->pos()))) return;
        }
        Report(a, "overlaps " + Describe(b) + " (" + Text(a.geometry()) + " and " +
                      Text(b.geometry()) + ")");
    }

    void CheckText(const QWidget& widget) {
        Fit fit;
        if (const auto* label = qobject_cast<const QLabel*>(&widget)) fit = LabelText(*label);
        if (const auto* button = qobject_cast<const QAbstractButton*>(&widget)) {
            fit = ButtonText(*button);
        }
        if (const auto* group = qobject_cast<const QGroupBox*>(&widget);
            group != nullptr && !group->title().isEmpty()) {
            const QRect title = GroupPart(*group, QStyle::SC_GroupBoxLabel);
            fit = std::make_pair(QSize(title.right() + 1, title.bottom() + 1), group->size());
        }
        if (fit && (fit->first.width() > fit->second.width() ||
                    fit->first.height() > fit->second.height())) {
            Report(widget, QStringLiteral("text needs %1x%2, has %3x%4")
                               .arg(fit->first.width())
                               .arg(fit->first.height())
                               .arg(fit->second.width())
                               .arg(fit->second.height()));
        }
    }

    void Report(const QWidget& widget, const QString& what) {
        QString path;
        for (const QWidget* w = widget.parentWidget(); w != nullptr && !w->isWindow();
             w = w->parentWidget()) {
            if (!w->objectName().isEmpty()) path.prepend(w->objectName() + '/');
        }
        m_problems.append(path + Describe(widget) + ": " + what);
    }

    QStringList m_problems;
};

// A preview of two files with every column, as the run's preview shows it.
engine::ResultList TwoFiles() {
    engine::ResultList list;
    list.sources = {"/home/user/写真/IMG_0001.JPG", "/home/user/写真/IMG_0002.JPG"};
    list.targets = {"/home/user/写真/旅行_0001.jpg", "/home/user/写真/旅行_0002.jpg"};
    settings::FileStatusRecord status;
    status.Status.creation = status.Status.modification = status.Status.access = test::TestMoment();
    status.Status.attributes = platform::attr::kArchive | platform::attr::kReadOnly;
    list.before = list.after = {status, status};
    return list;
}

struct Window {
    std::string name;
    // Opens the window on the fixture; one made of its own is kept in `made`.
    std::function<QWidget*(test::WindowFixture&, std::unique_ptr<QWidget>& made)> open;
    // The fixture the window is opened on. The preferences stay from one window to the next
    // (nothing here changes them): each is written to disk, at a cost, only once.
    std::function<test::WindowSetup()> setup = [] { return test::InMemory().KeepingPreferences(); };
    // Checks what the window did once it was checked, and lets go of what it holds.
    std::function<void(test::WindowFixture&)> close = nullptr;
};

// The widest lines the count and the pace come to in a run of a million files: all but done at
// the greatest pace, and barely begun at the slowest.
std::vector<QString> WidestPaces() {
    constexpr unsigned kTotal = 1000000;
    std::vector<QString> texts;
    for (const auto& [seconds, done] : {std::pair(5, 999999), std::pair(5, 10)}) {
        shell::WorkPace pace;
        pace.Start(0);
        pace.Sample(seconds * 1000, done);
        texts.push_back(pace.Text(kTotal, done));
    }
    return texts;
}

// The main window in the middle of a run, the stop beside the bar and the count and pace under
// it, at their widest; the window keeps the size it had at rest.
Window Working(const QString& text) {
    auto gate = std::make_shared<test::GatedFileSystem*>(nullptr);
    auto rest = std::make_shared<QSize>();
    Window row;
    row.name = "main/working " + text.simplified().toStdString();
    row.setup = [gate] {
        test::WindowSetup setup = test::InMemory().KeepingPreferences();
        setup.makeFileSystem = [gate] {
            auto files = std::make_unique<test::GatedFileSystem>(1);
            *gate = files.get();
            return files;
        };
        return setup;
    };
    row.open = [gate, rest, text](test::WindowFixture& shell, auto&) -> QWidget* {
        for (const char* name : {"a.txt", "b.txt"}) shell.folder.CreateFile(name);
        // A page that does not show the folder, so that none puts its own back into the record.
        shell.View().SelectPage(pages::kFirstItemData + 3);
        shell.Settings().SelectFile.FullPath = shell.Root();
        shell.frame->show();
        *rest = shell.frame->size();
        shell.interaction.answers.push_front(true);
        shell.View().RenameCommand();
        const bool held =
            QTest::qWaitFor([&] { return (*gate)->held.load() || !shell.View().Working(); }, 60000);
        EXPECT_TRUE(held && (*gate)->held) << shell.interaction.messages.size() << " messages";
        shell.View().ProgressText()->setText(text);
        return shell.frame.get();
    };
    row.close = [gate, rest](test::WindowFixture& shell) {
        EXPECT_EQ(shell.frame->width(), rest->width()) << "the window widened for its work";
        EXPECT_EQ(shell.frame->height(), rest->height()) << "the window grew for its work";
        (*gate)->Release();
        EXPECT_TRUE(shell.WaitForWork());
    };
    return row;
}

QWidget* Keep(std::unique_ptr<QWidget>& made, QWidget* window) {
    made.reset(window);
    return window;
}

// The main window on each of its tabs, every page of the wizard, every dialog of our own.
std::vector<Window> Windows() {
    std::vector<Window> rows;
    constexpr const char* kTabs[] = {"folder_selection", "free_selection", "copy_destination",
                                     "options",          "rename_pattern", "letter_case",
                                     "string_replace",   "attributes",     "timestamp"};
    static_assert(std::size(kTabs) == pages::kPageCount);
    for (int tab = 0; tab < pages::kPageCount; ++tab) {
        rows.push_back({std::string("main/") + kTabs[tab], [tab](auto& shell, auto&) {
                            shell.View().SelectPage(pages::kFirstItemData + tab);
                            return static_cast<QWidget*>(shell.frame.get());
                        }});
    }
    for (const QString& pace : WidestPaces()) rows.push_back(Working(pace));
    for (int kind = 0; kind < wizard::kPageKindCount; ++kind) {
        rows.push_back({"wizard/page" + std::to_string(kind), [kind](auto& shell, auto& made) {
                            auto* page =
                                wizard::CreateWizardPage(static_cast<wizard::PageKind>(kind),
                                                         shell.frame->Wizard().Driver());
                            page->Load();
                            return Keep(made, page);
                        }});
    }
    using Shell = test::WindowFixture;
    const std::pair<const char*, std::function<QWidget*(Shell&)>> dialogs[] = {
        {"sort_condition",
         [](Shell& shell) {
             return new pages::SortConditionDialog({1, 1}, shell.frame.get(), true);
         }},
        {"sort_method",
         [](Shell& shell) { return new pages::SortMethodDialog(shell.frame.get()); }},
        {"folder_drop_option",
         [](Shell& shell) {
             return new pages::FolderDropOptionDialog(shell.Settings(), shell.frame.get());
         }},
        {"timestamp_format",
         [](Shell& shell) {
             return new pages::TimeStampFormatDialog(shell.Context(), 0, "", shell.frame.get());
         }},
        {"exif_settings",
         [](Shell& shell) {
             return new pages::ExifSettingsDialog(shell.Context(), 0, "", shell.frame.get());
         }},
        {"result_list",
         [](Shell& shell) { return new dialogs::ResultListDialog(TwoFiles(), shell.frame.get()); }},
        {"settings_list",
         [](Shell& shell) {
             auto* list = new dialogs::SettingsListDialog(shell.Context(), shell.frame.get());
             list->Refresh();
             return list;
         }},
        {"environment_options",
         [](Shell& shell) {
             return new dialogs::EnvironmentOptionsDialog(shell.Context(), shell.frame.get());
         }},
        {"undo_confirmation",
         [](Shell& shell) {
             return new dialogs::UndoConfirmDialog(TwoFiles(), shell.frame.get());
         }},
        {"about", [](Shell& shell) { return new dialogs::AboutDialog(shell.frame.get()); }},
    };
    for (const auto& [name, make] : dialogs) {
        rows.push_back({std::string("dialog/") + name, [make = make](auto& shell, auto& made) {
                            return Keep(made, make(shell));
                        }});
    }
    return rows;
}

TEST(LayoutCheck, EveryPageAndDialogFitsItsTextsAtEveryFontSize) {
    const QString family = QString::fromLatin1(kJapaneseFamily);
    ASSERT_TRUE(QFontDatabase::families().contains(family))
        << "the Japanese font \"" << kJapaneseFamily
        << "\" is missing (install fonts-noto-cjk): the layouts cannot be checked without it";
    const QFont original = QApplication::font();
    for (const double factor : kSizes) {
        QFont font(family);
        font.setPointSizeF(original.pointSizeF() * factor);
        QApplication::setFont(font);
        ASSERT_EQ(QFontInfo(QApplication::font()).family(), family);
        for (const Window& row : Windows()) {
            SCOPED_TRACE(row.name + " at " + std::to_string(font.pointSizeF()) + " pt");
            test::WindowFixture shell(row.setup());
            std::unique_ptr<QWidget> made;
            QWidget* window = row.open(shell, made);
            window->show();
            QCoreApplication::sendPostedEvents();
            if (QLayout* layout = window->layout()) layout->activate();
            QCoreApplication::sendPostedEvents();
            const QStringList problems = LayoutCheck().Run(*window);
            EXPECT_TRUE(problems.isEmpty()) << window->windowTitle().toStdString() << ":\n"
                                            << problems.join('\n').toStdString();
            if (row.close) row.close(shell);
        }
    }
    QApplication::setFont(original);
}

}  // namespace
}  // namespace morvanex
