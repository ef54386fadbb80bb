// Tests of the stored animation frame lists: writing, reading back and refusing damaged lists.
#include "pictures/FrameList.h"

#include <QBuffer>
#include <QtEndian>
#include <QtTest>

namespace {

QByteArray encoded(const QImage& image, const char* format)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format);
    return bytes;
}

QImage filled(int w, int h, QColor colour)
{
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(colour);
    return image;
}

QByteArray le32(quint32 v)
{
    char b[4];
    qToLittleEndian(v, b);
    return QByteArray(b, 4);
}

// One frame written by hand, with an optional item index prefix, so that the tests do not
// depend on the writer for the layouts that only other writers produce.
QByteArray frameBytes(const QByteArray& indexPrefix, const QByteArray& className, const QByteArray& file)
{
    QByteArray value;
    value += char(className.size());
    value += className;
    value += le32(quint32(file.size()));
    value += file;
    QByteArray out = indexPrefix;
    out += char(1);
    out += char(12);
    out += "Picture.Data";
    out += char(10);
    out += le32(quint32(value.size()));
    out += value;
    out += char(0);
    return out;
}

QColor centre(const QImage& image)
{
    return image.pixelColor(image.width() / 2, image.height() / 2);
}

} // namespace

class TestFrameList : public QObject
{
    Q_OBJECT

private slots:
    void roundTripBothKinds()
    {
        const QByteArray bmp = encoded(filled(40, 30, Qt::red), "BMP");
        const QByteArray jpg = encoded(filled(64, 48, Qt::blue), "JPEG");
        QVERIFY(!bmp.isEmpty() && !jpg.isEmpty());
        const QByteArray blob = WriteFrameList({{"TBitmap", bmp}, {"TJPEGImage", jpg}, {"TBitmap", bmp}});

        const TFrameEntries entries = ReadFrameEntries(blob);
        QVERIFY(entries.ok);
        QCOMPARE(entries.entries.size(), 3);
        QCOMPARE(entries.entries[1].className, QString("TJPEGImage"));
        QCOMPARE(entries.entries[1].bytes, jpg);
        QCOMPARE(entries.entries[2].bytes, bmp);

        const QVector<QImage> frames = ParseFrameList(blob);
        QCOMPARE(frames.size(), 3);
        QCOMPARE(frames[0].size(), QSize(40, 30));
        QCOMPARE(frames[1].size(), QSize(64, 48));
        QCOMPARE(centre(frames[0]), QColor(Qt::red));
        const QColor blue = centre(frames[1]);
        QVERIFY2(blue.blue() > 200 && blue.red() < 40 && blue.green() < 40, qPrintable(blue.name()));
    }

    void layoutOfTheWriter()
    {
        const QByteArray file = encoded(filled(2, 2, Qt::white), "BMP");
        const QByteArray blob = WriteFrameList({{"TBitmap", file}});
        QByteArray expected;
        expected += char(14);
        expected += frameBytes({}, "TBitmap", file);
        expected += char(0);
        QCOMPARE(blob, expected);
        QCOMPARE(WriteFrameList({}), QByteArray("\x0e\x00", 2));
    }

    void itemIndexVariants_data()
    {
        QTest::addColumn<QByteArray>("prefix");
        QTest::newRow("none") << QByteArray();
        QTest::newRow("8-bit") << QByteArray("\x02\x05", 2);
        QTest::newRow("16-bit") << QByteArray("\x03\x05\x01", 3);
        QTest::newRow("32-bit") << QByteArray("\x04\x05\x00\x00\x01", 5);
    }

    void itemIndexVariants()
    {
        QFETCH(QByteArray, prefix);
        const QByteArray jpg = encoded(filled(16, 8, Qt::green), "JPEG");
        const QByteArray bmp = encoded(filled(8, 16, Qt::yellow), "BMP");
        const QByteArray blob =
            char(14) + frameBytes(prefix, "TJPEGImage", jpg) + frameBytes(prefix, "TBitmap", bmp) + char(0);
        const QVector<QImage> frames = ParseFrameList(blob);
        QCOMPARE(frames.size(), 2);
        QCOMPARE(frames[0].size(), QSize(16, 8));
        QCOMPARE(frames[1].size(), QSize(8, 16));
    }

