#include "cli/CommandSupport.h"

#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <iostream>

#include "platform/Codepage.h"
#include "platform/Paths.h"
#include "settings/PatternFile.h"
#include "settings/SettingsLifecycle.h"

namespace morvanex::cli {

void PrintCp932(FILE* stream, const std::string& cp932Text) {
    std::fprintf(stream, "%s\n", platform::Utf8FromCp932(cp932Text).c_str());
}

int UsageError(const std::string& message, Command command) {
    const std::string help =
        command == Command::None ? "--help" : std::string(CommandName(command)) + " --help";
    std::fprintf(stderr, "morvanex-cli: %s\nTry 'morvanex-cli %s'.\n", message.c_str(),
                 help.c_str());
    return kExitUsage;
}

bool LoadJob(Job& job, const std::string& path) {
    job.settings = settings::ConstructSettings({job.fileSystem, job.clock, {}});
    const std::string cp932 = platform::Cp932FromUtf8(AbsolutePath(path));
    if (const settings::LoadResult result =
            settings::LoadPatternFile(job.settings, cp932, job.fileSystem);
        !result) {
        PrintCp932(stderr, settings::LoadFailureMessage(result, cp932));
        return false;
    }
    return true;
}

bool ApplyOverrides(Job& job, const Arguments& options) {
    for (const std::string& set : options.sets) {
        const std::size_t equals = set.find('=');
        const std::size_t dot = set.find('.');
        if (equals == std::string::npos || dot == std::string::npos || dot > equals || dot == 0 ||
            dot + 1 == equals) {
            return UsageError("--set takes SECTION.KEY=VALUE, not '" + set + "'", options.command),
                   false;
        }
        const std::string section = set.substr(0, dot);
        const std::string key = set.substr(dot + 1, equals - dot - 1);
        const std::string value = set.substr(equals + 1);
        const settings::LoadResult result =
            settings::SetPatternKey(job.settings, platform::Cp932FromUtf8(section),
                                    platform::Cp932FromUtf8(key), platform::Cp932FromUtf8(value));
        const std::string name = platform::Utf8FromCp932(result.section + "." + result.key);
        switch (result.error) {
            case settings::LoadError::None:
                continue;
            case settings::LoadError::UnknownKey:
                return UsageError("--set: a job has no key '" + name + "'", options.command), false;
            case settings::LoadError::NotANumber:
                return UsageError("--set: " + name + " takes a number, not '" + value + "'",
                                  options.command),
                       false;
            default:
                return UsageError(
                           "--set: " + platform::Utf8FromCp932(settings::LoadErrorReason(result)),
                           options.command),
                       false;
        }
    }
    return true;
}

bool ApplyTargets(Job& job, const Arguments& options) {
    if (options.folder) {
        // Resolved once, here: the run, its journal and its logs see only absolute paths.
        job.settings.SelectFile.FullPath =
            platform::WithTrailingSeparator(platform::Cp932FromUtf8(AbsolutePath(*options.folder)));
        job.settings.SelectFile.FreeFileSelect = 0;
    }
    if (!options.list && job.settings.SelectFile.FreeFileSelect != 0) {
        UsageError("the job takes its targets from a list of files: give it with --list FILE",
                   options.command);
        return false;
    }
    if (options.list) {
        std::ifstream in(*options.list, std::ios::binary);
        if (!in) {
            std::fprintf(stderr, "morvanex-cli: cannot read the list '%s'\n",
                         options.list->c_str());
            return false;
        }
        job.settings.FreeFileList.clear();
        std::string line;
        while (std::getline(in, line)) {
            if (!line.empty() && line.back() == '\r') line.pop_back();
            if (line.empty()) continue;
            job.settings.FreeFileList.push_back(platform::Cp932FromUtf8(AbsolutePath(line)));
        }
        job.settings.SelectFile.FreeFileSelect = 1;
    }
    return true;
}

std::string AbsolutePath(const std::string& path) {
    if (path.starts_with("/")) return path;
    char buffer[4096];
    const char* cwd = ::getcwd(buffer, sizeof buffer);
    return std::string(cwd != nullptr ? cwd : ".") + "/" + path;
}

bool AskOnTerminal(const std::string& question) {
    std::fprintf(stderr, "%s [y/N] ", question.c_str());
    std::fflush(stderr);
    std::string answer;
    if (!std::getline(std::cin, answer)) return false;
    return answer == "y" || answer == "Y" || answer == "yes";
}

}  // namespace morvanex::cli
