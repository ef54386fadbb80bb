// A metafile player: the GDI state machine of enhanced and placeable Windows metafiles drawn
// with QPainter. Every record is read through bounds-checked accessors.
#include "Metafile.h"

#include "Picture.h"

#include <QBuffer>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QImageReader>
#include <QPainter>
#include <QPainterPath>
#include <QStringDecoder>
#include <QtEndian>

#include <algorithm>
#include <cmath>
#include <cstring>

namespace Metafile {

namespace {

constexpr quint32 EmfSignature = 0x464D4520; // " EMF"
constexpr quint32 PlaceableKey = 0x9AC6CDD7;
constexpr int PlaceableHeaderSize = 22;
constexpr int WmfHeaderSize = 18;

// Limits that keep a hostile file from keeping the player busy or its tables large.
constexpr int MaxRecords = 1000000;
constexpr int MaxDrawOps = 200000;
constexpr qint64 MaxPointsTotal = 20 * 1000 * 1000;
constexpr int MaxObjects = 65536;
constexpr int MaxSavedStates = 1024;
// Painting cost: the image area that all drawing operations together may cover, so that many
// small records filling a large picture over and over cannot keep the player busy for minutes.
constexpr double MaxPaintedPixels = 1.5e9;

// Enhanced metafile record types.
enum EmfRecord : quint32
{
    EmrHeader = 1,
    EmrPolyBezier = 2,
    EmrPolygon = 3,
    EmrPolyline = 4,
    EmrPolyBezierTo = 5,
    EmrPolylineTo = 6,
    EmrPolyPolyline = 7,
    EmrPolyPolygon = 8,
    EmrSetWindowExtEx = 9,
    EmrSetWindowOrgEx = 10,
    EmrSetViewportExtEx = 11,
    EmrSetViewportOrgEx = 12,
    EmrEof = 14,
    EmrSetMapMode = 17,
    EmrSetBkMode = 18,
    EmrSetPolyFillMode = 19,
    EmrSetTextAlign = 22,
    EmrSetTextColor = 24,
    EmrSetBkColor = 25,
    EmrMoveToEx = 27,
    EmrExcludeClipRect = 29,
    EmrIntersectClipRect = 30,
    EmrScaleViewportExtEx = 31,
    EmrScaleWindowExtEx = 32,
    EmrSaveDc = 33,
    EmrRestoreDc = 34,
    EmrSetWorldTransform = 35,
    EmrModifyWorldTransform = 36,
    EmrSelectObject = 37,
    EmrCreatePen = 38,
    EmrCreateBrushIndirect = 39,
    EmrDeleteObject = 40,
    EmrAngleArc = 41,
    EmrEllipse = 42,
    EmrRectangle = 43,
    EmrRoundRect = 44,
    EmrArc = 45,
    EmrChord = 46,
    EmrPie = 47,
    EmrCreatePalette = 49,
    EmrLineTo = 54,
    EmrArcTo = 55,
    EmrPolyDraw = 56,
    EmrSetMiterLimit = 58,
    EmrBeginPath = 59,
    EmrEndPath = 60,
    EmrCloseFigure = 61,
    EmrFillPath = 62,
    EmrStrokeAndFillPath = 63,
    EmrStrokePath = 64,
    EmrSelectClipPath = 67,
    EmrAbortPath = 68,
    EmrExtSelectClipRgn = 75,
    EmrBitBlt = 76,
    EmrStretchBlt = 77,
    EmrStretchDiBits = 81,
    EmrExtCreateFontIndirectW = 82,
    EmrExtTextOutA = 83,
    EmrExtTextOutW = 84,
    EmrPolyBezier16 = 85,
    EmrPolygon16 = 86,
    EmrPolyline16 = 87,
    EmrPolyBezierTo16 = 88,
    EmrPolylineTo16 = 89,
    EmrPolyPolyline16 = 90,
    EmrPolyPolygon16 = 91,
    EmrPolyDraw16 = 92,
    EmrCreateMonoBrush = 93,
    EmrCreateDibPatternBrushPt = 94,
    EmrExtCreatePen = 95,
};

// Windows metafile functions.
enum WmfFunction : quint16
{
    MetaEof = 0x0000,
    MetaSaveDc = 0x001E,
    MetaCreatePalette = 0x00F7,
    MetaSetBkMode = 0x0102,
    MetaSetMapMode = 0x0103,
    MetaSetPolyFillMode = 0x0106,
    MetaRestoreDc = 0x0127,
    MetaSelectObject = 0x012D,
    MetaSetTextAlign = 0x012E,
    MetaDibCreatePatternBrush = 0x0142,
    MetaDeleteObject = 0x01F0,
    MetaCreatePatternBrush = 0x01F9,
    MetaSetBkColor = 0x0201,
    MetaSetTextColor = 0x0209,
    MetaSetWindowOrg = 0x020B,
    MetaSetWindowExt = 0x020C,
    MetaOffsetWindowOrg = 0x020F,
    MetaLineTo = 0x0213,
    MetaMoveTo = 0x0214,
    MetaCreatePenIndirect = 0x02FA,
    MetaCreateFontIndirect = 0x02FB,
    MetaCreateBrushIndirect = 0x02FC,
    MetaPolygon = 0x0324,
    MetaPolyline = 0x0325,
    MetaScaleWindowExt = 0x0410,
    MetaExcludeClipRect = 0x0415,
    MetaIntersectClipRect = 0x0416,
    MetaEllipse = 0x0418,
    MetaRectangle = 0x041B,
    MetaTextOut = 0x0521,
    MetaPolyPolygon = 0x0538,
    MetaRoundRect = 0x061C,
    MetaCreateRegion = 0x06FF,
    MetaArc = 0x0817,
    MetaPie = 0x081A,
    MetaChord = 0x0830,
    MetaExtTextOut = 0x0A32,
    MetaPatBlt = 0x061D,
    MetaStretchDib = 0x0F43,
};

// A bounds-checked view of one record; a read outside it marks the record bad and gives 0.
class Rec
{
public:
    Rec(const uchar* data, qsizetype size) : m_p(data), m_n(size) {}

    qsizetype size() const { return m_n; }
    bool bad() const { return m_bad; }
    void fail() { m_bad = true; }

