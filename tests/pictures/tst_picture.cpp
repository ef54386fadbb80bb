// Tests of stored picture decoding: kinds by signature, the picture fit, guarded bitmap and JPEG
// decoding with scaled JPEG output, and the refusal of damaged or oversized pictures.
#include "pictures/Picture.h"

#include <QBuffer>
#include <QImageWriter>
#include <QPainter>
#include <QtEndian>
#include <QtTest>

namespace {

QByteArray encoded(const QImage& image, const char* format, int quality = 90)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format, quality);
    return bytes;
}

// A picture with four coloured quarters, so that a wrongly placed or scaled decode shows.
QImage quarters(int w, int h)
{
    QImage image(w, h, QImage::Format_RGB32);
    QPainter p(&image);
    p.fillRect(0, 0, w / 2, h / 2, Qt::red);
    p.fillRect(w / 2, 0, w - w / 2, h / 2, Qt::green);
    p.fillRect(0, h / 2, w / 2, h - h / 2, Qt::blue);
    p.fillRect(w / 2, h / 2, w - w / 2, h - h / 2, Qt::yellow);
    return image;
}

bool near(QColor a, QColor b)
{
    return qAbs(a.red() - b.red()) < 40 && qAbs(a.green() - b.green()) < 40 && qAbs(a.blue() - b.blue()) < 40;
}

// Rewrites the size in the baseline frame header of a JPEG (marker FF C0).
QByteArray withJpegSize(QByteArray jpeg, quint16 w, quint16 h)
{
    const int sof = jpeg.indexOf(QByteArray("\xff\xc0", 2));
    if (sof < 0) return {};
    qToBigEndian<quint16>(h, jpeg.data() + sof + 5);
    qToBigEndian<quint16>(w, jpeg.data() + sof + 7);
    return jpeg;
}

} // namespace

