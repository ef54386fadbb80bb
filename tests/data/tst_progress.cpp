// The progress figures read from a database: readiness from the live reports, the shares of right
// answers per topic group with the recent window, the questions failed most, and the register's
// export; on SQLite and (as tst_progress_pg) on PostgreSQL.
#include "TestDb.h"

#include "data/DataSet.h"
#include "data/Progress.h"
#include "data/RegisterFigures.h"
#include "data/Strings.h"

#include <QtTest>

namespace {
int addPupil(const QString& rc, const QString& surname, const QString& category = QStringLiteral("B"))
{
    execBound(QStringLiteral("INSERT INTO ZAK (RC, HESLO, PRIJMENI, JMENO, TITUL, RP, ADRESA, TELEFON) "
                       "VALUES (:RC, 'x', :P, 'Jan', '', :RP, '', '')"),
        {{QStringLiteral("RC"), rc}, {QStringLiteral("P"), surname}, {QStringLiteral("RP"), category}});
    TQuery q(QStringLiteral("QTestSql"));
    q.setSql({QStringLiteral("SELECT ID_ZAK FROM ZAK WHERE RC = :RC")});
    q.setParam(QStringLiteral("RC"), rc);
    q.open();
    return q.asInteger(QStringLiteral("ID_ZAK"));
}

void addLiveTest(int pupil, const QDateTime& when, int points, int total = 50)
{
    execBound(QStringLiteral("INSERT INTO STATIS (ID_ZAK, ID_TEST, DATETIME, PTOTAL, PCURRENT, REPORT, TEST_NAME) "
                       "VALUES (:Z, 0, :D, :T, :P, 'r', 'Ostrý test')"),
        {{QStringLiteral("Z"), pupil}, {QStringLiteral("D"), when}, {QStringLiteral("T"), total},
         {QStringLiteral("P"), points}});
}

void addAnswers(int pupil, int question, int right, int wrong, const QDateTime& when)
{
    for (int i = 0; i < right + wrong; ++i)
        execBound(QStringLiteral("INSERT INTO ZAKVYSL (ID_ZAK, ID_OTAZKA, SPRAVNE, DATETIME, REZIM) VALUES (:Z, :Q, :S, :D, 4)"),
            {{QStringLiteral("Z"), pupil}, {QStringLiteral("Q"), question}, {QStringLiteral("S"), i < right ? 1 : 0},
             {QStringLiteral("D"), when}});
}

QVector<int> questionsOfGroup(int group)
{
    TQuery q(QStringLiteral("QTestSql"));
    q.setSql({QStringLiteral("SELECT ID_OTAZKA FROM OTAZKA WHERE ID_OKRUH = :G ORDER BY ID_OTAZKA")});
    q.setParam(QStringLiteral("G"), group);
    return [&] {
        QVector<int> ids;
        for (qint64 id : q.readIntegers(QStringLiteral("ID_OTAZKA")))
            ids.append(int(id));
        return ids;
    }();
}

const QDateTime Now(QDate(2025, 3, 20), QTime(10, 0, 0));
} // namespace

class TstProgress : public QObject
{
    Q_OBJECT
private slots:
    void readinessRule_data();
    void readinessRule();
    void readinessFromReports();
    void groupShares();
    void shareRounding();
    void mostFailedOrder();
    void databaseWithoutKeptAnswers();
    void filter();
    void exportFile();
};

void TstProgress::readinessRule_data()
{
    QTest::addColumn<QVector<int>>("newestFirst");
    QTest::addColumn<bool>("ready");
    QTest::addColumn<int>("failed");
    QTest::addColumn<QString>("verdict");
    QTest::newRow("no test") << QVector<int>{} << false << 0
                             << QStringLiteral("Zatím nepřipraven: napsal 0 z pěti potřebných ostrých testů.");
    QTest::newRow("four passed are too few") << QVector<int>{50, 50, 50, 50} << false << 0
                                             << QStringLiteral("Zatím nepřipraven: napsal 4 z pěti potřebných ostrých testů.");
    QTest::newRow("five at the minimum") << QVector<int>{43, 43, 43, 43, 43} << true << 0 << Str::VerdictReady;
    QTest::newRow("one below among five") << QVector<int>{50, 50, 42, 50, 50} << false << 1
                                          << QStringLiteral("Nepřipraven: z posledních pěti ostrých testů nesložil 1 "
                                                            "(méně bodů než minimum).");
    QTest::newRow("an older failure no longer counts") << QVector<int>{45, 46, 47, 48, 49, 10, 0} << true << 0
                                                       << Str::VerdictReady;
    QTest::newRow("the newest failed") << QVector<int>{42, 50, 50, 50, 50, 50} << false << 1 << QString();
}

