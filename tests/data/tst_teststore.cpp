// Every scored answer kept: the outcome rows that a scored test leaves in ZAKVYSL beside the rest
// of what it stores, a retry after an unconfirmed commit, and a database made before the table.
#include "TestDb.h"

#include "data/DataModule.h"
#include "data/Error.h"
#include "data/ScoredTest.h"

#include <QtTest>

namespace {

void execSql(TDM& dm, const QString& sql)
{
    dm.QTmp->close();
    dm.QTmp->setSql({sql});
    dm.QTmp->execSql();
}

// The rows of a statement, each as the named columns joined by "|".
QStringList rows(TDM& dm, const QString& sql, const QStringList& columns)
{
    dm.QTmp->close();
    dm.QTmp->setSql({sql});
    dm.QTmp->open();
    QStringList out;
    for (int r = 0; r < dm.QTmp->recordCount(); ++r) {
        QStringList cols;
        for (const QString& c : columns)
            cols << dm.QTmp->valueAt(r, c).toString();
        out << cols.join(u'|');
    }
    dm.QTmp->close();
    return out;
}

int count(TDM& dm, const QString& table)
{
    return rows(dm, QStringLiteral("SELECT COUNT(*) AS N FROM %1").arg(table), {QStringLiteral("N")})
        .value(0)
        .toInt();
}

QStringList outcomesAt(TDM& dm, const QString& when)
{
    return rows(dm,
                QStringLiteral("SELECT ID_ZAK, ID_OTAZKA, SPRAVNE, REZIM FROM ZAKVYSL WHERE DATETIME = '%1' "
                               "ORDER BY ID_OTAZKA")
                    .arg(when),
                {QStringLiteral("ID_ZAK"), QStringLiteral("ID_OTAZKA"), QStringLiteral("SPRAVNE"),
                 QStringLiteral("REZIM")});
}

TScoredTest practiceTest(const QDateTime& when)
{
    TScoredTest t;
    t.pupilId = 1;
    t.mode = 3;
    t.when = when;
    t.answers = {{1, true, QStringLiteral("1000")}, {2, false, QStringLiteral("0010")},
                 {3, false, QString()}};
    return t;
}

TScoredTest liveTest(const QDateTime& when)
{
    TScoredTest t = practiceTest(QDateTime());
    t.mode = 4;
    t.testId = 1;
    t.report = TScoredTest::Report{when, QStringLiteral("Ostré testy - Test číslo 1"), 6, 2,
                                   {QStringLiteral("Zpráva")}, false};
    return t;
}

} // namespace

class TstTestStore : public QObject
{
    Q_OBJECT
private slots:
    void outcomesStoredWithTheRest();
    void retryStoresOutcomesOnce();
    void databaseWithoutOutcomeTable();
    void wrongAnswersAsOneStatementPerAnswerWould();
};

void TstTestStore::outcomesStoredWithTheRest()
{
    TTestDb db;
    TDM& dm = db.open();
    db.signIn(1);
    const QDateTime practiceTime(QDate(2026, 12, 8), QTime(10, 0, 0));
    const QDateTime liveTime(QDate(2026, 12, 8), QTime(11, 30, 15));
    dm.StoreScoredTest(practiceTest(practiceTime));
    dm.StoreScoredTest(liveTest(liveTime));
    QCOMPARE(outcomesAt(dm, QStringLiteral("2026-12-08 10:00:00")),
             (QStringList{"1|1|1|3", "1|2|0|3", "1|3|0|3"}));
    // a live test's outcomes carry its report's time
    QCOMPARE(outcomesAt(dm, QStringLiteral("2026-12-08 11:30:15")),
             (QStringList{"1|1|1|4", "1|2|0|4", "1|3|0|4"}));
    QCOMPARE(count(dm, QStringLiteral("ZAKVYSL")), 6);

    // The outcomes are written last: when they fail, the wrong answers, the failed stored test and
    // the report written before them in the same transaction are taken back.
    execSql(dm, QStringLiteral("DELETE FROM ZAKTEST"));
    execSql(dm, QStringLiteral("DROP TABLE ZAKVYSL"));
    TScoredTest failing = liveTest(liveTime.addSecs(60));
    failing.answers.append({4, false, QStringLiteral("0001")});
    QVERIFY_THROWS_EXCEPTION(TError, dm.StoreScoredTest(failing));
    QCOMPARE(count(dm, QStringLiteral("STATIS")), 1);
    QCOMPARE(count(dm, QStringLiteral("ZAKTEST")), 0);
    QCOMPARE(rows(dm, QStringLiteral("SELECT ID_OTAZKA FROM ZAKODP ORDER BY ID_OTAZKA"), {"ID_OTAZKA"}),
             (QStringList{"2", "3"}));
}

