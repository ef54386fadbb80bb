// One record of a metafile seen through bounds-checked accessors, and the readers of record parts
// that both formats share (bitmaps, 8-bit text).
#pragma once

#include <QByteArray>
#include <QImage>
#include <QPolygonF>
#include <QString>
#include <QtEndian>

#include <cstring>

namespace Metafile {

// Limits that keep a hostile file from keeping the player busy: the records of one file.
constexpr int MaxRecords = 1000000;

// A bounds-checked view of one record; a read outside it marks the record bad and gives 0.
class Record
{
public:
    Record(const uchar* data, qsizetype size) : m_p(data), m_n(size) {}

    qsizetype size() const { return m_n; }
    bool bad() const { return m_bad; }
    void fail() { m_bad = true; }

    bool has(qint64 offset, qint64 length)
    {
        if (offset < 0 || length < 0 || offset + length > m_n) {
            m_bad = true;
            return false;
        }
        return true;
    }
    quint8 u8(qint64 off) { return has(off, 1) ? m_p[off] : 0; }
    quint16 u16(qint64 off) { return has(off, 2) ? qFromLittleEndian<quint16>(m_p + off) : 0; }
    qint16 i16(qint64 off) { return has(off, 2) ? qFromLittleEndian<qint16>(m_p + off) : 0; }
    quint32 u32(qint64 off) { return has(off, 4) ? qFromLittleEndian<quint32>(m_p + off) : 0; }
    qint32 i32(qint64 off) { return has(off, 4) ? qFromLittleEndian<qint32>(m_p + off) : 0; }
    float f32(qint64 off)
    {
        const quint32 bits = u32(off);
        float f;
        std::memcpy(&f, &bits, 4);
        return f;
    }
    const uchar* ptr(qint64 off, qint64 length) { return has(off, length) ? m_p + off : nullptr; }

private:
    const uchar* m_p;
    qsizetype m_n;
    bool m_bad = false;
};

// `count` points of a record from `off`, two coordinates each, 32-bit (`wide`) or 16-bit ones;
// none when they do not fit in the record.
QPolygonF points(Record& r, qint64 off, qint64 count, bool wide);

// A device-independent bitmap inside a record: its info header and bits, made into a bitmap
// file for the guarded bitmap decoder.
// Also tells whether its rows are stored bottom-up, as the source rectangles count from the
// bottom then.
QImage dibImage(Record& r, quint32 offBmi, quint32 cbBmi, quint32 offBits, quint32 cbBits, bool* bottomUp);

// The source rectangle of a bitmap record, kept within the bitmap; the whole bitmap when the
// rectangle is empty or covers it.
QImage sourcePart(const QImage& img, bool bottomUp, qint64 x, qint64 y, qint64 w, qint64 h);

// Text of 8-bit characters in the font's character set.
QString text8(const uchar* p, int n, int charset);

} // namespace Metafile
