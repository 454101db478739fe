#include "settings/PatternFile.h"

#include <gtest/gtest.h>

#include "platform/Codepage.h"
#include "support/MemoryFileSystem.h"

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
        "FileFilter=*.*\r\nFreeFileSelect=0\r\nDropDirAction=0\r\n[CopyToDir]\r\nEnableCopy=0\r\n"));
    EXPECT_NE(text.find("SelectedRenamePattern=0\r\nSelectedPart00=0\r\nStrPart00=\r\nDigitNum00=3\r\n"
                        "SkipNum00=1\r\nFormatType00=0\r\nFixedFormatNum00=0\r\nYear2Digit00=0\r\n"
                        "SelectedPart01="),
              std::string::npos);
    EXPECT_NE(text.find("Year2Digit11=0\r\n[LetterChangeOption]\r\n"), std::string::npos);
    EXPECT_NE(text.find("ChangeBefore001=\r\nChangeAfter001=\r\nChangeBefore002="), std::string::npos);
    EXPECT_NE(text.find("ChangeAfter010=\r\n[AttributeOption]"), std::string::npos);
    EXPECT_EQ(text.find("ChangeBefore000"), std::string::npos);
    EXPECT_TRUE(text.ends_with("BatLogWrite=0\r\nLogWritePath=\r\n"));
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
        {"empty_marker_fails", WithMarker("[LetterChangeOption]\r\nChangeMode=4\r\n", ""), false, 1, 0},
        {"marker_not_found_text_fails", WithMarker("", "NOT_FOUND"), false, 1, 0},
        {"no_marker_fails", "[LetterChangeOption]\r\nChangeMode=4\r\n", false, 1, 0},
        {"not_found_value_keeps_field", WithMarker("[LetterChangeOption]\r\nChangeMode=NOT_FOUND\r\n"), true, 1, 0},
        {"not_a_number_is_zero", WithMarker("[LetterChangeOption]\r\nChangeMode=abc\r\n"), true, 0, 0},
        {"leading_blanks_and_trailing_junk", WithMarker("[LetterChangeOption]\r\nChangeMode=\"  42xyz\"\r\n"), true, 42, 0},
        {"sign", WithMarker("[LetterChangeOption]\r\nChangeMode=-3\r\n"), true, -3, 0},
        {"out_of_range_stored_as_read", WithMarker("[RenameOption]\r\nSelectedPart03=20\r\n"), true, 1, 20},
        {"key_case_ignored", WithMarker("[renameoption]\r\nselectedpart03=7\r\n"), true, 1, 7},
    };
    for (const auto& row : rows) {
        RenameSettings s;
        EXPECT_EQ(LoadPatternText(s, row.file), row.ok) << row.name;
        EXPECT_EQ(s.LetterChangeOption.ChangeMode, row.changeMode) << row.name;
        EXPECT_EQ(s.RenameOption.Parts[3].SelectedPart, row.selectedPart3) << row.name;
    }
}

TEST(PatternFile, MarkerOnlyFileChangesNothing) {
    RenameSettings s;
    s.SelectFile.FullPath = "/keep/";
    const RenameSettings before = s;
    ASSERT_TRUE(LoadPatternText(s, "[ParameterSaveFile]\r\nApplicationName=x\r\n"));
    EXPECT_TRUE(s.SamePersistentFields(before));
}

TEST(PatternFile, LongTextsAreCutOnACharacterBoundary) {
    std::string longText;
    for (int i = 0; i < 150; ++i) longText += "\x82\xA0";
    RenameSettings s;
    ASSERT_TRUE(LoadPatternText(s, WithMarker("[RenameOption]\r\nStrPart00=" + longText +
                                              "\r\n[StringChangeOption]\r\nChangeBefore001=" +
                                              longText + "\r\n")));
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

TEST(PatternFile, MissingOrUnreadableFileFailsToLoad) {
    test::MemoryFileSystem fs;
    fs.AddFolder("/folder.mvx/");
    RenameSettings s;
    EXPECT_FALSE(LoadPatternFile(s, "/missing.mvx", fs));
    EXPECT_FALSE(LoadPatternFile(s, "/folder.mvx", fs));
}

TEST(PatternFile, TitleNamesTheFileAfterTheLastSeparator) {
    EXPECT_EQ(TitleForLoadedFile("/any/where/a.mxs"), "MorvaneX - a.mxs");
    EXPECT_EQ(TitleForLoadedFile("no-separator.mvx"), "MorvaneX - ");
}

TEST(PatternFile, ParseIntegerFollowsTheCLibrary) {
    struct Row {
        const char* text;
        int value;
    } rows[] = {{"42", 42}, {"  42xyz", 42}, {"abc", 0}, {"", 0}, {"-7", -7}, {"+8", 8},
                {"- 1", 0}, {"99999999999", 2147483647}, {"-99999999999", -2147483647 - 1}};
    for (const auto& row : rows) EXPECT_EQ(ParseInteger(row.text), row.value) << row.text;
}

}  // namespace
}  // namespace morvanex::settings
