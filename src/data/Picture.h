// Stored pictures: told apart by their first two bytes and decoded into an image. Every byte
// comes from the database and is untrusted; anything unreadable gives an empty result.
#pragma once

#include <QByteArray>
#include <QImage>
#include <QSize>

namespace Picture {

enum class Kind { None, Bitmap, Jpeg, Metafile };

// The kind by the little-endian 16-bit signature: 0x4D42 "BM" bitmap, 0xD8FF JPEG,
// 1 enhanced metafile, 0xCDD7 placeable Windows metafile; anything else none.
Kind signatureKind(const QByteArray& bytes);

struct Decoded
{
    QImage image;    // empty when the picture could not be read
    QSize fullSize;  // the picture's own size (also when the image was decoded scaled down)
    bool ok() const { return !image.isNull(); }
};

// Decodes a stored picture. With a view size, a large raster picture may be decoded scaled
// down, but never below what covers the view; without one it is decoded at its own size.
Decoded decode(const QByteArray& bytes, QSize viewSize = QSize());

} // namespace Picture
