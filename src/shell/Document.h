#pragma once

#include <QObject>
#include <memory>
#include <optional>
#include <string>

#include "engine/Interaction.h"
#include "engine/journal/UndoJournal.h"
#include "engine/run/RunDriver.h"
#include "platform/Clock.h"
#include "platform/FileSystem.h"
#include "settings/RenameSettings.h"
#include "settings/SettingsLifecycle.h"
#include "widgets/Preferences.h"

class QWidget;

// The one document of the program: it owns the settings record with its run-time members, the
// file system and the clock the core works with, and carries out the three file commands
// (reset all settings, load a pattern file, save under a new name).
namespace morvanex::shell {

class MainView;

class Document : public QObject {
    Q_OBJECT

  public:
    Document(const widgets::Preferences& preferences,
             std::unique_ptr<platform::FileSystem> fileSystem,
             std::unique_ptr<platform::Clock> clock);
    // Writes the four preference copies back.
    ~Document() override;

    settings::RenameSettings& Settings() { return m_settings; }
    const settings::RenameSettings& Settings() const { return m_settings; }
    platform::FileSystem& FileSystem() { return *m_fileSystem; }
    const platform::Clock& Clock() const { return *m_clock; }
    const widgets::Preferences& Prefs() const { return m_preferences; }

    // The window that shows the title and owns the dialogs, the view whose current page is
    // stored and shown, and where messages go.
    void Attach(QWidget& window, MainView& view, engine::Interaction& interaction);
    engine::Interaction& Interaction() { return *m_interaction; }
    engine::RunContext RunContext();

    // Reset all settings. The first call, made while the program starts and before the view
    // has its tabs, asks nothing and changes nothing; later calls ask first. True when done.
    bool NewDocument();
    // The open command: file dialog, then Load.
    void OpenCommand();
    // The save-as command: stores the current page, file dialog, then Save. Cancel writes
    // nothing; the title stays as it is.
    void SaveAsCommand();

    // Loads a pattern or auto-exec file into the record; reports a failure itself.
    bool Load(const std::string& path);
    // Deletes any file at the path and writes a complete pattern file; reports a failure.
    bool Save(const std::string& path);

  signals:
    // The settings changed as a whole (loaded, reset): the settings list should rebuild.
    void SettingsReplaced();

  private:
    settings::SettingsEnvironment Environment();
    // The user's own patterns follow the built-in ones, as far as the table has room.
    void AddUserPatterns();
    void SetTitle(const QString& title);

    const widgets::Preferences& m_preferences;
    std::unique_ptr<platform::FileSystem> m_fileSystem;
    std::unique_ptr<platform::Clock> m_clock;
    settings::RenameSettings m_settings;
    QWidget* m_window = nullptr;
    MainView* m_view = nullptr;
    engine::Interaction* m_interaction = nullptr;
    // Real runs are recorded here too, so `morvanex-cli undo` can take back a run of the
    // window even after the program ended or was killed midway.
    engine::UndoJournal m_journal{engine::UndoJournal::DefaultFolder()};
};

}  // namespace morvanex::shell