    bool has(qint64 offset, qint64 length)
    {
        if (offset < 0 || length < 0 || offset + length > m_n) {
            m_bad = true;
            return false;
        }
        return true;
    }
    quint8 u8(qint64 off) { return has(off, 1) ? m_p[off] : 0; }
    quint16 u16(qint64 off) { return has(off, 2) ? qFromLittleEndian<quint16>(m_p + off) : 0; }
    qint16 i16(qint64 off) { return has(off, 2) ? qFromLittleEndian<qint16>(m_p + off) : 0; }
    quint32 u32(qint64 off) { return has(off, 4) ? qFromLittleEndian<quint32>(m_p + off) : 0; }
    qint32 i32(qint64 off) { return has(off, 4) ? qFromLittleEndian<qint32>(m_p + off) : 0; }
    float f32(qint64 off)
    {
        const quint32 bits = u32(off);
        float f;
        std::memcpy(&f, &bits, 4);
        return f;
    }
    const uchar* ptr(qint64 off, qint64 length) { return has(off, length) ? m_p + off : nullptr; }

private:
    const uchar* m_p;
    qsizetype m_n;
    bool m_bad = false;
};

QColor colorRef(quint32 c)
{
    return QColor(int(c & 0xff), int((c >> 8) & 0xff), int((c >> 16) & 0xff));
}

bool finite(const QTransform& t)
{
    for (qreal v : {t.m11(), t.m12(), t.m13(), t.m21(), t.m22(), t.m23(), t.m31(), t.m32(), t.m33()})
        if (!std::isfinite(v)) return false;
    return true;
}

struct PenSpec
{
    bool null = false;
    bool cosmetic = true;
    double width = 0; // logical units, for geometric pens
    QColor color = Qt::black;
    int style = 0; // the low four bits of the GDI pen style
    int cap = 0;
    int join = 0;
    QVector<qreal> dashes; // logical units, for user styles
};

struct BrushSpec
{
    bool null = false;
    QColor color = Qt::white;
    int hatch = -1; // a GDI hatch style, or -1 for a solid brush
};

struct FontSpec
{
    double height = -12;
    int escapement = 0;
    int weight = 400;
    bool italic = false, underline = false, strikeOut = false;
    int charset = 0;
    QString face;
};

struct GdiObject
{
    enum Kind
    {
        Empty,
        Pen,
        Brush,
        Font,
        Other
    } kind = Empty;
    PenSpec pen;
    BrushSpec brush;
    FontSpec font;
};

struct DcState
{
    PenSpec pen;
    BrushSpec brush;
    FontSpec font;
    QColor textColor = Qt::black;
    QColor bkColor = Qt::white;
    int bkMode = 2; // opaque
    int textAlign = 0;
    Qt::FillRule fillRule = Qt::OddEvenFill;
    int mapMode = 1;
    QPointF windowOrg, viewportOrg;
    QSizeF windowExt{1, 1}, viewportExt{1, 1};
    QTransform world;
    QPointF pos;
    double miterLimit = 10;
    bool clipped = false;
    QPainterPath clip; // image coordinates
};

// GDI's stock objects, selected by index with the top bit set.
bool stockObject(quint32 index, GdiObject& out)
{
    out = GdiObject();
    switch (index & 0x7fffffff) {
    case 0:
    case 1:
    case 2:
    case 3:
    case 4:
    case 18: {
        static const QColor shades[] = {Qt::white, QColor(192, 192, 192), QColor(128, 128, 128),
                                        QColor(64, 64, 64), Qt::black};
        out.kind = GdiObject::Brush;
        const quint32 i = index & 0x7fffffff;
        out.brush.color = i == 18 ? QColor(Qt::white) : shades[i];
        return true;
    }
    case 5:
        out.kind = GdiObject::Brush;
        out.brush.null = true;
        return true;
    case 6:
    case 7:
    case 19:
        out.kind = GdiObject::Pen;
        out.pen.color = (index & 0x7fffffff) == 6 ? QColor(Qt::white) : QColor(Qt::black);
        return true;
    case 8:
        out.kind = GdiObject::Pen;
        out.pen.null = true;
        return true;
    case 10:
    case 11:
    case 12:
    case 13:
    case 14:
    case 16:
    case 17:
        out.kind = GdiObject::Font;
        if ((index & 0x7fffffff) == 10 || (index & 0x7fffffff) == 11 || (index & 0x7fffffff) == 16)
            out.font.face = QStringLiteral("Monospace");
        return true;
    default:
        return false;
    }
}

// The state machine shared by both formats; the formats differ only in how they read their
// records and in how logical coordinates reach the image.
class Player
{
public:
    Player(QImage& image, bool enhanced) : m_image(image), m_enhanced(enhanced)
    {
        m_painter.begin(&m_image);
        m_painter.setRenderHint(QPainter::Antialiasing);
        m_painter.setRenderHint(QPainter::TextAntialiasing);
        m_painter.setRenderHint(QPainter::SmoothPixmapTransform);
    }
    ~Player() { m_painter.end(); }

    // ---- coordinate spaces ----
    void setDeviceToImage(const QTransform& t) { m_deviceToImage = t; }
    void setPixelsPerMm(QSizeF pxPerMm) { m_pxPerMm = pxPerMm; }
    void setDefaultWindow(QRectF bbox)
    {
        s.windowOrg = bbox.topLeft();
        s.windowExt = bbox.size();
    }

    void updateTransform()
    {
        QTransform t;
        if (m_enhanced) {
            double sx = 1, sy = 1;
            switch (s.mapMode) {
            case 2:
                sx = 0.1;
                sy = 0.1;
                break; // 0.1 mm
            case 3:
                sx = 0.01;
                sy = 0.01;
                break; // 0.01 mm
            case 4:
                sx = 0.254;
                sy = 0.254;
                break; // 0.01 inch
            case 5:
                sx = 0.0254;
                sy = 0.0254;
                break; // 0.001 inch
            case 6:
                sx = 25.4 / 1440;
                sy = 25.4 / 1440;
                break; // twips
            default:
                break;
            }
            if (s.mapMode >= 2 && s.mapMode <= 6) {
                sx *= m_pxPerMm.width();
                sy *= -m_pxPerMm.height(); // the metric modes count upwards
            } else if (s.mapMode == 7 || s.mapMode == 8) {
                if (s.windowExt.width() != 0 && s.windowExt.height() != 0) {
                    sx = s.viewportExt.width() / s.windowExt.width();
                    sy = s.viewportExt.height() / s.windowExt.height();
                }
                if (s.mapMode == 7) {
                    const double m = qMin(std::abs(sx), std::abs(sy));
                    sx = std::copysign(m, sx);
                    sy = std::copysign(m, sy);
                }
            }
            t = s.world * QTransform::fromTranslate(-s.windowOrg.x(), -s.windowOrg.y()) *
                QTransform::fromScale(sx, sy) *
                QTransform::fromTranslate(s.viewportOrg.x(), s.viewportOrg.y()) * m_deviceToImage;
        } else {
            const double w = s.windowExt.width(), h = s.windowExt.height();
            if (w == 0 || h == 0) return; // keep the previous mapping rather than divide by zero
            t = QTransform::fromTranslate(-s.windowOrg.x(), -s.windowOrg.y()) *
                QTransform::fromScale(m_image.width() / w, m_image.height() / h);
        }
        m_toImageValid = finite(t);
        if (m_toImageValid) m_toImage = t;
    }

    // ---- objects ----
    void setObjectTableSize(int n) { m_objects.resize(qBound(1, n, MaxObjects)); }

    void storeObject(quint32 index, const GdiObject& obj)
    {
        if (index < quint32(m_objects.size())) m_objects[int(index)] = obj;
    }

    // The lowest free slot, as a 16-bit metafile assigns them; the table grows when it is full.
    void addObject(const GdiObject& obj)
    {
        for (int i = 0; i < m_objects.size(); ++i)
            if (m_objects[i].kind == GdiObject::Empty) {
                m_objects[i] = obj;
                return;
            }
        if (m_objects.size() < MaxObjects) m_objects.append(obj);
    }

    void selectObject(quint32 index)
    {
        GdiObject obj;
        if (index & 0x80000000) {
            if (!stockObject(index, obj)) return;
        } else if (index < quint32(m_objects.size())) {
            obj = m_objects[int(index)];
        } else {
            return;
        }
        switch (obj.kind) {
        case GdiObject::Pen:
            s.pen = obj.pen;
            break;
        case GdiObject::Brush:
            s.brush = obj.brush;
            break;
        case GdiObject::Font:
            s.font = obj.font;
            break;
        default:
            break;
        }
    }

    void deleteObject(quint32 index)
    {
        if (index < quint32(m_objects.size())) m_objects[int(index)] = GdiObject();
    }

    // ---- state ----
    void saveDc()
    {
        if (m_saved.size() < MaxSavedStates) m_saved.append(s);
    }

    void restoreDc(int n)
    {
        int level = n < 0 ? int(m_saved.size()) + n : n - 1; // the index of the state to restore
        if (level < 0 || level >= m_saved.size()) return;
        s = m_saved[level];
        m_saved.resize(level);
        updateTransform();
        applyClip();
    }

    // ---- clipping ----
    void applyClip()
    {
        m_painter.setTransform(QTransform());
        if (s.clipped)
            m_painter.setClipPath(s.clip);
        else
            m_painter.setClipping(false);
    }

