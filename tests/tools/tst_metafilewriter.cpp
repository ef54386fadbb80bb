// The builder's metafile writer: record structure of both formats, and the same picture when
// the program's own player draws it as when it is painted directly.
#include "BankSource.h"
#include "MetafileWriter.h"

#include "pictures/Metafile.h"

#include <QPainter>
#include <QtEndian>
#include <QtTest>

namespace {

quint32 u32(const QByteArray& b, qsizetype at)
{
    return qFromLittleEndian<quint32>(b.constData() + at);
}

quint16 u16(const QByteArray& b, qsizetype at)
{
    return qFromLittleEndian<quint16>(b.constData() + at);
}

TMetafileWriter drawing()
{
    TMetafileWriter m(200, 120);
    m.setPen(QColor(), 0);
    m.setBrush(QColor(255, 255, 255));
    m.rectangle(QRect(0, 0, 200, 120));
    m.setBrush(QColor(220, 0, 0));
    m.rectangle(QRect(10, 10, 60, 40));
    m.setPen(QColor(0, 0, 0), 4);
    m.setBrush(QColor(0, 0, 220));
    m.ellipse(QRect(100, 10, 80, 80));
    m.setBrush(QColor(0, 160, 0));
    m.polygon({{20, 110}, {60, 60}, {100, 110}});
    m.setBrush(QColor());
    m.polyline({{120, 110}, {190, 100}});
    m.text({150, 60}, QStringLiteral("50"), 30, QColor(255, 255, 0));
    return m;
}

QImage painted(const TMetafileWriter& m)
{
    QImage img(m.width(), m.height(), QImage::Format_ARGB32);
    img.fill(Qt::white);
    QPainter p(&img);
    m.paint(p);
    return img;
}

bool near(QColor a, QColor b)
{
    return std::abs(a.red() - b.red()) < 40 && std::abs(a.green() - b.green()) < 40 &&
           std::abs(a.blue() - b.blue()) < 40;
}

} // namespace

class TMetafileWriterTest : public QObject
{
    Q_OBJECT

private slots:
    void emfRecordsWalkToTheEnd()
    {
        const QByteArray b = drawing().emf();
        QCOMPARE(u32(b, 0), 1u);
        QCOMPARE(u32(b, 40), 0x464D4520u);
        QCOMPARE(u32(b, 48), quint32(b.size()));
        const quint32 handles = u16(b, 56);
        qsizetype at = 0;
        quint32 records = 0, lastType = 0;
        QSet<quint32> created;
        while (at < b.size()) {
            QVERIFY(at + 8 <= b.size());
            const quint32 type = u32(b, at), size = u32(b, at + 4);
            QVERIFY2(size >= 8 && size % 4 == 0 && at + size <= b.size(), qPrintable(QString::number(type)));
            if (type == 38 || type == 39 || type == 82) { // objects are made in the handle table
                QVERIFY(u32(b, at + 8) > 0 && u32(b, at + 8) < handles);
                created.insert(u32(b, at + 8));
            }
            if (type == 37 && !(u32(b, at + 8) & 0x80000000u)) // a selected object of ours exists
                QVERIFY(created.contains(u32(b, at + 8)));
            if (type == 84) { // the text and its advances lie inside the record
                const quint32 chars = u32(b, at + 44), offString = u32(b, at + 48), offDx = u32(b, at + 72);
                QCOMPARE(chars, 2u);
                QVERIFY(offString + 2 * chars <= size && offDx + 4 * chars <= size);
                QCOMPARE(u16(b, at + offString), quint16(u'5'));
            }
            lastType = type;
            ++records;
            at += size;
        }
        QCOMPARE(at, b.size());
        QCOMPARE(records, u32(b, 52));
        QCOMPARE(lastType, 14u);
    }