void TstTestStore::retryStoresOutcomesOnce()
{
    TTestDb db;
    TDM& dm = db.open();
    db.signIn(1);
    // The first attempt landed, but its answer from the server was lost: the retry, with the same
    // time, must not store the outcomes again, and a genuinely new test at another time must.
    const QDateTime when(QDate(2026, 12, 8), QTime(9, 15, 0));
    TScoredTest practice = practiceTest(when);
    dm.StoreScoredTest(practice);
    practice.earlierAttempt = true;
    dm.StoreScoredTest(practice);
    QCOMPARE(count(dm, QStringLiteral("ZAKVYSL")), 3);

    TScoredTest live = liveTest(when.addSecs(600));
    dm.StoreScoredTest(live);
    live.report->earlierAttempt = true;
    dm.StoreScoredTest(live);
    QCOMPARE(count(dm, QStringLiteral("ZAKVYSL")), 6);
    QCOMPARE(count(dm, QStringLiteral("STATIS")), 1);

    // A retry of an attempt that stored nothing stores everything.
    TScoredTest unstored = practiceTest(when.addSecs(1200));
    unstored.earlierAttempt = true;
    dm.StoreScoredTest(unstored);
    QCOMPARE(count(dm, QStringLiteral("ZAKVYSL")), 9);
}

void TstTestStore::databaseWithoutOutcomeTable()
{
    TTestDb db;
    {
        TDM& dm = db.open();
        execSql(dm, QStringLiteral("DROP TABLE ZAKVYSL"));
        execSql(dm, QStringLiteral("DROP TABLE VYSVETLENI"));
        db.closeDm();
    }
    TDM& dm = db.open();
    db.signIn(1);
    const QDateTime when(QDate(2026, 12, 8), QTime(10, 0, 0));
    dm.StoreScoredTest(liveTest(when));
    TScoredTest practice = practiceTest(when.addSecs(60));
    practice.earlierAttempt = true; // the look for earlier outcomes has no table to read either
    dm.StoreScoredTest(practice);
    QCOMPARE(count(dm, QStringLiteral("STATIS")), 1);
    QCOMPARE(rows(dm, QStringLiteral("SELECT ID_OTAZKA, ZAK_ODP FROM ZAKODP ORDER BY ID_OTAZKA"),
                  {"ID_OTAZKA", "ZAK_ODP"}),
             (QStringList{"2|0010", "3|"}));
    QCOMPARE(count(dm, QStringLiteral("ZAKTEST")), 1);
    // nor are there explanations to show
    QCOMPARE(dm.Explanation(1), QString());
    QCOMPARE(dm.Explanation(2), QString());
}

void TstTestStore::wrongAnswersAsOneStatementPerAnswerWould()
{
    // All answers are stored in a few statements; what they leave must be what storing them one
    // by one in order leaves: a right answer removes the pupil's row, a wrong one adds a row only
    // where there is none (the first wrong answer is kept), ticks stored as they were.
    TTestDb db;
    TDM& dm = db.open();
    db.signIn(1);
    execSql(dm, QStringLiteral("INSERT INTO ZAKODP (ID_ZAK, ID_OTAZKA, ZAK_ODP) VALUES (1, 1, '0100')"));
    execSql(dm, QStringLiteral("INSERT INTO ZAKODP (ID_ZAK, ID_OTAZKA, ZAK_ODP) VALUES (1, 2, '0100')"));
    execSql(dm, QStringLiteral("INSERT INTO ZAKODP (ID_ZAK, ID_OTAZKA, ZAK_ODP) VALUES (2, 3, '0001')"));
    TScoredTest t = practiceTest(QDateTime(QDate(2026, 12, 8), QTime(8, 0, 0)));
    t.answers = {{1, true, QStringLiteral("1000")},
                 {2, false, QStringLiteral("0011")},           // kept: the earlier wrong answer
                 {3, false, QStringLiteral(" 1\"'\\ ")},    // new, trimmed, odd characters kept
                 {4, true, QStringLiteral("1000")},  {4, false, QStringLiteral("0110")}, // then wrong
                 {5, false, QStringLiteral("0001")}, {5, false, QStringLiteral("1000")}, // first kept
                 {6, false, QStringLiteral("0010")}, {6, true, QStringLiteral("0100")}};  // then right
    dm.StoreScoredTest(t);
    QCOMPARE(rows(dm, QStringLiteral("SELECT ID_ZAK, ID_OTAZKA, ZAK_ODP FROM ZAKODP ORDER BY ID_ZAK, ID_OTAZKA"),
                  {"ID_ZAK", "ID_OTAZKA", "ZAK_ODP"}),
             (QStringList{"1|2|0100", "1|3|1\"'\\", "1|4|0110", "1|5|0001", "2|3|0001"}));
    // every answer has its outcome row, also a question answered twice
    QCOMPARE(count(dm, QStringLiteral("ZAKVYSL")), 9);
}

QTEST_GUILESS_MAIN(TstTestStore)
#include "tst_teststore.moc"
