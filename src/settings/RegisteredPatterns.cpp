#include "settings/RegisteredPatterns.h"

#include <initializer_list>

#include "platform/Codepage.h"

namespace morvanex::settings {

namespace {

RegisteredPattern Make(const char* utf8Name, std::initializer_list<int> parts) {
    RegisteredPattern pattern;
    pattern.Name = platform::Sjis(utf8Name);
    int slot = 0;
    for (int part : parts) pattern.SelectedPart[slot++] = part;
    pattern.DigitNum.fill(3);
    pattern.SkipNum.fill(1);
    return pattern;
}

}  // namespace

std::vector<RegisteredPattern> BuiltInPatterns() {
    std::vector<RegisteredPattern> patterns;
    patterns.push_back(Make("単純連番リネーム", {1, 0, 6, 0, 5, 3}));
    patterns.back().StrPart[2] = "1";
    patterns.push_back(Make("フォルダ名利用連番リネーム", {4, 1, 6, 0, 5, 3}));
    patterns.back().StrPart[2] = "1";
    patterns.push_back(Make("拡張子統一リネーム", {2, 0, 5, 0, 1, 0}));
    patterns.push_back(Make("ファイル名＋文字列 型リネーム", {2, 1, 0, 5, 0, 3}));
    patterns.push_back(Make("文字列＋ファイル名 型リネーム", {1, 2, 0, 5, 0, 3}));
    patterns.push_back(Make("ファイル作成日時.拡張子 型リネーム", {8, 0, 5, 0, 3, 0}));
    patterns.back().StrPart[0] = kDefaultTimestampFormat;
    patterns.push_back(Make("Exif情報.拡張子 型リネーム", {10, 0, 5, 0, 3, 0, 8}));
    patterns.back().StrPart[0] = kDefaultExifFormat;
    patterns.back().StrPart[6] = kDefaultTimestampFormat;
    return patterns;
}

void ApplyPatternToSlots(const RegisteredPattern& pattern, RenameSettings& settings) {
    for (int slot = 0; slot < kPartSlots; ++slot) {
        PartSlot& part = settings.RenameOption.Parts[slot];
        part.SelectedPart = pattern.SelectedPart[slot];
        part.StrPart = pattern.StrPart[slot];
        part.DigitNum = pattern.DigitNum[slot];
        part.SkipNum = pattern.SkipNum[slot];
        part.FormatType = 0;
        part.FixedFormatNum = 0;
        part.Year2Digit = 0;
    }
}

}  // namespace morvanex::settings
