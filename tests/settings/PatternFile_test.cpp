#include "settings/PatternFile.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <functional>

#include "platform/Codepage.h"
#include "platform/PosixFileSystem.h"
#include "support/FaultInjectingFileSystem.h"
#include "support/MemoryFileSystem.h"
#include "support/TempFolder.h"

namespace morvanex::settings {
namespace {

std::string WithMarker(const std::string& body, const std::string& marker = "MorvaneX") {
    return "[ParameterSaveFile]\r\nApplicationName=" + marker + "\r\n" + body;
}

TEST(PatternFile, WritesEverySectionAndKeyInFileOrder) {
    RenameSettings s;
    s.SelectFile.RootDir = "/";
    s.SelectFile.FullPath = "/photos/";
    const std::string text = SerializePatternFile(s);
    EXPECT_TRUE(text.starts_with(
        "[ParameterSaveFile]\r\nApplicationName=MorvaneX\r\n[SelectFile]\r\nRootDir=/\r\n"
        "FullPath=/photos/\r\nSelectedRenameDrive=0\r\nRealTimeRefresh=0\r\nIncludeSubDir=0\r\n"
        "FileFilter=*.*\r\nFreeFileSelect=0\r\nDropDirAction=0\r\n[CopyToDir]\r\nEnableCopy="
        "0\r\n"));
    EXPECT_NE(
        text.find("SelectedRenamePattern=0\r\nSelectedPart00=0\r\nStrPart00=\r\nDigitNum00=3\r\n"
                  "SkipNum00=1\r\nFormatType00=0\r\nFixedFormatNum00=0\r\nYear2Digit00=0\r\n"
                  "SelectedPart01="),
        std::string::npos);
    EXPECT_NE(text.find("Year2Digit11=0\r\nExifStrictJpeg=0\r\nExifTagCp932=0\r\n"
                        "[LetterChangeOption]\r\n"),
              std::string::npos);
    EXPECT_NE(text.find("ChangeBefore001=\r\nChangeAfter001=\r\nChangeBefore002="),
              std::string::npos);
    EXPECT_NE(text.find("ChangeAfter010=\r\nUseRegex=0\r\n[AttributeOption]"), std::string::npos);
    EXPECT_EQ(text.find("ChangeBefore000"), std::string::npos);
    EXPECT_TRUE(text.ends_with("BatLogWrite=0\r\nLogWritePath=\r\nNaturalOrder=0\r\n"));
}

TEST(PatternFile, SaveAndLoadGiveTheSameRecordBack) {
    RenameSettings saved;
    saved.RenameOption.Parts[2].StrPart = "1";
    saved.RenameOption.Parts[11].StrPart = "0A0C";
    saved.StringChangeOption.ChangeBefore[0] = " padded ";
    saved.StringChangeOption.ChangeAfter[9] = "\"quoted\"";
    saved.CommonOption.LogWritePath = platform::Sjis("/ログ/表/");
    saved.LetterChangeOption.ChangeMode = -5;
    test::MemoryFileSystem fs;
    ASSERT_TRUE(SavePatternFile(saved, "/job.mvx", fs));
    RenameSettings loaded;
    loaded.LetterChangeOption.ChangeMode = 3;
    loaded.RenameOption.Parts[0].StrPart = "will be overwritten by the empty text";
    ASSERT_TRUE(LoadPatternFile(loaded, "/job.mvx", fs));
    EXPECT_TRUE(loaded.SamePersistentFields(saved));
    EXPECT_EQ(loaded.RenameOption.Parts[0].StrPart, "");
}

TEST(PatternFile, LoadAppliesItsRulesKeyByKey) {
    struct Row {
        const char* name;
        std::string file;
        bool ok;
        int changeMode;
        int selectedPart3;
    } rows[] = {
        {"marker_only_any_value", WithMarker("", "x"), true, 1, 0},
        {"empty_marker_fails", WithMarker("[LetterChangeOption]\r\nChangeMode=4\r\n", ""), false, 1,
         0},
        {"marker_not_found_text_fails", WithMarker("", "NOT_FOUND"), false, 1, 0},
        {"no_marker_fails", "[LetterChangeOption]\r\nChangeMode=4\r\n", false, 1, 0},
        {"not_found_value_keeps_field",
         WithMarker("[LetterChangeOption]\r\nChangeMode=NOT_FOUND\r\n"), true, 1, 0},
        {"not_a_number_is_zero", WithMarker("[LetterChangeOption]\r\nChangeMode=abc\r\n"), true, 0,
         0},
        {"leading_blanks_and_trailing_junk",
         WithMarker("[LetterChangeOption]\r\nChangeMode=\"  42xyz\"\r\n"), true, 42, 0},
        {"sign", WithMarker("[LetterChangeOption]\r\nChangeMode=-3\r\n"), true, -3, 0},
        {"out_of_range_stored_as_read", WithMarker("[RenameOption]\r\nSelectedPart03=20\r\n"), true,
         1, 20},
        {"key_case_ignored", WithMarker("[renameoption]\r\nselectedpart03=7\r\n"), true, 1, 7},
    };
    for (const auto& row : rows) {
        RenameSettings s;
        EXPECT_EQ(static_cast<bool>(LoadPatternText(s, row.file)), row.ok) << row.name;
        EXPECT_EQ(s.LetterChangeOption.ChangeMode, row.changeMode) << row.name;
        EXPECT_EQ(s.RenameOption.Parts[3].SelectedPart, row.selectedPart3) << row.name;
    }
}

// The Exif reading and the tag text reading never carry over from the job loaded before: a
// file without the key means the default, unlike every other key.
TEST(PatternFile, ExifReadingKeysLoadTheirDefaultWhenMissing) {
    struct Row {
        const char* name;
        int before;
        std::string file;
        int expected;
    } rows[] = {
        {"exif_key/strict", 0, WithMarker("[RenameOption]\r\nExifStrictJpeg=1\r\n"), 1},
        {"exif_key/wide", 1, WithMarker("[RenameOption]\r\nExifStrictJpeg=0\r\n"), 0},
        {"exif_key/missing_after_a_strict_job", 1, WithMarker("[RenameOption]\r\nDigitNum00=4\r\n"),
         0},
        {"exif_key/marker_only_after_a_strict_job", 1, WithMarker(""), 0},
        {"tag_key/always", 0, WithMarker("[RenameOption]\r\nExifTagCp932=1\r\n"), 1},
        {"tag_key/never", 0, WithMarker("[RenameOption]\r\nExifTagCp932=2\r\n"), 2},
        {"tag_key/missing_after_a_forcing_job", 2, WithMarker("[RenameOption]\r\nDigitNum00=4\r\n"),
         0},
    };
    for (const Row& row : rows) {
        RenameSettings s;
        const bool tagKey = std::string_view(row.name).starts_with("tag_key");
        int& field = tagKey ? s.RenameOption.ExifTagCp932 : s.RenameOption.ExifStrictJpeg;
        field = row.before;
        ASSERT_TRUE(LoadPatternText(s, row.file)) << row.name;
        EXPECT_EQ(field, row.expected) << row.name;
    }
    RenameSettings saved;
    saved.RenameOption.ExifStrictJpeg = 1;
    saved.RenameOption.ExifTagCp932 = 2;
    RenameSettings loaded;
    ASSERT_TRUE(LoadPatternText(loaded, SerializePatternFile(saved)));
    EXPECT_EQ(loaded.RenameOption.ExifStrictJpeg, 1);
    EXPECT_EQ(loaded.RenameOption.ExifTagCp932, 2);
}

TEST(PatternFile, MarkerOnlyFileChangesNothing) {
    RenameSettings s;
    s.SelectFile.FullPath = "/keep/";
    const RenameSettings before = s;
    ASSERT_TRUE(LoadPatternText(s, "[ParameterSaveFile]\r\nApplicationName=x\r\n"));
    EXPECT_TRUE(s.SamePersistentFields(before));
}

// An older job lacks the keys added since: it never inherits their values from the job loaded
// before it, while an old key it lacks still keeps its value.
TEST(PatternFile, AJobWithoutTheNewerKeysTakesTheirDefaults) {
    struct Row {
        const char* name;
        std::string body;
        int useRegex, naturalOrder;
    } rows[] = {
        {"missing/both", "[StringChangeOption]\r\nEnableStringChange=1\r\n", 0, 0},
        {"missing/sections_absent", "", 0, 0},
        {"present/both",
         "[StringChangeOption]\r\nUseRegex=1\r\n[CommonOption]\r\nNaturalOrder=1\r\n", 1, 1},
        {"present/one", "[CommonOption]\r\nnaturalorder=7\r\n", 0, 7},
        {"not_found_text/is_missing", "[StringChangeOption]\r\nUseRegex=NOT_FOUND\r\n", 0, 0},
    };
    for (const auto& row : rows) {
        RenameSettings s;
        s.StringChangeOption.UseRegex = 1;
        s.CommonOption.NaturalOrder = 1;
        s.LetterChangeOption.ChangeMode = 5;
        ASSERT_TRUE(LoadPatternText(s, WithMarker(row.body))) << row.name;
        EXPECT_EQ(s.StringChangeOption.UseRegex, row.useRegex) << row.name;
        EXPECT_EQ(s.CommonOption.NaturalOrder, row.naturalOrder) << row.name;
        EXPECT_EQ(s.LetterChangeOption.ChangeMode, 5) << row.name;
    }
}

TEST(PatternFile, OneKeySetFromOutsideAFileAsItsLineWould) {
    const std::string long259 = "/" + std::string(258, 'a');
    std::string japanese150;
    for (int i = 0; i < 150; ++i) japanese150 += "\x82\xA0";
    struct Row {
        const char* name;
        const char* section;
        const char* key;
        std::string text;
        LoadError error;
        std::function<std::string(const RenameSettings&)> field;
        std::string expected;  // the field afterwards (unchanged on an error)
    } rows[] = {
        {"integer/plain", "CommonOption", "NaturalOrder", "1", LoadError::None,
         [](const RenameSettings& s) { return std::to_string(s.CommonOption.NaturalOrder); }, "1"},
        {"integer/sign_and_blanks", "LetterChangeOption", "ChangeMode", "  -3 ", LoadError::None,
         [](const RenameSettings& s) { return std::to_string(s.LetterChangeOption.ChangeMode); },
         "-3"},
        {"integer/out_of_range_saturates", "RenameOption", "DigitNum01", "99999999999",
         LoadError::None,
         [](const RenameSettings& s) { return std::to_string(s.RenameOption.Parts[1].DigitNum); },
         "2147483647"},
        {"integer/names_in_any_case", "renameoption", "SELECTEDPART03", "7", LoadError::None,
         [](const RenameSettings& s) {
             return std::to_string(s.RenameOption.Parts[3].SelectedPart);
         },
         "7"},
        {"integer/letters_refused", "LetterChangeOption", "ChangeMode", "abc",
         LoadError::NotANumber,
         [](const RenameSettings& s) { return std::to_string(s.LetterChangeOption.ChangeMode); },
         "1"},
        {"integer/trailing_junk_refused", "LetterChangeOption", "ChangeMode", "4x",
         LoadError::NotANumber,
         [](const RenameSettings& s) { return std::to_string(s.LetterChangeOption.ChangeMode); },
         "1"},
        {"integer/empty_refused", "LetterChangeOption", "ChangeMode", "", LoadError::NotANumber,
         [](const RenameSettings& s) { return std::to_string(s.LetterChangeOption.ChangeMode); },
         "1"},
        {"text/fixed_cut_to_field", "RenameOption", "StrPart00", japanese150, LoadError::None,
         [](const RenameSettings& s) { return s.RenameOption.Parts[0].StrPart; },
         japanese150.substr(0, 258)},
        {"text/free_kept_whole", "StringChangeOption", "ChangeBefore010", japanese150,
         LoadError::None,
         [](const RenameSettings& s) { return s.StringChangeOption.ChangeBefore[9]; }, japanese150},
        {"text/quotes_keep_blanks", "StringChangeOption", "ChangeAfter001", "\" x \"",
         LoadError::None,
         [](const RenameSettings& s) { return s.StringChangeOption.ChangeAfter[0]; }, " x "},
        {"text/line_break_refused", "StringChangeOption", "ChangeAfter001", "a\nb",
         LoadError::LineBreak,
         [](const RenameSettings& s) { return s.StringChangeOption.ChangeAfter[0]; }, ""},
        {"folder/absolute", "SelectFile", "FullPath", long259, LoadError::None,
         [](const RenameSettings& s) { return s.SelectFile.FullPath; }, long259},
        {"folder/too_long", "SelectFile", "FullPath", long259 + "a", LoadError::PathTooLong,
         [](const RenameSettings& s) { return s.SelectFile.FullPath; }, ""},
        {"folder/relative", "CommonOption", "LogWritePath", "logs/", LoadError::PathNotAbsolute,
         [](const RenameSettings& s) { return s.CommonOption.LogWritePath; }, ""},
        {"unknown/key", "CommonOption", "NoSuchKey", "1", LoadError::UnknownKey, nullptr, ""},
        {"unknown/section", "NoSection", "SortCondition", "1", LoadError::UnknownKey, nullptr, ""},
        {"unknown/marker_is_no_field", "ParameterSaveFile", "ApplicationName", "x",
         LoadError::UnknownKey, nullptr, ""},
    };
    for (const auto& row : rows) {
        RenameSettings s;
        const RenameSettings before = s;
        const LoadResult result = SetPatternKey(s, row.section, row.key, row.text);
        EXPECT_EQ(result.error, row.error) << row.name;
        if (row.field) {
            EXPECT_EQ(row.field(s), row.expected) << row.name;
        }
        if (row.error != LoadError::None) {
            EXPECT_TRUE(s.SamePersistentFields(before)) << row.name;
            EXPECT_NE(LoadErrorReason(result).find(row.key), std::string::npos) << row.name;
        }
    }
    // The result names the field as a file spells it.
    RenameSettings s;
    const LoadResult result = SetPatternKey(s, "commonoption", "naturalorder", "x");
    EXPECT_EQ(result.section + "." + result.key, "CommonOption.NaturalOrder");
}

// The keys offered to the shells' completion are the file's keys, and each is one --set takes.
TEST(PatternFile, TheKeyListIsTheKeysAFileHolds) {
    std::vector<std::string> written;
    std::string section;
    const std::string text = SerializePatternFile(RenameSettings{});
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t end = text.find("\r\n", at);
        const std::string line = text.substr(at, end - at);
        at = end + 2;
        if (line.starts_with("[")) {
            section = line.substr(1, line.size() - 2);
        } else if (section != "ParameterSaveFile") {
            written.push_back(section + "." + line.substr(0, line.find('=')));
        }
    }
    const std::vector<std::string> keys = PatternKeys();
    EXPECT_EQ(keys, written);
    for (const std::string& key : keys) {
        RenameSettings s;
        const std::size_t dot = key.find('.');
        EXPECT_NE(SetPatternKey(s, key.substr(0, dot), key.substr(dot + 1), "/").error,
                  LoadError::UnknownKey)
            << key;
    }
}

TEST(PatternFile, LongTextsAreCutOnACharacterBoundary) {
    std::string longText;
    for (int i = 0; i < 150; ++i) longText += "\x82\xA0";
    RenameSettings s;
    ASSERT_TRUE(LoadPatternText(
        s, WithMarker("[RenameOption]\r\nStrPart00=" + longText +
                      "\r\n[StringChangeOption]\r\nChangeBefore001=" + longText + "\r\n")));
    EXPECT_EQ(s.RenameOption.Parts[0].StrPart.size(), 258u);
    EXPECT_EQ(platform::CharCount(s.RenameOption.Parts[0].StrPart), 129u);
    EXPECT_EQ(s.StringChangeOption.ChangeBefore[0], longText);  // replacement texts grow freely
}

TEST(PatternFile, FailedWriteLeavesNoFile) {
    test::MemoryFileSystem fs;
    fs.AddFile("/job.mvx", "old");
    fs.writeError = 28;  // ENOSPC
    EXPECT_FALSE(SavePatternFile(RenameSettings{}, "/job.mvx", fs));
    EXPECT_FALSE(fs.Exists("/job.mvx"));
}

TEST(PatternFile, FolderKeysThatWouldNameAnotherFolderRefuseTheWholeLoad) {
    const std::string long260 = "/" + std::string(259, 'a');
    const std::string long259 = "/" + std::string(258, 'a');
    const std::string photos = platform::Sjis("/写真/表/");
    struct Row {
        const char* name;
        std::string body;  // follows a ChangeMode=4 that must not arrive when refused
        LoadError error;
        const char* section;
        const char* key;
    } rows[] = {
        {"too_long/select_file", "[SelectFile]\r\nFullPath=" + long260 + "\r\n",
         LoadError::PathTooLong, "SelectFile", "FullPath"},
        {"too_long/copy_to_dir", "[CopyToDir]\r\nFullPath=" + long260 + "\r\n",
         LoadError::PathTooLong, "CopyToDir", "FullPath"},
        {"too_long/log_write_path", "[CommonOption]\r\nLogWritePath=" + long260 + "\r\n",
         LoadError::PathTooLong, "CommonOption", "LogWritePath"},
        {"too_long/beyond_the_reader_buffer", "[SelectFile]\r\nFullPath=/" + std::string(3000, 'b'),
         LoadError::PathTooLong, "SelectFile", "FullPath"},
        {"not_absolute/parent", "[SelectFile]\r\nFullPath=..\r\n", LoadError::PathNotAbsolute,
         "SelectFile", "FullPath"},
        {"not_absolute/copy_to_dir", "[CopyToDir]\r\nFullPath=backup/\r\n",
         LoadError::PathNotAbsolute, "CopyToDir", "FullPath"},
        {"not_absolute/log", "[CommonOption]\r\nLogWritePath=logs/\r\n", LoadError::PathNotAbsolute,
         "CommonOption", "LogWritePath"},
        {"not_absolute/home_shorthand", "[SelectFile]\r\nFullPath=~/Pictures/\r\n",
         LoadError::PathNotAbsolute, "SelectFile", "FullPath"},
        {"malformed/ends_in_lead_byte", "[SelectFile]\r\nFullPath=/photos/caf\xE9\r\n",
         LoadError::PathMalformed, "SelectFile", "FullPath"},
        {"malformed/lead_byte_before_separator", "[SelectFile]\r\nFullPath=/caf\xE9/2024/\r\n",
         LoadError::PathMalformed, "SelectFile", "FullPath"},
        {"malformed/log", "[CommonOption]\r\nLogWritePath=/var/log/caf\xE9\r\n",
         LoadError::PathMalformed, "CommonOption", "LogWritePath"},
        {"order/first_refused_key_is_named",
         "[SelectFile]\r\nFullPath=/ok/\r\n[CopyToDir]\r\nFullPath=rel/\r\n"
         "[CommonOption]\r\nLogWritePath=" +
             long260 + "\r\n",
         LoadError::PathNotAbsolute, "CopyToDir", "FullPath"},
        {"allowed/empty", "[SelectFile]\r\nFullPath=\r\n[CommonOption]\r\nLogWritePath=\r\n",
         LoadError::None, "", ""},
        {"allowed/at_the_limit", "[SelectFile]\r\nFullPath=" + long259 + "\r\n", LoadError::None,
         "", ""},
        {"allowed/double_byte_names", "[SelectFile]\r\nFullPath=" + photos + "\r\n",
         LoadError::None, "", ""},
        {"allowed/not_found_keeps_the_field", "[SelectFile]\r\nFullPath=NOT_FOUND\r\n",
         LoadError::None, "", ""},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        RenameSettings s;
        s.SelectFile.FullPath = "/before/";
        const RenameSettings before = s;
        const LoadResult result =
            LoadPatternText(s, WithMarker("[LetterChangeOption]\r\nChangeMode=4\r\n" + row.body));
        EXPECT_EQ(result.error, row.error);
        EXPECT_EQ(result.section, row.section);
        EXPECT_EQ(result.key, row.key);
        if (row.error != LoadError::None) {
            EXPECT_TRUE(s.SamePersistentFields(before)) << "a refused file changes nothing";
        } else {
            EXPECT_EQ(s.LetterChangeOption.ChangeMode, 4);
        }
    }

    RenameSettings kept;
    ASSERT_TRUE(LoadPatternText(kept, WithMarker("[SelectFile]\r\nFullPath=" + long259 + "\r\n")));
    EXPECT_EQ(kept.SelectFile.FullPath, long259) << "nothing is cut off a path that fits";
}

TEST(PatternFile, OtherTextsAreStillCutToTheirField) {
    std::string rootDir = "/";
    for (int i = 0; i < 150; ++i) rootDir += "\x82\xA0";
    RenameSettings s;
    ASSERT_TRUE(LoadPatternText(s, WithMarker("[SelectFile]\r\nRootDir=" + rootDir + "\r\n")));
    EXPECT_EQ(s.SelectFile.RootDir, rootDir.substr(0, 259));
}

// The real fault: a file beyond the limit was read in part, so a key at its end lost its tail.
TEST(PatternFile, FileBeyondTheSizeLimitIsRefusedNotReadInPart) {
    const std::string head = WithMarker("[LetterChangeOption]\r\nChangeMode=4\r\n[SelectFile]\r\n");
    const std::string tail = "FullPath=/photos_archive/\r\n";
    const auto fileOf = [&](std::size_t size) {
        const std::size_t padding = size - head.size() - tail.size() - 3;
        return head + ";" + std::string(padding, 'x') + "\r\n" + tail;
    };
    test::MemoryFileSystem fs;
    fs.AddFile("/at_limit.mvx", fileOf(kMaxPatternFileBytes));
    fs.AddFile("/beyond.mvx", fileOf(kMaxPatternFileBytes + 1));
    ASSERT_EQ(fs.files["/beyond.mvx"].contents.size(), kMaxPatternFileBytes + 1);

    RenameSettings s;
    EXPECT_EQ(LoadPatternFile(s, "/beyond.mvx", fs).error, LoadError::TooLarge);
    EXPECT_EQ(s.LetterChangeOption.ChangeMode, 1);
    EXPECT_EQ(s.SelectFile.FullPath, "");

    ASSERT_TRUE(LoadPatternFile(s, "/at_limit.mvx", fs));
    EXPECT_EQ(s.SelectFile.FullPath, "/photos_archive/");
}

TEST(PatternFile, UnreadableFilesSayWhy) {
    test::TempFolder folder;
    platform::PosixFileSystem disk;
    folder.CreateFile("job.mvx", WithMarker("[SelectFile]\r\nFullPath=/x/\r\n"));
    const std::string job = folder.Cp932Path("job.mvx");
    folder.CreateFolder("folder.mvx");
    struct Row {
        const char* name;
        std::string path;
        int injected;  // 0: the disk answers
        LoadError error;
        int systemError;
    } rows[] = {
        {"disk/missing", folder.Cp932Path("missing.mvx"), 0, LoadError::Missing, 0},
        {"disk/missing_parent", folder.Cp932Path("no/job.mvx"), 0, LoadError::Missing, 0},
        {"disk/below_a_file", job + "/x.mvx", 0, LoadError::Missing, 0},
        {"disk/folder", folder.Cp932Path("folder.mvx"), 0, LoadError::Folder, 0},
        {"injected/permission", job, EACCES, LoadError::NoPermission, 0},
        {"injected/not_permitted", job, EPERM, LoadError::NoPermission, 0},
        {"injected/io_error", job, EIO, LoadError::Unreadable, EIO},
        {"disk/readable", job, 0, LoadError::None, 0},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        test::FaultInjectingFileSystem fs(disk);
        if (row.injected != 0)
            fs.FailCall(test::FaultInjectingFileSystem::Op::ReadFirstBytes, 1, row.injected);
        RenameSettings s;
        const LoadResult result = LoadPatternFile(s, row.path, fs);
        EXPECT_EQ(result.error, row.error);
        EXPECT_EQ(result.systemError, row.systemError);
        EXPECT_EQ(s.SelectFile.FullPath, row.error == LoadError::None ? "/x/" : "");
    }
}

TEST(PatternFile, FailureMessageSaysWhichFileAndWhy) {
    const auto failure = [](LoadError error, int systemError = 0, const char* section = "",
                            const char* key = "") {
        LoadResult result;
        result.error = error;
        result.systemError = systemError;
        result.section = section;
        result.key = key;
        return result;
    };
    const std::string path = platform::Sjis("/home/u/写真.mvx");
    const struct {
        const char* name;
        LoadResult result;
        const char* reason;
    } rows[] = {
        {"missing", failure(LoadError::Missing), "指定されたファイルは存在しません。"},
        {"too_long", failure(LoadError::PathTooLong, 0, "CopyToDir", "FullPath"),
         "CopyToDir の FullPath が長すぎます(259バイトまで)。"},
        {"not_absolute", failure(LoadError::PathNotAbsolute, 0, "CommonOption", "LogWritePath"),
         "CommonOption の LogWritePath が / で始まる絶対パスではありません。"},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(platform::Utf8FromCp932(LoadFailureMessage(row.result, path)),
                  std::string("設定ファイルの読み込みに失敗しました。\n") + row.reason +
                      "\n[/home/u/写真.mvx]")
            << row.name;
    }
    const std::string unreadable =
        platform::Utf8FromCp932(LoadFailureMessage(failure(LoadError::Unreadable, EIO), path));
    EXPECT_TRUE(
        unreadable.starts_with("設定ファイルの読み込みに失敗しました。\nファイルを読み込めません("))
        << unreadable;
    EXPECT_NE(unreadable.find(std::strerror(EIO)), std::string::npos) << unreadable;
    EXPECT_EQ(LoadFailureMessage(LoadResult{}, path), "");
}

TEST(PatternFile, JobFilesWrittenInUtf8LoadAsTheirAuthorWroteThem) {
    const std::string bom = "\xEF\xBB\xBF";
    const std::string utf8Job =
        WithMarker("[SelectFile]\r\nFullPath=/写真/\r\n[RenameOption]\r\nStrPart00=旅行_\r\n");
    struct Row {
        const char* name;
        std::string bytes;
        std::string fullPath;  // as the record holds it (CP932)
        std::string strPart;
    } rows[] = {
        {"utf8/with_byte_order_mark", bom + utf8Job, platform::Sjis("/写真/"),
         platform::Sjis("旅行_")},
        {"utf8/without_byte_order_mark", utf8Job, platform::Sjis("/写真/"),
         platform::Sjis("旅行_")},
        {"utf8/character_cp932_lacks", WithMarker("[SelectFile]\r\nFullPath=/café/\r\n"),
         platform::Cp932FromUtf8("/café/"), ""},
        {"utf8/mark_on_ascii", bom + WithMarker("[SelectFile]\r\nFullPath=/a/\r\n"), "/a/", ""},
        {"cp932/as_the_program_writes", platform::Sjis(utf8Job), platform::Sjis("/写真/"),
         platform::Sjis("旅行_")},
        {"cp932/half_width_kana",
         WithMarker("[RenameOption]\r\nStrPart00=" + platform::Sjis("ｱｲｳ") + "\r\n"), "",
         platform::Sjis("ｱｲｳ")},
        {"neither/latin1_byte_stays_as_read", WithMarker("[RenameOption]\r\nStrPart00=caf\xE9\r\n"),
         "", "caf\xE9"},
        {"neither/overlong_utf8_stays_as_read",
         WithMarker("[RenameOption]\r\nStrPart00=\xC0\xAF\r\n"), "", "\xC0\xAF"},
        {"neither/cut_utf8_stays_as_read", WithMarker("[RenameOption]\r\nStrPart00=\xE5\x86\r\n"),
         "", "\xE5\x86"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        test::MemoryFileSystem fs;
        fs.AddFile("/job.mvx", row.bytes);
        RenameSettings s;
        ASSERT_TRUE(LoadPatternFile(s, "/job.mvx", fs));
        EXPECT_EQ(s.SelectFile.FullPath, row.fullPath);
        EXPECT_EQ(s.RenameOption.Parts[0].StrPart, row.strPart);
    }
    // The program keeps writing CP932.
    RenameSettings s;
    s.SelectFile.FullPath = platform::Sjis("/写真/");
    EXPECT_NE(SerializePatternFile(s).find("FullPath=" + platform::Sjis("/写真/") + "\r\n"),
              std::string::npos);
}

// Before, characters CP932 lacks got codes for the life of the process, and a UTF-8 job with
// thousands of them was cut short where the codes ran out.
TEST(PatternFile, AUtf8JobWithThousandsOfCharactersCp932LacksLoadsWhole) {
    std::string comment = ";";
    for (char32_t cp = 0x20000; cp < 0x20000 + 4000; ++cp) {
        comment += static_cast<char>(0xF0 | (cp >> 18));
        comment += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        comment += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        comment += static_cast<char>(0x80 | (cp & 0x3F));
    }
    test::MemoryFileSystem fs;
    fs.AddFile("/job.mvx", WithMarker(comment + "\r\n[SelectFile]\r\nFullPath=/x/\r\n"));
    RenameSettings s;
    EXPECT_TRUE(LoadPatternFile(s, "/job.mvx", fs));
    EXPECT_EQ(s.SelectFile.FullPath, "/x/");
}

TEST(PatternFile, TitleNamesTheFileAfterTheLastSeparator) {
    EXPECT_EQ(TitleForLoadedFile("/any/where/a.mxs"), "MorvaneX - a.mxs");
    EXPECT_EQ(TitleForLoadedFile("no-separator.mvx"), "MorvaneX - ");
}

TEST(PatternFile, ParseIntegerFollowsTheCLibrary) {
    struct Row {
        const char* text;
        int value;
    } rows[] = {{"42", 42},
                {"  42xyz", 42},
                {"abc", 0},
                {"", 0},
                {"-7", -7},
                {"+8", 8},
                {"- 1", 0},
                {"99999999999", 2147483647},
                {"-99999999999", -2147483647 - 1}};
    for (const auto& row : rows) EXPECT_EQ(ParseInteger(row.text), row.value) << row.text;
}

}  // namespace
}  // namespace morvanex::settings
