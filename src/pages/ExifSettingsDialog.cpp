#include "pages/ExifSettingsDialog.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
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

#include "engine/naming/TextRange.h"
#include "engine/naming/TimestampFormat.h"
#include "pages/PageText.h"
#include "pages/TimeStampFormatDialog.h"
#include "platform/Codepage.h"
#include "widgets/ByteLimitValidator.h"
#include "widgets/QtText.h"

namespace morvanex::pages {

namespace {

constexpr std::string_view kDateToken = "%EDT";
constexpr std::string_view kRangeToken = "%EST";
constexpr std::size_t kToken = 4;

using Dialog = ExifSettingsDialog;

// The items the dialog offers, in the order of their radio buttons. A number's token is three
// bytes and its digit count; a text item may be cut to a range of characters.
struct ItemDef {
    const char* object;
    const char* label;  // UTF-8
    std::string_view token;
    bool text;
    bool digits;
};

constexpr std::array<ItemDef, Dialog::kItemCount> kItems{{
    {"dateItemRadio", "撮影日時", kDateToken, false, false},
    {"makerItemRadio", "カメラメーカー名", "%EMK", true, false},
    {"modelItemRadio", "カメラモデル名", "%ECM", true, false},
    {"artistItemRadio", "アーティスト名", "%EAR", true, false},
    {"albumArtistItemRadio", "アルバムアーティスト名", "%EAA", true, false},
    {"albumItemRadio", "アルバム名", "%EAL", true, false},
    {"titleItemRadio", "曲名", "%ETI", true, false},
    {"trackItemRadio", "トラック番号", "%ET", false, true},
    {"discItemRadio", "ディスク番号", "%ED", false, true},
    {"yearItemRadio", "発売年", "%EYR", false, false},
    {"genreItemRadio", "ジャンル", "%EGN", true, false},
    {"durationItemRadio", "再生時間(分・秒)", "%ELN", false, false},
}};

constexpr int kMaxDigits = 8;
constexpr int kDefaultDigits = 2;  // "01": what track numbers in names mostly look like

struct ItemChoice {
    int item = -1;  // -1: no item the dialog knows
    int digits = kDefaultDigits;
};

// The item a format names by its third and fourth characters ("%EDT", "%EMK", "%ET2", ...).
ItemChoice ItemOf(std::string_view format) {
    if (format.size() < kToken) return {};
    const std::string_view kind = format.substr(2, 2);
    for (std::size_t i = 0; i < kItems.size(); ++i) {
        const ItemDef& def = kItems[i];
        if (!def.digits && kind == def.token.substr(2, 2)) return {static_cast<int>(i)};
        if (def.digits && kind[0] == def.token[2] && kind[1] >= '0' &&
            kind[1] <= '0' + kMaxDigits) {
            return {static_cast<int>(i), kind[1] - '0'};
        }
    }
    return {};
}

constexpr std::array<const char*, 3> kTagTexts = {"自動判定(Shift-JIS/Latin-1)",
                                                  "常にShift-JISとして読む", "Latin-1として読む"};

struct FallbackEntry {
    const char* label;  // UTF-8
    int code;           // PartType
};

constexpr std::array<FallbackEntry, 6> kFallbacks{{
    {"None", settings::kPartNone},
    {"固定文字列", settings::kPartFixedText},
    {"元ファイル名", settings::kPartFileName},
    {"フォルダ名", settings::kPartFolderName},
    {"ファイル作成日時", settings::kPartCreationTime},
    {"ファイル更新日時", settings::kPartModificationTime},
}};

constexpr int kFixedTextEntry = 1;
constexpr int kCreationTimeEntry = 4;
constexpr int kModificationTimeEntry = 5;

QString Utf8(const char* text) {
    return QString::fromUtf8(text);
}

std::string_view KindOf(std::string_view format) {
    return format.size() >= kToken ? format.substr(2, 2) : std::string_view();
}

int EntryOfCode(int code) {
    for (std::size_t i = 0; i < kFallbacks.size(); ++i) {
        if (kFallbacks[i].code == code) return static_cast<int>(i);
    }
    return -1;
}

bool IsDateCode(int code) {
    return code == settings::kPartCreationTime || code == settings::kPartModificationTime;
}

}  // namespace

ExifSettingsDialog::ExifSettingsDialog(const widgets::WindowContext& context, int row,
                                       std::string_view format, QWidget* parent)
    : widgets::ButtonsOnlyDialog(parent, Qt::Dialog, false),
      m_context(context),
      m_row(std::clamp(row, 0, settings::kVisibleParts - 1)),
      m_format(platform::CutToFit(format, platform::kMaxTextBytes)),
      m_now(context.clock.Now()) {
    setObjectName("exifSettingsDialog");
    setWindowTitle(Utf8("Exif情報埋め込みに関する設定"));
    CreateControls();
    ReadFormat();
    m_filling = true;
    for (const FallbackEntry& entry : kFallbacks) m_fallbackList->addItem(Utf8(entry.label));
    m_filling = false;
    LayOutFallback(true);
    m_items[static_cast<std::size_t>(m_item)]->setChecked(true);
}

void ExifSettingsDialog::CreateControls() {
    auto* intro = new QLabel(
        Utf8("◆ファイルよりExif情報を読み込み、その情報をファイル名に埋め込みます"), this);
    intro->setObjectName("introLabel");

    auto* itemGroup = new QGroupBox(Utf8("埋め込みたい情報を選択してください"), this);
    itemGroup->setObjectName("itemGroup");
    for (std::size_t i = 0; i < kItems.size(); ++i) {
        m_items[i] = new QRadioButton(Utf8(kItems[i].label), itemGroup);
        m_items[i]->setObjectName(kItems[i].object);
        const int item = static_cast<int>(i);
        connect(m_items[i], &QRadioButton::clicked, this, [this, item] { OnItemClicked(item); });
    }
    auto* previewLabel = new QLabel(Utf8("プレビュー"), itemGroup);
    previewLabel->setObjectName("datePreviewLabel");
    m_datePreview = new QLineEdit(itemGroup);
    m_datePreview->setObjectName("datePreview");
    m_datePreview->setReadOnly(true);
    m_dateFormatButton = new QPushButton(Utf8("フォーマットの変更"), itemGroup);
    m_dateFormatButton->setObjectName("dateFormatButton");
    m_wholeText = new QCheckBox(Utf8("取得した文字列をすべて利用する"), itemGroup);
    m_wholeText->setObjectName("wholeTextCheck");
    m_first = new QLineEdit(itemGroup);
    m_first->setObjectName("firstPositionEdit");
    m_last = new QLineEdit(itemGroup);
    m_last->setObjectName("lastPositionEdit");
    for (QLineEdit* position : {m_first, m_last}) position->setFixedWidth(48);

    auto* dateLine = new QHBoxLayout;
    dateLine->addWidget(m_items[kDateItem]);
    dateLine->addSpacing(12);
    dateLine->addWidget(previewLabel);
    dateLine->addWidget(m_datePreview, 1);
    dateLine->addWidget(m_dateFormatButton);
    auto* rangeLine = new QHBoxLayout;
    rangeLine->addSpacing(20);
    rangeLine->addWidget(new QLabel(Utf8("取得した文字列の"), itemGroup));
    rangeLine->addWidget(m_first);
    rangeLine->addWidget(new QLabel(Utf8("文字目から"), itemGroup));
    rangeLine->addWidget(m_last);
    rangeLine->addWidget(new QLabel(Utf8("文字目までを埋め込む"), itemGroup));
    rangeLine->addStretch(1);
    auto* itemLayout = new QVBoxLayout(itemGroup);
    itemLayout->addLayout(dateLine);
    itemLayout->addWidget(m_items[kMakerItem]);
    itemLayout->addWidget(m_items[kModelItem]);
    // The music and media tags, three to a line.
    auto* tagLabel = new QLabel(Utf8("音楽・動画ファイルのタグ"), itemGroup);
    tagLabel->setObjectName("tagItemsLabel");
    itemLayout->addWidget(tagLabel);
    auto* tagGrid = new QGridLayout;
    tagGrid->setContentsMargins(20, 0, 0, 0);
    for (int item = kArtistItem; item < kItemCount; ++item) {
        const int at = item - kArtistItem;
        tagGrid->addWidget(m_items[static_cast<std::size_t>(item)], at / 3, at % 3);
    }
    itemLayout->addLayout(tagGrid);
    m_digits = new QComboBox(itemGroup);
    m_digits->setObjectName("digitList");
    m_digits->addItem(Utf8("桁なし"));
    for (int digits = 1; digits <= kMaxDigits; ++digits) {
        m_digits->addItem(QString::number(digits) + Utf8("桁"));
    }
    m_digits->setCurrentIndex(kDefaultDigits);
    auto* digitLine = new QHBoxLayout;
    digitLine->addSpacing(20);
    digitLine->addWidget(new QLabel(Utf8("トラック・ディスク番号の桁数"), itemGroup));
    digitLine->addWidget(m_digits);
    digitLine->addStretch(1);
    itemLayout->addLayout(digitLine);
    auto* wholeLine = new QHBoxLayout;
    wholeLine->addSpacing(20);
    wholeLine->addWidget(m_wholeText);
    itemLayout->addLayout(wholeLine);
    itemLayout->addLayout(rangeLine);

    auto* fallbackGroup = new QGroupBox(
        Utf8("ファイルからExif情報が取得できなかったときに代わりに埋め込む情報を選択してください"),
        this);
    fallbackGroup->setObjectName("fallbackGroup");
    m_fallbackList = new QComboBox(fallbackGroup);
    m_fallbackList->setObjectName("fallbackList");
    m_fallbackLabel = new QLabel(fallbackGroup);
    m_fallbackLabel->setObjectName("fallbackLabel");
    m_fallbackLabel->setMinimumWidth(64);
    m_fallbackEdit = new QLineEdit(fallbackGroup);
    m_fallbackEdit->setObjectName("fallbackEdit");
    m_fallbackEdit->setValidator(
        new widgets::ByteLimitValidator(platform::kMaxTextBytes, m_fallbackEdit));
    m_fallbackButton = new QPushButton(Utf8("フォーマットの変更"), fallbackGroup);
    m_fallbackButton->setObjectName("fallbackFormatButton");
    m_fallbackEdit->setEnabled(false);
    m_fallbackButton->setEnabled(false);
    auto* fallbackLayout = new QHBoxLayout(fallbackGroup);
    fallbackLayout->addWidget(m_fallbackList);
    fallbackLayout->addWidget(m_fallbackLabel);
    fallbackLayout->addWidget(m_fallbackEdit, 1);
    fallbackLayout->addWidget(m_fallbackButton);

    // The job's choice for all its Exif parts and its Exif time mode, not this row's.
    m_strictJpeg = new QCheckBox(Utf8("JPEGの先頭にあるExifだけを読む"), this);
    m_strictJpeg->setObjectName("strictJpegCheck");
    m_strictJpeg->setChecked(m_context.record.RenameOption.ExifStrictJpeg != 0);
    // Also the job's: how tag fields of raw bytes (ID3v1, Latin-1 frames) are read.
    m_tagText = new QComboBox(this);
    m_tagText->setObjectName("tagTextList");
    for (const char* text : kTagTexts) m_tagText->addItem(Utf8(text));
    const int tagText = m_context.record.RenameOption.ExifTagCp932;
    m_tagText->setCurrentIndex(
        tagText >= 0 && tagText < static_cast<int>(kTagTexts.size()) ? tagText : 0);
    auto* tagTextLine = new QHBoxLayout;
    tagTextLine->addWidget(new QLabel(Utf8("タグの文字コード(ID3v1など)"), this));
    tagTextLine->addWidget(m_tagText);
    tagTextLine->addStretch(1);

    auto* help = new QPushButton(QStringLiteral("Help"), this);
    help->setObjectName("helpButton");
    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName("okButton");
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(help);
    buttons->addWidget(ok);
    for (QPushButton* button : {m_dateFormatButton, m_fallbackButton, help, ok}) {
        button->setAutoDefault(false);
    }

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(intro);
    layout->addWidget(itemGroup);
    layout->addWidget(fallbackGroup);
    layout->addWidget(m_strictJpeg);
    layout->addLayout(tagTextLine);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(m_dateFormatButton, &QPushButton::clicked, this,
            &ExifSettingsDialog::OnDateFormatButton);
    connect(m_wholeText, &QCheckBox::clicked, this, &ExifSettingsDialog::EnableRangeEdits);
    connect(m_fallbackList, &QComboBox::currentIndexChanged, this,
            &ExifSettingsDialog::OnFallbackChosen);
    connect(m_fallbackButton, &QPushButton::clicked, this,
            &ExifSettingsDialog::OnFallbackFormatButton);
    connect(help, &QPushButton::clicked, this, [this] { m_context.host.RequestHelp(kHelpTopic); });
    connect(ok, &QPushButton::clicked, this, &ExifSettingsDialog::OnOk);
}

settings::PartSlot& ExifSettingsDialog::Fallback() const {
    return m_context.record.RenameOption
        .Parts[static_cast<std::size_t>(settings::kVisibleParts + m_row)];
}

QString ExifSettingsDialog::Expand(std::string_view format) const {
    return widgets::ToQString(engine::ExpandTimestampFormat(m_now, format));
}

void ExifSettingsDialog::ReadFormat() {
    const ItemChoice choice = ItemOf(m_format);
    const bool dateItem = choice.item <= kDateItem;
    if (choice.item == kDateItem) {
        m_item = kDateItem;
        m_savedDateFormat = m_format;
    } else if (!dateItem) {
        m_item = choice.item;
        m_digits->setCurrentIndex(choice.digits);
        m_savedDateFormat = settings::kDefaultExifFormat;
    } else {
        // Anything else starts as the shooting time.
        m_item = kDateItem;
        m_format = m_savedDateFormat = settings::kDefaultExifFormat;
    }
    m_dateFormatButton->setEnabled(dateItem);
    m_datePreview->setEnabled(dateItem);
    EnableItemControls();
    if (dateItem) ShowDatePreview();

    // The last "%EST" at a four-byte step names the range; its four digits follow it.
    int first = 1;
    int last = 1;
    bool found = false;
    for (std::size_t at = 0; at + kToken <= m_format.size(); at += kToken) {
        if (std::string_view(m_format).substr(at, kToken) != kRangeToken) continue;
        found = true;
        const engine::RangeBounds range =
            engine::ParseRange(std::string_view(m_format).substr(at + kToken));
        first = range.first;
        last = range.last;
    }
    m_first->setText(QString::number(first));
    m_last->setText(QString::number(last));
    m_wholeText->setChecked(!found);
    EnableRangeEdits();
}

void ExifSettingsDialog::ShowDatePreview() {
    m_datePreview->setText(Expand(m_format));
}

void ExifSettingsDialog::EnableRangeEdits() {
    // A number's digits are no text to cut.
    const bool range = !m_wholeText->isChecked() &&
                       (m_item == kDateItem || kItems[static_cast<std::size_t>(m_item)].text);
    m_first->setEnabled(range);
    m_last->setEnabled(range);
}

void ExifSettingsDialog::EnableItemControls() {
    const ItemDef& def = kItems[static_cast<std::size_t>(m_item)];
    m_wholeText->setEnabled(def.text);
    m_digits->setEnabled(def.digits);
}

std::string ExifSettingsDialog::ItemToken(int item) const {
    const ItemDef& def = kItems[static_cast<std::size_t>(item)];
    std::string token(def.token);
    if (def.digits)
        token += static_cast<char>('0' + std::clamp(m_digits->currentIndex(), 0, kMaxDigits));
    return token;
}

void ExifSettingsDialog::OnItemClicked(int item) {
    if (item == m_item) return;
    m_item = item;
    if (item == kDateItem) {
        m_dateFormatButton->setEnabled(true);
        m_datePreview->setEnabled(true);
        m_first->setEnabled(false);
        m_last->setEnabled(false);
        EnableItemControls();
        m_format = m_savedDateFormat;
        ShowDatePreview();
        return;
    }
    if (KindOf(m_format) == "DT") m_savedDateFormat = m_format;
    m_dateFormatButton->setEnabled(false);
    m_datePreview->setEnabled(false);
    EnableItemControls();
    EnableRangeEdits();
    m_format = ItemToken(item);
}

void ExifSettingsDialog::OnDateFormatButton() {
    const std::string_view dateFormat =
        m_format.size() > kToken ? std::string_view(m_format).substr(kToken) : std::string_view();
    // "%EDT" goes in front again, so the date format may use what the field has left.
    TimeStampFormatDialog dialog(m_context, m_row, dateFormat, this,
                                 platform::kMaxTextBytes - kDateToken.size());
    dialog.exec();
    m_format = std::string(kDateToken) + dialog.FormatText();
    m_savedDateFormat = m_format;
    ShowDatePreview();
}

void ExifSettingsDialog::OnFallbackChosen(int index) {
    if (m_filling || index < 0 || index >= static_cast<int>(kFallbacks.size())) return;
    settings::PartSlot& fallback = Fallback();
    fallback.SelectedPart = kFallbacks[static_cast<std::size_t>(index)].code;
    // A date fallback whose format yields nothing would put nothing into the name: it starts
    // from the default format instead.
    if (IsDateCode(fallback.SelectedPart) &&
        engine::ExpandTimestampFormat(m_now, fallback.StrPart).empty()) {
        fallback.StrPart = settings::kDefaultTimestampFormat;
        fallback.FormatType = 0;
        fallback.FixedFormatNum = 0;
        fallback.Year2Digit = 0;
    }
    LayOutFallback(false);
}

void ExifSettingsDialog::OnFallbackFormatButton() {
    const int index = m_fallbackList->currentIndex();
    if (index != kCreationTimeEntry && index != kModificationTimeEntry) return;
    settings::PartSlot& fallback = Fallback();
    TimeStampFormatDialog dialog(m_context, settings::kVisibleParts + m_row, fallback.StrPart,
                                 this);
    dialog.exec();
    fallback.StrPart = dialog.FormatText();
    m_fallbackEdit->setText(Expand(fallback.StrPart));
}

void ExifSettingsDialog::LayOutFallback(bool storedMode) {
    settings::PartSlot& fallback = Fallback();
    const int entry = EntryOfCode(fallback.SelectedPart);
    m_filling = true;
    m_fallbackList->setCurrentIndex(std::max(entry, 0));
    m_filling = false;
    switch (entry) {
        case kFixedTextEntry:
            m_fallbackEdit->setEnabled(true);
            m_fallbackEdit->setText(storedMode ? widgets::ToQString(fallback.StrPart) : QString());
            m_fallbackButton->setEnabled(false);
            m_fallbackLabel->setText(Utf8("文字列"));
            break;
        case kCreationTimeEntry:
        case kModificationTimeEntry:
            // What the slot holds is what a file without Exif data gets, so that is shown.
            m_fallbackEdit->setEnabled(false);
            m_fallbackEdit->setText(Expand(fallback.StrPart));
            m_fallbackButton->setEnabled(true);
            m_fallbackLabel->setText(Utf8("プレビュー"));
            break;
        case -1:
            // A code this dialog does not offer is not kept.
            fallback.SelectedPart = settings::kPartNone;
            m_fallbackLabel->clear();
            break;
        default:
            m_fallbackEdit->setEnabled(false);
            m_fallbackEdit->clear();
            m_fallbackButton->setEnabled(false);
            m_fallbackLabel->clear();
            break;
    }
}

void ExifSettingsDialog::OnOk() {
    int item = kDateItem;
    for (int i = 0; i < kItemCount; ++i) {
        if (m_items[static_cast<std::size_t>(i)]->isChecked()) item = i;
    }
    const bool range = kItems[static_cast<std::size_t>(item)].text && !m_wholeText->isChecked();
    const int first = DecimalValue(m_first->text());
    const int last = DecimalValue(m_last->text());
    if (range) {
        // Two hexadecimal digits per position: anything else would change the range's meaning.
        for (QLineEdit* edit : {m_first, m_last}) {
            const int position = DecimalValue(edit->text());
            if (position >= 1 && position <= kMaxPosition) continue;
            m_context.interaction.ShowMessage(
                platform::Sjis("埋め込む文字の位置は1から255までの数値で指定してください。"),
                engine::MessageIcon::Exclamation);
            edit->setFocus();
            edit->selectAll();
            return;
        }
    }

    settings::PartSlot& fallback = Fallback();
    const int entry = m_fallbackList->currentIndex();
    fallback.SelectedPart =
        entry >= 0 ? kFallbacks[static_cast<std::size_t>(entry)].code : settings::kPartNone;
    if (entry == kFixedTextEntry) {
        fallback.StrPart = FieldText(*m_fallbackEdit);
    } else if (!IsDateCode(fallback.SelectedPart)) {
        fallback.StrPart.clear();
    }

    m_context.record.RenameOption.ExifStrictJpeg = m_strictJpeg->isChecked() ? 1 : 0;
    m_context.record.RenameOption.ExifTagCp932 = m_tagText->currentIndex();

    if (item != kDateItem) {
        m_format = ItemToken(item);
        if (range) m_format += std::string(kRangeToken) + RangeText(first, last);
    }
    accept();
}

}  // namespace morvanex::pages