void TstProgress::readinessRule()
{
    QFETCH(QVector<int>, newestFirst);
    QFETCH(bool, ready);
    QFETCH(int, failed);
    QFETCH(QString, verdict);
    const Progress::TReadiness r = Progress::readiness(newestFirst, 43);
    QCOMPARE(r.ready, ready);
    QCOMPARE(r.failed, failed);
    if (!verdict.isEmpty())
        QCOMPARE(Progress::verdictText(r), verdict);
    QCOMPARE(Progress::ruleText(43), QStringLiteral("Připraven ke zkoušce je žák, který složil posledních pět "
                                                     "ostrých testů (v každém získal alespoň 43 bodů)."));
}

// The reports of several pupils as the register and the statistics window read them: in time order,
// the newest five per pupil, a failure older than those five forgotten.
void TstProgress::readinessFromReports()
{
    TTestDb db;
    db.open();
    const int ready = addPupil(QStringLiteral("R1"), QStringLiteral("Řezáč"));
    const int few = addPupil(QStringLiteral("R2"), QStringLiteral("Malý"));
    const int failing = addPupil(QStringLiteral("R3"), QStringLiteral("Černý"));
    // inserted out of order: the reading orders them
    for (int i : {3, 0, 5, 1, 4, 2})
        addLiveTest(ready, Now.addDays(-10 + i), i == 0 ? 12 : 40 + i);
    for (int i = 0; i < 4; ++i)
        addLiveTest(few, Now.addDays(-i), 50);
    for (int i = 0; i < 5; ++i)
        addLiveTest(failing, Now.addDays(-i), i == 2 ? 29 : 30, 48);
    // two reports of one time: the one stored later is the newer, whatever its points
    const int sameTime = addPupil(QStringLiteral("R4"), QStringLiteral("Dvojí"));
    addLiveTest(sameTime, Now.addDays(-1), 50);
    addLiveTest(sameTime, Now.addDays(-1), 20);
    addLiveTest(sameTime, Now.addDays(-2), 35);

    const QVector<Progress::TLiveTest> tests = TProgressData::liveTests(ready);
    QCOMPARE(tests.size(), 6);
    QCOMPARE(tests.first().points, 12);
    QCOMPARE(tests.last().points, 45);
    QCOMPARE(tests.last().when, Now.addDays(-5));
    QCOMPARE(TProgressData::passMinimum(ready), 30);

    const QHash<int, Progress::TPupilFigures> all = TProgressData::schoolFigures();
    QVERIFY(!all.contains(1));
    QCOMPARE(all.value(ready).pointsNewestFirst, (QVector<int>{45, 44, 43, 42, 41}));
    QCOMPARE(all.value(ready).liveTests, 6);
    QCOMPARE(all.value(ready).lastWhen(), Now.addDays(-5));
    QCOMPARE(all.value(failing).lastTotal, 48);
    QVERIFY(Progress::readiness(all.value(ready).pointsNewestFirst, 30).ready);
    const Progress::TReadiness r2 = Progress::readiness(all.value(few).pointsNewestFirst, 30);
    QVERIFY(!r2.ready);
    QCOMPARE(r2.tests, 4);
    const Progress::TReadiness r3 = Progress::readiness(all.value(failing).pointsNewestFirst, 30);
    QVERIFY(!r3.ready);
    QCOMPARE(r3.failed, 1);
    QCOMPARE(all.value(sameTime).pointsNewestFirst, (QVector<int>{20, 50, 35}));
    QCOMPARE(all.value(sameTime).liveTests, 3);
}

