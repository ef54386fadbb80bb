// The records of enhanced metafiles: their types and the players of each family of records.
// Every player takes one record whose type it was given and returns whether the record was
// well-formed; a family's player gives no answer for a type outside its family.
#pragma once

#include "MetafilePlayer.h"
#include "MetafileRecord.h"

#include <QPolygonF>
#include <QRectF>

#include <optional>

namespace Metafile::Emf {

// Enhanced metafile record types.
enum RecordType : quint32
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

// Points of 32-bit and of 16-bit coordinates, `count` of them from `off`; empty (and the record
// bad) when they do not fit the record.
QPolygonF points32(Record& r, qint64 off, quint32 count);
QPolygonF points16(Record& r, qint64 off, quint32 count);

// A rectangle of four 32-bit edges: left, top, right, bottom.
QRectF rectL(Record& r, qint64 off);

// Lines, curves, shapes, text and bitmaps.
std::optional<bool> playDrawing(Player& pl, Record& r, quint32 type);
// The mapping to the device, the drawing modes and colours, saving and restoring the state.
std::optional<bool> playState(Player& pl, Record& r, quint32 type);
// Pens, brushes, fonts and palettes, and selecting and deleting them.
std::optional<bool> playObject(Player& pl, Record& r, quint32 type);
// The path bracket and clipping.
std::optional<bool> playPathOrClip(Player& pl, Record& r, quint32 type);

// One record of any type; false when the record is malformed, which makes the whole picture
// unreadable. Records that do not change the drawing here are skipped.
bool playRecord(Player& pl, Record& r, quint32 type);

} // namespace Metafile::Emf
