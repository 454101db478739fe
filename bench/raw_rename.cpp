// The physical limit of a rename job: reads the planned moves, one "OLD<TAB>NEW" per line
// (further columns ignored; both paths escaped as the tsv preview writes them), and calls
// rename(2) for each, nothing else.
//   raw_rename PLAN [--reverse]
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "platform/TextEscape.h"

int main(int argc, char** argv) {
    if (argc < 2) return 2;
    const bool reverse = argc > 2 && std::strcmp(argv[2], "--reverse") == 0;
    std::FILE* plan = std::fopen(argv[1], "r");
    if (plan == nullptr) return 1;
    std::vector<std::pair<std::string, std::string>> moves;
    char* line = nullptr;
    std::size_t size = 0;
    ssize_t length;
    while ((length = getline(&line, &size, plan)) > 0) {
        std::string text(line, static_cast<std::size_t>(length));
        if (!text.empty() && text.back() == '\n') text.pop_back();
        const std::size_t tab = text.find('\t');
        if (tab == std::string::npos) continue;
        const std::size_t end = text.find('\t', tab + 1);
        std::string from;
        std::string to;
        if (!morvanex::platform::Unescape(std::string_view(text).substr(0, tab), from) ||
            !morvanex::platform::Unescape(
                std::string_view(text).substr(
                    tab + 1, end == std::string::npos ? std::string::npos : end - tab - 1),
                to)) {
            std::fprintf(stderr, "raw_rename: a path that is not escaped as tsv: %s\n",
                         text.c_str());
            return 2;
        }
        moves.emplace_back(std::move(from), std::move(to));
    }
    std::free(line);
    std::fclose(plan);
    int failures = 0;
    if (reverse) {
        for (auto it = moves.rbegin(); it != moves.rend(); ++it)
            failures += std::rename(it->second.c_str(), it->first.c_str()) != 0;
    } else {
        for (const auto& [from, to] : moves) failures += std::rename(from.c_str(), to.c_str()) != 0;
    }
    return failures == 0 ? 0 : 1;
}
