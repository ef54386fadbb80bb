// Placeable Windows metafiles: the header and its size, the check of the record chain and the
// playing of the records, each by the player of its family.
#include "Wmf.h"

#include "Picture.h"
#include "WmfRecords.h"

#include <cmath>

namespace Metafile::Wmf {

namespace {

constexpr qsizetype FirstRecord = PlaceableHeaderSize + HeaderSize;

// Whether the record chain is whole: every record's size (in 16-bit words) within the data, up to
// the end-of-file record or the very end of the data.
bool chainIsWhole(const uchar* data, qsizetype n)
{
    qsizetype pos = FirstRecord;
    int records = 0;
    bool ended = false;
    while (!ended && pos + 6 <= n) {
        const quint64 words = qFromLittleEndian<quint32>(data + pos);
        const quint16 fn = qFromLittleEndian<quint16>(data + pos + 4);
        if (words < 3 || words * 2 > quint64(n - pos) || ++records > MaxRecords) return false;
        pos += qsizetype(words * 2);
        ended = fn == MetaEof;
    }
    return ended || pos == n; // not: a record cut short at the end
}

// Plays the records up to the end-of-file record; false on a malformed one.
bool playRecords(Player& pl, const uchar* data, qsizetype n)
{
    qsizetype pos = FirstRecord;
    while (pos + 6 <= n && !pl.stopped()) {
        const quint32 words = qFromLittleEndian<quint32>(data + pos);
        const quint16 fn = qFromLittleEndian<quint16>(data + pos + 4);
        if (fn == MetaEof) break;
        Record r(data + pos, qsizetype(words) * 2);
        if (!playRecord(pl, r, fn)) return false;
        pos += qsizetype(words) * 2;
    }
    return true;
}

} // namespace

bool readHeader(const QByteArray& bytes, Header& h)
{
    if (bytes.size() < PlaceableHeaderSize + HeaderSize) return false;
    Record r(reinterpret_cast<const uchar*>(bytes.constData()), bytes.size());
    if (r.u32(0) != PlaceableKey) return false;
    const int left = r.i16(6), top = r.i16(8), right = r.i16(10), bottom = r.i16(12);
    h.bbox = QRect(left, top, right - left, bottom - top); // may be flipped: kept signed
    h.inch = r.u16(14);
    const quint16 type = r.u16(PlaceableHeaderSize);
    const quint16 headerWords = r.u16(PlaceableHeaderSize + 2);
    h.objects = r.u16(PlaceableHeaderSize + 10);
    return !r.bad() && (type == 1 || type == 2) && headerWords == 9 && h.inch > 0;
}

QSize size(const Header& h)
{
    // Rounded as the Windows MulDiv does.
    const qint64 w = (qint64(std::abs(h.bbox.width())) * 96 * 2 + h.inch) / (2 * h.inch);
    const qint64 hh = (qint64(std::abs(h.bbox.height())) * 96 * 2 + h.inch) / (2 * h.inch);
    if (!Picture::acceptableSize(w, hh)) return {};
    return QSize(int(w), int(hh));
}

QImage render(const QByteArray& bytes)
{
    Header h;
    if (!readHeader(bytes, h)) return {};
    const QSize own = size(h);
    return playOnto(bytes, own, false, chainIsWhole, [&](Player& pl, const uchar* data, qsizetype n) {
        pl.setObjectTableSize(qMax(h.objects, 1));
        pl.setDefaultWindow(QRectF(h.bbox));
        pl.updateTransform();
        return playRecords(pl, data, n);
    });
}

bool playRecord(Player& pl, Record& r, quint16 fn)
{
    for (auto family : {playState, playDrawing, playObject})
        if (const std::optional<bool> wellFormed = family(pl, r, fn)) return *wellFormed;
    return !r.bad();
}

} // namespace Metafile::Wmf
