#include "cli/EditFile.h"

#include <algorithm>

#include "platform/TextEscape.h"

namespace morvanex::cli {

namespace {

constexpr std::string_view kIdeographicSpace = "\xE3\x80\x80";

std::string LinePrefix(std::size_t line) {
    return "line " + std::to_string(line) + ": ";
}

std::string Shown(std::string_view text) {
    return "'" + platform::Escaped(text, platform::EscapeBytes::kControlsAndInvalidUtf8) + "'";
}

std::string_view FolderPart(std::string_view path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string_view::npos ? std::string_view() : path.substr(0, slash + 1);
}

}  // namespace

std::string EditLine(std::string_view path) {
    std::string line = platform::Escaped(path, platform::EscapeBytes::kControlsAndInvalidUtf8);
    // A line that starts with "#" is a comment.
    if (line.starts_with('#')) line.replace(0, 1, "\\x23");
    // Editors strip blanks at the end of a line; escaped, they stay.
    std::string end;
    for (;;) {
        if (line.ends_with(' ')) {
            line.pop_back();
            end.insert(0, "\\x20");
        } else if (line.ends_with(kIdeographicSpace)) {
            line.resize(line.size() - kIdeographicSpace.size());
            end.insert(0, "\\xE3\\x80\\x80");
        } else {
            break;
        }
    }
    return line + end;
}

std::string EditFileText(const std::vector<std::string>& paths, std::string_view folder) {
    std::string text =
        "# morvanex-cli edit: " + std::to_string(paths.size()) + " names below " +
        platform::Escaped(folder, platform::EscapeBytes::kControlsAndInvalidUtf8) +
        "\n"
        "# Change a line to rename its file; a line left as the file's name leaves it alone.\n"
        "# Keep one line per file in this order (no line added, removed or moved) and each\n"
        "# line's folder part. \\\\ \\t \\r \\n \\xHH stand for a backslash, a tab, a carriage\n"
        "# return, a line break and one byte; lines starting with # are not names.\n"
        "# Save and quit to see the renames and confirm them; quit with an error status\n"
        "# (:cq in vi) to cancel.\n";
    for (const std::string& path : paths) text.append(EditLine(path)).append("\n");
    return text;
}

EditedNames ReadEditFile(std::string_view text, const std::vector<std::string>& before) {
    EditedNames edited;
    edited.names.reserve(before.size());
    std::vector<std::pair<std::size_t, std::string_view>> lines;  // the name lines, numbered
    lines.reserve(before.size());
    std::size_t number = 0;
    std::size_t lastLine = 0;
    for (std::size_t start = 0; start < text.size();) {
        std::size_t end = text.find('\n', start);
        if (end == std::string_view::npos) end = text.size();
        std::string_view line = text.substr(start, end - start);
        start = end + 1;
        ++number;
        // A carriage return of the name is escaped: one at the end is the editor's CR LF.
        if (line.ends_with('\r')) line.remove_suffix(1);
        if (line.starts_with('#')) continue;
        lines.emplace_back(number, line);
        if (!line.empty()) lastLine = lines.size();
    }
    // Empty lines at the end are what an editor leaves, not names.
    lines.resize(lastLine);

    if (lines.size() > before.size()) {
        edited.errors.push_back(LinePrefix(lines[before.size()].first) + "a name beyond the " +
                                std::to_string(before.size()) +
                                " files: a line was added; each file keeps its one line");
        return edited;
    }
    if (lines.size() < before.size()) {
        edited.errors.push_back(LinePrefix(std::max<std::size_t>(number, 1)) +
                                "the file ends with " + std::to_string(lines.size()) +
                                " names for " + std::to_string(before.size()) +
                                " files: a line was removed; each file keeps its one line");
        return edited;
    }
    std::string path;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const auto [line, written] = lines[i];
        const std::string at = LinePrefix(line);
        std::size_t bad = 0;
        if (!platform::Unescape(written, path, &bad)) {
            edited.errors.push_back(
                at + "a backslash starts no escape (\\\\, \\t, \\r, \\n, \\xHH) at " +
                Shown(written.substr(bad, 4)));
            continue;
        }
        const std::string_view folder = FolderPart(before[i]);
        const std::string_view name = std::string_view(path).substr(FolderPart(path).size());
        if (FolderPart(path) != folder) {
            edited.errors.push_back(at + Shown(path) + " does not keep the folder part " +
                                    (folder.empty() ? std::string("(none)") : Shown(folder)) +
                                    ": a file is renamed in its own folder");
        } else if (name.empty()) {
            edited.errors.push_back(at + "the name is empty");
        } else if (name == "." || name == "..") {
            edited.errors.push_back(at + Shown(name) + " is not a name");
        } else if (name.find('\0') != std::string_view::npos) {
            edited.errors.push_back(at + "a name holds a NUL byte, which no name can hold");
        } else {
            edited.names.emplace_back(name);
        }
    }
    if (!edited.errors.empty()) edited.names.clear();
    return edited;
}

}  // namespace morvanex::cli
