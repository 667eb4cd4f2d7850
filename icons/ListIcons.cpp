#include "ListIcons.h"

#include <QColor>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QPolygonF>
#include <array>
#include <cmath>

namespace {

// A blank 16 x 16 icon to paint on.
QImage NewIconCanvas()
{
    QImage image(16, 16, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    return image;
}

QImage ImpulseImage()
{
    QImage image = NewIconCanvas();
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    // A light arrow pointing right: shaft and head in one outline.
    const QPolygonF arrow({{1.5, 5.5}, {8.5, 5.5}, {8.5, 2.0}, {14.5, 8.0}, {8.5, 14.0}, {8.5, 10.5}, {1.5, 10.5}});
    p.setPen(QPen(QColor(90, 130, 170), 1.0));
    p.setBrush(QColor(190, 225, 250));
    p.drawPolygon(arrow);
    return image;
}

QImage PreselectionImage()
{
    QImage image = NewIconCanvas();
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(150, 0, 0), 1.0));
    p.setBrush(QColor(220, 30, 30));
    p.drawEllipse(QRectF(1.0, 1.0, 14.0, 14.0));
    p.setPen(QPen(Qt::white, 2.0, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(5.0, 5.0), QPointF(11.0, 11.0));
    p.drawLine(QPointF(11.0, 5.0), QPointF(5.0, 11.0));
    return image;
}

// A flag's cloth, with a slight wave.
QPainterPath ClothPath()
{
    QPainterPath path;
    path.moveTo(4.0, 2.0);
    path.cubicTo(7.0, 0.5, 10.0, 3.5, 14.5, 2.0);
    path.lineTo(14.5, 9.0);
    path.cubicTo(10.0, 10.5, 7.0, 7.5, 4.0, 9.0);
    path.closeSubpath();
    return path;
}

QImage FlagImage(const QColor &cloth)
{
    QImage image = NewIconCanvas();
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    // The pole.
    p.setPen(QPen(QColor(70, 70, 70), 1.5));
    p.drawLine(QPointF(3.5, 1.0), QPointF(3.5, 15.0));
    p.setPen(QPen(cloth.darker(150), 1.0));
    p.setBrush(cloth);
    p.drawPath(ClothPath());
    return image;
}

// Black and white squares on the cloth of FlagImage's shape.
QImage ChequeredImage()
{
    QImage image = FlagImage(Qt::white);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setClipPath(ClothPath());
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::black);
    for (int row = 0; row < 4; ++row)
        for (int col = 0; col < 4; ++col)
            if ((row + col) % 2 == 0)
                p.drawRect(QRectF(4.0 + col * 2.65, 1.0 + row * 2.3, 2.65, 2.3));
    return image;
}

QImage StarImage()
{
    QImage image = NewIconCanvas();
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    QPolygonF star;
    const double pi = 3.14159265358979323846;
    for (int i = 0; i < 10; ++i) {
        const double radius = (i % 2 == 0) ? 7.5 : 3.2;
        const double angle = -pi / 2 + i * pi / 5;
        star << QPointF(8.0 + radius * std::cos(angle), 8.4 + radius * std::sin(angle));
    }
    p.setPen(QPen(QColor(180, 130, 0), 1.0));
    p.setBrush(QColor(255, 200, 0));
    p.drawPolygon(star);
    return image;
}

}  // namespace

QIcon ListIconOf(ListIcon which)
{
    // Drawn once on first use; kept for the whole run (pixmaps must not
    // outlive the application object, so the set is never destroyed at exit).
    static const auto *icons = new std::array<QIcon, 6>{
        QIcon(QPixmap::fromImage(ImpulseImage())),
        QIcon(QPixmap::fromImage(PreselectionImage())),
        QIcon(QPixmap::fromImage(FlagImage(QColor(30, 80, 200)))),
        QIcon(QPixmap::fromImage(FlagImage(QColor(210, 30, 30)))),
        QIcon(QPixmap::fromImage(StarImage())),
        QIcon(QPixmap::fromImage(ChequeredImage())),
    };
    const auto i = size_t(which);
    return i < icons->size() ? (*icons)[i] : QIcon();
}
