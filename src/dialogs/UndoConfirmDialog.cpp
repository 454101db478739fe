#include "dialogs/UndoConfirmDialog.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "dialogs/ResultListDialog.h"
#include "widgets/WindowHints.h"

namespace morvanex::dialogs {

UndoConfirmDialog::UndoConfirmDialog(const engine::ResultList& preview, QWidget* parent)
    : QDialog(parent), m_preview(preview) {
    widgets::RemoveCloseButton(*this);
    setObjectName("undoConfirmDialog");
    setWindowTitle(QStringLiteral("Undo確認"));

    auto* texts = new QVBoxLayout;
    for (const char* text : {"最後に行ったりネーム作業をUndoします。",
                             "Undoを実行する前にPreviewを見ることもできます。",
                             "UndoのUndoはできませんので注意してください。"}) {
        texts->addWidget(new QLabel(QString::fromUtf8(text), this));
    }

    auto* start = new QPushButton(QStringLiteral("Undo開始"), this);
    start->setObjectName("undoStartButton");
    start->setDefault(true);
    auto* previewButton = new QPushButton(QStringLiteral("Previewで確認"), this);
    previewButton->setObjectName("previewButton");
    previewButton->setAutoDefault(false);
    auto* cancel = new QPushButton(QStringLiteral("ｷｬﾝｾﾙ"), this);
    cancel->setObjectName("cancelButton");
    cancel->setAutoDefault(false);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(start);
    buttons->addWidget(previewButton);
    buttons->addWidget(cancel);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(16, 14, 16, 14);
    layout->addLayout(texts);
    layout->addSpacing(14);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(start, &QPushButton::clicked, this, [this] { done(kStartUndo); });
    connect(previewButton, &QPushButton::clicked, this, &UndoConfirmDialog::ShowPreview);
    connect(cancel, &QPushButton::clicked, this, [this] { done(kCancel); });
}

void UndoConfirmDialog::ShowPreview() {
    ResultListDialog list(m_preview, this);
    list.Show();
}

}  // namespace morvanex::dialogs