void TstProgress::groupShares()
{
    TTestDb db;
    db.open();
    const int pupil = addPupil(QStringLiteral("G1"), QStringLiteral("Novák"));
    const int other = addPupil(QStringLiteral("G2"), QStringLiteral("Jiný"));
    const QVector<int> g1 = questionsOfGroup(1), g3 = questionsOfGroup(3);
    QVERIFY(g1.size() >= 2 && !g3.isEmpty());
    const QDateTime since = Progress::recentSince(Now);
    QCOMPARE(since, Now.addDays(-30));
    addAnswers(pupil, g1[0], 3, 1, Now.addDays(-40));   // old
    addAnswers(pupil, g1[1], 1, 1, since);              // the window's first second counts
    addAnswers(pupil, g3[0], 0, 2, since.addSecs(-1));  // just before the window
    addAnswers(other, g1[0], 0, 5, Now);                // somebody else's

    const QVector<Progress::TGroupTally> groups = TProgressData::groupTallies(pupil, since);
    QCOMPARE(groups.size(), 2);
    QCOMPARE(groups[0].groupId, 1);
    QCOMPARE(groups[0].name, QStringLiteral("Pravidla provozu na pozemních komunikacích"));
    QCOMPARE(groups[0].asked, 6);
    QCOMPARE(groups[0].right, 4);
    QCOMPARE(groups[0].askedRecent, 2);
    QCOMPARE(groups[0].rightRecent, 1);
    QCOMPARE(groups[1].groupId, 3);
    QCOMPARE(groups[1].askedRecent, 0);
    QCOMPARE(Progress::shareText(groups[0].right, groups[0].asked), QStringLiteral("67 % (4 z 6)"));
    QCOMPARE(Progress::shareText(groups[1].rightRecent, groups[1].askedRecent), Str::NoShare);
    QCOMPARE(Progress::shareText(groups[1].right, groups[1].asked), QStringLiteral("0 % (0 z 2)"));
}

void TstProgress::shareRounding()
{
    QCOMPARE(Progress::sharePercent(1, 8), 13); // 12.5 rounds up
    QCOMPARE(Progress::sharePercent(1, 3), 33);
    QCOMPARE(Progress::sharePercent(2, 3), 67);
    QCOMPARE(Progress::sharePercent(5, 5), 100);
    QCOMPARE(Progress::sharePercent(0, 0), -1);
    QCOMPARE(Progress::sharePercent(2'000'000'000, 2'000'000'000), 100);
}

// Most wrong answers first; equal counts by the larger share wrong, then the lower id; a question
// never failed is not listed; the pupil's list counts only the pupil's answers.
void TstProgress::mostFailedOrder()
{
    TTestDb db;
    db.open();
    const int pupil = addPupil(QStringLiteral("F1"), QStringLiteral("Dvořák"));
    const int other = addPupil(QStringLiteral("F2"), QStringLiteral("Svoboda"));
    const QVector<int> q = questionsOfGroup(1);
    QVERIFY(q.size() >= 6);
    addAnswers(pupil, q[0], 2, 3, Now); // 3 of 5
    addAnswers(pupil, q[1], 1, 3, Now); // 3 of 4: before q0
    addAnswers(pupil, q[2], 1, 3, Now); // 3 of 4, the higher id: after q1
    addAnswers(pupil, q[3], 4, 0, Now); // never wrong
    addAnswers(pupil, q[4], 0, 1, Now); // 1 of 1: fewer wrong, last
    addAnswers(other, q[5], 0, 9, Now);

    const QVector<Progress::TQuestionTally> mine =
        Progress::mostFailed(TProgressData::pupilQuestionTallies(pupil), 10);
    QVector<int> order;
    for (const auto& t : mine)
        order.append(t.questionId);
    QCOMPARE(order, (QVector<int>{q[1], q[2], q[0], q[4]}));
    QCOMPARE(mine[0].asked, 4);
    QCOMPARE(mine[0].wrong, 3);
    QVERIFY(!mine[0].text.trimmed().isEmpty());

    const QVector<Progress::TQuestionTally> school =
        Progress::mostFailed(TProgressData::schoolQuestionTallies(), 2);
    QCOMPARE(school.size(), 2);
    QCOMPARE(school[0].questionId, q[5]);
    QCOMPARE(school[0].wrong, 9);
    QCOMPARE(school[1].questionId, q[1]);

    QCOMPARE(Progress::shortened(QStringLiteral("Řidič   smí\nodbočit vlevo, jen když"), 100),
             QStringLiteral("Řidič smí odbočit vlevo, jen když"));
    QCOMPARE(Progress::shortened(QStringLiteral("Řidič smí odbočit vlevo, jen když"), 24),
             QStringLiteral("Řidič smí odbočit vlevo…"));
}

