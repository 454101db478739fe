#include "settings/PatternFile.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <functional>

#include "platform/Codepage.h"
#include "platform/IniFile.h"
#include "platform/Paths.h"

namespace morvanex::settings {

namespace {

constexpr const char* kMarkerSection = "ParameterSaveFile";
constexpr const char* kMarkerKey = "ApplicationName";
constexpr const char* kNotFound = "NOT_FOUND";
// The reader's buffer for one value, as the private-profile reader's callers gave it.
constexpr std::size_t kValueBuffer = 2048;

std::string Key(const char* format, int number) {
    char key[32];
    std::snprintf(key, sizeof key, format, number);
    return key;
}

// How a text field takes a loaded value.
enum class TextKind {
    Fixed,   // a 259-byte field: longer values are cut to fit
    Free,    // grows as needed
    Folder,  // a folder the run works in: refused rather than cut or taken relative
};

// Visits every persistent field in file order with its section and key. One list serves the
// writer, the reader and single keys set from outside, so they can never disagree on names or
// order. An integer with `missing` takes that value when a file lacks its key: a key added
// after files without it were written, so that such a file never inherits the key's value
// from a job loaded before it.
struct FieldVisitor {
    std::function<void(const char* section, const std::string& key, int& value, const int* missing)>
        integer;
    std::function<void(const char* section, const std::string& key, std::string& value,
                       TextKind kind)>
        text;
};

void VisitFields(RenameSettings& s, const FieldVisitor& v) {
    const auto i = [&](const char* section, const std::string& key, int& value) {
        v.integer(section, key, value, nullptr);
    };
    const auto added = [&](const char* section, const std::string& key, int& value, int missing) {
        v.integer(section, key, value, &missing);
    };
    const auto t = [&](const char* section, const std::string& key, std::string& value) {
        v.text(section, key, value, TextKind::Fixed);
    };
    const auto folder = [&](const char* section, const std::string& key, std::string& value) {
        v.text(section, key, value, TextKind::Folder);
    };
    const char* sf = "SelectFile";
    t(sf, "RootDir", s.SelectFile.RootDir);
    folder(sf, "FullPath", s.SelectFile.FullPath);
    i(sf, "SelectedRenameDrive", s.SelectFile.SelectedRenameDrive);
    i(sf, "RealTimeRefresh", s.SelectFile.RealTimeRefresh);
    i(sf, "IncludeSubDir", s.SelectFile.IncludeSubDir);
    t(sf, "FileFilter", s.SelectFile.FileFilter);
    i(sf, "FreeFileSelect", s.SelectFile.FreeFileSelect);
    i(sf, "DropDirAction", s.SelectFile.DropDirAction);

    const char* cd = "CopyToDir";
    i(cd, "EnableCopy", s.CopyToDir.EnableCopy);
    t(cd, "RootDir", s.CopyToDir.RootDir);
    folder(cd, "FullPath", s.CopyToDir.FullPath);
    i(cd, "SelectedCopyToDrive", s.CopyToDir.SelectedCopyToDrive);
    i(cd, "KeepDirTree", s.CopyToDir.KeepDirTree);
    i(cd, "RealTimeRefresh", s.CopyToDir.RealTimeRefresh);

    const char* ro = "RenameOption";
    i(ro, "EnableRename", s.RenameOption.EnableRename);
    i(ro, "EnableDigitChange", s.RenameOption.EnableDigitChange);
    i(ro, "DigitChangeNum", s.RenameOption.DigitChangeNum);
    i(ro, "SelectedRenamePattern", s.RenameOption.SelectedRenamePattern);
    for (int n = 0; n < kPartSlots; ++n) {
        PartSlot& part = s.RenameOption.Parts[n];
        i(ro, Key("SelectedPart%02d", n), part.SelectedPart);
        t(ro, Key("StrPart%02d", n), part.StrPart);
        i(ro, Key("DigitNum%02d", n), part.DigitNum);
        i(ro, Key("SkipNum%02d", n), part.SkipNum);
        i(ro, Key("FormatType%02d", n), part.FormatType);
        i(ro, Key("FixedFormatNum%02d", n), part.FixedFormatNum);
        i(ro, Key("Year2Digit%02d", n), part.Year2Digit);
    }
    // A job never inherits the Exif reading of the job loaded before it: without the key it
    // means the default reading.
    added(ro, "ExifStrictJpeg", s.RenameOption.ExifStrictJpeg, 0);
    added(ro, "ExifTagCp932", s.RenameOption.ExifTagCp932, 0);

    const char* lc = "LetterChangeOption";
    i(lc, "EnableLetterChange", s.LetterChangeOption.EnableLetterChange);
    i(lc, "ChangeMode", s.LetterChangeOption.ChangeMode);

    const char* sc = "StringChangeOption";
    i(sc, "EnableStringChange", s.StringChangeOption.EnableStringChange);
    for (int p = 0; p < kReplacePairs; ++p) {
        v.text(sc, Key("ChangeBefore%03d", p + 1), s.StringChangeOption.ChangeBefore[p],
               TextKind::Free);
        v.text(sc, Key("ChangeAfter%03d", p + 1), s.StringChangeOption.ChangeAfter[p],
               TextKind::Free);
    }
    added(sc, "UseRegex", s.StringChangeOption.UseRegex, StringChangeOptionSection{}.UseRegex);

    const char* ao = "AttributeOption";
    i(ao, "EnableAttribute", s.AttributeOption.EnableAttribute);
    i(ao, "SelectedArchive", s.AttributeOption.SelectedArchive);
    i(ao, "SelectedReadOnly", s.AttributeOption.SelectedReadOnly);
    i(ao, "SelectedHidden", s.AttributeOption.SelectedHidden);
    i(ao, "SelectedSystem", s.AttributeOption.SelectedSystem);

    const char* ts = "TimeStampOption";
    i(ts, "EnableTimeStamp", s.TimeStampOption.EnableTimeStamp);
    i(ts, "EnableMakeTime", s.TimeStampOption.EnableMakeTime);
    i(ts, "EnableUpdateTime", s.TimeStampOption.EnableUpdateTime);
    i(ts, "EnableLastAccessTime", s.TimeStampOption.EnableLastAccessTime);

    const char* co = "CommonOption";
    i(co, "SortCondition", s.CommonOption.SortCondition);
    i(co, "SortDirection", s.CommonOption.SortDirection);
    i(co, "NumberReset", s.CommonOption.NumberReset);
    i(co, "AllAttributeFileRename", s.CommonOption.AllAttributeFileRename);
    i(co, "DirRename", s.CommonOption.DirRename);
    i(co, "ViewDetailResult", s.CommonOption.ViewDetailResult);
    i(co, "LogWrite", s.CommonOption.LogWrite);
    i(co, "BatLogWrite", s.CommonOption.BatLogWrite);
    folder(co, "LogWritePath", s.CommonOption.LogWritePath);
    added(co, "NaturalOrder", s.CommonOption.NaturalOrder, CommonOptionSection{}.NaturalOrder);
    added(co, "PlanWholeRun", s.CommonOption.PlanWholeRun, CommonOptionSection{}.PlanWholeRun);
}

// Empty stays allowed: the run refuses an empty target folder itself, and an empty log folder
// means the temporary folder.
LoadError CheckFolder(std::string_view value) {
    if (value.empty()) return LoadError::None;
    if (value.size() > platform::kMaxTextBytes) return LoadError::PathTooLong;
    if (!platform::IsWellFormedPath(value)) return LoadError::PathMalformed;
    if (!platform::IsAbsolutePath(value)) return LoadError::PathNotAbsolute;
    return LoadError::None;
}

// A job file written by a UTF-8 editor is read as its author wrote it; the program itself
// writes CP932.
void ToCp932(std::string_view bytes, std::string& text) {
    const platform::WrittenText written = platform::DetectWrittenText(bytes);
    if (written.utf8) {
        platform::Cp932FromUtf8(written.text, text);
    } else {
        text.assign(written.text);
    }
}

// What a text field keeps of a value read for it (a value already within the reader's buffer).
std::string TextValue(std::string_view read, TextKind kind) {
    return std::string(kind == TextKind::Fixed
                           ? read.substr(0, platform::FitLength(read, platform::kMaxTextBytes))
                           : read);
}

LoadResult Failure(LoadError error, int systemError = 0) {
    LoadResult result;
    result.error = error;
    result.systemError = systemError;
    return result;
}

LoadResult ReadFailure(int error) {
    switch (error) {
        case ENOENT:
        case ENOTDIR:
            return Failure(LoadError::Missing);
        case EISDIR:
            return Failure(LoadError::Folder);
        case EACCES:
        case EPERM:
            return Failure(LoadError::NoPermission);
        default:
            return Failure(LoadError::Unreadable, error);
    }
}

}  // namespace

int ParseInteger(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r'))) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    long long value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        value = value * 10 + (text[i] - '0');
        if (value > static_cast<long long>(INT_MAX) + 1)
            value = static_cast<long long>(INT_MAX) + 1;
    }
    if (negative) value = -value;
    if (value > INT_MAX) return INT_MAX;
    if (value < INT_MIN) return INT_MIN;
    return static_cast<int>(value);
}

