#include "wizard/OperationSelectionPage.h"

#include <QCheckBox>
#include <QGroupBox>

#include "platform/Codepage.h"

namespace morvanex::wizard {

namespace {

constexpr const char* kNoOperation =
    "「ファイルに対する処理」をひとつも選ばずに先に進むことはできません。\n"
    "最低でも1つの処理を有効にしてください。";

}  // namespace

// One box and the switch it stands for; the first is the copy, which is no operation on the
// files themselves.
struct OperationSelectionPage::Box {
    const char* objectName;
    const char* text;
    int& (*field)(settings::RenameSettings& settings);
};

const std::array<OperationSelectionPage::Box, 6> OperationSelectionPage::kBoxes{{
    {"copyCheck", "リネームと同時にコピーする(リネーム元ファイルは変換しません)",
     [](settings::RenameSettings& s) -> int& { return s.CopyToDir.EnableCopy; }},
    {"renameCheck", "リネーム処理(連番等によるファイル名の一括変換)",
     [](settings::RenameSettings& s) -> int& { return s.RenameOption.EnableRename; }},
    {"letterCaseCheck",
     "大文字・小文字統一処理(ファイル名に含まれるアルファベットの大小の一括統一)",
     [](settings::RenameSettings& s) -> int& { return s.LetterChangeOption.EnableLetterChange; }},
    {"stringReplaceCheck",
     "ファイル名文字列置換処理(ファイル名に含まれる特定の文字列を置換(または削除)する)",
     [](settings::RenameSettings& s) -> int& { return s.StringChangeOption.EnableStringChange; }},
    {"attributeCheck",
     "ファイル属性統一処理(ファイルの属性(リードオンリー、隠し等)の一括付加、または除去)",
     [](settings::RenameSettings& s) -> int& { return s.AttributeOption.EnableAttribute; }},
    {"timeStampCheck",
     "タイムスタンプ統一処理(ファイルのタイムスタンプを任意時間、または作成・更新時刻で統一)",
     [](settings::RenameSettings& s) -> int& { return s.TimeStampOption.EnableTimeStamp; }},
}};

OperationSelectionPage::OperationSelectionPage(WizardDriver& driver)
    : WizardPage(driver, PageKind::OperationSelection,
                 QStringLiteral("処理を行う項目を選択してください")) {
    AddHeading(QStringLiteral("◆下記の処理の中から実行したいもののみにチェックをつけてください"));
    auto* extra = new QGroupBox(QStringLiteral("リネーム時の付加動作"), this);
    extra->setGeometry(Units(5, 24, 322, 30));
    auto* files = new QGroupBox(QStringLiteral("ファイルに対する処理"), this);
    files->setGeometry(Units(5, 62, 322, 110));
    for (std::size_t i = 0; i < kBoxes.size(); ++i) {
        QGroupBox* group = i == 0 ? extra : files;
        auto* box = new QCheckBox(QString::fromUtf8(kBoxes[i].text), group);
        box->setObjectName(kBoxes[i].objectName);
        box->setGeometry(Units(5, i == 0 ? 12 : 14 + 18 * static_cast<int>(i - 1), 315, 12));
        m_boxes[i] = box;
    }
    AddNavigation();
}

void OperationSelectionPage::Load() {
    for (std::size_t i = 0; i < kBoxes.size(); ++i) {
        m_boxes[i]->setChecked(kBoxes[i].field(Settings()) != 0);
    }
}

void OperationSelectionPage::Store() {
    for (std::size_t i = 0; i < kBoxes.size(); ++i) {
        kBoxes[i].field(Settings()) = m_boxes[i]->isChecked() ? 1 : 0;
    }
    // The wizard's rename composes names; digit alignment is the rename page's other mode.
    Settings().RenameOption.EnableDigitChange = 0;
}

void OperationSelectionPage::Next() {
    bool anyOperation = false;
    for (std::size_t i = 1; i < m_boxes.size(); ++i) anyOperation |= m_boxes[i]->isChecked();
    if (!anyOperation) {
        // Nothing is stored: the settings keep what they had.
        Driver().Context().interaction.ShowMessage(platform::Sjis(kNoOperation),
                                                   engine::MessageIcon::None);
        return;
    }
    WizardPage::Next();
}

}  // namespace morvanex::wizard
