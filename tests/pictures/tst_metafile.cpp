// Tests of the metafile player: real metafiles from another writer against that writer's own
// rendering, hand-built records for the mapping and drawing state, and damaged files.
#include "pictures/Metafile.h"
#include "pictures/Picture.h"

#include <QFile>
#include <QPainter>
#include <QtEndian>
#include <QtTest>

#include <cstring>

namespace {

QByteArray readFile(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QString dataPath(const QString& name)
{
    return QStringLiteral(FERDANO_SOURCE_DIR "/tests/pictures/metafiles/") + name;
}

QImage onWhite(const QImage& image, QSize size)
{
    QImage out(size, QImage::Format_RGB32);
    out.fill(Qt::white);
    QPainter p(&out);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    p.drawImage(QRect(QPoint(0, 0), size), image);
    return out;
}

// The share of pixels whose colour is within `tolerance` in every channel, after both images
// are put on white at the reference's size.
double similarity(const QImage& rendering, const QImage& reference, int tolerance = 48)
{
    const QImage a = onWhite(rendering, reference.size());
    const QImage b = onWhite(reference, reference.size());
    qint64 close = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
            if (qAbs(qRed(p) - qRed(q)) <= tolerance && qAbs(qGreen(p) - qGreen(q)) <= tolerance &&
                qAbs(qBlue(p) - qBlue(q)) <= tolerance)
                ++close;
        }
    return double(close) / (qint64(a.width()) * a.height());
}

void put32(QByteArray& out, quint32 v)
{
    char b[4];
    qToLittleEndian(v, b);
    out.append(b, 4);
}

void put16(QByteArray& out, quint16 v)
{
    char b[2];
    qToLittleEndian(v, b);
    out.append(b, 2);
}

quint32 floatBits(float f)
{
    quint32 u;
    std::memcpy(&u, &f, 4);
    return u;
}

// Builds an enhanced metafile of `px` pixels at 96 dpi, one record at a time.
class EmfWriter
{
public:
    EmfWriter& rec(quint32 type, const QVector<qint64>& params)
    {
        put32(m_records, type);
        put32(m_records, quint32(8 + 4 * params.size()));
        for (qint64 v : params)
            put32(m_records, quint32(v));
        return *this;
    }
    EmfWriter& raw(const QByteArray& record)
    {
        m_records += record;
        return *this;
    }
    QByteArray finish(QSize px = QSize(100, 100)) const
    {
        QByteArray out;
        const qint32 fw = qRound(px.width() * 2540 / 96.0), fh = qRound(px.height() * 2540 / 96.0);
        put32(out, 1);
        put32(out, 88);
        for (qint32 v : {0, 0, px.width() - 1, px.height() - 1, 0, 0, fw, fh})
            put32(out, quint32(v));
        put32(out, 0x464D4520);
        put32(out, 0x10000);
        put32(out, quint32(88 + m_records.size() + 20));
        put32(out, 0);
        put16(out, 16);
        put16(out, 0);
        put32(out, 0);
        put32(out, 0);
        put32(out, 0);
        for (qint32 v : {960, 960, 254, 254})
            put32(out, quint32(v));
        out += m_records;
        for (quint32 v : {14u, 20u, 0u, 0u, 20u})
            put32(out, v);
        return out;
    }

private:
    QByteArray m_records;
};

// Builds a placeable Windows metafile with the bounding box (0, 0, w, h) at `inch` units.
class WmfWriter
{
public:
    WmfWriter& rec(quint16 fn, const QVector<qint16>& params)
    {
        put32(m_records, quint32(3 + params.size()));
        put16(m_records, fn);
        for (qint16 v : params)
            put16(m_records, quint16(v));
        return *this;
    }
    QByteArray finish(qint16 w = 100, qint16 h = 100, quint16 inch = 96) const
    {
        QByteArray out;
        put32(out, 0x9AC6CDD7);
        put16(out, 0);
        for (qint16 v : {qint16(0), qint16(0), w, h})
            put16(out, quint16(v));
        put16(out, inch);
        put32(out, 0);
        put16(out, 0);
        put16(out, 1);
        put16(out, 9);
        put16(out, 0x300);
        put32(out, 0);
        put16(out, 8);
        put32(out, 0);
        put16(out, 0);
        out += m_records;
        put32(out, 3);
        put16(out, 0);
        return out;
    }

private:
    QByteArray m_records;
};

constexpr quint32 Red = 0x0000ff;
constexpr quint32 Blue = 0xff0000;

// A red brush in slot 1 and the null pen selected: what most cases below fill with.
EmfWriter redFill()
{
    EmfWriter w;
    w.rec(39, {1, 0, Red, 0}).rec(37, {1}).rec(37, {0x80000008});
    return w;
}

bool isRed(QColor c)
{
    return c.alpha() > 200 && c.red() > 200 && c.green() < 60 && c.blue() < 60;
}

} // namespace

