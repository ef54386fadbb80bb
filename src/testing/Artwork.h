// The test engine's own pictures, drawn in code: the placeholder for a question without a
// readable picture, the frame behind the picture and the two magnifier cursors.
#pragma once

#include <QCursor>
#include <QImage>

namespace Artwork {
// 280 x 180: shown where a question has no picture or its picture cannot be read.
QImage placeholderPicture();
// 290 x 190: the frame behind the picture; the window stretches it to the picture's size.
QImage pictureFrame();
// The magnifier with "+" over an enlargeable picture, with "-" over the enlarged one.
QCursor zoomInCursor();
QCursor zoomOutCursor();
} // namespace Artwork