    // Combines an image-space region with the clip: 1 and, 2 or, 3 xor, 4 difference, 5 copy.
    void combineClip(const QPainterPath& region, int mode)
    {
        QPainterPath all;
        all.addRect(QRectF(m_image.rect()));
        const QPainterPath current = s.clipped ? s.clip : all;
        switch (mode) {
        case 1:
            s.clip = current.intersected(region);
            break;
        case 2:
            s.clip = current.united(region);
            break;
        case 3:
            s.clip = current.united(region).subtracted(current.intersected(region));
            break;
        case 4:
            s.clip = current.subtracted(region);
            break;
        case 5:
            s.clip = region;
            break;
        default:
            return;
        }
        s.clipped = true;
        applyClip();
    }

    void clipRect(QRectF logical, bool exclude)
    {
        if (!m_toImageValid) return;
        QPainterPath p;
        p.addPolygon(m_toImage.map(QPolygonF(logical.normalized())));
        p.closeSubpath();
        combineClip(p, exclude ? 4 : 1);
    }

    void resetClip()
    {
        s.clipped = false;
        s.clip = QPainterPath();
        applyClip();
    }

    void clipDeviceRects(const QVector<QRectF>& rects, int mode)
    {
        QPainterPath region;
        for (const QRectF& r : rects)
            region.addPolygon(m_deviceToImage.map(QPolygonF(r)));
        region.setFillRule(Qt::WindingFill);
        combineClip(region.simplified(), mode);
    }

    // ---- paths ----
    void beginPath()
    {
        m_path = QPainterPath();
        m_inPath = true;
        m_pathNeedsMove = true;
    }
    void endPath() { m_inPath = false; }
    void abortPath()
    {
        m_path = QPainterPath();
        m_inPath = false;
    }
    void closeFigure()
    {
        if (m_inPath && m_path.elementCount() > 0) {
            m_path.closeSubpath();
            m_pathNeedsMove = true;
        }
    }
    void pathOut(bool fill, bool stroke)
    {
        m_path.setFillRule(s.fillRule);
        draw(m_path, fill, stroke);
        m_path = QPainterPath();
        m_inPath = false;
    }
    void selectClipPath(int mode)
    {
        if (m_toImageValid) {
            QPainterPath p = m_toImage.map(m_path);
            p.setFillRule(s.fillRule);
            combineClip(p, mode);
        }
        m_path = QPainterPath();
        m_inPath = false;
    }

    // ---- drawing ----
    bool stopped() const { return m_stopped; }

    // Counts points against the total budget; false once the metafile has asked for too many.
    bool spend(qint64 points)
    {
        m_points += points;
        if (m_points > MaxPointsTotal) m_stopped = true;
        return !m_stopped;
    }

    void moveTo(QPointF p)
    {
        s.pos = p;
        if (m_inPath) {
            m_path.moveTo(p);
            m_pathNeedsMove = false;
        }
    }

    void lineTo(QPointF p)
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

    // Polyline and polygon: `to` continues from the current position and moves it.
    void poly(const QPolygonF& pts, bool closed, bool to)
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

    void polyPolygon(const QVector<QPolygonF>& polys, bool closed)
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

    void bezier(const QPolygonF& pts, bool to)
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

    // Points with GDI's point types (move 6, line 2, bezier 4, with 1 closing the figure).
    void polyDraw(const QPolygonF& pts, const uchar* types)
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

    void rectangle(QRectF r, double cornerW = 0, double cornerH = 0)
    {
        QPainterPath path;
        if (cornerW > 0 || cornerH > 0)
            path.addRoundedRect(r.normalized(), std::abs(cornerW) / 2, std::abs(cornerH) / 2);
        else
            path.addRect(r.normalized());
        emitShape(path, true, false);
    }

    void ellipse(QRectF r)
    {
        QPainterPath path;
        path.addEllipse(r.normalized());
        emitShape(path, true, false);
    }

    // Arc (0), chord (1), pie (2) and arc-to (3) from the box and the two radial points.
    void arc(QRectF box, QPointF start, QPointF end, int kind)
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

    void angleArc(QPointF c, double r, double startDeg, double sweepDeg)
    {
        if (!std::isfinite(startDeg) || !std::isfinite(sweepDeg) || r <= 0) return;
        const QRectF box(c.x() - r, c.y() - r, 2 * r, 2 * r);
        QPainterPath path(s.pos);
        path.arcTo(box, startDeg, qBound(-3600.0, sweepDeg, 3600.0));
        s.pos = path.currentPosition();
        emitShape(path, false, true);
    }

    void text(QPointF ref, const QString& str)
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

    // A rectangle filled by a raster operation: black, white, or (for the rest) the brush.
    void patBlt(QRectF r, quint32 rop)
    {
        const BrushSpec brush = s.brush;
        if (rop == 0x00000042 || rop == 0x00FF0062)
            s.brush = BrushSpec{false, rop == 0x42 ? Qt::black : Qt::white, -1};
        QPainterPath path;
        path.addRect(r.normalized());
        draw(path, true, false);
        s.brush = brush;
    }

    void drawImage(QRectF dest, const QImage& img)
    {
        if (img.isNull() || !m_toImageValid || !countDraw(m_toImage.mapRect(dest))) return;
        m_painter.setTransform(m_toImage);
        m_painter.drawImage(dest.normalized(), img);
    }

    DcState s;

private:
    // Counts one drawing operation covering `imageArea` (image coordinates) against the budgets.
    bool countDraw(const QRectF& imageArea = QRectF())
    {
        const QRectF covered = imageArea.intersected(QRectF(m_image.rect()));
        m_painted += covered.width() * covered.height() + 1;
        if (++m_drawOps > MaxDrawOps || m_painted > MaxPaintedPixels) m_stopped = true;
        return !m_stopped;
    }

    void startFigure()
    {
        if (m_pathNeedsMove) {
            m_path.moveTo(s.pos);
            m_pathNeedsMove = false;
        }
    }

    // Inside a path bracket a shape is added to the path; otherwise it is drawn.
    void emitShape(const QPainterPath& shape, bool fill, bool continuesFigure)
    {
        if (m_inPath) {
            if (continuesFigure) {
                startFigure();
                // Skip the shape's own leading move to the current position.
                for (int i = 1; i < shape.elementCount(); ++i) {
                    const QPainterPath::Element e = shape.elementAt(i);
                    if (e.type == QPainterPath::CurveToElement && i + 2 < shape.elementCount()) {
                        m_path.cubicTo(e, shape.elementAt(i + 1), shape.elementAt(i + 2));
                        i += 2;
                    } else if (e.type == QPainterPath::MoveToElement) {
                        m_path.moveTo(e);
                    } else {
                        m_path.lineTo(e);
                    }
                }
            } else {
                m_path.addPath(shape);
                m_pathNeedsMove = true;
            }
            return;
        }
        QPainterPath path = shape;
        path.setFillRule(s.fillRule);
        draw(path, fill, true);
    }

