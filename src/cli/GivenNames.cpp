#include "cli/GivenNames.h"

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "cli/CommandSupport.h"
#include "cli/MappingFile.h"
#include "cli/TerminalInteraction.h"
#include "engine/journal/UndoJournal.h"
#include "engine/run/RunDriver.h"
#include "platform/Codepage.h"
#include "platform/Paths.h"
#include "platform/PosixFileSystem.h"
#include "settings/SettingsLifecycle.h"

namespace morvanex::cli {

namespace {

constexpr int kExitOk = 0;
constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;
constexpr int kExitConflicts = 3;

// Enough to mend a file by; the count says how many more there are.
constexpr std::size_t kErrorsShown = 20;

int RefuseInput(const std::string& file, const std::vector<std::string>& errors) {
    for (std::size_t i = 0; i < errors.size() && i < kErrorsShown; ++i)
        std::fprintf(stderr, "morvanex-cli: %s: %s\n", file.c_str(), errors[i].c_str());
    if (errors.size() > kErrorsShown)
        std::fprintf(stderr, "morvanex-cli: %s: %zu more\n", file.c_str(),
                     errors.size() - kErrorsShown);
    std::fputs("Nothing was renamed.\n", stderr);
    return kExitUsage;
}

// The folder names are resolved in: one the user can enter, never the root of the whole system
// however it is written. Empty (message printed) when it is not such a folder.
std::string BaseFolder(platform::FileSystem& fileSystem, const std::string& path) {
    const std::string folder = platform::WithTrailingSeparator(AbsolutePath(path));
    const std::string cp932 = platform::Cp932FromUtf8(folder);
    std::string canonical;
    if (platform::LexicallyNormal(cp932) == "/" ||
        (fileSystem.CanonicalPath(cp932, canonical) == 0 && canonical == "/")) {
        std::fputs("morvanex-cli: the root of the file system (/) cannot be the folder\n", stderr);
        return {};
    }
    if (!fileSystem.CanEnter(cp932)) {
        std::fprintf(stderr, "morvanex-cli: %s: not a folder that can be entered\n",
                     folder.c_str());
        return {};
    }
    return folder;
}

// A record that renames only: every other operation of a job off, whatever a default says.
settings::RenameSettings NamesOnly(platform::FileSystem& fileSystem, const platform::Clock& clock,
                                   std::vector<std::string> sources) {
    settings::RenameSettings s = settings::ConstructSettings({fileSystem, clock, {}});
    s.SelectFile.FreeFileSelect = 1;
    s.FreeFileList = std::move(sources);
    s.RenameOption.EnableRename = 0;
    s.RenameOption.EnableDigitChange = 0;
    s.LetterChangeOption.EnableLetterChange = 0;
    s.StringChangeOption.EnableStringChange = 0;
    s.AttributeOption.EnableAttribute = 0;
    s.TimeStampOption.EnableTimeStamp = 0;
    s.CopyToDir.EnableCopy = 0;
    s.CommonOption.LogWrite = 0;
    s.CommonOption.BatLogWrite = 0;
    s.CommonOption.ViewDetailResult = 0;
    s.CommonOption.PlanWholeRun = 1;
    return s;
}

// The plan of the given names: previewed and asked for (unless --yes), then run and journaled.
int RenameToGivenNames(std::vector<std::string> sources, const std::vector<std::string>& names,
                       const Arguments& options, const engine::StopRequest* stop) {
    platform::PosixFileSystem fileSystem;
    platform::SystemClock clock;
    settings::RenameSettings s = NamesOnly(fileSystem, clock, std::move(sources));
    const bool progressLine = WantsProgressLine(STDERR_FILENO, options.quiet);
    if (!options.yes) {
        TerminalInteraction preview({}, options.format, true, progressLine);
        const engine::RunContext context{fileSystem, clock, preview, nullptr, stop};
        const engine::RunOutcome outcome =
            engine::StartRun(s, context, true, &s.FreeFileList, &names);
        std::fflush(stdout);
        if (outcome.resultCode != 0) return kExitFailed;
        if (preview.SawConflict()) {
            std::fputs("morvanex-cli: nothing was renamed: the rows marked duplicate, exists or "
                       "refused cannot be renamed as given\n",
                       stderr);
            return kExitConflicts;
        }
        std::size_t changes = 0;
        for (std::size_t i = 0; i < names.size(); ++i)
            changes += platform::FileNameOf(s.FreeFileList[i]) != names[i] ? 1 : 0;
        if (changes == 0) {
            std::fputs("Nothing to rename: every new name is the file's own.\n", stderr);
            return kExitOk;
        }
        if (!AskOnTerminal("Rename these " + std::to_string(changes) + " files?")) {
            std::fputs("Nothing was renamed.\n", stderr);
            return kExitFailed;
        }
    }
    TerminalInteraction terminal({false, false, true}, ListFormat::Text, false, progressLine);
    engine::UndoJournal journal(engine::UndoJournal::DefaultFolder());
    const engine::RunContext context{fileSystem, clock, terminal, &journal, stop};
    const engine::RunOutcome outcome =
        engine::StartRun(s, context, false, &s.FreeFileList, &names);
    return outcome.resultCode == 0 ? kExitOk : kExitFailed;
}

}  // namespace

int Apply(const Arguments& options, const engine::StopRequest* stop) {
    const std::string& file = options.operands[0];
    errno = 0;
    std::ifstream in(file, std::ios::binary);
    const std::string bytes =
        in ? std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>())
           : std::string();
    if (!in || in.bad()) {
        std::fprintf(stderr, "morvanex-cli: cannot read the mapping '%s': %s\n", file.c_str(),
                     std::strerror(errno != 0 ? errno : EIO));
        return kExitUsage;
    }
    platform::PosixFileSystem fileSystem;
    const std::string folder =
        BaseFolder(fileSystem, options.folder ? *options.folder
                                              : platform::DirectoryOf(AbsolutePath(file)));
    if (folder.empty()) return kExitUsage;

    const MappingRead read = ReadMapping(bytes, {options.separator, options.header});
    if (!read.errors.empty()) return RefuseInput(file, read.errors);
    if (read.rows.empty()) return RefuseInput(file, {"no rows to apply"});
    MappedTargets mapped = ResolveMapping(read.rows, folder, fileSystem);
    if (!mapped.errors.empty()) return RefuseInput(file, mapped.errors);
    return RenameToGivenNames(std::move(mapped.sources), mapped.names, options, stop);
}

}  // namespace morvanex::cli
