// The state machine that plays metafile records, shared by both formats; the formats differ only
// in how they read their records and in how logical coordinates reach the image.
#pragma once

#include "MetafileGdi.h"

#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>
#include <QRectF>

#include <functional>

namespace Metafile {

class Player
{
public:
    Player(QImage& image, bool enhanced);
    ~Player() { m_painter.end(); }

    // ---- coordinate spaces ----
    void setDeviceToImage(const QTransform& t) { m_deviceToImage = t; }
    void setPixelsPerMm(QSizeF pxPerMm) { m_pxPerMm = pxPerMm; }
    void setDefaultWindow(QRectF bbox);

    void updateTransform();

    // ---- objects ----
    void setObjectTableSize(int n);

    void storeObject(quint32 index, const GdiObject& obj);

    // The lowest free slot, as a 16-bit metafile assigns them; the table grows when it is full.
    void addObject(const GdiObject& obj);

    void selectObject(quint32 index);

    void deleteObject(quint32 index);

    // ---- state ----
    void saveDc();

    void restoreDc(int n);

    // ---- clipping ----
    void applyClip();

    // Combines an image-space region with the clip: 1 and, 2 or, 3 xor, 4 difference, 5 copy.
    void combineClip(const QPainterPath& region, int mode);

    void clipRect(QRectF logical, bool exclude);

    void resetClip();

    void clipDeviceRects(const QVector<QRectF>& rects, int mode);

    // ---- paths ----
    void beginPath();
    void endPath() { m_inPath = false; }
    void abortPath();
    void closeFigure();
    void pathOut(bool fill, bool stroke);
    void selectClipPath(int mode);

    // ---- drawing ----
    bool stopped() const { return m_stopped; }

    // Counts points against the total budget; false once the metafile has asked for too many.
    bool spend(qint64 points);

    void moveTo(QPointF p);

    void lineTo(QPointF p);

    // Polyline and polygon: `to` continues from the current position and moves it.
    void poly(const QPolygonF& pts, bool closed, bool to);

    void polyPolygon(const QVector<QPolygonF>& polys, bool closed);

    void bezier(const QPolygonF& pts, bool to);

    // Points with GDI's point types (move 6, line 2, bezier 4, with 1 closing the figure).
    void polyDraw(const QPolygonF& pts, const uchar* types);

    void rectangle(QRectF r, double cornerW = 0, double cornerH = 0);

    void ellipse(QRectF r);

    // Arc (0), chord (1), pie (2) and arc-to (3) from the box and the two radial points.
    void arc(QRectF box, QPointF start, QPointF end, int kind);

    void angleArc(QPointF c, double r, double startDeg, double sweepDeg);

    void text(QPointF ref, const QString& str);

    // A rectangle filled by a raster operation: black, white, or (for the rest) the brush.
    void patBlt(QRectF r, quint32 rop);

    void drawImage(QRectF dest, const QImage& img);

    DcState s;

private:
    // Counts one drawing operation covering `imageArea` (image coordinates) against the budgets.
    bool countDraw(const QRectF& imageArea = QRectF());

    void startFigure();

    // Inside a path bracket a shape is added to the path; otherwise it is drawn.
    void emitShape(const QPainterPath& shape, bool fill, bool continuesFigure);

    QPen makePen() const;

    QBrush makeBrush() const;

    void draw(const QPainterPath& path, bool fill, bool stroke);

    // A dashed pen, drawn solid past a bound on the number of its dashes.
    static QPen withBoundedDashes(QPen pen, const QPainterPath& imagePath, double scale);

    // A shape reaching far outside the picture, cut to a margin around it.
    void drawFarReaching(const QPainterPath& path, bool fill, bool stroke);

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

// A metafile of `size` drawn on a transparent picture. `chainIsWhole` checks the record chain
// before anything is drawn; `play` sets the player up and plays the records. A null picture when
// the size is empty, the chain is broken, the picture cannot be had or `play` fails.
using ChainCheck = bool (*)(const uchar* data, qsizetype n);
using RecordPlay = std::function<bool(Player& pl, const uchar* data, qsizetype n)>;
QImage playOnto(const QByteArray& bytes, QSize size, bool enhanced, ChainCheck chainIsWhole,
                const RecordPlay& play);

} // namespace Metafile
