// The random draws: reproducible with a known generator state, without repetition, clamped to
// the candidates, the error-test top-up, the statement of the drawn questions and the speed on a
// large bank.
#include "data/Public.h"
#include "data/Statements.h"
#include "selection/RandomDraw.h"

#include <QElapsedTimer>
#include <QSet>
#include <QtTest>

using namespace RandomDraw;

namespace {

// The program's generator and the remove-drawn loop, written out once more for the tests.
struct TReference
{
    quint32 state;
    int index(int n)
    {
        state = state * 134775813u + 1u;
        return int((quint64(state) * quint32(n)) >> 32);
    }
    void draw(TIdList candidates, int count, TIdList& drawn)
    {
        count = std::min<int>(count, int(candidates.size()));
        for (int k = 0; k < count; ++k)
            drawn.append(candidates.takeAt(index(int(candidates.size()))));
    }
};

TIdList range(qint64 from, qint64 to)
{
    TIdList ids;
    for (qint64 id = from; id <= to; ++id)
        ids.append(id);
    return ids;
}

} // namespace

class TestRandomDraw : public QObject
{
    Q_OBJECT
private slots:
    void drawMatchesTheAlgorithm_data()
    {
        QTest::addColumn<quint32>("seed");
        QTest::addColumn<TIdList>("candidates");
        QTest::addColumn<int>("count");
        QTest::newRow("three of ten") << 12345u << range(1, 10) << 3;
        QTest::newRow("all of seven") << 0u << TIdList{12, 7, 40, 3, 99, 5, 18} << 7;
        QTest::newRow("midnight seed") << 86399999u << range(100, 160) << 25;
        QTest::newRow("large ids") << 4000000000u << TIdList{9000000000LL, 1, 2000000000LL, 77} << 2;
        QTest::newRow("one of one") << 7u << TIdList{42} << 1;
        QTest::newRow("many of many") << 991u << range(1, 5000) << 4999;
    }
    void drawMatchesTheAlgorithm()
    {
        QFETCH(quint32, seed);
        QFETCH(TIdList, candidates);
        QFETCH(int, count);
        TReference ref{seed};
        TIdList expected;
        ref.draw(candidates, count, expected);

        SetRandomState(seed);
        TIdList drawn;
        DrawFrom(candidates, count, drawn);
        QCOMPARE(drawn, expected);
        QCOMPARE(RandomState(), ref.state); // exactly one generator step per drawn id
        QCOMPARE(QSet<qint64>(drawn.begin(), drawn.end()).size(), drawn.size());
    }

    void countsAreClampedToTheCandidates_data()
    {
        QTest::addColumn<int>("candidates");
        QTest::addColumn<int>("wanted");
        QTest::addColumn<int>("given");
        QTest::newRow("3 at the level, 10 wanted") << 3 << 10 << 3;
        QTest::newRow("none wanted") << 8 << 0 << 0;
        QTest::newRow("negative count") << 8 << -4 << 0;
        QTest::newRow("no candidates") << 0 << 5 << 0;
    }
    void countsAreClampedToTheCandidates()
    {
        QFETCH(int, candidates);
        QFETCH(int, wanted);
        QFETCH(int, given);
        SetRandomState(77);
        const TIdList ids = DrawTest({{range(1, candidates), wanted}});
        QCOMPARE(ids.size(), given);
        if (given == candidates) {
            TIdList sorted = ids;
            std::sort(sorted.begin(), sorted.end());
            QCOMPARE(sorted, range(1, candidates));
        }
    }

    void testDrawsGroupAfterGroupFromOneSeed()
    {
        const QVector<TGroup> groups = {
            {range(1, 10), 4}, {range(11, 20), 0}, {range(21, 23), 10}, {{}, 3}, {range(31, 40), 2}};
        TReference ref{555};
        TIdList expected;
        for (const TGroup& g : groups)
            ref.draw(g.candidates, std::max(0, g.wanted), expected);
        SetRandomState(555);
        QCOMPARE(DrawTest(groups), expected);
        QCOMPARE(expected.size(), 4 + 3 + 2);
    }

