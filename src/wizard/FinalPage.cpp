#include "wizard/FinalPage.h"

#include <QGroupBox>
#include <QLabel>
#include <QPushButton>

#include "platform/Codepage.h"

namespace morvanex::wizard {

namespace {

constexpr const char* kRunQuestion = "リネームを開始します。\nよろしいですか？(最終確認です)";

}  // namespace

struct FinalPage::Choice {
    const char* title;
    const char* text;
    const char* buttonName;
    const char* buttonText;
    void (FinalPage::*action)();
};

const FinalPage::Choice FinalPage::kChoices[] = {
    {"☆リネーム処理の結果をプレビュー",
     "ウィザードで設定した項目を元にリネーム結果をプレビューします。\n"
     "リネーム前のファイルとリネーム後のファイルを比較することができます。\n\n"
     "リネーム実行前にはプレビューで確認することをお勧めします。",
     "previewButton", "リネームプレビュー", &FinalPage::Preview},
    {"☆設定を反映させるだけでリネームは行なわない",
     "実際にリネームは行なわずにウィザードのみを終了します。\n\n"
     "※本ウィザードは各設定を常にメインウィンドウに反映しているので、\n"
     "　 各ダイアログの「閉じる ×」ボタンを押しても結果は反映されています。",
     "endButton", "ウィザード終了", &FinalPage::EndWizard},
    {"☆リネーム実行",
     "設定した情報を元にリネームを実行します。\n\n"
     "プレビューで事前に結果を確認しておくことをお勧めします。",
     "runButton", "リネーム実行", &FinalPage::Run},
};

FinalPage::FinalPage(WizardDriver& driver)
    : WizardPage(driver, PageKind::Final,
                 QStringLiteral("定型処理ウィザード：処理の最終確認と実行")) {
    AddHeading(QStringLiteral("◆処理の最終確認と実際のリネーム処理を行ないます。"));
    int top = 20;
    for (const Choice& choice : kChoices) {
        auto* group = new QGroupBox(QString::fromUtf8(choice.title), this);
        group->setGeometry(Units(7, top, 316, 62));
        auto* text = new QLabel(QString::fromUtf8(choice.text), group);
        text->setWordWrap(true);
        text->setGeometry(Units(6, 12, 232, 46));
        auto* button = new QPushButton(QString::fromUtf8(choice.buttonText), group);
        button->setObjectName(choice.buttonName);
        button->setAutoDefault(false);
        button->setGeometry(Units(244, 22, 66, 26));
        top += 66;
        connect(button, &QPushButton::clicked, this, choice.action);
    }
    AddNavigation(kBack | kClose);
}

void FinalPage::Preview() {
    Driver().Host().StartRun(true);
}

void FinalPage::EndWizard() {
    Driver().End();
}

void FinalPage::Run() {
    engine::Interaction& interaction = Driver().Context().interaction;
    if (!interaction.AskYesNo(engine::Question::StartRun, platform::Sjis(kRunQuestion))) return;
    // The wizard's run always shows what it did, whatever the job says.
    int& detail = Settings().CommonOption.ViewDetailResult;
    const int saved = detail;
    detail = 1;
    Driver().Host().StartRun(false);
    detail = saved;
    Driver().RestartAfterRun();
}

}  // namespace morvanex::wizard