// A database made before the answers were kept has no ZAKVYSL: the windows show no answers
// instead of failing; the reports still give the verdict.
void TstProgress::databaseWithoutKeptAnswers()
{
    TTestDb db;
    db.open();
    const int pupil = addPupil(QStringLiteral("O1"), QStringLiteral("Starý"));
    addLiveTest(pupil, Now, 45);
    execBound(QStringLiteral("DROP TABLE ZAKVYSL"), {});
    QVERIFY(TProgressData::groupTallies(pupil, Now).isEmpty());
    QVERIFY(TProgressData::pupilQuestionTallies(pupil).isEmpty());
    QVERIFY(TProgressData::schoolQuestionTallies().isEmpty());
    QCOMPARE(TProgressData::liveTests(pupil).size(), 1);
}

void TstProgress::filter()
{
    const QStringList row{QStringLiteral("851231/1234"), QString(), QStringLiteral("Šťastný"),
                          QStringLiteral("Čeněk")};
    QVERIFY(Progress::matchesFilter(row, QString()));
    QVERIFY(Progress::matchesFilter(row, QStringLiteral("  ")));
    QVERIFY(Progress::matchesFilter(row, QStringLiteral("stastn")));
    QVERIFY(Progress::matchesFilter(row, QStringLiteral("ŠŤAST")));
    QVERIFY(Progress::matchesFilter(row, QStringLiteral("cenek 1231")));
    QVERIFY(!Progress::matchesFilter(row, QStringLiteral("cenek 9999")));
    QVERIFY(!Progress::matchesFilter(row, QStringLiteral("Novák")));
}

// The export as a spreadsheet reads it: BOM, semicolons, quoted cells, Czech letters as UTF-8, and
// the register's figures beside each pupil.
void TstProgress::exportFile()
{
    const QByteArray bytes = Progress::csv({{QStringLiteral("Příjmení"), QStringLiteral("Poznámka")},
                                            {QStringLiteral("Žlutý; \"Kůň\""), QStringLiteral("=1+1")},
                                            {QStringLiteral("-5"), QStringLiteral("dva\nřádky")}});
    QVERIFY(bytes.startsWith("\xEF\xBB\xBF"));
    QCOMPARE(QString::fromUtf8(bytes.mid(3)),
             QStringLiteral("Příjmení;Poznámka\r\n\"Žlutý; \"\"Kůň\"\"\";'=1+1\r\n-5;\"dva\nřádky\"\r\n"));

    TTestDb db;
    db.open();
    const int pupil = addPupil(QStringLiteral("E1"), QStringLiteral("Šindelář"));
    for (int i = 0; i < 5; ++i)
        addLiveTest(pupil, Now.addDays(-i), 31 + i);
    DM->OpenRegister(false, 0);
    TRegisterFigures figures;
    figures.load();
    TQuery* zak = DM->QZak;
    QVERIFY(zak->locate(QStringLiteral("ID_ZAK"), pupil));
    const int row = zak->currentIndex();
    QCOMPARE(figures.lastPoints(*zak, row), QStringLiteral("31 / 50"));
    QCOMPARE(figures.verdictWord(*zak, row), QStringLiteral("připraven"));
    QVERIFY(zak->locate(QStringLiteral("ID_ZAK"), 1));
    QCOMPARE(figures.lastPoints(*zak, zak->currentIndex()), QString());
    QCOMPARE(figures.verdictWord(*zak, zak->currentIndex()), QStringLiteral("nepřipraven"));

    const QVector<QStringList> rows = figures.exportRows(*zak, {row});
    QCOMPARE(rows.size(), 2);
    QCOMPARE(rows[0].first(), QStringLiteral("Identifikace"));
    QCOMPARE(rows[1], (QStringList{QStringLiteral("E1"), QString(), QStringLiteral("Šindelář"), QStringLiteral("Jan"),
                                   QStringLiteral("B"), QStringLiteral("5"), QStringLiteral("20.3.2025 10:00"),
                                   QStringLiteral("31"), QStringLiteral("50"), QStringLiteral("30"),
                                   Str::VerdictReady}));
}

QTEST_GUILESS_MAIN(TstProgress)
#include "tst_progress.moc"
