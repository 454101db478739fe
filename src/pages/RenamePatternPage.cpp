#include "pages/RenamePatternPage.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QInputDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QRegularExpressionValidator>
#include <QVBoxLayout>
#include <algorithm>

#include "engine/SettingsSummary.h"
#include "engine/naming/TextRange.h"
#include "pages/ExifSettingsDialog.h"
#include "pages/PageText.h"
#include "pages/TimeStampFormatDialog.h"
#include "platform/Codepage.h"
#include "settings/RegisteredPatterns.h"
#include "widgets/ByteLimitValidator.h"
#include "widgets/QtText.h"

namespace morvanex::pages {

namespace {

using settings::PartSlot;
using settings::RegisteredPattern;

// The type list in PartType order: the list index is the code.
constexpr std::array<const char*, settings::kPartTypeCount> kTypeLabels{
    "None",
    "固定文字列",
    "元ファイル名",
    "元ファイル拡張子",
    "フォルダ名",
    "ピリオド",
    "連番",
    "フォルダ単位連番",
    "ファイル作成日時",
    "ファイル更新日時",
    "Exif情報",
    "元ファイル名(一部)",
    "元ファイル拡張子(一部)",
    "フォルダ名(一部)",
};

constexpr std::array<const char*, RenamePatternPage::kRows> kRowNames{
    "第一文字列", "第二文字列", "第三文字列", "第四文字列", "第五文字列", "第六文字列",
};

// Index = DigitNum: 0 is "as many digits as needed".
constexpr std::array<const char*, 9> kDigitLabels{
    "桁なし", "1桁", "2桁", "3桁", "4桁", "5桁", "6桁", "7桁", "8桁",
};

// The positions a range can name: 0..255 (0 counts as the first character).
constexpr const char* kPositionPattern = "[0-9]{0,2}|1[0-9]{2}|2[0-4][0-9]|25[0-5]";

QString Utf8(const char* text) {
    return QString::fromUtf8(text);
}

QString RowName(const char* base, int row) {
    return QString::fromLatin1(base) + QString::number(row + 1);
}

// A list index that the list does not have shows as no selection.
void SelectIndex(QComboBox& list, int index) {
    list.setCurrentIndex(index >= 0 && index < list.count() ? index : -1);
}

bool IsRangeType(int type) {
    return type == settings::kPartFileNameRange || type == settings::kPartExtensionRange ||
           type == settings::kPartFolderNameRange;
}

bool IsDateType(int type) {
    return type == settings::kPartCreationTime || type == settings::kPartModificationTime;
}

std::size_t BuiltInPatternCount() {
    return settings::BuiltInPatterns().size();
}

}  // namespace

RenamePatternPage::RenamePatternPage(const widgets::WindowContext& context, QWidget* parent)
    : Page(context, parent) {
    setObjectName("renamePatternPage");
    CreateControls();
    FillPatternList();
}

RenamePatternPage::~RenamePatternPage() {
    StoreSettings();
    m_shown = false;
}

void RenamePatternPage::CreateControls() {
    m_renameCheck = new QCheckBox(Utf8("リネームを行う"), this);
    m_renameCheck->setObjectName("renameCheck");
    m_digitChangeCheck = new QCheckBox(Utf8("桁そろえを行う"), this);
    m_digitChangeCheck->setObjectName("digitChangeCheck");
    m_digitChangeList = new QComboBox(this);
    m_digitChangeList->setObjectName("digitChangeList");
    for (int width = 1; width <= 8; ++width) m_digitChangeList->addItem(QString::number(width));
    auto* digitChangeLabel = new QLabel(Utf8("桁"), this);
    digitChangeLabel->setObjectName("digitChangeLabel");

    auto* modeLine = new QHBoxLayout;
    modeLine->addWidget(m_renameCheck);
    modeLine->addSpacing(24);
    modeLine->addWidget(m_digitChangeCheck);
    modeLine->addWidget(m_digitChangeList);
    modeLine->addWidget(digitChangeLabel);
    modeLine->addStretch(1);

    auto* patternLabel = new QLabel(Utf8("登録済みパターン選択"), this);
    patternLabel->setObjectName("patternLabel");
    m_patternList = new QComboBox(this);
    m_patternList->setObjectName("patternList");
    m_patternList->setMinimumWidth(180);
    m_registerButton = new QPushButton(Utf8("新規パターン登録"), this);
    m_registerButton->setObjectName("registerPatternButton");
    m_deleteButton = new QPushButton(Utf8("登録パターン削除"), this);
    m_deleteButton->setObjectName("deletePatternButton");
    auto* patternLine = new QHBoxLayout;
    patternLine->addWidget(patternLabel);
    patternLine->addWidget(m_patternList, 1);
    patternLine->addWidget(m_registerButton);
    patternLine->addWidget(m_deleteButton);

    auto* grid = new QGridLayout;
    grid->setHorizontalSpacing(4);
    grid->setVerticalSpacing(2);
    auto* digitsHeader = new QLabel(Utf8("連番桁数"), this);
    digitsHeader->setObjectName("digitsHeader");
    auto* stepHeader = new QLabel(Utf8("スキップ値"), this);
    stepHeader->setObjectName("stepHeader");
    grid->addWidget(digitsHeader, 0, 4);
    grid->addWidget(stepHeader, 0, 5);

    for (int r = 0; r < kRows; ++r) {
        Row& row = m_rows[static_cast<std::size_t>(r)];
        auto* name = new QLabel(Utf8(kRowNames[static_cast<std::size_t>(r)]), this);
        name->setObjectName(RowName("rowName", r));
        row.type = new QComboBox(this);
        row.type->setObjectName(RowName("typeList", r));
        for (const char* label : kTypeLabels) row.type->addItem(Utf8(label));
        // The six rows must fit the page's width; the open list still shows whole labels.
        row.type->setFixedWidth(Drawn(132));
        row.label = new QLabel(Utf8("文字列"), this);
        row.label->setObjectName(RowName("stringLabel", r));
        row.label->setFixedWidth(Drawn(56));

        // The string edit, the format button and the range share one place; only one shows.
        auto* cell = new QWidget(this);
        cell->setFixedWidth(Drawn(150));
        auto* cellLayout = new QHBoxLayout(cell);
        cellLayout->setContentsMargins(0, 0, 0, 0);
        cellLayout->setSpacing(3);
        row.text = new QLineEdit(cell);
        row.text->setObjectName(RowName("stringEdit", r));
        row.text->setValidator(new widgets::ByteLimitValidator(platform::kMaxTextBytes, row.text));
        row.format = new QPushButton(cell);
        row.format->setObjectName(RowName("formatButton", r));
        row.format->setAutoDefault(false);
        row.firstLabel = new QLabel(Utf8("先頭"), cell);
        row.firstLabel->setObjectName(RowName("firstLabel", r));
        row.first = new QLineEdit(Utf8("1"), cell);
        row.first->setObjectName(RowName("firstEdit", r));
        row.lastLabel = new QLabel(Utf8("末尾"), cell);
        row.lastLabel->setObjectName(RowName("lastLabel", r));
        row.last = new QLineEdit(Utf8("1"), cell);
        row.last->setObjectName(RowName("lastEdit", r));
        for (QLineEdit* position : {row.first, row.last}) {
            // Two hexadecimal digits hold a position: 255 is the last one a range can name.
            position->setValidator(new QRegularExpressionValidator(
                QRegularExpression(QString::fromLatin1(kPositionPattern)), position));
        }
        cellLayout->addWidget(row.text, 1);
        cellLayout->addWidget(row.format, 1);
        cellLayout->addWidget(row.firstLabel);
        cellLayout->addWidget(row.first, 1);
        cellLayout->addWidget(row.lastLabel);
        cellLayout->addWidget(row.last, 1);
        for (QWidget* widget :
             {static_cast<QWidget*>(row.format), static_cast<QWidget*>(row.firstLabel),
              static_cast<QWidget*>(row.first), static_cast<QWidget*>(row.lastLabel),
              static_cast<QWidget*>(row.last)}) {
            widget->hide();
            widget->setEnabled(false);
        }

        row.digits = new QComboBox(this);
        row.digits->setObjectName(RowName("digitList", r));
        for (const char* label : kDigitLabels) row.digits->addItem(Utf8(label));
        row.digits->setFixedWidth(Drawn(64));
        row.step = new QLineEdit(Utf8("1"), this);
        row.step->setObjectName(RowName("stepEdit", r));
        row.step->setFixedWidth(Drawn(52));

        grid->addWidget(name, r + 1, 0);
        grid->addWidget(row.type, r + 1, 1);
        grid->addWidget(row.label, r + 1, 2);
        grid->addWidget(cell, r + 1, 3);
        grid->addWidget(row.digits, r + 1, 4);
        grid->addWidget(row.step, r + 1, 5);

        connect(row.type, &QComboBox::currentIndexChanged, this, [this, r] { OnTypeChanged(r); });
        connect(row.format, &QPushButton::clicked, this, [this, r] { OnFormatButton(r); });
        connect(row.digits, &QComboBox::currentIndexChanged, this,
                &RenamePatternPage::UpdatePreview);
        connect(row.text, &QLineEdit::textChanged, this, &RenamePatternPage::UpdatePreview);
        connect(row.step, &QLineEdit::textChanged, this, &RenamePatternPage::UpdatePreview);
    }
    grid->setColumnStretch(6, 1);

    auto* previewLabel = new QLabel(Utf8("リネームプレビュー"), this);
    previewLabel->setObjectName("previewLabel");
    m_preview = new QLineEdit(this);
    m_preview->setObjectName("previewEdit");
    m_preview->setReadOnly(true);
    auto* previewLine = new QHBoxLayout;
    previewLine->addWidget(previewLabel);
    previewLine->addWidget(m_preview, 1);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(8, 4, 8, 4);
    layout->setSpacing(3);
    layout->addLayout(modeLine);
    layout->addLayout(patternLine);
    layout->addLayout(grid);
    layout->addLayout(previewLine);
    layout->addStretch(1);

    for (QPushButton* button : {m_registerButton, m_deleteButton}) button->setAutoDefault(false);
    connect(m_renameCheck, &QCheckBox::clicked, this, &RenamePatternPage::OnRenameClicked);
    connect(m_digitChangeCheck, &QCheckBox::clicked, this,
            &RenamePatternPage::OnDigitChangeClicked);
    connect(m_patternList, &QComboBox::currentIndexChanged, this,
            &RenamePatternPage::OnPatternChosen);
    connect(m_registerButton, &QPushButton::clicked, this, &RenamePatternPage::RegisterPattern);
    connect(m_deleteButton, &QPushButton::clicked, this, &RenamePatternPage::DeleteSelectedPattern);
}

void RenamePatternPage::FillPatternList() {
    m_filling = true;
    m_patternList->clear();
    for (const RegisteredPattern& pattern : Settings().RegisteredPatterns) {
        m_patternList->addItem(widgets::ToQString(pattern.Name));
    }
    SelectIndex(*m_patternList, Settings().RenameOption.SelectedRenamePattern);
    m_filling = false;
}

void RenamePatternPage::FillRow(int r, int type, int digits, const std::string& text, int step) {
    Row& row = m_rows[static_cast<std::size_t>(r)];
    const bool filling = m_filling;
    m_filling = true;
    SelectIndex(*row.type, type);
    SelectIndex(*row.digits, digits);
    row.text->setText(widgets::ToQString(text));
    row.step->setText(QString::number(step));
    if (platform::CharCount(text) < 4) {
        row.first->setText(Utf8("1"));
        row.last->setText(Utf8("1"));
    } else {
        const engine::RangeBounds range = engine::ParseRange(text);
        row.first->setText(QString::number(range.first));
        row.last->setText(QString::number(range.last));
    }
    m_filling = filling;
}

void RenamePatternPage::ShowSettings() {
    m_shown = false;
    m_filling = true;
    const settings::RenameOptionSection& option = Settings().RenameOption;
    for (int r = 0; r < kRows; ++r) {
        const PartSlot& slot = option.Parts[static_cast<std::size_t>(r)];
        FillRow(r, slot.SelectedPart, slot.DigitNum, slot.StrPart, slot.SkipNum);
    }
    // The table may have grown or shrunk since the list was filled.
    if (m_patternList->count() != static_cast<int>(Settings().RegisteredPatterns.size())) {
        FillPatternList();
        m_filling = true;
    }
    SelectIndex(*m_patternList, option.SelectedRenamePattern);
    SelectIndex(*m_digitChangeList, option.DigitChangeNum);
    m_filling = false;

    if (option.EnableRename != 0) {
        m_renameCheck->setChecked(true);
        m_digitChangeCheck->setChecked(false);
        m_digitChangeList->setEnabled(false);
        LayOutRows();
    } else {
        m_renameCheck->setChecked(false);
        m_digitChangeCheck->setChecked(option.EnableDigitChange != 0);
        m_digitChangeList->setEnabled(option.EnableDigitChange != 0);
        RowsOff();
    }
    m_shown = true;
    // Both switches on in a loaded file show as composing, so the preview follows the box.
    if (m_digitChangeCheck->isChecked()) {
        m_preview->clear();
    } else {
        UpdatePreview();
    }
}

void RenamePatternPage::StoreSettings() {
    settings::RenameOptionSection& option = Settings().RenameOption;
    option.EnableRename = m_renameCheck->isChecked() ? 1 : 0;
    option.EnableDigitChange = m_digitChangeCheck->isChecked() ? 1 : 0;
    for (int r = 0; r < kRows; ++r) {
        const Row& row = m_rows[static_cast<std::size_t>(r)];
        PartSlot& slot = option.Parts[static_cast<std::size_t>(r)];
        // A list without a selection (a value out of range was loaded) keeps the value.
        if (row.type->currentIndex() >= 0) slot.SelectedPart = row.type->currentIndex();
        if (row.digits->currentIndex() >= 0) slot.DigitNum = row.digits->currentIndex();
        slot.SkipNum = DecimalValue(row.step->text());
        if (IsRangeType(slot.SelectedPart)) {
            slot.StrPart =
                RangeText(DecimalValue(row.first->text()), DecimalValue(row.last->text()));
        } else {
            slot.StrPart = FieldText(*row.text);
        }
    }
    option.SelectedRenamePattern = m_patternList->currentIndex();
    if (m_digitChangeList->currentIndex() >= 0) {
        option.DigitChangeNum = m_digitChangeList->currentIndex();
    }
}

void RenamePatternPage::LayOutRow(int r, bool defaultText) {
    Row& row = m_rows[static_cast<std::size_t>(r)];
    row.type->setEnabled(true);
    const int type = row.type->currentIndex();

    QString label;
    bool textOn = false;
    bool textVisible = true;
    bool stepOn = false;
    bool formatOn = false;
    bool rangeOn = false;
    QString caption;
    QString text;
    bool setsText = true;
    switch (type) {
        case settings::kPartFixedText:
            label = Utf8("文字列");
            textOn = true;
            break;
        case settings::kPartSequence:
        case settings::kPartFolderSequence:
            label = Utf8("開始番号");
            textOn = true;
            stepOn = true;
            text = Utf8("1");
            break;
        case settings::kPartCreationTime:
        case settings::kPartModificationTime:
        case settings::kPartExif:
            textVisible = false;
            formatOn = true;
            caption = Utf8(type == settings::kPartExif ? "Exif情報の設定" : "フォーマットの変更");
            // "%EDT" adds nothing to a timestamp format, so the date rows share the Exif default.
            text = QString::fromLatin1(settings::kDefaultExifFormat);
            break;
        case settings::kPartFileNameRange:
        case settings::kPartExtensionRange:
        case settings::kPartFolderNameRange:
            textVisible = false;
            rangeOn = true;
            setsText = false;
            break;
        default:
            break;
    }

    row.label->setText(label);
    row.text->setEnabled(textOn);
    row.text->setVisible(textVisible);
    row.step->setEnabled(stepOn);
    row.digits->setEnabled(stepOn);
    row.format->setEnabled(formatOn);
    row.format->setVisible(formatOn);
    if (formatOn) row.format->setText(caption);
    for (QWidget* widget :
         {static_cast<QWidget*>(row.firstLabel), static_cast<QWidget*>(row.first),
          static_cast<QWidget*>(row.lastLabel), static_cast<QWidget*>(row.last)}) {
        widget->setEnabled(rangeOn);
        widget->setVisible(rangeOn);
    }
    if (defaultText && setsText) {
        const bool filling = m_filling;
        m_filling = true;
        row.text->setText(text);
        m_filling = filling;
    }
}

void RenamePatternPage::LayOutRows() {
    for (int r = 0; r < kRows; ++r) LayOutRow(r, false);
    m_preview->setEnabled(true);
    m_patternList->setEnabled(true);
    m_registerButton->setEnabled(true);
    UpdatePatternButtons();
}

void RenamePatternPage::RowsOff() {
    m_preview->setEnabled(false);
    m_patternList->setEnabled(false);
    m_registerButton->setEnabled(false);
    m_deleteButton->setEnabled(false);
    for (Row& row : m_rows) {
        for (QWidget* widget : {static_cast<QWidget*>(row.text), static_cast<QWidget*>(row.step),
                                static_cast<QWidget*>(row.type), static_cast<QWidget*>(row.digits),
                                static_cast<QWidget*>(row.format), static_cast<QWidget*>(row.first),
                                static_cast<QWidget*>(row.last)}) {
            widget->setEnabled(false);
        }
    }
}

void RenamePatternPage::UpdatePatternButtons() {
    const int index = m_patternList->currentIndex();
    m_deleteButton->setEnabled(m_patternList->isEnabled() && index >= 0 &&
                               static_cast<std::size_t>(index) >= BuiltInPatternCount());
}

void RenamePatternPage::OnTypeChanged(int r) {
    if (m_filling) return;
    LayOutRow(r, true);
    const int type = m_rows[static_cast<std::size_t>(r)].type->currentIndex();
    if (IsDateType(type) || type == settings::kPartExif) OpenFormatDialog(r);
    UpdatePreview();
}

void RenamePatternPage::OnFormatButton(int r) {
    OpenFormatDialog(r);
    UpdatePreview();
}

void RenamePatternPage::OpenFormatDialog(int r) {
    Row& row = m_rows[static_cast<std::size_t>(r)];
    const int type = row.type->currentIndex();
    QString result;
    if (IsDateType(type)) {
        TimeStampFormatDialog dialog(Context(), r, FieldText(*row.text), this);
        dialog.exec();
        result = widgets::ToQString(dialog.FormatText());
    } else if (type == settings::kPartExif) {
        ExifSettingsDialog dialog(Context(), r, FieldText(*row.text), this);
        dialog.exec();
        result = widgets::ToQString(dialog.FormatText());
    } else {
        return;
    }
    const bool filling = m_filling;
    m_filling = true;
    row.text->setText(result);
    m_filling = filling;
}

void RenamePatternPage::OnPatternChosen(int index) {
    UpdatePatternButtons();
    if (m_filling) return;
    settings::RenameSettings& record = Settings();
    if (index < 0 || static_cast<std::size_t>(index) >= record.RegisteredPatterns.size()) return;
    const RegisteredPattern pattern = record.RegisteredPatterns[static_cast<std::size_t>(index)];
    for (int r = 0; r < kRows; ++r) {
        const auto s = static_cast<std::size_t>(r);
        FillRow(r, pattern.SelectedPart[s], pattern.DigitNum[s], pattern.StrPart[s],
                pattern.SkipNum[s]);
    }
    // The fallbacks have no rows on this page: the pattern goes straight into the record.
    for (int slot = settings::kVisibleParts; slot < settings::kPartSlots; ++slot) {
        const auto s = static_cast<std::size_t>(slot);
        PartSlot& part = record.RenameOption.Parts[s];
        part.SelectedPart = pattern.SelectedPart[s];
        part.StrPart = pattern.StrPart[s];
        part.DigitNum = pattern.DigitNum[s];
        part.SkipNum = pattern.SkipNum[s];
    }
    LayOutRows();
    UpdatePreview();
}

void RenamePatternPage::OnRenameClicked(bool checked) {
    if (!checked) {
        RowsOff();
        return;
    }
    m_digitChangeCheck->setChecked(false);
    m_digitChangeList->setEnabled(false);
    LayOutRows();
    UpdatePreview();
}

void RenamePatternPage::OnDigitChangeClicked(bool checked) {
    if (!checked) {
        m_digitChangeList->setEnabled(false);
        return;
    }
    RowsOff();
    m_preview->clear();
    m_digitChangeList->setEnabled(true);
    m_renameCheck->setChecked(false);
}

void RenamePatternPage::UpdatePreview() {
    if (!m_shown || m_filling) return;
    StoreSettings();
    m_preview->setText(widgets::ToQString(engine::RenamePatternPreview(Settings(), Clock().Now())));
}

void RenamePatternPage::Warn(const char* utf8Text) const {
    Interaction().ShowMessage(platform::Sjis(utf8Text), engine::MessageIcon::Exclamation);
}

void RenamePatternPage::RegisterPattern() {
    if (Settings().RegisteredPatterns.size() >=
        static_cast<std::size_t>(settings::kMaxRegisteredPatterns)) {
        Warn("登録できるパターンは20個までです。\n不要なパターンを削除してから登録してください。");
        return;
    }
    QInputDialog dialog(this);
    dialog.setObjectName("patternNameDialog");
    dialog.setWindowTitle(Utf8("新規パターン登録"));
    dialog.setLabelText(Utf8("現在の設定を新しいパターンとして登録します。\nパターン名:"));
    dialog.setInputMode(QInputDialog::TextInput);
    dialog.setOkButtonText(Utf8("登録"));
    dialog.setCancelButtonText(Utf8("ｷｬﾝｾﾙ"));
    if (dialog.exec() != QDialog::Accepted) return;
    RegisterPatternAs(dialog.textValue());
}

bool RenamePatternPage::RegisterPatternAs(const QString& name) {
    settings::RenameSettings& record = Settings();
    const std::string text = widgets::ToCp932(name.trimmed());
    if (record.RegisteredPatterns.size() >=
        static_cast<std::size_t>(settings::kMaxRegisteredPatterns)) {
        Warn("登録できるパターンは20個までです。\n不要なパターンを削除してから登録してください。");
        return false;
    }
    if (text.empty()) {
        Warn("パターン名を入力してください。");
        return false;
    }
    if (text.size() > widgets::Preferences::kMaxPatternNameBytes) {
        Warn("パターン名が長すぎます。\n全角127文字(半角255文字)以内で入力してください。");
        return false;
    }
    const bool taken =
        std::any_of(record.RegisteredPatterns.begin(), record.RegisteredPatterns.end(),
                    [&](const RegisteredPattern& p) { return p.Name == text; });
    if (taken) {
        Warn("同じ名前のパターンが既に登録されています。\n別の名前を入力してください。");
        return false;
    }

    StoreSettings();
    RegisteredPattern pattern;
    pattern.Name = text;
    for (int slot = 0; slot < settings::kPartSlots; ++slot) {
        const auto s = static_cast<std::size_t>(slot);
        const PartSlot& part = record.RenameOption.Parts[s];
        pattern.SelectedPart[s] = part.SelectedPart;
        pattern.StrPart[s] = part.StrPart;
        pattern.DigitNum[s] = part.DigitNum;
        pattern.SkipNum[s] = part.SkipNum;
    }
    record.RegisteredPatterns.push_back(std::move(pattern));
    SaveUserPatterns();

    const int index = static_cast<int>(record.RegisteredPatterns.size()) - 1;
    m_filling = true;
    m_patternList->addItem(name.trimmed());
    m_patternList->setCurrentIndex(index);
    m_filling = false;
    record.RenameOption.SelectedRenamePattern = index;
    UpdatePatternButtons();
    return true;
}

void RenamePatternPage::DeleteSelectedPattern() {
    settings::RenameSettings& record = Settings();
    const int index = m_patternList->currentIndex();
    if (index < 0 || static_cast<std::size_t>(index) < BuiltInPatternCount() ||
        static_cast<std::size_t>(index) >= record.RegisteredPatterns.size()) {
        return;
    }
    const std::string question = platform::Sjis("登録パターン「") +
                                 record.RegisteredPatterns[static_cast<std::size_t>(index)].Name +
                                 platform::Sjis("」を削除します。\nよろしいですか？");
    if (!Interaction().AskYesNo(engine::Question::DeleteRegisteredPattern, question)) return;
    record.RegisteredPatterns.erase(record.RegisteredPatterns.begin() + index);
    SaveUserPatterns();
    // The rows keep what they show; only the memory of the last choice goes.
    m_filling = true;
    m_patternList->removeItem(index);
    m_patternList->setCurrentIndex(-1);
    m_filling = false;
    record.RenameOption.SelectedRenamePattern = -1;
    UpdatePatternButtons();
}

void RenamePatternPage::SaveUserPatterns() const {
    const std::vector<RegisteredPattern>& patterns = Settings().RegisteredPatterns;
    const std::size_t builtIn = std::min(BuiltInPatternCount(), patterns.size());
    Prefs().SetUserPatterns(std::vector<RegisteredPattern>(
        patterns.begin() + static_cast<std::ptrdiff_t>(builtIn), patterns.end()));
}

void RenamePatternPage::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
            event->accept();
            Host().RequestRename();
            return;
        case Qt::Key_Escape:
            event->accept();
            return;
        default:
            Page::keyPressEvent(event);
    }
}

}  // namespace morvanex::pages
