#include "settings/PatternFile.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <functional>

#include "platform/Codepage.h"
#include "platform/Paths.h"
#include "platform/Profile.h"

namespace morvanex::settings {

namespace {

constexpr const char* kMarkerSection = "ParameterSaveFile";
constexpr const char* kMarkerKey = "ApplicationName";
constexpr const char* kNotFound = "NOT_FOUND";
// Pattern files larger than this are not pattern files.
constexpr std::size_t kMaxFileBytes = 16 * 1024 * 1024;

std::string Key(const char* format, int number) {
    char key[32];
    std::snprintf(key, sizeof key, format, number);
    return key;
}

// Visits every persistent field in file order with its section and key. One list serves the
// writer and the reader, so the two can never disagree on names or order.
struct FieldVisitor {
    std::function<void(const char* section, const std::string& key, int& value)> integer;
    std::function<void(const char* section, const std::string& key, std::string& value,
                       bool fixedBuffer)>
        text;
};

void VisitFields(RenameSettings& s, const FieldVisitor& v) {
    const auto i = [&](const char* section, const std::string& key, int& value) {
        v.integer(section, key, value);
    };
    const auto t = [&](const char* section, const std::string& key, std::string& value) {
        v.text(section, key, value, true);
    };
    const char* sf = "SelectFile";
    t(sf, "RootDir", s.SelectFile.RootDir);
    t(sf, "FullPath", s.SelectFile.FullPath);
    i(sf, "SelectedRenameDrive", s.SelectFile.SelectedRenameDrive);
    i(sf, "RealTimeRefresh", s.SelectFile.RealTimeRefresh);
    i(sf, "IncludeSubDir", s.SelectFile.IncludeSubDir);
    t(sf, "FileFilter", s.SelectFile.FileFilter);
    i(sf, "FreeFileSelect", s.SelectFile.FreeFileSelect);
    i(sf, "DropDirAction", s.SelectFile.DropDirAction);

    const char* cd = "CopyToDir";
    i(cd, "EnableCopy", s.CopyToDir.EnableCopy);
    t(cd, "RootDir", s.CopyToDir.RootDir);
    t(cd, "FullPath", s.CopyToDir.FullPath);
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

    const char* lc = "LetterChangeOption";
    i(lc, "EnableLetterChange", s.LetterChangeOption.EnableLetterChange);
    i(lc, "ChangeMode", s.LetterChangeOption.ChangeMode);

    const char* sc = "StringChangeOption";
    i(sc, "EnableStringChange", s.StringChangeOption.EnableStringChange);
    for (int p = 0; p < kReplacePairs; ++p) {
        v.text(sc, Key("ChangeBefore%03d", p + 1), s.StringChangeOption.ChangeBefore[p], false);
        v.text(sc, Key("ChangeAfter%03d", p + 1), s.StringChangeOption.ChangeAfter[p], false);
    }

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
    t(co, "LogWritePath", s.CommonOption.LogWritePath);
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
        if (value > static_cast<long long>(INT_MAX) + 1) value = static_cast<long long>(INT_MAX) + 1;
    }
    if (negative) value = -value;
    if (value > INT_MAX) return INT_MAX;
    if (value < INT_MIN) return INT_MIN;
    return static_cast<int>(value);
}

std::string SerializePatternFile(const RenameSettings& settings) {
    platform::ProfileWriter writer;
    writer.Set(kMarkerSection, kMarkerKey, "MorvaneX");
    RenameSettings copy = settings;
    VisitFields(copy, {[&](const char* section, const std::string& key, int& value) {
                           writer.Set(section, key, std::to_string(value));
                       },
                       [&](const char* section, const std::string& key, std::string& value,
                           bool) { writer.Set(section, key, value); }});
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

bool LoadPatternText(RenameSettings& settings, std::string_view text) {
    const platform::ProfileReader reader(text);
    const std::string marker = reader.GetString(kMarkerSection, kMarkerKey, kNotFound);
    if (marker.empty() || marker == kNotFound) return false;
    VisitFields(settings,
                {[&](const char* section, const std::string& key, int& value) {
                     const std::string read = reader.GetString(section, key, kNotFound);
                     if (read != kNotFound) value = ParseInteger(read);
                 },
                 [&](const char* section, const std::string& key, std::string& value,
                     bool fixedBuffer) {
                     const std::string read = reader.GetString(section, key, kNotFound);
                     if (read == kNotFound) return;
                     value = fixedBuffer ? platform::CutToFit(read, platform::kMaxTextBytes) : read;
                 }});
    return true;
}

bool LoadPatternFile(RenameSettings& settings, std::string_view path,
                     platform::FileSystem& fileSystem) {
    std::string bytes;
    if (fileSystem.ReadFirstBytes(path, kMaxFileBytes, bytes) != 0) return false;
    return LoadPatternText(settings, bytes);
}

std::string TitleForLoadedFile(std::string_view path) {
    std::string name = platform::FileNameOf(path);
    return "MorvaneX - " + name;
}

std::string SaveFailedMessage() { return platform::Sjis("ファイルの書き込みに失敗しました。"); }
std::string LoadFailedMessage() { return platform::Sjis("設定ファイルの読み込みに失敗しました。"); }

}  // namespace morvanex::settings
