// The stored frame list of a category animation (RES.BLOB), written and read by the builder.
#pragma once

#include <QByteArray>
#include <QVector>

namespace FrameCodec {

// One frame: the graphic class ("TBitmap" or "TJPEGImage") by the picture's signature.
QByteArray write(const QVector<QByteArray>& pictures);

// The picture bytes of every frame; false when the list is malformed.
bool read(const QByteArray& blob, QVector<QByteArray>* pictures);

} // namespace FrameCodec
