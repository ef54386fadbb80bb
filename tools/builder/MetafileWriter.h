// A small vector drawing (pens, brushes, polygons, ellipses, rectangles, polylines, text) that
// can be written as an enhanced metafile (EMF) or a placeable Windows metafile (WMF), or painted.
#pragma once

#include <QByteArray>
#include <QColor>
#include <QPoint>
#include <QRect>
#include <QString>
#include <QVector>

class QPainter;

class TMetafileWriter
{
public:
    TMetafileWriter(int width, int height) : m_width(width), m_height(height) {}

    void setPen(QColor colour, int width); // width 0 draws no outline
    void setBrush(QColor colour);          // an invalid colour fills nothing
    void polygon(const QVector<QPoint>& points);
    void polyline(const QVector<QPoint>& points);
    void ellipse(const QRect& box);
    void rectangle(const QRect& box);
    // Text centred on a point of its baseline, in a bold sans-serif face of the given height.
    void text(QPoint baselineCentre, const QString& text, int height, QColor colour);

    int width() const { return m_width; }
    int height() const { return m_height; }

    QByteArray emf() const;
    QByteArray wmf() const;
    // Plays the drawing on a painter (for the raster copies of the same picture).
    void paint(QPainter& painter) const;

private:
    enum class Op
    {
        Pen,
        Brush,
        Polygon,
        Polyline,
        Ellipse,
        Rectangle,
        Text
    };
    struct Item
    {
        Op op;
        QColor colour;
        int size = 0;
        QVector<QPoint> points;
        QRect box;
        QString text;
    };
    int m_width;
    int m_height;
    QVector<Item> m_items;
};
