// The store of the program's pictures: sizes from headers, decoding in the screen's layout, one
// decoded picture per file, and decoding on a thread of its own.
#include "widgets/Form.h"
#include "widgets/PictureStore.h"

#include <QFile>
#include <QImageReader>
#include <QPainter>
#include <QTemporaryDir>
#include <QtTest>

class TstPictureStore : public QObject
{
    Q_OBJECT
private slots:
    void headerSize();
    void jpegDecodedAsQtReadsIt();
    void pngKeepsItsTransparency();
    void unreadableFiles();
    void onePicturePerFile();
    void backgroundDecoding();
    void skinsAndLogo();
};

namespace {

// A picture with detail in it (gradients and edges), so that a decoder that differs shows.
QImage pattern(int w, int h, QImage::Format format = QImage::Format_RGB32)
{
    QImage image(w, h, format);
    image.fill(Qt::transparent);
    QPainter p(&image);
    QLinearGradient g(0, 0, w, h);
    g.setColorAt(0, QColor(200, 30, 40));
    g.setColorAt(1, QColor(20, 160, 230));
    p.fillRect(0, 0, w, h / 2, g);
    p.fillRect(w / 3, h / 2, w / 3, h / 2, QColor(250, 240, 10, 128));
    p.setPen(Qt::black);
    p.drawLine(0, h - 1, w - 1, 0);
    return image;
}

QString saved(const QTemporaryDir& dir, const QString& name, const QImage& image, const char* format)
{
    const QString path = dir.filePath(name);
    if (!image.save(path, format, 90))
        return QString();
    return path;
}

int largestDifference(const QImage& a, const QImage& b)
{
    int worst = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
            worst = std::max({worst, qAbs(qRed(p) - qRed(q)), qAbs(qGreen(p) - qGreen(q)),
                              qAbs(qBlue(p) - qBlue(q)), qAbs(qAlpha(p) - qAlpha(q))});
        }
    return worst;
}

} // namespace

void TstPictureStore::headerSize()
{
    QTemporaryDir dir;
    QCOMPARE(PictureStore::headerSize(saved(dir, "a.jpg", pattern(151, 93), "JPG")), QSize(151, 93));
    QCOMPARE(PictureStore::headerSize(saved(dir, "a.png", pattern(40, 7), "PNG")), QSize(40, 7));
    QCOMPARE(PictureStore::headerSize(saved(dir, "a.bmp", pattern(33, 21), "BMP")), QSize(33, 21));
    QVERIFY(!PictureStore::headerSize(dir.filePath("missing.jpg")).isValid());
    QFile text(dir.filePath("text.jpg"));
    QVERIFY(text.open(QIODevice::WriteOnly));
    text.write("no picture here");
    text.close();
    QVERIFY(!PictureStore::headerSize(text.fileName()).isValid());
}

void TstPictureStore::jpegDecodedAsQtReadsIt()
{
    // The program's own decoder gives the pixels Qt's reader gives, in the screen's layout.
    QTemporaryDir dir;
    const QString path = saved(dir, "skin.jpg", pattern(320, 200), "JPG");
    const QImage ours = PictureStore::decodeFile(path);
    const QImage qts = QImageReader(path).read();
    QCOMPARE(ours.format(), QImage::Format_RGB32);
    QCOMPARE(ours.size(), qts.size());
    QVERIFY2(largestDifference(ours, qts.convertToFormat(QImage::Format_RGB32)) <= 1,
             "the same picture as Qt's reader decodes");
    QCOMPARE(qAlpha(ours.pixel(5, 5)), 255);
}

void TstPictureStore::pngKeepsItsTransparency()
{
    QTemporaryDir dir;
    const QImage original = pattern(60, 40, QImage::Format_ARGB32);
    const QString path = saved(dir, "logo.png", original, "PNG");
    const QImage decoded = PictureStore::decodeFile(path);
    QCOMPARE(decoded.format(), QImage::Format_ARGB32_Premultiplied);
    QCOMPARE(decoded.convertToFormat(QImage::Format_ARGB32), original);
    QCOMPARE(qAlpha(decoded.pixel(30, 30)), 128);
}

