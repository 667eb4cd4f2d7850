#include "ProgramIcon.h"

#include <QImage>
#include <QPainter>
#include <QPixmap>

#include <cmath>

namespace {

// The stopwatch on a 64 x 64 design grid, scaled to `size`.
QPixmap Stopwatch(int size)
{
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 64.0, size / 64.0);

    const QColor green(0x00, 0x80, 0x00);
    const QColor dark(0x00, 0x4d, 0x00);
    // Crown and the two side buttons.
    p.setPen(Qt::NoPen);
    p.setBrush(dark);
    p.drawRoundedRect(QRectF(26, 2, 12, 7), 2, 2);
    p.drawRect(QRectF(29.5, 8, 5, 6));
    p.save();
    p.translate(32, 37);
    for (double angle : {-45.0, 45.0}) {
        p.save();
        p.rotate(angle);
        p.drawRoundedRect(QRectF(-3.5, -31, 7, 6), 1.5, 1.5);
        p.restore();
    }
    p.restore();
    // Case and face.
    p.setBrush(green);
    p.drawEllipse(QPointF(32, 37), 25, 25);
    p.setBrush(Qt::white);
    p.drawEllipse(QPointF(32, 37), 19.5, 19.5);
    // Marks every quarter, and the hand near twelve.
    p.setPen(QPen(dark, 3, Qt::SolidLine, Qt::RoundCap));
    for (int i = 0; i < 4; ++i) {
        const double a = i * M_PI / 2;
        p.drawLine(QPointF(32 + 15 * std::sin(a), 37 - 15 * std::cos(a)),
                   QPointF(32 + 18 * std::sin(a), 37 - 18 * std::cos(a)));
    }
    p.setPen(QPen(QColor(0xc0, 0x10, 0x10), 3.5, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(32, 37), QPointF(32 + 13 * std::sin(0.6), 37 - 13 * std::cos(0.6)));
    p.setPen(Qt::NoPen);
    p.setBrush(dark);
    p.drawEllipse(QPointF(32, 37), 3, 3);
    p.end();
    return QPixmap::fromImage(image);
}

}  // namespace

QIcon ProgramIcon()
{
    QIcon icon;
    for (int size : {16, 24, 32, 48, 64, 128, 256})
        icon.addPixmap(Stopwatch(size));
    return icon;
}
