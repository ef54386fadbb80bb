// Reading and writing the stored window shapes.
#include "PlasmaRegion.h"

#include "PlasmaForm.h"

#include <QIODevice>
#include <QRect>
#include <QVector>

#include <cstdint>
#include <limits>

namespace {

constexpr int HeaderSize = 32;
constexpr int RectListType = 1;
// Coordinates beyond this cannot belong to a window and would overflow width arithmetic.
constexpr qint32 CoordLimit = 1 << 20;

qint32 readInt(const QByteArray& b, qsizetype at)
{
    const auto* p = reinterpret_cast<const unsigned char*>(b.constData()) + at;
    const std::uint32_t u = std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 |
                            std::uint32_t(p[3]) << 24;
    return static_cast<qint32>(u);
}

void appendInt(QByteArray& b, qint32 v)
{
    const auto u = static_cast<std::uint32_t>(v);
    for (int shift = 0; shift < 32; shift += 8)
        b.append(static_cast<char>((u >> shift) & 0xFF));
}

struct RawRect
{
    qint32 left, top, right, bottom;
};

bool readRect(const QByteArray& b, qsizetype at, RawRect& r)
{
    r = {readInt(b, at), readInt(b, at + 4), readInt(b, at + 8), readInt(b, at + 12)};
    for (qint32 v : {r.left, r.top, r.right, r.bottom})
        if (v < -CoordLimit || v > CoordLimit)
            return false;
    return r.right >= r.left && r.bottom >= r.top;
}

// True when the rectangles follow the banded order that QRegion::setRects requires.
bool isBanded(const QVector<QRect>& rects)
{
    for (qsizetype i = 1; i < rects.size(); ++i) {
        const QRect& a = rects[i - 1];
        const QRect& b = rects[i];
        if (b.top() == a.top()) {
            if (b.bottom() != a.bottom() || b.left() <= a.right() + 1)
                return false;
        } else if (b.top() <= a.bottom()) {
            return false;
        }
    }
    return true;
}

} // namespace

QRegion ParseRegionData(const QByteArray& bytes)
{
    if (bytes.size() < HeaderSize)
        return {};
    if (readInt(bytes, 0) != HeaderSize || readInt(bytes, 4) != RectListType)
        return {};
    const qint64 count = readInt(bytes, 8);
    if (count < 0 || HeaderSize + 16 * count > bytes.size())
        return {};
    RawRect bound;
    if (!readRect(bytes, 16, bound))
        return {};

    QVector<QRect> rects;
    rects.reserve(count);
    for (qint64 i = 0; i < count; ++i) {
        RawRect r;
        if (!readRect(bytes, HeaderSize + 16 * i, r))
            return {};
        if (r.right > r.left && r.bottom > r.top)
            rects.append(QRect(r.left, r.top, r.right - r.left, r.bottom - r.top));
    }
    QRegion region;
    if (isBanded(rects)) {
        region.setRects(rects.constData(), int(rects.size()));
    } else {
        for (const QRect& r : rects)
            region += r;
    }
    return region;
}

QByteArray WriteRegionData(const QRegion& region)
{
    if (region.isEmpty())
        return {};
    QByteArray b;
    const qint32 n = region.rectCount();
    b.reserve(HeaderSize + 16 * n);
    appendInt(b, HeaderSize);
    appendInt(b, RectListType);
    appendInt(b, n);
    appendInt(b, 16 * n);
    const QRect bound = region.boundingRect();
    for (qint32 v : {bound.left(), bound.top(), bound.right() + 1, bound.bottom() + 1})
        appendInt(b, v);
    for (const QRect& r : region)
        for (qint32 v : {r.left(), r.top(), r.right() + 1, r.bottom() + 1})
            appendInt(b, v);
    return b;
}

TPlasmaRegion::TPlasmaRegion(TPlasmaForm* owner) : QObject(owner), m_owner(owner) {}

void TPlasmaRegion::setFromBytes(const QByteArray& bytes)
{
    m_region = bytes.isEmpty() ? QRegion() : ParseRegionData(bytes);
}

void TPlasmaRegion::setFromRegion(const TPlasmaRegion* other)
{
    m_region = other ? other->m_region : QRegion();
}

void TPlasmaRegion::readData(QIODevice& stream)
{
    setFromBytes(stream.readAll());
}

void TPlasmaRegion::writeData(QIODevice& stream) const
{
    const QByteArray b = data();
    if (!b.isEmpty())
        stream.write(b);
}
