// Draws every window's background picture and shape, the dialog icons and the built-in logo.
// Usage: ferdano-skingen SRC_WIDGETS_DIR   (writes skins/*.jpg, *.rgn, *.png and skins.qrc there)
#include "widgets/PlasmaRegion.h"

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <QTextStream>

#include <cmath>
#include <cstdio>
#include <functional>

namespace {

// The program's palette: sand body, darker sand, warm brown edge, cream light, olive accent.
const QColor Sand(205, 179, 115);
const QColor SandLight(222, 202, 150);
const QColor SandDark(176, 148, 86);
const QColor Brown(112, 82, 36);
const QColor Cream(240, 230, 202);
const QColor CreamLight(248, 242, 224);
const QColor Olive(128, 128, 0);
const QColor Grey(128, 128, 128);

enum class Body
{
    Sand,
    Cream
};

struct Skin
{
    QString name;
    QSize size;
    // The outline, or the outline moved inward by `inset` pixels.
    std::function<QPainterPath(QSizeF, qreal inset)> shape;
    Body body = Body::Sand;
    // Extra drawing inside the shape, after the body and before the frame.
    std::function<void(QPainter&, QSizeF)> decor;
    bool pictureless = false; // the shape alone (the help balloon)
};

QPainterPath roundRect(QSizeF s, qreal r, qreal inset)
{
    QPainterPath p;
    const qreal ri = std::max<qreal>(0, r - inset);
    p.addRoundedRect(QRectF(inset, inset, s.width() - 2 * inset, s.height() - 2 * inset), ri, ri);
    return p;
}

QPainterPath capsule(QSizeF s, qreal inset)
{
    return roundRect(s, std::min(s.width(), s.height()) / 2, inset);
}

// A speech balloon whose pointer rises to the top left corner.
QPainterPath balloon(QSizeF s, qreal)
{
    const qreal tip = 24;
    QPainterPath body;
    body.addRoundedRect(QRectF(0, tip, s.width(), s.height() - tip), 18, 18);
    QPainterPath pointer;
    pointer.moveTo(22, tip + 6);
    pointer.lineTo(4, 0);
    pointer.lineTo(62, tip + 6);
    pointer.closeSubpath();
    return body.united(pointer).simplified();
}

// The shape as the window will cut it: every pixel whose centre lies inside the path.
QRegion regionOf(const QPainterPath& path, QSize size)
{
    QImage img(size, QImage::Format_ARGB32);
    img.fill(Qt::transparent);
    {
        QPainter p(&img);
        p.setRenderHint(QPainter::Antialiasing, false);
        p.fillPath(path, Qt::black);
    }
    QRegion region;
    for (int y = 0; y < size.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(img.constScanLine(y));
        int x = 0;
        while (x < size.width()) {
            while (x < size.width() && qAlpha(line[x]) < 128)
                ++x;
            const int start = x;
            while (x < size.width() && qAlpha(line[x]) >= 128)
                ++x;
            if (x > start)
                region += QRect(start, y, x - start, 1);
        }
    }
    return region;
}

void dashedRoad(QPainter& p, const QPainterPath& centre, qreal width)
{
    p.save();
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(SandDark, width, Qt::SolidLine, Qt::FlatCap));
    p.drawPath(centre);
    p.setPen(QPen(QColor(178, 152, 92), width - 6, Qt::SolidLine, Qt::FlatCap));
    p.drawPath(centre);
    QPen dash(CreamLight, 2.5, Qt::CustomDashLine, Qt::FlatCap);
    dash.setDashPattern({6, 5});
    p.setPen(dash);
    p.drawPath(centre);
    p.restore();
}

// A thin rule that separates parts of a window without drawing attention.
void rule(QPainter& p, qreal x1, qreal x2, qreal y)
{
    p.save();
    p.setPen(QPen(QColor(Brown.red(), Brown.green(), Brown.blue(), 70), 1));
    p.drawLine(QPointF(x1, y + 0.5), QPointF(x2, y + 0.5));
    p.setPen(QPen(QColor(255, 255, 255, 90), 1));
    p.drawLine(QPointF(x1, y + 1.5), QPointF(x2, y + 1.5));
    p.restore();
}