std::string SerializePatternFile(const RenameSettings& settings) {
    platform::IniWriter writer;
    writer.Set(kMarkerSection, kMarkerKey, "MorvaneX");
    RenameSettings copy = settings;
    VisitFields(copy, {[&](const char* section, const std::string& key, int& value, const int*) {
                           writer.Set(section, key, std::to_string(value));
                       },
                       [&](const char* section, const std::string& key, std::string& value,
                           TextKind) { writer.Set(section, key, value); }});
    return writer.Text();
}

bool SavePatternFile(const RenameSettings& settings, std::string_view path,
                     platform::FileSystem& fileSystem) {
    fileSystem.DeleteFile(path);
    if (fileSystem.WriteFile(path, SerializePatternFile(settings)) != 0) {
        fileSystem.DeleteFile(path);
        return false;
    }
    return true;
}

LoadResult LoadPatternText(RenameSettings& settings, std::string_view text) {
    const platform::IniReader reader(text);
    const std::string marker = reader.GetString(kMarkerSection, kMarkerKey, kNotFound);
    if (marker.empty() || marker == kNotFound) return Failure(LoadError::NotAPatternFile);

    // The folders are checked before any field changes, so a refused file changes nothing.
    LoadResult result;
    VisitFields(settings,
                {[](const char*, const std::string&, int&, const int*) {},
                 [&](const char* section, const std::string& key, std::string&, TextKind kind) {
                     if (kind != TextKind::Folder || !result) return;
                     const std::string read =
                         reader.GetString(section, key, kNotFound, kValueBuffer);
                     if (read == kNotFound) return;
                     if (const LoadError error = CheckFolder(read); error != LoadError::None) {
                         result = Failure(error);
                         result.section = section;
                         result.key = key;
                     }
                 }});
    if (!result) return result;

    VisitFields(
        settings,
        {[&](const char* section, const std::string& key, int& value, const int* missing) {
             const std::string read = reader.GetString(section, key, kNotFound, kValueBuffer);
             if (read != kNotFound) {
                 value = ParseInteger(read);
             } else if (missing != nullptr) {
                 value = *missing;
             }
         },
         [&](const char* section, const std::string& key, std::string& value, TextKind kind) {
             const std::string read = reader.GetString(section, key, kNotFound, kValueBuffer);
             if (read != kNotFound) value = TextValue(read, kind);
         }});
    return result;
}

