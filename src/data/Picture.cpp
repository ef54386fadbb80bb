// Stored pictures: signature dispatch and decoding.
#include "Picture.h"

#include <QBuffer>
#include <QImageReader>

namespace Picture {

Kind signatureKind(const QByteArray& bytes)
{
    if (bytes.size() < 2)
        return Kind::None;
    const quint16 sig = quint16(quint8(bytes[0])) | quint16(quint8(bytes[1])) << 8;
    switch (sig) {
    case 0x4D42:
        return Kind::Bitmap;
    case 0xD8FF:
        return Kind::Jpeg;
    case 0x0001:
    case 0xCDD7:
        return Kind::Metafile;
    default:
        return Kind::None;
    }
}

Decoded decode(const QByteArray& bytes, QSize)
{
    Decoded d;
    const Kind kind = signatureKind(bytes);
    if (kind != Kind::Bitmap && kind != Kind::Jpeg)
        return d;
    QByteArray copy = bytes;
    QBuffer buffer(&copy);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, kind == Kind::Bitmap ? "BMP" : "JPEG");
    d.image = reader.read();
    d.fullSize = d.image.size();
    return d;
}

} // namespace Picture
