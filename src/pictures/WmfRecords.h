// The records of Windows metafiles: their functions and the players of each family of records.
// Every player takes one record of the function it was given and returns whether the record was
// well-formed; a family's player gives no answer for a function outside its family.
#pragma once

#include "MetafilePlayer.h"
#include "MetafileRecord.h"

#include <optional>

namespace Metafile::Wmf {

// Windows metafile functions.
enum Function : quint16
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

// The mapping, the drawing modes and colours, saving and restoring the state.
std::optional<bool> playState(Player& pl, Record& r, quint16 fn);
// Lines, shapes, clipping rectangles, text and bitmaps.
std::optional<bool> playDrawing(Player& pl, Record& r, quint16 fn);
// Pens, brushes, fonts and the other objects, and selecting and deleting them.
std::optional<bool> playObject(Player& pl, Record& r, quint16 fn);

// One record of any function; false when the record is malformed, which makes the whole picture
// unreadable. Records that do not change the drawing here are skipped.
bool playRecord(Player& pl, Record& r, quint16 fn);

} // namespace Metafile::Wmf