class TestPicture : public QObject
{
    Q_OBJECT

private slots:
    void signature_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("kind");
        using K = Picture::Kind;
        QTest::newRow("bitmap") << QByteArray("BM\x00\x01", 4) << int(K::Bitmap);
        QTest::newRow("jpeg") << QByteArray("\xff\xd8\xff\xe0", 4) << int(K::Jpeg);
        QTest::newRow("enhanced metafile") << QByteArray("\x01\x00\x00\x00", 4) << int(K::Metafile);
        QTest::newRow("placeable metafile") << QByteArray("\xd7\xcd\xc6\x9a", 4) << int(K::Metafile);
        QTest::newRow("two bytes suffice") << QByteArray("BM") << int(K::Bitmap);
        QTest::newRow("swapped bitmap") << QByteArray("MB") << int(K::None);
        QTest::newRow("swapped jpeg") << QByteArray("\xd8\xff", 2) << int(K::None);
        QTest::newRow("big-endian 1") << QByteArray("\x00\x01", 2) << int(K::None);
        QTest::newRow("png") << QByteArray("\x89PNG") << int(K::None);
        QTest::newRow("gif") << QByteArray("GIF89a") << int(K::None);
        QTest::newRow("zeros") << QByteArray(8, '\0') << int(K::None);
        QTest::newRow("one byte") << QByteArray("B") << int(K::None);
        QTest::newRow("one byte 01") << QByteArray("\x01", 1) << int(K::None);
        QTest::newRow("empty") << QByteArray() << int(K::None);
    }

    void signature()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(int, kind);
        QCOMPARE(int(Picture::signatureKind(bytes)), kind);
    }

    void fit_data()
    {
        QTest::addColumn<QSize>("own");
        QTest::addColumn<QSize>("shown");
        QTest::addColumn<QSize>("panel");
        QTest::addColumn<QSize>("frame");
        QTest::newRow("560x360") << QSize(560, 360) << QSize(280, 180) << QSize(282, 182) << QSize(290, 190);
        QTest::newRow("400x100") << QSize(400, 100) << QSize(280, 70) << QSize(282, 72) << QSize(290, 73);
        QTest::newRow("100x300") << QSize(100, 300) << QSize(60, 180) << QSize(62, 182) << QSize(62, 190);
        QTest::newRow("600x500 second step from own size")
            << QSize(600, 500) << QSize(216, 180) << QSize(218, 182) << QSize(223, 190);
        QTest::newRow("200x100 not enlarged")
            << QSize(200, 100) << QSize(200, 100) << QSize(202, 102) << QSize(207, 105);
        QTest::newRow("280x180 exactly")
            << QSize(280, 180) << QSize(280, 180) << QSize(282, 182) << QSize(290, 190);
        QTest::newRow("281x181 truncates")
            << QSize(281, 181) << QSize(280, 180) << QSize(282, 182) << QSize(290, 190);
        QTest::newRow("290x200 both steps")
            << QSize(290, 200) << QSize(261, 180) << QSize(263, 182) << QSize(270, 190);
        QTest::newRow("one pixel") << QSize(1, 1) << QSize(1, 1) << QSize(3, 3) << QSize(1, 1);
        QTest::newRow("very wide") << QSize(8000, 10) << QSize(280, 0) << QSize(282, 2) << QSize(290, 0);
    }

    void fit()
    {
        QFETCH(QSize, own);
        QFETCH(QSize, shown);
        QFETCH(QSize, panel);
        QFETCH(QSize, frame);
        const QSize s = Picture::fitInto(own);
        QCOMPARE(s, shown);
        QCOMPARE(Picture::panelSize(s), panel);
        QCOMPARE(Picture::frameSize(s), frame);
    }

    void fitIntoOtherBox()
    {
        QCOMPARE(Picture::fitInto(QSize(1000, 500), QSize(460, 230)), QSize(460, 230));
        QCOMPARE(Picture::fitInto(QSize(0, 10)), QSize(0, 0));
    }

    void bitmapDecodes()
    {
        const QByteArray bmp = encoded(quarters(64, 40), "BMP");
        const Picture::Decoded d = Picture::decode(bmp, QSize(280, 180));
        QVERIFY(d.ok());
        QCOMPARE(d.fullSize, QSize(64, 40));
        QCOMPARE(d.image.size(), QSize(64, 40));
        QVERIFY(near(d.image.pixelColor(5, 5), Qt::red));
        QVERIFY(near(d.image.pixelColor(60, 35), Qt::yellow));
    }

    void jpegDecodesAtOwnSize()
    {
        const QByteArray jpg = encoded(quarters(320, 200), "JPEG");
        QCOMPARE(Picture::signatureKind(jpg), Picture::Kind::Jpeg);
        const Picture::Decoded d = Picture::decode(jpg);
        QVERIFY(d.ok());
        QCOMPARE(d.image.size(), QSize(320, 200));
        QCOMPARE(d.fullSize, QSize(320, 200));
        QVERIFY(near(d.image.pixelColor(40, 40), Qt::red));
        QVERIFY(near(d.image.pixelColor(280, 40), Qt::green));
        QVERIFY(near(d.image.pixelColor(40, 160), Qt::blue));
        QVERIFY(near(d.image.pixelColor(280, 160), Qt::yellow));
        // A 32-bit picture must carry 0xFF in the fourth byte of every pixel, or drawing it blends.
        if (d.image.depth() == 32)
            for (int y = 0; y < d.image.height(); ++y) {
                const auto* row = reinterpret_cast<const QRgb*>(d.image.constScanLine(y));
                for (int x = 0; x < d.image.width(); ++x)
                    QCOMPARE(qAlpha(row[x]), 255);
            }
    }

    void grayJpegDecodes()
    {
        QImage gray(50, 30, QImage::Format_Grayscale8);
        gray.fill(200);
        const Picture::Decoded d = Picture::decode(encoded(gray, "JPEG"));
        QVERIFY(d.ok());
        QCOMPARE(d.fullSize, QSize(50, 30));
        QVERIFY(qAbs(d.image.pixelColor(25, 15).red() - 200) < 8);
    }

    void scaledJpeg_data()
    {
        QTest::addColumn<QSize>("own");
        QTest::addColumn<QSize>("view");
        QTest::addColumn<QSize>("decoded");
        QTest::newRow("eighth") << QSize(2400, 1600) << QSize(280, 180) << QSize(300, 200);
        QTest::newRow("quarter") << QSize(2000, 1500) << QSize(280, 180) << QSize(500, 375);
        QTest::newRow("half") << QSize(800, 600) << QSize(280, 180) << QSize(400, 300);
        QTest::newRow("rounded up by the decoder") << QSize(2233, 1441) << QSize(280, 180) << QSize(280, 181);
        QTest::newRow("wide: the height decides") << QSize(4000, 1000) << QSize(280, 180) << QSize(1000, 250);
        QTest::newRow("already small") << QSize(500, 300) << QSize(280, 180) << QSize(500, 300);
        QTest::newRow("smaller than the view") << QSize(200, 100) << QSize(280, 180) << QSize(200, 100);
        QTest::newRow("no view") << QSize(2400, 1600) << QSize() << QSize(2400, 1600);
    }

    void scaledJpeg()
    {
        QFETCH(QSize, own);
        QFETCH(QSize, view);
        QFETCH(QSize, decoded);
        const Picture::Decoded d =
            Picture::decode(encoded(quarters(own.width(), own.height()), "JPEG", 75), view);
        QVERIFY(d.ok());
        QCOMPARE(d.fullSize, own);
        QCOMPARE(d.image.size(), decoded);
        // Whatever the scale, the decoded picture still covers what the view shows of it.
        const QSize shown = Picture::fitInto(own, view.isValid() ? view : own);
        QVERIFY(d.image.width() >= shown.width() && d.image.height() >= shown.height());
        QVERIFY(near(d.image.pixelColor(d.image.width() / 4, d.image.height() / 4), Qt::red));
        QVERIFY(near(d.image.pixelColor(d.image.width() * 3 / 4, d.image.height() * 3 / 4), Qt::yellow));
    }

    void progressiveJpeg()
    {
        QByteArray bytes;
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        QImageWriter writer(&buffer, "JPEG");
        writer.setProgressiveScanWrite(true);
        QVERIFY(writer.write(quarters(1200, 800)));
        const Picture::Decoded d = Picture::decode(bytes, QSize(280, 180));
        QVERIFY(d.ok());
        QCOMPARE(d.fullSize, QSize(1200, 800));
        QCOMPARE(d.image.size(), QSize(300, 200));
        QVERIFY(near(d.image.pixelColor(220, 150), Qt::yellow));
        QVERIFY(!Picture::decode(bytes.left(bytes.size() * 2 / 3)).ok());
    }

    void unreadable_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        const QByteArray bmp = encoded(quarters(64, 40), "BMP");
        const QByteArray jpg = encoded(quarters(64, 40), "JPEG");
        QTest::newRow("empty") << QByteArray();
        QTest::newRow("foreign signature") << encoded(quarters(8, 8), "PNG");
        QTest::newRow("text") << QByteArray("hello, this is no picture");
        QTest::newRow("bitmap signature only") << QByteArray("BM");
        QTest::newRow("bitmap header only") << bmp.left(54);
        QTest::newRow("truncated bitmap") << bmp.left(bmp.size() / 2);
        QTest::newRow("bitmap one byte short") << bmp.left(bmp.size() - 1);
        QTest::newRow("jpeg signature only") << QByteArray("\xff\xd8", 2);
        QTest::newRow("truncated jpeg") << jpg.left(jpg.size() / 2);
        QTest::newRow("jpeg without its end") << jpg.left(jpg.size() - 200);
        QByteArray garbage = jpg;
        for (int i = garbage.size() / 3; i < garbage.size() - 2; i += 7)
            garbage[i] = char(0xff);
        QTest::newRow("corrupt jpeg data") << garbage;
        QByteArray noFrame = jpg;
        noFrame.replace(noFrame.indexOf(QByteArray("\xff\xc0", 2)), 2, QByteArray("\xff\xfe", 2));
        QTest::newRow("jpeg without frame header") << noFrame;
        QTest::newRow("metafile signature only") << QByteArray("\x01\x00\x00\x00", 4);
        QTest::newRow("placeable signature only") << QByteArray("\xd7\xcd\xc6\x9a", 4);
    }

    void unreadable()
    {
        QFETCH(QByteArray, bytes);
        const Picture::Decoded d = Picture::decode(bytes, QSize(280, 180));
        QVERIFY(!d.ok());
        QVERIFY(d.image.isNull());
        QVERIFY(!Picture::decode(bytes).ok());
    }

    void oversizedRefused_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        const QByteArray jpg = encoded(quarters(64, 40), "JPEG");
        QTest::newRow("jpeg 60000x60000") << withJpegSize(jpg, 60000, 60000);
        QTest::newRow("jpeg 8001x10") << withJpegSize(jpg, 8001, 10);
        QTest::newRow("jpeg 7000x7000") << withJpegSize(jpg, 7000, 7000);
        QTest::newRow("jpeg 0x40") << withJpegSize(jpg, 0, 40);
        QByteArray bmp = encoded(quarters(64, 40), "BMP");
        qToLittleEndian<qint32>(60000, bmp.data() + 18);
        qToLittleEndian<qint32>(60000, bmp.data() + 22);
        QTest::newRow("bitmap 60000x60000") << bmp;
        qToLittleEndian<qint32>(64, bmp.data() + 18);
        qToLittleEndian<qint32>(-2000000000, bmp.data() + 22);
        QTest::newRow("bitmap huge top-down") << bmp;
    }

    void oversizedRefused()
    {
        QFETCH(QByteArray, bytes);
        QVERIFY(!bytes.isEmpty());
        QElapsedTimer timer;
        timer.start();
        QVERIFY(!Picture::decode(bytes).ok());
        QVERIFY(!Picture::decode(bytes, QSize(280, 180)).ok());
        QVERIFY(!Picture::headerSize(bytes).isValid());
        QVERIFY2(timer.elapsed() < 2000, "refused before decoding");
    }

    void headerSize()
    {
        // the size without decoding: what decode() gives as the picture's own size
        for (const char* format : {"JPEG", "BMP"}) {
            const QByteArray bytes = encoded(quarters(64, 40), format);
            QCOMPARE(Picture::headerSize(bytes), QSize(64, 40));
            QCOMPARE(Picture::headerSize(bytes), Picture::decode(bytes, QSize(8, 5)).fullSize);
        }
        // a JPEG whose data is cut short still has its header
        const QByteArray jpg = encoded(quarters(300, 200), "JPEG");
        QCOMPARE(Picture::headerSize(jpg.left(jpg.size() / 2)), QSize(300, 200));
        for (const QByteArray& bytes : {QByteArray(), QByteArray("\xff\xd8", 2), QByteArray("BM"),
                                        QByteArray("hello, this is no picture"), encoded(quarters(8, 8), "PNG"),
                                        jpg.left(12)})
            QVERIFY(!Picture::headerSize(bytes).isValid());
    }

    void sizeLimit()
    {
        QVERIFY(Picture::acceptableSize(8000, 5000));
        QVERIFY(!Picture::acceptableSize(8000, 5001));
        QVERIFY(!Picture::acceptableSize(8001, 1));
        QVERIFY(!Picture::acceptableSize(0, 1));
        QVERIFY(!Picture::acceptableSize(-5, -5));
    }
};

QTEST_GUILESS_MAIN(TestPicture)
#include "tst_picture.moc"
