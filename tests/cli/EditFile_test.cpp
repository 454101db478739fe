// The lines `edit` writes for the editor and reads back: every name on one line that survives
// an editor, and every edit that cannot be carried out refused by its line.
#include "cli/EditFile.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace morvanex::cli {
namespace {

TEST(EditFile, NamesAreWrittenOnOneLineAndReadBackAsTheyWere) {
    struct Row {
        const char* name;
        std::string path;
        std::string line;
    } rows[] = {
        {"plain/name", "a.jpg", "a.jpg"},
        {"plain/below_a_folder", "sub/a.jpg", "sub/a.jpg"},
        {"plain/utf8_and_inner_blanks", "写真 1.jpg", "写真 1.jpg"},
        {"plain/hash_inside", "a#1.jpg", "a#1.jpg"},
        {"escaped/line_break", "a\nb", "a\\nb"},
        {"escaped/backslash", "a\\nb", "a\\\\nb"},
        {"escaped/tab_and_return", "a\tb\r", "a\\tb\\r"},
        {"escaped/invalid_utf8", "caf\xE9", "caf\\xE9"},
        {"escaped/leading_hash", "#a", "\\x23a"},
        {"escaped/trailing_blanks", "a  ", "a\\x20\\x20"},
        {"escaped/trailing_ideographic_space", "a\xE3\x80\x80", "a\\xE3\\x80\\x80"},
        {"escaped/only_blanks", " ", "\\x20"},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(EditLine(row.path), row.line) << row.name;
        const std::string file = EditFileText({"x", row.path}, "/p/");
        // The file as written, unedited, names every file as it is.
        const std::string folder = row.path.starts_with("sub/") ? "sub/" : "";
        const EditedNames edited = ReadEditFile(file, {"x", row.path});
        ASSERT_TRUE(edited.errors.empty()) << row.name << ": " << edited.errors.front();
        EXPECT_EQ(edited.names, (std::vector<std::string>{"x", row.path.substr(folder.size())}))
            << row.name;
    }
}

TEST(EditFile, AnEditIsReadByLineOrRefusedByLine) {
    const std::vector<std::string> before = {"a.jpg", "b.jpg", "sub/c.jpg"};
    const std::string header = "# comment\n# another\n";
    struct Row {
        const char* name;
        std::string text;
        std::string expected;  // the names joined by "|", or the errors
    } rows[] = {
        {"read/swap_and_rename", header + "b.jpg\na.jpg\nsub/d.jpg\n", "b.jpg|a.jpg|d.jpg"},
        {"read/crlf_of_an_editor", "a.jpg\r\nb.jpg\r\nsub/c.jpg\r\n", "a.jpg|b.jpg|c.jpg"},
        {"read/no_last_line_break", "a.jpg\nb.jpg\nsub/c.jpg", "a.jpg|b.jpg|c.jpg"},
        {"read/empty_lines_at_the_end", "a.jpg\nb.jpg\nsub/c.jpg\n\n\n", "a.jpg|b.jpg|c.jpg"},
        {"read/comments_anywhere", "a.jpg\n# note\nb.jpg\n#\nsub/c.jpg\n", "a.jpg|b.jpg|c.jpg"},
        {"read/escapes", "a\\tb\nb\\x23\nsub/\\\\c\n", "a\tb|b#|\\c"},
        {"refused/line_added", header + "a.jpg\nx.jpg\nb.jpg\nsub/c.jpg\n",
         "line 6: a name beyond the 3 files: a line was added; each file keeps its one line"},
        {"refused/line_removed", header + "a.jpg\nsub/c.jpg\n",
         "line 4: the file ends with 2 names for 3 files: a line was removed; each file keeps "
         "its one line"},
        {"refused/everything_removed", "",
         "line 1: the file ends with 0 names for 3 files: a line was removed; each file keeps "
         "its one line"},
        {"refused/empty_name", "a.jpg\n\nsub/c.jpg\n", "line 2: the name is empty"},
        {"refused/empty_name_below_a_folder", "a.jpg\nb.jpg\nsub/\n", "line 3: the name is empty"},
        {"refused/moved_to_a_folder", "a.jpg\nsub/b.jpg\nsub/c.jpg\n",
         "line 2: 'sub/b.jpg' does not keep the folder part (none): a file is renamed in its own "
         "folder"},
        {"refused/folder_part_changed", "a.jpg\nb.jpg\nother/c.jpg\n",
         "line 3: 'other/c.jpg' does not keep the folder part 'sub/': a file is renamed in its "
         "own folder"},
        {"refused/dots", "..\nb.jpg\nsub/c.jpg\n", "line 1: '..' is not a name"},
        {"refused/nul", "a\\x00\nb.jpg\nsub/c.jpg\n",
         "line 1: a name holds a NUL byte, which no name can hold"},
        {"refused/every_line_named", "\nb\\q\nsub/c.jpg\n",
         "line 1: the name is empty|line 2: a backslash starts no escape (\\\\, \\t, \\r, \\n, "
         "\\xHH) at '\\\\q'"},
    };
    for (const Row& row : rows) {
        const EditedNames edited = ReadEditFile(row.text, before);
        std::string out;
        for (const std::string& text : edited.errors.empty() ? edited.names : edited.errors)
            out += (out.empty() ? "" : "|") + text;
        EXPECT_EQ(out, row.expected) << row.name;
        // A refused edit gives no name at all, not the names before the first fault.
        if (!edited.errors.empty()) {
            EXPECT_TRUE(edited.names.empty()) << row.name;
        }
    }
}

}  // namespace
}  // namespace morvanex::cli
