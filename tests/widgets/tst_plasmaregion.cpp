// Reading and writing window shapes in their stored rectangle-list form, malformed bytes included.
#include "widgets/PlasmaRegion.h"

#include <QBuffer>
#include <QtTest>

namespace {

void put(QByteArray& b, qint32 v)
{
    for (int i = 0; i < 4; ++i)
        b.append(char((quint32(v) >> (8 * i)) & 0xFF));
}

struct R
{
    qint32 l, t, r, b;
};

// Stored bytes written field by field, so that every header field can be spoiled on purpose.
QByteArray rgn(const QList<R>& rects, qint32 header = 32, qint32 type = 1, qint32 count = -1,
               R bound = {0, 0, 0, 0})
{
    QByteArray b;
    put(b, header);
    put(b, type);
    put(b, count < 0 && count != -2 ? qint32(rects.size()) : count);
    put(b, 16 * qint32(rects.size()));
    for (qint32 v : {bound.l, bound.t, bound.r, bound.b})
        put(b, v);
    for (const R& r : rects)
        for (qint32 v : {r.l, r.t, r.r, r.b})
            put(b, v);
    return b;
}

qint32 intAt(const QByteArray& b, int at)
{
    return qint32(quint32(quint8(b[at])) | quint32(quint8(b[at + 1])) << 8 |
                  quint32(quint8(b[at + 2])) << 16 | quint32(quint8(b[at + 3])) << 24);
}

} // namespace

class TstPlasmaRegion : public QObject
{
    Q_OBJECT
private slots:
    void writesTheStoredLayout();
    void readsBandedRectangles();
    void readsUnsortedRectanglesAsTheirUnion();
    void roundTrip_data();
    void roundTrip();
    void malformed_data();
    void malformed();
    void regionObjectStreams();
};

void TstPlasmaRegion::writesTheStoredLayout()
{
    const QByteArray b = WriteRegionData(QRegion(10, 20, 30, 5) + QRegion(12, 25, 4, 2));
    QCOMPARE(b.size(), 32 + 16 * 2);
    QCOMPARE(intAt(b, 0), 32);
    QCOMPARE(intAt(b, 4), 1);
    QCOMPARE(intAt(b, 8), 2);
    QCOMPARE(intAt(b, 12), 32);
    // bounding rectangle, right and bottom exclusive
    QCOMPARE(intAt(b, 16), 10);
    QCOMPARE(intAt(b, 20), 20);
    QCOMPARE(intAt(b, 24), 40);
    QCOMPARE(intAt(b, 28), 27);
    // first band, then the second, sorted by top
    QCOMPARE(intAt(b, 32), 10);
    QCOMPARE(intAt(b, 36), 20);
    QCOMPARE(intAt(b, 40), 40);
    QCOMPARE(intAt(b, 44), 25);
    QCOMPARE(intAt(b, 48), 12);
    QCOMPARE(intAt(b, 52), 25);
    QCOMPARE(intAt(b, 56), 16);
    QCOMPARE(intAt(b, 60), 27);
    QVERIFY(WriteRegionData(QRegion()).isEmpty());
}

void TstPlasmaRegion::readsBandedRectangles()
{
    // a window with a notch: band 0..10 is two pieces, band 10..20 is whole
    const QRegion r =
        ParseRegionData(rgn({{0, 0, 10, 10}, {20, 0, 30, 10}, {0, 10, 30, 20}}, 32, 1, -1, {0, 0, 30, 20}));
    QVERIFY(r.contains(QPoint(0, 0)));
    QVERIFY(r.contains(QPoint(9, 9)));
    QVERIFY(!r.contains(QPoint(10, 5))); // right is exclusive
    QVERIFY(!r.contains(QPoint(15, 5)));
    QVERIFY(r.contains(QPoint(29, 19)));
    QVERIFY(!r.contains(QPoint(30, 19)));
    QVERIFY(!r.contains(QPoint(29, 20))); // bottom is exclusive
    QCOMPARE(r.boundingRect(), QRect(0, 0, 30, 20));
}

void TstPlasmaRegion::readsUnsortedRectanglesAsTheirUnion()
{
    const QRegion r = ParseRegionData(rgn({{0, 10, 30, 20}, {5, 0, 25, 15}, {0, 0, 10, 10}}));
    QCOMPARE(r, QRegion(0, 10, 30, 10) + QRegion(5, 0, 20, 15) + QRegion(0, 0, 10, 10));
}

