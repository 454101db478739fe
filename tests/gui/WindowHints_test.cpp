#include "widgets/WindowHints.h"

#include <gtest/gtest.h>

#include <QDialog>
#include <functional>
#include <memory>

#include "GuiTestSupport.h"
#include "dialogs/EnvironmentOptionsDialog.h"
#include "dialogs/SettingsListDialog.h"
#include "dialogs/UndoConfirmDialog.h"
#include "pages/ExifSettingsDialog.h"
#include "pages/TimeStampFormatDialog.h"

namespace morvanex {
namespace {

constexpr Qt::WindowFlags kMinMax = Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint;

struct HintsCase {
    const char* name;
    std::function<std::unique_ptr<QWidget>()> make;
    bool shownBefore;
};

// The close button goes; the kind of window, the buttons it asked for besides, and whether it is
// on the screen stay.
TEST(WindowHintsTest, RemoveCloseButtonKeepsTheRestOfTheWindow) {
    const HintsCase cases[] = {
        {"dialog/default", [] { return std::make_unique<QDialog>(); }, false},
        {"dialog/shown", [] { return std::make_unique<QDialog>(); }, true},
        {"dialog/min_max", [] { return std::make_unique<QDialog>(nullptr, Qt::Dialog | kMinMax); },
         false},
        {"dialog/already_customised",
         [] {
             return std::make_unique<QDialog>(
                 nullptr, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
         },
         true},
        {"window/top_level", [] { return std::make_unique<QWidget>(); }, true},
    };
    for (const HintsCase& row : cases) {
        SCOPED_TRACE(row.name);
        std::unique_ptr<QWidget> window = row.make();
        if (row.shownBefore) window->show();
        const Qt::WindowFlags before = window->windowFlags();

        widgets::RemoveCloseButton(*window);

        const Qt::WindowFlags after = window->windowFlags();
        EXPECT_FALSE(after & Qt::WindowCloseButtonHint);
        EXPECT_TRUE(after & Qt::CustomizeWindowHint) << "without it Qt puts the button back";
        EXPECT_TRUE(after & Qt::WindowTitleHint);
        EXPECT_EQ(after & Qt::WindowType_Mask, before & Qt::WindowType_Mask);
        EXPECT_EQ(after & kMinMax, before & kMinMax);
        EXPECT_EQ(window->isVisible(), row.shownBefore);
    }
}

// What a close request the window manager sends anyway does to each dialog defined without a
// close box: either nothing, or what its cancelling button does.
struct CloseCase {
    const char* name;
    std::function<std::unique_ptr<QDialog>(const widgets::WindowContext&)> make;
    bool staysOpen;
    int result;  // the dialog's result when it closes
};

TEST(WindowHintsTest, DialogsWithoutCloseBoxAnswerACloseRequestSafely) {
    test::WindowFixture shell(test::InMemory());
    const engine::ResultList noPreview;
    const CloseCase cases[] = {
        {"refused/exif_settings",
         [](const widgets::WindowContext& context) {
             return std::make_unique<pages::ExifSettingsDialog>(context, 0, "", nullptr);
         },
         true, 0},
        {"refused/timestamp_format",
         [](const widgets::WindowContext& context) {
             return std::make_unique<pages::TimeStampFormatDialog>(context, 0, "", nullptr);
         },
         true, 0},
        {"refused/settings_list",
         [](const widgets::WindowContext& context) {
             return std::make_unique<dialogs::SettingsListDialog>(context, nullptr);
         },
         true, 0},
        {"cancels/undo_confirmation",
         [&noPreview](const widgets::WindowContext&) {
             return std::make_unique<dialogs::UndoConfirmDialog>(noPreview, nullptr);
         },
         false, dialogs::UndoConfirmDialog::kCancel},
        {"cancels/environment_options",
         [](const widgets::WindowContext& context) {
             return std::make_unique<dialogs::EnvironmentOptionsDialog>(context, nullptr);
         },
         false, QDialog::Rejected},
    };
    for (const CloseCase& row : cases) {
        SCOPED_TRACE(row.name);
        std::unique_ptr<QDialog> dialog = row.make(shell.Context());
        EXPECT_FALSE(dialog->windowFlags() & Qt::WindowCloseButtonHint);
        dialog->show();
        dialog->setResult(-1);
        dialog->close();
        EXPECT_EQ(dialog->isVisible(), row.staysOpen);
        if (!row.staysOpen) {
            EXPECT_EQ(dialog->result(), row.result);
        }
    }
}

}  // namespace
}  // namespace morvanex