    void errorGroupWithoutTopUp()
    {
        const TIdList errors = {3, 8, 15, 21, 22, 30};
        int asked = 0;
        auto level = [&] {
            ++asked;
            return range(1, 40);
        };
        TReference ref{2024};
        TIdList expected;
        ref.draw(errors, 4, expected);
        SetRandomState(2024);
        TIdList drawn;
        DrawErrorGroup(errors, 4, false, level, drawn);
        QCOMPARE(drawn, expected);
        QCOMPARE(asked, 0);

        drawn.clear();
        DrawErrorGroup({17}, 4, false, level, drawn);
        QCOMPARE(drawn, TIdList{17});
        drawn.clear();
        DrawErrorGroup({}, 4, false, level, drawn);
        QVERIFY(drawn.isEmpty());
        QCOMPARE(asked, 0);
    }

    void errorGroupWithTopUp()
    {
        const TIdList errors = {3, 8, 15, 21, 22, 30};
        int asked = 0;
        auto level = [&] {
            ++asked;
            return range(1, 10);
        };
        TIdList drawn;
        DrawErrorGroup(errors, 4, true, level, drawn);
        QCOMPARE(drawn, errors); // all six wrong answers, more than wanted
        QCOMPARE(asked, 0);

        TReference ref{31337};
        TIdList expected = {17};
        ref.draw(range(1, 10), 3, expected);
        SetRandomState(31337);
        drawn.clear();
        DrawErrorGroup({17}, 4, true, level, drawn);
        QCOMPARE(drawn, expected);
        QCOMPARE(asked, 1);

        // a group with count 0 gives nothing, even with wrong answers
        drawn.clear();
        DrawErrorGroup(errors, 0, true, level, drawn);
        QVERIFY(drawn.isEmpty());

        // fewer questions at the level than the top-up: all of them
        drawn.clear();
        DrawErrorGroup(
            {}, 5, true,
            [] {
                return TIdList{4, 9};
            },
            drawn);
        std::sort(drawn.begin(), drawn.end());
        QCOMPARE(drawn, (TIdList{4, 9}));
    }

    void errorTestKeepsGroupOrder()
    {
        const QVector<TErrorGroup> groups = {
            {{5, 6}, range(1, 10), 3}, {{12}, range(11, 20), 0}, {{}, range(21, 30), 2}};
        TReference ref{9};
        TIdList expected = {5, 6};
        ref.draw(range(1, 10), 1, expected);
        ref.draw(range(21, 30), 2, expected);
        SetRandomState(9);
        QCOMPARE(DrawErrorTest(groups, true), expected);
    }

    // The drawn ids are one bound value; the statement keeps its own three lines.
    void idListAndStatement_data()
    {
        QTest::addColumn<TIdList>("ids");
        QTest::addColumn<QString>("list");
        QTest::newRow("three") << TIdList{12, 7, 40} << QStringLiteral(R"({"12":0,"7":0,"40":0})");
        QTest::newRow("one") << TIdList{7} << QStringLiteral(R"({"7":0})");
        QTest::newRow("repeated") << TIdList{5, 5} << QStringLiteral(R"({"5":0,"5":0})");
    }
    void idListAndStatement()
    {
        QFETCH(TIdList, ids);
        QFETCH(QString, list);
        QCOMPARE(Statements::DrawnIdList(ids), list);
        QCOMPARE(Statements::DrawnQuestions.value(0), QStringLiteral("select * from otazka "));
        QCOMPARE(Statements::DrawnQuestions.value(1), QStringLiteral(" where "));
        QVERIFY(Statements::DrawnQuestions.value(2).startsWith(QStringLiteral("id_otazka in (")));
        QVERIFY(Statements::DrawnQuestions.value(2).contains(QStringLiteral(":ID_LIST")));
    }

    void largeBankIsFast()
    {
        const TIdList bank = range(1, 100000);
        QElapsedTimer timer;
        timer.start();
        SetRandomState(1);
        TIdList drawn;
        DrawFrom(bank, 100000, drawn);
        const QString list = Statements::DrawnIdList(drawn);
        QVERIFY2(timer.elapsed() < 2000, qPrintable(QString::number(timer.elapsed())));
        QCOMPARE(drawn.size(), 100000);
        TIdList sorted = drawn;
        std::sort(sorted.begin(), sorted.end());
        QCOMPARE(sorted, bank);
        QVERIFY(list.startsWith(u'{') && list.endsWith(u'}'));
        QCOMPARE(list.count(u','), 99999);
    }
};

QTEST_GUILESS_MAIN(TestRandomDraw)
#include "tst_randomdraw.moc"