    QPen makePen() const
    {
        const PenSpec& p = s.pen;
        if (p.null || p.style == 5) return Qt::NoPen;
        QPen pen(p.color);
        const bool cosmetic = p.cosmetic || p.width <= 0;
        // A pen wider than the picture's diagonal covers it anyway; wider ones only make the
        // stroker slow (and Qt refuses widths from 32768 on).
        const double scale = std::sqrt(std::abs(m_toImage.determinant()));
        const double widest = 2.0 * std::hypot(m_image.width(), m_image.height()) / qMax(scale, 1e-9);
        const double width = std::min({p.width, widest, 32000.0});
        if (cosmetic) {
            pen.setCosmetic(true);
            pen.setWidthF(1);
        } else {
            pen.setWidthF(width);
        }
        pen.setCapStyle(p.cap == 0x100 ? Qt::SquareCap : p.cap == 0x200 ? Qt::FlatCap : Qt::RoundCap);
        pen.setJoinStyle(p.join == 0x1000 ? Qt::BevelJoin : p.join == 0x2000 ? Qt::MiterJoin : Qt::RoundJoin);
        pen.setMiterLimit(qBound(1.0, s.miterLimit, 100.0) / 2);
        switch (p.style) {
        case 1:
            pen.setStyle(Qt::DashLine);
            break;
        case 2:
        case 8:
            pen.setStyle(Qt::DotLine);
            break;
        case 3:
            pen.setStyle(Qt::DashDotLine);
            break;
        case 4:
            pen.setStyle(Qt::DashDotDotLine);
            break;
        case 7: {
            QVector<qreal> pattern;
            const double unit = cosmetic ? 1.0 : width;
            for (qreal d : p.dashes)
                pattern.append(qMax(0.25, d / unit)); // no dash finer than a quarter of the pen
            if (pattern.size() % 2) pattern += pattern;
            if (!pattern.isEmpty()) pen.setDashPattern(pattern);
            break;
        }
        default:
            break;
        }
        return pen;
    }

    QBrush makeBrush() const
    {
        const BrushSpec& b = s.brush;
        if (b.null) return Qt::NoBrush;
        if (b.hatch >= 0) {
            static const Qt::BrushStyle hatches[] = {Qt::HorPattern,   Qt::VerPattern,
                                                     Qt::FDiagPattern, Qt::BDiagPattern,
                                                     Qt::CrossPattern, Qt::DiagCrossPattern};
            QBrush brush(b.color, b.hatch < 6 ? hatches[b.hatch] : Qt::SolidPattern);
            // Hatching is laid out in device pixels, whatever the mapping.
            brush.setTransform(m_toImage.inverted());
            return brush;
        }
        return QBrush(b.color);
    }

    void draw(const QPainterPath& path, bool fill, bool stroke)
    {
        if (!m_toImageValid || path.isEmpty()) return;
        const double penMargin = s.pen.cosmetic ? 1 : s.pen.width;
        const QRectF area =
            m_toImage.mapRect(path.controlPointRect().adjusted(-penMargin, -penMargin, penMargin, penMargin));
        if (!countDraw(area)) return;
        const double limit = 8.0 * qMax(m_image.width(), m_image.height());
        if (area.left() < -limit || area.top() < -limit || area.right() > limit || area.bottom() > limit) {
            drawFarReaching(path, fill, stroke);
            return;
        }
        m_painter.setTransform(m_toImage);
        if (fill && !s.brush.null) {
            if (s.brush.hatch >= 0 && s.bkMode == 2) m_painter.fillPath(path, s.bkColor);
            m_painter.fillPath(path, makeBrush());
        }
        if (stroke) {
            const QPen pen = withBoundedDashes(makePen(), m_toImage.map(path), std::sqrt(std::abs(m_toImage.determinant())));
            if (pen.style() != Qt::NoPen) m_painter.strokePath(path, pen);
        }
    }

    // A dashed pen is drawn as a separate shape per dash; a long path with fine dashes would
    // make millions of them, so past a bound the line is drawn solid instead.
    static QPen withBoundedDashes(QPen pen, const QPainterPath& imagePath, double scale)
    {
        if (pen.style() == Qt::SolidLine || pen.style() == Qt::NoPen)
            return pen;
        double period = 0;
        for (qreal d : pen.dashPattern())
            period += d;
        const double unit = pen.isCosmetic() ? 1.0 : qMax(pen.widthF() * scale, 1.0);
        period *= unit;
        constexpr double MaxDashes = 100000;
        if (!(period > 0) || imagePath.length() / period > MaxDashes)
            pen.setStyle(Qt::SolidLine);
        return pen;
    }

    // Qt's rasterizer slows to a crawl on coordinates far outside the picture, so a shape that
    // reaches that far is outlined in image coordinates and cut to a margin around the picture.
    void drawFarReaching(const QPainterPath& path, bool fill, bool stroke)
    {
        const QPainterPath mapped = m_toImage.map(path);
        QPainterPath keep;
        const double margin = 4;
        keep.addRect(QRectF(m_image.rect()).adjusted(-margin, -margin, margin, margin));
        m_painter.setTransform(QTransform());
        if (fill && !s.brush.null) {
            const QPainterPath inside = mapped.intersected(keep);
            if (s.brush.hatch >= 0 && s.bkMode == 2) m_painter.fillPath(inside, s.bkColor);
            QBrush brush = makeBrush();
            brush.setTransform(QTransform());
            m_painter.fillPath(inside, brush);
        }
        if (stroke) {
            QPen pen = withBoundedDashes(makePen(), mapped, std::sqrt(std::abs(m_toImage.determinant())));
            if (pen.style() == Qt::NoPen) return;
            QPainterPathStroker stroker(pen);
            if (!pen.isCosmetic())
                stroker.setWidth(pen.widthF() * std::sqrt(std::abs(m_toImage.determinant())));
            m_painter.fillPath(stroker.createStroke(mapped).intersected(keep), pen.color());
        }
    }

