#include "shell/Document.h"

#include <QWidget>

#include "platform/Codepage.h"
#include "settings/PatternFile.h"
#include "settings/SettingsLifecycle.h"
#include "shell/MainView.h"
#include "widgets/FileDialogs.h"
#include "widgets/QtText.h"

namespace morvanex::shell {

namespace {

constexpr const char* kResetQuestion =
    "MorvaneXの全設定を初期状態に戻します。\nUndo用のデータやドロップしたファイル等全ての"
    "データがクリアされます。\nよろしいですか？";

}  // namespace

Document::Document(const widgets::Preferences& preferences,
                   std::unique_ptr<platform::FileSystem> fileSystem,
                   std::unique_ptr<platform::Clock> clock)
    : m_preferences(preferences), m_fileSystem(std::move(fileSystem)), m_clock(std::move(clock)) {
    m_settings = settings::ConstructSettings(Environment());
    AddUserPatterns();
}

Document::~Document() {
    m_preferences.WriteCopies(m_settings.Preferences);
}

settings::SettingsEnvironment Document::Environment() {
    return settings::SettingsEnvironment{*m_fileSystem, *m_clock, m_preferences.ReadCopies()};
}

void Document::AddUserPatterns() {
    const auto room = static_cast<std::size_t>(settings::kMaxRegisteredPatterns);
    for (settings::RegisteredPattern& pattern : m_preferences.UserPatterns()) {
        if (m_settings.RegisteredPatterns.size() >= room) break;
        m_settings.RegisteredPatterns.push_back(std::move(pattern));
    }
}

void Document::Attach(QWidget& window, MainView& view, engine::Interaction& interaction) {
    m_window = &window;
    m_view = &view;
    m_interaction = &interaction;
}

engine::RunContext Document::RunContext() {
    return engine::RunContext{*m_fileSystem, *m_clock, *m_interaction, &m_journal};
}

void Document::SetTitle(const QString& title) {
    if (m_window != nullptr) m_window->setWindowTitle(title);
}

bool Document::NewDocument() {
    // The first call is part of the program's start: the view has no tabs yet, and the
    // construction defaults stand.
    if (m_view == nullptr || !m_view->HasTabControl()) return true;
    if (!m_interaction->AskYesNo(engine::Question::ResetSettings, platform::Sjis(kResetQuestion)))
        return false;
    m_view->DestroyPages();
    settings::ResetSettings(m_settings, Environment());
    AddUserPatterns();
    m_view->InitialUpdate();
    SetTitle(QStringLiteral("MorvaneX"));
    emit SettingsReplaced();
    return true;
}

void Document::OpenCommand() {
    if (const std::optional<std::string> path = widgets::FileDialogs::OpenPatternFile(m_window)) {
        Load(*path);
    }
}

void Document::SaveAsCommand() {
    if (m_view != nullptr) m_view->StoreCurrentPage();
    if (const std::optional<std::string> path = widgets::FileDialogs::SavePatternFile(m_window)) {
        Save(*path);
    }
}

bool Document::Load(const std::string& path) {
    if (m_view != nullptr) m_view->StoreCurrentPage();
    if (const settings::LoadResult result =
            settings::LoadPatternFile(m_settings, path, *m_fileSystem);
        !result) {
        m_interaction->ShowMessage(settings::LoadFailureMessage(result, path),
                                   engine::MessageIcon::None);
        return false;
    }
    if (m_view != nullptr) m_view->ShowCurrentPage();
    emit SettingsReplaced();
    SetTitle(widgets::ToQString(settings::TitleForLoadedFile(path)));
    return true;
}

bool Document::Save(const std::string& path) {
    if (settings::SavePatternFile(m_settings, path, *m_fileSystem)) return true;
    m_interaction->ShowMessage(settings::SaveFailedMessage(), engine::MessageIcon::None);
    return false;
}

}  // namespace morvanex::shell