void TstPlasmaRegion::roundTrip_data()
{
    QTest::addColumn<QRegion>("region");
    QTest::newRow("one rectangle") << QRegion(0, 0, 640, 480);
    QTest::newRow("offset rectangle") << QRegion(-5, 7, 3, 2);
    QTest::newRow("two bands") << (QRegion(0, 0, 10, 5) + QRegion(3, 5, 2, 9));
    QTest::newRow("gaps in a band") << (QRegion(0, 0, 10, 10) + QRegion(20, 0, 10, 10) +
                                        QRegion(40, 5, 1, 1));
    QTest::newRow("ellipse") << QRegion(0, 0, 97, 25, QRegion::Ellipse);
    QTest::newRow("ring") << (QRegion(0, 0, 50, 50, QRegion::Ellipse) -
                              QRegion(10, 10, 30, 30, QRegion::Ellipse));
}

void TstPlasmaRegion::roundTrip()
{
    QFETCH(QRegion, region);
    const QByteArray bytes = WriteRegionData(region);
    const QRegion back = ParseRegionData(bytes);
    QCOMPARE(back, region);
    QCOMPARE(WriteRegionData(back), bytes);
}

void TstPlasmaRegion::malformed_data()
{
    QTest::addColumn<QByteArray>("bytes");
    const QByteArray good = rgn({{0, 0, 10, 10}, {0, 10, 5, 20}});
    QVERIFY(!ParseRegionData(good).isEmpty());
    QTest::newRow("no bytes") << QByteArray();
    QTest::newRow("truncated header") << good.left(31);
    QTest::newRow("truncated rectangles") << good.left(good.size() - 1);
    QTest::newRow("count beyond data") << rgn({{0, 0, 10, 10}}, 32, 1, 2);
    QTest::newRow("huge count") << rgn({{0, 0, 10, 10}}, 32, 1, 0x7fffffff);
    QTest::newRow("negative count") << rgn({{0, 0, 10, 10}}, 32, 1, -2);
    QTest::newRow("header size 0") << rgn({{0, 0, 10, 10}}, 0);
    QTest::newRow("header size 36") << rgn({{0, 0, 10, 10}}, 36);
    QTest::newRow("type 0") << rgn({{0, 0, 10, 10}}, 32, 0);
    QTest::newRow("type 2") << rgn({{0, 0, 10, 10}}, 32, 2);
    QTest::newRow("negative width") << rgn({{0, 0, 10, 10}, {10, 10, 5, 20}});
    QTest::newRow("negative height") << rgn({{0, 0, 10, 10}, {0, 20, 5, 10}});
    QTest::newRow("negative bounding rectangle") << rgn({{0, 0, 10, 10}}, 32, 1, -1, {10, 10, 0, 0});
    QTest::newRow("coordinate beyond any screen") << rgn({{0, 0, 0x7fffffff, 10}});
    QTest::newRow("width overflowing") << rgn({{qint32(0x80000000), 0, 0x7fffffff, 10}});
    QTest::newRow("garbage") << QByteArray(200, '\xff');
}

void TstPlasmaRegion::malformed()
{
    QFETCH(QByteArray, bytes);
    QVERIFY(ParseRegionData(bytes).isEmpty());
    TPlasmaRegion region;
    region.setRegion(QRegion(0, 0, 5, 5));
    region.setFromBytes(bytes);
    QVERIFY(region.isEmpty());
}

void TstPlasmaRegion::regionObjectStreams()
{
    const QRegion shape = QRegion(0, 0, 40, 30, QRegion::Ellipse);
    TPlasmaRegion a;
    a.setRegion(shape);
    QBuffer out;
    out.open(QIODevice::WriteOnly);
    a.writeData(out);
    out.close();
    QCOMPARE(out.data(), WriteRegionData(shape));
    QCOMPARE(a.property("Data").toByteArray(), out.data());

    TPlasmaRegion b;
    QBuffer in(&out.buffer());
    in.open(QIODevice::ReadOnly);
    b.readData(in);
    QCOMPARE(b.region(), shape);

    // an empty stream empties the region; an empty region writes nothing
    QBuffer empty;
    empty.open(QIODevice::ReadWrite);
    b.readData(empty);
    QVERIFY(b.isEmpty());
    b.writeData(empty);
    QCOMPARE(empty.size(), 0);

    TPlasmaRegion c;
    c.setFromRegion(&a);
    QCOMPARE(c.region(), shape);
    c.setFromRegion(nullptr);
    QVERIFY(c.isEmpty());
}

QTEST_GUILESS_MAIN(TstPlasmaRegion)
#include "tst_plasmaregion.moc"