    void wmfRecordsWalkToTheEnd()
    {
        const QByteArray b = drawing().wmf();
        QCOMPARE(u32(b, 0), 0x9AC6CDD7u);
        quint16 sum = 0;
        for (int i = 0; i < 10; ++i)
            sum ^= u16(b, 2 * i);
        QCOMPARE(u16(b, 20), sum);
        QCOMPARE(u16(b, 10), quint16(200));
        QCOMPARE(u16(b, 12), quint16(120));
        const qsizetype h = 22;
        QCOMPARE(u16(b, h + 2), quint16(9));
        QCOMPARE(qsizetype(u32(b, h + 6)) * 2, b.size() - h);
        const int objects = u16(b, h + 10);
        quint32 largest = 0;
        qsizetype at = h + 18;
        quint16 last = 0xFFFF;
        QVector<bool> used(objects, false);
        while (at < b.size()) {
            const quint32 words = u32(b, at);
            const quint16 function = u16(b, at + 4);
            QVERIFY(words >= 3 && at + 2 * qsizetype(words) <= b.size());
            largest = std::max(largest, words);
            if (function == 0x02FA || function == 0x02FC ||
                function == 0x02FB) { // takes the lowest free slot
                const qsizetype slot = used.indexOf(false);
                QVERIFY(slot >= 0);
                used[slot] = true;
            } else if (function == 0x012D) {
                QVERIFY(used.value(u16(b, at + 6)));
            } else if (function == 0x01F0) {
                QVERIFY(used.value(u16(b, at + 6)));
                used[u16(b, at + 6)] = false;
            }
            last = function;
            at += 2 * qsizetype(words);
        }
        QCOMPARE(at, b.size());
        QCOMPARE(last, quint16(0));
        QCOMPARE(u32(b, h + 12), largest);
        QVERIFY(!used.contains(true)); // everything made is deleted again
    }

    void playerDrawsWhatThePainterDraws_data()
    {
        QTest::addColumn<bool>("enhanced");
        QTest::newRow("EMF") << true;
        QTest::newRow("WMF") << false;
    }

    void playerDrawsWhatThePainterDraws()
    {
        QFETCH(bool, enhanced);
        const TMetafileWriter m = drawing();
        const QByteArray bytes = enhanced ? m.emf() : m.wmf();
        QCOMPARE(Metafile::ownSize(bytes), QSize(200, 120));
        const QImage played = Metafile::render(bytes);
        QVERIFY(!played.isNull());
        const QImage direct = painted(m);
        struct Probe
        {
            QPoint at;
            QColor colour;
        };
        for (const Probe& p : {Probe{{40, 30}, QColor(220, 0, 0)}, Probe{{140, 30}, QColor(0, 0, 220)},
                               Probe{{60, 100}, QColor(0, 160, 0)}, Probe{{5, 100}, QColor(255, 255, 255)},
                               Probe{{100, 50}, QColor(0, 0, 0)}}) {
            QVERIFY2(near(direct.pixelColor(p.at), p.colour),
                     qPrintable(QStringLiteral("painted %1,%2").arg(p.at.x()).arg(p.at.y())));
            QVERIFY2(near(played.pixelColor(p.at), p.colour),
                     qPrintable(QStringLiteral("played %1,%2").arg(p.at.x()).arg(p.at.y())));
        }
        // the yellow text is drawn somewhere around its baseline centre
        int yellow = 0;
        for (int y = 30; y < 66; ++y)
            for (int x = 125; x < 175; ++x)
                yellow += near(played.pixelColor(x, y), QColor(255, 255, 0)) ? 1 : 0;
        QVERIFY2(yellow > 20, qPrintable(QString::number(yellow)));
    }

    void pictureCheckTellsDamagedMetafiles_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("good");
        const QByteArray emf = drawing().emf(), wmf = drawing().wmf();
        QByteArray badSum = wmf;
        badSum[20] = char(badSum[20] ^ 0x55);
        QByteArray badSignature = emf;
        badSignature[40] = 'X';
        QTest::newRow("EMF") << emf << true;
        QTest::newRow("WMF") << wmf << true;
        QTest::newRow("EMF cut short") << emf.left(emf.size() - 20) << false;
        QTest::newRow("EMF without signature") << badSignature << false;
        QTest::newRow("EMF header only") << emf.left(60) << false;
        QTest::newRow("WMF with a wrong checksum") << badSum << false;
        QTest::newRow("WMF cut short") << wmf.left(wmf.size() - 6) << false;
        QTest::newRow("two bytes") << QByteArray("\x01\x00", 2) << false;
        QTest::newRow("empty") << QByteArray() << false;
    }

    void pictureCheckTellsDamagedMetafiles()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(bool, good);
        QCOMPARE(BankSource::pictureProblem(bytes).isEmpty(), good);
    }
};

QTEST_MAIN(TMetafileWriterTest)
#include "tst_metafilewriter.moc"
