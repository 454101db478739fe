#include <array>

#include "pages/AttributePage.h"
#include "pages/CopyDestPage.h"
#include "pages/FolderSelectPage.h"
#include "pages/FreeSelectPage.h"
#include "pages/LetterCasePage.h"
#include "pages/OptionsPage.h"
#include "pages/PageTable.h"
#include "pages/RenamePatternPage.h"
#include "pages/StringReplacePage.h"
#include "pages/TimeStampPage.h"
#include "wizard/CaseSettingsPage.h"
#include "wizard/EmbeddingPage.h"
#include "wizard/ExtensionSettingsPage.h"
#include "wizard/FileSelectionPage.h"
#include "wizard/FinalPage.h"
#include "wizard/OperationSelectionPage.h"
#include "wizard/SequenceSettingsPage.h"
#include "wizard/TaskSelectionPage.h"
#include "wizard/WelcomePage.h"
#include "wizard/WizardDriver.h"

// The wizard's pages by kind: the settings pages it shows as they are, and the pages of its own.
namespace morvanex::wizard {

namespace {

using pages::CreatePage;

constexpr std::array<EmbeddingPageSpec, 11> kEmbeddingPages{{
    {PageKind::TargetFolder, "定型処理ウィザード：リネーム対象フォルダ選択",
     "◆リネームしたいファイルのあるフォルダを選択してください。",
     &CreatePage<pages::FolderSelectPage>, false},
    {PageKind::CopyDestination, "定型処理ウィザード：コピー先フォルダ選択",
     "◆コピー先のフォルダを選択してください。", &CreatePage<pages::CopyDestPage>, true},
    {PageKind::Attributes, "定型処理ウィザード：属性統一情報設定",
     "◆ファイル属性統一に必要な情報を入力してください。", &CreatePage<pages::AttributePage>, true},
    {PageKind::DroppedFiles, "定型処理ウィザード：リネーム対象ファイルの選択",
     "◆リネームしたいファイルのあるファイルをドラッグアンドドロップしてください。",
     &CreatePage<pages::FreeSelectPage>, true},
    {PageKind::AllCopyDestination, "コピー先ディレクトリの選択", "◆コピー先を選択してください",
     &CreatePage<pages::CopyDestPage>, true},
    {PageKind::Rename, "リネームに関する設定", "◆リネーム処理に関わる設定を行います",
     &CreatePage<pages::RenamePatternPage>, false},
    {PageKind::AllLetterCase, "大文字・小文字統一変換に関する設定",
     "◆大文字・小文字統一処理に関わる設定を行います", &CreatePage<pages::LetterCasePage>, true},
    {PageKind::AllAttributes, "ファイル属性統一に関する設定",
     "◆ファイル属性統一処理に関わる設定を行います", &CreatePage<pages::AttributePage>, true},
    {PageKind::TimeStamp, "タイムスタンプ統一処理に関する設定",
     "◆タイムスタンプ統一処理に関わる設定を行います", &CreatePage<pages::TimeStampPage>, true},
    {PageKind::CommonOptions, "共通オプション設定", "◆全処理に共通するオプションを設定します",
     &CreatePage<pages::OptionsPage>, false},
    {PageKind::StringReplace, "ファイル名文字列置換設定",
     "◆置換したい文字列と置換後の文字列を指定してください", &CreatePage<pages::StringReplacePage>,
     true},
}};

}  // namespace

WizardPage* CreateWizardPage(PageKind kind, WizardDriver& driver) {
    for (const EmbeddingPageSpec& spec : kEmbeddingPages) {
        if (spec.kind == kind) return new EmbeddingPage(driver, spec);
    }
    switch (kind) {
        case PageKind::Final:
            return new FinalPage(driver);
        case PageKind::OperationSelection:
            return new OperationSelectionPage(driver);
        case PageKind::FileSelection:
            return new FileSelectionPage(driver);
        case PageKind::Welcome:
            return new WelcomePage(driver);
        case PageKind::TaskSelection:
            return new TaskSelectionPage(driver);
        case PageKind::SequenceSettings:
            return new SequenceSettingsPage(driver);
        case PageKind::LetterCase:
            return new CaseSettingsPage(driver);
        case PageKind::Extension:
            return new ExtensionSettingsPage(driver);
        default:
            return nullptr;
    }
}

}  // namespace morvanex::wizard
