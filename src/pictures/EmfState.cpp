// Enhanced metafile records that change the drawing state: the mapping of logical coordinates,
// the world transform, modes and colours, and saving and restoring all of it.
#include "EmfRecords.h"

#include <cmath>

namespace Metafile::Emf {

namespace {

// Scales the viewport or the window extent by two fractions.
bool scaleExtent(Player& pl, Record& r, quint32 type)
{
    DcState& s = pl.s;
    const qint32 xn = r.i32(8), xd = r.i32(12), yn = r.i32(16), yd = r.i32(20);
    if (r.bad() || xd == 0 || yd == 0) return !r.bad();
    QSizeF& ext = type == EmrScaleViewportExtEx ? s.viewportExt : s.windowExt;
    ext = QSizeF(ext.width() * xn / xd, ext.height() * yn / yd);
    pl.updateTransform();
    return !r.bad();
}

// Sets the world transform, or combines it with a new one.
bool worldTransform(Player& pl, Record& r, quint32 type)
{
    DcState& s = pl.s;
    const QTransform x(r.f32(8), r.f32(12), r.f32(16), r.f32(20), r.f32(24), r.f32(28));
    const quint32 mode = type == EmrSetWorldTransform ? 4 : r.u32(32);
    if (r.bad() || !finite(x)) return !r.bad();
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
    return !r.bad();
}

// The mapping from logical units to the device.
std::optional<bool> playMapping(Player& pl, Record& r, quint32 type)
{
    DcState& s = pl.s;
    switch (type) {
    case EmrSetWindowExtEx:
        s.windowExt = QSizeF(r.i32(8), r.i32(12));
        break;
    case EmrSetWindowOrgEx:
        s.windowOrg = QPointF(r.i32(8), r.i32(12));
        break;
    case EmrSetViewportExtEx:
        s.viewportExt = QSizeF(r.i32(8), r.i32(12));
        break;
    case EmrSetViewportOrgEx:
        s.viewportOrg = QPointF(r.i32(8), r.i32(12));
        break;
    case EmrSetMapMode:
        s.mapMode = int(r.u32(8));
        break;
    case EmrScaleViewportExtEx:
    case EmrScaleWindowExtEx:
        return scaleExtent(pl, r, type);
    case EmrSetWorldTransform:
    case EmrModifyWorldTransform:
        return worldTransform(pl, r, type);
    default:
        return std::nullopt;
    }
    pl.updateTransform();
    return !r.bad();
}

} // namespace

std::optional<bool> playState(Player& pl, Record& r, quint32 type)
{
    if (const std::optional<bool> mapped = playMapping(pl, r, type)) return mapped;
    DcState& s = pl.s;
    switch (type) {
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
    case EmrSaveDc:
        pl.saveDc();
        break;
    case EmrRestoreDc:
        pl.restoreDc(r.i32(8));
        break;
    case EmrSetMiterLimit: {
        // Written as an integer by most programs and as a float by some.
        const quint32 raw = r.u32(8);
        const float f = r.f32(8);
        s.miterLimit = raw < 1000 ? double(raw) : (std::isfinite(f) ? double(f) : 10.0);
        break;
    }
    default:
        return std::nullopt;
    }
    return !r.bad();
}

} // namespace Metafile::Emf
