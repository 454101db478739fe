#include "engine/SettingsSummary.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/Codepage.h"
#include "support/FixedClock.h"

namespace morvanex::engine {
namespace {

using platform::Sjis;
using settings::kPartFixedText;
using settings::kVisibleParts;
using settings::PartSlot;
using settings::RenameSettings;

using test::Local;

const platform::Timestamp kNow = platform::FromLocalTime(Local(2003, 3, 5, 10, 20, 30));

// The record as a new document has it: registered pattern 0 in the slots, every other default.
RenameSettings Fresh() {
    RenameSettings s;
    const int types[] = {1, 0, 6, 0, 5, 3};
    for (int r = 0; r < kVisibleParts; ++r) s.RenameOption.Parts[r].SelectedPart = types[r];
    s.RenameOption.Parts[2].StrPart = "1";
    s.SelectFile.FullPath = "/home/user/photos/";
    s.CommonOption.LogWritePath = "/tmp/";
    return s;
}

struct Slot {
    int type;
    std::string text;
    int digits = 3;
};

RenameSettings WithSlots(const std::vector<Slot>& slots) {
    RenameSettings s = Fresh();
    for (int r = 0; r < kVisibleParts; ++r) {
        PartSlot& part = s.RenameOption.Parts[r];
        part = PartSlot{};
        if (r < static_cast<int>(slots.size())) {
            part.SelectedPart = slots[r].type;
            part.StrPart = slots[r].text;
            part.DigitNum = slots[r].digits;
        }
    }
    return s;
}

TEST(SettingsSummary, RenamePatternPreview) {
    struct Row {
        const char* name;
        std::vector<Slot> slots;
        std::string expected;
    } rows[] = {
        {"rename/fresh_settings",
         {{1, ""}, {0, ""}, {6, "1"}, {0, ""}, {5, ""}, {3, ""}},
         Sjis("001.(元拡張子)")},
        {"rename/fixed_sequence_period_extension",
         {{1, "IMG_"}, {6, "1", 4}, {5, ""}, {3, ""}},
         Sjis("IMG_0001.(元拡張子)")},
        {"rename/sequence_without_fill", {{6, "7", 0}}, "7"},
        {"rename/sequence_five_digits", {{6, "7", 5}}, "00007"},
        {"rename/sequence_digits_above_8_unfilled", {{6, "7", 9}}, "7"},
        {"rename/sequence_negative_digits_unfilled", {{6, "7", -1}}, "7"},
        {"rename/start_not_a_number", {{6, "abc", 0}}, "0"},
        {"rename/start_not_a_number_filled", {{7, "abc", 3}}, "000"},
        {"rename/start_with_trailing_text", {{6, "12ab", 4}}, "0012"},
        {"rename/negative_start", {{6, "-5", 3}}, "-05"},
        {"rename/per_folder_sequence", {{7, "3", 2}}, "03"},
        {"rename/names_and_ranges",
         {{2, ""}, {11, "0103"}, {3, ""}, {12, "0101"}, {4, ""}, {13, "0202"}},
         Sjis("(元ファイル名)(元ファイル名)(元拡張子)(元拡張子)(フォルダ名)(フォルダ名)")},
        {"rename/creation_time_for_now", {{8, "%4YE%0KN%2MO%0KG"}}, Sjis("2003年03月")},
        {"rename/update_time_default_format", {{9, "%4YE%2MO%2DA%2HO%2MI%2SE"}}, "20030305102030"},
        {"rename/date_type_with_exif_default_text",
         {{8, "%EDT%4YE%2MO%2DA%2HO%2MI%2SE"}},
         "20030305102030"},
        {"rename/exif_placeholders",
         {{10, "%EDT%4YE"}, {1, "_"}, {10, "%EMK%EST0103"}, {10, "%ECM"}},
         Sjis("(撮影時間)_(メーカー名)(機種名)")},
        {"rename/unknown_type_gives_nothing", {{1, "a"}, {20, "x"}, {-1, "y"}, {1, "b"}}, "ab"},
        {"rename/none_ignores_text", {{0, "ignored"}}, ""},
    };
    for (const auto& row : rows) {
        const RenameSettings s = WithSlots(row.slots);
        EXPECT_EQ(RenamePatternPreview(s, kNow), row.expected) << row.name;
        EXPECT_EQ(SummarizeSettings(s, kNow).rename, row.expected) << row.name;
    }
}

TEST(SettingsSummary, RenameRowWhenNotComposing) {
    RenameSettings s = Fresh();
    // The fallback slots never show.
    s.RenameOption.Parts[6].SelectedPart = kPartFixedText;
    s.RenameOption.Parts[6].StrPart = "fallback";
    EXPECT_EQ(RenameSummary(s, kNow), Sjis("001.(元拡張子)"));
    s.RenameOption.EnableRename = 0;
    s.RenameOption.EnableDigitChange = 1;
    s.RenameOption.DigitChangeNum = 2;
    EXPECT_EQ(RenameSummary(s, kNow), Sjis("桁そろえ(3桁)")) << "rename/digit_alignment";
    s.RenameOption.DigitChangeNum = 7;
    EXPECT_EQ(RenameSummary(s, kNow), Sjis("桁そろえ(8桁)"));
    s.RenameOption.EnableDigitChange = 0;
    EXPECT_EQ(RenameSummary(s, kNow), Sjis("リネームしません")) << "rename/off";
    // A record loaded with both switches on shows the composed pattern, as the page does.
    s.RenameOption.EnableRename = 1;
    s.RenameOption.EnableDigitChange = 1;
    EXPECT_EQ(RenameSummary(s, kNow), Sjis("001.(元拡張子)")) << "rename/both_switches";
    // The preview itself does not depend on the switch.
    s.RenameOption.EnableRename = 0;
    EXPECT_EQ(RenamePatternPreview(s, kNow), Sjis("001.(元拡張子)"));
}

TEST(SettingsSummary, LetterCase) {
    const char* texts[] = {"すべて大文字で統一します",         "すべて小文字で統一します",
                           "頭文字のみ大文字にします",         "ファイル名部分のみ大文字にします",
                           "ファイル名部分のみ小文字にします", "拡張子部分のみ大文字にします",
                           "拡張子部分のみ小文字にします"};
    RenameSettings s = Fresh();
    EXPECT_EQ(SummarizeSettings(s, kNow).letterCase, Sjis("変換しません"));
    s.LetterChangeOption.EnableLetterChange = 1;
    for (int mode = 0; mode < 7; ++mode) {
        s.LetterChangeOption.ChangeMode = mode;
        EXPECT_EQ(SummarizeSettings(s, kNow).letterCase, Sjis(texts[mode])) << mode;
    }
    for (int mode : {7, -1}) {
        s.LetterChangeOption.ChangeMode = mode;
        EXPECT_EQ(SummarizeSettings(s, kNow).letterCase, Sjis("未サポートの変換です")) << mode;
    }
}

TEST(SettingsSummary, ReplacementAndAttributes) {
    RenameSettings s = Fresh();
    SettingsSummary summary = SummarizeSettings(s, kNow);
    EXPECT_EQ(summary.replaceBefore, Sjis("変換しません"));
    EXPECT_EQ(summary.replaceAfter, Sjis("変換しません"));
    EXPECT_EQ(summary.attributes, Sjis("変換しません"));

    s.StringChangeOption.EnableStringChange = 1;
    s.StringChangeOption.ChangeBefore[0] = Sjis("写真");
    s.StringChangeOption.ChangeAfter[0] = "";
    s.StringChangeOption.ChangeBefore[1] = "second";
    s.AttributeOption.EnableAttribute = 1;
    summary = SummarizeSettings(s, kNow);
    EXPECT_EQ(summary.replaceBefore, Sjis("写真"));
    EXPECT_EQ(summary.replaceAfter, "");
    EXPECT_EQ(summary.attributes, "R:*  H:*  S:*  A:*  ");

    s.AttributeOption.SelectedReadOnly = 1;
    s.AttributeOption.SelectedHidden = 2;
    s.AttributeOption.SelectedSystem = 3;
    s.AttributeOption.SelectedArchive = 1;
    EXPECT_EQ(SummarizeSettings(s, kNow).attributes, "R:+  H:-  S:*  A:+  ");
}

TEST(SettingsSummary, RegularExpressionsAndSortOrder) {
    struct Row {
        const char* name;
        int enable, regex;
        int condition, direction, natural;
        const char* replaceBefore;
        const char* sortOrder;
    } rows[] = {
        {"replace/plain_text", 1, 0, 1, 1, 0, "^(\\d+)", "ファイル名で正順"},
        {"replace/expression_marked", 1, 1, 1, 1, 0, "正規表現: ^(\\d+)", "ファイル名で正順"},
        {"replace/off_says_so_whatever_the_flag", 0, 1, 1, 1, 0, "変換しません",
         "ファイル名で正順"},
        {"sort/natural_name_descending", 0, 0, 1, 0, 1, "変換しません",
         "ファイル名で逆順、数字を数値として並べる"},
        {"sort/name_ascending_condition", 0, 0, 3, 0, 1, "変換しません",
         "ファイル名で正順、数字を数値として並べる"},
        {"sort/time", 0, 0, 2, 1, 0, "変換しません", "タイムスタンプで正順(古いものが先)"},
        {"sort/size_descending", 0, 0, 4, 0, 0, "変換しません",
         "ファイルサイズで逆順(大きいものが先)"},
        {"sort/none", 0, 0, 0, 1, 0, "変換しません", "ソートしない(検出順)"},
        {"sort/unknown_condition", 0, 0, 9, 1, 0, "変換しません", "ソートしない(検出順)"},
    };
    for (const auto& row : rows) {
        RenameSettings s = Fresh();
        s.StringChangeOption.EnableStringChange = row.enable;
        s.StringChangeOption.UseRegex = row.regex;
        s.StringChangeOption.ChangeBefore[0] = "^(\\d+)";
        s.CommonOption.SortCondition = row.condition;
        s.CommonOption.SortDirection = row.direction;
        s.CommonOption.NaturalOrder = row.natural;
        const SettingsSummary summary = SummarizeSettings(s, kNow);
        EXPECT_EQ(summary.replaceBefore, Sjis(row.replaceBefore)) << row.name;
        EXPECT_EQ(summary.sortOrder, Sjis(row.sortOrder)) << row.name;
        EXPECT_EQ(SummaryRows(summary).back().text, Sjis(row.sortOrder)) << row.name;
    }
}

TEST(SettingsSummary, TimeStamps) {
    struct Row {
        const char* name;
        int make, update, access;
        std::string creationText, modificationText, accessText;
    };
    const std::string fixedMake = "2001/02/03 04:05:06";
    const std::string fixedUpdate = "2011/12/13 14:15:16";
    const std::string fixedAccess = "1999/01/01 00:00:00";
    const std::string off = Sjis("変換しません");
    const std::string exif = Sjis("Exif撮影時刻で統一");
    const std::string fromCreation = Sjis("作成日時に統一");
    const std::string fromUpdate = Sjis("更新日時に統一");
    const Row rows[] = {
        {"time/fixed_values", 1, 1, 1, fixedMake, fixedUpdate, fixedAccess},
        {"time/exif", 5, 5, 5, exif, exif, exif},
        {"time/from_the_other_times", 3, 2, 3, fromUpdate, fromCreation, fromUpdate},
        {"time/access_from_creation", 0, 0, 2, off, off, fromCreation},
        // Creation cannot come from itself, nor the update time from itself.
        {"time/make_time_2_is_no_choice", 2, 3, 4, off, off, off},
        {"time/unknown_values", 9, -1, 6, off, off, off},
    };
    for (const Row& row : rows) {
        RenameSettings s = Fresh();
        s.TimeStampOption.EnableTimeStamp = 1;
        s.TimeStampOption.EnableMakeTime = row.make;
        s.TimeStampOption.EnableUpdateTime = row.update;
        s.TimeStampOption.EnableLastAccessTime = row.access;
        s.MakeTimeValue = Local(2001, 2, 3, 4, 5, 6);
        s.UpdateTimeValue = Local(2011, 12, 13, 14, 15, 16);
        s.LastAccessTimeValue = Local(1999, 1, 1, 0, 0, 0);
        const SettingsSummary summary = SummarizeSettings(s, kNow);
        EXPECT_EQ(summary.creationTime, row.creationText) << row.name;
        EXPECT_EQ(summary.modificationTime, row.modificationText) << row.name;
        EXPECT_EQ(summary.accessTime, row.accessText) << row.name;

        s.TimeStampOption.EnableTimeStamp = 0;
        const SettingsSummary disabled = SummarizeSettings(s, kNow);
        EXPECT_EQ(disabled.creationTime, off) << row.name;
        EXPECT_EQ(disabled.modificationTime, off) << row.name;
        EXPECT_EQ(disabled.accessTime, off) << row.name;
    }
}

TEST(SettingsSummary, SelectionCopyAndCommonOptions) {
    const std::string dashes = "-------";
    RenameSettings s = Fresh();
    SettingsSummary summary = SummarizeSettings(s, kNow);
    EXPECT_EQ(summary.targetFolder, "/home/user/photos/");
    EXPECT_EQ(summary.copyDestination, Sjis("コピーしません"));
    EXPECT_EQ(summary.subfolders, Sjis("非対象"));
    EXPECT_EQ(summary.numberReset, dashes) << "common/number_reset_needs_subfolders";
    EXPECT_EQ(summary.targetAttributes, Sjis("一部"));
    EXPECT_EQ(summary.foldersToo, dashes) << "common/folders_while_composing";
    EXPECT_EQ(summary.folderStructure, dashes);
    EXPECT_EQ(summary.detailedResult, Sjis("しない"));
    EXPECT_EQ(summary.log, Sjis("なし"));
    EXPECT_EQ(summary.batchLog, Sjis("なし"));
    EXPECT_EQ(summary.logFolder, std::string(24, '-'));

    s.SelectFile.IncludeSubDir = 1;
    s.CommonOption.NumberReset = 1;
    s.CommonOption.AllAttributeFileRename = 1;
    s.RenameOption.EnableRename = 0;
    s.CommonOption.DirRename = 1;
    // Any value other than 0 counts as on.
    s.CopyToDir.EnableCopy = 2;
    s.CopyToDir.FullPath = "/backup/";
    s.CopyToDir.KeepDirTree = 1;
    s.CommonOption.ViewDetailResult = 1;
    s.CommonOption.BatLogWrite = 1;
    summary = SummarizeSettings(s, kNow);
    EXPECT_EQ(summary.copyDestination, "/backup/");
    EXPECT_EQ(summary.subfolders, Sjis("対象"));
    EXPECT_EQ(summary.numberReset, Sjis("する"));
    EXPECT_EQ(summary.targetAttributes, Sjis("すべて"));
    EXPECT_EQ(summary.foldersToo, Sjis("する"));
    EXPECT_EQ(summary.folderStructure, Sjis("維持"));
    EXPECT_EQ(summary.detailedResult, Sjis("する"));
    EXPECT_EQ(summary.log, Sjis("なし"));
    EXPECT_EQ(summary.batchLog, Sjis("記録"));
    EXPECT_EQ(summary.logFolder, "/tmp/") << "common/log_folder_with_batch_log_only";

    s.CommonOption.NumberReset = 0;
    s.CommonOption.DirRename = 0;
    s.CopyToDir.KeepDirTree = 0;
    s.CommonOption.BatLogWrite = 0;
    s.CommonOption.LogWrite = 1;
    summary = SummarizeSettings(s, kNow);
    EXPECT_EQ(summary.numberReset, Sjis("しない"));
    EXPECT_EQ(summary.foldersToo, Sjis("しない"));
    EXPECT_EQ(summary.folderStructure, Sjis("無視"));
    EXPECT_EQ(summary.log, Sjis("記録"));
    EXPECT_EQ(summary.logFolder, "/tmp/");

    // A free selection replaces the folder and hides what only a folder run uses.
    s.SelectFile.FreeFileSelect = 1;
    summary = SummarizeSettings(s, kNow);
    EXPECT_EQ(summary.targetFolder, Sjis("ドラッグアンドドロップによる選択"));
    EXPECT_EQ(summary.subfolders, dashes);
    EXPECT_EQ(summary.numberReset, dashes);
    EXPECT_EQ(summary.foldersToo, dashes);
}

TEST(SettingsSummary, ExifReadingFollowsTheJob) {
    RenameSettings s = Fresh();
    const std::string wide = SummarizeSettings(s, kNow).exifReading;
    EXPECT_EQ(wide, Sjis("JPEG・TIFF・RAW・HEIF・動画の撮影日時"));
    s.RenameOption.ExifStrictJpeg = 1;
    EXPECT_EQ(SummarizeSettings(s, kNow).exifReading, Sjis("先頭にExifがあるJPEGの日時のみ"));
}

// tag_text/<value>: how raw tag texts are read, an unknown value as the default
TEST(SettingsSummary, TagTextReadingFollowsTheJob) {
    const std::pair<int, const char*> rows[] = {{0, "自動判定(Shift-JIS/Latin-1)"},
                                                {1, "常にShift-JISとして読む"},
                                                {2, "Latin-1として読む"},
                                                {5, "自動判定(Shift-JIS/Latin-1)"}};
    for (const auto& [value, text] : rows) {
        RenameSettings s = Fresh();
        s.RenameOption.ExifTagCp932 = value;
        EXPECT_EQ(SummarizeSettings(s, kNow).tagText, Sjis(text)) << value;
    }
}

TEST(SettingsSummary, TagTokensShowTheirPlaceholders) {
    RenameSettings s = Fresh();
    s.RenameOption.Parts[0].SelectedPart = settings::kPartExif;
    s.RenameOption.Parts[0].StrPart = "%ET2";
    s.RenameOption.Parts[1].SelectedPart = settings::kPartFixedText;
    s.RenameOption.Parts[1].StrPart = " ";
    s.RenameOption.Parts[2].SelectedPart = settings::kPartExif;
    s.RenameOption.Parts[2].StrPart = "%EAR%EST0103";
    EXPECT_EQ(
        RenamePatternPreview(s, kNow).substr(0, Sjis("(トラック番号) (アーティスト名)").size()),
        Sjis("(トラック番号) (アーティスト名)"));
}

TEST(SettingsSummary, LabelledRows) {
    RenameSettings s = Fresh();
    s.SelectFile.FreeFileSelect = 1;
    const SettingsSummary summary = SummarizeSettings(s, kNow);
    const std::vector<SummaryRow> rows = SummaryRows(summary);
    ASSERT_EQ(rows.size(), 22u);
    EXPECT_EQ(rows[0].label, Sjis("ファイル選択"));
    EXPECT_EQ(rows[0].text, Sjis("ドラッグアンドドロップによる選択"));
    EXPECT_EQ(rows[2].label, Sjis("リネーム処理"));
    EXPECT_EQ(rows[2].text, Sjis("001.(元拡張子)"));
    EXPECT_EQ(rows[18].text, std::string(24, '-'));
    EXPECT_EQ(rows[19].label, Sjis("Exif情報の読み取り"));
    EXPECT_EQ(rows[20].label, Sjis("タグの文字コード"));
    EXPECT_EQ(rows[21].label, Sjis("ソート条件"));
    // Every field appears once.
    std::size_t filled = 0;
    for (const SummaryRow& row : rows) filled += row.text.empty() ? 0 : 1;
    EXPECT_EQ(filled, 22u);
}

}  // namespace
}  // namespace morvanex::engine
