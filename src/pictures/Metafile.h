// Windows metafiles stored as question pictures: a small player of our own that draws enhanced
// metafiles and placeable Windows metafiles into an image. The bytes are untrusted.
#pragma once

#include <QByteArray>
#include <QImage>
#include <QSize>

namespace Metafile {

enum class Format
{
    None,
    Enhanced,
    Placeable
};

// The format by the header: an enhanced metafile starts with a header record (type 1) that
// carries the " EMF" signature; a placeable Windows metafile starts with 0x9AC6CDD7.
Format format(const QByteArray& bytes);

// The picture's own size in pixels at 96 dpi: for an enhanced metafile from the header's frame
// (in 0.01 mm; the bounds and the reference device when the frame is empty), for a placeable
// one from its bounding box and units per inch. Empty when the header is unreadable or the
// size is absurd.
QSize ownSize(const QByteArray& bytes);

// Plays the metafile into a transparent image of its own size. Records it does not know are
// skipped; a record whose size or counts do not fit the data makes the whole picture unreadable,
// and then, as for an unreadable header, the result is a null image.
QImage render(const QByteArray& bytes);

} // namespace Metafile
