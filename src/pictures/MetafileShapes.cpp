// The metafile player's drawing operations: lines, polygons, curves, shapes, text and images in
// logical coordinates.
#include "MetafilePlayer.h"

#include <QFontMetricsF>
#include <QGuiApplication>

#include <cmath>

namespace Metafile {

void Player::moveTo(QPointF p)
{
    s.pos = p;
    if (m_inPath) {
        m_path.moveTo(p);
        m_pathNeedsMove = false;
    }
}

void Player::lineTo(QPointF p)
{
    if (m_inPath) {
        startFigure();
        m_path.lineTo(p);
    } else {
        QPainterPath path(s.pos);
        path.lineTo(p);
        draw(path, false, true);
    }
    s.pos = p;
}

void Player::poly(const QPolygonF& pts, bool closed, bool to)
{
    if (pts.isEmpty()) return;
    QPainterPath path;
    if (to) {
        path.moveTo(s.pos);
        for (const QPointF& p : pts)
            path.lineTo(p);
        s.pos = pts.last();
    } else {
        path.moveTo(pts.first());
        for (int i = 1; i < pts.size(); ++i)
            path.lineTo(pts[i]);
        if (closed) path.closeSubpath();
    }
    emitShape(path, closed, to);
}

void Player::polyPolygon(const QVector<QPolygonF>& polys, bool closed)
{
    QPainterPath path;
    for (const QPolygonF& pts : polys) {
        if (pts.isEmpty()) continue;
        path.moveTo(pts.first());
        for (int i = 1; i < pts.size(); ++i)
            path.lineTo(pts[i]);
        if (closed) path.closeSubpath();
    }
    emitShape(path, closed, false);
}

void Player::bezier(const QPolygonF& pts, bool to)
{
    QPainterPath path;
    int i = 0;
    if (to) {
        path.moveTo(s.pos);
    } else {
        if (pts.isEmpty()) return;
        path.moveTo(pts[0]);
        i = 1;
    }
    for (; i + 2 < pts.size(); i += 3)
        path.cubicTo(pts[i], pts[i + 1], pts[i + 2]);
    if (to && path.elementCount() > 1) s.pos = path.currentPosition();
    emitShape(path, false, to);
}

void Player::polyDraw(const QPolygonF& pts, const uchar* types)
{
    QPainterPath path(s.pos);
    for (int i = 0; i < pts.size(); ++i) {
        const int t = types[i] & 6;
        if (t == 6) {
            path.moveTo(pts[i]);
        } else if (t == 4 && i + 2 < pts.size()) {
            path.cubicTo(pts[i], pts[i + 1], pts[i + 2]);
            i += 2;
        } else {
            path.lineTo(pts[i]);
        }
        if (types[i] & 1) path.closeSubpath();
    }
    if (!pts.isEmpty()) s.pos = pts.last();
    emitShape(path, false, true);
}

void Player::rectangle(QRectF r, double cornerW, double cornerH)
{
    QPainterPath path;
    if (cornerW > 0 || cornerH > 0)
        path.addRoundedRect(r.normalized(), std::abs(cornerW) / 2, std::abs(cornerH) / 2);
    else
        path.addRect(r.normalized());
    emitShape(path, true, false);
}

void Player::ellipse(QRectF r)
{
    QPainterPath path;
    path.addEllipse(r.normalized());
    emitShape(path, true, false);
}

void Player::arc(QRectF box, QPointF start, QPointF end, int kind)
{
    box = box.normalized();
    if (box.width() <= 0 || box.height() <= 0) return;
    const QPointF c = box.center();
    auto angle = [&](QPointF p) {
        return std::atan2(-(p.y() - c.y()) / box.height(), (p.x() - c.x()) / box.width()) * 180 / M_PI;
    };
    const double a0 = angle(start);
    double sweep = angle(end) - a0;
    while (sweep <= 0)
        sweep += 360;
    QPainterPath path;
    if (kind == 2) {
        path.moveTo(c);
        path.arcTo(box, a0, sweep);
        path.closeSubpath();
    } else if (kind == 3) {
        path.moveTo(s.pos);
        path.arcTo(box, a0, sweep);
        s.pos = path.currentPosition();
    } else {
        path.arcMoveTo(box, a0);
        path.arcTo(box, a0, sweep);
        if (kind == 1) path.closeSubpath();
    }
    emitShape(path, kind == 1 || kind == 2, kind == 3);
}

void Player::angleArc(QPointF c, double r, double startDeg, double sweepDeg)
{
    if (!std::isfinite(startDeg) || !std::isfinite(sweepDeg) || r <= 0) return;
    const QRectF box(c.x() - r, c.y() - r, 2 * r, 2 * r);
    QPainterPath path(s.pos);
    path.arcTo(box, startDeg, qBound(-3600.0, sweepDeg, 3600.0));
    s.pos = path.currentPosition();
    emitShape(path, false, true);
}

void Player::text(QPointF ref, const QString& str)
{
    // Fonts need the GUI application; without one (a command-line check) text is skipped.
    if (str.isEmpty() || !qobject_cast<QGuiApplication*>(QCoreApplication::instance()) || !m_toImageValid)
        return;
    if (s.textAlign & 1) // the text goes at the current position
        ref = s.pos;
    const QPointF o = m_toImage.map(QPointF(0, 0));
    const double sx = QLineF(o, m_toImage.map(QPointF(1, 0))).length();
    const double sy = QLineF(o, m_toImage.map(QPointF(0, 1))).length();
    double px = std::abs(s.font.height) * sy;
    if (s.font.height > 0) px *= 0.85; // a positive height is the cell height, which includes the leading
    if (s.font.height == 0) px = 12 * sy;
    if (!std::isfinite(px) || px < 0.5 || sy <= 0 || sx <= 0) return;
    px = qMin(px, 4.0 * qMax(m_image.width(), m_image.height()));

    constexpr int MaxTextLength = 4096;
    const QString shown = str.left(MaxTextLength);
    QFont font;
    if (!s.font.face.isEmpty()) font.setFamily(s.font.face);
    font.setPixelSize(qMax(1, qRound(px)));
    font.setWeight(QFont::Weight(s.font.weight <= 0 ? 400 : qMin(s.font.weight, 1000))); // 0: the default
    font.setItalic(s.font.italic);
    font.setUnderline(s.font.underline);
    font.setStrikeOut(s.font.strikeOut);
    const QFontMetricsF fm(font);
    const double w = fm.horizontalAdvance(shown);
    double x = 0, y = 0;
    if ((s.textAlign & 6) == 6)
        x = -w / 2;
    else if (s.textAlign & 2)
        x = -w;
    if ((s.textAlign & 24) == 24)
        y = 0;
    else if (s.textAlign & 8)
        y = -fm.descent();
    else
        y = fm.ascent();

    QTransform t = m_toImage;
    t.translate(ref.x(), ref.y());
    t.scale(1 / sy, (m_toImage.determinant() < 0 ? -1 : 1) / sy);
    t.rotate(-s.font.escapement / 10.0);
    const QRectF box(x, y - fm.ascent(), w, fm.ascent() + fm.descent());
    if (!finite(t) || !countDraw(t.mapRect(box))) return;
    m_painter.setTransform(t);
    if (s.bkMode == 2) m_painter.fillRect(box, s.bkColor);
    m_painter.setFont(font);
    m_painter.setPen(s.textColor);
    m_painter.setBrush(Qt::NoBrush);
    m_painter.drawText(QPointF(x, y), shown);
    if (s.textAlign & 1) s.pos = ref + QPointF(w * sy / sx, 0);
}

void Player::patBlt(QRectF r, quint32 rop)
{
    const BrushSpec brush = s.brush;
    if (rop == 0x00000042 || rop == 0x00FF0062)
        s.brush = BrushSpec{false, rop == 0x42 ? Qt::black : Qt::white, -1};
    QPainterPath path;
    path.addRect(r.normalized());
    draw(path, true, false);
    s.brush = brush;
}

void Player::drawImage(QRectF dest, const QImage& img)
{
    if (img.isNull() || !m_toImageValid || !countDraw(m_toImage.mapRect(dest))) return;
    m_painter.setTransform(m_toImage);
    m_painter.drawImage(dest.normalized(), img);
}

} // namespace Metafile
