#include "wizard/TaskSelectionPage.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QLabel>
#include <QRadioButton>
#include <array>

#include "wizard/WizardControls.h"

namespace morvanex::wizard {

namespace {

struct Task {
    int kind;
    const char* radioName;
    const char* label;
    const char* description;
    int enableRename;
    int enableLetterChange;
    int enableAttribute;
    // The registered pattern the task renames with; -1: the working pattern stays.
    int pattern;
};

// In tab order, which is the order of the kinds.
constexpr std::array<Task, 5> kTasks{{
    {kTaskSequence, "sequenceTaskRadio", "単純連番リネーム",
     "指定されたファイルを「指定文字列＋連番.拡張子」という形に一括してリネームします。\n\n"
     "※制限事項\n　○アーカイブ以外の属性のファイルは変換できません。\n"
     "　○リネームフォーマットは固定です。\n　○フォルダは対象になりません。",
     1, 0, 0, 0},
    {kTaskFolderSequence, "folderSequenceTaskRadio", "フォルダ名＋連番リネーム",
     "指定されたファイルを「フォルダ名＋連番.拡張子」という形に一括してリネームします。\n\n"
     "※制限事項\n　○アーカイブ以外の属性のファイルは変換できません。\n"
     "　○リネームフォーマットは固定です。\n　○フォルダは対象になりません。",
     1, 0, 0, 1},
    {kTaskLetterCase, "letterCaseTaskRadio", "大文字・小文字統一",
     "指定されたファイル・フォルダのアルファベットを大文字、または小文字に統一します。\n\n"
     "※制限事項\n　○アーカイブ以外の属性のファイルは変換できません。",
     0, 1, 0, -1},
    {kTaskExtension, "extensionTaskRadio", "拡張子統一",
     "指定されたファイルの拡張子を統一します。\n\n"
     "※制限事項\n　○アーカイブ以外の属性のファイルは変換できません。\n"
     "　○フォルダは対象になりません。",
     1, 0, 0, 2},
    {kTaskAttributes, "attributeTaskRadio", "ファイル属性統一",
     "指定されたファイルの属性を統一します。\n\n"
     "※制限事項\n　○アーカイブ以外の属性のファイルは変換できません。\n"
     "　○フォルダは対象になりません。",
     0, 0, 1, -1},
}};

// Shown while no task is chosen (the last wizard was the all-options one).
constexpr const char* kNoTaskDescription = "実行したい処理を左の一覧から選択してください。";

const Task* TaskOf(int kind) {
    for (const Task& task : kTasks) {
        if (task.kind == kind) return &task;
    }
    return nullptr;
}

// The four values of each visible part; the timestamp-dialog state and the Exif fallbacks of
// the working pattern are not part of a task.
void CopyVisibleParts(const settings::RegisteredPattern& pattern,
                      settings::RenameSettings& settings) {
    for (int slot = 0; slot < settings::kVisibleParts; ++slot) {
        const auto s = static_cast<std::size_t>(slot);
        settings::PartSlot& part = settings.RenameOption.Parts[s];
        part.SelectedPart = pattern.SelectedPart[s];
        part.StrPart = pattern.StrPart[s];
        part.DigitNum = pattern.DigitNum[s];
        part.SkipNum = pattern.SkipNum[s];
    }
}

}  // namespace

TaskSelectionPage::TaskSelectionPage(WizardDriver& driver)
    : WizardPage(driver, PageKind::TaskSelection,
                 QString::fromUtf8("定型処理ウィザード：サービス選択")) {
    AddHeading(QString::fromUtf8(
        "◆定型処理選択\n\n"
        "実行したいリネームを以下のパターンから選択してください。\n"
        "ここに希望のパターンがない場合にはひとつ戻って『自由設定ウィザード』にて処理を行うか、\n"
        "ウィザードを終了し、通常ウィンドウにて処理を行ってください。"));

    AddGroup(*this, "taskGroup", "◆定型処理選択", QRect(7, 62, 316, 118));
    m_tasks = new QButtonGroup(this);
    int y = 76;
    for (const Task& task : kTasks) {
        AddRadio(*this, *m_tasks, task.kind, task.radioName, task.label, QRect(14, y, 110, 10));
        y += 18;
    }
    m_description = AddText(*this, "taskDescriptionText", "", QRect(128, 76, 190, 100));

    m_copy = new QCheckBox(
        QString::fromUtf8("リネーム後、ファイルをコピーする(元ファイルは変更なし)"), this);
    m_copy->setObjectName("copyCheck");
    m_copy->setGeometry(Units(7, 186, 316, 10));
    m_dropSelect =
        new QCheckBox(QString::fromUtf8("ファイルをドラッグアンドドロップで選択する"), this);
    m_dropSelect->setObjectName("dropSelectCheck");
    m_dropSelect->setGeometry(Units(7, 200, 316, 10));
    AddNavigation();

    connect(m_tasks, &QButtonGroup::idClicked, this, &TaskSelectionPage::ShowDescription);
}

void TaskSelectionPage::Load() {
    const int kind = Driver().TaskKind();
    if (QAbstractButton* radio = m_tasks->button(kind)) radio->setChecked(true);
    ShowDescription(kind);
    m_copy->setChecked(Settings().CopyToDir.EnableCopy != 0);
    m_dropSelect->setChecked(Settings().SelectFile.FreeFileSelect != 0);
}

void TaskSelectionPage::Store() {
    const Task* task = TaskOf(m_tasks->checkedId());
    // Nothing chosen: the settings stay those of the all-options wizard, untouched.
    if (task == nullptr) return;
    settings::RenameSettings& record = Settings();
    record.SelectFile.FreeFileSelect = 0;
    record.RenameOption.EnableDigitChange = 0;
    record.TimeStampOption.EnableTimeStamp = 0;
    record.RenameOption.EnableRename = task->enableRename;
    record.LetterChangeOption.EnableLetterChange = task->enableLetterChange;
    record.AttributeOption.EnableAttribute = task->enableAttribute;
    if (task->pattern >= 0 &&
        static_cast<std::size_t>(task->pattern) < record.RegisteredPatterns.size()) {
        CopyVisibleParts(record.RegisteredPatterns[static_cast<std::size_t>(task->pattern)],
                         record);
        record.RenameOption.SelectedRenamePattern = task->pattern;
    }
    Driver().SetTaskKind(task->kind);
    record.CopyToDir.EnableCopy = m_copy->isChecked() ? 1 : 0;
    record.SelectFile.FreeFileSelect = m_dropSelect->isChecked() ? 1 : 0;
}

void TaskSelectionPage::Next() {
    Store();
    // The box decides where the files come from even when no task was stored with it.
    FlowState state = FlowState::Of(Settings(), Driver().TaskKind());
    state.freeSelect = m_dropSelect->isChecked();
    Driver().Transition(Kind(), WizardButton::Next, state);
}

void TaskSelectionPage::ShowDescription(int task) {
    const Task* chosen = TaskOf(task);
    m_description->setText(
        QString::fromUtf8(chosen != nullptr ? chosen->description : kNoTaskDescription));
}

}  // namespace morvanex::wizard