// Road markings along the bottom edge, inside the frame and clear of any control.
void edgeMarkings(QPainter& p, QSizeF s, qreal margin)
{
    p.save();
    QPen dash(QColor(Brown.red(), Brown.green(), Brown.blue(), 80), 2, Qt::CustomDashLine, Qt::FlatCap);
    dash.setDashPattern({5, 4});
    p.setPen(dash);
    p.drawLine(QPointF(margin, s.height() - 14), QPointF(s.width() - margin, s.height() - 14));
    p.restore();
}

// A faint steering wheel in a corner: a watermark that text stays readable on.
void watermark(QPainter& p, QPointF c, qreal r)
{
    p.save();
    const QColor ink(Brown.red(), Brown.green(), Brown.blue(), 22);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(ink, r / 6));
    p.drawEllipse(c, r, r);
    p.setPen(QPen(ink, r / 8, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(c, c + QPointF(-r, r / 6));
    p.drawLine(c, c + QPointF(r, r / 6));
    p.drawLine(c, c + QPointF(0, r));
    p.setPen(Qt::NoPen);
    p.setBrush(ink);
    p.drawEllipse(c, r / 3.2, r / 3.2);
    p.restore();
}

// A small steering wheel, the program's mark.
void emblem(QPainter& p, QPointF c, qreal r)
{
    p.save();
    const QColor wheel(92, 64, 28);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(wheel, r / 4.5));
    p.drawEllipse(c, r, r);
    p.setPen(QPen(wheel, r / 6, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(c, c + QPointF(-r, r / 6));
    p.drawLine(c, c + QPointF(r, r / 6));
    p.drawLine(c, c + QPointF(0, r));
    p.setPen(Qt::NoPen);
    p.setBrush(wheel);
    p.drawEllipse(c, r / 3, r / 3);
    p.setBrush(QColor(176, 40, 30));
    p.drawEllipse(c, r / 9, r / 9);
    p.restore();
}

QImage drawSkin(const Skin& skin)
{
    const QSizeF s(skin.size);
    const QPainterPath shape = skin.shape(s, 0);
    QImage img(skin.size, QImage::Format_RGB32);
    img.fill(Brown);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.setClipPath(shape);

    QLinearGradient g(0, 0, 0, s.height());
    if (skin.body == Body::Cream) {
        g.setColorAt(0, CreamLight);
        g.setColorAt(1, Cream);
    } else {
        g.setColorAt(0, SandLight);
        g.setColorAt(0.35, Sand);
        g.setColorAt(1, Sand);
    }
    p.fillPath(shape, g);
    if (skin.decor)
        skin.decor(p, s);

    // The frame: a warm brown edge, a light line inside it and a fine olive line further in.
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(skin.body == Body::Cream ? CreamLight : SandLight, 12));
    p.drawPath(shape);
    p.setPen(QPen(Brown, 6));
    p.drawPath(shape);
    QPen olive(QColor(Olive.red(), Olive.green(), Olive.blue(), 150), 1);
    p.setPen(olive);
    p.drawPath(skin.shape(s, 8.5));
    return img;
}

// A warning road sign: a red-brown triangle with an exclamation mark.
QImage systemIcon()
{
    QImage img(48, 48, QImage::Format_ARGB32);
    img.fill(Qt::transparent);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    QPainterPath tri;
    tri.moveTo(24, 3);
    tri.lineTo(46, 43);
    tri.lineTo(2, 43);
    tri.closeSubpath();
    p.setPen(QPen(QColor(176, 40, 30), 5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(CreamLight);
    p.drawPath(tri);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(40, 30, 20));
    QPainterPath bar;
    bar.moveTo(21.5, 15);
    bar.lineTo(26.5, 15);
    bar.lineTo(25.3, 31);
    bar.lineTo(22.7, 31);
    bar.closeSubpath();
    p.drawPath(bar);
    p.drawEllipse(QPointF(24, 36), 2.6, 2.6);
    return img;
}

// An information road sign: a blue disc with a question mark.
QImage helpIcon()
{
    QImage img(48, 48, QImage::Format_ARGB32);
    img.fill(Qt::transparent);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    QRadialGradient g(QPointF(18, 16), 30);
    g.setColorAt(0, QColor(70, 120, 190));
    g.setColorAt(1, QColor(30, 72, 140));
    p.setPen(QPen(CreamLight, 2.5));
    p.setBrush(g);
    p.drawEllipse(QRectF(2.5, 2.5, 43, 43));
    QFont f(QStringLiteral("Liberation Sans"));
    f.setPixelSize(32);
    f.setBold(true);
    p.setFont(f);
    p.setPen(Qt::white);
    p.drawText(QRectF(0, 1, 48, 48), Qt::AlignCenter, QStringLiteral("?"));
    return img;
}

// The built-in logo: a steering wheel above a road and the program's name.
QImage logo()
{
    QImage img(260, 220, QImage::Format_ARGB32);
    img.fill(Qt::transparent);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);

    // a soft shadow the wheel rests on
    QRadialGradient shadow(QPointF(130, 166), 90);
    shadow.setColorAt(0, QColor(90, 60, 20, 70));
    shadow.setColorAt(1, QColor(90, 60, 20, 0));
    p.setPen(Qt::NoPen);
    p.setBrush(shadow);
    p.drawEllipse(QPointF(130, 166), 90, 10);

    const QPointF c(130, 96);
    const QColor wheel(92, 64, 28);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(0, 0, 0, 40), 15));
    p.drawEllipse(c + QPointF(2, 3), 62, 62);
    p.setPen(QPen(wheel, 14));
    p.drawEllipse(c, 62, 62);
    p.setPen(QPen(QColor(255, 240, 200, 110), 2));
    p.drawArc(QRectF(c.x() - 62, c.y() - 62, 124, 124), 40 * 16, 100 * 16);
    p.setPen(QPen(wheel, 11, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(c, c + QPointF(-58, 10));
    p.drawLine(c, c + QPointF(58, 10));
    p.drawLine(c, c + QPointF(0, 58));
    p.setPen(Qt::NoPen);
    QRadialGradient hub(c - QPointF(5, 5), 22);
    hub.setColorAt(0, QColor(196, 160, 96));
    hub.setColorAt(1, wheel);
    p.setBrush(hub);
    p.drawEllipse(c, 19, 19);
    p.setBrush(QColor(176, 40, 30));
    p.drawEllipse(c, 6, 6);

    QFont f(QStringLiteral("Liberation Serif"));
    f.setPixelSize(38);
    f.setBold(true);
    f.setItalic(true);
    p.setFont(f);
    p.setPen(QColor(255, 244, 214, 150));
    p.drawText(QRectF(1, 173, 260, 44), Qt::AlignCenter, QStringLiteral("Ferdano"));
    p.setPen(QColor(88, 58, 22));
    p.drawText(QRectF(0, 172, 260, 44), Qt::AlignCenter, QStringLiteral("Ferdano"));
    return img;
}

QList<Skin> skins()
{
    QList<Skin> list;
    auto rounded = [](qreal r) { return [r](QSizeF s, qreal inset) { return roundRect(s, r, inset); }; };

    list.append({QStringLiteral("main"), {640, 480}, rounded(38), Body::Sand, [](QPainter& p, QSizeF s) {
                     // a calm panel behind the column of commands
                     QPainterPath panel;
                     panel.addRoundedRect(QRectF(420, 104, 180, 310), 14, 14);
                     p.fillPath(panel, QColor(255, 246, 222, 60));
                     p.setPen(QPen(QColor(Brown.red(), Brown.green(), Brown.blue(), 80), 1));
                     p.drawPath(panel);
                     rule(p, 40, 400, 108);
                     QPainterPath road;
                     road.moveTo(-10, s.height() - 30);
                     road.cubicTo(180, s.height() - 62, 420, s.height() - 10, s.width() + 10,
                                  s.height() - 44);
                     dashedRoad(p, road, 26);
                 }});
    list.append({QStringLiteral("splash"), {400, 240}, capsule, Body::Sand, [](QPainter& p, QSizeF s) {
                     QPainterPath road;
                     road.moveTo(30, s.height() - 52);
                     road.cubicTo(140, s.height() - 70, 260, s.height() - 34, s.width() - 30,
                                  s.height() - 56);
                     dashedRoad(p, road, 22);
                     rule(p, 110, 176, 50);
                     rule(p, 224, 290, 50);
                     emblem(p, QPointF(200, 50), 15);
                 }});
    list.append({QStringLiteral("system"), {420, 170}, rounded(20), Body::Cream, [](QPainter& p, QSizeF) {
                     rule(p, 84, 396, 40);
                 }});
    list.append({QStringLiteral("result"), {520, 470}, rounded(26), Body::Cream, [](QPainter& p, QSizeF) {
                     rule(p, 24, 496, 416);
                 }});
    list.append({QStringLiteral("wait"), {360, 110}, capsule, Body::Sand, [](QPainter& p, QSizeF s) {
                     edgeMarkings(p, s, 70);
                 }});
    list.append({QStringLiteral("help"), {300, 180}, balloon, Body::Cream, {}, true});
    auto framed = [](qreal wheel) {
        return [wheel](QPainter& p, QSizeF s) {
            edgeMarkings(p, s, 40);
            if (wheel > 0)
                watermark(p, QPointF(s.width() - wheel - 24, wheel + 22), wheel);
        };
    };
    list.append({QStringLiteral("logon"), {380, 220}, rounded(28), Body::Sand, framed(44)});
    list.append({QStringLiteral("zakdlg"), {640, 520}, rounded(24), Body::Sand, framed(56)});
    list.append({QStringLiteral("zaklist"), {760, 520}, rounded(24), Body::Sand, framed(56)});
    list.append({QStringLiteral("statistika"), {780, 640}, rounded(24), Body::Sand, framed(0)});
    list.append({QStringLiteral("failed"), {700, 500}, rounded(24), Body::Sand, framed(56)});
    list.append({QStringLiteral("test"), {760, 560}, rounded(24), Body::Sand, framed(0)});
    list.append({QStringLiteral("info"), {260, 300}, rounded(18), Body::Cream, framed(0)});
    list.append({QStringLiteral("zoom"), {560, 324}, rounded(12), Body::Sand, {}});
    list.append({QStringLiteral("selection"), {600, 440}, rounded(24), Body::Sand, framed(56)});
    return list;
}

bool writeFile(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size()) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        return false;
    }
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: ferdano-skingen SRC_WIDGETS_DIR\n");
        return 2;
    }
    const QDir out(QString::fromLocal8Bit(argv[1]));
    if (!out.mkpath(QStringLiteral("skins")))
        return 1;

    QString qrc;
    QTextStream q(&qrc);
    q << "<!-- The windows' skins, the dialog icons and the built-in logo; made by tools/skingen. -->\n"
      << "<RCC>\n  <qresource prefix=\"/ferdano\">\n";
    for (const Skin& skin : skins()) {
        const QString base = QStringLiteral("skins/") + skin.name;
        const QRegion shape = regionOf(skin.shape(QSizeF(skin.size), 0), skin.size);
        if (!writeFile(out.filePath(base + QStringLiteral(".rgn")), WriteRegionData(shape)))
            return 1;
        q << "    <file>" << base << ".rgn</file>\n";
        if (skin.pictureless)
            continue;
        if (!drawSkin(skin).save(out.filePath(base + QStringLiteral(".jpg")), "JPEG", 92))
            return 1;
        q << "    <file>" << base << ".jpg</file>\n";
    }
    const QList<std::pair<QString, QImage>> images = {{QStringLiteral("system-icon.png"), systemIcon()},
                                                      {QStringLiteral("help-icon.png"), helpIcon()},
                                                      {QStringLiteral("logo.png"), logo()}};
    for (const auto& [name, image] : images) {
        if (!image.save(out.filePath(QStringLiteral("skins/") + name), "PNG"))
            return 1;
        q << "    <file alias=\"" << name << "\">skins/" << name << "</file>\n";
    }
    q << "  </qresource>\n</RCC>\n";
    q.flush();
    return writeFile(out.filePath(QStringLiteral("skins.qrc")), qrc.toUtf8()) ? 0 : 1;
}
