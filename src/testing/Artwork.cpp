// The test engine's own pictures, drawn in code.
#include "Artwork.h"

#include "data/Strings.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace Artwork {

QImage placeholderPicture()
{
    QImage img(280, 180, QImage::Format_RGB32);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient sky(0, 0, 0, 180);
    sky.setColorAt(0, QColor(236, 226, 196));
    sky.setColorAt(1, QColor(214, 196, 150));
    p.fillRect(img.rect(), sky);
    // A quiet road running to the horizon, in the program's colours.
    QPainterPath road;
    road.moveTo(95, 180);
    road.lineTo(132, 96);
    road.lineTo(148, 96);
    road.lineTo(185, 180);
    road.closeSubpath();
    p.fillRect(QRect(0, 96, 280, 84), QColor(190, 170, 118));
    p.fillPath(road, QColor(120, 112, 96));
    p.setPen(QPen(QColor(245, 240, 225), 3, Qt::DashLine));
    p.drawLine(140, 176, 140, 100);
    p.setPen(QPen(QColor(128, 128, 0), 2));
    p.setBrush(Qt::NoBrush);
    p.drawRect(img.rect().adjusted(1, 1, -2, -2));
    QFont f(QStringLiteral("Arial"));
    f.setPixelSize(15);
    f.setBold(true);
    p.setFont(f);
    p.setPen(QColor(90, 80, 50));
    p.drawText(QRect(0, 22, 280, 40), Qt::AlignCenter, Str::AppTitle);
    return img;
}

QImage pictureFrame()
{
    QImage img(290, 190, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::transparent);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient g(0, 0, 290, 190);
    g.setColorAt(0, QColor(150, 120, 60));
    g.setColorAt(0.5, QColor(226, 204, 150));
    g.setColorAt(1, QColor(120, 95, 45));
    p.setBrush(g);
    p.setPen(QPen(QColor(90, 70, 30), 1));
    p.drawRoundedRect(QRectF(0.5, 0.5, 289, 189), 6, 6);
    p.setBrush(QColor(60, 50, 30));
    p.setPen(Qt::NoPen);
    p.drawRect(QRect(4, 4, 282, 182));
    return img;
}

namespace {
QCursor magnifier(bool plus)
{
    QPixmap pm(32, 32);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF lens(2, 2, 20, 20);
    p.setBrush(QColor(255, 255, 255, 200));
    p.setPen(QPen(Qt::black, 2.5));
    p.drawEllipse(lens);
    p.setPen(QPen(Qt::black, 5, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(19, 19), QPointF(29, 29));
    p.setPen(QPen(QColor(110, 90, 40), 2.5, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(7, 12), QPointF(17, 12));
    if (plus) p.drawLine(QPointF(12, 7), QPointF(12, 17));
    p.end();
    return QCursor(pm, 12, 12);
}
} // namespace

QCursor zoomInCursor()
{
    return magnifier(true);
}

QCursor zoomOutCursor()
{
    return magnifier(false);
}

} // namespace Artwork
