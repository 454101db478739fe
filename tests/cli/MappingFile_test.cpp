// A mapping file's rows: its columns, quoting and encodings, and each error by its line.
#include "cli/MappingFile.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/Codepage.h"
#include "support/MemoryFileSystem.h"

namespace morvanex::cli {
namespace {

// The rows as "LINE:OLD>NEW" joined by " | ", or the errors joined by " | ".
std::string Describe(const std::vector<std::string>& errors, const std::vector<MappingRow>& rows) {
    std::string out;
    if (!errors.empty()) {
        for (const std::string& error : errors) out += (out.empty() ? "" : " | ") + error;
        return "error: " + out;
    }
    for (const MappingRow& row : rows) {
        out += (out.empty() ? "" : " | ") + std::to_string(row.line) + ":" + row.oldPath + ">" +
               row.newPath;
    }
    return out;
}

TEST(MappingFile, RowsAreReadAsTheFileWritesThem) {
    struct Row {
        const char* name;
        std::string bytes;
        MappingFormat format;
        std::string expected;
    } rows[] = {
        {"csv/plain", "a.jpg,b.jpg\nc.jpg,d.jpg\n", {}, "1:a.jpg>b.jpg | 2:c.jpg>d.jpg"},
        {"csv/crlf_and_no_last_break", "a,b\r\nc,d", {}, "1:a>b | 2:c>d"},
        {"csv/quoted_separator_and_quote",
         "\"a,1.jpg\",\"say \"\"hi\"\".jpg\"\n",
         {},
         "1:a,1.jpg>say \"hi\".jpg"},
        // The row after a quoted line break is numbered by the line it starts on.
        {"csv/quoted_line_break_keeps_line_numbers", "\"a\nb\",c\nd,e\n", {}, "1:a\nb>c | 3:d>e"},
        {"csv/blanks_kept", " a , b \n", {}, "1: a > b "},
        {"csv/blank_lines_skipped", "\na,b\n\r\n\nc,d\n", {}, "2:a>b | 5:c>d"},
        {"csv/empty_third_column_of_a_spreadsheet", "a,b,,\n", {}, "1:a>b"},
        {"csv/header_skipped", "old,new\na,b\n", {',', true}, "2:a>b"},
        {"csv/header_after_blank_lines", "\nold,new\na,b\n", {'\0', true}, "3:a>b"},
        {"separator/semicolon", "a,1;b,2\n", {';', false}, "1:a,1>b,2"},
        {"separator/tab_given_reads_escapes", "a\\tb\tc\n", {'\t', false}, "1:a\tb>c"},
        {"tsv/told_by_the_first_line", "a,1\tb,2\n", {}, "1:a,1>b,2"},
        {"tsv/escapes_of_the_preview", "x\\\\y\\nz\\x01\tnew\\r\n", {}, "1:x\\y\nz\x01>new\r"},
        // Only the first line decides: a later tab is part of a csv field.
        {"tsv/not_told_by_a_later_line", "a,b\nc\td,e\n", {}, "1:a>b | 2:c\td>e"},
        {"encoding/utf8", "写真.jpg,旅行.jpg\n", {}, "1:写真.jpg>旅行.jpg"},
        {"encoding/utf8_byte_order_mark",
         "\xEF\xBB\xBF"
         "a,b\n",
         {},
         "1:a>b"},
        // CP932 with a trail byte that is a backslash (表 is 0x95 0x5C) in a tsv file: read as
        // the character, never as an escape.
        {"encoding/cp932", platform::Sjis("表.jpg\t写真.jpg\n"), {}, "1:表.jpg>写真.jpg"},
        // '|' (0x7C) is a trail byte too: the separator never splits a character.
        {"encoding/cp932_trail_byte_separator",
         platform::Sjis("ポ.jpg|b\n"),
         {'|', false},
         "1:ポ.jpg>b"},
        {"error/one_column",
         "a,b\nc\n",
         {},
         "error: line 2: one column; a mapping needs two, the old name and the new one, "
         "separated by ','"},
        {"error/third_column",
         "a,b,c\n",
         {},
         "error: line 1: 3 columns; a mapping has two, the old name and the new one (a name "
         "with the separator in it is quoted)"},
        {"error/each_line_named",
         "a,\n,b\nc,d\n",
         {},
         "error: line 1: the new name is empty | line 2: the old name is empty"},
        {"error/nul_byte",
         std::string("a\0b,c\n", 6),
         {},
         "error: line 1: a name holds a NUL byte, which no name can hold"},
        {"error/escaped_nul_byte",
         "a\\x00\tc\n",
         {},
         "error: line 1: a name holds a NUL byte, which no name can hold"},
        {"error/quote_never_closed",
         "a,b\nc,\"d\ne,f\n",
         {},
         "error: line 2: a quoted field starts here and is never closed"},
        {"error/text_after_closing_quote",
         "\"a\"x,b\n",
         {},
         "error: line 1: text follows the closing quote of a field (a quote inside a quoted "
         "field is written twice)"},
        {"error/unknown_escape",
         "ok\tfine\na\\qb\tc\n",
         {},
         "error: line 2: column 1: a backslash starts no escape (\\\\, \\t, \\r, \\n, \\xHH) at "
         "'\\\\qb\\t'"},
    };
    for (const Row& row : rows) {
        const MappingRead read = ReadMapping(row.bytes, row.format);
        EXPECT_EQ(Describe(read.errors, read.rows), row.expected) << row.name;
    }
}

// Each row resolved against the folder: the old file there, once, and the new name in its
// folder. The sources and names as "SOURCE>NAME".
TEST(MappingFile, RowsResolveToTargetsInTheirOwnFolders) {
    test::MemoryFileSystem fileSystem;
    fileSystem.AddFile("/p/a.jpg");
    fileSystem.AddFile("/p/b.jpg");
    fileSystem.AddFile("/p/sub/c.jpg");
    fileSystem.AddFile(platform::Sjis("/p/写真.jpg"));
    struct Row {
        const char* name;
        std::vector<MappingRow> rows;
        std::string expected;
    } rows[] = {
        {"name/in_the_old_ones_folder", {{1, "sub/c.jpg", "d.jpg"}}, "/p/sub/c.jpg>d.jpg"},
        {"name/as_a_path_in_the_same_folder",
         {{1, "sub/c.jpg", "./sub//d.jpg"}},
         "/p/sub/c.jpg>d.jpg"},
        {"name/host_text_to_the_cores", {{1, "写真.jpg", "旅行.jpg"}}, "/p/写真.jpg>旅行.jpg"},
        {"name/swap",
         {{1, "a.jpg", "b.jpg"}, {2, "b.jpg", "a.jpg"}},
         "/p/a.jpg>b.jpg | /p/b.jpg>a.jpg"},
        {"error/missing",
         {{4, "x.jpg", "y.jpg"}},
         "error: line 4: 'x.jpg': No such file or directory"},
        {"error/named_twice",
         {{1, "a.jpg", "x.jpg"}, {3, "./a.jpg", "y.jpg"}},
         "error: line 3: './a.jpg' is already renamed by line 1"},
        {"error/another_folder",
         {{2, "sub/c.jpg", "c.jpg"}, {3, "a.jpg", "sub/a.jpg"}},
         "error: line 3: the new name 'sub/a.jpg' would move the file to another folder; it is "
         "renamed in its own folder (the folder itself)"},
        {"error/another_folder_from_a_subfolder",
         {{2, "sub/c.jpg", "other/c.jpg"}},
         "error: line 2: the new name 'other/c.jpg' would move the file to another folder; it is "
         "renamed in its own folder ('sub')"},
        {"error/new_name_a_folder",
         {{1, "a.jpg", "sub/"}},
         "error: line 1: the new name 'sub/' is not a name"},
        {"error/new_name_dots",
         {{1, "a.jpg", ".."}},
         "error: line 1: the new name '..' is not a name"},
        {"error/leaves_the_folder",
         {{1, "../p/a.jpg", "x"}},
         "error: line 1: '../p/a.jpg' is not a path below the folder (relative, without '..')"},
        {"error/absolute",
         {{1, "/p/a.jpg", "x"}},
         "error: line 1: '/p/a.jpg' is not a path below the folder (relative, without '..')"},
        {"error/every_row_named_in_the_files_order",
         {{1, "x", "y"}, {2, "a.jpg", "b\nc"}, {3, "/p/b.jpg", "z"}, {4, "z", "y"}},
         "error: line 1: 'x': No such file or directory | line 3: '/p/b.jpg' is not a path "
         "below the folder (relative, without '..') | line 4: 'z': No such file or directory"},
    };
    for (const Row& row : rows) {
        const MappedTargets mapped = ResolveMapping(row.rows, "/p/", fileSystem);
        std::string out;
        for (std::size_t i = 0; i < mapped.sources.size(); ++i) {
            out += (out.empty() ? "" : " | ") + platform::Utf8FromCp932(mapped.sources[i]) + ">" +
                   platform::Utf8FromCp932(mapped.names[i]);
        }
        EXPECT_EQ(mapped.errors.empty() ? out : Describe(mapped.errors, {}), row.expected)
            << row.name;
    }
}

}  // namespace
}  // namespace morvanex::cli