class TestMetafile : public QObject
{
    Q_OBJECT

private slots:
    void samples_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("reference");
        for (const char* name : {"crossing", "stop", "warning"})
            for (const char* ext : {"emf", "wmf"})
                QTest::newRow(qPrintable(QString("%1.%2").arg(name, ext)))
                    << QString("%1.%2").arg(name, ext) << QString("%1.png").arg(name);
    }

    // The reference is the drawing program's own rendering of the same drawing. Our renderings
    // score 0.96 to 1.0 (edges and font hinting differ, and the enhanced files' frame is a few
    // pixels larger than the drawing); another sample scores 0.02 to 0.37 against a reference,
    // so 0.85 passes a recognisable rendering and fails a wrong one.
    void samples()
    {
        QFETCH(QString, file);
        QFETCH(QString, reference);
        const QByteArray bytes = readFile(dataPath(file));
        const QImage ref(dataPath(reference));
        QVERIFY(!bytes.isEmpty() && !ref.isNull());
        QCOMPARE(Picture::signatureKind(bytes), Picture::Kind::Metafile);

        const QImage image = Metafile::render(bytes);
        QVERIFY(!image.isNull());
        QCOMPARE(image.size(), Metafile::ownSize(bytes));
        QVERIFY2(qAbs(image.width() - ref.width()) <= ref.width() / 100 + 1 &&
                     qAbs(image.height() - ref.height()) <= ref.height() / 100 + 1,
                 qPrintable(QString("%1x%2").arg(image.width()).arg(image.height())));
        const double score = similarity(image, ref);
        QVERIFY2(score > 0.85, qPrintable(QString::number(score)));

        const Picture::Decoded d = Picture::decode(bytes, QSize(280, 180));
        QVERIFY(d.ok());
        QCOMPARE(d.fullSize, image.size());
    }

    void measureTellsSamplesApart()
    {
        const QImage crossing = Metafile::render(readFile(dataPath("crossing.emf")));
        const QImage stop = Metafile::render(readFile(dataPath("stop.wmf")));
        QVERIFY(similarity(crossing, QImage(dataPath("stop.png"))) < 0.5);
        QVERIFY(similarity(stop, QImage(dataPath("warning.png"))) < 0.85);
        QImage blank(stop.size(), QImage::Format_ARGB32);
        blank.fill(Qt::transparent);
        QVERIFY(similarity(blank, QImage(dataPath("stop.png"))) < 0.6);
    }

    void emfMapping_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        const qint64 one = floatBits(1), half = floatBits(0.5);
        QTest::newRow("text mode") << redFill().rec(43, {10, 10, 50, 50}).finish();
        QTest::newRow("window origin") << redFill().rec(10, {-20, -20}).rec(43, {-10, -10, 30, 30}).finish();
        QTest::newRow("viewport origin") << redFill().rec(12, {10, 10}).rec(43, {0, 0, 40, 40}).finish();
        QTest::newRow("anisotropic") << redFill()
                                            .rec(17, {8})
                                            .rec(9, {1000, 2000})
                                            .rec(11, {100, 100})
                                            .rec(43, {100, 200, 500, 1000})
                                            .finish();
        QTest::newRow("isotropic keeps proportions") << redFill()
                                                            .rec(17, {7})
                                                            .rec(9, {1000, 1000})
                                                            .rec(11, {100, 300})
                                                            .rec(43, {100, 100, 500, 500})
                                                            .finish();
        QTest::newRow("metric counts upwards")
            << redFill().rec(17, {2}).rec(43, {26, -26, 132, -132}).finish();
        QTest::newRow("world transform")
            << redFill().rec(35, {half, 0, 0, half, 0, 0}).rec(43, {20, 20, 100, 100}).finish();
        QTest::newRow("modified world transform")
            << redFill()
                   .rec(36, {one, 0, 0, one, floatBits(5), floatBits(5), 4})
                   .rec(36, {half, 0, 0, half, 0, 0, 2})
                   .rec(43, {10, 10, 90, 90})
                   .finish();
        QTest::newRow("restored state") << redFill()
                                               .rec(33, {})
                                               .rec(35, {one, 0, 0, one, floatBits(500), 0})
                                               .rec(10, {300, 300})
                                               .rec(34, {-1})
                                               .rec(43, {10, 10, 50, 50})
                                               .finish();
        QTest::newRow("path") << redFill()
                                     .rec(59, {})
                                     .rec(27, {10, 10})
                                     .rec(54, {50, 10})
                                     .rec(54, {50, 50})
                                     .rec(54, {10, 50})
                                     .rec(61, {})
                                     .rec(60, {})
                                     .rec(62, {0, 0, 0, 0})
                                     .finish();
        QTest::newRow("bezier path 16") << redFill()
                                               .rec(59, {})
                                               .rec(27, {10, 10})
                                               .rec(88, {0, 0, 0, 0, 3, 0x000a0032, 0x00320032, 0x00320032})
                                               .rec(88, {0, 0, 0, 0, 3, 0x0032000a, 0x000a000a, 0x000a000a})
                                               .rec(61, {})
                                               .rec(60, {})
                                               .rec(63, {0, 0, 0, 0})
                                               .finish();
        QTest::newRow("polygon 16")
            << redFill().rec(86, {0, 0, 0, 0, 4, 0x000a000a, 0x000a0032, 0x00320032, 0x0032000a}).finish();
        QTest::newRow("polygon 32") << redFill().rec(3, {0, 0, 0, 0, 3, 10, 10, 90, 10, 10, 90}).finish();
        QTest::newRow("ellipse") << redFill().rec(42, {0, 0, 60, 60}).finish();
        QTest::newRow("round rect") << redFill().rec(44, {10, 10, 50, 50, 8, 8}).finish();
        QTest::newRow("stock brush after delete") << redFill()
                                                         .rec(40, {1})
                                                         .rec(39, {1, 0, Blue, 0})
                                                         .rec(37, {0x80000004})
                                                         .rec(37, {1})
                                                         .rec(43, {10, 10, 50, 50})
                                                         .finish();
    }

    // Every case draws a red area over (30, 30) that leaves (80, 80) empty.
    void emfMapping()
    {
        QFETCH(QByteArray, bytes);
        const QImage image = Metafile::render(bytes);
        QCOMPARE(image.size(), QSize(100, 100));
        const QString tag = QTest::currentDataTag();
        if (tag == "stock brush after delete") {
            const QColor c = image.pixelColor(30, 30);
            QVERIFY2(c.blue() > 200 && c.red() < 60, qPrintable(c.name()));
        } else {
            QVERIFY2(isRed(image.pixelColor(30, 30)),
                     qPrintable(image.pixelColor(30, 30).name(QColor::HexArgb)));
        }
        QCOMPARE(image.pixelColor(80, 80).alpha(), 0);
    }

    void clipping()
    {
        // Clipped to 0..40 inside a saved state, then the state is restored and a second fill
        // at 60..90 is not clipped; the hole of the exclusion stays empty.
        const QImage image = Metafile::render(redFill()
                                                  .rec(33, {})
                                                  .rec(30, {0, 0, 40, 40})
                                                  .rec(29, {10, 10, 20, 20})
                                                  .rec(43, {0, 0, 90, 90})
                                                  .rec(34, {-1})
                                                  .rec(43, {60, 60, 90, 90})
                                                  .finish());
        QVERIFY(isRed(image.pixelColor(30, 30)));
        QCOMPARE(image.pixelColor(15, 15).alpha(), 0);
        QCOMPARE(image.pixelColor(50, 50).alpha(), 0);
        QVERIFY(isRed(image.pixelColor(75, 75)));
        // An empty region selected as a copy removes the clip.
        const QImage reset = Metafile::render(
            redFill().rec(30, {0, 0, 10, 10}).rec(75, {0, 5}).rec(43, {0, 0, 90, 90}).finish());
        QVERIFY(isRed(reset.pixelColor(50, 50)));
    }

    void polyPolygonFillModes()
    {
        // An outer square 0..80 and an inner 20..60, both drawn the same way round.
        const QVector<qint64> poly = {0,          0,          0,          0,          2,          8,
                                      4,          4,          0x00000000, 0x00000050, 0x00500050, 0x00500000,
                                      0x00140014, 0x00140040, 0x00400040, 0x00400014};
        const QImage alternate = Metafile::render(redFill().rec(91, poly).finish());
        QVERIFY(isRed(alternate.pixelColor(10, 10)));
        QCOMPARE(alternate.pixelColor(40, 40).alpha(), 0);
        const QImage winding = Metafile::render(redFill().rec(19, {2}).rec(91, poly).finish());
        QVERIFY(isRed(winding.pixelColor(40, 40)));
    }

    void pensAndLines()
    {
        // A geometric flat-capped pen 10 wide, and a cosmetic one pixel pen.
        const QImage image = Metafile::render(EmfWriter()
                                                  .rec(95, {1, 0, 0, 0, 0, 0x10200, 10, 0, Blue, 0, 0})
                                                  .rec(37, {1})
                                                  .rec(27, {0, 30})
                                                  .rec(54, {100, 30})
                                                  .rec(38, {2, 0, 0, 0, Red})
                                                  .rec(37, {2})
                                                  .rec(27, {50, 60})
                                                  .rec(54, {50, 100})
                                                  .finish());
        QVERIFY(image.pixelColor(50, 27).blue() > 200);
        QCOMPARE(image.pixelColor(50, 20).alpha(), 0);
        QVERIFY(image.pixelColor(50, 80).red() > 100);
        QCOMPARE(image.pixelColor(45, 80).alpha(), 0);
        // The null stock pen draws nothing.
        const QImage none =
            Metafile::render(EmfWriter().rec(37, {0x80000008}).rec(27, {0, 30}).rec(54, {100, 30}).finish());
        QCOMPARE(none.pixelColor(50, 30).alpha(), 0);
    }

    void text()
    {
        // "II" in blue, 40 pixels high, its top left at (20, 20).
        QByteArray font;
        put32(font, 82);
        put32(font, 12 + 92);
        put32(font, 1);
        for (qint32 v : {-40, 0, 0, 0, 700})
            put32(font, quint32(v));
        font += QByteArray(8, '\0');
        font += QByteArray("S\0a\0n\0s\0", 8) + QByteArray(56, '\0');
        QByteArray text;
        put32(text, 84);
        put32(text, 80);
        for (qint32 v : {0, 0, 0, 0, 1, 0, 0, 20, 20, 2, 76, 0, 0, 0, 0, 0, 0})
            put32(text, quint32(v));
        text += QByteArray("I\0I\0", 4);
        const QImage image = Metafile::render(
            EmfWriter().raw(font).rec(37, {1}).rec(24, {Blue}).rec(18, {1}).rec(22, {0}).raw(text).finish());
        QRect blue;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x) {
                const QColor c = image.pixelColor(x, y);
                if (c.alpha() > 128 && c.blue() > 128 && c.red() < 100) blue |= QRect(x, y, 1, 1);
            }
        QVERIFY2(!blue.isEmpty(), "no text drawn");
        QVERIFY2(
            blue.left() >= 18 && blue.top() >= 18 && blue.bottom() <= 62 && blue.height() >= 20,
            qPrintable(
                QString("%1,%2 %3x%4").arg(blue.x()).arg(blue.y()).arg(blue.width()).arg(blue.height())));
    }

    // Text in a mapping that counts upwards is still drawn upright, at the same place and size.
    void textUprightInMetricMapping()
    {
        auto render = [](int mapMode, qint32 height, qint32 x, qint32 y) {
            QByteArray font;
            put32(font, 82);
            put32(font, 12 + 92);
            put32(font, 1);
            for (qint32 v : {height, 0, 0, 0, 400})
                put32(font, quint32(v));
            font += QByteArray(72, '\0');
            QByteArray text;
            put32(text, 84);
            put32(text, 80);
            for (qint32 v : {0, 0, 0, 0, 1, 0, 0, x, y, 2, 76, 0, 0, 0, 0, 0, 0})
                put32(text, quint32(v));
            text += QByteArray("F\0L\0", 4);
            return Metafile::render(
                EmfWriter().rec(17, {mapMode}).raw(font).rec(37, {1}).rec(18, {1}).raw(text).finish());
        };
        const QImage pixels = render(1, -50, 20, 20);
        const QImage metric = render(2, -132, 53, -53); // the same in 0.1 mm
        int both = 0, either = 0;
        for (int y = 0; y < 100; ++y)
            for (int x = 0; x < 100; ++x) {
                const bool a = pixels.pixelColor(x, y).alpha() > 128,
                           b = metric.pixelColor(x, y).alpha() > 128;
                both += a && b;
                either += a || b;
            }
        QVERIFY(either > 100);
        QVERIFY2(both > either * 7 / 10, qPrintable(QString("%1 of %2").arg(both).arg(either)));
    }

    void bitmapRecords()
    {
        // A 2x2 bitmap stored bottom-up: red, green over blue, yellow.
        QByteArray dib;
        for (qint32 v : {40, 2, 2})
            put32(dib, quint32(v));
        put16(dib, 1);
        put16(dib, 24);
        dib += QByteArray(24, '\0');
        dib += QByteArray("\xff\x00\x00\x00\xff\xff\x00\x00", 8); // blue, yellow (BGR), padding
        dib += QByteArray("\x00\x00\xff\x00\xff\x00\x00\x00", 8); // red, green
        auto stretch = [&](qint32 srcX, qint32 srcY, qint32 srcW, qint32 srcH) {
            QVector<qint64> p = {0,    0,  0,  0,   0,  0, srcX,     srcY, srcW,
                                 srcH, 80, 40, 120, 16, 0, 0xCC0020, 100,  100};
            QByteArray rec;
            put32(rec, 81);
            put32(rec, 8 + 4 * quint32(p.size()) + quint32(dib.size()));
            for (qint64 v : p)
                put32(rec, quint32(v));
            return rec + dib;
        };
        const QImage whole = Metafile::render(EmfWriter().raw(stretch(0, 0, 2, 2)).finish());
        QVERIFY(isRed(whole.pixelColor(25, 25)));
        QVERIFY(whole.pixelColor(75, 25).green() > 200 && whole.pixelColor(75, 25).red() < 60);
        QVERIFY(whole.pixelColor(25, 75).blue() > 200 && whole.pixelColor(25, 75).red() < 60);
        QVERIFY(whole.pixelColor(75, 75).red() > 200 && whole.pixelColor(75, 75).green() > 200);
        // The source origin of a bottom-up bitmap is its lower left corner.
        const QImage part = Metafile::render(EmfWriter().raw(stretch(0, 0, 1, 1)).finish());
        QVERIFY(part.pixelColor(10, 10).blue() > 200 && part.pixelColor(90, 90).blue() > 200);

        // Without a bitmap, a block transfer fills with the brush or the raster operation's colour.
        const QVector<qint64> blt = {0, 0, 0, 0, 10, 10, 40, 40, 0xF00021, 0, 0, 0,
                                     0, 0, 0, 0, 0,  0,  0,  0,  0,        0, 0};
        QVector<qint64> white = blt;
        white[8] = 0xFF0062;
        const QImage filled = Metafile::render(redFill().rec(76, blt).finish());
        QVERIFY(isRed(filled.pixelColor(30, 30)));
        QCOMPARE(filled.pixelColor(80, 80).alpha(), 0);
        QCOMPARE(Metafile::render(redFill().rec(76, white).finish()).pixelColor(30, 30), QColor(Qt::white));
        // A bitmap offset beyond the record makes the file unreadable.
        QByteArray broken = stretch(0, 0, 2, 2);
        qToLittleEndian<quint32>(5000, broken.data() + 56);
        QVERIFY(Metafile::render(EmfWriter().raw(broken).finish()).isNull());
    }

    void wmfObjectsAndMapping()
    {
        // Objects take the lowest free slot: after deleting slot 0 the blue brush lands there.
        const QByteArray bytes = WmfWriter()
                                     .rec(0x020C, {1000, 1000})
                                     .rec(0x02FC, {0, qint16(Red & 0xffff), qint16(Red >> 16), 0})
                                     .rec(0x02FA, {5, 0, 0, 0, 0})
                                     .rec(0x01F0, {0})
                                     .rec(0x02FC, {0, qint16(Blue & 0xffff), qint16(Blue >> 16), 0})
                                     .rec(0x012D, {0})
                                     .rec(0x012D, {1})
                                     .rec(0x0324, {4, 100, 100, 500, 100, 500, 500, 100, 500})
                                     .finish();
        const QImage image = Metafile::render(bytes);
        QCOMPARE(image.size(), QSize(100, 100));
        const QColor c = image.pixelColor(30, 30);
        QVERIFY2(c.blue() > 200 && c.red() < 60, qPrintable(c.name()));
        QCOMPARE(image.pixelColor(80, 80).alpha(), 0);
    }

    void wmfBitmapRecord()
    {
        // A 2x2 bitmap stored bottom-up: red, green over blue, yellow.
        QByteArray dib;
        for (qint32 v : {40, 2, 2})
            put32(dib, quint32(v));
        put16(dib, 1);
        put16(dib, 24);
        dib += QByteArray(24, '\0');
        dib += QByteArray("\xff\x00\x00\x00\xff\xff\x00\x00", 8);
        dib += QByteArray("\x00\x00\xff\x00\xff\x00\x00\x00", 8);
        // Raster operation, colour usage, source height, width, y, x, destination height, width,
        // y, x, then the bitmap.
        auto stretch = [&](qint16 srcW, qint16 srcH) {
            QVector<qint16> p = {0x0020, 0x00CC, 0, srcH, srcW, 0, 0, 100, 100, 0, 0};
            for (int i = 0; i < dib.size(); i += 2)
                p.append(qFromLittleEndian<qint16>(dib.constData() + i));
            return WmfWriter().rec(0x0F43, p).finish();
        };
        const QImage whole = Metafile::render(stretch(2, 2));
        QVERIFY(!whole.isNull());
        QVERIFY(isRed(whole.pixelColor(25, 25)));
        QVERIFY(whole.pixelColor(75, 25).green() > 200 && whole.pixelColor(75, 25).red() < 60);
        QVERIFY(whole.pixelColor(25, 75).blue() > 200 && whole.pixelColor(25, 75).red() < 60);
        QVERIFY(whole.pixelColor(75, 75).red() > 200 && whole.pixelColor(75, 75).green() > 200);
        // The source origin of a bottom-up bitmap is its lower left corner.
        const QImage part = Metafile::render(stretch(1, 1));
        QVERIFY(part.pixelColor(10, 10).blue() > 200 && part.pixelColor(90, 90).blue() > 200);
    }

    void wmfText()
    {
        // "II" from a 40 unit high font in blue, transparent background, top left at (20, 20).
        QVector<qint16> font = {-40, 0, 0, 0, 700, 0, 0, 0, 0, 0x6153, 0x736e};
        font += QVector<qint16>(14, 0);
        const QByteArray bytes = WmfWriter()
                                     .rec(0x02FB, font)
                                     .rec(0x012D, {0})
                                     .rec(0x0209, {qint16(Blue & 0xffff), qint16(Blue >> 16)})
                                     .rec(0x0102, {1})
                                     .rec(0x0521, {2, 0x4949, 20, 20})
                                     .finish();
        const QImage image = Metafile::render(bytes);
        int blue = 0, outside = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x) {
                const QColor c = image.pixelColor(x, y);
                if (c.alpha() > 128 && c.blue() > 128) (x >= 18 && y >= 18 && y <= 62 ? blue : outside)++;
            }
        QVERIFY2(blue > 40 && outside == 0, qPrintable(QString("%1 %2").arg(blue).arg(outside)));
    }

    void ownSizes_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QSize>("size");
        QTest::newRow("enhanced") << EmfWriter().finish(QSize(120, 70)) << QSize(120, 70);
        QTest::newRow("placeable 96") << WmfWriter().finish(200, 100, 96) << QSize(200, 100);
        QTest::newRow("placeable 1440") << WmfWriter().finish(2880, 1440, 1440) << QSize(192, 96);
        QTest::newRow("placeable rounded") << WmfWriter().finish(6999, 4499, 1200) << QSize(560, 360);
        QTest::newRow("not a metafile") << QByteArray("BM....") << QSize();
    }

    void ownSizes()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QSize, size);
        QCOMPARE(Metafile::ownSize(bytes), size);
        if (size.isValid()) QCOMPARE(Metafile::render(bytes).size(), size);
    }

    void malformed_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        const QByteArray emf = readFile(dataPath("crossing.emf"));
        const QByteArray wmf = readFile(dataPath("crossing.wmf"));
        const quint32 headerSize = qFromLittleEndian<quint32>(emf.constData() + 4);
        auto patched32 = [](QByteArray b, int at, quint32 v) {
            qToLittleEndian(v, b.data() + at);
            return b;
        };
        auto patched16 = [](QByteArray b, int at, quint16 v) {
            qToLittleEndian(v, b.data() + at);
            return b;
        };

        QTest::newRow("emf: signature only") << QByteArray("\x01\x00\x00\x00", 4);
        QTest::newRow("emf: truncated header") << emf.left(60);
        QTest::newRow("emf: header one byte short") << emf.left(87);
        QTest::newRow("emf: no signature") << patched32(emf, 40, 0x12345678);
        QTest::newRow("emf: header larger than data") << patched32(emf, 4, quint32(emf.size() + 4));
        QTest::newRow("emf: record beyond data") << patched32(emf, int(headerSize) + 4, 0x7ffffff0);
        QTest::newRow("emf: zero-size record") << patched32(emf, int(headerSize) + 4, 0);
        QTest::newRow("emf: record size not aligned") << patched32(emf, int(headerSize) + 4, 10);
        QTest::newRow("emf: cut inside a record") << emf.left(emf.size() - 30);
        QTest::newRow("emf: huge frame") << patched32(emf, 32, 0x7fffffff);
        QTest::newRow("emf: empty frame and bounds")
            << patched32(patched32(patched32(patched32(emf, 32, 0), 36, 0), 16, 0), 20, 0);
        QTest::newRow("emf: huge polygon count")
            << EmfWriter().rec(3, {0, 0, 0, 0, 0x7fffffff, 10, 10}).finish();
        QTest::newRow("emf: polygon count beyond record")
            << EmfWriter().rec(86, {0, 0, 0, 0, 5, 0x000a000a, 0x000a0032}).finish();
        QTest::newRow("emf: poly-polygon counts beyond total")
            << EmfWriter().rec(91, {0, 0, 0, 0, 2, 2, 2, 0x40000000, 0, 0}).finish();
        QTest::newRow("emf: poly-polygon huge polygon count")
            << EmfWriter().rec(8, {0, 0, 0, 0, 0x40000000, 2, 0, 0, 0, 0}).finish();
        QTest::newRow("emf: text beyond record")
            << EmfWriter().rec(84, {0, 0, 0, 0, 1, 0, 0, 0, 0, 100, 76, 0, 0, 0, 0, 0, 0}).finish();
        QTest::newRow("emf: pen style entries beyond record")
            << EmfWriter().rec(95, {1, 0, 0, 0, 0, 0x10007, 10, 0, 0, 0, 1000}).finish();

        QTest::newRow("wmf: key only") << QByteArray("\xd7\xcd\xc6\x9a", 4);
        QTest::newRow("wmf: truncated header") << wmf.left(30);
        QTest::newRow("wmf: no units per inch") << patched16(wmf, 14, 0);
        QTest::newRow("wmf: wrong header size") << patched16(wmf, 24, 12);
        QTest::newRow("wmf: empty box") << patched16(wmf, 10, 0);
        QTest::newRow("wmf: absurd size") << WmfWriter().finish(30000, 30000, 10);
        QTest::newRow("wmf: zero-size record") << patched32(wmf, 40, 0);
        QTest::newRow("wmf: record beyond data") << patched32(wmf, 40, 0x40000000);
        QTest::newRow("wmf: cut inside a record") << wmf.left(wmf.size() - 11);
        QTest::newRow("wmf: polygon count beyond record") << WmfWriter().rec(0x0324, {30000, 1, 1}).finish();
        QTest::newRow("wmf: negative polygon count") << WmfWriter().rec(0x0324, {-1, 1, 1}).finish();
        QTest::newRow("wmf: poly-polygon counts beyond record")
            << WmfWriter().rec(0x0538, {2, 3, 30000, 0, 0, 1, 1, 2, 2}).finish();
        QTest::newRow("wmf: text beyond record") << WmfWriter().rec(0x0521, {200, 0x4141}).finish();
    }

    void malformed()
    {
        QFETCH(QByteArray, bytes);
        QElapsedTimer timer;
        timer.start();
        QVERIFY(Metafile::render(bytes).isNull());
        QVERIFY(!Picture::decode(bytes, QSize(280, 180)).ok());
        QVERIFY(timer.elapsed() < 3000);
    }

    // A file that ends cleanly between records, without its end record, still shows what it has.
    void missingEndRecordIsTolerated()
    {
        QByteArray bytes = redFill().rec(43, {10, 10, 50, 50}).finish();
        bytes.chop(20);
        QVERIFY(isRed(Metafile::render(bytes).pixelColor(30, 30)));
    }

    void unknownAndOutOfRangeRecordsAreSkipped()
    {
        const QImage image = Metafile::render(redFill()
                                                  .rec(9999, {1, 2, 3})
                                                  .rec(37, {60000})      // no such object
                                                  .rec(40, {0x7fffffff}) // no such object
                                                  .rec(34, {-50})        // nothing saved
                                                  .rec(35, {0x7fc00000, 0, 0, 0x7fc00000, 0, 0}) // NaN
                                                  .rec(43, {10, 10, 50, 50})
                                                  .finish());
        QVERIFY(isRed(image.pixelColor(30, 30)));
    }

    // Thousands of records each filling a large picture stop once the painting budget is spent.
    void repeatedLargeFillsStop()
    {
        EmfWriter w = redFill();
        for (int i = 0; i < 20000; ++i)
            w.rec(43, {0, 0, 8000, 5000});
        const QByteArray bytes = w.finish(QSize(8000, 5000));
        QElapsedTimer timer;
        timer.start();
        const QImage image = Metafile::render(bytes);
        QVERIFY2(timer.elapsed() < 20000, qPrintable(QString::number(timer.elapsed())));
        QCOMPARE(image.size(), QSize(8000, 5000));
        QVERIFY(isRed(image.pixelColor(4000, 2500)));
    }

    // Shapes reaching millions of pixels beyond the picture are drawn, and quickly.
    void farReachingShapes()
    {
        QElapsedTimer timer;
        timer.start();
        const QImage image =
            Metafile::render(redFill()
                                 .rec(3, {0, 0, 0, 0, 4, 10, 10, 50, 10, 50, 50000000, 10, 50000000})
                                 .rec(95, {1, 0, 0, 0, 0, 0x12200, 10, 0, Blue, 0, 0})
                                 .rec(37, {1})
                                 .rec(27, {-90000000, 75})
                                 .rec(54, {90000000, 75})
                                 .finish());
        QVERIFY(timer.elapsed() < 5000);
        QVERIFY(isRed(image.pixelColor(30, 60)));
        QCOMPARE(image.pixelColor(70, 60).alpha(), 0);
        QVERIFY(image.pixelColor(90, 75).blue() > 200);
        QCOMPARE(image.pixelColor(90, 90).alpha(), 0);
    }

    void everyCutOfASampleIsSafe()
    {
        for (const char* name : {"stop.emf", "warning.wmf"}) {
            const QByteArray bytes = readFile(dataPath(name));
            const QSize own = Metafile::ownSize(bytes);
            for (int n = 0; n < bytes.size(); n += 3) {
                const QImage image = Metafile::render(bytes.left(n));
                QVERIFY(image.isNull() || image.size() == own);
            }
        }
    }
};

QTEST_MAIN(TestMetafile)
#include "tst_metafile.moc"
