// Enhanced metafile records that create, select and delete objects: pens, brushes, fonts and
// palettes, each stored in the object table at the index its record names.
#include "EmfRecords.h"

namespace Metafile::Emf {

namespace {

QString faceName16(Record& r, qint64 off, int maxChars)
{
    QString face;
    for (int i = 0; i < maxChars && r.has(off + 2 * i, 2); ++i) {
        const char16_t c = r.u16(off + 2 * i);
        if (c == 0) break;
        face.append(QChar(c));
    }
    return face;
}

GdiObject pen(Record& r)
{
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
    return o;
}

// An extended pen, with its own dash pattern for a user style.
bool extCreatePen(Player& pl, Record& r)
{
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
    return !r.bad();
}

GdiObject brush(Record& r)
{
    GdiObject o;
    o.kind = GdiObject::Brush;
    const quint32 style = r.u32(12);
    o.brush.null = style == 1;
    o.brush.color = colorRef(r.u32(16));
    if (style == 2) o.brush.hatch = int(qMin<quint32>(r.u32(20), 6));
    return o;
}

GdiObject font(Record& r)
{
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
    return o;
}

} // namespace

std::optional<bool> playObject(Player& pl, Record& r, quint32 type)
{
    switch (type) {
    case EmrSelectObject:
        pl.selectObject(r.u32(8));
        break;
    case EmrDeleteObject:
        pl.deleteObject(r.u32(8));
        break;
    case EmrCreatePen:
        pl.storeObject(r.u32(8), pen(r));
        break;
    case EmrExtCreatePen:
        return extCreatePen(pl, r);
    case EmrCreateBrushIndirect:
        pl.storeObject(r.u32(8), brush(r));
        break;
    case EmrCreateMonoBrush:
    case EmrCreateDibPatternBrushPt: { // pattern brushes: drawn as a mid grey
        GdiObject o;
        o.kind = GdiObject::Brush;
        o.brush.color = QColor(128, 128, 128);
        pl.storeObject(r.u32(8), o);
        break;
    }
    case EmrExtCreateFontIndirectW:
        pl.storeObject(r.u32(8), font(r));
        break;
    case EmrCreatePalette: { // palette: only holds its object slot
        GdiObject o;
        o.kind = GdiObject::Other;
        pl.storeObject(r.u32(8), o);
        break;
    }
    default:
        return std::nullopt;
    }
    return !r.bad();
}

} // namespace Metafile::Emf
