// Animation frame lists: a collection of items with one "Picture.Data" property each.
#include "FrameList.h"

#include "Picture.h"

#include <QtEndian>
#include <limits>

namespace {

constexpr quint8 CollectionMarker = 14;
constexpr quint8 ValueInt8 = 2;
constexpr quint8 ValueInt16 = 3;
constexpr quint8 ValueInt32 = 4;
constexpr quint8 StartOfProperties = 1;
constexpr quint8 ValueBinary = 10;
constexpr quint8 EndOfList = 0;
const QByteArray PropertyName = QByteArrayLiteral("Picture.Data");

// Caps on what one animation may cost once decoded, so that a list of many huge frames
// cannot exhaust memory even when each frame alone is acceptable.
constexpr int MaxFrames = 4096;
constexpr qint64 MaxTotalPixels = 64LL * 1000 * 1000;

// A cursor over untrusted bytes: every read checks the remaining length first.
class Reader
{
public:
    explicit Reader(const QByteArray& data) : m_data(data) {}

    qsizetype remaining() const { return m_data.size() - m_pos; }

    bool byte(quint8& out)
    {
        if (remaining() < 1) return false;
        out = quint8(m_data[m_pos++]);
        return true;
    }

    bool peek(quint8& out) const
    {
        if (remaining() < 1) return false;
        out = quint8(m_data[m_pos]);
        return true;
    }

    bool u32(quint32& out)
    {
        if (remaining() < 4) return false;
        out = qFromLittleEndian<quint32>(m_data.constData() + m_pos);
        m_pos += 4;
        return true;
    }

    bool skip(qsizetype n)
    {
        if (n < 0 || remaining() < n) return false;
        m_pos += n;
        return true;
    }

    bool bytes(qsizetype n, QByteArray& out)
    {
        if (n < 0 || remaining() < n) return false;
        out = m_data.mid(m_pos, n);
        m_pos += n;
        return true;
    }

private:
    const QByteArray& m_data;
    qsizetype m_pos = 0;
};

// The value of "Picture.Data": a length-prefixed class name, a 32-bit size, the file bytes.
bool readGraphic(const QByteArray& value, TFrameEntry& entry)
{
    Reader r(value);
    quint8 nameLength = 0;
    QByteArray name;
    quint32 size = 0;
    if (!r.byte(nameLength) || nameLength == 0 || !r.bytes(nameLength, name) || !r.u32(size)) return false;
    if (qint64(size) > r.remaining()) return false;
    entry.className = QString::fromLatin1(name);
    return r.bytes(qsizetype(size), entry.bytes);
}

bool readFrame(Reader& r, TFrameEntry& entry)
{
    quint8 b = 0;
    if (!r.byte(b)) return false;
    // The item index is written only by some writers; its value is of no use here.
    if (b == ValueInt8 || b == ValueInt16 || b == ValueInt32) {
        const qsizetype width = b == ValueInt8 ? 1 : b == ValueInt16 ? 2 : 4;
        if (!r.skip(width) || !r.byte(b)) return false;
    }
    if (b != StartOfProperties) return false;

    quint8 nameLength = 0;
    QByteArray name;
    if (!r.byte(nameLength) || !r.bytes(nameLength, name) || name.compare(PropertyName, Qt::CaseInsensitive))
        return false;

    quint8 valueType = 0;
    quint32 length = 0;
    QByteArray value;
    if (!r.byte(valueType) || valueType != ValueBinary || !r.u32(length)) return false;
    if (qint64(length) > r.remaining() || !r.bytes(qsizetype(length), value)) return false;
    if (!readGraphic(value, entry)) return false;

    quint8 end = 0;
    return r.byte(end) && end == EndOfList;
}

} // namespace

TFrameEntries ReadFrameEntries(const QByteArray& blob)
{
    TFrameEntries result;
    if (blob.isEmpty()) {
        result.ok = true;
        return result;
    }
    Reader r(blob);
    quint8 marker = 0;
    r.byte(marker); // the collection marker is not checked
    QVector<TFrameEntry> entries;
    for (;;) {
        quint8 next = 0;
        if (!r.peek(next)) return result; // the end-of-list byte is missing
        if (next == EndOfList) {
            r.skip(1);
            break;
        }
        if (entries.size() >= MaxFrames) return result;
        TFrameEntry entry;
        if (!readFrame(r, entry)) return result;
        entries.append(std::move(entry));
    }
    result.entries = std::move(entries);
    result.ok = true;
    return result;
}

QVector<QImage> ParseFrameList(const QByteArray& blob)
{
    const TFrameEntries list = ReadFrameEntries(blob);
    QVector<QImage> frames;
    if (!list.ok) return frames;
    qint64 totalPixels = 0;
    for (const TFrameEntry& entry : list.entries) {
        const Picture::Kind kind = Picture::signatureKind(entry.bytes);
        if (kind != Picture::Kind::Bitmap && kind != Picture::Kind::Jpeg) return {};
        Picture::Decoded decoded = Picture::decode(entry.bytes);
        if (!decoded.ok()) return {};
        totalPixels += qint64(decoded.image.width()) * decoded.image.height();
        if (totalPixels > MaxTotalPixels) return {};
        frames.append(std::move(decoded.image));
    }
    return frames;
}

QByteArray WriteFrameList(const QVector<QPair<QString, QByteArray>>& frames)
{
    QByteArray out;
    out.append(char(CollectionMarker));
    for (const auto& [className, bytes] : frames) {
        const QByteArray name = className.toLatin1();
        if (name.isEmpty() || name.size() > 255 || QString::fromLatin1(name) != className) return {};
        const qint64 valueLength = 1 + name.size() + 4 + qint64(bytes.size());
        if (valueLength > std::numeric_limits<quint32>::max()) return {};

        out.append(char(StartOfProperties));
        out.append(char(PropertyName.size()));
        out.append(PropertyName);
        out.append(char(ValueBinary));
        char le[4];
        qToLittleEndian<quint32>(quint32(valueLength), le);
        out.append(le, 4);
        out.append(char(name.size()));
        out.append(name);
        qToLittleEndian<quint32>(quint32(bytes.size()), le);
        out.append(le, 4);
        out.append(bytes);
        out.append(char(EndOfList));
    }
    out.append(char(EndOfList));
    return out;
}
