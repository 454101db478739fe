#include "dialogs/AboutDialog.h"

#include <QDesktopServices>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QUrl>

#include "widgets/ToolbarIcons.h"

namespace morvanex::dialogs {

AboutDialog::AboutDialog(QWidget* parent) : QDialog(parent) {
    setObjectName("aboutDialog");
    setWindowTitle(QStringLiteral("MorvaneXのﾊﾞｰｼﾞｮﾝ情報"));

    auto* icon = new QLabel(this);
    icon->setPixmap(widgets::ToolbarIcons::Application().pixmap(32, 32));
    auto* version = new QLabel(QStringLiteral("MorvaneX Version " MORVANEX_VERSION), this);
    version->setObjectName("versionLabel");
    auto* maker = new QLabel(QStringLiteral("Copyright (C) Pelvarin  フリーソフトウェア"), this);
    maker->setObjectName("makerLabel");
    auto* homePage = new QPushButton(
        QStringLiteral("サポートホームページを開く\n") + QString::fromLatin1(kHomePage), this);
    homePage->setObjectName("homePageButton");
    homePage->setMinimumHeight(44);
    homePage->setAutoDefault(false);
    auto* close = new QPushButton(QStringLiteral("ダイアログを閉じます"), this);
    close->setObjectName("closeButton");
    close->setDefault(true);
    close->setMinimumHeight(32);

    auto* layout = new QGridLayout(this);
    layout->setContentsMargins(14, 14, 14, 14);
    layout->setHorizontalSpacing(14);
    layout->addWidget(icon, 0, 0, 2, 1, Qt::AlignTop);
    layout->addWidget(version, 0, 1);
    layout->addWidget(maker, 1, 1);
    layout->addWidget(homePage, 2, 0, 1, 2);
    layout->addWidget(close, 3, 0, 1, 2);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(homePage, &QPushButton::clicked, this,
            [] { QDesktopServices::openUrl(QUrl(QString::fromLatin1(kHomePage))); });
    connect(close, &QPushButton::clicked, this, &QDialog::accept);
}

}  // namespace morvanex::dialogs
