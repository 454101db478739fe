#include "engine/ResultCodes.h"

#include <cstdio>
#include <cstring>
#include <string_view>

#include "platform/Codepage.h"

namespace morvanex::engine {

namespace {

struct CodeText {
    int code;
    const char* text;  // UTF-8 source; "%d" is the code, "%s" the path
};

constexpr CodeText kCodeTexts[] = {
    {1,
     "Error Code : %d\nError Define : MRVN_ERROR_NO_COPYTOSTR "
     "\nコピー先フォルダが指定されていません。"},
    {2,
     "Error Code : %d\nError Define : MRVN_ERROR_NO_RENFORMAT "
     "\nフォーマット指定が不正です。\nリネーム後のファイル名がありません。"},
    {3,
     "Error Code : %d\nError Define : MRVN_ERROR_NO_RENNUMBER "
     "\nフォーマット指定が不正です。\n連番が使われていないためリネームできません。"},
    {4, "Error Code : %d\nError Define : MRVN_ERROR_NO_COPYTO \nコピー先フォルダが存在しません。"},
    {5, "Error Code : %d\nError Define : MRVN_ERROR_NO_DIGITNUM \n連番桁数指定が不正です。"},
    {6,
     "Error Code : %d\nError Define : MRVN_ERROR_LOWER_NUM_OVER "
     "\n連番開始番号が連番桁数の最大値を超えています。"},
    {7,
     "Error Code : %d\nError Define : MRVN_ERROR_UPPER_NUM_OVER "
     "\n連番終了番号が連番桁数の最大値を超えています。"},
    {8,
     "Error Code : %d\nError Define : MRVN_ERROR_NOT_ALLOC_MEMORY \nSystem "
     "Error!!\nプレビュー用のシステムメモリの確保がされていません。"},
    {9,
     "Error Code : %d\nError Define : MRVN_ERROR_NOT_RENFILE_STR \nSystem "
     "Error!!\nリネーム対象ファイルがありません。"},
    {10,
     "Error Code : %d\nError Define : MRVN_ERROR_BAD_STRING_USED "
     "\nリネーム後の文字列の中にファイル名として使えない文字があります。"},
    {11,
     "Error Code : %d\nError Define : MRVN_NO_RENAME_FILE "
     "\nリネーム対象の指定フォルダ内にファイルがありません。"},
    {12,
     "Error Code : %d\nError Define : MRVN_PARAMETER_ERROR "
     "\n設定されたパラメータが無効です(内部エラー)。"},
    {13,
     "Error Code : %d\nError Define : MRVN_PARAMETER_UNMATCH "
     "\n指定パラメータに矛盾があります(内部エラー)。"},
    {14,
     "Error Code : %d\nError Define : MRVN_ERROR_FILEATTRIBUTE "
     "\nリネームできないファイル属性を持ったファイルが含まれています。"},
    {15,
     "Error Code : %d\nError Define : MRVN_ERROR_NO_LOGWRITEDIR "
     "\nログ保存先フォルダが存在しません。"},
    {16,
     "Error Code : %d\nError Define : MRVN_ERROR_SAME_NAME_EXSIT "
     "\nリネーム後のファイル名と同じファイルがすでに存在します。\n[%s]"},
    {17,
     "Error Code : %d\nError Define : MRVN_ERROR_SAME_NAME_EXSIT_PREVIEW "
     "\nリネーム処理中にファイルが重複してしまいます。\n処理内容を今一度確認してください。\n[%s]"},
    {18,
     "Error Code : %d\nError Define : MRVN_ERROR_NO_JOURNAL "
     "\nUndo用の記録ファイルを作成または追記できないため、処理を中止しました。\nこの時点までに変更"
     "したファイルはUndoで元に戻せます。\n[%s]"},
    {19,
     "Error Code : %d\nError Define : MRVN_ERROR_BAD_REGEX \n文字列置換の正規表現を使えません。"},
    {20,
     "Error Code : %d\nError Define : MRVN_STOPPED_BY_USER \nユーザーの指示により処理を中止しまし"
     "た。"},
    {1001,
     "Error Code : %d\nError Define : DINFO_ERROR_NO_COUNTDIR_APP "
     "\nリネーム対象の指定フォルダは存在していません。"},
    {1004,
     "Error Code : %d\nError Define : DINFO_ERROR_NO_FILEINDIR_APP "
     "\nリネーム対象の指定フォルダ内にファイルがありません。"},
};

// Fills "%d" with the number and "%s" with the (CP932) text; nothing else is special, so a
// path holding '%' cannot change the message's shape.
std::string Fill(std::string_view format, const std::vector<std::string>& numbersAndTexts) {
    std::string result;
    std::size_t next = 0;
    for (std::size_t i = 0; i < format.size(); ++i) {
        if (format[i] == '%' && i + 1 < format.size() &&
            (format[i + 1] == 'd' || format[i + 1] == 's')) {
            if (next < numbersAndTexts.size()) result += numbersAndTexts[next++];
            ++i;
        } else {
            result += format[i];
        }
    }
    return result;
}

}  // namespace

std::string RunErrorMessage(int code, int systemError, const std::string& path) {
    if (code == MRVN_ERROR_SYSTEM_ERROR) {
        // strerror's text ends without a line break; the message has one there.
        const std::string systemText =
            platform::Cp932FromUtf8(std::string(std::strerror(systemError)) + "\n");
        std::string text =
            Fill(platform::Sjis("Error Code : %d\nError Define : MRVN_ERROR_SYSTEM_ERROR "
                                "\nシステムエラー発生。\nWindowsが出力したエラーコードは「%"
                                "d」です。\nまたWindowsからのメッセージは以下の通りです。\n%s"),
                 {std::to_string(code), std::to_string(systemError), systemText});
        if (!path.empty()) text += "[" + path + "]";
        return text;
    }
    for (const auto& entry : kCodeTexts) {
        if (entry.code != code) continue;
        std::string text = Fill(platform::Sjis(entry.text), {std::to_string(code), path});
        if ((code == MRVN_ERROR_BAD_STRING_USED || code == MRVN_ERROR_BAD_REGEX) && !path.empty())
            text += "\n[" + path + "]";
        return text;
    }
    return Fill(platform::Sjis("Morvane Error Code : %d\nWindows Error Code : "
                               "%d\n詳細不明なエラー発生。対処できません。"),
                {std::to_string(code), std::to_string(systemError)});
}

std::string RunDoneMessage(int doneCount) {
    return platform::Sjis("変換完了。\n") + std::to_string(doneCount) +
           platform::Sjis("個のファイル名を変換しました。");
}

std::string StoppedMessage(int doneCount) {
    return platform::Sjis("ユーザーの指示により処理を中止しました。\n") +
           std::to_string(doneCount) +
           platform::Sjis("個のファイル名を変換しました。\n変換したファイルはUndoで元に戻せます。");
}

std::string NoUndoDataMessage() {
    return platform::Sjis(
        "Undo用のデータがありません。\nMorvaneの起動からこのボタンを押すまで一回もリネームを行って"
        "いないか、\nリネーム＋コピーによってリネームされた可能性があります。\nリネーム＋コピーの場"
        "合は元のファイルには何も変更が加わっていないので\nコピー先のファイルを手動で削除していただ"
        "くだけで元に戻ります。");
}

std::string UndoDoneMessage() {
    return platform::Sjis("Undoが正常終了しました。");
}

std::string UndoFailedMessage() {
    return platform::Sjis("Undo中にエラーが発生しました。\n処理を中断します。");
}

std::string CopyFolderQuestion() {
    return platform::Sjis(
        "指定されたフォルダ(コピー先フォルダ)は存在しません。\nフォルダを作成しますか？");
}

std::string LogFolderQuestion() {
    return platform::Sjis(
        "指定されたフォルダ(ログ保存フォルダ)は存在しません。\nフォルダを作成しますか？");
}

int ShowRunError(Interaction& interaction, int code, int systemError, const std::string& path,
                 const std::string& detail) {
    std::string text = RunErrorMessage(code, systemError, path);
    if (!detail.empty()) text += "\n" + detail;
    interaction.ShowMessage(text, MessageIcon::Exclamation);
    return 1;
}

}  // namespace morvanex::engine
