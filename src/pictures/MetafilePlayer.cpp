// The metafile player's state: the mapping to the image, the object table, saved states,
// clipping, the path bracket, the budgets and how a shape is painted with the current pen and brush.
#include "MetafilePlayer.h"

#include <QPainterPathStroker>

#include <algorithm>
#include <cmath>

namespace Metafile {

namespace {

// Limits that keep a hostile file from keeping the player busy or its tables large.
constexpr int MaxDrawOps = 200000;
constexpr qint64 MaxPointsTotal = 20 * 1000 * 1000;
constexpr int MaxObjects = 65536;
constexpr int MaxSavedStates = 1024;
// Painting cost: the image area that all drawing operations together may cover, so that many
// small records filling a large picture over and over cannot keep the player busy for minutes.
constexpr double MaxPaintedPixels = 1.5e9;

// Millimetres per logical unit of the metric map modes (2 to 6); 0 for the other modes.
double mmPerUnit(int mapMode)
{
    switch (mapMode) {
    case 2:
        return 0.1;
    case 3:
        return 0.01;
    case 4:
        return 0.254; // 0.01 inch
    case 5:
        return 0.0254; // 0.001 inch
    case 6:
        return 25.4 / 1440; // twips
    default:
        return 0;
    }
}

} // namespace

QImage playOnto(const QByteArray& bytes, QSize size, bool enhanced, ChainCheck chainIsWhole,
                const RecordPlay& play)
{
    const auto* data = reinterpret_cast<const uchar*>(bytes.constData());
    const qsizetype n = bytes.size();
    if (size.isEmpty() || !chainIsWhole(data, n))
        return {};
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    if (image.isNull())
        return {};
    image.fill(Qt::transparent);
    {
        Player pl(image, enhanced);
        if (!play(pl, data, n))
            return {};
    }
    return image;
}

Player::Player(QImage& image, bool enhanced) : m_image(image), m_enhanced(enhanced)
{
    m_painter.begin(&m_image);
    m_painter.setRenderHint(QPainter::Antialiasing);
    m_painter.setRenderHint(QPainter::TextAntialiasing);
    m_painter.setRenderHint(QPainter::SmoothPixmapTransform);
}

void Player::setDefaultWindow(QRectF bbox)
{
    s.windowOrg = bbox.topLeft();
    s.windowExt = bbox.size();
}

void Player::updateTransform()
{
    QTransform t;
    if (m_enhanced) {
        double sx = 1, sy = 1;
        if (const double mm = mmPerUnit(s.mapMode); mm > 0) {
            sx = mm * m_pxPerMm.width();
            sy = mm * -m_pxPerMm.height(); // the metric modes count upwards
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

void Player::setObjectTableSize(int n)
{
    m_objects.resize(qBound(1, n, MaxObjects));
}

void Player::storeObject(quint32 index, const GdiObject& obj)
{
    if (index < quint32(m_objects.size())) m_objects[int(index)] = obj;
}

void Player::addObject(const GdiObject& obj)
{
    for (int i = 0; i < m_objects.size(); ++i)
        if (m_objects[i].kind == GdiObject::Empty) {
            m_objects[i] = obj;
            return;
        }
    if (m_objects.size() < MaxObjects) m_objects.append(obj);
}

void Player::selectObject(quint32 index)
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

void Player::deleteObject(quint32 index)
{
    if (index < quint32(m_objects.size())) m_objects[int(index)] = GdiObject();
}

void Player::saveDc()
{
    if (m_saved.size() < MaxSavedStates) m_saved.append(s);
}

void Player::restoreDc(int n)
{
    int level = n < 0 ? int(m_saved.size()) + n : n - 1; // the index of the state to restore
    if (level < 0 || level >= m_saved.size()) return;
    s = m_saved[level];
    m_saved.resize(level);
    updateTransform();
    applyClip();
}

void Player::applyClip()
{
    m_painter.setTransform(QTransform());
    if (s.clipped)
        m_painter.setClipPath(s.clip);
    else
        m_painter.setClipping(false);
}

void Player::combineClip(const QPainterPath& region, int mode)
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

void Player::clipRect(QRectF logical, bool exclude)
{
    if (!m_toImageValid) return;
    QPainterPath p;
    p.addPolygon(m_toImage.map(QPolygonF(logical.normalized())));
    p.closeSubpath();
    combineClip(p, exclude ? 4 : 1);
}

void Player::resetClip()
{
    s.clipped = false;
    s.clip = QPainterPath();
    applyClip();
}

void Player::clipDeviceRects(const QVector<QRectF>& rects, int mode)
{
    QPainterPath region;
    for (const QRectF& r : rects)
        region.addPolygon(m_deviceToImage.map(QPolygonF(r)));
    region.setFillRule(Qt::WindingFill);
    combineClip(region.simplified(), mode);
}

void Player::beginPath()
{
    m_path = QPainterPath();
    m_inPath = true;
    m_pathNeedsMove = true;
}

void Player::abortPath()
{
    m_path = QPainterPath();
    m_inPath = false;
}

void Player::closeFigure()
{
    if (m_inPath && m_path.elementCount() > 0) {
        m_path.closeSubpath();
        m_pathNeedsMove = true;
    }
}

void Player::pathOut(bool fill, bool stroke)
{
    m_path.setFillRule(s.fillRule);
    draw(m_path, fill, stroke);
    m_path = QPainterPath();
    m_inPath = false;
}

void Player::selectClipPath(int mode)
{
    if (m_toImageValid) {
        QPainterPath p = m_toImage.map(m_path);
        p.setFillRule(s.fillRule);
        combineClip(p, mode);
    }
    m_path = QPainterPath();
    m_inPath = false;
}

bool Player::spend(qint64 points)
{
    m_points += points;
    if (m_points > MaxPointsTotal) m_stopped = true;
    return !m_stopped;
}

bool Player::countDraw(const QRectF& imageArea)
{
    const QRectF covered = imageArea.intersected(QRectF(m_image.rect()));
    m_painted += covered.width() * covered.height() + 1;
    if (++m_drawOps > MaxDrawOps || m_painted > MaxPaintedPixels) m_stopped = true;
    return !m_stopped;
}

void Player::startFigure()
{
    if (m_pathNeedsMove) {
        m_path.moveTo(s.pos);
        m_pathNeedsMove = false;
    }
}

void Player::emitShape(const QPainterPath& shape, bool fill, bool continuesFigure)
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

QPen Player::makePen() const
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

QBrush Player::makeBrush() const
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

void Player::draw(const QPainterPath& path, bool fill, bool stroke)
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
QPen Player::withBoundedDashes(QPen pen, const QPainterPath& imagePath, double scale)
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
void Player::drawFarReaching(const QPainterPath& path, bool fill, bool stroke)
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

} // namespace Metafile
