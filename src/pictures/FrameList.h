// Animation frame lists as stored in RES.BLOB: reading them into images and writing them.
#pragma once

#include <QByteArray>
#include <QImage>
#include <QPair>
#include <QString>
#include <QVector>

// One stored frame: the graphic class it was written by ("TBitmap", "TJPEGImage") and the
// bytes of its bitmap or JPEG file.
struct TFrameEntry
{
    QString className;
    QByteArray bytes;
};

struct TFrameEntries
{
    QVector<TFrameEntry> entries;
    bool ok = false; // false when the list is malformed; entries is then empty
};

// Splits a stored frame list into its frames without decoding them. The bytes are untrusted:
// any truncated element or length that points beyond the data makes the whole list malformed.
// An empty input is a well-formed list of no frames.
TFrameEntries ReadFrameEntries(const QByteArray& blob);

// The decoded frames of a stored frame list, in stored order. A malformed list, or one of
// whose frames cannot be decoded, gives no frames at all rather than a jerky part of it.
QVector<QImage> ParseFrameList(const QByteArray& blob);

// Writes a frame list from (graphic class name, file bytes) pairs, in the layout that
// ParseFrameList reads. Gives an empty array when a class name does not fit its length byte
// or is not Latin-1, or a frame is too large for its 32-bit length.
QByteArray WriteFrameList(const QVector<QPair<QString, QByteArray>>& frames);
