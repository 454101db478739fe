#include "wizard/WelcomePage.h"

#include <QCheckBox>
#include <QPushButton>

#include "wizard/WizardControls.h"

namespace morvanex::wizard {

namespace {

QPushButton* AddButton(QWidget& page, const char* name, const char* text, QRect pixels) {
    auto* button = new QPushButton(QString::fromUtf8(text), &page);
    button->setObjectName(name);
    button->setGeometry(pixels);
    // Enter is Close on every page of the wizard, not the focused flow button.
    button->setAutoDefault(false);
    return button;
}

}  // namespace

WelcomePage::WelcomePage(WizardDriver& driver)
    : WizardPage(driver, PageKind::Welcome,
                 QString::fromUtf8("MorvaneX ウィザードへようこそ！！！")) {
    AddText(*this, "welcomeText",
            "MorvaneX リネームウィザードへようこそ。\n\n"
            "このウィザードではMorvaneXで提供できる機能をできるだけ手軽に、\n"
            "わかりやすく使っていただくためのものです。\n\n"
            "ウィザードは大きく分けて２つの流れがあります。お使いになる方を選んでください。",
            QRect(7, 7, 316, 62));

    AddGroup(*this, "templateFlowGroup", "◆定型処理ウィザード", QRect(7, 72, 316, 76));
    AddText(*this, "templateFlowText",
            "よく使われると思われる処理に特化したウィザードです。"
            "自由度はありませんが簡単に処理を行なうことができます。\n\n"
            "MorvaneX Ver2.xxウィザードの上位互換です(多少画面構成が変わっています)。",
            QRect(14, 84, 302, 44));
    auto* templateFlow = AddButton(*this, "templateFlowButton", "定型処理ウィザードへGo！",
                                   Units(176, 130, 140, 14));

    AddGroup(*this, "allOptionsFlowGroup", "◆全オプション設定型ウィザード", QRect(7, 152, 316, 62));
    AddText(*this, "allOptionsFlowText",
            "通常のメインウィンドウで設定する項目を順番に表示します。"
            "多少煩雑になりますがMorvaneの全機能を実現することができます。",
            QRect(14, 164, 302, 28));
    auto* allOptionsFlow =
        AddButton(*this, "allOptionsFlowButton", "全オプション設定型ウィザードへGo！",
                  Units(176, 196, 140, 14));

    m_startAtLaunch = new QCheckBox(
        QString::fromUtf8("アプリケーション起動時に自動的にウィザードを起動する"), this);
    m_startAtLaunch->setObjectName("startAtLaunchCheck");
    m_startAtLaunch->setGeometry(Units(7, 223, 220, 10));
    auto* end =
        AddButton(*this, "endWizardButton", "ウィザードを終了する", Units(235, 219, 88, 14));

    connect(templateFlow, &QPushButton::clicked, this,
            [this] { StoreAndGo(WizardButton::TemplateFlow); });
    connect(allOptionsFlow, &QPushButton::clicked, this,
            [this] { StoreAndGo(WizardButton::AllOptionsFlow); });
    connect(end, &QPushButton::clicked, this, [this] { Driver().End(); });
    // The preference is written at once: closing the wizard from here must not lose it.
    connect(m_startAtLaunch, &QCheckBox::clicked, this, [this](bool checked) {
        Driver().Context().preferences.SetStartWizardAtAppStart(checked ? 1 : 0);
    });
}

void WelcomePage::Load() {
    m_startAtLaunch->setChecked(Driver().Context().preferences.StartWizardAtAppStart() != 0);
}

}  // namespace morvanex::wizard
