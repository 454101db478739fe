#include "pages/PageTable.h"

#include "pages/AttributePage.h"
#include "pages/CopyDestPage.h"
#include "pages/FolderSelectPage.h"
#include "pages/FreeSelectPage.h"
#include "pages/LetterCasePage.h"
#include "pages/OptionsPage.h"
#include "pages/RenamePatternPage.h"
#include "pages/StringReplacePage.h"
#include "pages/TimeStampPage.h"

namespace morvanex::pages {

const PageTableType& MainPageTable() {
    static const PageTableType table{{
        {1000, "ファイル選択(フォルダ単位)", 2000, &CreatePage<FolderSelectPage>},
        {1001, "ファイル選択(自由選択)", 2010, &CreatePage<FreeSelectPage>},
        {1002, "コピー先選択", 2020, &CreatePage<CopyDestPage>},
        {1003, "オプション", 2070, &CreatePage<OptionsPage>},
        {1004, "リネーム処理", 2030, &CreatePage<RenamePatternPage>},
        {1005, "大(小)文字統一", 2040, &CreatePage<LetterCasePage>},
        {1006, "ファイル名文字列置換", 2080, &CreatePage<StringReplacePage>},
        {1007, "ファイル属性変更", 2050, &CreatePage<AttributePage>},
        {1008, "タイムスタンプ変更", 2060, &CreatePage<TimeStampPage>},
    }};
    return table;
}

}  // namespace morvanex::pages
