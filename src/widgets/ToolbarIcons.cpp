#include "widgets/ToolbarIcons.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <functional>

namespace morvanex::widgets {

namespace {

QIcon Draw(const std::function<void(QPainter&)>& paint, int width = ToolbarIcons::kWidth,
           int height = ToolbarIcons::kHeight) {
    QPixmap pixmap(width, height);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing, true);
    paint(painter);
    painter.end();
    QIcon icon(pixmap);
    // The disabled look is derived by the style from the same picture.
    return icon;
}

const QColor kInk(40, 40, 40);

}  // namespace

QIcon ToolbarIcons::Reset() {
    return Draw([](QPainter& p) {
        // A circular arrow: everything back to the start.
        p.setPen(QPen(QColor(20, 110, 40), 2.0));
        p.drawArc(QRectF(2.5, 2.0, 11, 11), 60 * 16, 280 * 16);
        QPainterPath head;
        head.moveTo(10.5, 0.5);
        head.lineTo(14.5, 3.5);
        head.lineTo(10.0, 6.0);
        head.closeSubpath();
        p.fillPath(head, QColor(20, 110, 40));
    });
}

QIcon ToolbarIcons::Open() {
    return Draw([](QPainter& p) {
        // An open folder.
        p.setPen(QPen(kInk, 1.0));
        p.setBrush(QColor(240, 200, 80));
        p.drawRect(QRectF(1.5, 4.5, 11, 8));
        p.drawRect(QRectF(1.5, 2.5, 5, 2));
        p.setBrush(QColor(252, 226, 130));
        QPolygonF flap;
        flap << QPointF(4.5, 7.5) << QPointF(15.0, 7.5) << QPointF(12.5, 12.5)
             << QPointF(1.5, 12.5);
        p.drawPolygon(flap);
    });
}

QIcon ToolbarIcons::SaveAs() {
    return Draw([](QPainter& p) {
        // A floppy disk with a pen stroke for "under a new name".
        p.setPen(QPen(kInk, 1.0));
        p.setBrush(QColor(60, 90, 170));
        p.drawRect(QRectF(1.5, 1.5, 11, 12));
        p.setBrush(Qt::white);
        p.drawRect(QRectF(3.5, 1.5, 7, 4));
        p.setBrush(QColor(200, 200, 200));
        p.drawRect(QRectF(3.5, 8.5, 7, 5));
        p.setPen(QPen(QColor(200, 60, 30), 2.0));
        p.drawLine(QPointF(10.5, 13.0), QPointF(15.0, 8.5));
    });
}

QIcon ToolbarIcons::Wizard() {
    return Draw([](QPainter& p) {
        // A magic wand with a star.
        p.setPen(QPen(kInk, 2.0));
        p.drawLine(QPointF(2.0, 13.5), QPointF(10.0, 5.5));
        p.setPen(QPen(QColor(230, 170, 0), 1.2));
        const QPointF c(12.0, 3.5);
        for (int i = 0; i < 4; ++i) {
            const double d = 2.8;
            p.drawLine(c + QPointF(i == 0 ? -d : i == 1 ? d : 0, i == 2 ? -d : i == 3 ? d : 0), c);
        }
        p.drawLine(c + QPointF(-2, -2), c + QPointF(2, 2));
        p.drawLine(c + QPointF(-2, 2), c + QPointF(2, -2));
    });
}

QIcon ToolbarIcons::SettingsList() {
    return Draw([](QPainter& p) {
        // A sheet with lines: the list of current settings.
        p.setPen(QPen(kInk, 1.0));
        p.setBrush(Qt::white);
        p.drawRect(QRectF(2.5, 0.5, 11, 14));
        p.setPen(QPen(QColor(60, 90, 170), 1.0));
        for (int y = 3; y <= 12; y += 3) {
            p.drawLine(QPointF(4.5, y + 0.5), QPointF(11.5, y + 0.5));
        }
    });
}

QIcon ToolbarIcons::Options() {
    return Draw([](QPainter& p) {
        // A check box with a tick.
        p.setPen(QPen(kInk, 1.0));
        p.setBrush(Qt::white);
        p.drawRect(QRectF(1.5, 1.5, 12, 12));
        p.setPen(QPen(QColor(20, 110, 40), 2.0));
        p.drawLine(QPointF(4.0, 7.5), QPointF(6.5, 10.5));
        p.drawLine(QPointF(6.5, 10.5), QPointF(12.0, 3.5));
    });
}

QIcon ToolbarIcons::PageHelp() {
    return Draw([](QPainter& p) {
        // A question mark in a blue circle.
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(40, 100, 200));
        p.drawEllipse(QRectF(1.0, 0.5, 14, 14));
        p.setPen(Qt::white);
        QFont font = p.font();
        font.setPixelSize(12);
        font.setBold(true);
        p.setFont(font);
        p.drawText(QRectF(1.0, 0.5, 14, 14), Qt::AlignCenter, QStringLiteral("?"));
    });
}

QIcon ToolbarIcons::Application() {
    return Draw(
        [](QPainter& p) {
            // Two file sheets and an arrow: a name becomes another.
            p.setPen(QPen(kInk, 1.5));
            p.setBrush(Qt::white);
            p.drawRect(QRectF(2, 4, 12, 16));
            p.setBrush(QColor(255, 240, 190));
            p.drawRect(QRectF(18, 12, 12, 16));
            p.setPen(QPen(QColor(200, 60, 30), 3.0));
            p.drawLine(QPointF(8, 24), QPointF(15, 24));
            p.setBrush(QColor(200, 60, 30));
            QPolygonF head;
            head << QPointF(15, 20) << QPointF(20, 24) << QPointF(15, 28);
            p.drawPolygon(head);
        },
        32, 32);
}

}  // namespace morvanex::widgets
