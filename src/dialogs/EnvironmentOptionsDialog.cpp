#include "dialogs/EnvironmentOptionsDialog.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QFileDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "platform/Codepage.h"
#include "widgets/ByteLimitValidator.h"
#include "widgets/QtText.h"
#include "widgets/WindowHints.h"

namespace morvanex::dialogs {

namespace {

constexpr const char* kFilePathTooLong =
    "ファイルのパスが長すぎるため指定できません。\n(259バイトまで)";

QCheckBox* MakeCheck(const char* objectName, const char* text, QWidget* parent) {
    auto* check = new QCheckBox(QString::fromUtf8(text), parent);
    check->setObjectName(objectName);
    return check;
}

QRadioButton* MakeRadio(const char* objectName, const char* text, QWidget* parent) {
    auto* radio = new QRadioButton(QString::fromUtf8(text), parent);
    radio->setObjectName(objectName);
    return radio;
}

QLabel* MakeNote(const char* text, QWidget* parent) {
    return new QLabel(QString::fromUtf8(text), parent);
}

// A frame with a check box at its top whose controls follow below, indented.
QGroupBox* MakeGroup(QCheckBox* check, QLayout* controls, QWidget* parent) {
    auto* group = new QGroupBox(parent);
    auto* layout = new QVBoxLayout(group);
    layout->setContentsMargins(8, 6, 8, 6);
    layout->addWidget(check);
    auto* indented = new QHBoxLayout;
    indented->addSpacing(12);
    indented->addLayout(controls);
    layout->addLayout(indented);
    return group;
}

}  // namespace

EnvironmentOptionsDialog::EnvironmentOptionsDialog(const widgets::WindowContext& context,
                                                   QWidget* parent)
    : QDialog(parent), m_context(context) {
    widgets::RemoveCloseButton(*this);
    setObjectName("environmentOptionsDialog");
    setWindowTitle(QStringLiteral("MorvaneX 動作環境オプション"));

    m_undoOff = MakeCheck("undoOffCheck", "Undo機能を無効化する", this);
    m_noVolumeCheck =
        MakeCheck("noVolumeCheck", "リムーバブルドライブのボリュームラベルをチェックしない", this);

    m_startWizard = MakeCheck("startWizardCheck", "MorvaneXの起動時にウィザードも起動する。", this);
    m_wizardStart = new QButtonGroup(this);
    auto* wizardRadios = new QVBoxLayout;
    const char* wizardTexts[][2] = {
        {"wizardTypeRadio", "ウィザードタイプ選択画面(一番最初)からスタート"},
        {"wizardTemplateRadio", "定型処理リネームウィザードからスタート"},
        {"wizardAllOptionsRadio", "全オプション設定型ウィザードからスタート"},
    };
    for (int i = 0; i < 3; ++i) {
        QRadioButton* radio = MakeRadio(wizardTexts[i][0], wizardTexts[i][1], this);
        m_wizardStart->addButton(radio, i);
        wizardRadios->addWidget(radio);
    }

    // "&&" shows one ampersand and makes no mnemonic.
    m_clearDropList = MakeCheck("clearDropListCheck", "D&&Dリストをリネーム後にクリアする", this);
    m_syncFolderTree = MakeCheck("syncFolderTreeCheck", "フォルダツリーを同期させる", this);

    m_followFrame =
        MakeCheck("followFrameCheck",
                  "設定状況ダイアログをメインウィンドウの移動にあわせていっしょに動かす", this);
    m_side = new QButtonGroup(this);
    QRadioButton* right = MakeRadio("rightSideRadio", "常にアプリケーションの右側に配置する", this);
    QRadioButton* left = MakeRadio("leftSideRadio", "常にアプリケーションの左側に配置する", this);
    m_side->addButton(right, 0);
    m_side->addButton(left, 1);
    auto* sideRadios = new QVBoxLayout;
    sideRadios->addWidget(right);
    sideRadios->addWidget(left);

    m_autoLoad = MakeCheck("autoLoadCheck", "起動時に以下の設定ファイルを自動的に読み込む", this);
    m_autoLoadPath = new QLineEdit(this);
    m_autoLoadPath->setObjectName("autoLoadPathField");
    m_autoLoadPath->setValidator(new widgets::ByteLimitValidator(platform::kMaxTextBytes, this));
    m_browse = new QPushButton(QStringLiteral("Browse"), this);
    m_browse->setObjectName("browseButton");
    m_browse->setAutoDefault(false);
    auto* pathRow = new QHBoxLayout;
    pathRow->addWidget(m_autoLoadPath, 1);
    pathRow->addWidget(m_browse);

    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName("okButton");
    ok->setDefault(true);
    auto* cancel = new QPushButton(QStringLiteral("ｷｬﾝｾﾙ"), this);
    cancel->setObjectName("cancelButton");
    cancel->setAutoDefault(false);

    auto* otherChecks = new QVBoxLayout;
    otherChecks->addWidget(m_clearDropList);
    otherChecks->addWidget(MakeNote("(ファイル選択が自由選択のときのみ)", this));
    otherChecks->addWidget(m_syncFolderTree);
    otherChecks->addWidget(MakeNote("(詳しい内容はHelpを参照してください)", this));
    otherChecks->addStretch(1);
    auto* middle = new QHBoxLayout;
    middle->addWidget(MakeGroup(m_startWizard, wizardRadios, this));
    middle->addLayout(otherChecks);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(ok);
    buttons->addWidget(cancel);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(14, 12, 14, 12);
    layout->addWidget(MakeNote("◆MorvaneXの動作に関する設定を行います", this));
    layout->addWidget(m_undoOff);
    layout->addWidget(
        MakeNote("※無効化した場合、動作が若干高速化します(特にメモリが少ない環境)\n"
                 "\u3000 通常はいざというときのことを考え、無効化しない方がいいです",
                 this));
    layout->addWidget(m_noVolumeCheck);
    layout->addWidget(MakeNote(
        "※チェックを行わない場合、ドライブレターの横に表示されるボリュームラベルが表示されません\n"
        "\u3000 チェックしない場合ドライブ数にもよりますが起動時間がある程度短縮されます。",
        this));
    layout->addLayout(middle);
    layout->addWidget(MakeGroup(m_followFrame, sideRadios, this));
    layout->addWidget(MakeGroup(m_autoLoad, pathRow, this));
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(m_startWizard, &QCheckBox::clicked, this, &EnvironmentOptionsDialog::UpdateEnabling);
    connect(m_followFrame, &QCheckBox::clicked, this, &EnvironmentOptionsDialog::UpdateEnabling);
    connect(m_autoLoad, &QCheckBox::clicked, this, &EnvironmentOptionsDialog::UpdateEnabling);
    // Only a click moves the list: selecting a radio while initialising does not.
    connect(right, &QRadioButton::clicked, this, &EnvironmentOptionsDialog::DockRightRequested);
    connect(left, &QRadioButton::clicked, this, &EnvironmentOptionsDialog::DockLeftRequested);
    connect(m_browse, &QPushButton::clicked, this, &EnvironmentOptionsDialog::Browse);
    connect(ok, &QPushButton::clicked, this, &EnvironmentOptionsDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &EnvironmentOptionsDialog::reject);

    Initialise();
}

void EnvironmentOptionsDialog::Initialise() {
    const widgets::Preferences& prefs = m_context.preferences;
    const int wizard = prefs.StartWizardAtAppStart();
    m_startWizard->setChecked(wizard != 0);
    m_wizardStart->button(wizard == 2 ? 1 : wizard == 3 ? 2 : 0)->setChecked(true);

    const int moveSwitch = prefs.SettingViewerMoveSwitch();
    m_followFrame->setChecked(moveSwitch != 0);
    m_side->button(moveSwitch == 2 ? 1 : 0)->setChecked(true);

    const settings::PreferenceCopies& copies = m_context.record.Preferences;
    m_noVolumeCheck->setChecked(copies.CheckRemovableFlag == 0);
    m_undoOff->setChecked(copies.UndoFlag == 0);
    m_clearDropList->setChecked(copies.DAndDListClear != 0);
    m_syncFolderTree->setChecked(copies.FolderTreeSync != 0);

    m_autoLoad->setChecked(prefs.AppExecWithOpenMVXFlag() != 0);
    std::string path;
    prefs.AutoExecPath(path);
    m_autoLoadPath->setText(widgets::ToQString(path));
    UpdateEnabling();
}

void EnvironmentOptionsDialog::UpdateEnabling() {
    for (QAbstractButton* radio : m_wizardStart->buttons()) {
        radio->setEnabled(m_startWizard->isChecked());
    }
    for (QAbstractButton* radio : m_side->buttons()) radio->setEnabled(m_followFrame->isChecked());
    m_autoLoadPath->setEnabled(m_autoLoad->isChecked());
    m_browse->setEnabled(m_autoLoad->isChecked());
}

void EnvironmentOptionsDialog::Browse() {
    QFileDialog dialog(this);
    dialog.setObjectName("openFileDialog");
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setNameFilter(QStringLiteral("MorvaneX Setting Files (*.mvx);;All Files (*.*)"));
    dialog.setDefaultSuffix(QStringLiteral("mvx"));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return;
    const QString path = dialog.selectedFiles().constFirst();
    // A cut path would name another file: a path that does not fit is refused.
    if (widgets::ToCp932(path).size() > platform::kMaxTextBytes) {
        m_context.interaction.ShowMessage(platform::Sjis(kFilePathTooLong),
                                          engine::MessageIcon::None);
        return;
    }
    m_autoLoadPath->setText(path);
}

void EnvironmentOptionsDialog::accept() {
    const widgets::Preferences& prefs = m_context.preferences;
    m_wizardIndex = m_wizardStart->checkedId();
    m_sideIndex = m_side->checkedId();

    prefs.SetStartWizardAtAppStart(m_startWizard->isChecked() ? m_wizardIndex + 1 : 0);
    const int moveSwitch = m_followFrame->isChecked() ? m_sideIndex + 1 : 0;
    prefs.SetSettingViewerMoveSwitch(moveSwitch);
    emit MoveSwitchChosen(moveSwitch);

    settings::PreferenceCopies& copies = m_context.record.Preferences;
    copies.CheckRemovableFlag = m_noVolumeCheck->isChecked() ? 0 : 1;
    copies.UndoFlag = m_undoOff->isChecked() ? 0 : 1;
    emit UndoAvailabilityChosen(copies.UndoFlag == 1);
    copies.DAndDListClear = m_clearDropList->isChecked() ? 1 : 0;
    copies.FolderTreeSync = m_syncFolderTree->isChecked() ? 1 : 0;

    prefs.SetAppExecWithOpenMVXFlag(m_autoLoad->isChecked() ? 1 : 0);
    // Stored whether or not the box is ticked, so that ticking it again later finds the path.
    prefs.SetAutoExecPath(widgets::ToCp932(m_autoLoadPath->text()));
    QDialog::accept();
}

}  // namespace morvanex::dialogs
