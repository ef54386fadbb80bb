// Pictures of the program's files and resources (the skins, the logo), decoded once and kept for
// the program's life. Decoding may begin on a thread of its own before anybody needs a picture;
// the first use then waits for it instead of decoding again.
#pragma once

#include <QImage>
#include <QPixmap>
#include <QSize>
#include <QStringList>

namespace PictureStore {

// The picture's own size, from the file's header only; invalid when the file holds no readable
// picture.
QSize headerSize(const QString& path);

// Decodes a file: a JPEG picture with the program's own decoder, straight into the layout of the
// screen's pixmaps, anything else with Qt's readers. Null when unreadable. Safe on any thread.
QImage decodeFile(const QString& path);

// Starts decoding these files on a thread of their own. GUI thread only.
void decodeInBackground(const QStringList& paths);

// The decoded picture of a file (null when unreadable), the same pixels for every caller. Decoded
// here, unless the background has it or is decoding it, in which case this waits for it.
// GUI thread only.
QPixmap pixmap(const QString& path);

// Waits until the background has decoded everything it was given.
void finishBackground();

} // namespace PictureStore
