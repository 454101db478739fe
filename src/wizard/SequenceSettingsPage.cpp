#include "wizard/SequenceSettingsPage.h"

#include <QButtonGroup>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <array>

#include "engine/SettingsSummary.h"
#include "pages/PageText.h"
#include "widgets/QtText.h"
#include "wizard/WizardControls.h"

namespace morvanex::wizard {

namespace {

// The slots of the two numbering patterns: the number, and the extension after the period.
constexpr std::size_t kNumberPart = 2;
constexpr std::size_t kExtensionPart = 5;

// The extension radios' ids are the part types they store.
constexpr int kKeepExtension = settings::kPartExtension;
constexpr int kNewExtension = settings::kPartFixedText;

struct KindTexts {
    const char* caption;
    const char* heading;
    const char* previewGroup;
    const char* textLabel;
};

constexpr KindTexts kPlainTexts{
    "定型処理ウィザード：連番リネーム情報設定",
    "◆単純連番リネームに必要な情報を入力してください。",
    "リネーム後ファイル名のプレビュー(固定文字列＋連番.拡張子)",
    "リネーム後の固定文字列部分を入力してください",
};
constexpr KindTexts kFolderTexts{
    "定型処理ウィザード：フォルダ名利用連番リネーム情報設定",
    "◆フォルダ名利用連番リネームに必要な情報を入力してください。",
    "リネーム後ファイル名のプレビュー(フォルダ名＋連番.拡張子)",
    "フォルダ名と連番の間にはさみたい文字列(何も書かなくても可)",
};

// Index = DigitNum.
constexpr std::array<const char*, 9> kDigitLabels{
    "指定無し", "1桁", "2桁", "3桁", "4桁", "5桁", "6桁", "7桁", "8桁",
};

const KindTexts& TextsOf(bool folderKind) {
    return folderKind ? kFolderTexts : kPlainTexts;
}

QLabel* AddLabel(QWidget& page, const char* name, const char* text, QRect units) {
    QLabel* label = AddText(page, name, text, units);
    label->setWordWrap(false);
    label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    return label;
}

}  // namespace

SequenceSettingsPage::SequenceSettingsPage(WizardDriver& driver)
    : WizardPage(driver, PageKind::SequenceSettings,
                 QString::fromUtf8(TextsOf(driver.TaskKind() == kTaskFolderSequence).caption)),
      m_folderKind(driver.TaskKind() == kTaskFolderSequence) {
    const KindTexts& texts = TextsOf(m_folderKind);
    AddHeading(QString::fromUtf8(texts.heading));

    AddGroup(*this, "previewGroup", texts.previewGroup, QRect(7, 20, 316, 30));
    m_preview = new QLineEdit(this);
    m_preview->setObjectName("previewEdit");
    m_preview->setReadOnly(true);
    m_preview->setGeometry(Units(14, 32, 302, 13));

    AddLabel(*this, "stringLabel", texts.textLabel, QRect(7, 56, 316, 10));
    m_text = AddFieldEdit(*this, "stringEdit", QRect(14, 67, 200, 13));

    AddLabel(*this, "startLabel", "連番開始番号", QRect(14, 86, 56, 13));
    m_start = AddFieldEdit(*this, "startEdit", QRect(72, 86, 48, 13));
    AddLabel(*this, "skipLabel", "連番スキップ値", QRect(136, 86, 60, 13));
    m_skip = new QLineEdit(this);
    m_skip->setObjectName("skipEdit");
    m_skip->setGeometry(Units(198, 86, 48, 13));

    AddGroup(*this, "digitGroup", "連番桁数の設定", QRect(7, 104, 316, 28));
    m_digits = new QButtonGroup(this);
    for (int digits = 0; digits < static_cast<int>(kDigitLabels.size()); ++digits) {
        const int x = digits == 0 ? 14 : 24 + 33 * digits;
        const int width = digits == 0 ? 38 : 31;
        AddRadio(*this, *m_digits, digits,
                 QStringLiteral("digitRadio%1").arg(digits).toLatin1().constData(),
                 kDigitLabels[static_cast<std::size_t>(digits)], QRect(x, 116, width, 10));
    }

    AddGroup(*this, "extensionGroup", "拡張子も同時に変更しますか？", QRect(7, 138, 316, 74));
    m_extension = new QButtonGroup(this);
    AddRadio(*this, *m_extension, kKeepExtension, "keepExtensionRadio", "いいえ。変更しません。",
             QRect(14, 151, 200, 10));
    AddRadio(*this, *m_extension, kNewExtension, "newExtensionRadio",
             "はい。以下の文字列に変更します。", QRect(14, 165, 200, 10));
    AddLabel(*this, "newExtensionLabel", "新・拡張子", QRect(28, 182, 44, 13));
    m_newExtension = AddFieldEdit(*this, "newExtensionEdit", QRect(74, 182, 100, 13));
    AddNavigation();

    for (QLineEdit* edit : {m_text, m_start, m_skip, m_newExtension}) {
        connect(edit, &QLineEdit::textChanged, this, &SequenceSettingsPage::Changed);
    }
    connect(m_digits, &QButtonGroup::idClicked, this, &SequenceSettingsPage::Changed);
    connect(m_extension, &QButtonGroup::idClicked, this, [this] {
        EnableExtensionEdit();
        Changed();
    });
}

std::size_t SequenceSettingsPage::TextPart() const {
    return m_folderKind ? 1 : 0;
}

void SequenceSettingsPage::Load() {
    m_loading = true;
    const auto& parts = Settings().RenameOption.Parts;
    const settings::PartSlot& number = parts[kNumberPart];
    const settings::PartSlot& extension = parts[kExtensionPart];
    m_text->setText(widgets::ToQString(parts[TextPart()].StrPart));
    m_start->setText(widgets::ToQString(number.StrPart));
    m_skip->setText(QString::number(number.SkipNum));
    // A digit count no radio stands for leaves them all clear; storing then keeps it.
    if (QAbstractButton* radio = m_digits->button(number.DigitNum)) radio->setChecked(true);
    const bool keep = extension.SelectedPart == settings::kPartExtension;
    m_extension->button(keep ? kKeepExtension : kNewExtension)->setChecked(true);
    m_newExtension->setText(widgets::ToQString(extension.StrPart));
    EnableExtensionEdit();
    m_loading = false;
    ShowPreview();
}

void SequenceSettingsPage::Store() {
    auto& parts = Settings().RenameOption.Parts;
    settings::PartSlot& number = parts[kNumberPart];
    settings::PartSlot& extension = parts[kExtensionPart];
    parts[TextPart()].StrPart = pages::FieldText(*m_text);
    number.StrPart = pages::FieldText(*m_start);
    number.SkipNum = pages::DecimalValue(m_skip->text());
    if (const int digits = m_digits->checkedId(); digits >= 0) number.DigitNum = digits;
    if (const int type = m_extension->checkedId(); type >= 0) extension.SelectedPart = type;
    extension.StrPart = pages::FieldText(*m_newExtension);
}

void SequenceSettingsPage::EnableExtensionEdit() {
    m_newExtension->setEnabled(m_extension->checkedId() == kNewExtension);
}

void SequenceSettingsPage::Changed() {
    if (m_loading) return;
    Store();
    ShowPreview();
}

void SequenceSettingsPage::ShowPreview() {
    m_preview->setText(widgets::ToQString(
        engine::RenamePatternPreview(Settings(), Driver().Context().clock.Now())));
}

}  // namespace morvanex::wizard
