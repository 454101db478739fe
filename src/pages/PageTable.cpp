#include "pages/PageTable.h"

namespace morvanex::pages {

const PageTableType& MainPageTable() {
    static const PageTableType table{{
        {1000, "ファイル選択(フォルダ単位)", 2000, nullptr},
        {1001, "ファイル選択(自由選択)", 2010, nullptr},
        {1002, "コピー先選択", 2020, nullptr},
        {1003, "オプション", 2070, nullptr},
        {1004, "リネーム処理", 2030, nullptr},
        {1005, "大(小)文字統一", 2040, nullptr},
        {1006, "ファイル名文字列置換", 2080, nullptr},
        {1007, "ファイル属性変更", 2050, nullptr},
        {1008, "タイムスタンプ変更", 2060, nullptr},
    }};
    return table;
}

}  // namespace morvanex::pages
