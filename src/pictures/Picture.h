// Stored pictures: told apart by their first two bytes and decoded into an image. Every byte
// comes from the database and is untrusted; anything unreadable gives an empty result.
#pragma once

#include <QByteArray>
#include <QImage>
#include <QSize>

namespace Picture {

enum class Kind
{
    None,
    Bitmap,
    Jpeg,
    Metafile
};

// The kind by the little-endian 16-bit signature: 0x4D42 "BM" bitmap, 0xD8FF JPEG,
// 1 enhanced metafile, 0xCDD7 placeable Windows metafile; anything else none.
Kind signatureKind(const QByteArray& bytes);

struct Decoded
{
    QImage image;   // empty when the picture could not be read
    QSize fullSize; // the picture's own size (also when the image was decoded scaled down)
    bool ok() const { return !image.isNull(); }
};

// The largest picture that is decoded at all; a header claiming more is refused unread, so
// that a few stored bytes cannot make the program allocate gigabytes.
constexpr int MaxSide = 8000;
constexpr qint64 MaxPixels = 40LL * 1000 * 1000;
bool acceptableSize(qint64 width, qint64 height);

// The own size of a bitmap or JPEG picture from its header, without decoding it; invalid for
// anything else, or for a size that decode() refuses.
QSize headerSize(const QByteArray& bytes);

// Decodes a stored picture. With a view size, a JPEG picture may be decoded scaled down by
// 1/2, 1/4 or 1/8, but never below the view size in either direction (or the picture's own
// size, where that is smaller); without a view size it is decoded at its own size.
Decoded decode(const QByteArray& bytes, QSize viewSize = QSize());

// The size a picture of its own size `own` is shown at in `box`: shrunk to fit the width,
// then the height, keeping its proportions in integer arithmetic; never enlarged.
QSize fitInto(QSize own, QSize box = QSize(280, 180));

// The frame beside the topic-group list of the question-browsing dialog, its one-pixel line
// included, and the largest group picture that shows whole in it: the dialog shows a group's
// picture at its own size, cut off by the frame, and the bank builder warns of larger ones.
constexpr QSize GroupFrameSize{224, 250};
constexpr QSize GroupPictureSize{GroupFrameSize.width() - 2, GroupFrameSize.height() - 2};

// The test window's panel around a picture shown at `shown` (one pixel of frame on each side)
// and the decorative frame image behind it, which keeps the proportions of 290 x 190 to
// 280 x 180.
QSize panelSize(QSize shown);
QSize frameSize(QSize shown);

} // namespace Picture
