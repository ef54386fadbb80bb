// Enhanced metafiles: the header and its sizes, the check of the record chain and the playing of
// the records, each by the player of its family.
#include "Emf.h"

#include "EmfRecords.h"
#include "Picture.h"

#include <cmath>

namespace Metafile::Emf {

namespace {

QSizeF pixelsPerMm(const Header& h)
{
    if (h.device.width() > 0 && h.device.height() > 0 && h.millimeters.width() > 0 &&
        h.millimeters.height() > 0)
        return QSizeF(double(h.device.width()) / h.millimeters.width(),
                      double(h.device.height()) / h.millimeters.height());
    return QSizeF(96 / 25.4, 96 / 25.4);
}

// The frame in 0.01 mm; from the bounds in device pixels when the frame is empty.
QRectF frameOf(const Header& h)
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

// Whether the record chain is whole: every record's size within the data and a multiple of four,
// up to the end-of-file record or the very end of the data.
bool chainIsWhole(const uchar* data, qsizetype n)
{
    qsizetype pos = 0;
    int records = 0;
    bool ended = false;
    while (!ended && pos + 8 <= n) {
        const quint32 type = qFromLittleEndian<quint32>(data + pos);
        const quint32 rs = qFromLittleEndian<quint32>(data + pos + 4);
        if (rs < 8 || rs % 4 || rs > quint64(n - pos) || ++records > MaxRecords) return false;
        pos += rs;
        ended = type == EmrEof;
    }
    return ended || pos == n; // not: a record cut short at the end
}

// Maps the device units of the file to the image: the frame fills the picture.
bool setUpMapping(Player& pl, const Header& h, QSize size)
{
    pl.setObjectTableSize(int(qMax<quint32>(h.handles, 1)));
    const QSizeF ppm = pixelsPerMm(h);
    pl.setPixelsPerMm(ppm);
    const QRectF frame = frameOf(h); // 0.01 mm
    const QRectF deviceFrame(frame.left() * ppm.width() / 100, frame.top() * ppm.height() / 100,
                             frame.width() * ppm.width() / 100, frame.height() * ppm.height() / 100);
    if (deviceFrame.width() <= 0 || deviceFrame.height() <= 0) return false;
    pl.setDeviceToImage(
        QTransform::fromTranslate(-deviceFrame.left(), -deviceFrame.top()) *
        QTransform::fromScale(size.width() / deviceFrame.width(), size.height() / deviceFrame.height()));
    pl.updateTransform();
    return true;
}

// Plays the records after the header up to the end-of-file record; false on a malformed one.
bool playRecords(Player& pl, const uchar* data, qsizetype n)
{
    qsizetype pos = qFromLittleEndian<quint32>(data + 4);
    while (pos + 8 <= n && !pl.stopped()) {
        const quint32 type = qFromLittleEndian<quint32>(data + pos);
        const quint32 rs = qFromLittleEndian<quint32>(data + pos + 4);
        if (type == EmrEof) break;
        Record r(data + pos, rs);
        if (!playRecord(pl, r, type)) return false;
        pos += rs;
    }
    return true;
}

} // namespace

bool readHeader(const QByteArray& bytes, Header& h)
{
    if (bytes.size() < 88) return false;
    Record r(reinterpret_cast<const uchar*>(bytes.constData()), bytes.size());
    const quint32 size = r.u32(4);
    if (r.u32(0) != 1 || size < 88 || size > quint32(bytes.size()) || r.u32(40) != Signature) return false;
    h.bounds = QRect(QPoint(r.i32(8), r.i32(12)), QPoint(r.i32(16), r.i32(20)));
    h.frame = QRect(QPoint(r.i32(24), r.i32(28)), QPoint(r.i32(32), r.i32(36)));
    h.handles = r.u16(56);
    h.device = QSize(r.i32(72), r.i32(76));
    h.millimeters = QSize(r.i32(80), r.i32(84));
    return !r.bad();
}

QSize size(const Header& h)
{
    const QRectF frame = frameOf(h);
    const double w = std::round(frame.width() * 96 / 2540);
    const double hh = std::round(frame.height() * 96 / 2540);
    // Compared as doubles first: converting an out-of-range double to an integer is undefined.
    if (!(w >= 1 && w <= Picture::MaxSide && hh >= 1 && hh <= Picture::MaxSide)) return {};
    if (!Picture::acceptableSize(qint64(w), qint64(hh))) return {};
    return QSize(int(w), int(hh));
}

QImage render(const QByteArray& bytes)
{
    Header h;
    if (!readHeader(bytes, h)) return {};
    const QSize own = size(h);
    return playOnto(bytes, own, true, chainIsWhole, [&](Player& pl, const uchar* data, qsizetype n) {
        return setUpMapping(pl, h, own) && playRecords(pl, data, n);
    });
}

QPolygonF points32(Record& r, qint64 off, quint32 count)
{
    return points(r, off, count, true);
}

QPolygonF points16(Record& r, qint64 off, quint32 count)
{
    return points(r, off, count, false);
}

QRectF rectL(Record& r, qint64 off)
{
    return QRectF(QPointF(r.i32(off), r.i32(off + 4)), QPointF(r.i32(off + 8), r.i32(off + 12)));
}

bool playRecord(Player& pl, Record& r, quint32 type)
{
    for (auto family : {playDrawing, playState, playObject, playPathOrClip})
        if (const std::optional<bool> wellFormed = family(pl, r, type)) return *wellFormed;
    return !r.bad();
}

} // namespace Metafile::Emf
