// Readers of record parts that both metafile formats share.
#include "MetafileRecord.h"

#include "Picture.h"

#include <QStringDecoder>

namespace Metafile {

QImage dibImage(Record& r, quint32 offBmi, quint32 cbBmi, quint32 offBits, quint32 cbBits, bool* bottomUp)
{
    const uchar* bmi = r.ptr(offBmi, cbBmi);
    const uchar* bits = r.ptr(offBits, cbBits);
    if (!bmi || !bits || cbBmi < 12) return {};
    const quint32 infoSize = qFromLittleEndian<quint32>(bmi);
    *bottomUp = infoSize == 12 || (cbBmi >= 12 && qFromLittleEndian<qint32>(bmi + 8) > 0);
    QByteArray file;
    file.reserve(14 + qsizetype(cbBmi) + qsizetype(cbBits));
    char header[14] = {'B', 'M'};
    qToLittleEndian<quint32>(quint32(14 + cbBmi + cbBits), header + 2);
    qToLittleEndian<quint32>(quint32(14 + cbBmi), header + 10);
    file.append(header, 14);
    file.append(reinterpret_cast<const char*>(bmi), qsizetype(cbBmi));
    file.append(reinterpret_cast<const char*>(bits), qsizetype(cbBits));
    return Picture::decode(file).image;
}

QImage sourcePart(const QImage& img, bool bottomUp, qint64 x, qint64 y, qint64 w, qint64 h)
{
    if (img.isNull() || w <= 0 || h <= 0) return img;
    const qint64 iw = img.width(), ih = img.height();
    if (bottomUp) y = ih - (y + h);
    const qint64 x0 = qBound(qint64(0), x, iw), y0 = qBound(qint64(0), y, ih);
    const qint64 x1 = qBound(qint64(0), x + w, iw), y1 = qBound(qint64(0), y + h, ih);
    if (x1 <= x0 || y1 <= y0) return {};
    if (x0 == 0 && y0 == 0 && x1 == img.width() && y1 == img.height()) return img;
    return img.copy(int(x0), int(y0), int(x1 - x0), int(y1 - y0));
}

QString text8(const uchar* p, int n, int charset)
{
    const QByteArray bytes(reinterpret_cast<const char*>(p), n);
    if (charset == 238) { // Central European, the program's own language
        QStringDecoder decoder("windows-1250");
        if (decoder.isValid()) return decoder.decode(bytes);
    }
    return QString::fromLatin1(bytes);
}

QPolygonF points(Record& r, qint64 off, qint64 count, bool wide)
{
    const qint64 step = wide ? 8 : 4;
    QPolygonF pts;
    if (count < 0 || !r.has(off, count * step))
        return pts;
    pts.reserve(count);
    for (qint64 at = off; at < off + count * step; at += step)
        pts.append(wide ? QPointF(r.i32(at), r.i32(at + 4)) : QPointF(r.i16(at), r.i16(at + 2)));
    return pts;
}

} // namespace Metafile
