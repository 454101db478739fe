#include "dialogs/ResultListDialog.h"

#include <QCheckBox>
#include <QDesktopServices>
#include <QEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QSizeGrip>
#include <QTableView>
#include <QUrl>
#include <QVBoxLayout>
#include <algorithm>

#include "widgets/QtText.h"

namespace morvanex::dialogs {

namespace {

QCheckBox* MakeCheckBox(const char* objectName, const QString& text, bool checked,
                        QWidget* parent) {
    auto* box = new QCheckBox(text, parent);
    box->setObjectName(objectName);
    box->setChecked(checked);
    return box;
}

}  // namespace

ResultListDialog::ResultListDialog(const engine::ResultList& list, QWidget* parent)
    : QDialog(parent),
      m_model(new ResultListModel(list, this)),
      m_table(new QTableView(this)),
      m_attributes(
          MakeCheckBox("showAttributes", QStringLiteral("属性を表示"), list.showAttributes, this)),
      m_creation(
          MakeCheckBox("showCreation", QStringLiteral("作成時刻を表示"), list.showCreation, this)),
      m_modification(MakeCheckBox("showModification", QStringLiteral("更新時刻を表示"),
                                  list.showModification, this)),
      m_access(MakeCheckBox("showAccess", QStringLiteral("最終アクセス時間を表示"), list.showAccess,
                            this)),
      m_fullPath(MakeCheckBox("showFullPath", QStringLiteral("ファイル名をフルパスで表示"),
                              list.showFullPath, this)),
      m_count(new QLineEdit(this)),
      m_opener([](const QString& path) { QDesktopServices::openUrl(QUrl::fromLocalFile(path)); }) {
    setObjectName("resultListDialog");
    setWindowTitle(QStringLiteral("リネーム・プレビュー"));
    setWindowFlags(windowFlags() | Qt::WindowMinMaxButtonsHint);
    setSizeGripEnabled(true);

    m_table->setObjectName("resultTable");
    m_table->setModel(m_model);
    m_table->setShowGrid(true);
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->setWordWrap(false);
    // A long path keeps its start and its name; the tooltip has it whole.
    m_table->setTextElideMode(Qt::ElideMiddle);
    m_table->verticalHeader()->hide();
    // Fixed row heights: nothing is measured per row, whatever the row count.
    m_table->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    m_table->verticalHeader()->setDefaultSectionSize(m_table->fontMetrics().height() + 6);
    m_table->horizontalHeader()->setSectionsMovable(true);
    m_table->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    m_table->horizontalHeader()->setStretchLastSection(false);
    m_table->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);

    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName("okButton");
    ok->setDefault(true);
    ok->setMinimumSize(100, 38);
    auto* countLabel = new QLabel(QStringLiteral("総リネームファイル数"), this);
    m_count->setObjectName("countEdit");
    m_count->setReadOnly(true);
    m_count->setFixedWidth(80);
    m_count->setText(QString::number(list.targets.size()));

    auto* checks = new QGridLayout;
    checks->addWidget(m_attributes, 0, 0);
    checks->addWidget(m_modification, 0, 1);
    checks->addWidget(m_creation, 1, 0);
    checks->addWidget(m_access, 1, 1);
    auto* right = new QGridLayout;
    right->addWidget(m_fullPath, 0, 0, 1, 2);
    right->addWidget(countLabel, 1, 0);
    right->addWidget(m_count, 1, 1);
    auto* bottom = new QHBoxLayout;
    bottom->addLayout(checks);
    bottom->addStretch(1);
    bottom->addWidget(ok, 0, Qt::AlignVCenter);
    bottom->addSpacing(16);
    bottom->addLayout(right);
    // The size grip takes the corner below the count.
    if (const auto* grip = findChild<QSizeGrip*>()) bottom->addSpacing(grip->sizeHint().width());
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_table, 1);
    layout->addLayout(bottom);

    for (QCheckBox* box : {m_attributes, m_creation, m_modification, m_access, m_fullPath}) {
        connect(box, &QCheckBox::toggled, this, &ResultListDialog::ApplyFlags);
    }
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    m_table->installEventFilter(this);
    connect(m_table, &QTableView::doubleClicked, this, &ResultListDialog::OpenRow);

    // Wide enough for every column of a list with all times at its unit width.
    const QRect screen =
        this->screen() != nullptr ? this->screen()->availableGeometry() : QRect(0, 0, 1280, 1024);
    resize(std::min(1600, screen.width() * 9 / 10), std::min(640, screen.height() * 3 / 4));
    ApplyColumnWidths();
}