    void emptyLists()
    {
        QVERIFY(ReadFrameEntries(QByteArray()).ok);
        QVERIFY(ParseFrameList(QByteArray()).isEmpty());
        const TFrameEntries none = ReadFrameEntries(QByteArray("\x0e\x00", 2));
        QVERIFY(none.ok);
        QVERIFY(none.entries.isEmpty());
    }

    void malformed_data()
    {
        QTest::addColumn<QByteArray>("blob");
        const QByteArray bmp = encoded(filled(4, 4, Qt::black), "BMP");
        const QByteArray good = char(14) + frameBytes({}, "TBitmap", bmp) + char(0);
        const int valueLengthAt = 1 + 1 + 1 + 12 + 1; // marker, start, name length, name, type
        const int sizeAt = valueLengthAt + 4 + 1 + 7; // value length, class name length, name

        QTest::newRow("marker only") << QByteArray("\x0e", 1);
        QTest::newRow("no end of list") << good.left(good.size() - 1);
        QTest::newRow("no end of properties") << good.left(good.size() - 2);
        for (int cut : {2, 10, valueLengthAt + 2, sizeAt + 2, sizeAt + 20})
            QTest::newRow(qPrintable(QString("truncated at %1").arg(cut))) << good.left(cut);

        QByteArray lyingValue = good;
        lyingValue.replace(valueLengthAt, 4, le32(0x7fffffff));
        QTest::newRow("value length beyond data") << lyingValue;
        QByteArray hugeValue = good;
        hugeValue.replace(valueLengthAt, 4, le32(0xffffffff));
        QTest::newRow("value length 4 GiB") << hugeValue;
        QByteArray shortValue = good;
        shortValue.replace(valueLengthAt, 4, le32(6));
        QTest::newRow("value shorter than its class name") << shortValue;
        QByteArray lyingSize = good;
        lyingSize.replace(sizeAt, 4, le32(quint32(bmp.size() + 1)));
        QTest::newRow("file size beyond value") << lyingSize;
        QByteArray hugeSize = good;
        hugeSize.replace(sizeAt, 4, le32(0xfffffff0));
        QTest::newRow("file size 4 GiB") << hugeSize;

        QByteArray wrongName = good;
        wrongName.replace(3, 12, "Picture.Date");
        QTest::newRow("other property") << wrongName;
        QByteArray wrongType = good;
        wrongType[valueLengthAt - 1] = char(6);
        QTest::newRow("value not binary") << wrongType;
        QByteArray noStart = good;
        noStart[1] = char(7);
        QTest::newRow("no start of properties") << noStart;
        QTest::newRow("index without item") << QByteArray("\x0e\x04\x01\x00", 4);
        QTest::newRow("not a picture") << char(14) + frameBytes({}, "TBitmap", "hello world") + char(0);
        QTest::newRow("truncated bitmap file")
            << char(14) + frameBytes({}, "TBitmap", bmp.left(bmp.size() / 2)) + char(0);
        QTest::newRow("second frame broken")
            << good.left(good.size() - 1) + frameBytes({}, "TBitmap", "BM") + char(0);
    }

    void malformed()
    {
        QFETCH(QByteArray, blob);
        QVERIFY(ParseFrameList(blob).isEmpty());
    }

    void malformedStructureIsReported()
    {
        const QByteArray bmp = encoded(filled(4, 4, Qt::black), "BMP");
        const QByteArray good = char(14) + frameBytes({}, "TBitmap", bmp) + char(0);
        QVERIFY(ReadFrameEntries(good).ok);
        // Every proper prefix of a good list is malformed, never a shorter list.
        for (int n = 1; n < good.size(); ++n) {
            const TFrameEntries cut = ReadFrameEntries(good.left(n));
            QVERIFY2(!cut.ok && cut.entries.isEmpty(), qPrintable(QString::number(n)));
        }
    }

    void writerRefusesWhatItCannotStore()
    {
        QVERIFY(WriteFrameList({{QString(256, 'x'), "BM"}}).isEmpty());
        QVERIFY(WriteFrameList({{QString(), "BM"}}).isEmpty());
        QVERIFY(WriteFrameList({{QString::fromUtf8("TObrázek\u0161"), "BM"}}).isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestFrameList)
#include "tst_framelist.moc"
