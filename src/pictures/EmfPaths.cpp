// Enhanced metafile records of the path bracket and of clipping.
#include "EmfRecords.h"

namespace Metafile::Emf {

namespace {

// A clip region given as rectangles in device units, combined with the clip by a mode.
bool extSelectClipRgn(Player& pl, Record& r)
{
    const quint32 cb = r.u32(8);
    const int mode = int(r.u32(12));
    if (r.bad()) return false;
    if (cb == 0) {
        if (mode == 5) pl.resetClip();
        return !r.bad();
    }
    const quint32 count = r.u32(16 + 8);
    if (r.bad() || cb < 32 || !r.has(16, cb) || qint64(count) * 16 > qint64(cb) - 32) return false;
    QVector<QRectF> rects;
    for (quint32 i = 0; i < count; ++i)
        rects.append(rectL(r, 16 + 32 + 16 * qint64(i)));
    pl.clipDeviceRects(rects, mode);
    return !r.bad();
}

} // namespace

std::optional<bool> playPathOrClip(Player& pl, Record& r, quint32 type)
{
    switch (type) {
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
    case EmrExcludeClipRect:
    case EmrIntersectClipRect:
        pl.clipRect(rectL(r, 8), type == EmrExcludeClipRect);
        break;
    case EmrExtSelectClipRgn:
        return extSelectClipRgn(pl, r);
    default:
        return std::nullopt;
    }
    return !r.bad();
}

} // namespace Metafile::Emf
