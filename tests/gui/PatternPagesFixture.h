#pragma once

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QWidget>
#include <memory>
#include <string>

#include "gui/GuiTestSupport.h"
#include "platform/Clock.h"
#include "platform/Codepage.h"
#include "shell/Document.h"
#include "shell/MainFrame.h"
#include "shell/MainView.h"
#include "shell/Preferences.h"
#include "shell/QtText.h"
#include "support/FixedClock.h"
#include "support/MemoryFileSystem.h"

namespace morvanex::test {

// A Japanese text of the program, as the widgets hold it.
inline QString U(const char* utf8) {
    return QString::fromUtf8(utf8);
}

// 5 March 2003 (a Wednesday), 10:20:30 in the process time zone: the clock of every test here.
inline platform::Timestamp TestMoment() {
    return platform::FromLocalTime({2003, 3, 3, 5, 10, 20, 30, 0});
}

// The whole main window on a document with a fixed clock, an in-memory file system and a
// scripted interaction; preferences start empty in the test's own store.
class MainWindowTest : public testing::Test {
  protected:
    void SetUp() override {
        ClearPreferences();
        auto fileSystem = std::make_unique<MemoryFileSystem>();
        fileSystem->AddFolder("/");
        fileSystem->roots = {{"/", "", false}};
        m_document = std::make_unique<shell::Document>(m_preferences, std::move(fileSystem),
                                                       std::make_unique<FixedClock>(TestMoment()));
        shell::FrameOptions options;
        options.interaction = &m_interaction;
        options.helpFile = HelpFileOfSource();
        m_frame = std::make_unique<shell::MainFrame>(*m_document, options);
        m_frame->View().InitialUpdate();
    }

    void TearDown() override {
        m_frame.reset();
        m_document.reset();
    }

    settings::RenameSettings& Settings() { return m_document->Settings(); }
    shell::MainView& View() { return m_frame->View(); }

    template <class Widget>
    static Widget* Find(const QObject* root, const QString& name) {
        auto* widget = root->findChild<Widget*>(name);
        EXPECT_NE(widget, nullptr) << name.toStdString();
        return widget;
    }

    // What a widget shows, as UTF-8 (CP932 texts of the settings go through Sjis to compare).
    static std::string Utf8Of(const QString& text) { return text.toStdString(); }
    static std::string Cp932(const char* utf8) { return platform::Sjis(utf8); }

    shell::Preferences m_preferences;
    FakeInteraction m_interaction;
    std::unique_ptr<shell::Document> m_document;
    std::unique_ptr<shell::MainFrame> m_frame;
};

// Clicks the named button of the next modal dialog once it runs.
inline void ClickOnNextModal(const char* buttonName) {
    OnNextModal([buttonName](QWidget* modal) {
        if (auto* button = modal->findChild<QAbstractButton*>(buttonName)) {
            button->click();
        } else if (auto* dialog = qobject_cast<QDialog*>(modal)) {
            ADD_FAILURE() << "no button " << buttonName;
            dialog->done(QDialog::Rejected);
        }
    });
}

}  // namespace morvanex::test
