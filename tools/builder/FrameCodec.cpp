// Frame-list bytes: a collection of items, each with one "Picture.Data" property.
#include "FrameCodec.h"

#include "data/Picture.h"

#include <QtEndian>

namespace FrameCodec {

namespace {

void put32(QByteArray& out, quint32 v)
{
    char b[4];
    qToLittleEndian(v, b);
    out.append(b, 4);
}

} // namespace

QByteArray write(const QVector<QByteArray>& pictures)
{
    QByteArray out;
    out.append(char(14));
    for (const QByteArray& p : pictures) {
        const QByteArray cls = Picture::signatureKind(p) == Picture::Kind::Jpeg ? QByteArray("TJPEGImage")
                                                                                : QByteArray("TBitmap");
        QByteArray value;
        value.append(char(cls.size()));
        value.append(cls);
        put32(value, quint32(p.size()));
        value.append(p);
        out.append(char(1));
        const QByteArray name("Picture.Data");
        out.append(char(name.size()));
        out.append(name);
        out.append(char(10));
        put32(out, quint32(value.size()));
        out.append(value);
        out.append(char(0));
    }
    out.append(char(0));
    return out;
}

bool read(const QByteArray& blob, QVector<QByteArray>* pictures)
{
    pictures->clear();
    if (blob.isEmpty()) return true;
    qsizetype at = 1;
    const auto need = [&](qsizetype n) { return n >= 0 && at + n <= blob.size(); };
    const auto byte = [&]() { return quint8(blob[at++]); };
    const auto u32 = [&]() {
        const quint32 v = qFromLittleEndian<quint32>(blob.constData() + at);
        at += 4;
        return v;
    };
    while (need(1)) {
        quint8 b = byte();
        if (b == 0) return true;
        if (b >= 2 && b <= 4) { // item index
            const int size = b == 2 ? 1 : b == 3 ? 2 : 4;
            if (!need(size + 1)) return false;
            at += size;
            b = byte();
        }
        if (b != 1 || !need(1)) return false;
        const int nameLen = byte();
        if (!need(nameLen + 5) || blob.mid(at, nameLen) != "Picture.Data") return false;
        at += nameLen;
        if (byte() != 10) return false;
        const quint32 len = u32();
        if (!need(qsizetype(len) + 1) || len < 5) return false;
        const qsizetype end = at + len;
        const int clsLen = byte();
        if (at + clsLen + 4 > end) return false;
        at += clsLen;
        const quint32 size = u32();
        if (at + qsizetype(size) > end) return false;
        pictures->append(blob.mid(at, size));
        at = end;
        if (byte() != 0) return false;
    }
    return false;
}

} // namespace FrameCodec
