#include "wizard/CaseSettingsPage.h"

#include <QButtonGroup>
#include <QRadioButton>
#include <array>

namespace morvanex::wizard {

namespace {

struct ModeRadio {
    const char* name;
    const char* label;
    int changeMode;
};

// Top to bottom, which is the tab order; capitalising the first letter is ChangeMode 2 but
// comes last.
constexpr std::array<ModeRadio, 7> kModes{{
    {"allUpperRadio", "すべて大文字に統一します", 0},
    {"allLowerRadio", "すべて小文字に統一します", 1},
    {"nameUpperRadio", "ファイル名のみ大文字に統一します", 3},
    {"nameLowerRadio", "ファイル名のみ小文字に統一します", 4},
    {"extensionUpperRadio", "拡張子のみ大文字に統一します", 5},
    {"extensionLowerRadio", "拡張子のみ小文字に統一します", 6},
    {"capitaliseRadio", "ファイル名の先頭だけ大文字にします", 2},
}};

// The radio (0..6, top to bottom) of a ChangeMode, and back; values without a radio of their
// own fall back to the first radio and to lower case.
int RadioOfMode(int changeMode) {
    if (changeMode < 1 || changeMode > 6) return 0;
    for (std::size_t radio = 0; radio < kModes.size(); ++radio) {
        if (kModes[radio].changeMode == changeMode) return static_cast<int>(radio);
    }
    return 0;
}

int ModeOfRadio(int radio) {
    if (radio < 0 || radio >= static_cast<int>(kModes.size())) return 1;
    return kModes[static_cast<std::size_t>(radio)].changeMode;
}

}  // namespace

CaseSettingsPage::CaseSettingsPage(WizardDriver& driver)
    : WizardPage(driver, PageKind::LetterCase,
                 QString::fromUtf8("定型処理ウィザード：大文字・小文字統一処理設定")) {
    AddHeading(QString::fromUtf8("◆大文字・小文字統一に必要な情報を入力してください。"));

    AddGroup(*this, "changeModeGroup", "統一方法を選択してください", QRect(7, 20, 316, 62));
    m_modes = new QButtonGroup(this);
    for (std::size_t i = 0; i < kModes.size(); ++i) {
        // Four down the left, three down the right, in tab order.
        const int column = i < 4 ? 0 : 1;
        const int row = static_cast<int>(i) - column * 4;
        AddRadio(*this, *m_modes, static_cast<int>(i), kModes[i].name, kModes[i].label,
                 QRect(14 + column * 156, 32 + row * 12, 150, 10));
    }

    m_subfolders = std::make_unique<YesNoChoice>(
        *this,
        YesNoChoice::Names{"subfolderGroup", "subfolderYesRadio", "subfolderNoRadio",
                           "subfolderNote"},
        "サブフォルダ以下も変換しますか？",
        "サブフォルダ以下のファイル(フォルダ)も統一するかどうかを選択します。\n",
        QRect(7, 86, 316, 52));
    m_folderNames = std::make_unique<YesNoChoice>(
        *this,
        YesNoChoice::Names{"folderNameGroup", "folderNameYesRadio", "folderNameNoRadio",
                           "folderNameNote"},
        "フォルダ名も変換しますか？",
        "フォルダ名も変換対象にするかどうか選択します。\n"
        "ファイルと同様にリードオンリー属性がついているフォルダに対しては変換できません。",
        QRect(7, 142, 316, 70));
    AddNavigation();
}

CaseSettingsPage::~CaseSettingsPage() = default;

void CaseSettingsPage::Load() {
    const settings::RenameSettings& record = Settings();
    m_modes->button(RadioOfMode(record.LetterChangeOption.ChangeMode))->setChecked(true);
    m_subfolders->Set(record.SelectFile.IncludeSubDir != 0);
    m_folderNames->Set(record.CommonOption.DirRename != 0);
    // Dropped files are the targets as they are: there are no subfolders or folders to include.
    const bool fromFolder = record.SelectFile.FreeFileSelect == 0;
    m_subfolders->SetEnabled(fromFolder);
    m_folderNames->SetEnabled(fromFolder);
}

void CaseSettingsPage::Store() {
    settings::RenameSettings& record = Settings();
    record.LetterChangeOption.ChangeMode = ModeOfRadio(m_modes->checkedId());
    record.SelectFile.IncludeSubDir = m_subfolders->Yes() ? 1 : 0;
    record.CommonOption.DirRename = m_folderNames->Yes() ? 1 : 0;
}

}  // namespace morvanex::wizard
