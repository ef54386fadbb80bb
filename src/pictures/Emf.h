// Enhanced metafiles: the header, the picture's own size and playing the records into an image.
#pragma once

#include <QByteArray>
#include <QImage>
#include <QRect>
#include <QSize>

namespace Metafile::Emf {

constexpr quint32 Signature = 0x464D4520; // " EMF"

struct Header
{
    QRect bounds, frame;
    QSize device, millimeters;
    quint32 handles = 0;
};

// The header record; false when it is not one or does not fit the data.
bool readHeader(const QByteArray& bytes, Header& h);

// The size in pixels at 96 dpi; empty when it is absurd.
QSize size(const Header& h);

// Plays the whole file; a null image when the header or any record is malformed.
QImage render(const QByteArray& bytes);

} // namespace Metafile::Emf
