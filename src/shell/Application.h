#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "shell/MainFrame.h"
#include "widgets/Preferences.h"

// The start-up of the program: document, main window, the file named on the command line,
// the unattended run of an auto-exec file, and the preference clean-up of a normal start.
namespace morvanex::shell {

class Document;

class Application {
  public:
    explicit Application(const FrameOptions& options);
    ~Application();

    // Everything after the toolkit exists, in order. Returns the process exit status when
    // the program ends at once (an auto-exec file was given), nothing when the window stays.
    // With openOnly the file is loaded into the window whatever its kind, never run.
    std::optional<int> Start(const std::optional<std::string>& startUpFile, bool openOnly = false);

    Document& Doc() const { return *m_document; }
    MainFrame& Frame() const { return *m_frame; }
    const widgets::Preferences& Prefs() const { return m_preferences; }

    // The command line as one text: the arguments joined by blanks, as CP932.
    static std::string RawCommandLine(int argc, char** argv);
    // The file the command line names: the whole text, without one pair of surrounding
    // quotes; nothing for an empty command line.
    static std::optional<std::string> StartUpFile(std::string_view rawCommandLine);
    // True for an auto-exec file: the extension is "mxs" in any letter case.
    static bool IsAutoExecFile(std::string_view path);

    // "--open FILE" (the desktop entry's command: a double-clicked job is opened, never run),
    // the file as CP932; nothing for any other command line.
    static std::optional<std::string> FileToOpen(int argc, char** argv);

    // The whole program (main() calls only this).
    static int Main(int argc, char** argv);

  private:
    // The wizard at start, in the mode the preferences hold (a value that is none is made 1).
    void StartWizardIfWanted() const;

    widgets::Preferences m_preferences;
    FrameOptions m_options;
    std::unique_ptr<Document> m_document;
    std::unique_ptr<MainFrame> m_frame;
};

}  // namespace morvanex::shell
