// The players of Windows metafile records by family: state, drawing and objects. Objects take the
// lowest free slot of the object table, as a 16-bit metafile assigns them.
#include "WmfRecords.h"

namespace Metafile::Wmf {

namespace {

constexpr int P = 6; // parameters start after the size and the function number

// The rectangle of a 16-bit record, stored bottom, right, top, left from `off`.
QRectF rect(Record& r, qint64 off)
{
    return QRectF(QPointF(r.i16(off + 6), r.i16(off + 4)), QPointF(r.i16(off + 2), r.i16(off)));
}

// The window: its origin, its extent, moving the origin, scaling the extent.
std::optional<bool> playWindow(Player& pl, Record& r, quint16 fn)
{
    DcState& s = pl.s;
    switch (fn) {
    case MetaSetWindowOrg:
        s.windowOrg = QPointF(r.i16(P + 2), r.i16(P));
        break;
    case MetaSetWindowExt:
        s.windowExt = QSizeF(r.i16(P + 2), r.i16(P));
        break;
    case MetaOffsetWindowOrg:
        s.windowOrg += QPointF(r.i16(P + 2), r.i16(P));
        break;
    case MetaScaleWindowExt: { // scale the window extent
        const int yd = r.i16(P), yn = r.i16(P + 2), xd = r.i16(P + 4), xn = r.i16(P + 6);
        if (r.bad() || xd == 0 || yd == 0) return !r.bad();
        s.windowExt = QSizeF(s.windowExt.width() * xn / xd, s.windowExt.height() * yn / yd);
        break;
    }
    default:
        return std::nullopt;
    }
    pl.updateTransform();
    return !r.bad();
}

// Poly-polygon: the point counts of the polygons, then all their points.
bool polyPolygon(Player& pl, Record& r)
{
    const int polys = r.u16(P);
    if (r.bad() || !r.has(P + 2, qint64(polys) * 2)) return false;
    qint64 at = P + 2 + qint64(polys) * 2;
    QVector<QPolygonF> list;
    for (int i = 0; i < polys; ++i) {
        const int n = r.u16(P + 2 + 2 * i);
        QPolygonF pts = points(r, at, n, false);
        if (r.bad()) return false;
        if (!pl.spend(n + 1)) return true;
        list.append(std::move(pts));
        at += qint64(n) * 4;
    }
    pl.polyPolygon(list, true);
    return !r.bad();
}

// Text out: count, string, y, x.
bool textOut(Player& pl, Record& r)
{
    const int count = r.i16(P);
    const uchar* p = r.ptr(P + 2, count);
    const qint64 after = P + 2 + ((qint64(count) + 1) & ~1);
    const QPointF ref(r.i16(after + 2), r.i16(after));
    if (r.bad() || count < 0) return false;
    pl.text(ref, text8(p, count, pl.s.font.charset));
    return !r.bad();
}

// Extended text out: y, x, count, options, an optional rectangle, the string.
bool extTextOut(Player& pl, Record& r)
{
    const QPointF ref(r.i16(P + 2), r.i16(P));
    const int count = r.i16(P + 4);
    const quint16 options = r.u16(P + 6);
    const qint64 at = P + 8 + ((options & 0x6) ? 8 : 0);
    const uchar* p = r.ptr(at, count);
    if (r.bad() || count < 0) return false;
    pl.text(ref, text8(p, count, pl.s.font.charset));
    return !r.bad();
}

// A stretched device-independent bitmap: raster operation (32 bits), colour usage, the source box
// (height, width, y, x), the destination box (height, width, y, x), then the bitmap.
bool stretchDib(Player& pl, Record& r)
{
    const int srcH = r.i16(P + 6), srcW = r.i16(P + 8), srcY = r.i16(P + 10), srcX = r.i16(P + 12);
    const int dh = r.i16(P + 14), dw = r.i16(P + 16), dy = r.i16(P + 18), dx = r.i16(P + 20);
    if (r.bad()) return false;
    // The bitmap follows as an info header, colour table and bits; hand them over as one.
    constexpr int Dib = P + 22;
    const quint32 infoSize = r.u32(Dib);
    if (r.bad() || infoSize < 12 || qint64(infoSize) > r.size() - Dib) return false;
    const qint64 rest = r.size() - Dib;
    const quint32 bitCount = infoSize >= 40 ? r.u16(Dib + 14) : r.u16(Dib + 10);
    quint32 colours = infoSize >= 40 ? r.u32(Dib + 32) : 0;
    if (colours == 0 && bitCount <= 8) colours = 1u << bitCount;
    const bool masks = infoSize == 40 && r.u32(Dib + 16) == 3; // three bit-field masks follow
    const qint64 bmiSize = qint64(infoSize) + qint64(colours) * (infoSize >= 40 ? 4 : 3) + (masks ? 12 : 0);
    if (r.bad() || bmiSize > rest) return false;
    bool bottomUp = false;
    QImage img = dibImage(r, Dib, quint32(bmiSize), quint32(Dib + bmiSize), quint32(rest - bmiSize), &bottomUp);
    if (r.bad()) return false;
    img = sourcePart(img, bottomUp, srcX, srcY, srcW, srcH);
    pl.drawImage(QRectF(dx, dy, dw, dh), img);
    return !r.bad();
}

GdiObject pen(Record& r)
{
    GdiObject o;
    o.kind = GdiObject::Pen;
    const quint16 style = r.u16(P);
    o.pen.style = style & 0xf;
    o.pen.null = o.pen.style == 5;
    o.pen.width = r.i16(P + 2);
    o.pen.cosmetic = o.pen.width <= 0;
    o.pen.color = colorRef(r.u32(P + 6));
    o.pen.cap = style & 0xf00;
    o.pen.join = style & 0xf000;
    return o;
}

GdiObject brush(Record& r)
{
    GdiObject o;
    o.kind = GdiObject::Brush;
    const quint16 style = r.u16(P);
    o.brush.null = style == 1;
    o.brush.color = colorRef(r.u32(P + 2));
    if (style == 2) o.brush.hatch = qMin<int>(r.u16(P + 6), 6);
    return o;
}

GdiObject font(Record& r)
{
    GdiObject o;
    o.kind = GdiObject::Font;
    o.font.height = r.i16(P);
    o.font.escapement = r.i16(P + 4);
    o.font.weight = r.i16(P + 8);
    o.font.italic = r.u8(P + 10);
    o.font.underline = r.u8(P + 11);
    o.font.strikeOut = r.u8(P + 12);
    o.font.charset = r.u8(P + 13);
    QByteArray face;
    for (int i = 0; i < 32 && r.size() > P + 18 + i; ++i) {
        const char c = char(r.u8(P + 18 + i));
        if (!c) break;
        face.append(c);
    }
    o.font.face = QString::fromLatin1(face);
    return o;
}

// Palettes, pattern brushes (drawn as a mid grey) and regions, which only hold their slot.
GdiObject placeholder(quint16 fn)
{
    GdiObject o;
    o.kind = fn == MetaCreatePatternBrush || fn == MetaDibCreatePatternBrush ? GdiObject::Brush
                                                                             : GdiObject::Other;
    o.brush.color = QColor(128, 128, 128);
    return o;
}

} // namespace

std::optional<bool> playState(Player& pl, Record& r, quint16 fn)
{
    if (const std::optional<bool> windowed = playWindow(pl, r, fn)) return windowed;
    DcState& s = pl.s;
    switch (fn) {
    case MetaSaveDc:
        pl.saveDc();
        break;
    case MetaRestoreDc:
        pl.restoreDc(r.i16(P));
        break;
    case MetaSetBkMode:
        s.bkMode = r.u16(P);
        break;
    case MetaSetMapMode:
        s.mapMode = r.u16(P);
        break;
    case MetaSetPolyFillMode:
        s.fillRule = r.u16(P) == 2 ? Qt::WindingFill : Qt::OddEvenFill;
        break;
    case MetaSetTextAlign:
        s.textAlign = r.u16(P);
        break;
    case MetaSetBkColor:
        s.bkColor = colorRef(r.u32(P));
        break;
    case MetaSetTextColor:
        s.textColor = colorRef(r.u32(P));
        break;
    default:
        return std::nullopt;
    }
    return !r.bad();
}

std::optional<bool> playDrawing(Player& pl, Record& r, quint16 fn)
{
    switch (fn) {
    case MetaMoveTo:
        pl.moveTo(QPointF(r.i16(P + 2), r.i16(P)));
        break;
    case MetaLineTo:
        pl.lineTo(QPointF(r.i16(P + 2), r.i16(P)));
        break;
    case MetaPolygon:
    case MetaPolyline: {
        const int count = r.i16(P);
        const QPolygonF pts = points(r, P + 2, count, false);
        if (r.bad() || count < 0 || !pl.spend(count)) return !r.bad() && count >= 0;
        pl.poly(pts, fn == MetaPolygon, false);
        break;
    }
    case MetaPolyPolygon:
        return polyPolygon(pl, r);
    case MetaRectangle:
        pl.rectangle(rect(r, P));
        break;
    case MetaRoundRect:
        pl.rectangle(rect(r, P + 4), r.i16(P + 2), r.i16(P));
        break;
    case MetaEllipse:
        pl.ellipse(rect(r, P));
        break;
    case MetaArc:
    case MetaChord:
    case MetaPie: { // arc, chord, pie: end, start, box
        const QPointF end(r.i16(P + 2), r.i16(P)), start(r.i16(P + 6), r.i16(P + 4));
        const QRectF box = rect(r, P + 8);
        if (r.bad()) return false;
        pl.arc(box, start, end, fn == MetaArc ? 0 : fn == MetaChord ? 1 : 2);
        break;
    }
    case MetaExcludeClipRect:
    case MetaIntersectClipRect:
        pl.clipRect(rect(r, P), fn == MetaExcludeClipRect);
        break;
    case MetaTextOut:
        return textOut(pl, r);
    case MetaExtTextOut:
        return extTextOut(pl, r);
    case MetaPatBlt: // raster operation, height, width, y, x
        pl.patBlt(QRectF(r.i16(P + 10), r.i16(P + 8), r.i16(P + 6), r.i16(P + 4)), r.u32(P));
        break;
    case MetaStretchDib:
        return stretchDib(pl, r);
    default:
        return std::nullopt;
    }
    return !r.bad();
}

std::optional<bool> playObject(Player& pl, Record& r, quint16 fn)
{
    switch (fn) {
    case MetaCreatePenIndirect:
        pl.addObject(pen(r));
        break;
    case MetaCreateBrushIndirect:
        pl.addObject(brush(r));
        break;
    case MetaCreateFontIndirect:
        pl.addObject(font(r));
        break;
    case MetaCreatePalette:
    case MetaCreatePatternBrush:
    case MetaDibCreatePatternBrush:
    case MetaCreateRegion:
        pl.addObject(placeholder(fn));
        break;
    case MetaSelectObject:
        pl.selectObject(r.u16(P));
        break;
    case MetaDeleteObject:
        pl.deleteObject(r.u16(P));
        break;
    default:
        return std::nullopt;
    }
    return !r.bad();
}

} // namespace Metafile::Wmf
