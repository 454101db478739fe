#include "engine/SettingsSummary.h"

#include <array>
#include <cstdio>

#include "engine/exif/ExifReader.h"
#include "engine/naming/TimestampFormat.h"
#include "platform/Codepage.h"
#include "settings/PatternFile.h"

namespace morvanex::engine {

namespace {

using platform::Sjis;
using settings::AttributeOptionSection;
using settings::CommonOptionSection;
using settings::CopyToDirSection;
using settings::LetterChangeOptionSection;
using settings::PartSlot;
using settings::RenameOptionSection;
using settings::RenameSettings;
using settings::SelectFileSection;
using settings::StringChangeOptionSection;
using settings::TimeStampOptionSection;

// The fixed texts of the summary, converted once.
struct Texts {
    std::string freeSelection = Sjis("ドラッグアンドドロップによる選択");
    std::string noCopy = Sjis("コピーしません");
    std::string fileName = Sjis("(元ファイル名)");
    std::string extension = Sjis("(元拡張子)");
    std::string folderName = Sjis("(フォルダ名)");
    std::string noRename = Sjis("リネームしません");
    std::string noChange = Sjis("変換しません");
    std::array<std::string, 7> caseModes = {
        Sjis("すべて大文字で統一します"),         Sjis("すべて小文字で統一します"),
        Sjis("頭文字のみ大文字にします"),         Sjis("ファイル名部分のみ大文字にします"),
        Sjis("ファイル名部分のみ小文字にします"), Sjis("拡張子部分のみ大文字にします"),
        Sjis("拡張子部分のみ小文字にします")};
    std::string unsupportedCase = Sjis("未サポートの変換です");
    std::string fromModification = Sjis("更新日時に統一");
    std::string fromCreation = Sjis("作成日時に統一");
    std::string fromExif = Sjis("Exif撮影時刻で統一");
    std::string notApplicable = "-------";
    std::string included = Sjis("対象");
    std::string excluded = Sjis("非対象");
    std::string yes = Sjis("する");
    std::string no = Sjis("しない");
    std::string all = Sjis("すべて");
    std::string some = Sjis("一部");
    std::string keep = Sjis("維持");
    std::string ignore = Sjis("無視");
    std::string recorded = Sjis("記録");
    std::string none = Sjis("なし");
    std::string noLogFolder = std::string(24, '-');
    std::string exifWide = Sjis("JPEG・TIFF・RAW・HEIF・動画の撮影日時");
    std::string exifStrict = Sjis("先頭にExifがあるJPEGの日時のみ");
    std::array<std::string, 3> tagTexts = {Sjis("自動判定(Shift-JIS/Latin-1)"),
                                           Sjis("常にShift-JISとして読む"),
                                           Sjis("Latin-1として読む")};
    std::string regex = Sjis("正規表現: ");
    // The sort condition dialog's choices by SortCondition and SortDirection.
    std::string unsorted = Sjis("ソートしない(検出順)");
    std::array<std::string, 6> sorted = {Sjis("ファイル名で逆順"),
                                         Sjis("ファイル名で正順"),
                                         Sjis("タイムスタンプで逆順(新しいものが先)"),
                                         Sjis("タイムスタンプで正順(古いものが先)"),
                                         Sjis("ファイルサイズで逆順(大きいものが先)"),
                                         Sjis("ファイルサイズで正順(小さいものが先)")};
    std::string natural = Sjis("、数字を数値として並べる");
    std::string wholeRun = Sjis("全体を確認して順序を決める");
    std::string inOrder = Sjis("対象の順に処理し、重複で中断");
};

const Texts& GetTexts() {
    static const Texts texts;
    return texts;
}

std::string Printf(const char* format, int value) {
    char text[32];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

std::string DigitAlignment(int digitChangeNum) {
    // "桁そろえ(%d桁)" with the width, not the list index.
    static const std::string before = Sjis("桁そろえ(");
    static const std::string after = Sjis("桁)");
    return before + std::to_string(static_cast<long long>(digitChangeNum) + 1) + after;
}

std::string StartNumber(const PartSlot& slot) {
    static constexpr std::array<const char*, 9> kFormats = {"%d",   "%01d", "%02d", "%03d", "%04d",
                                                            "%05d", "%06d", "%07d", "%08d"};
    const int start = settings::ParseInteger(slot.StrPart);
    const bool padded = slot.DigitNum >= 1 && slot.DigitNum <= 8;
    return Printf(kFormats[padded ? static_cast<std::size_t>(slot.DigitNum) : 0], start);
}

std::string FormatLocalTime(const platform::LocalTime& t) {
    char text[96];
    std::snprintf(text, sizeof text, "%04d/%02d/%02d %02d:%02d:%02d", t.year, t.month, t.day,
                  t.hour, t.minute, t.second);
    return text;
}

// The piece of one attribute: set, cleared or left.
std::string AttributePiece(char letter, int action) {
    const char sign = action == 1 ? '+' : action == 2 ? '-' : '*';
    return std::string{letter, ':', sign, ' ', ' '};
}

std::string TimeRow(int mode, const platform::LocalTime& fixed, bool fromCreation,
                    bool fromModification) {
    const Texts& t = GetTexts();
    if (mode == 1) return FormatLocalTime(fixed);
    if (mode == 2 && fromCreation) return t.fromCreation;
    if (mode == 3 && fromModification) return t.fromModification;
    if (mode == 5) return t.fromExif;
    return t.noChange;
}

std::string SortOrder(const CommonOptionSection& common) {
    const Texts& t = GetTexts();
    const int ascending = common.SortDirection != 0 ? 1 : 0;
    std::string text;
    switch (common.SortCondition) {
        case 1:
            text = t.sorted[static_cast<std::size_t>(ascending)];
            break;
        case 3:
            text = t.sorted[1];
            break;
        case 2:
            text = t.sorted[static_cast<std::size_t>(2 + ascending)];
            break;
        case 4:
            text = t.sorted[static_cast<std::size_t>(4 + ascending)];
            break;
        default:
            text = t.unsorted;
            break;
    }
    if (common.NaturalOrder != 0) text += t.natural;
    return text;
}

const std::string& OnOff(int flag, const std::string& on, const std::string& off) {
    return flag != 0 ? on : off;
}

}  // namespace

std::string RenamePatternPreview(const RenameSettings& settings, platform::Timestamp now) {
    const Texts& t = GetTexts();
    std::string text;
    for (int r = 0; r < settings::kVisibleParts; ++r) {
        const PartSlot& slot = settings.RenameOption.Parts[static_cast<std::size_t>(r)];
        switch (slot.SelectedPart) {
            case settings::kPartFixedText:
                text += slot.StrPart;
                break;
            case settings::kPartFileName:
            case settings::kPartFileNameRange:
                text += t.fileName;
                break;
            case settings::kPartExtension:
            case settings::kPartExtensionRange:
                text += t.extension;
                break;
            case settings::kPartFolderName:
            case settings::kPartFolderNameRange:
                text += t.folderName;
                break;
            case settings::kPartPeriod:
                text += '.';
                break;
            case settings::kPartSequence:
            case settings::kPartFolderSequence:
                text += StartNumber(slot);
                break;
            case settings::kPartCreationTime:
            case settings::kPartModificationTime:
                text += ExpandTimestampFormat(now, slot.StrPart);
                break;
            case settings::kPartExif:
                text += ExifPlaceholder(slot.StrPart);
                break;
            default:
                break;
        }
    }
    return text;
}

std::string RenameSummary(const RenameSettings& settings, platform::Timestamp now) {
    const RenameOptionSection& option = settings.RenameOption;
    if (option.EnableRename != 0) return RenamePatternPreview(settings, now);
    if (option.EnableDigitChange != 0) return DigitAlignment(option.DigitChangeNum);
    return GetTexts().noRename;
}

SettingsSummary SummarizeSettings(const RenameSettings& settings, platform::Timestamp now) {
    const Texts& t = GetTexts();
    const SelectFileSection& select = settings.SelectFile;
    const CopyToDirSection& copy = settings.CopyToDir;
    const CommonOptionSection& common = settings.CommonOption;
    SettingsSummary s;

    s.targetFolder = select.FreeFileSelect != 0 ? t.freeSelection : select.FullPath;
    s.copyDestination = copy.EnableCopy != 0 ? copy.FullPath : t.noCopy;
    s.rename = RenameSummary(settings, now);

    const LetterChangeOptionSection& letter = settings.LetterChangeOption;
    if (letter.EnableLetterChange == 0) {
        s.letterCase = t.noChange;
    } else if (letter.ChangeMode >= 0 && letter.ChangeMode < 7) {
        s.letterCase = t.caseModes[static_cast<std::size_t>(letter.ChangeMode)];
    } else {
        s.letterCase = t.unsupportedCase;
    }

    const StringChangeOptionSection& replace = settings.StringChangeOption;
    if (replace.EnableStringChange == 0) {
        s.replaceBefore = t.noChange;
    } else {
        s.replaceBefore =
            replace.UseRegex != 0 ? t.regex + replace.ChangeBefore[0] : replace.ChangeBefore[0];
    }
    s.replaceAfter = replace.EnableStringChange != 0 ? replace.ChangeAfter[0] : t.noChange;

    const AttributeOptionSection& attribute = settings.AttributeOption;
    s.attributes = attribute.EnableAttribute == 0
                       ? t.noChange
                       : AttributePiece('R', attribute.SelectedReadOnly) +
                             AttributePiece('H', attribute.SelectedHidden) +
                             AttributePiece('S', attribute.SelectedSystem) +
                             AttributePiece('A', attribute.SelectedArchive);

    const TimeStampOptionSection& times = settings.TimeStampOption;
    if (times.EnableTimeStamp == 0) {
        s.creationTime = s.modificationTime = s.accessTime = t.noChange;
    } else {
        s.creationTime = TimeRow(times.EnableMakeTime, settings.MakeTimeValue, false, true);
        s.modificationTime = TimeRow(times.EnableUpdateTime, settings.UpdateTimeValue, true, false);
        s.accessTime =
            TimeRow(times.EnableLastAccessTime, settings.LastAccessTimeValue, true, true);
    }

    const bool free = select.FreeFileSelect != 0;
    s.subfolders = free ? t.notApplicable : OnOff(select.IncludeSubDir, t.included, t.excluded);
    s.numberReset = free || select.IncludeSubDir == 0 ? t.notApplicable
                                                      : OnOff(common.NumberReset, t.yes, t.no);
    s.targetAttributes = OnOff(common.AllAttributeFileRename, t.all, t.some);
    s.foldersToo = free || settings.RenameOption.EnableRename != 0
                       ? t.notApplicable
                       : OnOff(common.DirRename, t.yes, t.no);
    s.folderStructure =
        copy.EnableCopy == 0 ? t.notApplicable : OnOff(copy.KeepDirTree, t.keep, t.ignore);
    s.detailedResult = OnOff(common.ViewDetailResult, t.yes, t.no);
    s.log = OnOff(common.LogWrite, t.recorded, t.none);
    s.batchLog = OnOff(common.BatLogWrite, t.recorded, t.none);
    s.logFolder =
        common.BatLogWrite != 0 || common.LogWrite != 0 ? common.LogWritePath : t.noLogFolder;
    s.exifReading = settings.RenameOption.ExifStrictJpeg != 0 ? t.exifStrict : t.exifWide;
    const int tagText = settings.RenameOption.ExifTagCp932;
    s.tagText = t.tagTexts[tagText == 1 || tagText == 2 ? static_cast<std::size_t>(tagText) : 0];
    s.sortOrder = SortOrder(common);
    s.wholeRun = OnOff(common.PlanWholeRun, t.wholeRun, t.inOrder);
    return s;
}

std::vector<SummaryRow> SummaryRows(const SettingsSummary& s) {
    return {
        {Sjis("ファイル選択"), s.targetFolder},
        {Sjis("コピー先フォルダ"), s.copyDestination},
        {Sjis("リネーム処理"), s.rename},
        {Sjis("大(小)文字統一"), s.letterCase},
        {Sjis("文字列置換"), s.replaceBefore},
        {Sjis("→"), s.replaceAfter},
        {Sjis("ファイル属性統一"), s.attributes},
        {Sjis("作成時刻"), s.creationTime},
        {Sjis("更新時刻"), s.modificationTime},
        {Sjis("最終アクセス時刻"), s.accessTime},
        {Sjis("フォルダ構成"), s.folderStructure},
        {Sjis("サブフォルダ以下"), s.subfolders},
        {Sjis("結果の詳細表示"), s.detailedResult},
        {Sjis("連番リセット"), s.numberReset},
        {Sjis("ログ"), s.log},
        {Sjis("対象ファイル属性"), s.targetAttributes},
        {Sjis("復元用BATログ"), s.batchLog},
        {Sjis("フォルダも処理"), s.foldersToo},
        {Sjis("ログ保存フォルダ"), s.logFolder},
        {Sjis("Exif情報の読み取り"), s.exifReading},
        {Sjis("タグの文字コード"), s.tagText},
        {Sjis("ソート条件"), s.sortOrder},
        {Sjis("名前の玉突き・入れ替え"), s.wholeRun},
    };
}

}  // namespace morvanex::engine
