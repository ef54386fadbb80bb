// Enhanced metafile records that draw: lines, curves, polygons, shapes, text and bitmaps.
#include "EmfRecords.h"

namespace Metafile::Emf {

namespace {

// Poly-bezier, polygon, polyline and their -to variants, with 32-bit or 16-bit points.
bool polyline(Player& pl, Record& r, quint32 type)
{
    const quint32 count = r.u32(24);
    const bool small = type >= EmrPolyBezier16;
    const QPolygonF pts = small ? points16(r, 28, count) : points32(r, 28, count);
    if (r.bad() || !pl.spend(count)) return !r.bad();
    switch (small ? type - (EmrPolyBezier16 - EmrPolyBezier) : type) {
    case EmrPolyBezier:
        pl.bezier(pts, false);
        break;
    case EmrPolygon:
        pl.poly(pts, true, false);
        break;
    case EmrPolyline:
        pl.poly(pts, false, false);
        break;
    case EmrPolyBezierTo:
        pl.bezier(pts, true);
        break;
    case EmrPolylineTo:
        pl.poly(pts, false, true);
        break;
    }
    return !r.bad();
}

// Poly-polyline and poly-polygon: the point counts of the figures, then all their points.
bool polyPolyline(Player& pl, Record& r, quint32 type)
{
    const quint32 polys = r.u32(24);
    const quint32 total = r.u32(28);
    const bool small = type >= EmrPolyPolyline16;
    if (r.bad() || !r.has(32, qint64(polys) * 4)) return false;
    const qint64 pointsAt = 32 + qint64(polys) * 4;
    const QPolygonF pts = small ? points16(r, pointsAt, total) : points32(r, pointsAt, total);
    if (r.bad() || !pl.spend(qint64(total) + polys)) return !r.bad();
    QVector<QPolygonF> list;
    qint64 at = 0;
    for (quint32 i = 0; i < polys; ++i) {
        const quint32 n = r.u32(32 + 4 * qint64(i));
        if (at + n > total) return false;
        list.append(pts.mid(int(at), int(n)));
        at += n;
    }
    pl.polyPolygon(list, type == EmrPolyPolygon || type == EmrPolyPolygon16);
    return !r.bad();
}

// Points with a point type each.
bool polyDraw(Player& pl, Record& r, quint32 type)
{
    const quint32 count = r.u32(24);
    const bool small = type == EmrPolyDraw16;
    const QPolygonF pts = small ? points16(r, 28, count) : points32(r, 28, count);
    const uchar* types = r.ptr(28 + qint64(count) * (small ? 4 : 8), count);
    if (r.bad() || !pl.spend(count)) return !r.bad();
    pl.polyDraw(pts, types);
    return !r.bad();
}

// Arc, chord, pie and arc-to: the box and the two radial points.
bool arc(Player& pl, Record& r, quint32 type)
{
    const QRectF box = rectL(r, 8);
    const QPointF a(r.i32(24), r.i32(28)), b(r.i32(32), r.i32(36));
    if (r.bad()) return false;
    pl.arc(box, a, b, type == EmrArcTo ? 3 : int(type) - EmrArc);
    return !r.bad();
}

// Text of 8-bit or 16-bit characters at a reference point.
bool extTextOut(Player& pl, Record& r, quint32 type)
{
    const QPointF ref(r.i32(36), r.i32(40));
    const quint32 chars = r.u32(44);
    const quint32 offString = r.u32(48);
    const bool wide = type == EmrExtTextOutW;
    if (chars == 0 || (r.u32(52) & 0x10)) // glyph indices cannot be drawn as characters
        return !r.bad();
    const uchar* p = r.ptr(offString, qint64(chars) * (wide ? 2 : 1));
    if (r.bad()) return false;
    QString str;
    if (wide) {
        str.resize(int(chars));
        for (quint32 i = 0; i < chars; ++i)
            str[int(i)] = QChar(qFromLittleEndian<quint16>(p + 2 * i));
    } else {
        str = text8(p, int(chars), pl.s.font.charset);
    }
    pl.text(ref, str);
    return !r.bad();
}

// A stretched device-independent bitmap.
bool stretchDiBits(Player& pl, Record& r)
{
    const QRectF dest(r.i32(24), r.i32(28), r.i32(72), r.i32(76));
    bool bottomUp = false;
    const QImage img = dibImage(r, r.u32(48), r.u32(52), r.u32(56), r.u32(60), &bottomUp);
    if (r.bad()) return false;
    pl.drawImage(dest, sourcePart(img, bottomUp, r.i32(32), r.i32(36), r.i32(40), r.i32(44)));
    return !r.bad();
}

// A bitmap, or without one a fill with the brush.
bool bitBlt(Player& pl, Record& r, quint32 type)
{
    const QRectF dest(r.i32(24), r.i32(28), r.i32(32), r.i32(36));
    const quint32 rop = r.u32(40);
    const quint32 cbBmi = r.u32(88);
    if (r.bad()) return false;
    if (cbBmi == 0) {
        pl.patBlt(dest, rop);
        return !r.bad();
    }
    bool bottomUp = false;
    const QImage img = dibImage(r, r.u32(84), cbBmi, r.u32(92), r.u32(96), &bottomUp);
    const qint32 cxSrc = type == EmrStretchBlt ? r.i32(100) : qint32(dest.width());
    const qint32 cySrc = type == EmrStretchBlt ? r.i32(104) : qint32(dest.height());
    if (r.bad()) return false;
    pl.drawImage(dest, sourcePart(img, bottomUp, r.i32(44), r.i32(48), cxSrc, cySrc));
    return !r.bad();
}

} // namespace

std::optional<bool> playDrawing(Player& pl, Record& r, quint32 type)
{
    switch (type) {
    case EmrPolyBezier:
    case EmrPolygon:
    case EmrPolyline:
    case EmrPolyBezierTo:
    case EmrPolylineTo:
    case EmrPolyBezier16:
    case EmrPolygon16:
    case EmrPolyline16:
    case EmrPolyBezierTo16:
    case EmrPolylineTo16:
        return polyline(pl, r, type);
    case EmrPolyPolyline:
    case EmrPolyPolygon:
    case EmrPolyPolyline16:
    case EmrPolyPolygon16:
        return polyPolyline(pl, r, type);
    case EmrPolyDraw:
    case EmrPolyDraw16:
        return polyDraw(pl, r, type);
    case EmrMoveToEx:
        pl.moveTo(QPointF(r.i32(8), r.i32(12)));
        break;
    case EmrLineTo:
        pl.lineTo(QPointF(r.i32(8), r.i32(12)));
        break;
    case EmrEllipse:
        pl.ellipse(rectL(r, 8));
        break;
    case EmrRectangle:
        pl.rectangle(rectL(r, 8));
        break;
    case EmrRoundRect:
        pl.rectangle(rectL(r, 8), r.i32(24), r.i32(28));
        break;
    case EmrArc:
    case EmrChord:
    case EmrPie:
    case EmrArcTo:
        return arc(pl, r, type);
    case EmrAngleArc:
        pl.angleArc(QPointF(r.i32(8), r.i32(12)), r.u32(16), r.f32(20), r.f32(24));
        break;
    case EmrExtTextOutA:
    case EmrExtTextOutW:
        return extTextOut(pl, r, type);
    case EmrStretchDiBits:
        return stretchDiBits(pl, r);
    case EmrBitBlt:
    case EmrStretchBlt:
        return bitBlt(pl, r, type);
    default:
        return std::nullopt;
    }
    return !r.bad();
}

} // namespace Metafile::Emf