LoadResult LoadPatternFile(RenameSettings& settings, std::string_view path,
                           platform::FileSystem& fileSystem) {
    // One byte more than allowed tells a file at the limit from one beyond it.
    std::string bytes;
    if (const int error = fileSystem.ReadFirstBytes(path, kMaxPatternFileBytes + 1, bytes)) {
        return ReadFailure(error);
    }
    if (bytes.size() > kMaxPatternFileBytes) return Failure(LoadError::TooLarge);
    std::string text;
    ToCp932(bytes, text);
    return LoadPatternText(settings, text);
}

namespace {

// Optional sign and digits, nothing else: what a number given from outside a file must be.
bool IsNumber(std::string_view text) {
    if (!text.empty() && (text.front() == '+' || text.front() == '-')) text.remove_prefix(1);
    return !text.empty() && text.find_first_not_of("0123456789") == std::string_view::npos;
}

}  // namespace

LoadResult SetPatternKey(RenameSettings& settings, std::string_view section, std::string_view key,
                         std::string_view text) {
    LoadResult result = Failure(LoadError::UnknownKey);
    result.section = section;
    result.key = key;
    if (text.find_first_of("\r\n") != std::string_view::npos) {
        result.error = LoadError::LineBreak;
        return result;
    }
    const std::string value = platform::CutToFit(platform::IniValue(text), kValueBuffer - 1);
    const auto named = [&](const char* fieldSection, const std::string& fieldKey) {
        if (!platform::EqualNoCase(section, fieldSection) ||
            !platform::EqualNoCase(key, fieldKey)) {
            return false;
        }
        result.section = fieldSection;
        result.key = fieldKey;
        return true;
    };
    VisitFields(
        settings,
        {[&](const char* fieldSection, const std::string& fieldKey, int& field, const int*) {
             if (!named(fieldSection, fieldKey)) return;
             if (!IsNumber(value)) {
                 result.error = LoadError::NotANumber;
                 return;
             }
             field = ParseInteger(value);
             result.error = LoadError::None;
         },
         [&](const char* fieldSection, const std::string& fieldKey, std::string& field,
             TextKind kind) {
             if (!named(fieldSection, fieldKey)) return;
             result.error = kind == TextKind::Folder ? CheckFolder(value) : LoadError::None;
             if (result.error == LoadError::None) field = TextValue(value, kind);
         }});
    return result;
}