void TstPictureStore::unreadableFiles()
{
    QTemporaryDir dir;
    const QString good = saved(dir, "good.jpg", pattern(200, 150), "JPG");
    QFile in(good);
    QVERIFY(in.open(QIODevice::ReadOnly));
    const QByteArray bytes = in.readAll();
    QFile cut(dir.filePath("cut.jpg"));
    QVERIFY(cut.open(QIODevice::WriteOnly));
    cut.write(bytes.left(bytes.size() / 2));
    cut.close();
    for (const QString& path : {cut.fileName(), dir.filePath("missing.jpg"), dir.path()}) {
        QVERIFY(PictureStore::decodeFile(path).isNull());
        QVERIFY(PictureStore::pixmap(path).isNull());
    }
    // the same through the background
    const QString cutToo = dir.filePath("cut2.jpg");
    QVERIFY(QFile::copy(cut.fileName(), cutToo));
    PictureStore::decodeInBackground({cutToo});
    QVERIFY(PictureStore::pixmap(cutToo).isNull());
}

void TstPictureStore::onePicturePerFile()
{
    QTemporaryDir dir;
    const QString path = saved(dir, "once.jpg", pattern(90, 60), "JPG");
    const QPixmap first = PictureStore::pixmap(path);
    QCOMPARE(first.size(), QSize(90, 60));
    QCOMPARE(PictureStore::pixmap(path).cacheKey(), first.cacheKey());
    // kept for the program's life: a later change of the file, or decoding it again in the
    // background, does not replace what the windows already show
    QVERIFY(QFile::remove(path));
    QVERIFY(!saved(dir, "once.jpg", pattern(30, 20), "JPG").isEmpty());
    PictureStore::decodeInBackground({path});
    PictureStore::finishBackground();
    QCOMPARE(PictureStore::pixmap(path).cacheKey(), first.cacheKey());
    QCOMPARE(PictureStore::pixmap(path).size(), QSize(90, 60));
}

void TstPictureStore::backgroundDecoding()
{
    // Many pictures handed to the background and taken at once, the last first: every one is
    // the right picture, whether it was ready or still being decoded.
    QTemporaryDir dir;
    QStringList paths;
    QList<QImage> expected;
    for (int i = 0; i < 24; ++i) {
        const QImage image = pattern(100 + 13 * i, 50 + 7 * i);
        paths.append(saved(dir, QStringLiteral("p%1.%2").arg(i).arg(i % 3 ? "jpg" : "png"), image,
                           i % 3 ? "JPG" : "PNG"));
        expected.append(PictureStore::decodeFile(paths.last()));
    }
    PictureStore::decodeInBackground(paths.mid(0, 12));
    PictureStore::decodeInBackground(paths.mid(8)); // overlapping: each is decoded once
    for (int i = int(paths.size()) - 1; i >= 0; --i) {
        const QImage shown = PictureStore::pixmap(paths[i]).toImage();
        QCOMPARE(shown.size(), expected[i].size());
        QVERIFY2(largestDifference(shown, expected[i]) == 0, qPrintable(paths[i]));
    }
    PictureStore::finishBackground();
    PictureStore::finishBackground(); // nothing left to wait for
}

void TstPictureStore::skinsAndLogo()
{
    // the program's own pictures, as the start-up decodes them in the background
    const QString main = TForm::skinPicturePath(QStringLiteral("main"));
    const QString logo = QStringLiteral(":/ferdano/logo.png");
    TForm::preparePictures({logo, main});
    QCOMPARE(PictureStore::pixmap(main).size(), QSize(640, 480));
    QCOMPARE(PictureStore::pixmap(logo).size(), QSize(260, 220));
    QCOMPARE(PictureStore::headerSize(main), QSize(640, 480));
    PictureStore::finishBackground();
}

QTEST_MAIN(TstPictureStore)
#include "tst_picturestore.moc"
