#include "pages/TimeStampFormatDialog.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>
#include <algorithm>

#include "engine/naming/TimestampFormat.h"
#include "settings/RenameSettings.h"
#include "widgets/QtText.h"

namespace morvanex::pages {

namespace {

struct Preset {
    const char* label;  // UTF-8
    const char* format;
};

constexpr std::array<Preset, TimeStampFormatDialog::kPresetCount> kPresets{{
    {"YYYYMMDDhhmmss", "%4YE%2MO%2DA%2HO%2MI%2SE"},
    {"YYYYMMDD_hhmmss", "%4YE%2MO%2DA%0__%2HO%2MI%2SE"},
    {"YYYYMMDD-hhmmss", "%4YE%2MO%2DA%0--%2HO%2MI%2SE"},
    {"YYYY年MM月DD日hh時mm分ss秒", "%4YE%0KN%2MO%0KG%2DA%0KH%2HO%0KZ%2MI%0KF%2SE%0KB"},
    {"YYYY年MM月DD日_hh時mm分ss秒", "%4YE%0KN%2MO%0KG%2DA%0KH%0__%2HO%0KZ%2MI%0KF%2SE%0KB"},
    {"YYYY年MM月DD日-hh時mm分ss秒", "%4YE%0KN%2MO%0KG%2DA%0KH%0--%2HO%0KZ%2MI%0KF%2SE%0KB"},
    {"YYYYMMDD", "%4YE%2MO%2DA"},
    {"'YYYYMMDD", "%0''%4YE%2MO%2DA"},
    {"YYYY_MM_DD", "%4YE%0__%2MO%0__%2DA"},
    {"YYYY-MM-DD", "%4YE%0--%2MO%0--%2DA"},
    {"YYYY年MM月DD日", "%4YE%0KN%2MO%0KG%2DA%0KH"},
    {"hhmmss", "%2HO%2MI%2SE"},
    {"hh_mm_ss", "%2HO%0__%2MI%0__%2SE"},
    {"hh-mm-ss", "%2HO%0--%2MI%0--%2SE"},
    {"hh時mm分ss秒", "%2HO%0KZ%2MI%0KF%2SE%0KB"},
    {"'YYYY_MM_DD", "%0''%4YE%0__%2MO%0__%2DA"},
    {"'YYYY-MM-DD", "%0''%4YE%0--%2MO%0--%2DA"},
}};

constexpr std::string_view kFourDigitYear = "%4YE";
constexpr std::string_view kTwoDigitYear = "%2YE";
constexpr std::size_t kToken = 4;

// The year chunks of a format, at the four-byte steps the format language reads, get the
// digit count asked for; a year token that does not start on such a step is no token at all.
void SetYearDigits(std::string& format, bool twoDigits) {
    for (std::size_t at = 0; at + kToken <= format.size(); at += kToken) {
        const std::string_view chunk(format.data() + at, kToken);
        if (chunk == kFourDigitYear || chunk == kTwoDigitYear)
            format[at + 1] = twoDigits ? '2' : '4';
    }
}

QString Utf8(const char* text) {
    return QString::fromUtf8(text);
}

}  // namespace

std::string TimeStampFormatDialog::PresetFormat(int index, bool twoDigitYear) {
    const std::size_t chosen =
        index >= 0 && index < kPresetCount ? static_cast<std::size_t>(index) : 0;
    std::string format = kPresets[chosen].format;
    if (twoDigitYear) SetYearDigits(format, true);
    return format;
}

TimeStampFormatDialog::TimeStampFormatDialog(const widgets::WindowContext& context, int partIndex,
                                             std::string_view format, QWidget* parent,
                                             std::size_t maxBytes)
    : widgets::ButtonsOnlyDialog(parent, Qt::Dialog, false),
      m_context(context),
      m_part(std::clamp(partIndex, 0, settings::kPartSlots - 1)),
      m_maxBytes(std::min(maxBytes, platform::kMaxTextBytes)),
      m_format(platform::CutToFit(format, m_maxBytes)),
      m_original(m_format),
      m_previewTime(context.clock.Now()) {
    setObjectName("timeStampFormatDialog");
    setWindowTitle(Utf8("タイムスタンプフォーマットの指定"));
    CreateControls();

    const settings::PartSlot& part =
        m_context.record.RenameOption.Parts[static_cast<std::size_t>(m_part)];
    const int preset =
        part.FixedFormatNum >= 0 && part.FixedFormatNum < kPresetCount ? part.FixedFormatNum : 0;
    m_presetButtons[static_cast<std::size_t>(preset)]->setChecked(true);
    if (part.FormatType == 0) {
        EnterFixedMode();
    } else {
        m_fixedMode = false;
        EnterFreeMode();
    }
    m_year2Check->setChecked(part.Year2Digit != 0);
    ApplyYearDigits();
    ShowPreview();
}

void TimeStampFormatDialog::CreateControls() {
    auto* caption = new QLabel(Utf8("◆タイムスタンプの記述フォーマットを指定します"), this);
    caption->setObjectName("captionLabel");

    m_fixedCheck = new QCheckBox(Utf8("以下の固定フォーマットの中から選択する"), this);
    m_fixedCheck->setObjectName("fixedModeCheck");
    m_presets = new QButtonGroup(this);
    auto* presetGrid = new QGridLayout;
    presetGrid->setVerticalSpacing(1);
    constexpr int kPresetRows = (kPresetCount + 1) / 2;
    for (int i = 0; i < kPresetCount; ++i) {
        auto* radio = new QRadioButton(Utf8(kPresets[static_cast<std::size_t>(i)].label), this);
        radio->setObjectName(QStringLiteral("preset%1").arg(i));
        m_presets->addButton(radio, i);
        m_presetButtons[static_cast<std::size_t>(i)] = radio;
        presetGrid->addWidget(radio, i % kPresetRows, i / kPresetRows);
    }
    auto* presetBox = new QGroupBox(this);
    presetBox->setObjectName("presetGroup");
    auto* presetLayout = new QVBoxLayout(presetBox);
    presetLayout->addWidget(m_fixedCheck);
    presetLayout->addLayout(presetGrid);

    m_freeCheck = new QCheckBox(Utf8("フォーマットを自由に設定したい"), this);
    m_freeCheck->setObjectName("freeModeCheck");

    static constexpr std::array<Token, 8> kValueTokens{{
        {"yearButton", "年号(YYYY)", "%4YE"},
        {"monthButton", "月(MM)", "%2MO"},
        {"dayButton", "日(DD)", "%2DA"},
        {"hourButton", "時(hh)", "%2HO"},
        {"minuteButton", "分(mm)", "%2MI"},
        {"secondButton", "秒(ss)", "%2SE"},
        {"weekdayKanjiButton", "曜日(漢字)", "%0WK"},
        {"weekdayEnglishButton", "曜日(英語)", "%1WK"},
    }};
    static constexpr std::array<Token, 15> kLiteralTokens{{
        {"underscoreButton", "_", "%0__"},
        {"hyphenButton", "-", "%0--"},
        {"quoteButton", "'", "%0''"},
        {"yearKanjiButton", "年", "%0KN"},
        {"monthKanjiButton", "月", "%0KG"},
        {"dayKanjiButton", "日", "%0KH"},
        {"hourKanjiButton", "時", "%0KZ"},
        {"minuteKanjiButton", "分", "%0KF"},
        {"secondKanjiButton", "秒", "%0KB"},
        {"parenOpenButton", "(", "%0L1"},
        {"parenCloseButton", ")", "%0R1"},
        {"braceOpenButton", "{", "%0L2"},
        {"braceCloseButton", "}", "%0R2"},
        {"bracketOpenButton", "[", "%0L3"},
        {"bracketCloseButton", "]", "%0R3"},
    }};
    auto makeGroup = [this](const char* title, const auto& tokens, int columns) {
        auto* group = new QGroupBox(Utf8(title), this);
        auto* grid = new QGridLayout(group);
        grid->setSpacing(3);
        int i = 0;
        for (const Token& token : tokens) {
            auto* button = new QPushButton(Utf8(token.label), group);
            button->setObjectName(token.objectName);
            button->setAutoDefault(false);
            if (columns > 4) button->setFixedWidth(34);
            connect(button, &QPushButton::clicked, this, [this, &token] { AppendToken(token); });
            m_tokenButtons.push_back(button);
            grid->addWidget(button, i / columns, i % columns);
            ++i;
        }
        return group;
    };
    QGroupBox* valueGroup = makeGroup("時刻を表す値", kValueTokens, 4);
    valueGroup->setObjectName("valueTokenGroup");
    QGroupBox* literalGroup = makeGroup("固定文字列", kLiteralTokens, 8);
    literalGroup->setObjectName("literalTokenGroup");

    m_deleteBack = new QPushButton(QStringLiteral("Delete Back"), this);
    m_deleteBack->setObjectName("deleteBackButton");
    m_allClear = new QPushButton(QStringLiteral("All Clear"), this);
    m_allClear->setObjectName("allClearButton");
    auto* editLine = new QHBoxLayout;
    editLine->addStretch(1);
    editLine->addWidget(m_deleteBack);
    editLine->addWidget(m_allClear);

    auto* freeBox = new QGroupBox(this);
    freeBox->setObjectName("freeGroup");
    auto* freeLayout = new QVBoxLayout(freeBox);
    freeLayout->addWidget(m_freeCheck);
    freeLayout->addWidget(valueGroup);
    freeLayout->addWidget(literalGroup);
    freeLayout->addLayout(editLine);

    m_year2Check = new QCheckBox(Utf8("年号を下2桁のみにする"), this);
    m_year2Check->setObjectName("year2DigitCheck");
    auto* previewLabel = new QLabel(Utf8("フォーマットプレビュー"), this);
    previewLabel->setObjectName("previewLabel");
    m_preview = new QLineEdit(this);
    m_preview->setObjectName("formatPreview");
    m_preview->setReadOnly(true);
    auto* previewLine = new QHBoxLayout;
    previewLine->addWidget(previewLabel);
    previewLine->addWidget(m_preview, 1);

    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName("okButton");
    auto* cancel = new QPushButton(Utf8("ｷｬﾝｾﾙ"), this);
    cancel->setObjectName("cancelButton");
    auto* help = new QPushButton(QStringLiteral("Help"), this);
    help->setObjectName("helpButton");
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    for (QPushButton* button : {ok, cancel, help}) {
        button->setAutoDefault(false);
        buttons->addWidget(button);
    }
    for (QPushButton* button : {m_deleteBack, m_allClear}) button->setAutoDefault(false);

    auto* columns = new QHBoxLayout;
    columns->addWidget(presetBox, 1);
    columns->addWidget(freeBox, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(caption);
    layout->addLayout(columns);
    layout->addWidget(m_year2Check);
    layout->addLayout(previewLine);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(m_fixedCheck, &QCheckBox::clicked, this, &TimeStampFormatDialog::EnterFixedMode);
    connect(m_freeCheck, &QCheckBox::clicked, this, &TimeStampFormatDialog::EnterFreeMode);
    connect(m_presets, &QButtonGroup::idClicked, this, &TimeStampFormatDialog::ChoosePreset);
    connect(m_year2Check, &QCheckBox::clicked, this, [this] {
        ApplyYearDigits();
        ShowPreview();
    });
    connect(m_deleteBack, &QPushButton::clicked, this, &TimeStampFormatDialog::DeleteBack);
    connect(m_allClear, &QPushButton::clicked, this, &TimeStampFormatDialog::AllClear);
    connect(ok, &QPushButton::clicked, this, &TimeStampFormatDialog::FinishOk);
    connect(cancel, &QPushButton::clicked, this, &TimeStampFormatDialog::FinishCancel);
    connect(help, &QPushButton::clicked, this, [this] { m_context.host.RequestHelp(kHelpTopic); });
}

int TimeStampFormatDialog::SelectedPreset() const {
    const int id = m_presets->checkedId();
    return id >= 0 ? id : 0;
}

void TimeStampFormatDialog::EnterFixedMode() {
    m_fixedMode = true;
    m_format = PresetFormat(SelectedPreset(), m_year2Check->isChecked());
    m_fixedCheck->setChecked(true);
    m_freeCheck->setChecked(false);
    for (QRadioButton* radio : m_presetButtons) radio->setEnabled(true);
    for (QPushButton* button : m_tokenButtons) button->setEnabled(false);
    m_deleteBack->setEnabled(false);
    m_allClear->setEnabled(false);
    ShowPreview();
}

void TimeStampFormatDialog::EnterFreeMode() {
    // A preset is not the user's own text: free mode starts from nothing after one.
    if (m_fixedMode) m_format.clear();
    m_fixedMode = false;
    m_freeCheck->setChecked(true);
    m_fixedCheck->setChecked(false);
    for (QRadioButton* radio : m_presetButtons) radio->setEnabled(false);
    for (QPushButton* button : m_tokenButtons) button->setEnabled(true);
    m_deleteBack->setEnabled(true);
    m_allClear->setEnabled(true);
    ShowPreview();
}

void TimeStampFormatDialog::ChoosePreset(int index) {
    m_format = PresetFormat(index, m_year2Check->isChecked());
    ShowPreview();
}

void TimeStampFormatDialog::AppendToken(const Token& token) {
    std::string_view text = token.token;
    if (text == kFourDigitYear && m_year2Check->isChecked()) text = kTwoDigitYear;
    if (m_format.size() + text.size() > m_maxBytes) {
        m_context.interaction.ShowMessage(
            platform::Sjis("フォーマットが長すぎるため、これ以上追加できません。\n"
                           "(フォーマットは") +
                std::to_string(m_maxBytes) + platform::Sjis("バイトまでです)"),
            engine::MessageIcon::Exclamation);
        return;
    }
    m_format += text;
    ShowPreview();
}

void TimeStampFormatDialog::DeleteBack() {
    if (m_format.size() >= kToken) m_format.resize(m_format.size() - kToken);
    ShowPreview();
}

void TimeStampFormatDialog::AllClear() {
    m_format.clear();
    ShowPreview();
}

void TimeStampFormatDialog::ApplyYearDigits() {
    SetYearDigits(m_format, m_year2Check->isChecked());
}

void TimeStampFormatDialog::ShowPreview() {
    m_preview->setText(widgets::ToQString(engine::ExpandTimestampFormat(m_previewTime, m_format)));
}

void TimeStampFormatDialog::FinishOk() {
    settings::PartSlot& part =
        m_context.record.RenameOption.Parts[static_cast<std::size_t>(m_part)];
    part.FixedFormatNum = SelectedPreset();
    part.FormatType = m_fixedCheck->isChecked() ? 0 : 1;
    part.Year2Digit = m_year2Check->isChecked() ? 1 : 0;
    accept();
}

void TimeStampFormatDialog::FinishCancel() {
    m_format = m_original;
    reject();
}

}  // namespace morvanex::pages