std::vector<std::string> PatternKeys() {
    std::vector<std::string> keys;
    RenameSettings scratch;
    const auto add = [&](const char* section, const std::string& key) {
        keys.push_back(std::string(section) + "." + key);
    };
    VisitFields(scratch, {[&](const char* section, const std::string& key, int&, const int*) {
                              add(section, key);
                          },
                          [&](const char* section, const std::string& key, std::string&, TextKind) {
                              add(section, key);
                          }});
    return keys;
}

std::string TitleForLoadedFile(std::string_view path) {
    std::string name = platform::FileNameOf(path);
    return "MorvaneX - " + name;
}

std::string SaveFailedMessage() {
    return platform::Sjis("ファイルの書き込みに失敗しました。");
}
std::string LoadFailedMessage() {
    return platform::Sjis("設定ファイルの読み込みに失敗しました。");
}

std::string LoadErrorReason(const LoadResult& result) {
    const std::string key = result.section + platform::Sjis(" の ") + result.key;
    switch (result.error) {
        case LoadError::None:
            return {};
        case LoadError::Missing:
            return platform::Sjis("指定されたファイルは存在しません。");
        case LoadError::Folder:
            return platform::Sjis("指定されたパスはファイルではなくフォルダです。");
        case LoadError::NoPermission:
            return platform::Sjis("ファイルを読み込む権限がありません。");
        case LoadError::Unreadable:
            return platform::Sjis("ファイルを読み込めません(") +
                   platform::Cp932FromUtf8(std::strerror(result.systemError)) +
                   platform::Sjis(")。");
        case LoadError::TooLarge:
            return platform::Sjis("ファイルが大きすぎます(設定ファイルは16MBまでです)。");
        case LoadError::NotAPatternFile:
            return platform::Sjis(
                "MorvaneXの設定ファイルではありません(ParameterSaveFile の ApplicationName "
                "がありません)。");
        case LoadError::PathTooLong:
            return key + platform::Sjis(" が長すぎます(259バイトまで)。");
        case LoadError::PathMalformed:
            return key + platform::Sjis(" に途中で切れた2バイト文字があります。");
        case LoadError::PathNotAbsolute:
            return key + platform::Sjis(" が / で始まる絶対パスではありません。");
        case LoadError::UnknownKey:
            return key + platform::Sjis(" という設定項目はありません。");
        case LoadError::NotANumber:
            return key + platform::Sjis(" には数値を指定してください。");
        case LoadError::LineBreak:
            return key + platform::Sjis(" の値に改行は使えません。");
    }
    return {};
}

std::string LoadFailureMessage(const LoadResult& result, std::string_view path) {
    if (result) return {};
    return LoadFailedMessage() + "\n" + LoadErrorReason(result) + "\n[" + std::string(path) + "]";
}

}  // namespace morvanex::settings
