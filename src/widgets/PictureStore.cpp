// Pictures of the program's files and resources, decoded once.
#include "PictureStore.h"

#include "data/Platform.h"
#include "pictures/Picture.h"

#include <QFile>
#include <QHash>
#include <QImageReader>
#include <QSet>

#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace {

struct TStore
{
    // shared with the background threads
    std::mutex mutex;
    std::condition_variable ready;
    QSet<QString> pending;          // given to a background thread, not decoded yet
    QHash<QString, QImage> decoded; // decoded there, not yet taken
    // GUI thread only
    std::vector<std::thread> threads;
    QHash<QString, QPixmap> pixmaps;

    ~TStore() { join(); }
    void join()
    {
        for (std::thread& t : threads)
            if (t.joinable())
                t.join();
        threads.clear();
    }
};

TStore& store()
{
    static TStore s;
    return s;
}

bool isJpeg(QFile& file)
{
    return Picture::signatureKind(file.peek(2)) == Picture::Kind::Jpeg;
}

// A reader of the file. A picture in one of Qt's own formats (PNG, BMP) is read as that format
// at once: a reader left to find the format loads every image plugin there is to ask it.
std::unique_ptr<QImageReader> readerOf(QFile& file)
{
    auto reader = std::make_unique<QImageReader>(&file);
    const QByteArray head = file.peek(8);
    const QByteArray format = head.startsWith("\x89PNG\r\n\x1a\n") ? QByteArrayLiteral("PNG")
                              : head.startsWith("BM")                ? QByteArrayLiteral("BMP")
                                                                     : QByteArray();
    if (!format.isEmpty()) {
        reader->setFormat(format);
        reader->setAutoDetectImageFormat(false);
    }
    return reader;
}

} // namespace

namespace PictureStore {

QSize headerSize(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    if (isJpeg(file))
        return Picture::headerSize(file.readAll());
    return readerOf(file)->size();
}

QImage decodeFile(const QString& path)
{
    try {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            return {};
        if (isJpeg(file))
            return Picture::decode(file.readAll()).image;
        QImage image = readerOf(file)->read();
        // the layout of the screen's pixmaps, so that making the pixmap converts nothing
        if (image.format() == QImage::Format_ARGB32)
            image.convertTo(QImage::Format_ARGB32_Premultiplied);
        return image;
    } catch (const std::exception&) { // out of memory: as unreadable
        return {};
    }
}

void decodeInBackground(const QStringList& paths)
{
    if (!Platform::threadsMayEnd())
        return; // decoded when first asked for
    TStore& s = store();
    QStringList todo;
    {
        const std::lock_guard lock(s.mutex);
        for (const QString& path : paths)
            if (!s.pixmaps.contains(path) && !s.pending.contains(path) && !s.decoded.contains(path)) {
                s.pending.insert(path);
                todo.append(path);
            }
    }
    if (todo.isEmpty())
        return;
    s.threads.emplace_back([todo] {
        TStore& s = store();
        for (const QString& path : todo) {
            QImage image = decodeFile(path);
            const std::lock_guard lock(s.mutex);
            s.decoded.insert(path, std::move(image));
            s.pending.remove(path);
            s.ready.notify_all();
        }
    });
}

QPixmap pixmap(const QString& path)
{
    TStore& s = store();
    if (const auto it = s.pixmaps.constFind(path); it != s.pixmaps.cend())
        return it.value();
    QImage image;
    bool decoded = false;
    {
        std::unique_lock lock(s.mutex);
        s.ready.wait(lock, [&] { return !s.pending.contains(path); });
        if (const auto it = s.decoded.find(path); it != s.decoded.end()) {
            image = std::move(it.value());
            s.decoded.erase(it);
            decoded = true;
        }
    }
    if (!decoded)
        image = decodeFile(path);
    return s.pixmaps.insert(path, QPixmap::fromImage(std::move(image))).value();
}

void finishBackground()
{
    store().join();
}

} // namespace PictureStore
