#include "shell/Application.h"

#include <QApplication>
#include <QLocale>
#include <QScreen>
#include <clocale>
#include <cstdio>
#include <cstdlib>

#include "engine/ResultCodes.h"
#include "platform/Clock.h"
#include "platform/Codepage.h"
#include "platform/Paths.h"
#include "platform/PosixFileSystem.h"
#include "shell/Document.h"
#include "shell/MainView.h"
#include "widgets/Translations.h"

namespace morvanex::shell {

namespace {

bool HasDisplay() {
    const char* platformName = std::getenv("QT_QPA_PLATFORM");
    const char* display = std::getenv("DISPLAY");
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    return (platformName != nullptr && *platformName != '\0') ||
           (display != nullptr && *display != '\0') || (wayland != nullptr && *wayland != '\0');
}

void SetJapaneseLocale() {
    for (const char* name : {"ja_JP.UTF-8", "ja_JP.utf8", "C.UTF-8"}) {
        if (std::setlocale(LC_ALL, name) != nullptr) return;
    }
}

// The auto-exec run shows nothing; whoever started it (a scheduler, a script) still learns
// from its error output why it failed and whether files were already renamed.
void ReportFailedRun(const engine::RunOutcome& outcome) {
    std::string text =
        engine::RunErrorMessage(outcome.resultCode, outcome.systemError, outcome.currentPath);
    if (outcome.doneCount > 0) {
        text += platform::Sjis("\n処理が中断しました。\n" + std::to_string(outcome.doneCount) +
                               "個目のファイルまで変換しました。");
    }
    std::fprintf(stderr, "%s\n", platform::Utf8FromCp932(text).c_str());
}

}  // namespace

Application::Application(const FrameOptions& options) : m_options(options) {}

Application::~Application() {
    // The window goes first: it refers to the document, which writes its preferences last.
    m_frame.reset();
    m_document.reset();
}

std::string Application::RawCommandLine(int argc, char** argv) {
    std::string utf8;
    for (int i = 1; i < argc; ++i) {
        if (i > 1) utf8 += ' ';
        utf8 += argv[i];
    }
    return platform::Cp932FromUtf8(utf8);
}

std::optional<std::string> Application::StartUpFile(std::string_view rawCommandLine) {
    if (rawCommandLine.empty()) return std::nullopt;
    if (rawCommandLine.front() != '"') return std::string(rawCommandLine);
    if (rawCommandLine.size() < 2) return std::string();
    return std::string(rawCommandLine.substr(1, rawCommandLine.size() - 2));
}

bool Application::IsAutoExecFile(std::string_view path) {
    const std::size_t separator = platform::FindLastChar(path, platform::kSeparator);
    const std::string_view name =
        separator == std::string::npos ? path : path.substr(separator + 1);
    const std::size_t period = platform::FindLastChar(name, '.');
    return period != std::string::npos && platform::EqualNoCase(name.substr(period), ".mxs");
}

void Application::StartWizardIfWanted() const {
    int mode = m_preferences.StoredStartWizardAtAppStart();
    if (mode == 0) return;
    if (mode < 1 || mode > 3) {
        mode = 1;
        m_preferences.SetStartWizardAtAppStart(mode);
    }
    m_frame->StartWizard(mode);
}

std::optional<std::string> Application::FileToOpen(int argc, char** argv) {
    if (argc != 3 || std::string_view(argv[1]) != "--open") return std::nullopt;
    return platform::Cp932FromUtf8(argv[2]);
}

std::optional<int> Application::Start(const std::optional<std::string>& startUpFile,
                                      bool openOnly) {
    m_document =
        std::make_unique<Document>(m_preferences, std::make_unique<platform::PosixFileSystem>(),
                                   std::make_unique<platform::SystemClock>());
    m_frame = std::make_unique<MainFrame>(*m_document, m_options);
    m_document->NewDocument();
    m_frame->View().InitialUpdate();

    const QRect screen = QGuiApplication::primaryScreen() != nullptr
                             ? QGuiApplication::primaryScreen()->geometry()
                             : QRect(0, 0, 1024, 768);
    m_frame->ApplySavedGeometry(screen.width(), screen.height());
    m_frame->SetSaveGeometryOnClose(!m_options.headless);
    m_frame->show();
    m_frame->setWindowTitle(QStringLiteral("MorvaneX"));

    bool loaded = false;
    if (startUpFile) {
        loaded = m_document->Load(*startUpFile);
    } else if (m_preferences.AppExecWithOpenMVXFlag() == 1) {
        // Only loaded, never run, whatever its extension.
        if (const std::optional<std::string> path = m_preferences.StoredAutoExecPath()) {
            m_document->Load(*path);
        }
    }

    if (startUpFile && IsAutoExecFile(*startUpFile) && !openOnly) {
        int status = 1;
        // A job file that did not load must not run: the record would still describe the
        // default job on the first drive.
        if (loaded) {
            m_document->Settings().AutoExecMode = 1;
            const engine::RunOutcome outcome = m_frame->View().StartRun(false);
            status = outcome.resultCode == 0 ? 0 : 1;
            if (outcome.resultCode != 0) ReportFailedRun(outcome);
        }
        m_frame->close();
        return status;
    }

    StartWizardIfWanted();
    widgets::Preferences::RemoveObsoleteKeys();
    return std::nullopt;
}

int Application::Main(int argc, char** argv) {
    // A downloaded auto-exec file opened from the desktop must never rename files unasked.
    const std::optional<std::string> toOpen = FileToOpen(argc, argv);
    const std::optional<std::string> startUpFile =
        toOpen ? toOpen : StartUpFile(RawCommandLine(argc, argv));
    const bool autoExec = !toOpen && startUpFile && IsAutoExecFile(*startUpFile);
    if (!HasDisplay()) {
        if (!autoExec) {
            std::fprintf(stderr,
                         "morvanex: no display to show the window on (DISPLAY is not set).\n"
                         "An auto-exec file (.mxs) can be run without one.\n");
            return 1;
        }
        // An unattended run: nothing is shown, questions are answered No.
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    }

    // The whole command line is one path: the toolkit must not take options out of it.
    int toolkitArgc = 1;
    QApplication application(toolkitArgc, argv);
    QApplication::setOrganizationName(QStringLiteral("Pelvarin"));
    QApplication::setApplicationName(QStringLiteral("MorvaneX"));
    // The toolkit set the locale from the environment; the program runs in Japanese and UTC+9.
    SetJapaneseLocale();
    platform::FixTimeZone();
    QLocale::setDefault(QLocale(QLocale::Japanese, QLocale::Japan));
    widgets::InstallJapaneseTranslations();

    const QString platformName = QGuiApplication::platformName();
    FrameOptions options;
    options.headless =
        platformName == QLatin1String("offscreen") || platformName == QLatin1String("minimal");
    Application program(options);
    if (const std::optional<int> status = program.Start(startUpFile, toOpen.has_value()))
        return *status;
    return QApplication::exec();
}

}  // namespace morvanex::shell
