// The GDI state that a metafile's records change: pens, brushes, fonts, the object table's
// entries and the device context that saving and restoring keep.
#pragma once

#include <QColor>
#include <QPainterPath>
#include <QPointF>
#include <QSizeF>
#include <QString>
#include <QTransform>
#include <QVector>

namespace Metafile {

// A COLORREF: red in the low byte.
QColor colorRef(quint32 c);

// Whether every entry of the transform is a finite number.
bool finite(const QTransform& t);

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
bool stockObject(quint32 index, GdiObject& out);

} // namespace Metafile