bool ResultListDialog::CountsMatch() const {
    return m_model->List().sources.size() == m_model->List().targets.size();
}

int ResultListDialog::Show() {
    if (!CountsMatch()) {
        QMessageBox box(QMessageBox::Warning, QStringLiteral("MorvaneX"),
                        QStringLiteral("Rename Files is WRONG!!!. Please Set Again."),
                        QMessageBox::Ok, parentWidget());
        box.setObjectName("messageBox");
        box.exec();
        return kMismatch;
    }
    return exec();
}

void ResultListDialog::ApplyFlags() {
    m_model->SetFlags(m_attributes->isChecked(), m_creation->isChecked(),
                      m_modification->isChecked(), m_access->isChecked(), m_fullPath->isChecked());
    ApplyColumnWidths();
}

int ResultListDialog::ColumnUnit() const {
    const int units = m_model->UnitCount();
    const int unit = (m_table->width() - 20) / units;
    // The 20 pixels are the list's borders and its vertical scroll bar. Where the style's are
    // wider, the unit comes from the room they leave, so that the columns never run past the
    // right edge.
    const int room = m_table->width() - 2 * m_table->frameWidth() -
                     m_table->verticalScrollBar()->sizeHint().width();
    return std::max(std::min(unit, room / units), 0);
}

void ResultListDialog::ApplyColumnWidths() {
    using Column = ResultListModel::Column;
    const int unit = ColumnUnit();
    const std::vector<ResultListModel::ColumnInfo>& columns = m_model->Columns();
    QHeaderView* header = m_table->horizontalHeader();
    std::vector<int> widths;
    std::vector<int> names;
    int taken = 0;
    for (std::size_t i = 0; i < columns.size(); ++i) {
        const int column = static_cast<int>(i);
        widths.push_back(columns[i].units * unit);
        if (columns[i].column == Column::Source || columns[i].column == Column::Target) {
            names.push_back(column);
            continue;
        }
        // A path may be shortened in the middle; a time or the attribute letters never are:
        // "2023/01/…19:00:00" hides the day. Such a column is as wide as its cells need.
        const int whole = static_cast<const QAbstractItemView*>(m_table)->sizeHintForColumn(column);
        if (whole > widths.back()) {
            taken += whole - widths.back();
            widths.back() = whole;
        }
    }
    // The names give back what the other columns took beyond their share, each down to the
    // width its title needs; where even that is too wide, the list scrolls sideways.
    for (std::size_t n = 0; n < names.size() && taken > 0; ++n) {
        int& width = widths[static_cast<std::size_t>(names[n])];
        const int least = std::min(width, header->sectionSizeHint(names[n]));
        const int share =
            (taken + static_cast<int>(names.size() - n) - 1) / static_cast<int>(names.size() - n);
        const int given = std::min(share, width - least);
        width -= given;
        taken -= given;
    }
    for (std::size_t i = 0; i < widths.size(); ++i) {
        header->resizeSection(static_cast<int>(i), widths[i]);
    }
}

bool ResultListDialog::eventFilter(QObject* watched, QEvent* event) {
    // The widths follow the list's own width, whatever resized it.
    if (watched == m_table && event->type() == QEvent::Resize) ApplyColumnWidths();
    return QDialog::eventFilter(watched, event);
}

void ResultListDialog::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    ApplyColumnWidths();
}

QString ResultListDialog::FileToOpen(int row) const {
    const engine::ResultList& list = m_model->List();
    const std::vector<std::string>& names =
        list.openSourceOnDoubleClick ? list.sources : list.targets;
    if (row < 0 || static_cast<std::size_t>(row) >= names.size()) return QString();
    return widgets::ToHostPath(names[static_cast<std::size_t>(row)]);
}

void ResultListDialog::OpenRow(const QModelIndex& index) {
    const QString path = FileToOpen(index.row());
    if (!path.isEmpty() && m_opener) m_opener(path);
}

}  // namespace morvanex::dialogs
