#include "cli/CommandSupport.h"

#include <unistd.h>

#include <cstdio>
#include <iostream>

namespace morvanex::cli {

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
