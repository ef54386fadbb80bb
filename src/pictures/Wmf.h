// Placeable Windows metafiles: the header, the picture's own size and playing the records into an
// image.
#pragma once

#include <QByteArray>
#include <QImage>
#include <QRect>
#include <QSize>

namespace Metafile::Wmf {

constexpr quint32 PlaceableKey = 0x9AC6CDD7;
constexpr int PlaceableHeaderSize = 22;
constexpr int HeaderSize = 18;

struct Header
{
    QRect bbox;
    int inch = 0;
    int objects = 0;
};

// The placeable header and the metafile header after it; false when they are not readable.
bool readHeader(const QByteArray& bytes, Header& h);

// The size in pixels at 96 dpi; empty when it is absurd.
QSize size(const Header& h);

// Plays the whole file; a null image when the header or any record is malformed.
QImage render(const QByteArray& bytes);

} // namespace Metafile::Wmf
