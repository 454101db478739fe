#include "pages/StringReplacePage.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QHideEvent>
#include <QLabel>
#include <QLineEdit>
#include <limits>

#include "engine/naming/RegexReplace.h"
#include "widgets/QtText.h"

namespace morvanex::pages {

namespace {

static_assert(StringReplacePage::kRows <= settings::kReplacePairs);

QLabel* MakeLabel(const QString& objectName, const QString& text, const QRect& place,
                  QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(objectName);
    label->setGeometry(place);
    return label;
}

QLineEdit* MakeEdit(const QString& objectName, const QRect& place, QWidget* parent) {
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(objectName);
    edit->setGeometry(place);
    // The pairs are growable texts: no limit of their own (QLineEdit's default is 32767).
    edit->setMaxLength(std::numeric_limits<int>::max());
    return edit;
}

}  // namespace

StringReplacePage::StringReplacePage(const widgets::WindowContext& context, QWidget* parent)
    : Page(context, parent) {
    setObjectName("stringReplacePage");
    m_enable = new QCheckBox(QStringLiteral("ファイル名内文字列置換を行う"), this);
    m_enable->setObjectName("enableStringChangeCheck");
    m_enable->setGeometry(Drawn(20, 8, 290, 24));
    // How the pairs are read, beside the switch: the note below needs its three lines.
    m_regex = new QCheckBox(QStringLiteral("正規表現を使う"), this);
    m_regex->setObjectName("useRegexCheck");
    m_regex->setGeometry(Drawn(320, 8, 220, 24));

    auto* group =
        new QGroupBox(QStringLiteral("置換対象文字列と置換後文字列を指定してください"), this);
    group->setObjectName("replacePairsGroup");
    group->setGeometry(Drawn(20, 36, 520, 182));
    MakeLabel(QStringLiteral("beforeCaption"), QStringLiteral("置換前文字列"),
              Drawn(70, 22, 200, 18), group);
    MakeLabel(QStringLiteral("afterCaption"), QStringLiteral("置換後文字列"),
              Drawn(300, 22, 200, 18), group);
    for (int row = 0; row < kRows; ++row) {
        const auto r = static_cast<std::size_t>(row);
        const int y = 44 + row * 27;
        MakeLabel(QStringLiteral("rowCaption%1").arg(row + 1),
                  QStringLiteral("置換%1").arg(row + 1), Drawn(12, y + 2, 54, 20), group);
        m_before[r] =
            MakeEdit(QStringLiteral("changeBefore%1").arg(row + 1), Drawn(70, y, 200, 24), group);
        MakeLabel(QStringLiteral("arrowCaption%1").arg(row + 1), QStringLiteral("→"),
                  Drawn(276, y + 2, 20, 20), group);
        m_after[r] =
            MakeEdit(QStringLiteral("changeAfter%1").arg(row + 1), Drawn(300, y, 200, 24), group);
    }

    auto* note =
        MakeLabel(QStringLiteral("replaceNote"),
                  QStringLiteral(
                      "注意：選択されているファイルの中から置換前文字列が含まれているファイルのみを"
                      "自動的に抽出して変換します。置換前文字列が含まれていないファイルがリネーム"
                      "対象になっていても問題ありません。"),
                  Drawn(20, 222, 520, 56), this);
    note->setWordWrap(true);

    connect(m_enable, &QCheckBox::clicked, this, &StringReplacePage::EnableEdits);
}

StringReplacePage::~StringReplacePage() {
    StoreSettings();
}

void StringReplacePage::ShowSettings() {
    const settings::StringChangeOptionSection& option = Settings().StringChangeOption;
    m_enable->setChecked(option.EnableStringChange != 0);
    m_regex->setChecked(option.UseRegex != 0);
    EnableEdits(option.EnableStringChange != 0);
    for (std::size_t r = 0; r < kRows; ++r) {
        m_before[r]->setText(widgets::ToQString(option.ChangeBefore[r]));
        m_after[r]->setText(widgets::ToQString(option.ChangeAfter[r]));
    }
}

void StringReplacePage::StoreSettings() {
    settings::StringChangeOptionSection& option = Settings().StringChangeOption;
    option.EnableStringChange = m_enable->isChecked() ? 1 : 0;
    option.UseRegex = m_regex->isChecked() ? 1 : 0;
    for (std::size_t r = 0; r < kRows; ++r) {
        option.ChangeBefore[r] = widgets::ToCp932(m_before[r]->text());
        option.ChangeAfter[r] = widgets::ToCp932(m_after[r]->text());
    }
}

void StringReplacePage::EnableEdits(bool enable) {
    for (std::size_t r = 0; r < kRows; ++r) {
        m_before[r]->setEnabled(enable);
        m_after[r]->setEnabled(enable);
    }
    m_regex->setEnabled(enable);
}

void StringReplacePage::hideEvent(QHideEvent* event) {
    Page::hideEvent(event);
    // Another tab takes the page's place; a window being closed or minimised is no leaving.
    if (event->spontaneous() || !window()->isVisible()) return;
    StoreSettings();
    const std::string problem = engine::RegexPairsProblem(Settings().StringChangeOption);
    if (!problem.empty()) Interaction().ShowMessage(problem, engine::MessageIcon::Exclamation);
}

QWidget* StringReplacePage::OperationSwitch() const {
    return m_enable;
}

}  // namespace morvanex::pages