    QImage& m_image;
    bool m_enhanced;
    QPainter m_painter;
    QTransform m_deviceToImage;
    QSizeF m_pxPerMm{96 / 25.4, 96 / 25.4};
    QTransform m_toImage;
    bool m_toImageValid = true;
    QVector<GdiObject> m_objects;
    QVector<DcState> m_saved;
    QPainterPath m_path;
    bool m_inPath = false;
    bool m_pathNeedsMove = true;
    int m_drawOps = 0;
    double m_painted = 0;
    qint64 m_points = 0;
    bool m_stopped = false;
};

// A device-independent bitmap inside a record: its info header and bits, made into a bitmap
// file for the guarded bitmap decoder.
// Also tells whether its rows are stored bottom-up, as the source rectangles count from the
// bottom then.
QImage dibImage(Rec& r, quint32 offBmi, quint32 cbBmi, quint32 offBits, quint32 cbBits, bool* bottomUp)
{
    const uchar* bmi = r.ptr(offBmi, cbBmi);
    const uchar* bits = r.ptr(offBits, cbBits);
    if (!bmi || !bits || cbBmi < 12) return {};
    const quint32 infoSize = qFromLittleEndian<quint32>(bmi);
    *bottomUp = infoSize == 12 || (cbBmi >= 12 && qFromLittleEndian<qint32>(bmi + 8) > 0);
    QByteArray file;
    file.reserve(14 + qsizetype(cbBmi) + qsizetype(cbBits));
    char header[14] = {'B', 'M'};
    qToLittleEndian<quint32>(quint32(14 + cbBmi + cbBits), header + 2);
    qToLittleEndian<quint32>(quint32(14 + cbBmi), header + 10);
    file.append(header, 14);
    file.append(reinterpret_cast<const char*>(bmi), qsizetype(cbBmi));
    file.append(reinterpret_cast<const char*>(bits), qsizetype(cbBits));
    return Picture::decode(file).image;
}

// The source rectangle of a bitmap record, kept within the bitmap; the whole bitmap when the
// rectangle is empty or covers it.
QImage sourcePart(const QImage& img, bool bottomUp, qint64 x, qint64 y, qint64 w, qint64 h)
{
    if (img.isNull() || w <= 0 || h <= 0) return img;
    const qint64 iw = img.width(), ih = img.height();
    if (bottomUp) y = ih - (y + h);
    const qint64 x0 = qBound(qint64(0), x, iw), y0 = qBound(qint64(0), y, ih);
    const qint64 x1 = qBound(qint64(0), x + w, iw), y1 = qBound(qint64(0), y + h, ih);
    if (x1 <= x0 || y1 <= y0) return {};
    if (x0 == 0 && y0 == 0 && x1 == img.width() && y1 == img.height()) return img;
    return img.copy(int(x0), int(y0), int(x1 - x0), int(y1 - y0));
}

QString faceName16(Rec& r, qint64 off, int maxChars)
{
    QString face;
    for (int i = 0; i < maxChars && r.has(off + 2 * i, 2); ++i) {
        const char16_t c = r.u16(off + 2 * i);
        if (c == 0) break;
        face.append(QChar(c));
    }
    return face;
}

QString text8(const uchar* p, int n, int charset)
{
    const QByteArray bytes(reinterpret_cast<const char*>(p), n);
    if (charset == 238) { // Central European, the program's own language
        QStringDecoder decoder("windows-1250");
        if (decoder.isValid()) return decoder.decode(bytes);
    }
    return QString::fromLatin1(bytes);
}

// ---------------------------------------------------------------- enhanced metafiles

struct EmfHeader
{
    QRect bounds, frame;
    QSize device, millimeters;
    quint32 handles = 0;
};

bool readEmfHeader(const QByteArray& bytes, EmfHeader& h)
{
    if (bytes.size() < 88) return false;
    Rec r(reinterpret_cast<const uchar*>(bytes.constData()), bytes.size());
    const quint32 size = r.u32(4);
    if (r.u32(0) != 1 || size < 88 || size > quint32(bytes.size()) || r.u32(40) != EmfSignature) return false;
    h.bounds = QRect(QPoint(r.i32(8), r.i32(12)), QPoint(r.i32(16), r.i32(20)));
    h.frame = QRect(QPoint(r.i32(24), r.i32(28)), QPoint(r.i32(32), r.i32(36)));
    h.handles = r.u16(56);
    h.device = QSize(r.i32(72), r.i32(76));
    h.millimeters = QSize(r.i32(80), r.i32(84));
    return !r.bad();
}

QSizeF pixelsPerMm(const EmfHeader& h)
{
    if (h.device.width() > 0 && h.device.height() > 0 && h.millimeters.width() > 0 &&
        h.millimeters.height() > 0)
        return QSizeF(double(h.device.width()) / h.millimeters.width(),
                      double(h.device.height()) / h.millimeters.height());
    return QSizeF(96 / 25.4, 96 / 25.4);
}

// The frame in 0.01 mm; from the bounds in device pixels when the frame is empty.
QRectF emfFrame(const EmfHeader& h)
{
    const double fw = double(h.frame.right()) - h.frame.left();
    const double fh = double(h.frame.bottom()) - h.frame.top();
    if (fw > 0 && fh > 0) return QRectF(h.frame.left(), h.frame.top(), fw, fh);
    const QSizeF ppm = pixelsPerMm(h);
    const double bw = double(h.bounds.right()) - h.bounds.left();
    const double bh = double(h.bounds.bottom()) - h.bounds.top();
    return QRectF(double(h.bounds.left()) * 100 / ppm.width(), double(h.bounds.top()) * 100 / ppm.height(),
                  bw * 100 / ppm.width(), bh * 100 / ppm.height());
}

QSize emfSize(const EmfHeader& h)
{
    const QRectF frame = emfFrame(h);
    const double w = std::round(frame.width() * 96 / 2540);
    const double hh = std::round(frame.height() * 96 / 2540);
    // Compared as doubles first: converting an out-of-range double to an integer is undefined.
    if (!(w >= 1 && w <= Picture::MaxSide && hh >= 1 && hh <= Picture::MaxSide)) return {};
    if (!Picture::acceptableSize(qint64(w), qint64(hh))) return {};
    return QSize(int(w), int(hh));
}

QPolygonF points32(Rec& r, qint64 off, quint32 count)
{
    QPolygonF pts;
    if (!r.has(off, qint64(count) * 8)) return pts;
    pts.reserve(int(count));
    for (quint32 i = 0; i < count; ++i)
        pts.append(QPointF(r.i32(off + 8 * i), r.i32(off + 8 * i + 4)));
    return pts;
}

QPolygonF points16(Rec& r, qint64 off, quint32 count)
{
    QPolygonF pts;
    if (!r.has(off, qint64(count) * 4)) return pts;
    pts.reserve(int(count));
    for (quint32 i = 0; i < count; ++i)
        pts.append(QPointF(r.i16(off + 4 * i), r.i16(off + 4 * i + 2)));
    return pts;
}

QRectF rectL(Rec& r, qint64 off)
{
    return QRectF(QPointF(r.i32(off), r.i32(off + 4)), QPointF(r.i32(off + 8), r.i32(off + 12)));
}

// One record; false when the record is malformed, which makes the whole picture unreadable.
bool playEmfRecord(Player& pl, Rec& r, quint32 type)
{
    DcState& s = pl.s;
    switch (type) {
    case EmrPolyBezier:
    case EmrPolygon:
    case EmrPolyline:
    case EmrPolyBezierTo:
    case EmrPolylineTo: // poly-bezier, polygon, polyline, -to variants
    case EmrPolyBezier16:
    case EmrPolygon16:
    case EmrPolyline16:
    case EmrPolyBezierTo16:
    case EmrPolylineTo16: { // the same with 16-bit points
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
        break;
    }
    case EmrPolyPolyline:
    case EmrPolyPolygon:
    case EmrPolyPolyline16:
    case EmrPolyPolygon16: { // poly-polyline, poly-polygon
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
        break;
    }
    case EmrPolyDraw:
    case EmrPolyDraw16: { // poly-draw
        const quint32 count = r.u32(24);
        const bool small = type == EmrPolyDraw16;
        const QPolygonF pts = small ? points16(r, 28, count) : points32(r, 28, count);
        const uchar* types = r.ptr(28 + qint64(count) * (small ? 4 : 8), count);
        if (r.bad() || !pl.spend(count)) return !r.bad();
        pl.polyDraw(pts, types);
        break;
    }
    case EmrSetWindowExtEx:
        s.windowExt = QSizeF(r.i32(8), r.i32(12));
        pl.updateTransform();
        break;
    case EmrSetWindowOrgEx:
        s.windowOrg = QPointF(r.i32(8), r.i32(12));
        pl.updateTransform();
        break;
    case EmrSetViewportExtEx:
        s.viewportExt = QSizeF(r.i32(8), r.i32(12));
        pl.updateTransform();
        break;
    case EmrSetViewportOrgEx:
        s.viewportOrg = QPointF(r.i32(8), r.i32(12));
        pl.updateTransform();
        break;
    case EmrScaleViewportExtEx:
    case EmrScaleWindowExtEx: { // scale the viewport or window extent
        const qint32 xn = r.i32(8), xd = r.i32(12), yn = r.i32(16), yd = r.i32(20);
        if (r.bad() || xd == 0 || yd == 0) break;
        QSizeF& ext = type == EmrScaleViewportExtEx ? s.viewportExt : s.windowExt;
        ext = QSizeF(ext.width() * xn / xd, ext.height() * yn / yd);
        pl.updateTransform();
        break;
    }
    case EmrSetMapMode:
        s.mapMode = int(r.u32(8));
        pl.updateTransform();
        break;
    case EmrSetBkMode:
        s.bkMode = int(r.u32(8));
        break;
    case EmrSetPolyFillMode:
        s.fillRule = r.u32(8) == 2 ? Qt::WindingFill : Qt::OddEvenFill;
        break;
    case EmrSetTextAlign:
        s.textAlign = int(r.u32(8));
        break;
    case EmrSetTextColor:
        s.textColor = colorRef(r.u32(8));
        break;
    case EmrSetBkColor:
        s.bkColor = colorRef(r.u32(8));
        break;
    case EmrMoveToEx:
        pl.moveTo(QPointF(r.i32(8), r.i32(12)));
        break;
    case EmrLineTo:
        pl.lineTo(QPointF(r.i32(8), r.i32(12)));
        break;
    case EmrExcludeClipRect:
    case EmrIntersectClipRect:
        pl.clipRect(rectL(r, 8), type == EmrExcludeClipRect);
        break;
    case EmrSaveDc:
        pl.saveDc();
        break;
    case EmrRestoreDc:
        pl.restoreDc(r.i32(8));
        break;
    case EmrSetWorldTransform:
    case EmrModifyWorldTransform: { // set or modify the world transform
        const QTransform x(r.f32(8), r.f32(12), r.f32(16), r.f32(20), r.f32(24), r.f32(28));
        const quint32 mode = type == EmrSetWorldTransform ? 4 : r.u32(32);
        if (r.bad() || !finite(x)) break;
        switch (mode) {
        case 1: // identity
            s.world = QTransform();
            break;
        case 2: // the new transform applies first
            s.world = x * s.world;
            break;
        case 3: // the new transform applies last
            s.world = s.world * x;
            break;
        case 4: // set
            s.world = x;
            break;
        default:
            break;
        }
        pl.updateTransform();
        break;
    }
    case EmrSelectObject:
        pl.selectObject(r.u32(8));
        break;
    case EmrDeleteObject:
        pl.deleteObject(r.u32(8));
        break;
    case EmrCreatePen: { // pen
        GdiObject o;
        o.kind = GdiObject::Pen;
        const quint32 style = r.u32(12);
        o.pen.style = int(style & 0xf);
        o.pen.null = o.pen.style == 5;
        o.pen.width = r.i32(16);
        o.pen.cosmetic = o.pen.width <= 0;
        o.pen.color = colorRef(r.u32(24));
        o.pen.cap = int(style & 0xf00);
        o.pen.join = int(style & 0xf000);
        pl.storeObject(r.u32(8), o);
        break;
    }
    case EmrExtCreatePen: { // extended pen
        GdiObject o;
        o.kind = GdiObject::Pen;
        const quint32 style = r.u32(28);
        o.pen.style = int(style & 0xf);
        o.pen.width = r.u32(32);
        o.pen.cosmetic = (style & 0xf0000) == 0;
        o.pen.null = o.pen.style == 5 || r.u32(36) == 1;
        o.pen.color = colorRef(r.u32(40));
        o.pen.cap = int(style & 0xf00);
        o.pen.join = int(style & 0xf000);
        const quint32 entries = r.u32(48);
        if (r.bad()) return false;
        if (entries > 0 && o.pen.style == 7) {
            if (entries > 64 || !r.has(52, qint64(entries) * 4)) return false;
            for (quint32 i = 0; i < entries; ++i)
                o.pen.dashes.append(r.u32(52 + 4 * i));
        }
        pl.storeObject(r.u32(8), o);
        break;
    }
    case EmrCreateBrushIndirect: { // brush
        GdiObject o;
        o.kind = GdiObject::Brush;
        const quint32 style = r.u32(12);
        o.brush.null = style == 1;
        o.brush.color = colorRef(r.u32(16));
        if (style == 2) o.brush.hatch = int(qMin<quint32>(r.u32(20), 6));
        pl.storeObject(r.u32(8), o);
        break;
    }
    case EmrCreateMonoBrush:
    case EmrCreateDibPatternBrushPt: { // pattern brushes: drawn as a mid grey
        GdiObject o;
        o.kind = GdiObject::Brush;
        o.brush.color = QColor(128, 128, 128);
        pl.storeObject(r.u32(8), o);
        break;
    }
    case EmrExtCreateFontIndirectW: { // font
        GdiObject o;
        o.kind = GdiObject::Font;
        o.font.height = r.i32(12);
        o.font.escapement = r.i32(20);
        o.font.weight = r.i32(28);
        o.font.italic = r.u8(32);
        o.font.underline = r.u8(33);
        o.font.strikeOut = r.u8(34);
        o.font.charset = r.u8(35);
        o.font.face = faceName16(r, 40, 32);
        pl.storeObject(r.u32(8), o);
        break;
    }
    case EmrCreatePalette: { // palette: only holds its object slot
        GdiObject o;
        o.kind = GdiObject::Other;
        pl.storeObject(r.u32(8), o);
        break;
    }
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
    case EmrArcTo: {
        const QRectF box = rectL(r, 8);
        const QPointF a(r.i32(24), r.i32(28)), b(r.i32(32), r.i32(36));
        if (r.bad()) return false;
        pl.arc(box, a, b, type == EmrArcTo ? 3 : int(type) - EmrArc);
        break;
    }
    case EmrAngleArc:
        pl.angleArc(QPointF(r.i32(8), r.i32(12)), r.u32(16), r.f32(20), r.f32(24));
        break;
    case EmrSetMiterLimit: {
        // Written as an integer by most programs and as a float by some.
        const quint32 raw = r.u32(8);
        const float f = r.f32(8);
        s.miterLimit = raw < 1000 ? double(raw) : (std::isfinite(f) ? double(f) : 10.0);
        break;
    }
    case EmrBeginPath:
        pl.beginPath();
        break;
    case EmrEndPath:
        pl.endPath();
        break;
    case EmrCloseFigure:
        pl.closeFigure();
        break;
    case EmrFillPath:
        pl.pathOut(true, false);
        break;
    case EmrStrokeAndFillPath:
        pl.pathOut(true, true);
        break;
    case EmrStrokePath:
        pl.pathOut(false, true);
        break;
    case EmrAbortPath:
        pl.abortPath();
        break;
    case EmrSelectClipPath:
        pl.selectClipPath(int(r.u32(8)));
        break;
    case EmrExtSelectClipRgn: { // clip region in device units
        const quint32 cb = r.u32(8);
        const int mode = int(r.u32(12));
        if (r.bad()) return false;
        if (cb == 0) {
            if (mode == 5) pl.resetClip();
            break;
        }
        const quint32 count = r.u32(16 + 8);
        if (r.bad() || cb < 32 || !r.has(16, cb) || qint64(count) * 16 > qint64(cb) - 32) return false;
        QVector<QRectF> rects;
        for (quint32 i = 0; i < count; ++i)
            rects.append(rectL(r, 16 + 32 + 16 * qint64(i)));
        pl.clipDeviceRects(rects, mode);
        break;
    }
    case EmrExtTextOutA:
    case EmrExtTextOutW: { // text
        const QPointF ref(r.i32(36), r.i32(40));
        const quint32 chars = r.u32(44);
        const quint32 offString = r.u32(48);
        const bool wide = type == EmrExtTextOutW;
        if (chars == 0 || (r.u32(52) & 0x10)) // glyph indices cannot be drawn as characters
            break;
        const uchar* p = r.ptr(offString, qint64(chars) * (wide ? 2 : 1));
        if (r.bad()) return false;
        QString str;
        if (wide) {
            str.resize(int(chars));
            for (quint32 i = 0; i < chars; ++i)
                str[int(i)] = QChar(qFromLittleEndian<quint16>(p + 2 * i));
        } else {
            str = text8(p, int(chars), s.font.charset);
        }
        pl.text(ref, str);
        break;
    }
    case EmrStretchDiBits: { // stretched device-independent bitmap
        const QRectF dest(r.i32(24), r.i32(28), r.i32(72), r.i32(76));
        bool bottomUp = false;
        const QImage img = dibImage(r, r.u32(48), r.u32(52), r.u32(56), r.u32(60), &bottomUp);
        if (r.bad()) return false;
        pl.drawImage(dest, sourcePart(img, bottomUp, r.i32(32), r.i32(36), r.i32(40), r.i32(44)));
        break;
    }
    case EmrBitBlt:
    case EmrStretchBlt: { // a bitmap, or without one a fill with the brush
        const QRectF dest(r.i32(24), r.i32(28), r.i32(32), r.i32(36));
        const quint32 rop = r.u32(40);
        const quint32 cbBmi = r.u32(88);
        if (r.bad()) return false;
        if (cbBmi == 0) {
            pl.patBlt(dest, rop);
            break;
        }
        bool bottomUp = false;
        const QImage img = dibImage(r, r.u32(84), cbBmi, r.u32(92), r.u32(96), &bottomUp);
        const qint32 cxSrc = type == EmrStretchBlt ? r.i32(100) : qint32(dest.width());
        const qint32 cySrc = type == EmrStretchBlt ? r.i32(104) : qint32(dest.height());
        if (r.bad()) return false;
        pl.drawImage(dest, sourcePart(img, bottomUp, r.i32(44), r.i32(48), cxSrc, cySrc));
        break;
    }
    default:
        break; // records that do not change the drawing here
    }
    return !r.bad();
}

QImage renderEmf(const QByteArray& bytes)
{
    EmfHeader h;
    if (!readEmfHeader(bytes, h)) return {};
    const QSize size = emfSize(h);
    if (size.isEmpty()) return {};

    const auto* data = reinterpret_cast<const uchar*>(bytes.constData());
    const qsizetype n = bytes.size();
    // The record chain is checked whole before anything is drawn.
    {
        qsizetype pos = 0;
        int records = 0;
        bool ended = false;
        while (!ended && pos + 8 <= n) {
            const quint32 type = qFromLittleEndian<quint32>(data + pos);
            const quint32 rs = qFromLittleEndian<quint32>(data + pos + 4);
            if (rs < 8 || rs % 4 || rs > quint64(n - pos) || ++records > MaxRecords) return {};
            pos += rs;
            ended = type == EmrEof;
        }
        if (!ended && pos != n) // a record cut short at the end
            return {};
    }

    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    if (image.isNull()) return {};
    image.fill(Qt::transparent);
    {
        Player pl(image, true);
        pl.setObjectTableSize(int(qMax<quint32>(h.handles, 1)));
        const QSizeF ppm = pixelsPerMm(h);
        pl.setPixelsPerMm(ppm);
        const QRectF frame = emfFrame(h); // 0.01 mm
        const QRectF deviceFrame(frame.left() * ppm.width() / 100, frame.top() * ppm.height() / 100,
                                 frame.width() * ppm.width() / 100, frame.height() * ppm.height() / 100);
        if (deviceFrame.width() <= 0 || deviceFrame.height() <= 0) return {};
        pl.setDeviceToImage(
            QTransform::fromTranslate(-deviceFrame.left(), -deviceFrame.top()) *
            QTransform::fromScale(size.width() / deviceFrame.width(), size.height() / deviceFrame.height()));
        pl.updateTransform();

        qsizetype pos = qFromLittleEndian<quint32>(data + 4);
        while (pos + 8 <= n && !pl.stopped()) {
            const quint32 type = qFromLittleEndian<quint32>(data + pos);
            const quint32 rs = qFromLittleEndian<quint32>(data + pos + 4);
            if (type == EmrEof) break;
            Rec r(data + pos, rs);
            if (!playEmfRecord(pl, r, type)) return {};
            pos += rs;
        }
    }
    return image;
}

// ---------------------------------------------------------------- placeable Windows metafiles

struct WmfHeader
{
    QRect bbox;
    int inch = 0;
    int objects = 0;
};

bool readWmfHeader(const QByteArray& bytes, WmfHeader& h)
{
    if (bytes.size() < PlaceableHeaderSize + WmfHeaderSize) return false;
    Rec r(reinterpret_cast<const uchar*>(bytes.constData()), bytes.size());
    if (r.u32(0) != PlaceableKey) return false;
    const int left = r.i16(6), top = r.i16(8), right = r.i16(10), bottom = r.i16(12);
    h.bbox = QRect(left, top, right - left, bottom - top); // may be flipped: kept signed
    h.inch = r.u16(14);
    const quint16 type = r.u16(PlaceableHeaderSize);
    const quint16 headerWords = r.u16(PlaceableHeaderSize + 2);
    h.objects = r.u16(PlaceableHeaderSize + 10);
    return !r.bad() && (type == 1 || type == 2) && headerWords == 9 && h.inch > 0;
}

QSize wmfSize(const WmfHeader& h)
{
    // Rounded as the Windows MulDiv does.
    const qint64 w = (qint64(std::abs(h.bbox.width())) * 96 * 2 + h.inch) / (2 * h.inch);
    const qint64 hh = (qint64(std::abs(h.bbox.height())) * 96 * 2 + h.inch) / (2 * h.inch);
    if (!Picture::acceptableSize(w, hh)) return {};
    return QSize(int(w), int(hh));
}

QPolygonF wmfPoints(Rec& r, qint64 off, int count)
{
    QPolygonF pts;
    if (count < 0 || !r.has(off, qint64(count) * 4)) return pts;
    pts.reserve(count);
    for (int i = 0; i < count; ++i)
        pts.append(QPointF(r.i16(off + 4 * i), r.i16(off + 4 * i + 2)));
    return pts;
}

// The rectangle of a 16-bit record, stored bottom, right, top, left from `off`.
QRectF wmfRect(Rec& r, qint64 off)
{
    return QRectF(QPointF(r.i16(off + 6), r.i16(off + 4)), QPointF(r.i16(off + 2), r.i16(off)));
}

bool playWmfRecord(Player& pl, Rec& r, quint16 fn)
{
    DcState& s = pl.s;
    constexpr int P = 6; // parameters start after the size and the function number
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
    case MetaSetWindowOrg:
        s.windowOrg = QPointF(r.i16(P + 2), r.i16(P));
        pl.updateTransform();
        break;
    case MetaSetWindowExt:
        s.windowExt = QSizeF(r.i16(P + 2), r.i16(P));
        pl.updateTransform();
        break;
    case MetaOffsetWindowOrg:
        s.windowOrg += QPointF(r.i16(P + 2), r.i16(P));
        pl.updateTransform();
        break;
    case MetaScaleWindowExt: { // scale the window extent
        const int yd = r.i16(P), yn = r.i16(P + 2), xd = r.i16(P + 4), xn = r.i16(P + 6);
        if (!r.bad() && xd != 0 && yd != 0) {
            s.windowExt = QSizeF(s.windowExt.width() * xn / xd, s.windowExt.height() * yn / yd);
            pl.updateTransform();
        }
        break;
    }
    case MetaMoveTo:
        pl.moveTo(QPointF(r.i16(P + 2), r.i16(P)));
        break;
    case MetaLineTo:
        pl.lineTo(QPointF(r.i16(P + 2), r.i16(P)));
        break;
    case MetaPolygon:
    case MetaPolyline: { // polygon, polyline
        const int count = r.i16(P);
        const QPolygonF pts = wmfPoints(r, P + 2, count);
        if (r.bad() || count < 0 || !pl.spend(count)) return !r.bad() && count >= 0;
        pl.poly(pts, fn == MetaPolygon, false);
        break;
    }
    case MetaPolyPolygon: { // poly-polygon
        const int polys = r.u16(P);
        if (r.bad() || !r.has(P + 2, qint64(polys) * 2)) return false;
        qint64 at = P + 2 + qint64(polys) * 2;
        QVector<QPolygonF> list;
        for (int i = 0; i < polys; ++i) {
            const int n = r.u16(P + 2 + 2 * i);
            QPolygonF pts = wmfPoints(r, at, n);
            if (r.bad()) return false;
            if (!pl.spend(n + 1)) return true;
            list.append(std::move(pts));
            at += qint64(n) * 4;
        }
        pl.polyPolygon(list, true);
        break;
    }
    case MetaRectangle:
        pl.rectangle(wmfRect(r, P));
        break;
    case MetaRoundRect:
        pl.rectangle(wmfRect(r, P + 4), r.i16(P + 2), r.i16(P));
        break;
    case MetaEllipse:
        pl.ellipse(wmfRect(r, P));
        break;
    case MetaArc:
    case MetaChord:
    case MetaPie: { // arc, chord, pie: end, start, box
        const QPointF end(r.i16(P + 2), r.i16(P)), start(r.i16(P + 6), r.i16(P + 4));
        const QRectF box = wmfRect(r, P + 8);
        if (r.bad()) return false;
        pl.arc(box, start, end, fn == MetaArc ? 0 : fn == MetaChord ? 1 : 2);
        break;
    }
    case MetaExcludeClipRect:
    case MetaIntersectClipRect:
        pl.clipRect(wmfRect(r, P), fn == MetaExcludeClipRect);
        break;
    case MetaTextOut: { // text out: count, string, y, x
        const int count = r.i16(P);
        const uchar* p = r.ptr(P + 2, count);
        const qint64 after = P + 2 + ((qint64(count) + 1) & ~1);
        const QPointF ref(r.i16(after + 2), r.i16(after));
        if (r.bad() || count < 0) return false;
        pl.text(ref, text8(p, count, s.font.charset));
        break;
    }
    case MetaExtTextOut: { // extended text out: y, x, count, options, optional rectangle, string
        const QPointF ref(r.i16(P + 2), r.i16(P));
        const int count = r.i16(P + 4);
        const quint16 options = r.u16(P + 6);
        const qint64 at = P + 8 + ((options & 0x6) ? 8 : 0);
        const uchar* p = r.ptr(at, count);
        if (r.bad() || count < 0) return false;
        pl.text(ref, text8(p, count, s.font.charset));
        break;
    }
    case MetaCreatePenIndirect: { // pen
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
        pl.addObject(o);
        break;
    }
    case MetaCreateBrushIndirect: { // brush
        GdiObject o;
        o.kind = GdiObject::Brush;
        const quint16 style = r.u16(P);
        o.brush.null = style == 1;
        o.brush.color = colorRef(r.u32(P + 2));
        if (style == 2) o.brush.hatch = qMin<int>(r.u16(P + 6), 6);
        pl.addObject(o);
        break;
    }
    case MetaCreateFontIndirect: { // font
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
        pl.addObject(o);
        break;
    }
    case MetaCreatePalette:
    case MetaCreatePatternBrush:
    case MetaDibCreatePatternBrush:
    case MetaCreateRegion: { // palette, pattern brushes, region
        GdiObject o;
        o.kind = fn == MetaCreatePatternBrush || fn == MetaDibCreatePatternBrush ? GdiObject::Brush
                                                                                 : GdiObject::Other;
        o.brush.color = QColor(128, 128, 128);
        pl.addObject(o);
        break;
    }
    case MetaSelectObject:
        pl.selectObject(r.u16(P));
        break;
    case MetaDeleteObject:
        pl.deleteObject(r.u16(P));
        break;
    case MetaPatBlt: // raster operation, height, width, y, x
        pl.patBlt(QRectF(r.i16(P + 10), r.i16(P + 8), r.i16(P + 6), r.i16(P + 4)), r.u32(P));
        break;
    case MetaStretchDib: { // stretched device-independent bitmap: rop, usage, source and dest boxes, bitmap
        const int srcH = r.i16(P + 8), srcW = r.i16(P + 10), srcY = r.i16(P + 12), srcX = r.i16(P + 14);
        const int dh = r.i16(P + 16), dw = r.i16(P + 18), dy = r.i16(P + 20), dx = r.i16(P + 22);
        if (r.bad()) return false;
        // The bitmap follows as an info header, colour table and bits; hand them over as one.
        const quint32 infoSize = r.u32(P + 24);
        if (r.bad() || infoSize < 12 || qint64(infoSize) > r.size() - (P + 24)) return false;
        const qint64 rest = r.size() - (P + 24);
        const quint32 bitCount = infoSize >= 40 ? r.u16(P + 24 + 14) : r.u16(P + 24 + 10);
        quint32 colours = infoSize >= 40 ? r.u32(P + 24 + 32) : 0;
        if (colours == 0 && bitCount <= 8) colours = 1u << bitCount;
        const bool masks = infoSize == 40 && r.u32(P + 24 + 16) == 3; // three bit-field masks follow
        const qint64 bmiSize =
            qint64(infoSize) + qint64(colours) * (infoSize >= 40 ? 4 : 3) + (masks ? 12 : 0);
        if (r.bad() || bmiSize > rest) return false;
        bool bottomUp = false;
        QImage img = dibImage(r, P + 24, quint32(bmiSize), quint32(P + 24 + bmiSize), quint32(rest - bmiSize),
                              &bottomUp);
        if (r.bad()) return false;
        img = sourcePart(img, bottomUp, srcX, srcY, srcW, srcH);
        pl.drawImage(QRectF(dx, dy, dw, dh), img);
        break;
    }
    default:
        break;
    }
    return !r.bad();
}

QImage renderWmf(const QByteArray& bytes)
{
    WmfHeader h;
    if (!readWmfHeader(bytes, h)) return {};
    const QSize size = wmfSize(h);
    if (size.isEmpty()) return {};
    const auto* data = reinterpret_cast<const uchar*>(bytes.constData());
    const qsizetype n = bytes.size();
    const qsizetype first = PlaceableHeaderSize + WmfHeaderSize;
    {
        qsizetype pos = first;
        int records = 0;
        bool ended = false;
        while (!ended && pos + 6 <= n) {
            const quint64 words = qFromLittleEndian<quint32>(data + pos);
            const quint16 fn = qFromLittleEndian<quint16>(data + pos + 4);
            if (words < 3 || words * 2 > quint64(n - pos) || ++records > MaxRecords) return {};
            pos += qsizetype(words * 2);
            ended = fn == MetaEof;
        }
        if (!ended && pos != n) // a record cut short at the end
            return {};
    }

    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    if (image.isNull()) return {};
    image.fill(Qt::transparent);
    {
        Player pl(image, false);
        pl.setObjectTableSize(qMax(h.objects, 1));
        pl.setDefaultWindow(QRectF(h.bbox));
        pl.updateTransform();
        qsizetype pos = first;
        while (pos + 6 <= n && !pl.stopped()) {
            const quint32 words = qFromLittleEndian<quint32>(data + pos);
            const quint16 fn = qFromLittleEndian<quint16>(data + pos + 4);
            if (fn == MetaEof) break;
            Rec r(data + pos, qsizetype(words) * 2);
            if (!playWmfRecord(pl, r, fn)) return {};
            pos += qsizetype(words) * 2;
        }
    }
    return image;
}

} // namespace

Format format(const QByteArray& bytes)
{
    if (bytes.size() >= 44) {
        const auto* p = reinterpret_cast<const uchar*>(bytes.constData());
        if (qFromLittleEndian<quint32>(p) == 1 && qFromLittleEndian<quint32>(p + 40) == EmfSignature)
            return Format::Enhanced;
    }
    if (bytes.size() >= 4 && qFromLittleEndian<quint32>(bytes.constData()) == PlaceableKey)
        return Format::Placeable;
    return Format::None;
}

QSize ownSize(const QByteArray& bytes)
{
    switch (format(bytes)) {
    case Format::Enhanced: {
        EmfHeader h;
        return readEmfHeader(bytes, h) ? emfSize(h) : QSize();
    }
    case Format::Placeable: {
        WmfHeader h;
        return readWmfHeader(bytes, h) ? wmfSize(h) : QSize();
    }
    case Format::None:
        break;
    }
    return {};
}

QImage render(const QByteArray& bytes)
{
    switch (format(bytes)) {
    case Format::Enhanced:
        return renderEmf(bytes);
    case Format::Placeable:
        return renderWmf(bytes);
    case Format::None:
        break;
    }
    return {};
}

} // namespace Metafile
